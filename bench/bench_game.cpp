// What the game costs: one logic tick, one display and one full frame of three scenes (the
// opening, a busy fight, both pools full), and the start-up work before the first frame.
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
#include <unistd.h>

namespace {

const char *data_path = JETSQUAD_BENCH_DATAFILE;

enum scene_id { OPENING, BUSY, WORST };
constexpr unsigned SEED = 2024;
world_snapshot_t scene;

void set_scene(scene_id id) {
    void (*const set[])(unsigned) = {new_game, scene_busy, scene_worst}; // by scene_id
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
