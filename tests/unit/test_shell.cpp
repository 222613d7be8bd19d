// Start-up values, the palette and progress bars, the logic tick's order and the catch-up rules.
#include "harness.h"

#include "game.h"
#include "terrain.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int alive_puffs() {
    int n = 0;
    for (const power_t &p : power) {
        n += (p.flags & POWER_ALIVE) && (p.flags & POWER_EXHAUST);
    }
    return n;
}

} // namespace

TEST(Palette, BlackDesktopColoursThenRedGreenAndGreyRamps) {
    start_headless_game_library();
    PALETTE pal;
    std::memset(pal, 0x2a, sizeof pal);
    build_palette(pal);
    auto expect = [&](int i, int r, int g, int b) {
        EXPECT_EQ(pal[i].r, r) << i;
        EXPECT_EQ(pal[i].g, g) << i;
        EXPECT_EQ(pal[i].b, b) << i;
    };
    expect(0, 0, 0, 0);
    for (int i = 1; i < 64; i++) {
        expect(i, desktop_palette[i].r, desktop_palette[i].g, desktop_palette[i].b);
    }
    expect(64, 0, 0, 0);
    expect(65, 2, 0, 0);
    expect(95, 62, 0, 0);
    expect(96, 0, 0, 0);
    expect(97, 0, 2, 0);
    expect(127, 0, 62, 0);
    expect(128, 0, 0, 0);
    expect(129, 0, 0, 0);
    expect(130, 1, 1, 1);
    expect(255, 63, 63, 63);
}

TEST(Progress, OneStarForEveryFourthStepAndTwoFullBars) {
    start_headless_game_library();
    testing::internal::CaptureStdout();
    print_progress(0);
    print_progress(1);
    print_progress(2);
    print_progress(4);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    testing::internal::CaptureStdout();
    print_progress(3);
    print_progress(255);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "**");

    PALETTE pal;
    build_palette(pal);
    RGB_MAP *old_rgb = rgb_map;
    COLOR_MAP *old_color = color_map;
    testing::internal::CaptureStdout();
    build_colour_tables(pal);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string dots = "<" + std::string(64, '.') + ">\r<";
    const std::string bar = dots + std::string(64, '*');
    // Both bars end full, although the light table builder reports its progress only once.
    EXPECT_EQ(out, "Generating rgb_map table:\n" + bar + "\n\nGenerating lighting table:\n" + bar +
                       "\n");
    EXPECT_EQ(rgb_map, &rgb_table);
    EXPECT_EQ(color_map, &light_table);
    rgb_map = old_rgb;
    color_map = old_color;
}

TEST(FreshGame, ActorsTerrainEnemiesAndPoolsAsStartUpLeavesThem) {
    fresh_game(4242);
    EXPECT_EQ(player.first_sprite, 0);
    EXPECT_EQ(player.sprite_count, 1);
    EXPECT_EQ(player.anim_speed, 0.5f);
    EXPECT_EQ(player.x, 0.0f);
    EXPECT_EQ(player.y, 0.0f);
    EXPECT_EQ(player.vx, 0.0f);
    EXPECT_EQ(player.vy, 0.0f);
    EXPECT_EQ(player.health, 1.0f);
    EXPECT_EQ(player.score, 0.0f);
    const int first[BOT_COUNT] = {1, 12, 16};
    for (int k = 0; k < BOT_COUNT; k++) {
        EXPECT_EQ(bot[k].first_sprite, first[k]);
        EXPECT_EQ(bot[k].sprite, first[k]);
        EXPECT_EQ(bot[k].sprite_count, 3);
        EXPECT_EQ(bot[k].anim_speed, 0.5f);
        EXPECT_EQ(bot[k].health, 1.0f);
        EXPECT_EQ(bot[k].charge, 1.0f);
        EXPECT_EQ(bot[k].mode, 1 << k);
        EXPECT_EQ(bot[k].x, 0.0f);
        EXPECT_EQ(bot[k].last_shot, 0.0f);
    }
    const int yellow = rgb(225, 225, 0);
    const int gauge_colour[GAUGE_COUNT] = {yellow,           yellow, rgb(196, 196, 255), yellow,
                                           rgb(50, 50, 225), yellow, rgb(0, 225, 0)};
    for (int i = 0; i < GAUGE_COUNT; i++) {
        EXPECT_EQ(scrollbars[i].color, gauge_colour[i]) << scrollbars[i].label;
    }

    // The terrain takes 1998 draws (checked with the terrain), then each ground enemy one.
    EXPECT_EQ(scroll.x, 0.0f);
    EXPECT_EQ(scroll.y, -200.0f);
    EXPECT_GE(ground[GROUND_POINTS - 1].x, 19980.0f);
    EXPECT_LE(ground[GROUND_POINTS - 1].x, 218781.0f);
    srand(4242);
    for (int i = 0; i < 2 * (GROUND_POINTS - 1); i++) {
        rand();
    }
    for (int s = 0; s < 20; s++) {
        const float x = static_cast<float>(rand() % 640 + 300 + 100 * s);
        EXPECT_EQ(enemy[s].x, x) << s;
        EXPECT_EQ(enemy[s].y, get_ground(x) - TEST_ENEMY_H + 10) << s;
        EXPECT_EQ(enemy[s].health, 50.0f);
        EXPECT_EQ(enemy[s].flags, ENEMY_ALIVE | ENEMY_GROUND);
        EXPECT_EQ(enemy[s].vx, 0.0f);
        EXPECT_EQ(enemy[s].last_shot, 0.0f);
    }
    EXPECT_EQ(enemy_loop, 19);
    for (int s = 0; s < ENEMY_SLOTS; s++) {
        EXPECT_EQ(enemy[s].first_sprite, 7);
        EXPECT_EQ(enemy[s].sprite, 7);
        EXPECT_EQ(enemy[s].sprite_count, 3);
        EXPECT_EQ(enemy[s].anim_speed, 0.5f);
        EXPECT_EQ(enemy[s].anim_pos, 0);
        if (s >= 20) {
            EXPECT_EQ(enemy[s].flags, 0) << s;
        }
    }
    for (const power_t &p : power) {
        EXPECT_EQ(p.flags, 0);
    }
    EXPECT_EQ(particle_loop, 0);
}

TEST_F(WorldTest, RightClickStateIsOneOnlyOnTheFirstTickOfAPress) {
    flat_ground(300.0f);
    bot[0].first_sprite = bot[0].sprite = 1;
    bot[0].sprite_count = 3;
    bot[0].x = 300.0f;
    bot[0].y = 268.0f;
    bot[0].health = 1.0f;
    bot[0].charge = 1.0f;
    bot[0].mode = command_bit(0);
    point_at(123.5f, 45.25f);
    const int buttons[] = {2, 2, 2, 0, 3, 2, 1, 0};
    const int state[] = {1, 2, 2, 0, 1, 2, 0, 0};
    // The edge state is refreshed before the physics step, which switches the ability on state 1.
    const int ability[] = {64, 64, 64, 64, 0, 0, 0, 0};
    for (int i = 0; i < 8; i++) {
        set_buttons(buttons[i]);
        step_ticks(1);
        EXPECT_EQ(mouse_right_click, state[i]) << "tick " << i;
        EXPECT_EQ(bot[0].mode & MODE_ABILITY, ability[i]) << "tick " << i;
    }
    // Without a window the pointer stays where it was put, in buffer coordinates.
    EXPECT_EQ(use_mouse_x, 123.5f);
    EXPECT_EQ(use_mouse_y, 45.25f);
}

TEST_F(WorldTest, TickRunsInputThenPhysicsThenCamera) {
    flat_ground(300.0f);
    player.x = 199.0f;
    player.y = 100.0f;
    player.vx = 3.0f;
    player.health = 1.0f;
    hold_key(KEY_W);
    step_ticks(1);
    // The puff made by input is moved by the physics step of the same tick.
    EXPECT_EQ(power[0].flags, POWER_ALIVE | POWER_EXHAUST);
    EXPECT_FLOAT_EQ(power[0].x, 207.0f);
    EXPECT_FLOAT_EQ(power[0].y, 132.0f + 10.0f * 0.99f + 0.032174f);
    EXPECT_FLOAT_EQ(player.vy, (-0.125f + 0.032174f) * 0.95f);
    // The camera sees the moved player: 199 + 2.85 lies past the 200 px dead-zone edge.
    EXPECT_FLOAT_EQ(player.x, 201.85f);
    EXPECT_FLOAT_EQ(scroll.x, 2.85f);
}

TEST_F(WorldTest, EnemyShotsFiredInATickAreMovedInThatTick) {
    flat_ground(300.0f);
    player.x = 500.0f;
    player.y = 250.0f;
    player.health = 1.0f;
    enemy[0].first_sprite = enemy[0].sprite = 7;
    enemy[0].sprite_count = 3;
    enemy[0].x = 400.0f;
    enemy[0].y = 250.0f;
    enemy[0].health = 50.0f;
    enemy[0].flags = ENEMY_ALIVE | ENEMY_GROUND;
    set_time(5000);
    step_ticks(1);
    // Aimed level to the right: velocity (1, -0.5) from the middle of the enemy's top edge.
    ASSERT_EQ(power[0].flags, POWER_ALIVE | POWER_ENEMY_SHOT);
    EXPECT_FLOAT_EQ(power[0].x, 410.0f + 0.99f);
    EXPECT_FLOAT_EQ(power[0].y, 250.0f - 0.5f * 0.99f + 0.032174f);
}

TEST(CatchUp, EveryPendingTickRunsWhileThePlayerLivesAndNoneAfter) {
    fresh_game(1);
    hold_key(KEY_W);
    speed_counter = 5;
    catch_up_logic();
    EXPECT_EQ(speed_counter.load(), 0);
    EXPECT_EQ(alive_puffs(), 5);

    player.health = 0.0f;
    speed_counter = 3;
    catch_up_logic();
    EXPECT_EQ(speed_counter.load(), 3);
    EXPECT_EQ(alive_puffs(), 5);
    release_all_keys();
}

TEST(CatchUp, APlayerWhoDiesDuringACatchUpFinishesIt) {
    fresh_game(1);
    hold_key(KEY_W);
    player.health = 0.005f;
    power[499] = power_t{10.0f, 16.0f, 0.0f, 0.0f, 0.0f, POWER_ALIVE | POWER_ENEMY_SHOT};
    speed_counter = 4;
    catch_up_logic();
    EXPECT_FLOAT_EQ(player.health, -0.005f);
    EXPECT_EQ(power[499].flags, POWER_ENEMY_SHOT);
    EXPECT_EQ(speed_counter.load(), 0);
    EXPECT_EQ(alive_puffs(), 4);
    release_all_keys();
}

TEST(CatchUp, AnimationTicksAreAlwaysConsumedFromTheCurrentFrame) {
    fresh_game(1);
    player.health = -1.0f;
    frame = 4.0f;
    anim_counter = 3;
    speed_counter = 2;
    catch_up_logic();
    catch_up_animation();
    EXPECT_EQ(anim_counter.load(), 0);
    EXPECT_EQ(speed_counter.load(), 2);
    // (int)(4 * 0.5) % 3 = 2.
    EXPECT_EQ(bot[1].anim_pos, 2);
    EXPECT_EQ(bot[1].sprite, 14);
    EXPECT_EQ(enemy[0].sprite, 9);
}

TEST_F(WorldTest, CursorImageFollowsTheDisplayFlagAtTheTruncatedPointer) {
    const int background = rgb(10, 10, 10);
    EXPECT_EQ(pixel(320, 240), background);
    const int images[3] = {test_object_colour(OBJ_CURSOR), test_object_colour(OBJ_BOX_CURSOR),
                           background};
    for (int flag = 0; flag < 3; flag++) {
        clear_frame();
        mouse_display_flag = flag;
        point_at(100.9f, 50.7f);
        draw_cursor();
        EXPECT_EQ(pixel(100, 50), images[flag]) << flag;
        EXPECT_EQ(pixel(107, 57), images[flag]) << flag;
        EXPECT_EQ(pixel(108, 57), background) << flag;
        EXPECT_EQ(pixel(107, 58), background) << flag;
        EXPECT_EQ(pixel(99, 50), background) << flag;
    }
    // Truncation toward zero: -0.9 draws at column 0, not -1.
    clear_frame();
    mouse_display_flag = 0;
    point_at(-0.9f, -0.9f);
    draw_cursor();
    EXPECT_EQ(pixel(7, 7), images[0]);
    EXPECT_EQ(pixel(8, 7), background);
}
