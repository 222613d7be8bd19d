// The shot pool and the enemy slots (ring search, take-over when full, what a placement holds),
// the aim, and one pass of the enemies: ground enemies fire and hop, flyers bounce
// off the terrain and sting; the buzz follows the flyers.
#include "harness.h"

#include "enemies.h"

#include <cstdlib>

namespace {

TEST_F(WorldTest, ShotPoolTakesTheFirstFreeSlotFromItsCursorOrTheOneAfterItWhenFull) {
    set_time(1234);
    // Free slots behind the cursor wait, the search wraps after the last slot, and a dead
    // record's kind bit does not keep its slot; when full, the slot after the cursor is taken.
    for (power_t &p : power) {
        p = power_t{-1, -1, -1, -1, -1, POWER_ALIVE + POWER_BULLET};
    }
    power[5].flags = 0;
    power[20].flags = POWER_ENEMY_SHOT;
    const int cursor[] = {10, 499, 42, 499}, taken[] = {20, 5, 43, 0};
    for (int i = 0; i < 4; i++) {
        particle_loop = cursor[i];
        create_power(static_cast<float>(i), 0, 0, 0, POWER_ENEMY_SHOT);
        EXPECT_EQ(particle_loop, taken[i]) << i;
        EXPECT_EQ(fields(power[taken[i]]), fields({static_cast<float>(i), 0, 0, 0, 1234, 9})) << i;
    }
    EXPECT_EQ(power[42].x, -1.0f);
}

TEST_F(WorldTest, EnemiesTakeFreeSlotsInRingOrderAndAFullTableTheSlotAfterTheCursor) {
    flat_ground(300.0f);
    reset_enemy_slots();
    for (int s : {497, 499, 1}) {
        enemy[s].flags = ENEMY_ALIVE | ENEMY_GROUND;
    }
    enemy[3].flags = ENEMY_GROUND; // dead: free
    enemy_loop = 497;
    set_time(4321);
    std::srand(5);
    const int r1 = std::rand(), r2 = std::rand();
    std::srand(5);
    init_enemy(5, ENEMY_FLYER, 1234); // draws no random number
    for (int s : {498, 0, 2, 3, 4}) {
        EXPECT_EQ(std::tuple(enemy[s].flags, enemy[s].x, enemy[s].y, enemy[s].health),
                  std::tuple(5, 1234.0f, 290.0f, 4.0f))
            << s;
    }
    // Ground enemies draw their x, spread by slot, and stand 10 px into the ground; taken over,
    // spread wider, on the ground and tougher.
    init_enemy(1, ENEMY_GROUND, 0);
    for (enemy_t &e : enemy) {
        e.flags |= ENEMY_ALIVE;
    }
    init_enemy(1, ENEMY_GROUND, 0);
    EXPECT_EQ(std::tuple(enemy_loop, enemy[5].x, enemy[5].y, enemy[5].health, enemy[6].x,
                         enemy[6].y, enemy[6].health, enemy[6].last_shot),
              std::tuple(6, static_cast<float>(r1 % 640 + 800), 300.0f - TEST_ENEMY_H + 10, 50.0f,
                         static_cast<float>(r2 % 640 + 300 + 1200 * 6), 300.0f, 100.0f, 4321.0f));
}

TEST(Aim, WholeDegreesTruncatedTowardZeroThenMadeNonNegativeAbove) {
    const float cases[][3] = {{0, 1, 0},        {1, -1000, 179},  {1, 2, 26},     {-1, 1000, 360},
                              {-1000, -9, 270}, {-100, -98, 226}, {1000, -9, 90}, {-1, -1000, 181}};
    for (const auto &c : cases) {
        EXPECT_EQ(aim_degrees(c[0], c[1]), static_cast<int>(c[2])) << c[0] << "," << c[1];
    }
}

enemy_t &place(int slot, float x, float y, int kind) {
    enemy[slot] = enemy_t{7, 7, 3, 0.5f, 0, x, y, 0, 0, 50, 0, ENEMY_ALIVE + kind};
    return enemy[slot];
}

class EnemyPass : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        flat_ground(400.0f);
        player.health = 1.0f;
    }
};

TEST_F(EnemyPass, GroundEnemiesFireEveryThreeSecondsOnlyStrictlyInsideTheViewAndHop) {
    scroll.x = 1000.0f;
    place(player, 1300, 300);
    const float xs[] = {950, 950.1f, 1639.9f, 1640, 1300};
    for (int i = 0; i < 5; i++) {
        place(i, xs[i], 300, ENEMY_GROUND);
    }
    enemy[4].flags = ENEMY_GROUND; // dead
    const int now[] = {3000, 3001, 6001, 6002}, shots[] = {0, 2, 2, 4};
    for (int i = 0; i < 4; i++) {
        set_time(now[i]);
        update_enemy();
        EXPECT_EQ(take_census().enemy_shots, shots[i]) << now[i];
    }
    EXPECT_NEAR(enemy[1].x, 950.1f + 3 * 0.25f, 1e-4);
    EXPECT_EQ(std::tuple(enemy[0].last_shot, enemy[2].last_shot, enemy[3].last_shot, enemy[4].x),
              std::tuple(0.0f, 6002.0f, 0.0f, 1300.0f));
}

TEST_F(EnemyPass, GroundEnemiesMoreThan250PxOverTheGroundArePutBackAt260) {
    place(0, 100, 400 - 251, ENEMY_GROUND);
    place(1, 200, 400 - 250, ENEMY_GROUND);
    place(2, 5000, 400 - 251, ENEMY_GROUND).vx = 0.25f; // out of view, held all the same
    update_enemy();
    EXPECT_EQ(std::tuple(enemy[0].y, enemy[1].y, enemy[2].y, enemy[2].x),
              std::tuple(140.0f, 150.0f, 140.0f, 5000.25f));
}

TEST_F(EnemyPass, FlyersBounceUnderTheGroundAndOneLeavingTheViewStingsOnceAndDies) {
    // 107.5 px left of the camera, out of view. Its square lies at (int)-7.5 + 4 = -3 to 4 and
    // column 4 is the player's first opaque one: truncation toward zero touches.
    scroll.x = 100.0f;
    place(player, 0, 95);
    enemy_t &leaving = place(20, -7.5f, 100, ENEMY_FLYER);
    leaving.vy = 1.0f;
    enemy_t &sunk = place(21, 300, 401, ENEMY_FLYER);
    enemy_t &on_line = place(22, 200, 400, ENEMY_FLYER);
    update_enemy();
    // The leaving one is not steered but damped and moved; the buzz counts steered flyers.
    EXPECT_EQ(std::tuple(leaving.flags, leaving.y, player.health, sound_volume, sunk.vy, sunk.y),
              std::tuple(ENEMY_FLYER, 100 + 0.97f * 1.0f, 1.0f - 0.01f, 4, 0.97f * -2.0f,
                         380 + 0.97f * -2.0f));
    EXPECT_NEAR(on_line.y, 400.0f, 0.2f);
    update_enemy();
    EXPECT_EQ(player.health, 1.0f - 0.01f);
}

} // namespace
