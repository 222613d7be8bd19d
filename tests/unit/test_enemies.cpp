// The shot pool and the enemy slots (ring search, take-over when full, what a placement holds),
// the aim, and one pass of the enemies: ground enemies fire and hop, flyers home in, turn away
// from the shield, bounce off the terrain and sting what they touch; the buzz follows the flyers.
#include "unit_helpers.h"

#include "enemies.h"

#include <cstdlib>

namespace {

TEST_F(WorldTest, ShotPoolTakesTheFirstFreeSlotFromItsCursorOrTheOneAfterItWhenFull) {
    set_time(1234);
    create_power(1, 2, 3, 4, POWER_BULLET);
    create_power(5, 6, 0, 0, POWER_EXHAUST);
    EXPECT_EQ(fields(power[0]), fields({1, 2, 3, 4, 1234, POWER_ALIVE + POWER_BULLET}));
    EXPECT_EQ(fields(power[1]), fields({5, 6, 0, 0, 1234, POWER_ALIVE + POWER_EXHAUST}));
    EXPECT_EQ(particle_loop, 1);
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

TEST_F(WorldTest, EnemiesTakeFreeSlotsInRingOrderWithTheirKindsStartValues) {
    flat_ground(300.0f);
    reset_enemy_slots();
    for (int s : {497, 499, 1}) {
        enemy[s].flags = ENEMY_ALIVE | ENEMY_GROUND;
    }
    enemy[3].flags = ENEMY_GROUND; // dead: free
    enemy[498].sprite = 9;
    enemy[498].vx = 7.0f;
    enemy_loop = 497;
    set_time(4321);
    std::srand(5);
    const int r = std::rand();
    std::srand(5);
    init_enemy(5, ENEMY_FLYER, 1234); // draws no random number
    EXPECT_EQ(enemy_loop, 4);
    for (int s : {498, 0, 2, 3, 4}) {
        const enemy_t &e = enemy[s];
        EXPECT_EQ(std::tuple(e.flags, e.x, e.y, e.vx, e.health, e.last_shot, e.sprite),
                  std::tuple(5, 1234.0f, 290.0f, 0.0f, 4.0f, 4321.0f, s == 498 ? 9 : 7))
            << s;
    }
    EXPECT_EQ(std::tuple(enemy[496].flags, enemy[497].flags, enemy[1].flags), std::tuple(0, 3, 3));
    // A ground enemy draws its x, spread by slot, and stands 10 px into the ground.
    init_enemy(1, ENEMY_GROUND, 0);
    EXPECT_EQ(enemy_loop, 5);
    const enemy_t &e = enemy[5];
    EXPECT_EQ(std::tuple(e.x, e.y, e.health, e.flags),
              std::tuple(static_cast<float>(r % 640 + 800), 300.0f - TEST_ENEMY_H + 10, 50.0f, 3));
}

TEST_F(WorldTest, AFullEnemyTableIsTakenOverAfterTheCursorWithValuesOfItsOwn) {
    for (int i = 0; i < GROUND_POINTS; i++) {
        ground[i] = {100.0f * static_cast<float>(i), 50.0f * static_cast<float>(i)}; // x / 2
    }
    reset_enemy_slots();
    for (enemy_t &e : enemy) {
        e.flags = ENEMY_ALIVE | ENEMY_GROUND;
        e.health = 9.0f;
    }
    enemy_loop = 10;
    std::srand(3);
    const int x = std::rand() % 640 + 300 + 1200 * 11;
    std::srand(3);
    init_enemy(1, ENEMY_GROUND, 0);
    EXPECT_EQ(enemy_loop, 11);
    EXPECT_EQ(std::tuple(enemy[11].x, enemy[11].health, enemy[10].health, enemy[12].health),
              std::tuple(static_cast<float>(x), 100.0f, 9.0f, 9.0f));
    EXPECT_FLOAT_EQ(enemy[11].y, static_cast<float>(x) / 2); // on the line
    enemy_loop = 499;
    init_enemy(1, ENEMY_FLYER, 1234);
    EXPECT_EQ(enemy_loop, 0);
    EXPECT_EQ(std::tuple(enemy[0].flags, enemy[0].health), std::tuple(5, 2.0f));
    EXPECT_FLOAT_EQ(enemy[0].y, 617.0f - 10.0f);
}

TEST(Aim, WholeDegreesTruncatedTowardZeroThenMadeNonNegativeAbove) {
    const float cases[][3] = {{0, 1, 0},        {1, -1000, 179},  {1, 2, 26},     {-1, 1000, 360},
                              {-1000, -9, 270}, {-100, -98, 226}, {1000, -9, 90}, {-1, -1000, 181}};
    for (const auto &c : cases) {
        EXPECT_EQ(aim_degrees(c[0], c[1]), static_cast<int>(c[2])) << c[0] << "," << c[1];
    }
}

enemy_t &ground_enemy(int slot, float x, float y) {
    enemy[slot] = enemy_t{7, 7, 3, 0.5f, 0, x, y, 0, 0, 50, 0, ENEMY_ALIVE + ENEMY_GROUND};
    return enemy[slot];
}

enemy_t &flyer(int slot, float x, float y) {
    enemy[slot] = enemy_t{7, 7, 3, 0.5f, 0, x, y, 0, 0, 4, 0, ENEMY_ALIVE + ENEMY_FLYER};
    return enemy[slot];
}

class EnemyPass : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        flat_ground(400.0f);
        player.health = 1.0f;
        put(player, 3000, 100);
    }
};

TEST_F(EnemyPass, GroundEnemiesFireEveryThreeSecondsOnlyStrictlyInsideTheViewAndHop) {
    scroll.x = 1000.0f;
    put(player, 1300, 300);
    const float xs[] = {950, 950.1f, 1639.9f, 1640};
    for (int i = 0; i < 4; i++) {
        ground_enemy(i, xs[i], 300);
    }
    ground_enemy(4, 1300, 300).flags = ENEMY_GROUND; // dead
    enemy[4].vx = 1.0f;
    set_time(3000);
    update_enemy();
    EXPECT_EQ(live_shots(POWER_ENEMY_SHOT), 0);
    set_time(3001);
    update_enemy();
    ASSERT_EQ(live_shots(POWER_ENEMY_SHOT), 2);
    const power_t &s = power[0]; // enemy 1's, level with the player: straight right
    EXPECT_EQ(fields(s), fields({950.1f + TEST_ENEMY_W / 2, 300, s.vx, s.vy, 3001, 9}));
    EXPECT_NEAR(s.vx, 1.0f, 1e-6);
    EXPECT_NEAR(s.vy, -0.5f, 1e-6);
    const enemy_t &e = enemy[1];
    EXPECT_NEAR(e.vx, 0.25f, 1e-6);
    EXPECT_NEAR(e.y, 300 - 0.125f + 0.032174f, 1e-4);
    EXPECT_EQ(std::tuple(enemy[0].last_shot, e.last_shot, enemy[2].last_shot, enemy[3].last_shot),
              std::tuple(0.0f, 3001.0f, 3001.0f, 0.0f));
    EXPECT_EQ(enemy[4].x, 1300.0f);
    set_time(6001);
    update_enemy();
    EXPECT_EQ(live_shots(POWER_ENEMY_SHOT), 2);
    EXPECT_NEAR(e.x, 950.6f, 1e-4); // still drifting with the hop
    set_time(6002);
    update_enemy();
    EXPECT_EQ(live_shots(POWER_ENEMY_SHOT), 4);
}

TEST_F(EnemyPass, GroundEnemiesMoreThan250PxOverTheGroundArePutBackAt260) {
    ground_enemy(0, 100, 400 - 251);
    ground_enemy(1, 200, 400 - 250);
    ground_enemy(2, 5000, 400 - 251).vx = 0.25f; // out of view, held all the same
    update_enemy();
    EXPECT_EQ(std::tuple(enemy[0].y, enemy[1].y, enemy[2].y, enemy[2].x),
              std::tuple(140.0f, 150.0f, 140.0f, 5000.25f));
}

TEST_F(EnemyPass, FlyersHomeInWithJitterXThenYAndTurnAwayInsideTheShield) {
    put(player, 400, 200);
    // The shield works while bot 1 is carried too: at exactly 80 px (48, 64) the flyer is steered
    // at the player, inside it is turned round and twice as jittery.
    const float bot_y[] = {264, 263.9f, 200}, turn[] = {1, -1, 1};
    const int mode[] = {MODE_ABILITY, MODE_ABILITY, 0};
    for (int i = 0; i < 3; i++) {
        enemy_t &f = flyer(20, 300, 200);
        put(bot[0], 348, bot_y[i]);
        bot[0].mode = mode[i];
        std::srand(2024);
        const int jx = std::rand() % 21 - 10, jy = std::rand() % 21 - 10;
        ASSERT_NE(jx, jy);
        std::srand(2024);
        update_enemy();
        const float k = turn[i] < 0 ? 0.02f : 0.01f;
        EXPECT_NEAR(f.vx, 0.97f * (0.025f * turn[i] + k * static_cast<float>(jx)), 1e-6) << i;
        EXPECT_NEAR(f.vy, 0.97f * (k * static_cast<float>(jy) + 0.0032174f), 1e-6) << i;
        EXPECT_NEAR(f.y, 200.0f + f.vy, 1e-4) << i;
    }
}

TEST_F(EnemyPass, FlyersBounceUnderTheGroundAndOneLeavingTheViewStingsOnceAndDies) {
    // 107.5 px left of the camera, out of view. Its square lies at (int)-7.5 + 4 = -3 to 4 and
    // column 4 is the player's first opaque one: truncation toward zero touches.
    scroll.x = 100.0f;
    put(player, 0, 95);
    enemy_t &leaving = flyer(20, -7.5f, 100);
    leaving.vy = 1.0f;
    enemy_t &sunk = flyer(21, 300, 401);
    enemy_t &on_line = flyer(22, 200, 400);
    update_enemy();
    EXPECT_EQ(std::tuple(leaving.flags, player.health, sound_volume),
              std::tuple(ENEMY_FLYER, 1.0f - 0.01f, 4)); // the buzz counts steered flyers
    EXPECT_NEAR(leaving.y, 100.97f, 1e-4);               // not steered, but damped and moved
    EXPECT_NEAR(sunk.vy, -1.94f, 1e-6);
    EXPECT_NEAR(sunk.y, 378.06f, 1e-4);
    EXPECT_NEAR(on_line.y, 400.0f, 0.2f);
    update_enemy();
    EXPECT_EQ(player.health, 1.0f - 0.01f);
}

TEST_F(EnemyPass, FlyerStingsThePlayerAndEveryCommandedBotItTouches) {
    // The player is tested with its own image (opaque in the flyer's square), not its sprite.
    flyer(20, 100, 100);
    put(player, 95, 106);
    player.sprite = OBJ_BOT1_STAND;
    for (int k = 0; k < BOT_COUNT; k++) {
        put(bot[k], 100, 90);
        bot[k].sprite = OBJ_BOT1_WALK;
        bot[k].health = 1.0f;
        bot[k].mode = k == 1 ? pickup_bit(k) : command_bit(k);
    }
    update_enemy();
    EXPECT_EQ(
        std::tuple(enemy[20].flags, player.health, bot[0].health, bot[1].health, bot[2].health),
        std::tuple(ENEMY_FLYER, 0.99f, 0.99f, 1.0f, 0.99f));
}

TEST_F(EnemyPass, BuzzVolumeIsTwoPerFlyerInViewUpTo255) {
    put(player, 5000, 100);
    for (const int n : {127, 128}) {
        for (int i = 0; i < n; i++) {
            flyer(i, 100.0f + static_cast<float>(i % 40) * 10.0f, 100);
        }
        sound_volume = 77;
        update_enemy();
        EXPECT_EQ(sound_volume, n == 127 ? 254 : 255);
    }
}

} // namespace
