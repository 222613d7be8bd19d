// The catch-up rules of the main loop, the pointer image and the window's size.
#include "harness.h"

#include "game.h"

#include <string>

namespace {

TEST(CatchUp, PendingTicksRunWhileThePilotLivesAndAnimationTicksAlways) {
    fresh_game(1);
    hold_key(KEY_W);
    player.health = 0.005f; // killed in the first tick, yet the catch-up is finished
    power[499] = {10, 16, 0, 0, 0, POWER_ALIVE | POWER_ENEMY_SHOT};
    speed_counter = 4;
    catch_up_logic();
    EXPECT_FLOAT_EQ(player.health, -0.005f);
    EXPECT_EQ(std::tuple(speed_counter.load(), take_census().exhaust), std::tuple(0, 4));
    speed_counter = 3;
    catch_up_logic();
    EXPECT_EQ(std::tuple(speed_counter.load(), take_census().exhaust), std::tuple(3, 4));
    frame = 4.0f;
    anim_counter = 3;
    catch_up_animation();
    EXPECT_EQ(std::tuple(anim_counter.load(), bot[1].sprite), std::tuple(0, OBJ_BOT2_WALK + 2));
    release_all_keys();
}

TEST_F(WorldTest, MouseMapsFromTheWindowIntoTheFrameAndStaysPutWithoutAWindow) {
    mouse_x = 1023;
    mouse_y = 767; // the last pixel of a 1024 x 768 window
    map_mouse_to_buffer(1024, 768);
    EXPECT_EQ(std::tuple(use_mouse_x, use_mouse_y), std::tuple(639.375f, 479.375f));
    mouse_x = 101;
    mouse_y = 7;
    map_mouse_to_buffer(640, 480);
    EXPECT_EQ(std::tuple(use_mouse_x, use_mouse_y), std::tuple(101.0f, 7.0f));
    map_mouse_to_buffer(0, 480);
    map_mouse_to_buffer(640, 0);
    EXPECT_EQ(std::tuple(use_mouse_x, use_mouse_y), std::tuple(101.0f, 7.0f));
}

TEST_F(WorldTest, PointerImageFollowsTheDisplayFlagAtThePointerTruncatedTowardZero) {
    const int bg = rgb(10, 10, 10);
    const int image[3] = {test_object_colour(OBJ_CURSOR), test_object_colour(OBJ_BOX_CURSOR), bg};
    for (int flag = 0; flag < 3; flag++) {
        clear_frame();
        mouse_display_flag = flag;
        point_at(-0.9f, 50.7f); // columns 0..7, rows 50..57
        draw_cursor();
        EXPECT_EQ(std::tuple(pixel(7, 57), pixel(8, 57), pixel(7, 58)),
                  std::tuple(image[flag], bg, bg))
            << flag;
    }
}

// The player's settings as Allegro reads them, then what the game puts over them.
std::string override_for(const char *players) {
    const std::string text = std::string("[sound]\n") + players;
    override_config_data(text.c_str(), static_cast<int>(text.size()));
    std::string over = build_sound_override();
    override_config_data(nullptr, 0);
    return over.substr(std::string("[sound]\n").size()); // no patches.dat beside the tests
}

TEST_F(WorldTest, SoundSettingsThatWouldCrashAllegroAreReplacedAndNoOthers) {
    EXPECT_EQ(override_for(""), "");
    EXPECT_EQ(override_for("sound_stereo = 0\n"), "quality = 0\n"); // the default is 2
    EXPECT_EQ(override_for("sound_stereo = no\nquality = 1\n"), "quality = 0\n");
    EXPECT_EQ(override_for("sound_stereo = 0\nquality = 0\n"), "");
    EXPECT_EQ(override_for("sound_stereo = 1\nquality = 2\n"), "");
    EXPECT_EQ(override_for("sound_freq = 7999\n"), "sound_freq = 8000\n");
    EXPECT_EQ(override_for("sound_freq = 1\nsound_stereo = 0\n"),
              "quality = 0\nsound_freq = 8000\n");
    EXPECT_EQ(override_for("sound_freq = 8000\n") + override_for("sound_freq = 0\n"), "");
    EXPECT_EQ(override_for("alsa_numfrags = 0\n"), "alsa_numfrags = 5\n");
    EXPECT_EQ(override_for("alsa_numfrags = 0\nalsa_fragsize = 0\n"), "alsa_numfrags = 5\n");
    EXPECT_EQ(override_for("alsa_numfrags = 0\nalsa_fragsize = 1\n") +
                  override_for("alsa_numfrags = 1\n"),
              "");
}

TEST(WindowSize, LargeOnlyWhereTheWholeWindowAndItsFrameFitOtherwiseSmall) {
    const auto size = [](int w, int h) {
        const window_size_t s = window_size_for(w, h);
        return std::tuple(s.w, s.h);
    };
    const auto large = std::tuple(1024, 768);
    const auto small = std::tuple(640, 480);
    const int edge_w = 1024 + WINDOW_FRAME_W;
    const int edge_h = 768 + WINDOW_FRAME_H;
    EXPECT_EQ(std::tuple(size(1280, 1024), size(1152, 864), size(edge_w, edge_h)),
              std::tuple(large, large, large));
    EXPECT_EQ(std::tuple(size(edge_w - 1, edge_h), size(edge_w, edge_h - 1), size(1366, 768),
                         size(1280, 800), size(800, 600), size(1024, 768), size(0, 0)),
              std::tuple(small, small, small, small, small, small, small));
}

} // namespace
