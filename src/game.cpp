#include "game.h"

#include "control.h"
#include "datafile_check.h"
#include "enemies.h"
#include "game_files.h"
#include "physics.h"
#include "render.h"
#include "terrain.h"
#include "world.h"

#ifdef ALLEGRO_WITH_XWINDOWS
#include <xalleg.h>
// The window's icon in XPM form, exported by the X11 port without a declaration in its headers.
extern "C" void *allegro_icon;
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr char WINDOW_TITLE[] = "Jetsquad";
// The X11 class, as the desktop entry's StartupWMClass names it.
constexpr char WINDOW_CLASS[] = "jetsquad";
constexpr char DATAFILE_NAME[] = "data/datafile.dat";
constexpr char PROGRESS_BAR[] =
    "<................................................................>\r<";
constexpr char PATCHES_NAME[] = "patches.dat";
// Larger files are refused unread: the check would refuse a larger data file, and no patch set
// the game can use comes near.
constexpr size_t MAX_PATCHES_BYTES = size_t{64} << 20;
constexpr int BAR_STARS = 64;

int stars_in_bar;
// The music's instruments, kept in memory for the whole run: the synthesiser reads them when
// the music starts.
sealed_file_t patches_file;

// The light table builder reports its progress only once, at the end; fill the rest of its
// bar so that both bars read as complete.
void finish_progress_bar() {
    for (int pos = 0; stars_in_bar < BAR_STARS && pos < 256; pos++) {
        print_progress(pos);
    }
}

void set_actor(actor_t &a, int first_sprite, int sprite_count) {
    a = actor_t{};
    a.first_sprite = first_sprite;
    a.sprite = first_sprite;
    a.sprite_count = sprite_count;
    a.anim_speed = 0.5f;
    a.anim_pos = 0;
    a.health = 1.0f;
}

void init_actors() {
    set_actor(player, 0, 1);
    player.score = 0.0f;
    const int first[BOT_COUNT] = {OBJ_BOT1_WALK, OBJ_BOT2_WALK, OBJ_BOT3_WALK};
    for (int k = 0; k < BOT_COUNT; k++) {
        set_actor(bot[k], first[k], WALK_FRAMES);
        bot[k].charge = 1.0f;
        bot[k].mode = pickup_bit(k); // every bot starts on the player's back
    }
}

bool set_window_mode(window_size_t size) {
    return set_gfx_mode(GFX_AUTODETECT_WINDOWED, size.w, size.h, 0, 0) == 0;
}

int open_window() {
    if (desktop_color_depth() != 0) {
        set_color_depth(desktop_color_depth());
    }
    // Asked before any mode is set, so it is the desktop's size and not our window's.
    int desktop_w = 0;
    int desktop_h = 0;
    if (get_desktop_resolution(&desktop_w, &desktop_h) != 0) {
        desktop_w = desktop_h = 0;
    }
    const window_size_t size = window_size_for(desktop_w, desktop_h);
    const bool small = size.w == SMALL_WINDOW.w && size.h == SMALL_WINDOW.h;
    if (!set_window_mode(size) && (small || !set_window_mode(SMALL_WINDOW))) {
        allegro_message("could not set_gfx_mode(): %s\n", allegro_error);
        return EXIT_NO_SYSTEM;
    }
    set_window_title(WINDOW_TITLE);
    return EXIT_OK;
}

// X11 gives the window its class and icon as the library creates it, inside allegro_init: a
// class set later reaches only an inner window, which docks and desktop menus never see.
void name_window(const char *const *icon) {
#ifdef ALLEGRO_WITH_XWINDOWS
    xwin_set_window_name(WINDOW_CLASS, WINDOW_CLASS);
    if (icon) {
        // The library reads the lines and never writes them.
        allegro_icon = const_cast<char **>(icon);
    }
#else
    (void)icon;
#endif
}

// The player's own [sound] settings (~/.allegrorc, allegro.cfg) go to Allegro unchanged, except
// the few below that would crash it: those the game replaces in memory only, as it writes no
// file. Each replacement is one "key = value" line of this text.
void add_sound_setting(std::string &text, const char *key, const std::string &value) {
    text += std::string(key) + " = " + value + "\n";
}

// Allegro's mixers of quality 1 and 2 (2 is its default, and what it makes of a value outside
// 0..2) write two values per output frame, but for mono output (sound_stereo = 0, or text that
// reads as 0) its mix buffer holds one per frame: they write past its end and the game dies or
// hangs. Allegro's own set_mixer_quality keeps mono output at quality 0, and so does the game:
// the player keeps the mono output asked for and loses only the finer mixing of quality 1 and 2.
bool mono_mixer_overruns() {
    const bool mono = get_config_int("sound", "sound_stereo", -1) == 0;
    return mono && get_config_int("sound", "quality", get_mixer_quality()) != 0;
}

// With no fragment size set, Allegro's ALSA driver divides by the number of fragments: 0, or text
// that reads as 0, kills the game at start. The driver's own default of 5 stands in for it.
bool alsa_fragments_zero() {
    return get_config_int("sound", "alsa_fragsize", 0) == 0 &&
           get_config_int("sound", "alsa_numfrags", 5) == 0;
}

// Allegro's mixer moves through a sample in whole output steps and reads past its end when one
// step passes over the whole of its loop, as it does with the game's buzz at 1 Hz. A rate below
// 8000 Hz, the lowest in common use, is raised to it; 0 or less already means the driver's 44100.
constexpr int LOWEST_SOUND_FREQ = 8000;

bool sound_freq_too_low() {
    const int freq = get_config_int("sound", "sound_freq", -1);
    return freq > 0 && freq < LOWEST_SOUND_FREQ;
}

// One call for every replacement, made before any: each call of override_config_data drops the
// previous text, and the player's settings must be read without it.
void override_sound_settings() {
    const std::string text = build_sound_override();
    override_config_data(text.c_str(), static_cast<int>(text.size()));
}

bool install_game_sound() {
    override_sound_settings();
    if (install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, nullptr) == 0) {
        return true;
    }
    // The music synthesizer borrows voices from the digital driver. A machine without a sound
    // device has none to lend, which would stop the game over its music: play on without it.
    return install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr) == 0;
}

void start_timers() {
    install_int(fps_proc, 1);
    install_int_ex(increment_speed_counter, BPS_TO_TIMER(60));
    install_int_ex(increment_anim_counter, BPS_TO_TIMER(30));
}

// 1 on the first logic tick of a right-button press, 2 while it is held, 0 when it is up.
void update_right_click() {
    const bool down = (mouse_b & 2) != 0;
    if (down && mouse_right_click == 1) {
        mouse_right_click = 2;
    }
    if (down && mouse_right_click == 0) {
        mouse_right_click = 1;
    }
    if (!down) {
        mouse_right_click = 0;
    }
}

void shut_down() {
    unload_datafile(datafile);
    datafile = nullptr;
    destroy_bitmap(buffer);
    buffer = nullptr;
    destroy_bitmap(show_score);
    show_score = nullptr;
}

void run_loop() {
    for (;;) {
        if (key[KEY_ESC]) {
            return;
        }
        catch_up_logic();
        catch_up_animation();
        compose_frame();
        present_frame(screen, SCREEN_W, SCREEN_H);
    }
}

} // namespace

void map_mouse_to_buffer(int window_w, int window_h) {
    // Without a window (headless runs) the pointer is placed in buffer coordinates directly.
    if (window_w <= 0 || window_h <= 0) {
        return;
    }
    const float scale_x = static_cast<float>(static_cast<double>(BUFFER_W) / window_w);
    const float scale_y = static_cast<float>(static_cast<double>(BUFFER_H) / window_h);
    use_mouse_x = static_cast<float>(mouse_x) * scale_x;
    use_mouse_y = static_cast<float>(mouse_y) * scale_y;
}

void increment_speed_counter() {
    speed_counter.fetch_add(1);
}
END_OF_FUNCTION(increment_speed_counter)

void increment_anim_counter() {
    anim_counter.fetch_add(1);
    frame.fetch_add(1.0f);
}
END_OF_FUNCTION(increment_anim_counter)

void fps_proc() {
    time_ms.fetch_add(1);
}
END_OF_FUNCTION(fps_proc)

void print_progress(int pos) {
    if ((pos & 3) == 3) {
        std::putchar('*');
        std::fflush(stdout);
        stars_in_bar++;
    }
}

void build_palette(PALETTE pal) {
    pal[0].r = pal[0].g = pal[0].b = 0;
    for (int i = 1; i < 64; i++) {
        pal[i] = desktop_palette[i];
    }
    for (int i = 64; i < 96; i++) {
        pal[i].r = static_cast<unsigned char>(2 * (i - 64));
        pal[i].g = pal[i].b = 0;
    }
    for (int i = 96; i < 128; i++) {
        pal[i].g = static_cast<unsigned char>(2 * (i - 96));
        pal[i].r = pal[i].b = 0;
    }
    for (int i = 128; i < 256; i++) {
        pal[i].r = pal[i].g = pal[i].b = static_cast<unsigned char>((i - 128) / 2);
    }
}

void build_colour_tables(const PALETTE pal) {
    std::puts("Generating rgb_map table:");
    std::printf("%s", PROGRESS_BAR);
    stars_in_bar = 0;
    create_rgb_table(&rgb_table, pal, print_progress);
    finish_progress_bar();
    rgb_map = &rgb_table;

    std::puts("\n");
    std::puts("Generating lighting table:");
    std::printf("%s", PROGRESS_BAR);
    stars_in_bar = 0;
    create_light_table(&light_table, pal, 0, 0, 0, print_progress);
    finish_progress_bar();
    color_map = &light_table;
    std::putchar('\n');
}

std::string datafile_path() {
    return beside(executable_path(), DATAFILE_NAME);
}

DATAFILE *load_game_data(const char *path) {
    std::vector<uint8_t> bytes;
    return read_whole_file(path, bytes, DATAFILE_MAX_BYTES)
               ? load_game_data(bytes.data(), bytes.size(), path)
               : nullptr;
}

DATAFILE *load_game_data(const uint8_t *bytes, size_t size, const char *origin) {
    if (!datafile_bytes_ok(bytes, size)) {
        return nullptr;
    }
    // Allegro reads the very bytes just checked, from a copy nobody can change.
    sealed_file_t sealed;
    DATAFILE *dat = nullptr;
    if (seal_in_memory(bytes, size, sealed)) {
        dat = load_datafile(sealed.path.c_str());
        release_sealed(sealed);
    } else if (origin && !std::strchr(origin, '#')) {
        // No memory files here: the file itself, by a name Allegro takes literally, and kept
        // only if it still holds the checked bytes once loaded.
        dat = load_datafile(origin);
        std::vector<uint8_t> again;
        if (dat && (!read_whole_file(origin, again, size) || again.size() != size ||
                    std::memcmp(again.data(), bytes, size) != 0)) {
            unload_datafile(dat);
            dat = nullptr;
        }
    }
    if (dat && !datafile_objects_ok(dat)) {
        unload_datafile(dat);
        dat = nullptr;
    }
    return dat;
}

std::string patches_config(const std::string &exe) {
    std::vector<uint8_t> bytes;
    if (!read_whole_file(beside(exe, PATCHES_NAME), bytes, MAX_PATCHES_BYTES) ||
        !seal_in_memory(bytes.data(), bytes.size(), patches_file)) {
        return {};
    }
    return patches_config_line(patches_file.path);
}

// The synthesiser looks for its instruments beside the executable by a name Allegro mangles in
// some directories: it gets a sealed copy of ours instead, when there is one.
std::string build_sound_override() {
    std::string text = "[sound]\n";
    if (mono_mixer_overruns()) {
        add_sound_setting(text, "quality", "0");
    }
    if (sound_freq_too_low()) {
        add_sound_setting(text, "sound_freq", std::to_string(LOWEST_SOUND_FREQ));
    }
    if (alsa_fragments_zero()) {
        add_sound_setting(text, "alsa_numfrags", "5");
    }
    return text + patches_config(executable_path());
}

void start_buzz_and_music() {
    play_sample(static_cast<SAMPLE *>(datafile[OBJ_BUZZ].dat), 255, 128, 1000, 1);
    play_midi(static_cast<MIDI *>(datafile[OBJ_MUSIC].dat), 1);
}

void init_world() {
    init_actors();
    reset_enemy_slots();
    init_gauge_colours();
    init_ground();
    init_enemy(20, ENEMY_GROUND, 0);
}

void logic_tick() {
    map_mouse_to_buffer(SCREEN_W, SCREEN_H);
    update_right_click();
    input();
    do_selection();
    update_enemy();
    update_physics();
    scrolling();
}

void catch_up_logic() {
    // The health test is made once: a player who dies during a catch-up finishes it.
    if (player.health > 0.0f) {
        while (speed_counter.load() > 0) {
            logic_tick();
            speed_counter.fetch_sub(1);
        }
    }
}

void catch_up_animation() {
    while (anim_counter.load() > 0) {
        update_anim();
        anim_counter.fetch_sub(1);
    }
}

void compose_frame() {
    display();
    adjust_sample(static_cast<SAMPLE *>(datafile[OBJ_BUZZ].dat), sound_volume, 128, 1000, 1);
    draw_cursor();
}

void present_frame(BITMAP *target, int w, int h) {
    masked_stretch_blit(buffer, target, 0, 0, BUFFER_W, BUFFER_H, 0, 0, w, h);
    clear_frame();
}

void draw_cursor() {
    const int x = static_cast<int>(use_mouse_x);
    const int y = static_cast<int>(use_mouse_y);
    if (mouse_display_flag == 0) {
        draw_sprite(buffer, object_bitmap(OBJ_CURSOR), x, y);
    } else if (mouse_display_flag == 1) {
        draw_sprite(buffer, object_bitmap(OBJ_BOX_CURSOR), x, y);
    }
}

void create_frame_bitmaps() {
    buffer = create_bitmap(BUFFER_W, BUFFER_H);
    show_score = create_bitmap(100, 16);
    // The library sizes its polygon scratch memory on the first polygon; draw one now, so the
    // ground's first frame allocates nothing during play.
    int quad[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    polygon(buffer, 4, quad, 0);
    clear_frame();
}

void clear_frame() {
    clear_to_color(buffer, makecol(10, 10, 10));
}

window_size_t window_size_for(int desktop_w, int desktop_h) {
    const bool fits = desktop_w >= LARGE_WINDOW.w + WINDOW_FRAME_W &&
                      desktop_h >= LARGE_WINDOW.h + WINDOW_FRAME_H;
    return fits ? LARGE_WINDOW : SMALL_WINDOW;
}

int run_jetsquad(int /*argc*/, char * /*argv*/[], const char *const *icon) {
    name_window(icon);
    if (allegro_init() != 0) {
        std::fprintf(stderr,
                     "Jetsquad cannot start: no display could be opened (is DISPLAY set?)"
                     "%s%s\n",
                     allegro_error[0] ? ": " : "", allegro_error);
        return EXIT_NO_SYSTEM;
    }
    install_keyboard();
    install_mouse();
    install_timer();
    LOCK_VARIABLE(speed_counter);
    LOCK_VARIABLE(anim_counter);
    LOCK_VARIABLE(frame);
    LOCK_VARIABLE(time_ms);
    LOCK_FUNCTION(increment_speed_counter);
    LOCK_FUNCTION(increment_anim_counter);
    LOCK_FUNCTION(fps_proc);

    srand(static_cast<unsigned>(time(nullptr)));

    PALETTE palette;
    build_palette(palette);
    build_colour_tables(palette);

    if (open_window() != EXIT_OK) {
        return EXIT_NO_SYSTEM;
    }
    set_palette(palette);

    if (!install_game_sound()) {
        set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
        allegro_message("Error initialising sound system\n%s\n", allegro_error);
        return EXIT_NO_SYSTEM;
    }

    const std::string path = datafile_path();
    datafile = load_game_data(path.c_str());
    if (!datafile) {
        set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
        allegro_message("Error loading %s!\n\n", path.c_str());
        return EXIT_NO_DATA;
    }

    start_timers();
    create_frame_bitmaps();
    set_volume(255, 255);
    init_world();

    start_buzz_and_music();
    run_loop();
    shut_down();
    return EXIT_OK;
}
