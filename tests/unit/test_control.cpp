// The keys and the left button (thrust with exhaust puffs for the player or the commanded bots,
// bots dropping out without health, bot fire at the pointer) and the squad boxes arming an order.
#include "harness.h"

#include "control.h"

namespace {

class Control : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        // A slope rising 10 px per 100 px; the camera is off the origin.
        for (int i = 0; i < GROUND_POINTS; i++) {
            ground[i] = {100.0f * static_cast<float>(i), 200.0f + 10.0f * static_cast<float>(i)};
        }
        scroll = {1000.0f, -50.0f};
        player.health = 1.0f;
        for (int k = 0; k < BOT_COUNT; k++) {
            bot[k].first_sprite = OBJ_BOT1_WALK;
            bot[k].health = bot[k].charge = 1.0f;
            bot[k].mode = pickup_bit(k);
        }
    }
};

TEST_F(Control, KeysThrustThePlayerAndLeaveOnePuff) {
    // clang-format off
    const struct { int keys[2]; float vx, vy, puff_x, puff_y, puff_vy; int move_keys; } cases[] = {
        {{KEY_W, 0}, 1, 1 - 0.125f, 108, 232, 10, 0},   {{KEY_S, 0}, 1, 1 + 0.125f, 108, 200, -2, 0},
        {{KEY_A, 0}, 1 - 0.15f, 1, 108, 232, 0, 1},     {{KEY_D, 0}, 1 + 0.15f, 1, 100, 216, 0, 2},
        {{KEY_W, KEY_S}, 1, 1 - 0.125f + 0.125f, 108, 200, -2, 0},
        {{KEY_A, KEY_D}, 1 - 0.15f + 0.15f, 1, 100, 216, 0, 3},
        {{KEY_S, KEY_D}, 1 + 0.15f, 1 + 0.125f, 100, 216, -2, 2}};
    // clang-format on
    for (const auto &c : cases) {
        reset_world_state();
        place(player, 100, 200, 1, 1); // from (1, 1) at (100, 200)
        player.move_keys = 3;
        set_time(250);
        for (int k : c.keys) {
            hold_key(k);
        }
        input();
        EXPECT_EQ(std::tuple(player.vx, player.vy, player.move_keys, take_census().exhaust),
                  std::tuple(c.vx, c.vy, c.move_keys, 1))
            << c.keys[0] << "+" << c.keys[1];
        EXPECT_EQ(fields(power[0]), fields({c.puff_x, c.puff_y, 0, c.puff_vy, 250, 3}));
    }
}

TEST_F(Control, KeysSteerTheCommandedBotsInsteadAndABotWithoutHealthDropsOut) {
    place(bot[0], 300, 400);
    bot[0].mode = 8;
    bot[0].health = 0.0f; // steered this tick once more, then out; it does not fire
    place(bot[2], 500, 450);
    bot[2].mode = 32;
    bot[1].health = 0.0001f; // carried, and alive however little
    hold_key(KEY_W);
    hold_key(KEY_A);
    set_buttons(1);
    set_time(1000);
    input();
    EXPECT_EQ(
        std::tuple(player.vy, player.move_keys, bot[1].vy, bot[0].mode, bot[1].mode, bot[2].mode),
        std::tuple(0.0f, MOVE_LEFT, 0.0f, 0, 2, 32));
    EXPECT_EQ(std::tuple(bot[0].vx, bot[0].vy, bot[2].vx, bot[2].vy),
              std::tuple(-0.15f, -0.125f, -0.15f, -0.125f));
    EXPECT_EQ(
        std::tuple(power[0].x, power[0].y, power[1].x, take_census().exhaust, take_census().bullets,
                   bot[0].last_shot),
        std::tuple(308.0f, 432.0f, 508.0f, 2, 1, 0.0f)); // bot 0's puff first, none for the player
    input();
    EXPECT_EQ(std::tuple(player.vy, bot[0].vy, bot[2].vy, take_census().exhaust),
              std::tuple(0.0f, -0.125f, -0.25f, 3));
}

TEST_F(Control, BulletsLeaveFromHalfTheFirstImageWidthAtThePointerAfterAStrictCooldown) {
    place(bot[0], 1100, 50); // at screen (100, 100); its current image does not matter
    bot[0].mode = 8;
    bot[0].sprite = OBJ_PLAYER;
    place(bot[1], 1150, 160);
    bot[1].mode = 16;
    bot[1].first_sprite = OBJ_PLAYER; // 20 wide
    point_at(150, 100);               // level to the right
    set_time(1000);
    for (const int flag : {1, 2, 0}) { // the left button, and the pointer not on a box
        mouse_display_flag = flag;
        set_buttons(flag ? 1 : 2);
        input();
    }
    EXPECT_EQ(take_census().bullets, 0);
    set_buttons(1);
    input();
    EXPECT_EQ(fields(power[0]), fields({1100 + TEST_BOT_W / 2, 50, 7, 0.5f, 1000, 5}));
    EXPECT_EQ(std::tuple(power[1].x, bot[0].last_shot), std::tuple(1160.0f, 1000.0f));
    bot[1].mode = 2;
    point_at(100, 20); // straight above
    // Past 2^24 ms a float has no odd values: 16777317 is 16777316, not later than 16777216 + 100.
    const float last[] = {1000, 1000, 16777216, 16777216};
    const int now[] = {1100, 1101, 16777317, 16777318}, bullets[] = {2, 3, 3, 4};
    for (int i = 0; i < 4; i++) {
        bot[0].last_shot = last[i];
        set_time(now[i]);
        input();
        EXPECT_EQ(take_census().bullets, bullets[i]) << now[i];
    }
    EXPECT_NEAR(power[2].vx, 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(power[2].vy, -6.5f);
}

// One logic tick of the selection with the pointer and the buttons as given.
void tick(float x, float y, int buttons) {
    point_at(x, y);
    set_buttons(buttons);
    do_selection();
}

TEST_F(Control, EveryBoxArmsItsOwnOrderAndItsEdgesBelongToNoBox) {
    // clang-format off
    const float cases[][3] = {
        {195, 400, 8}, {255, 400, 1}, {195, 430, 16}, {255, 430, 2}, {195, 460, 32}, {255, 460, 4},
        {175.5f, 400, 8}, {214.9f, 400, 8}, {195, 390.5f, 8}, {195, 409.9f, 8}, {215, 400, 0},
        {175, 400, 0}, {195, 390, 0}, {195, 410, 0}};
    // clang-format on
    for (const auto &c : cases) {
        sel.pending = 0;
        tick(c[0], c[1], 1);
        EXPECT_EQ(std::tuple(sel.pending, mouse_display_flag),
                  std::tuple(static_cast<int>(c[2]), c[2] > 0 ? 1 : 0))
            << c[0] << "," << c[1];
    }
    tick(255, 430, 0); // hovering arms nothing
    EXPECT_EQ(std::tuple(sel.pending, mouse_display_flag), std::tuple(0, 1));
    tick(100, 430, 1); // the button held off the boxes arms the box it slides onto
    tick(195, 430, 1);
    EXPECT_EQ(sel.pending, 16);
}

} // namespace
