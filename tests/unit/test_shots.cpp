// The pixel hit tests, and shots in flight: drag, gravity and the hop along the ground; enemy shots
// against the player and the commanded bots; bullets against the enemies, with kills and score.
#include "harness.h"

#include "enemies.h"
#include "physics.h"
#include "terrain.h"

#include <cstdlib>

namespace {

constexpr float G = 0.032174f;

// Harness images: enemy 20 x 24 all opaque; player 20 x 32 clear in columns 0..3; flyer 16 x 16
// opaque only in the square 4..11.
TEST_F(WorldTest, HitTestsNeedAnOpaquePixelOfBothIncludingTheLastColumnAndRow) {
    constexpr int E = OBJ_ENEMY_WALK, P = OBJ_PLAYER, F = OBJ_FLYER, X = -1; // X: a point
    // clang-format off
    const struct { int a, ax, ay, b, bx, by; bool hit; } cases[] = {
        {E, 0, 0, E, 19, 0, 1},   {E, 0, 0, E, 0, 23, 1},   {E, 0, 0, E, 20, 0, 0},
        {E, 0, 0, E, 0, 24, 0},   {E, 21, 0, E, 0, 0, 0},   {E, 0, 25, E, 0, 0, 0},
        {E, 0, 0, P, 19, 0, 0},   {P, 19, 0, E, 0, 0, 0},   {E, 0, 0, P, 15, 0, 1},
        {F, 0, 0, F, 8, 0, 0},    {F, 0, 0, F, 7, 7, 1},    {F, 0, 0, F, 7, 8, 0},
        {F, -11, -11, E, 0, 0, 1}, {E, 0, 0, F, -11, -11, 1}, {F, -12, -12, E, 0, 0, 0},
        {E, 5, 7, X, 5, 7, 1},    {E, 5, 7, X, 24, 30, 1},  {E, 5, 7, X, 25, 7, 0},
        {E, 5, 7, X, 5, 31, 0},   {E, 5, 7, X, 4, 7, 0},    {E, 5, 7, X, 5, 6, 0},
        {P, 5, 7, X, 8, 20, 0},   {P, 5, 7, X, 9, 20, 1},   {F, -10, -10, X, 1, 1, 1},
        {F, -10, -10, X, -7, -7, 0}, {F, -10, -10, X, 2, 1, 0}};
    // clang-format on
    for (const auto &c : cases) {
        BITMAP *a = object_bitmap(c.a);
        const int got = c.b == X ? particle_collision(a, c.ax, c.ay, c.bx, c.by)
                                 : sn_collision(a, c.ax, c.ay, object_bitmap(c.b), c.bx, c.by);
        EXPECT_EQ(got, c.hit ? TRUE : FALSE)
            << c.a << " " << c.ax << "," << c.ay << " " << c.b << " " << c.bx << "," << c.by;
    }
}

power_t &shot(int slot, float x, float y, float vx, float vy, int kind) {
    power[slot] = power_t{x, y, vx, vy, 0.0f, kind + POWER_ALIVE};
    return power[slot];
}

enemy_t &target(int slot, float x, float y, float health, int kind) {
    enemy[slot] = enemy_t{7, 7, 3, 0.5f, 0, x, y, 0, 0, health, 0, kind + ENEMY_ALIVE};
    return enemy[slot];
}

class Shots : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        flat_ground(300.0f);
        player.health = 1.0f;
        player.x = -3000.0f; // out of the way unless a test places it
    }
};

TEST_F(Shots, DragGravityAndAHopWhereTheyLandAtTheirNewX) {
    ground[2].y = 100.0f; // the ground rises from 300 at x 100 to 100 at x 200
    power_t &flying = shot(0, 100, 100, 2, -1, POWER_BULLET);
    const int kinds[] = {POWER_BULLET, POWER_ENEMY_SHOT, POWER_EXHAUST};
    for (int i = 0; i < 3; i++) {
        shot(1 + i, 500 + 100 * static_cast<float>(i), 299, 1, 2, kinds[i]);
    }
    const float vy = 1.0f * 0.99f + G;
    power_t &on_line = shot(4, 900, 300 - vy, 0, 1, POWER_BULLET); // ends exactly on the line
    power_t &slope = shot(5, 95, 295, 10, 0, POWER_BULLET); // above the ground here, not at x 104.9
    std::srand(4242);
    const int kick = std::rand() % 21 - 10; // puffs only are kicked sideways
    std::srand(4242);
    update_physics();
    EXPECT_EQ(fields(flying),
              fields({100 + 2 * 0.99f, 100 + (G - 0.99f), 2 * 0.99f, G - 0.99f, 0, 5}));
    for (int i = 1; i <= 3; i++) {
        const float vx = 0.99f + (i == 3 ? static_cast<float>(kick) : 0.0f);
        EXPECT_EQ(std::tuple(power[i].y, power[i].vx, power[i].vy, power[i].flags & POWER_ALIVE),
                  std::tuple(300.0f, vx, 2 * 0.99f + G - 1.0f, 1))
            << i;
    }
    EXPECT_EQ(std::tuple(on_line.y, on_line.vy), std::tuple(300.0f, vy));
    EXPECT_EQ(std::tuple(slope.x, slope.y, slope.vy),
              std::tuple(95 + 10 * 0.99f, get_ground(95 + 10 * 0.99f), G - 1.0f));
}

TEST_F(Shots, EnemyShotHurtsThePlayerAndEachCommandedBotOnceThenEnds) {
    // The point lands on row 2 of the player's own image (its current sprite, a bot image, is
    // clear there) and on row 30 of the first bot; the second is carried, the third elsewhere.
    const int mode[BOT_COUNT] = {command_bit(0), pickup_bit(1), command_bit(2)};
    for (int k = 0; k < BOT_COUNT; k++) {
        place(bot[k], k == 2 ? 400 : 205, 90);
        bot[k].sprite = OBJ_BOT1_WALK;
        bot[k].mode = mode[k];
        bot[k].health = 1.0f;
    }
    place(player, 200, 118);
    player.sprite = OBJ_BOT1_STAND;
    power_t &p = shot(0, 210, 120, 0, 0, POWER_ENEMY_SHOT);
    for (int tick = 0; tick < 2; tick++) { // ended: neither moved nor tested again
        update_physics();
        EXPECT_EQ(std::tuple(player.health, bot[0].health, bot[1].health, bot[2].health),
                  std::tuple(1.0f - 0.01f, 1.0f - 0.01f, 1.0f, 1.0f));
        EXPECT_EQ(std::tuple(p.flags, p.y), std::tuple(POWER_ENEMY_SHOT, 120.0f + G));
    }
}

TEST_F(Shots, BulletsHitEveryLiveEnemyUnderTheirTruncatedPointAndKillsScore) {
    flat_ground(1000.0f);
    scroll = {100.0f, -200.0f};
    // Truncated toward zero, 0.7 px left of the camera is column 0 for a bullet and an enemy.
    target(0, 100, 50, 5, ENEMY_GROUND);
    shot(0, 99.3f, 60, 0, 0, POWER_BULLET);
    target(1, 99.3f, 150, 5, ENEMY_GROUND); // columns 0..19
    shot(1, 119.5f, 160, 0, 0, POWER_BULLET);
    target(2, 100, 250, 5, ENEMY_GROUND); // x + w misses
    shot(2, 120, 260, 0, 0, POWER_BULLET);
    // One bullet over a tough, a weak and a dead enemy.
    target(3, 300, 400, 5, ENEMY_GROUND);
    target(4, 300, 400, 1, ENEMY_GROUND);
    target(5, 300, 400, 5, ENEMY_GROUND).flags = ENEMY_GROUND;
    shot(3, 310, 410, 0, 0, POWER_BULLET);
    // A ground enemy is tested with its current image: a bot image, clear in its top rows.
    target(6, 700, 400, 5, ENEMY_GROUND).sprite = OBJ_BOT1_WALK;
    shot(4, 705, 402, 0, 0, POWER_BULLET);
    // A fresh flyer, whose sprite is still the walker's, is tested with its own image.
    target(7, 500, 600, 1, ENEMY_FLYER);
    shot(5, 501, 601, 0, 0, POWER_BULLET);
    shot(6, 508, 608, 0, 0, POWER_BULLET);
    update_physics();
    const float health[] = {4, 4, 5, 4, 0, 5, 5, 0};
    const int alive[] = {1, 1, 1, 1, 0, 0, 1, 0}, bullet_alive[] = {0, 0, 1, 0, 1, 1, 0};
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(std::tuple(enemy[i].health, enemy[i].flags & ENEMY_ALIVE),
                  std::tuple(health[i], alive[i]))
            << i;
    }
    for (int i = 0; i < 7; i++) {
        EXPECT_EQ(power[i].flags & POWER_ALIVE, bullet_alive[i]) << i;
    }
    EXPECT_EQ(player.score, 10.0f + 50.0f);
}

} // namespace
