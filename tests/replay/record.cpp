// Records a replay script from real play: the game in a window, played with the keyboard and
// the mouse, stepped exactly as the replay driver steps it (the clock advancing 17, 17, 16 ms a
// tick, an animation tick and a frame after every second tick), at 60 ticks a second. Escape
// ends the recording and writes the script.
//
//   jetsquad_record --data PATH --seed N OUT.replay
//
// Play it back with jetsquad_replay; --update writes its digest.
#include "headless.h"

#include "game.h"
#include "render.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int CLOCK_STEPS[3] = {17, 17, 16};

bool same_hands(const hands_t &a, const hands_t &b) {
    return a.w == b.w && a.a == b.a && a.s == b.s && a.d == b.d && a.buttons == b.buttons &&
           a.pointer_x == b.pointer_x && a.pointer_y == b.pointer_y;
}

// One script line for a run of ticks with the same hands.
void write_run(FILE *out, long ticks, const hands_t &h) {
    std::string keys;
    keys += h.w ? "W" : "";
    keys += h.a ? "A" : "";
    keys += h.s ? "S" : "";
    keys += h.d ? "D" : "";
    std::fprintf(out, "ticks %ld", ticks);
    if (!keys.empty()) {
        std::fprintf(out, " keys=%s", keys.c_str());
    }
    std::fprintf(out, " mouse=%.9g,%.9g", static_cast<double>(h.pointer_x),
                 static_cast<double>(h.pointer_y));
    if (h.buttons & 3) {
        std::fprintf(out, " buttons=%s%s", (h.buttons & 1) ? "L" : "", (h.buttons & 2) ? "R" : "");
    }
    std::fprintf(out, "\n");
}

// The hands as the tick about to run will see them; the pointer mapped into the frame as the
// tick maps it.
hands_t read_hands() {
    hands_t h{};
    h.w = key[KEY_W] != 0;
    h.a = key[KEY_A] != 0;
    h.s = key[KEY_S] != 0;
    h.d = key[KEY_D] != 0;
    h.buttons = mouse_b & 3;
    h.pointer_x = static_cast<float>(mouse_x) * static_cast<float>(640.0 / SCREEN_W);
    h.pointer_y = static_cast<float>(mouse_y) * static_cast<float>(480.0 / SCREEN_H);
    return h;
}

int record(const char *data_path, unsigned seed, const char *out_path) {
    if (allegro_init() != 0) {
        std::fprintf(stderr, "jetsquad_record needs a display\n");
        return 1;
    }
    install_keyboard();
    install_mouse();
    install_timer();
    PALETTE palette;
    build_palette(palette);
    build_colour_tables(palette);
    set_color_depth(desktop_color_depth() != 0 ? desktop_color_depth() : 32);
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 1024, 768, 0, 0) != 0 &&
        set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640, 480, 0, 0) != 0) {
        std::fprintf(stderr, "no window: %s\n", allegro_error);
        return 1;
    }
    set_window_title("Jetsquad - recording");
    set_palette(palette);
    datafile = load_game_data(data_path);
    if (!datafile) {
        std::fprintf(stderr, "cannot load the data file %s\n", data_path);
        return 1;
    }
    buffer = create_bitmap(BUFFER_W, BUFFER_H);
    show_score = create_bitmap(100, 16);
    new_game(seed);
    install_int_ex(increment_speed_counter, BPS_TO_TIMER(60));

    FILE *out = std::fopen(out_path, "w");
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", out_path);
        return 1;
    }
    std::fprintf(out, "# Recorded with jetsquad_record.\nseed %u\n", seed);

    long tick = 0;
    long run_length = 0;
    hands_t run_hands{};
    while (!key[KEY_ESC]) {
        if (speed_counter.load() <= 0) {
            rest(1);
            continue;
        }
        speed_counter.fetch_sub(1);
        const hands_t h = read_hands();
        if (run_length > 0 && !same_hands(h, run_hands)) {
            write_run(out, run_length, run_hands);
            run_length = 0;
        }
        run_hands = h;
        run_length++;

        // The same step as the replay driver's.
        tick++;
        time_ms += CLOCK_STEPS[(tick - 1) % 3];
        set_hands(h);
        play_logic_tick();
        if (tick % 2 == 0) {
            play_anim_tick();
            draw_whole_frame();
            masked_stretch_blit(buffer, screen, 0, 0, BUFFER_W, BUFFER_H, 0, 0, SCREEN_W, SCREEN_H);
            clear_frame();
        }
    }
    if (run_length > 0) {
        write_run(out, run_length, run_hands);
    }
    // The replay of this script ends on the same world: its digest's "world" lines show this.
    const world_hashes_t w = world_hashes();
    const uint64_t parts[] = {w.actors, w.enemies, w.shots, w.ground, w.view, w.loop};
    const char *names[] = {"actors", "enemies", "shots", "ground", "view", "loop"};
    std::fprintf(out, "# The world where the recording ended:\n");
    for (int i = 0; i < 6; i++) {
        std::fprintf(out, "#   world.%s %016llx\n", names[i],
                     static_cast<unsigned long long>(parts[i]));
    }
    std::fclose(out);
    std::printf("%ld ticks recorded in %s\n", tick, out_path);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    const char *data_path = nullptr;
    const char *out_path = nullptr;
    unsigned seed = 1;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
            data_path = argv[++i];
        } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            out_path = argv[i];
        }
    }
    if (!data_path || !out_path) {
        std::fprintf(stderr, "usage: jetsquad_record --data PATH [--seed N] OUT.replay\n");
        return 2;
    }
    return record(data_path, seed, out_path);
}
END_OF_MAIN()
