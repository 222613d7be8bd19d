// Start-up, timers, the fixed-step loop and shutdown.
#pragma once

#include <allegro.h>

// Exit codes of the game.
constexpr int EXIT_OK = 0;
constexpr int EXIT_NO_SYSTEM = 1;
constexpr int EXIT_NO_DATA = 12;

// The whole run: start-up, the loop until Escape, shutdown. Returns the exit code.
int run_jetsquad(int argc, char *argv[]);

// Timer callbacks: they only count.
void increment_speed_counter();
void increment_anim_counter();
void fps_proc();

// Progress callback of the colour-table builders: one star per four steps.
void print_progress(int pos);

// The game's 256-colour palette (components 0..63).
void build_palette(PALETTE pal);

// Builds the RGB and light tables from the palette, with the two progress bars on stdout.
void build_colour_tables(const PALETTE pal);

// Where the data file lies: "data/datafile.dat" beside the real executable.
void datafile_path(char *path, int size);

// Loads and checks the data file; null (with nothing left loaded) when it is unusable.
DATAFILE *load_game_data(const char *path);

// Starting values of the world: actors, enemy slots, gauge colours, terrain, ground enemies.
void init_world();

// The pointer from window pixels (mouse_x, mouse_y) into frame coordinates (use_mouse_x, _y);
// a window of no size (headless runs) leaves the pointer where it was placed.
void map_mouse_to_buffer(int window_w, int window_h);

// One logic tick: mouse mapping, right-button edge, input, selection, enemies, physics, camera.
void logic_tick();

// Runs every pending logic tick if the player is alive; every pending animation tick always.
void catch_up_logic();
void catch_up_animation();

// The frame of one pass of the loop: display, the buzz volume, the pointer.
void compose_frame();

// Draws the pointer image for the current mouse_display_flag into buffer.
void draw_cursor();

// The frame stretched onto target (w x h, the window in the game), then cleared for the next.
void present_frame(BITMAP *target, int w, int h);

// The frame and score bitmaps, the frame cleared.
void create_frame_bitmaps();

// The near-black the frame starts from.
void clear_frame();
