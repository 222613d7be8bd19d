// The game driven step by step without a window, timers or sound: the real start-up (palette,
// colour tables, the data file, the frame bitmaps) and the pieces of one pass of the main loop.
// Replays, the soak, the allocation check and the benchmarks all run the game through this.
#pragma once

#include "world.h"

#include <cstdint>

// The stand-in for the window the frame is stretched onto.
constexpr int WINDOW_W = 1024;
constexpr int WINDOW_H = 768;
extern BITMAP *window_stand_in;

// Starts Allegro with no system driver at 32 bits per pixel, builds the palette and the colour
// tables (their progress bars go to standard output unless quiet), loads the data file at
// data_path with the game's own loader, or installs the synthetic test data file when data_path
// is null, and creates the frame, the score bitmap and the window stand-in. False, with a
// message on standard error, when the data file is unusable.
bool start_headless_game(const char *data_path, bool quiet);

// Every global that the program's start leaves at zero back to zero (the clock, the shot pool,
// the ring cursors, the selection, the inputs), then srand(seed) and init_world(): the world as
// a freshly started program has it.
void new_game(unsigned seed);

// The player's hands: keys and buttons as the library reports them, the pointer in frame
// coordinates (it may lie outside the frame); buttons: bit 1 left, bit 2 right.
struct hands_t {
    bool w, a, s, d;
    float pointer_x, pointer_y;
    int buttons;
};
void set_hands(const hands_t &h);
const hands_t &current_hands();

// One logic tick, as the loop runs it: only while the player is alive, starting with the
// pointer's mapping into the frame (which the tick itself skips when there is no window), so
// the game sees the pointer move only while it plays. True if it ran.
bool play_logic_tick();

// One animation tick: the clock advances, then update_anim.
void play_anim_tick();

// The frame as the loop draws it: display, the buzz volume, the pointer.
void draw_whole_frame();

// The frame stretched onto the window stand-in, then cleared for the next one.
void present_frame();

// 64-bit FNV-1a.
uint64_t fnv1a(const void *data, uint64_t size, uint64_t h = 0xcbf29ce484222325ull);

// Hashes of the world by part: the player and the bots; the enemy slots; the shot slots; the
// terrain; the camera, squad boxes, gauges and message text; the clock, the pointer, the ring
// cursors and the buzz volume. Stale records in free slots count too.
struct world_hashes_t {
    uint64_t actors, enemies, shots, ground, view, loop;
};
world_hashes_t world_hashes();

// All of them in one.
uint64_t world_hash();

// Hash of a bitmap's pixels, read as red, green and blue so it does not depend on pixel layout.
uint64_t bitmap_hash(BITMAP *bmp);

// Counts of live enemies and shots by kind.
struct census_t {
    int ground, flyers;
    int exhaust, bullets, enemy_shots;
};
census_t take_census();
