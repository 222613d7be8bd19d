// The game without a window, timers or sound, stepped by hand: one driver for the unit tests,
// the replays, the soak, the allocation check and the benchmarks. It runs the loop's own pieces
// (src/game.h) and owns what stands in for the rest: the clock, the hands, the window.
#pragma once

#include "world.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

// Shapes of the synthetic data file, all with the mask colour where they are transparent:
// - player (10): 20 x 32, transparent in its four left columns (x 0..3), opaque elsewhere;
// - bot images (0..3, 11..18): 16 x 32, transparent in their top eight rows (y 0..7);
// - ground enemy images (7..9): 20 x 24, fully opaque;
// - flyer (19): 16 x 16, opaque only in the centred 8 x 8 square (4..11, 4..11);
// - ground texture (4): 32 x 32 checker board of two colours;
// - cursors (5, 6): 8 x 8, fully opaque.
// Every opaque pixel of object n but the texture has the colour test_object_colour(n).
constexpr int TEST_BOT_W = 16, TEST_ENEMY_W = 20, TEST_ENEMY_H = 24;
int test_object_colour(int index);

// Starts the headless Allegro (once per process) at 32 bits per pixel and installs the
// synthetic data file, the frame buffer and the score bitmap as the game's globals.
void start_headless_game_library();

// The game's start-up minus window, timers and sound, for whole programs: the library as above,
// then the data file at data_path through the game's loader (the synthetic one stays when null
// or "-"), the palette and the colour tables (their progress bars silenced), the window
// stand-in. False, with a message on standard error, when the data file is unusable.
bool start_headless_game(const char *data_path);

// The stand-in for the window a frame is stretched onto, and a copy of the last frame a pass
// drew, taken before the clear.
constexpr int WINDOW_W = 1024, WINDOW_H = 768;
extern BITMAP *window_stand_in, *last_frame;

// Every global a game changes back to its value at program start (the world, the gauges and
// squad boxes, the clock and counters, the inputs, the driver's pass count), the frame cleared.
void reset_world_state();
// The same, after starting the library with the synthetic data file.
void blank_world();
// The world as start-up leaves it, with rand() seeded with seed: on the data file in use, or on
// the synthetic one for fresh_game.
void new_game(unsigned seed);
void fresh_game(unsigned seed);

// A copy of every global reset_world_state resets.
using world_snapshot_t = std::vector<unsigned char>;
world_snapshot_t snapshot_world();
void restore_world(const world_snapshot_t &s);

// Replaces the terrain with a flat line at height y, vertices 100 px apart from x 0.
void flat_ground(float y);
// Moves an actor to (x, y) at velocity (vx, vy), with no spring carried in.
void place(actor_t &a, float x, float y, float vx = 0.0f, float vy = 0.0f);

// Input.
inline void hold_key(int k) {
    key[k] = static_cast<char>(-1);
}
void release_all_keys();
// use_mouse_x/y: the pointer as the tick sees it, directly.
inline void point_at(float x, float y) {
    use_mouse_x = x, use_mouse_y = y;
}
inline void set_buttons(int b) {
    mouse_b = b;
} // bit 1 left, bit 2 right
inline void set_time(int ms) {
    time_ms = ms;
}
// The mouse in frame coordinates (it may lie outside), seen from the next logic tick that runs.
extern float pointer_x, pointer_y;

// A logic tick as the loop runs it: only while the player is alive, the mouse mapped first.
void play_logic_tick();
// One pass of the loop at 60 passes a second: the clock advances 17, 17, 16 ms (from the first
// pass after a reset), one logic tick, after_tick, an animation tick every anim_every-th pass
// and a frame (kept in last_frame, stretched onto the window stand-in) every frame_every-th.
void play_pass(
    int anim_every = 2, int frame_every = 2, void (*after_tick)() = [] {});
extern long passes_played, frames_drawn; // since the last reset

// Pixels of the frame.
inline int pixel(int x, int y) {
    return getpixel(buffer, x, y);
}
inline int rgb(int r, int g, int b) {
    return makecol(r, g, b);
} // in the test's colour depth
// The colour every frame starts from.
inline int background() {
    return makecol(10, 10, 10);
}
// Pixels of colour c in the frame's rectangle (x0, y0) to (x1, y1), both corners included.
inline int count_colour(int x0, int y0, int x1, int y1, int c) {
    int n = 0;
    for (int y = y0; y <= y1; y++) {
        for (int x = x0; x <= x1; x++) {
            n += getpixel(buffer, x, y) == c;
        }
    }
    return n;
}

// Live enemies and shots by kind.
struct census_t {
    int ground, flyers, exhaust, bullets, enemy_shots;
};
census_t take_census();

// How busy a stretch of play was, for the programs that must prove the game was busy (the soak,
// the allocation check, the replays): noted after every tick or pass they count.
struct busy_t {
    long deployed = 0, firing = 0, hatched = 0; // passes with a bot deployed, bullets, flyers
    int fewest_flyers = ENEMY_SLOTS, most_flyers = 0, most_bullets = 0, most_shots = 0,
        most_enemy_shots = 0; // most_shots: of every kind together
};
void note_busy(busy_t &b);

// 64-bit FNV-1a hashes of the world by part, stale records of free slots included: the player
// and the bots; the enemy slots; the shot slots; the terrain; the camera, squad boxes, message
// text and gauges (but their colours, which follow the pixel layout); the clock, the pointer,
// the ring cursors and the buzz volume.
using world_hashes_t = std::array<uint64_t, 6>;
world_hashes_t world_hashes();
// Of a bitmap's pixels read as red, green and blue, whatever the pixel layout.
uint64_t bitmap_hash(BITMAP *bmp);

// Standard output sent to /dev/null while it lives.
struct quiet_stdout_t {
    int saved = (std::fflush(stdout), dup(STDOUT_FILENO)), null_fd = open("/dev/null", O_WRONLY);
    quiet_stdout_t() { dup2(null_fd, STDOUT_FILENO), close(null_fd); }
    ~quiet_stdout_t() { std::fflush(stdout), dup2(saved, STDOUT_FILENO), close(saved); }
};
