#include "harness.h"

#include "enemies.h"
#include "game.h"
#include "physics.h"
#include "render.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

DATAFILE test_data[OBJ_COUNT + 1];
bool library_started = false;

BITMAP *filled_bitmap(int index, int w, int h) {
    BITMAP *b = create_bitmap(w, h);
    clear_to_color(b, test_object_colour(index));
    return b;
}

BITMAP *make_image(int index) {
    const int mask = makecol(255, 0, 255);
    if (index == OBJ_PLAYER) {
        BITMAP *b = filled_bitmap(index, TEST_PLAYER_W, TEST_PLAYER_H);
        rectfill(b, 0, 0, 3, TEST_PLAYER_H - 1, mask);
        return b;
    }
    if (index == OBJ_GROUND_TEXTURE) {
        BITMAP *b = create_bitmap(32, 32);
        for (int y = 0; y < 32; y++) {
            for (int x = 0; x < 32; x++) {
                putpixel(b, x, y, test_texture_colour(((x / 8) + (y / 8)) % 2));
            }
        }
        return b;
    }
    if (index == OBJ_CURSOR || index == OBJ_BOX_CURSOR) {
        return filled_bitmap(index, 8, 8);
    }
    if (index >= OBJ_ENEMY_WALK && index < OBJ_ENEMY_WALK + 3) {
        return filled_bitmap(index, TEST_ENEMY_W, TEST_ENEMY_H);
    }
    if (index == OBJ_FLYER) {
        BITMAP *b = create_bitmap(TEST_FLYER_W, TEST_FLYER_H);
        clear_to_color(b, mask);
        rectfill(b, 4, 4, 11, 11, test_object_colour(index));
        return b;
    }
    BITMAP *b = filled_bitmap(index, TEST_BOT_W, TEST_BOT_H);
    rectfill(b, 0, 0, TEST_BOT_W - 1, 7, mask);
    return b;
}

void install_test_datafile() {
    for (int i = 0; i < OBJ_COUNT; i++) {
        test_data[i].size = 0;
        test_data[i].prop = nullptr;
        if (i == OBJ_BUZZ) {
            test_data[i].type = DAT_SAMPLE;
            test_data[i].dat = create_sample(8, 0, 11025, 64);
        } else if (i == OBJ_MUSIC) {
            test_data[i].type = DAT_MIDI;
            test_data[i].dat = std::calloc(1, sizeof(MIDI));
        } else {
            test_data[i].type = DAT_BITMAP;
            test_data[i].dat = make_image(i);
        }
    }
    test_data[OBJ_COUNT].type = DAT_END;
    test_data[OBJ_COUNT].dat = nullptr;
    datafile = test_data;
}

} // namespace

int test_object_colour(int index) {
    return makecol(20 + 10 * index, 100 + index, 200 - index);
}
int test_texture_colour(int which) {
    return which ? makecol(90, 60, 30) : makecol(60, 40, 20);
}

void start_headless_game_library() {
    if (!library_started) {
        if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
            std::abort();
        }
        set_color_depth(32);
        install_test_datafile();
        buffer = create_bitmap(BUFFER_W, BUFFER_H);
        show_score = create_bitmap(100, 16);
        library_started = true;
    }
    datafile = test_data;
}

void blank_world() {
    start_headless_game_library();
    reset_world_state();
}

void reset_world_state() {
    player = actor_t{};
    for (actor_t &b : bot) {
        b = actor_t{};
    }
    std::memset(enemy, 0, sizeof enemy);
    std::memset(power, 0, sizeof power);
    std::memset(ground, 0, sizeof ground);
    scroll = scroll_t{};
    sel.pending = 0;
    std::memset(msg, 0, sizeof msg);
    speed_counter = 0;
    anim_counter = 0;
    frame = 0.0f;
    time_ms = 0;
    use_mouse_x = use_mouse_y = 0.0f;
    mouse_right_click = 0;
    mouse_display_flag = 0;
    enemy_loop = 0;
    particle_loop = 0;
    sound_volume = 0;
    release_all_keys();
    mouse_b = 0;
    mouse_x = 0;
    mouse_y = 0;
    clear_frame();
}

void fresh_game(unsigned seed) {
    blank_world();
    srand(seed);
    init_world();
}

void flat_ground(float y) {
    for (int i = 0; i < GROUND_POINTS; i++) {
        ground[i].x = 100.0f * static_cast<float>(i);
        ground[i].y = y;
    }
}

void hold_key(int k) {
    key[k] = static_cast<char>(-1);
}
void release_key(int k) {
    key[k] = 0;
}
void release_all_keys() {
    for (int k = 0; k < KEY_MAX; k++) {
        key[k] = 0;
    }
}
void point_at(float x, float y) {
    use_mouse_x = x;
    use_mouse_y = y;
}
void set_buttons(int b) {
    mouse_b = b;
}
void set_time(int ms) {
    time_ms = ms;
}

void step_ticks(int n, int ms_per_tick) {
    for (int i = 0; i < n; i++) {
        logic_tick();
        time_ms += ms_per_tick;
    }
}

void step_anim(int n) {
    for (int i = 0; i < n; i++) {
        frame.fetch_add(1.0f);
        update_anim();
    }
}

void draw_frame() {
    display();
    draw_cursor();
}

int pixel(int x, int y) {
    return getpixel(buffer, x, y);
}
int rgb(int r, int g, int b) {
    return makecol(r, g, b);
}

void WorldTest::SetUp() {
    blank_world();
}
