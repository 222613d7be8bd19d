// Start-up, timers, the fixed-step loop and shutdown.
#pragma once

#include <allegro.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Exit codes of the game.
constexpr int EXIT_OK = 0;
constexpr int EXIT_NO_SYSTEM = 1;
constexpr int EXIT_NO_DATA = 12;

// The whole run: start-up, the loop until Escape, shutdown. Returns the exit code. icon: the
// window's icon as XPM lines, or null for the library's own.
int run_jetsquad(int argc, char *argv[], const char *const *icon);

// The window's icon as XPM lines, drawn from the data file's art when the game's executable is
// built (tools/make_icon); null in a build without the data file. Only the executable holds it.
extern const char *const *const window_icon_xpm;

// The window for a desktop of desktop_w x desktop_h pixels: 1024 x 768 only where it fits whole
// with its frame (WINDOW_FRAME_W, WINDOW_FRAME_H), else 640 x 480, as when the size is unknown.
struct window_size_t {
    int w;
    int h;
};
constexpr window_size_t LARGE_WINDOW = {1024, 768};
constexpr window_size_t SMALL_WINDOW = {640, 480};
// What the desktop keeps around a window: beside it borders and maybe a dock (up to 64 pixels),
// above and below a title bar and a panel (up to 48 pixels each on common desktops). So a
// 1152 x 864 desktop takes the large window, a 1280 x 800 or 1366 x 768 one the small.
constexpr int WINDOW_FRAME_W = 64;
constexpr int WINDOW_FRAME_H = 96;
window_size_t window_size_for(int desktop_w, int desktop_h);

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

// Where the data file lies: "data/datafile.dat" beside the real executable, the whole path.
std::string datafile_path();

// Loads and checks the data file; null (with nothing left loaded) when it is unusable. The file
// is read once; Allegro loads exactly the bytes that were checked. The second form loads bytes
// read from origin (null: from nowhere else), which it reloads only on a system where they
// cannot be handed over in memory.
DATAFILE *load_game_data(const char *path);
DATAFILE *load_game_data(const uint8_t *bytes, size_t size, const char *origin = nullptr);

// The [sound] lines that give Allegro's synthesiser a sealed copy of the patches.dat beside exe,
// read once and kept for the whole run; empty when there is none to give.
std::string patches_config(const std::string &exe);

// The in-memory [sound] section that replaces, of the player's settings as Allegro reads them
// now, those that would crash Allegro (mono output at a quality that writes past the mono mix
// buffer, a rate under 8000 Hz, no ALSA fragments), and points the synthesiser at the game's own
// patch set (patches_config).
std::string build_sound_override();

// The looping buzz at full volume and the looping music, as the game starts them.
void start_buzz_and_music();

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
