// Shots in flight: drag, gravity and the hop along the ground; enemy shots against the player and
// the commanded bots; bullets against the enemies, with kills and score.
#include "harness.h"

#include "enemies.h"
#include "physics.h"

#include <cstdlib>

namespace {

power_t &shot(int slot, float x, float y, float vx, float vy, int kind) {
    power[slot] = power_t{x, y, vx, vy, 0.0f, kind + POWER_ALIVE};
    return power[slot];
}

enemy_t &target(int slot, float x, float y, float health, int kind) {
    enemy_t &e = enemy[slot];
    e.x = x;
    e.y = y;
    e.health = health;
    e.flags = kind + ENEMY_ALIVE;
    return e;
}

void place(actor_t &a, float x, float y, int sprite, int mode) {
    a.x = x;
    a.y = y;
    a.sprite = sprite;
    a.mode = mode;
    a.health = 1.0f;
}

class Shots : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        reset_enemy_slots();
        flat_ground(1000.0f);
        player.health = 1.0f;
        player.x = -3000.0f; // out of the way unless a test places it
    }
};

TEST_F(Shots, DragAndGravityReachTerminalSpeed) {
    power_t &p = shot(0, 100.0f, 100.0f, 2.0f, -1.0f, POWER_BULLET);
    update_physics();
    EXPECT_NEAR(p.vx, 1.98f, 1e-6);
    EXPECT_NEAR(p.x, 101.98f, 1e-4);
    EXPECT_NEAR(p.vy, -0.957826f, 1e-6);
    EXPECT_NEAR(p.y, 99.042174f, 1e-4);

    flat_ground(1.0e6f);
    for (int i = 0; i < 3000; i++) {
        update_physics();
    }
    EXPECT_NEAR(p.vy, 3.2174f, 1e-3);
    EXPECT_NEAR(p.vx, 0.0f, 1e-6);
    EXPECT_EQ(p.flags, POWER_BULLET + POWER_ALIVE);
}

TEST_F(Shots, LandingHopsAndOnlyPuffsGetAKickSideways) {
    flat_ground(300.0f);
    power_t &bullet = shot(0, 500.0f, 299.0f, 1.0f, 2.0f, POWER_BULLET);
    power_t &enemy_shot = shot(1, 600.0f, 299.0f, 1.0f, 2.0f, POWER_ENEMY_SHOT);
    power_t &puff = shot(2, 700.0f, 299.0f, 1.0f, 2.0f, POWER_EXHAUST);

    const unsigned seed = 4242;
    std::srand(seed);
    const int kick = std::rand() % 21 - 10;
    ASSERT_NE(kick, 0);
    std::srand(seed);
    update_physics();

    for (const power_t *p : {&bullet, &enemy_shot, &puff}) {
        EXPECT_EQ(p->y, 300.0f); // 301.01 below the line, put back on it
        EXPECT_NEAR(p->vy, 2.012174f - 1.0f, 1e-6);
        EXPECT_EQ(p->flags & POWER_ALIVE, POWER_ALIVE);
    }
    EXPECT_NEAR(bullet.vx, 0.99f, 1e-6);
    EXPECT_NEAR(enemy_shot.vx, 0.99f, 1e-6);
    EXPECT_NEAR(puff.vx, 0.99f + static_cast<float>(kick), 1e-5);
}

TEST_F(Shots, ARecordExactlyOnTheLineIsLeftAloneAndTheGroundIsTakenAtTheNewX) {
    const float vy = 1.0f * 0.99f + 0.032174f;
    const float landing = 200.0f + vy;
    flat_ground(landing);
    power_t &p = shot(0, 500.0f, 200.0f, 0.0f, 1.0f, POWER_BULLET);
    update_physics();
    EXPECT_EQ(p.y, landing);
    EXPECT_EQ(p.vy, vy);

    // The ground falls from 300 to 100 between x 100 and 200; the record moves from 95 to
    // 104.9, where the ground is at 290.2: below it now, though above it where it started.
    flat_ground(300.0f);
    ground[2].y = 100.0f;
    power_t &q = shot(1, 95.0f, 295.0f, 10.0f, 0.0f, POWER_BULLET);
    update_physics();
    EXPECT_NEAR(q.x, 104.9f, 1e-4);
    EXPECT_NEAR(q.y, 290.2f, 1e-3);
    EXPECT_NEAR(q.vy, 0.032174f - 1.0f, 1e-6);
}

TEST_F(Shots, HitTestsTruncateScreenPositionsTowardZero) {
    scroll.x = 100.0f;
    scroll.y = -200.0f;
    // The bullet is 0.7 px left of the camera: screen column 0, the enemy's first column.
    enemy_t &a = target(0, 100.0f, 50.0f, 5.0f, ENEMY_GROUND);
    power_t &pa = shot(0, 99.3f, 60.0f, 0.0f, 0.0f, POWER_BULLET);
    // The enemy's corner is 0.7 px left of the camera: column 0, so its last column is 19.
    enemy_t &b = target(1, 99.3f, 150.0f, 5.0f, ENEMY_GROUND);
    power_t &pb = shot(1, 119.5f, 160.0f, 0.0f, 0.0f, POWER_BULLET);
    // A point at the enemy's x + w column misses.
    enemy_t &c = target(2, 100.0f, 250.0f, 5.0f, ENEMY_GROUND);
    power_t &pc = shot(2, 120.0f, 260.0f, 0.0f, 0.0f, POWER_BULLET);
    update_physics();
    EXPECT_EQ(a.health, 4.0f);
    EXPECT_EQ(pa.flags, POWER_BULLET);
    EXPECT_EQ(b.health, 4.0f);
    EXPECT_EQ(pb.flags, POWER_BULLET);
    EXPECT_EQ(c.health, 5.0f);
    EXPECT_EQ(pc.flags, POWER_BULLET + POWER_ALIVE);
}

TEST_F(Shots, EnemyShotHurtsPlayerAndCommandedBotOnceEachButNotACarriedBot) {
    // The point lands on row 2 of the player, opaque in the player's image (10) though its
    // current sprite (a bot image) is clear there, and on row 30 of the first bot.
    place(player, 200.0f, 118.0f, OBJ_BOT1_STAND, 0);
    place(bot[0], 205.0f, 90.0f, OBJ_BOT1_WALK, command_bit(0));
    place(bot[1], 205.0f, 90.0f, OBJ_BOT2_WALK, pickup_bit(1));
    place(bot[2], 400.0f, 90.0f, OBJ_BOT3_WALK, command_bit(2));
    power_t &p = shot(0, 210.0f, 120.0f, 0.0f, 0.0f, POWER_ENEMY_SHOT);
    update_physics();
    EXPECT_FLOAT_EQ(player.health, 0.99f);
    EXPECT_FLOAT_EQ(bot[0].health, 0.99f);
    EXPECT_EQ(bot[1].health, 1.0f);
    EXPECT_EQ(bot[2].health, 1.0f);
    EXPECT_EQ(p.flags, POWER_ENEMY_SHOT);

    // Ended: not moved, not tested again.
    const float y = p.y;
    update_physics();
    EXPECT_EQ(p.y, y);
    EXPECT_FLOAT_EQ(player.health, 0.99f);
    EXPECT_FLOAT_EQ(bot[0].health, 0.99f);
}

TEST_F(Shots, OneBulletHitsEveryLiveEnemyUnderItAndKillsScoreTen) {
    enemy_t &tough = target(0, 300.0f, 100.0f, 5.0f, ENEMY_GROUND);
    enemy_t &weak = target(1, 300.0f, 100.0f, 1.0f, ENEMY_GROUND);
    enemy_t &dead = target(2, 300.0f, 100.0f, 5.0f, ENEMY_GROUND);
    dead.flags -= ENEMY_ALIVE;
    // A ground enemy is tested with its current image: a bot image, clear in its top rows.
    enemy_t &odd = target(3, 700.0f, 100.0f, 5.0f, ENEMY_GROUND);
    odd.sprite = OBJ_BOT1_WALK;
    power_t &p = shot(0, 310.0f, 110.0f, 0.0f, 0.0f, POWER_BULLET);
    power_t &q = shot(1, 705.0f, 102.0f, 0.0f, 0.0f, POWER_BULLET);
    update_physics();
    EXPECT_EQ(tough.health, 4.0f);
    EXPECT_EQ(tough.flags, ENEMY_GROUND + ENEMY_ALIVE);
    EXPECT_EQ(weak.health, 0.0f);
    EXPECT_EQ(weak.flags, ENEMY_GROUND);
    EXPECT_EQ(dead.health, 5.0f);
    EXPECT_EQ(dead.flags, ENEMY_GROUND);
    EXPECT_EQ(player.score, 10.0f);
    EXPECT_EQ(p.flags, POWER_BULLET);
    EXPECT_EQ(odd.health, 5.0f);
    EXPECT_EQ(q.flags, POWER_BULLET + POWER_ALIVE);
}

TEST_F(Shots, AFreshFlyerIsHitOnItsOwnImageAndDiesOnTheFourthHitForFifty) {
    // Just hatched: the animation has not yet given it image 19, its sprite is still 7.
    enemy_t &f = target(0, 500.0f, 100.0f, 4.0f, ENEMY_FLYER);
    ASSERT_EQ(f.sprite, OBJ_ENEMY_WALK);
    power_t &border = shot(0, 501.0f, 101.0f, 0.0f, 0.0f, POWER_BULLET);
    update_physics();
    EXPECT_EQ(f.health, 4.0f);
    EXPECT_EQ(border.flags, POWER_BULLET + POWER_ALIVE);
    border.flags = POWER_BULLET;

    for (int hit = 1; hit <= 4; hit++) {
        power_t &p = shot(hit, 508.0f, 108.0f, 0.0f, 0.0f, POWER_BULLET);
        update_physics();
        EXPECT_EQ(p.flags, POWER_BULLET) << "hit " << hit;
        EXPECT_EQ(f.health, static_cast<float>(4 - hit)) << "hit " << hit;
        EXPECT_EQ(f.flags, hit < 4 ? ENEMY_FLYER + ENEMY_ALIVE : ENEMY_FLYER) << "hit " << hit;
        EXPECT_EQ(player.score, hit < 4 ? 0.0f : 50.0f) << "hit " << hit;
    }
}

} // namespace
