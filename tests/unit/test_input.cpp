// The keys and the left button: thrust with exhaust puffs for the player or the commanded bots,
// bots dropping out when their health is gone, and bot fire at the pointer.
#include "harness.h"

#include "control.h"
#include "game.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr float GROUND_Y = 500.0f;

std::vector<power_t> alive(int kind) {
    std::vector<power_t> found;
    for (const power_t &p : power) {
        if ((p.flags & POWER_ALIVE) && (p.flags & kind)) {
            found.push_back(p);
        }
    }
    return found;
}

void clear_pool() {
    std::memset(power, 0, sizeof power);
    particle_loop = 0;
}

void hold_keys(const std::string &keys) {
    release_all_keys();
    for (char c : keys) {
        hold_key(c == 'W' ? KEY_W : c == 'A' ? KEY_A : c == 'S' ? KEY_S : KEY_D);
    }
}

class InputTest : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        flat_ground(GROUND_Y);
        player.health = 1.0f;
        const int first[BOT_COUNT] = {1, 12, 16};
        for (int k = 0; k < BOT_COUNT; k++) {
            bot[k].first_sprite = first[k];
            bot[k].sprite = first[k];
            bot[k].health = 1.0f;
            bot[k].charge = 1.0f;
            bot[k].mode = 1 << k;
        }
    }
};

TEST_F(InputTest, KeysThrustThePlayerAndLeaveOnePuff) {
    struct Case {
        const char *keys;
        float vx, vy;         // the player's velocity afterwards, from (1, 1)
        float puff_x, puff_y; // the player stands at (100, 200)
        float puff_vy;
        int move_keys;
    };
    const Case cases[] = {
        {"W", 1.0f, 1.0f - 0.125f, 108.0f, 232.0f, 10.0f, 0},
        {"S", 1.0f, 1.0f + 0.125f, 108.0f, 200.0f, -2.0f, 0},
        {"A", 1.0f - 0.15f, 1.0f, 108.0f, 232.0f, 0.0f, 1},
        {"D", 1.0f + 0.15f, 1.0f, 100.0f, 216.0f, 0.0f, 2},
        {"WS", 1.0f, 1.0f - 0.125f + 0.125f, 108.0f, 200.0f, -2.0f, 0},
        {"AD", 1.0f - 0.15f + 0.15f, 1.0f, 100.0f, 216.0f, 0.0f, 3},
        {"WD", 1.0f + 0.15f, 1.0f - 0.125f, 100.0f, 216.0f, 10.0f, 2},
        {"SD", 1.0f + 0.15f, 1.0f + 0.125f, 100.0f, 216.0f, -2.0f, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.keys);
        clear_pool();
        player.x = 100.0f;
        player.y = 200.0f;
        player.vx = 1.0f;
        player.vy = 1.0f;
        player.move_keys = 3;
        set_time(250);
        hold_keys(c.keys);
        input();

        EXPECT_EQ(player.vx, c.vx);
        EXPECT_EQ(player.vy, c.vy);
        EXPECT_EQ(player.move_keys, c.move_keys);
        const std::vector<power_t> puffs = alive(POWER_EXHAUST);
        ASSERT_EQ(puffs.size(), 1u);
        EXPECT_EQ(power[0].flags, POWER_EXHAUST + 1);
        EXPECT_EQ(power[0].x, c.puff_x);
        EXPECT_EQ(power[0].y, c.puff_y);
        EXPECT_EQ(power[0].vx, 0.0f);
        EXPECT_EQ(power[0].vy, c.puff_vy);
        EXPECT_EQ(power[0].born, 250.0f);
    }

    // No key: nothing moves and nothing is puffed.
    clear_pool();
    release_all_keys();
    input();
    EXPECT_EQ(player.vx, 1.0f + 0.15f);
    EXPECT_EQ(player.vy, 1.0f + 0.125f);
    EXPECT_EQ(player.move_keys, 0);
    EXPECT_TRUE(alive(POWER_EXHAUST).empty());
}

TEST_F(InputTest, CommandedBotsAreSteeredInsteadOfThePlayer) {
    bot[0].mode = 8;
    bot[0].x = 300.0f;
    bot[0].y = 400.0f;
    bot[2].mode = 32 + 64;
    bot[2].x = 500.0f;
    bot[2].y = 450.0f;
    bot[1].x = 700.0f; // carried
    hold_keys("WA");
    input();

    EXPECT_EQ(player.vx, 0.0f);
    EXPECT_EQ(player.vy, 0.0f);
    EXPECT_EQ(player.move_keys, 1);
    EXPECT_EQ(bot[1].vx, 0.0f);
    EXPECT_EQ(bot[1].vy, 0.0f);
    for (int k : {0, 2}) {
        EXPECT_EQ(bot[k].vx, -0.15f);
        EXPECT_EQ(bot[k].vy, -0.125f);
    }
    // One puff per steered bot, bot[0] first, none for the player.
    ASSERT_EQ(alive(POWER_EXHAUST).size(), 2u);
    EXPECT_EQ(power[0].x, 308.0f);
    EXPECT_EQ(power[0].y, 432.0f);
    EXPECT_EQ(power[1].x, 508.0f);
    EXPECT_EQ(power[1].y, 482.0f);
    EXPECT_EQ(power[1].vy, 10.0f);
}

// bot[0] at screen (100, 100), firing at the pointer at (px, py).
power_t fire_bot0_at(float px, float py) {
    clear_pool();
    scroll.x = 100.0f;
    scroll.y = 200.0f;
    bot[0].mode = 8;
    bot[0].x = 200.0f;
    bot[0].y = 300.0f;
    bot[0].last_shot = 0.0f;
    set_time(1000);
    set_buttons(1);
    point_at(px, py);
    input();
    const std::vector<power_t> bullets = alive(POWER_BULLET);
    EXPECT_EQ(bullets.size(), 1u);
    EXPECT_EQ(bot[0].last_shot, 1000.0f);
    return bullets.empty() ? power_t{} : bullets[0];
}

TEST_F(InputTest, BulletsAimInWholeDegreesTruncatedTowardZero) {
    const double to_rad = std::numbers::pi / 180.0;
    {
        SCOPED_TRACE("pointer level to the right: 180 degrees");
        const power_t b = fire_bot0_at(150.0f, 100.0f);
        EXPECT_EQ(b.x, 208.0f);
        EXPECT_EQ(b.y, 300.0f);
        EXPECT_EQ(b.born, 1000.0f);
        EXPECT_FLOAT_EQ(b.vx, 7.0f);
        EXPECT_FLOAT_EQ(b.vy, 0.5f);
    }
    {
        SCOPED_TRACE("pointer straight above: 90 degrees");
        const power_t b = fire_bot0_at(100.0f, 20.0f);
        EXPECT_NEAR(b.vx, 0.0f, 1e-5f);
        EXPECT_FLOAT_EQ(b.vy, -6.5f);
    }
    {
        // -0.7 degrees truncates to 0, and the pointer below makes it 360 (not 359).
        SCOPED_TRACE("pointer a little below to the left: 360 degrees");
        const float below = static_cast<float>(100.0 * std::tan(0.7 * to_rad));
        const power_t b = fire_bot0_at(0.0f, 100.0f + below);
        EXPECT_FLOAT_EQ(b.vx, -7.0f);
        EXPECT_NEAR(b.vy, 0.5f, 1e-5f);
    }
    {
        // -135.6 degrees truncates to -135, made 225 (not 224).
        SCOPED_TRACE("pointer below to the right: 225 degrees");
        const double a = -135.6 * to_rad;
        const power_t b = fire_bot0_at(static_cast<float>(100.0 - 100.0 * std::cos(a)),
                                       static_cast<float>(100.0 - 100.0 * std::sin(a)));
        EXPECT_NEAR(b.vx, -7.0 * std::cos(225.0 * to_rad), 1e-5);
        EXPECT_NEAR(b.vy, 0.5 - 7.0 * std::sin(225.0 * to_rad), 1e-5);
    }
}

TEST_F(InputTest, BulletStartsHalfTheFirstImageWidthRightOfTheTopLeftCorner) {
    bot[0].mode = 8;
    bot[0].x = 50.0f;
    bot[0].y = 60.0f;
    bot[0].sprite = 3; // the current image does not matter
    bot[1].mode = 16;
    bot[1].x = 150.0f;
    bot[1].y = 160.0f;
    bot[1].first_sprite = OBJ_PLAYER; // 20 wide
    set_time(500);
    set_buttons(1);
    point_at(320.0f, 100.0f);
    input();

    ASSERT_EQ(alive(POWER_BULLET).size(), 2u);
    EXPECT_EQ(power[0].x, 50.0f + TEST_BOT_W / 2);
    EXPECT_EQ(power[0].y, 60.0f);
    EXPECT_EQ(power[1].x, 150.0f + TEST_PLAYER_W / 2);
    EXPECT_EQ(power[1].y, 160.0f);
}

TEST_F(InputTest, CooldownIsAStrictComparisonInFloats) {
    bot[0].mode = 8;
    bot[0].last_shot = 500.0f;
    set_buttons(1);
    point_at(320.0f, 100.0f);

    set_time(600);
    input();
    EXPECT_TRUE(alive(POWER_BULLET).empty());
    EXPECT_EQ(bot[0].last_shot, 500.0f);
    set_time(601);
    input();
    EXPECT_EQ(alive(POWER_BULLET).size(), 1u);
    EXPECT_EQ(bot[0].last_shot, 601.0f);

    // Past 2^24 ms a float has no odd values: 16777317 becomes 16777316, which is not later
    // than 16777216 + 100.
    clear_pool();
    bot[0].last_shot = 16777216.0f;
    set_time(16777317);
    input();
    EXPECT_TRUE(alive(POWER_BULLET).empty());
    set_time(16777318);
    input();
    EXPECT_EQ(alive(POWER_BULLET).size(), 1u);
}

TEST_F(InputTest, FireNeedsTheLeftButtonAndAFreePointer) {
    bot[0].mode = 8;
    point_at(320.0f, 100.0f);
    set_time(1000);
    for (int flag : {1, 2}) {
        mouse_display_flag = flag;
        set_buttons(1);
        input();
    }
    mouse_display_flag = 0;
    set_buttons(2);
    input();
    EXPECT_TRUE(alive(POWER_BULLET).empty());

    // The flag seen is the one the previous tick's selection left: the first tick with the
    // button held on a box still fires, the next one does not.
    bot[0].x = 300.0f;
    bot[0].y = GROUND_Y - 32.0f;
    point_at(195.0f, 400.0f); // on box 0
    set_buttons(1);
    step_ticks(1);
    EXPECT_EQ(alive(POWER_BULLET).size(), 1u);
    EXPECT_EQ(mouse_display_flag, 1);
    set_time(1500);
    step_ticks(1);
    EXPECT_EQ(alive(POWER_BULLET).size(), 1u);
}

TEST_F(InputTest, JustDeployedBotFiresOnTheNextTickWhileTheButtonIsHeld) {
    sel.pending = 8; // bot[0]'s COMMAND armed, waiting for the target click
    mouse_display_flag = 2;
    point_at(320.0f, 100.0f);
    set_buttons(1);
    set_time(1000);
    step_ticks(1);
    ASSERT_EQ(bot[0].mode, 8);
    EXPECT_EQ(mouse_display_flag, 0);
    EXPECT_TRUE(alive(POWER_BULLET).empty());

    set_time(1017);
    const float x = bot[0].x;
    const float y = bot[0].y;
    input();
    ASSERT_EQ(alive(POWER_BULLET).size(), 1u);
    EXPECT_EQ(power[0].x, x + TEST_BOT_W / 2);
    EXPECT_EQ(power[0].y, y);
    EXPECT_EQ(power[0].born, 1017.0f);
    EXPECT_EQ(bot[0].last_shot, 1017.0f);
}

TEST_F(InputTest, DeadCommandedBotIsSteeredOnceMoreThenDropsOut) {
    bot[0].mode = 8;
    bot[0].health = 0.0f; // not above 0
    bot[0].x = 100.0f;
    bot[0].y = 200.0f;
    bot[1].mode = 16;
    bot[1].x = 300.0f;
    bot[1].y = 400.0f;
    bot[2].health = 0.0001f; // carried and alive: keeps its mode
    hold_keys("W");
    set_buttons(1);
    point_at(320.0f, 100.0f);
    set_time(1000);
    input();

    EXPECT_EQ(bot[0].mode, 0);
    EXPECT_EQ(bot[0].vy, -0.125f);
    EXPECT_EQ(bot[2].mode, 4);
    EXPECT_EQ(player.vy, 0.0f);
    ASSERT_EQ(alive(POWER_EXHAUST).size(), 2u);
    EXPECT_EQ(power[0].x, 108.0f); // bot[0]'s last puff
    EXPECT_EQ(power[0].y, 232.0f);
    EXPECT_EQ(power[1].x, 308.0f);
    const std::vector<power_t> bullets = alive(POWER_BULLET);
    ASSERT_EQ(bullets.size(), 1u);
    EXPECT_EQ(bullets[0].x, 300.0f + TEST_BOT_W / 2);
    EXPECT_EQ(bot[0].last_shot, 0.0f);

    set_time(1200);
    input();
    EXPECT_EQ(bot[0].vy, -0.125f);
    EXPECT_EQ(bot[1].vy, -0.125f - 0.125f);
    EXPECT_EQ(alive(POWER_EXHAUST).size(), 3u);
    EXPECT_EQ(alive(POWER_BULLET).size(), 2u);
    EXPECT_EQ(bot[0].last_shot, 0.0f);
}

} // namespace
