// One pass of the enemies: ground enemies fire and hop while in view, flyers home in, are turned
// by the shield, bounce off the terrain and sting what they touch; the buzz follows the flyers.
#include "harness.h"

#include "enemies.h"

#include <cmath>
#include <cstdlib>

namespace {

enemy_t &ground_enemy(int slot, float x, float y) {
    enemy_t &e = enemy[slot];
    e.x = x;
    e.y = y;
    e.vx = e.vy = 0.0f;
    e.health = 50.0f;
    e.last_shot = 0.0f;
    e.flags = ENEMY_ALIVE + ENEMY_GROUND;
    return e;
}

enemy_t &flyer(int slot, float x, float y) {
    enemy_t &e = ground_enemy(slot, x, y);
    e.health = 4.0f;
    e.flags = ENEMY_ALIVE + ENEMY_FLYER;
    return e;
}

int live_enemy_shots() {
    int n = 0;
    for (const power_t &p : power) {
        n += (p.flags & POWER_ALIVE) && (p.flags & POWER_ENEMY_SHOT);
    }
    return n;
}

struct jitter {
    int x, y;
};
// The two jitter draws a flyer makes after srand(seed), in their order.
jitter jitter_after(unsigned seed) {
    std::srand(seed);
    const int jx = std::rand() % 21 - 10;
    const int jy = std::rand() % 21 - 10;
    std::srand(seed);
    return {jx, jy};
}

class EnemyPass : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        reset_enemy_slots();
        flat_ground(400.0f);
        player.health = 1.0f;
        player.x = 3000.0f;
        player.y = 100.0f;
    }
};

TEST_F(EnemyPass, GroundEnemiesFireOnlyStrictlyInsideTheViewBand) {
    scroll.x = 1000.0f;
    set_time(5000);
    player.x = 1300.0f;
    player.y = 300.0f;
    const float xs[] = {950.0f, 950.1f, 1639.9f, 1640.0f};
    for (int i = 0; i < 4; i++) {
        ground_enemy(i, xs[i], 300.0f);
    }
    enemy_t &dead = ground_enemy(4, 1300.0f, 300.0f);
    dead.flags -= ENEMY_ALIVE;
    dead.vx = 1.0f;

    update_enemy();
    EXPECT_EQ(live_enemy_shots(), 2);
    const float last[] = {0.0f, 5000.0f, 5000.0f, 0.0f};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(enemy[i].last_shot, last[i]) << "enemy " << i;
        EXPECT_EQ(enemy[i].vx == 0.0f, last[i] == 0.0f) << "enemy " << i;
    }
    EXPECT_EQ(dead.x, 1300.0f);
    EXPECT_EQ(dead.last_shot, 0.0f);
}

TEST_F(EnemyPass, GroundEnemyFiresFromItsTopMiddleEveryThreeSecondsAndHops) {
    enemy_t &e = ground_enemy(0, 100.0f, 300.0f);
    player.x = 400.0f; // level with it, to the right: angle 0
    player.y = 300.0f;
    set_time(3000);
    update_enemy();
    EXPECT_EQ(live_enemy_shots(), 0);
    EXPECT_EQ(e.vx, 0.0f);

    set_time(3001);
    update_enemy();
    ASSERT_EQ(live_enemy_shots(), 1);
    const power_t &s = power[0];
    EXPECT_EQ(s.x, 110.0f);
    EXPECT_EQ(s.y, 300.0f);
    EXPECT_NEAR(s.vx, 1.0f, 1e-6);
    EXPECT_NEAR(s.vy, -0.5f, 1e-6);
    EXPECT_EQ(s.born, 3001.0f);
    EXPECT_EQ(s.flags, POWER_ENEMY_SHOT + POWER_ALIVE);
    EXPECT_NEAR(e.vx, 0.25f, 1e-6);
    EXPECT_NEAR(e.vy, -0.092826f, 1e-6);
    EXPECT_NEAR(e.x, 100.25f, 1e-5);
    EXPECT_NEAR(e.y, 299.907174f, 1e-4);
    EXPECT_EQ(e.last_shot, 3001.0f);

    set_time(6001);
    update_enemy();
    EXPECT_EQ(live_enemy_shots(), 1);
    EXPECT_NEAR(e.x, 100.5f, 1e-5); // still drifting with the hop
    set_time(6002);
    update_enemy();
    EXPECT_EQ(live_enemy_shots(), 2);
}

TEST_F(EnemyPass, AimIsTruncatedToWholeDegreesBeforeBeingMadeNonNegative) {
    set_time(5000);
    // Player 0.7 degrees above the horizontal: -0.7 truncates to 0, then becomes 360.
    ground_enemy(0, 100.0f, 300.0f);
    player.x = 1100.0f;
    player.y = 300.0f - 1000.0f * static_cast<float>(std::tan(0.7 * M_PI / 180.0));
    update_enemy();
    EXPECT_NEAR(power[0].vx, 1.0f, 1e-6);
    EXPECT_NEAR(power[0].vy, -0.5f, 1e-5); // 359 degrees would give -0.517

    // Player at -90.5 degrees, up and a little left: -90 + 360 = 270, straight up.
    ground_enemy(0, 100.0f, 300.0f);
    const double up = -90.5 * M_PI / 180.0;
    player.x = 100.0f + static_cast<float>(1000.0 * std::cos(up));
    player.y = 300.0f + static_cast<float>(1000.0 * std::sin(up));
    update_enemy();
    EXPECT_NEAR(power[1].vx, 0.0f, 1e-5); // 269 degrees would give -0.0175
    EXPECT_NEAR(power[1].vy, -1.5f, 1e-5);
}

TEST_F(EnemyPass, GroundEnemiesAreHeldWithin260PixelsOfTheTerrain) {
    enemy_t &high = ground_enemy(0, 100.0f, 400.0f - 251.0f);
    enemy_t &edge = ground_enemy(1, 200.0f, 400.0f - 250.0f);
    enemy_t &sunk = ground_enemy(2, 300.0f, 420.0f);
    sunk.vy = 0.5f;
    enemy_t &away = ground_enemy(3, 5000.0f, 400.0f - 251.0f); // out of view
    away.vx = 0.25f;
    update_enemy();
    EXPECT_EQ(high.y, 140.0f);
    EXPECT_EQ(edge.y, 150.0f);
    EXPECT_EQ(sunk.y, 420.5f);
    EXPECT_EQ(away.y, 140.0f);
    EXPECT_EQ(away.x, 5000.25f);
    EXPECT_EQ(live_enemy_shots(), 0);
}

TEST_F(EnemyPass, FlyerJitterIsDrawnForXThenY) {
    enemy_t &f = flyer(20, 300.0f, 200.0f);
    player.x = 400.0f; // level, to the right: angle 0
    player.y = 200.0f;
    const jitter j = jitter_after(2024);
    ASSERT_NE(j.x, j.y);
    update_enemy();
    const float vx = 0.97f * (0.025f + 0.01f * static_cast<float>(j.x));
    const float vy = 0.97f * (0.01f * static_cast<float>(j.y) + 0.0032174f);
    EXPECT_NEAR(f.vx, vx, 1e-6);
    EXPECT_NEAR(f.vy, vy, 1e-6);
    EXPECT_NEAR(f.x, 300.0f + vx, 1e-4);
    EXPECT_NEAR(f.y, 200.0f + vy, 1e-4);
    EXPECT_EQ(f.flags, ENEMY_FLYER + ENEMY_ALIVE);
}

TEST_F(EnemyPass, ShieldTurnsFlyersAwayOnlyInsideEightyPixels) {
    player.x = 400.0f;
    player.y = 200.0f;
    bot[0].mode = MODE_ABILITY; // the shield works while the bot is carried, too

    // At exactly 80 px (48, 64 apart): steered at the player as usual.
    enemy_t &f = flyer(20, 300.0f, 200.0f);
    bot[0].x = 348.0f;
    bot[0].y = 264.0f;
    jitter j = jitter_after(77);
    update_enemy();
    EXPECT_NEAR(f.vx, 0.97f * (0.025f + 0.01f * static_cast<float>(j.x)), 1e-6);
    EXPECT_NEAR(f.vy, 0.97f * (0.01f * static_cast<float>(j.y) + 0.0032174f), 1e-6);

    // At 79.9 px: turned round by 180 degrees with doubled jitter.
    flyer(20, 300.0f, 200.0f);
    bot[0].y = 263.9f;
    j = jitter_after(77);
    update_enemy();
    EXPECT_NEAR(f.vx, 0.97f * (-0.025f + 0.02f * static_cast<float>(j.x)), 1e-6);
    EXPECT_NEAR(f.vy, 0.97f * (0.02f * static_cast<float>(j.y) + 0.0032174f), 1e-6);
}

TEST_F(EnemyPass, FlyerBelowTheTerrainBouncesUpThenIsDampedAndMoved) {
    player.x = 400.0f;
    player.y = 401.0f;
    enemy_t &sunk = flyer(20, 300.0f, 401.0f);
    enemy_t &on_line = flyer(21, 100.0f, 400.0f);
    const jitter j = jitter_after(5);
    std::rand(); // the second flyer's draws follow the first one's two
    std::rand();
    std::rand();
    const int jy2 = std::rand() % 21 - 10;
    std::srand(5);
    update_enemy();
    EXPECT_NEAR(sunk.vy, -1.94f, 1e-6);
    EXPECT_NEAR(sunk.y, 378.06f, 1e-4);
    EXPECT_NEAR(sunk.vx, 0.97f * (0.025f + 0.01f * static_cast<float>(j.x)), 1e-6);
    EXPECT_NEAR(on_line.vy, 0.97f * (0.01f * static_cast<float>(jy2) + 0.0032174f), 1e-6);
    EXPECT_NEAR(on_line.y, 400.0f + on_line.vy, 1e-4);
}

TEST_F(EnemyPass, FlyerLeavingTheBandStingsOnceAndIsRemovedOnce) {
    // 107.5 px left of the camera: out of the band. Its square then sits at (int)-7.5 + 4 = -3
    // to 4, and column 4 is the player's first opaque one: truncation toward zero touches.
    scroll.x = 100.0f;
    player.x = 0.0f;
    player.y = 95.0f;
    enemy_t &f = flyer(20, -7.5f, 100.0f);
    f.vy = 1.0f;
    std::srand(31);
    const int first = std::rand();
    std::srand(31);
    sound_volume = 77;
    update_enemy();
    EXPECT_EQ(f.flags, ENEMY_FLYER);
    EXPECT_FLOAT_EQ(player.health, 0.99f);
    EXPECT_EQ(f.x, -7.5f);
    EXPECT_NEAR(f.vy, 0.97f, 1e-6); // not steered, but damped and moved
    EXPECT_NEAR(f.y, 100.97f, 1e-4);
    EXPECT_EQ(sound_volume, 0);
    EXPECT_EQ(std::rand(), first); // no jitter drawn

    update_enemy();
    EXPECT_FLOAT_EQ(player.health, 0.99f);
}

TEST_F(EnemyPass, FlyerStingsThePlayerAndEveryCommandedBotItTouches) {
    // The player's top rows meet the flyer: opaque in the player's image (10), though clear in
    // its current sprite (a bot image).
    flyer(20, 100.0f, 100.0f);
    player.x = 95.0f;
    player.y = 106.0f;
    player.sprite = OBJ_BOT1_STAND;
    const int sprite[BOT_COUNT] = {OBJ_BOT1_WALK, OBJ_BOT2_WALK, OBJ_BOT3_WALK};
    for (int k = 0; k < BOT_COUNT; k++) {
        bot[k].x = 100.0f;
        bot[k].y = 90.0f;
        bot[k].sprite = sprite[k];
        bot[k].health = 1.0f;
        bot[k].mode = command_bit(k);
    }
    bot[1].mode = pickup_bit(1);
    update_enemy();
    EXPECT_EQ(enemy[20].flags, ENEMY_FLYER);
    EXPECT_FLOAT_EQ(player.health, 0.99f);
    EXPECT_FLOAT_EQ(bot[0].health, 0.99f);
    EXPECT_EQ(bot[1].health, 1.0f);
    EXPECT_FLOAT_EQ(bot[2].health, 0.99f);
}

TEST_F(EnemyPass, BuzzVolumeIsTwoPerFlyerInViewCappedAt255) {
    player.x = 5000.0f;
    auto volume_with = [](int in_view) {
        reset_enemy_slots();
        for (int i = 0; i < in_view; i++) {
            flyer(i, 100.0f + static_cast<float>(i % 40) * 10.0f, 100.0f);
        }
        flyer(300, 700.0f, 100.0f); // out of view
        flyer(301, 200.0f, 100.0f).flags = ENEMY_FLYER;
        sound_volume = 77;
        update_enemy();
        return sound_volume;
    };
    EXPECT_EQ(volume_with(0), 0);
    EXPECT_EQ(volume_with(3), 6);
    EXPECT_EQ(volume_with(127), 254);
    EXPECT_EQ(volume_with(128), 255);
    EXPECT_EQ(volume_with(200), 255);
}

} // namespace
