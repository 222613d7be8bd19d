#include "headless.h"

#include "game.h"
#include "harness.h"
#include "physics.h"
#include "render.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

BITMAP *window_stand_in;

namespace {

// The values world.cpp gives these records before anything runs; a new game starts from them.
scrollbar_t scrollbars_at_start[GAUGE_COUNT];
selection_t sel_at_start;
bool start_values_kept = false;

// Taken before the first game changes anything.
void keep_start_values() {
    if (!start_values_kept) {
        std::memcpy(scrollbars_at_start, scrollbars, sizeof scrollbars);
        sel_at_start = sel;
        start_values_kept = true;
    }
}

hands_t hands;

// The colour tables print two progress bars; a quiet start sends them to /dev/null.
void build_colour_tables_quietly(const PALETTE pal) {
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int null_fd = open("/dev/null", O_WRONLY);
    if (saved >= 0 && null_fd >= 0) {
        dup2(null_fd, STDOUT_FILENO);
    }
    build_colour_tables(pal);
    std::fflush(stdout);
    if (saved >= 0 && null_fd >= 0) {
        dup2(saved, STDOUT_FILENO);
    }
    if (null_fd >= 0) {
        close(null_fd);
    }
    if (saved >= 0) {
        close(saved);
    }
}

void set_key(int k, bool down) {
    key[k] = down ? static_cast<char>(-1) : 0;
}

template <typename T> uint64_t hash_of(const T &value, uint64_t h) {
    return fnv1a(&value, sizeof value, h);
}

} // namespace

bool start_headless_game(const char *data_path, bool quiet) {
    keep_start_values();
    if (!data_path) {
        // The harness starts the library itself and installs its synthetic data file.
        start_headless_game_library();
    } else if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        std::fprintf(stderr, "Allegro could not start without a system driver\n");
        return false;
    }
    set_color_depth(32);

    PALETTE palette;
    build_palette(palette);
    if (quiet) {
        build_colour_tables_quietly(palette);
    } else {
        build_colour_tables(palette);
    }
    set_palette(palette);

    if (data_path) {
        datafile = load_game_data(data_path);
        if (!datafile) {
            std::fprintf(stderr, "cannot load the data file %s\n", data_path);
            return false;
        }
        buffer = create_bitmap(BUFFER_W, BUFFER_H);
        show_score = create_bitmap(100, 16);
    }
    window_stand_in = create_bitmap(WINDOW_W, WINDOW_H);
    clear_frame();
    return true;
}

void new_game(unsigned seed) {
    keep_start_values();
    reset_world_state();
    std::memcpy(scrollbars, scrollbars_at_start, sizeof scrollbars);
    sel = sel_at_start;
    set_hands(hands_t{});

    srand(seed);
    init_world();
}

void set_hands(const hands_t &h) {
    set_key(KEY_W, h.w);
    set_key(KEY_A, h.a);
    set_key(KEY_S, h.s);
    set_key(KEY_D, h.d);
    hands = h;
    mouse_b = h.buttons;
}

const hands_t &current_hands() {
    return hands;
}

bool play_logic_tick() {
    if (!(player.health > 0.0f)) {
        return false;
    }
    use_mouse_x = hands.pointer_x;
    use_mouse_y = hands.pointer_y;
    logic_tick();
    return true;
}

void play_anim_tick() {
    frame.fetch_add(1.0f);
    update_anim();
}

void draw_whole_frame() {
    display();
    adjust_sample(static_cast<SAMPLE *>(datafile[OBJ_BUZZ].dat), sound_volume, 128, 1000, 1);
    draw_cursor();
}

void present_frame() {
    masked_stretch_blit(buffer, window_stand_in, 0, 0, BUFFER_W, BUFFER_H, 0, 0, WINDOW_W,
                        WINDOW_H);
    clear_frame();
}

uint64_t fnv1a(const void *data, uint64_t size, uint64_t h) {
    const auto *p = static_cast<const unsigned char *>(data);
    for (uint64_t i = 0; i < size; i++) {
        h ^= p[i];
        h *= 0x100000001b3ull;
    }
    return h;
}

world_hashes_t world_hashes() {
    constexpr uint64_t SEED = 0xcbf29ce484222325ull;
    world_hashes_t w{};
    w.actors = hash_of(bot, hash_of(player, SEED));
    w.enemies = hash_of(enemy, SEED);
    w.shots = hash_of(power, SEED);
    w.ground = hash_of(ground, SEED);

    uint64_t h = hash_of(scroll, SEED);
    h = hash_of(sel, h);
    h = hash_of(msg, h);
    // The gauges' colours follow the screen's pixel layout; the rest of each gauge is hashed.
    for (const scrollbar_t &g : scrollbars) {
        const int32_t box[4] = {g.x, g.y, g.w, g.h};
        h = hash_of(box, h);
        h = hash_of(g.value, h);
        h = hash_of(g.label, h);
    }
    w.view = h;

    const int counters[] = {time_ms.load(), mouse_right_click, mouse_display_flag,
                            enemy_loop,     particle_loop,     sound_volume};
    const float floats[] = {frame.load(), use_mouse_x, use_mouse_y};
    w.loop = hash_of(floats, hash_of(counters, SEED));
    return w;
}

uint64_t world_hash() {
    const world_hashes_t w = world_hashes();
    return hash_of(w, 0xcbf29ce484222325ull);
}

uint64_t bitmap_hash(BITMAP *bmp) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (int y = 0; y < bmp->h; y++) {
        for (int x = 0; x < bmp->w; x++) {
            const int c = getpixel(bmp, x, y);
            const unsigned char rgb[3] = {static_cast<unsigned char>(getr(c)),
                                          static_cast<unsigned char>(getg(c)),
                                          static_cast<unsigned char>(getb(c))};
            h = fnv1a(rgb, 3, h);
        }
    }
    return h;
}

census_t take_census() {
    census_t c{};
    for (const enemy_t &e : enemy) {
        if (!(e.flags & ENEMY_ALIVE)) {
            continue;
        }
        c.ground += (e.flags & ENEMY_GROUND) ? 1 : 0;
        c.flyers += (e.flags & ENEMY_FLYER) ? 1 : 0;
    }
    for (const power_t &p : power) {
        if (!(p.flags & POWER_ALIVE)) {
            continue;
        }
        c.exhaust += (p.flags & POWER_EXHAUST) ? 1 : 0;
        c.bullets += (p.flags & POWER_BULLET) ? 1 : 0;
        c.enemy_shots += (p.flags & POWER_ENEMY_SHOT) ? 1 : 0;
    }
    return c;
}
