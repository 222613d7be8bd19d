#include "game.h"

#include "control.h"
#include "datafile_check.h"
#include "enemies.h"
#include "physics.h"
#include "render.h"
#include "terrain.h"
#include "world.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr char WINDOW_TITLE[] = "Jetsquad";
constexpr char DATAFILE_NAME[] = "data/datafile.dat";
constexpr char PROGRESS_BAR[] =
    "<................................................................>\r<";
constexpr int PATH_SIZE = 256;
constexpr int BAR_STARS = 64;

int stars_in_bar;

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

int open_window() {
    if (desktop_color_depth() != 0) {
        set_color_depth(desktop_color_depth());
    }
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 1024, 768, 0, 0) != 0 &&
        set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640, 480, 0, 0) != 0) {
        allegro_message("could not set_gfx_mode(): %s\n", allegro_error);
        return EXIT_NO_SYSTEM;
    }
    set_window_title(WINDOW_TITLE);
    return EXIT_OK;
}

bool install_game_sound() {
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

void datafile_path(char *path, int size) {
    // The real path of the running program, symbolic links resolved, whatever the directory.
    char exe[PATH_SIZE];
    get_executable_name(exe, PATH_SIZE);
    replace_filename(path, exe, DATAFILE_NAME, size);
}

DATAFILE *load_game_data(const char *path) {
    if (!datafile_structure_ok(path)) {
        return nullptr;
    }
    DATAFILE *dat = load_datafile(path);
    if (dat && !datafile_objects_ok(dat)) {
        unload_datafile(dat);
        dat = nullptr;
    }
    return dat;
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

int run_jetsquad(int /*argc*/, char * /*argv*/[]) {
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

    char path[PATH_SIZE];
    datafile_path(path, PATH_SIZE);
    datafile = load_game_data(path);
    if (!datafile) {
        set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
        allegro_message("Error loading %s!\n\n", path);
        return EXIT_NO_DATA;
    }

    start_timers();
    create_frame_bitmaps();
    set_volume(255, 255);
    init_world();

    play_sample(static_cast<SAMPLE *>(datafile[OBJ_BUZZ].dat), 255, 128, 1000, 1);
    play_midi(static_cast<MIDI *>(datafile[OBJ_MUSIC].dat), 1);

    run_loop();
    shut_down();
    return EXIT_OK;
}
