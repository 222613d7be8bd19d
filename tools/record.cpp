// Records a replay script from real play: the game in a window, played with the keyboard and
// the mouse, stepped by the replay driver's own passes (the clock advancing 17, 17, 16 ms, an
// animation tick and a frame after every second pass) at 60 passes a second. Escape ends the
// recording and writes the script.
//
//   jetsquad_record --data PATH [--seed N] OUT.replay
//
// Play it back with jetsquad_replay; --update writes its digest.
#include "headless.h"

#include "game.h"

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::atomic<int> passes_due{0};
void count_due_pass() {
    passes_due.fetch_add(1);
}

// The hands as the pass about to run will see them, the mouse mapped into the frame as the
// tick maps it.
struct hands_t {
    std::string keys;
    int buttons;
    float x, y;
    bool operator==(const hands_t &) const = default;
};

hands_t read_hands() {
    hands_t h{"", mouse_b & 3, static_cast<float>(mouse_x) * static_cast<float>(640.0 / SCREEN_W),
              static_cast<float>(mouse_y) * static_cast<float>(480.0 / SCREEN_H)};
    const int codes[] = {KEY_W, KEY_A, KEY_S, KEY_D};
    for (int i = 0; i < 4; i++) {
        h.keys += key[codes[i]] ? std::string(1, "WASD"[i]) : "";
    }
    return h;
}

// One script line for a run of passes with the same hands.
void write_run(FILE *out, long passes, const hands_t &h) {
    std::fprintf(out, "ticks %ld%s%s mouse=%.9g,%.9g%s%s%s\n", passes,
                 h.keys.empty() ? "" : " keys=", h.keys.c_str(), static_cast<double>(h.x),
                 static_cast<double>(h.y), h.buttons ? " buttons=" : "", (h.buttons & 1) ? "L" : "",
                 (h.buttons & 2) ? "R" : "");
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
    FILE *out = datafile ? std::fopen(out_path, "w") : nullptr;
    if (!out) {
        std::fprintf(stderr, "cannot load %s or write %s\n", data_path, out_path);
        return 1;
    }
    create_frame_bitmaps();
    window_stand_in = screen;
    last_frame = create_bitmap(BUFFER_W, BUFFER_H);
    new_game(seed);
    install_int_ex(count_due_pass, BPS_TO_TIMER(60));
    std::fprintf(out, "# Recorded with jetsquad_record.\nseed %u\n", seed);

    long run_length = 0;
    hands_t run_hands{};
    while (!key[KEY_ESC]) {
        if (passes_due.load() <= 0) {
            rest(1);
            continue;
        }
        passes_due.fetch_sub(1);
        const hands_t h = read_hands();
        if (run_length > 0 && !(h == run_hands)) {
            write_run(out, run_length, run_hands);
            run_length = 0;
        }
        run_hands = h;
        run_length++;
        pointer_x = h.x;
        pointer_y = h.y;
        play_pass();
    }
    if (run_length > 0) {
        write_run(out, run_length, run_hands);
    }
    // The replay of this script ends on the same world: its digest's "world" lines show this.
    const world_hashes_t w = world_hashes();
    const char *parts[] = {"actors", "enemies", "shots", "ground", "view", "loop"};
    std::fprintf(out, "# The world where the recording ended:\n");
    for (int i = 0; i < 6; i++) {
        std::fprintf(out, "#   world.%s %016" PRIx64 "\n", parts[i], w[i]);
    }
    std::fclose(out);
    std::printf("%ld passes recorded in %s\n", passes_played, out_path);
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
