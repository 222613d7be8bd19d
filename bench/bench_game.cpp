// What the game costs: one logic tick, one display and one full frame of three scenes (the
// opening, a busy fight, both pools full), the start-up work before the first frame, and a tick
// with the largest sprites the data file check accepts (docs/assets.md).
//
//   jetsquad_bench [--data=PATH] [benchmark options]
//
// Without --data the data file of the build is used; the budgets on a 2-core machine are a
// worst-case tick within 1 ms, a busy full frame within 2 ms and the start-up within 100 ms.
#include "scenes.h"

#include "game.h"
#include "render.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char *data_path = JETSQUAD_BENCH_DATAFILE;

enum scene_id { OPENING, BUSY, WORST, PILED };
constexpr unsigned SEED = 2024;
world_snapshot_t scene;

void set_scene(scene_id id) {
    void (*const set[])(unsigned) = {new_game, scene_busy, scene_worst, scene_piled}; // by id
    set[id](SEED);
    scene = snapshot_world();
}

// Every iteration starts from the same scene: the world is put back outside the timing, and
// the random generator reseeded.
template <typename Work> void run_from_scene(benchmark::State &state, scene_id id, Work work) {
    set_scene(id);
    for (auto _ : state) {
        state.PauseTiming();
        restore_world(scene);
        srand(SEED);
        state.ResumeTiming();
        work();
    }
}

// A data file with the largest images the check accepts, in Allegro's unpacked format: the
// player, bots and enemies opaque, the flyer all mask colour, so that no flyer ever hits and a
// flyer's test reads two pixels at every point of its overlap with an actor; the icon source
// and the ground texture as small as they may be, the shortest buzz and a one-note song.
std::vector<uint8_t> largest_images_file() {
    constexpr int FLYER_SIDE = 20; // 400 pixels, the most a flyer may have
    static_assert(FLYER_SIDE * FLYER_SIDE == MAX_FLYER_AREA);
    std::vector<uint8_t> f;
    auto be = [&f](uint32_t v, int bytes) {
        for (int i = bytes - 1; i >= 0; i--) {
            f.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
    };
    auto object = [&](const char *type, size_t size) {
        f.insert(f.end(), type, type + 4);
        be(static_cast<uint32_t>(size), 4);
        be(static_cast<uint32_t>(size), 4);
    };
    f = {'s', 'l', 'h', '.', 'A', 'L', 'L', '.'};
    be(OBJ_COUNT, 4);
    for (int i = 0; i < OBJ_BUZZ; i++) {
        const int side = i == OBJ_FLYER                                   ? FLYER_SIDE
                         : i == OBJ_BOT1_STAND || i == OBJ_GROUND_TEXTURE ? 16
                                                                          : MAX_SPRITE_SIDE;
        object("BMP ", 6 + 3 * side * side);
        be(24, 2), be(static_cast<uint32_t>(side), 2), be(static_cast<uint32_t>(side), 2);
        const uint8_t mask[3] = {255, 0, 255}, grey[3] = {128, 128, 128};
        for (int p = 0; p < side * side; p++) {
            f.insert(f.end(), i == OBJ_FLYER ? mask : grey, (i == OBJ_FLYER ? mask : grey) + 3);
        }
    }
    object("SAMP", 8 + 2), be(8, 2), be(20, 2), be(2, 4), be(0x8080, 2); // 2 frames at 20 Hz
    const uint8_t track[] = {0, 0x90, 60, 64, 96, 60, 0, 0, 0xff, 0x2f, 0};
    object("MIDI", 2 + 4 + sizeof track + 4 * 31), be(96, 2), be(sizeof track, 4);
    f.insert(f.end(), track, track + sizeof track);
    f.resize(f.size() + 4 * 31, 0);
    return f;
}

// The tick with the largest images, loaded through the game's own checks.
void BM_TickLargestImages(benchmark::State &state) {
    const std::string path = "/tmp/jetsquad-bench-" + std::to_string(getpid()) + ".dat";
    const std::vector<uint8_t> bytes = largest_images_file();
    FILE *out = std::fopen(path.c_str(), "wb");
    const bool written = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (out) {
        std::fclose(out);
    }
    DATAFILE *largest = written ? load_game_data(path.c_str()) : nullptr;
    std::remove(path.c_str());
    if (!largest) {
        state.SkipWithError("the data file with the largest images is refused");
        return;
    }
    DATAFILE *running = datafile;
    datafile = largest;
    run_from_scene(state, static_cast<scene_id>(state.range(0)), [] { play_logic_tick(); });
    datafile = running;
    unload_datafile(largest);
}

void full_frame() {
    compose_frame();
    present_frame(window_stand_in, WINDOW_W, WINDOW_H);
}

void BM_Tick(benchmark::State &state) {
    run_from_scene(state, static_cast<scene_id>(state.range(0)), [] { play_logic_tick(); });
}

void BM_Display(benchmark::State &state) {
    run_from_scene(state, static_cast<scene_id>(state.range(0)), [] { display(); });
}

void BM_FullFrame(benchmark::State &state) {
    run_from_scene(state, static_cast<scene_id>(state.range(0)), full_frame);
}

// The part of a full frame that does not depend on the scene: the masked stretch of the frame
// onto the 1024 x 768 window and the clear.
void BM_Present(benchmark::State &state) {
    set_scene(BUSY);
    display();
    for (auto _ : state) {
        present_frame(window_stand_in, WINDOW_W, WINDOW_H);
    }
}

// The colour tables print their progress bars, to /dev/null here.
void BM_StartUpColourTables(benchmark::State &state) {
    quiet_stdout_t quiet;
    PALETTE pal;
    for (auto _ : state) {
        build_palette(pal);
        build_colour_tables(pal);
    }
}

void BM_StartUpDataFile(benchmark::State &state) {
    if (!data_path) {
        state.SkipWithError("no data file");
        return;
    }
    for (auto _ : state) {
        DATAFILE *dat = load_game_data(data_path);
        benchmark::DoNotOptimize(dat);
        state.PauseTiming();
        unload_datafile(dat);
        state.ResumeTiming();
    }
}

// Everything between the library's start and the first frame that is the game's own work:
// palette, colour tables, the data file with its checks, the frame bitmaps and the world.
void BM_StartUpWhole(benchmark::State &state) {
    if (!data_path) {
        state.SkipWithError("no data file");
        return;
    }
    quiet_stdout_t quiet;
    DATAFILE *running = datafile;
    BITMAP *running_buffer = buffer;
    BITMAP *running_score = show_score;
    PALETTE pal;
    for (auto _ : state) {
        build_palette(pal);
        build_colour_tables(pal);
        datafile = load_game_data(data_path);
        create_frame_bitmaps();
        srand(1);
        init_world();
        state.PauseTiming();
        unload_datafile(datafile);
        destroy_bitmap(buffer);
        destroy_bitmap(show_score);
        state.ResumeTiming();
    }
    datafile = running;
    buffer = running_buffer;
    show_score = running_score;
}

void scene_args(benchmark::internal::Benchmark *b) {
    b->ArgName("scene");
    for (int id : {OPENING, BUSY, WORST}) {
        b->Arg(id);
    }
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_Tick)->Name("Tick")->Apply(scene_args);
BENCHMARK(BM_TickLargestImages)
    ->Name("Tick/LargestImages")
    ->ArgName("scene")
    ->Arg(WORST)
    ->Arg(PILED)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Display)->Name("Display")->Apply(scene_args);
BENCHMARK(BM_FullFrame)->Name("FullFrame")->Apply(scene_args);
BENCHMARK(BM_Present)->Name("FullFrame/StretchAndClear")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StartUpColourTables)->Name("StartUp/ColourTables")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpDataFile)->Name("StartUp/DataFile")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpWhole)->Name("StartUp/Whole")->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    for (int i = 1; i < argc; i++) {
        if (std::strncmp(argv[i], "--data=", 7) == 0) {
            data_path = argv[i] + 7;
        }
    }
    if (access(data_path, R_OK) != 0) {
        std::fprintf(stderr, "%s is missing: the synthetic data file stands in for it\n",
                     data_path);
        data_path = nullptr;
    }
    if (!start_headless_game(data_path)) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
