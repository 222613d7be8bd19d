// What the game costs: one logic tick, one display and one full frame of three scenes (the
// opening, a busy fight, both pools full), and the start-up work before the first frame.
//
//   jetsquad_bench [--data=PATH] [benchmark options]
//
// Without --data the data file of the build is used; the budgets on a 2-core machine are a
// worst-case tick within 1 ms, a busy full frame within 2 ms and the start-up within 100 ms.
// Built a second time as jetsquad_bench_linear, with the ground looked up by a plain scan, to
// show what the search in get_ground saves.
#include "scenes.h"

#include "game.h"
#include "render.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

const char *data_path = JETSQUAD_BENCH_DATAFILE;

enum scene_id { OPENING, BUSY, WORST };

void set_scene(scene_id id) {
    constexpr unsigned SEED = 2024;
    switch (id) {
    case OPENING:
        scene_opening(SEED);
        break;
    case BUSY:
        scene_busy(SEED);
        break;
    case WORST:
        scene_worst(SEED);
        break;
    }
    save_world(SEED);
}

// Every iteration starts from the same scene: the world is put back outside the timing.
template <typename Work> void run_from_scene(benchmark::State &state, scene_id id, Work work) {
    set_scene(id);
    for (auto _ : state) {
        state.PauseTiming();
        restore_world();
        state.ResumeTiming();
        work();
    }
}

void full_frame() {
    draw_whole_frame();
    present_frame();
}

void BM_Tick(benchmark::State &state) {
    run_from_scene(state, static_cast<scene_id>(state.range(0)), [] { play_logic_tick(); });
}

#ifndef JETSQUAD_BENCH_LINEAR
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
        present_frame();
    }
}

// The colour tables print their progress bars; here they go to /dev/null.
struct quiet_stdout_t {
    int saved;
    quiet_stdout_t() {
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        const int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, STDOUT_FILENO);
        close(null_fd);
    }
    ~quiet_stdout_t() {
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }
};

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
        buffer = create_bitmap(BUFFER_W, BUFFER_H);
        show_score = create_bitmap(100, 16);
        clear_frame();
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
#endif

void scene_args(benchmark::internal::Benchmark *b) {
    b->ArgName("scene");
    for (int id : {OPENING, BUSY, WORST}) {
        b->Arg(id);
    }
    b->Unit(benchmark::kMicrosecond);
}

#ifdef JETSQUAD_BENCH_LINEAR
BENCHMARK(BM_Tick)->Name("LinearGround/Tick")->Apply(scene_args);
#else
BENCHMARK(BM_Tick)->Name("Tick")->Apply(scene_args);
BENCHMARK(BM_Display)->Name("Display")->Apply(scene_args);
BENCHMARK(BM_FullFrame)->Name("FullFrame")->Apply(scene_args);
BENCHMARK(BM_Present)->Name("FullFrame/StretchAndClear")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StartUpColourTables)->Name("StartUp/ColourTables")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpDataFile)->Name("StartUp/DataFile")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpWhole)->Name("StartUp/Whole")->Unit(benchmark::kMillisecond);
#endif

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
    if (!start_headless_game(data_path, true)) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
