// The animation clock: every actor and live ground enemy shows the image of the moment, flyers
// their one fixed image, and dead enemy slots keep what they hold.
#include "harness.h"

#include "enemies.h"
#include "physics.h"

#include <cstring>

namespace {

void cycle(actor_t &a, int first, int count) {
    a.first_sprite = first;
    a.sprite = first;
    a.sprite_count = count;
    a.anim_speed = 0.5f;
    a.anim_pos = 0;
}

void run_anim_at(float clock) {
    frame = clock;
    update_anim();
}

class Animation : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        reset_enemy_slots();
        // Every actor is stepped, so every actor needs a cycle of at least one image.
        cycle(player, OBJ_PLAYER, 1);
        cycle(bot[0], OBJ_BOT1_WALK, 3);
        cycle(bot[1], OBJ_BOT2_WALK, 3);
        cycle(bot[2], OBJ_BOT3_WALK, 3);
    }
};

TEST_F(Animation, EachImageStaysTwoTicksAndTheCycleWraps) {
    bot[1].mode = 0; // a dead bot is stepped all the same
    enemy[7].flags = ENEMY_ALIVE | ENEMY_GROUND;

    const int expected[] = {0, 0, 1, 1, 2, 2, 0};
    for (int f = 0; f < 7; f++) {
        run_anim_at(static_cast<float>(f));
        EXPECT_EQ(bot[1].anim_pos, expected[f]) << "frame " << f;
        EXPECT_EQ(bot[1].sprite, OBJ_BOT2_WALK + expected[f]) << "frame " << f;
        EXPECT_EQ(enemy[7].anim_pos, expected[f]) << "frame " << f;
        EXPECT_EQ(enemy[7].sprite, OBJ_ENEMY_WALK + expected[f]) << "frame " << f;
        EXPECT_EQ(player.anim_pos, 0) << "frame " << f;
        EXPECT_EQ(player.sprite, OBJ_PLAYER) << "frame " << f;
    }
    // Between clock ticks the product is truncated: 11.9 x 0.5 = 5.95 -> image 5 mod 3 = 2.
    run_anim_at(11.9f);
    EXPECT_EQ(enemy[7].anim_pos, 2);
}

TEST_F(Animation, FlyersShowTheirImageAndDeadSlotsAreLeftAlone) {
    enemy[3].flags = ENEMY_ALIVE | ENEMY_FLYER;
    enemy[3].anim_pos = 2;
    enemy[4].flags = ENEMY_FLYER; // a dead flyer
    enemy[4].sprite = 8;
    enemy[5].flags = ENEMY_GROUND; // a dead ground enemy
    enemy[5].sprite = 9;
    enemy[5].anim_pos = 2;
    enemy[6].sprite = 3; // a slot never used

    run_anim_at(2.0f); // a live ground enemy would show image 8 now
    EXPECT_EQ(enemy[3].sprite, OBJ_FLYER);
    EXPECT_EQ(enemy[3].anim_pos, 2);
    EXPECT_EQ(enemy[4].sprite, 8);
    EXPECT_EQ(enemy[5].sprite, 9);
    EXPECT_EQ(enemy[5].anim_pos, 2);
    EXPECT_EQ(enemy[6].sprite, 3);
}

TEST_F(Animation, SteppingTwiceOnTheSameClockChangesNothing) {
    enemy[0].flags = ENEMY_ALIVE | ENEMY_GROUND;
    enemy[1].flags = ENEMY_ALIVE | ENEMY_FLYER;

    run_anim_at(5.0f);
    actor_t actors[1 + BOT_COUNT] = {player, bot[0], bot[1], bot[2]};
    static enemy_t enemies[ENEMY_SLOTS];
    std::memcpy(enemies, enemy, sizeof enemy);
    EXPECT_EQ(bot[2].sprite, OBJ_BOT3_WALK + 2); // the first call did move the records on

    update_anim();
    EXPECT_EQ(std::memcmp(&actors[0], &player, sizeof player), 0);
    EXPECT_EQ(std::memcmp(&actors[1], bot, sizeof bot), 0);
    EXPECT_EQ(std::memcmp(enemies, enemy, sizeof enemy), 0);
    EXPECT_EQ(frame.load(), 5.0f);
}

} // namespace
