// Test fixtures: a headless Allegro, a synthetic data file whose images are known shapes,
// helpers for keys, mouse, buttons and the clock, and stepping of ticks and frames.
#pragma once

#include "world.h"

#include <gtest/gtest.h>

// Shapes of the synthetic data file, all with the mask colour where they are transparent:
// - player (10): 20 x 32, transparent in its four left columns (x 0..3), opaque elsewhere;
// - bot images (0..3, 11..18): 16 x 32, transparent in their top eight rows (y 0..7);
// - ground enemy images (7..9): 20 x 24, fully opaque;
// - flyer (19): 16 x 16, opaque only in the centred 8 x 8 square (4..11, 4..11);
// - ground texture (4): 32 x 32 checker board of two colours;
// - cursors (5, 6): 8 x 8, fully opaque.
// Every opaque pixel of object n has the colour test_object_colour(n).
constexpr int TEST_PLAYER_W = 20, TEST_PLAYER_H = 32;
constexpr int TEST_BOT_W = 16, TEST_BOT_H = 32;
constexpr int TEST_ENEMY_W = 20, TEST_ENEMY_H = 24;
constexpr int TEST_FLYER_W = 16, TEST_FLYER_H = 16;

int test_object_colour(int index);
// The two colours of the checker-board ground texture.
int test_texture_colour(int which);

// Starts the headless Allegro (once per process) and installs the synthetic data file, the
// frame buffer and the score bitmap as the game's globals.
void start_headless_game_library();

// Every global of the world back to zero, inputs released, the clock at 0.
void blank_world();

// The same reset of the globals, leaving the library and the data file as they are.
void reset_world_state();

// A fresh game as start-up leaves it, with the random generator seeded with seed.
void fresh_game(unsigned seed);

// Replaces the terrain with a flat line at height y, vertices 100 px apart from x 0.
void flat_ground(float y);

// Input.
void hold_key(int k);
void release_key(int k);
void release_all_keys();
void point_at(float x, float y); // in buffer coordinates
void set_buttons(int b);         // bit 1 left, bit 2 right
void set_time(int ms);

// Stepping, in any interleaving.
void step_ticks(int n, int ms_per_tick = 0); // logic ticks, advancing time_ms after each
void step_anim(int n = 1);                   // animation ticks: frame += 1, then update_anim
void draw_frame();                           // display, then the cursor
int pixel(int x, int y);                     // a pixel of buffer
int rgb(int r, int g, int b);                // makecol in the test's colour depth

// Base fixture: a blank world on the headless library.
class WorldTest : public ::testing::Test {
  protected:
    void SetUp() override;
};
