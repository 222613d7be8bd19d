// The game allocates only at start-up: once playing, ticks and frames of even the busiest scene
// must not touch the heap, neither in the game's code nor in the library calls it makes.
//
// Every allocation of the process is counted here: malloc and its kin are replaced by wrappers
// around glibc's own entry points (the program's definitions win over the C library's, for the
// game and for Allegro's shared library alike), and so are the global operator new and delete.
//
//   jetsquad_alloc_tests [--data PATH] [gtest options]   (no --data: the synthetic data file)
#include "scenes.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <execinfo.h>
#include <gtest/gtest.h>
#include <new>
#include <string>
#include <unistd.h>

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *p, size_t size);
void __libc_free(void *p);
void *__libc_memalign(size_t alignment, size_t size);
}

namespace {

// Where the first few allocations came from, kept without allocating.
constexpr int KEPT_TRACES = 8;
constexpr int TRACE_DEPTH = 24;
void *traces[KEPT_TRACES][TRACE_DEPTH];
int trace_depth[KEPT_TRACES];

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
thread_local bool inside_note = false;

void note_allocation() {
    if (!counting.load(std::memory_order_relaxed) || inside_note) {
        return;
    }
    inside_note = true;
    const long n = allocations.fetch_add(1);
    if (n < KEPT_TRACES) {
        trace_depth[n] = backtrace(traces[n], TRACE_DEPTH);
    }
    inside_note = false;
}

void print_kept_traces() {
    const long n = std::min<long>(allocations.load(), KEPT_TRACES);
    for (long i = 0; i < n; i++) {
        std::fprintf(stderr, "allocation %ld during play came from:\n", i + 1);
        std::fflush(stderr);
        backtrace_symbols_fd(traces[i], trace_depth[i], STDERR_FILENO);
    }
}

const char *data_path = nullptr;

} // namespace

extern "C" {
void *malloc(size_t size) {
    note_allocation();
    return __libc_malloc(size);
}
void *calloc(size_t count, size_t size) {
    note_allocation();
    return __libc_calloc(count, size);
}
void *realloc(void *p, size_t size) {
    note_allocation();
    return __libc_realloc(p, size);
}
void free(void *p) {
    __libc_free(p);
}
void *memalign(size_t alignment, size_t size) {
    note_allocation();
    return __libc_memalign(alignment, size);
}
void *aligned_alloc(size_t alignment, size_t size) {
    note_allocation();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void **out, size_t alignment, size_t size) {
    note_allocation();
    void *p = __libc_memalign(alignment, size);
    if (!p) {
        return ENOMEM;
    }
    *out = p;
    return 0;
}
}

void *operator new(size_t size) {
    note_allocation();
    if (void *p = __libc_malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void *operator new[](size_t size) {
    return operator new(size);
}
void operator delete(void *p) noexcept {
    __libc_free(p);
}
void operator delete[](void *p) noexcept {
    __libc_free(p);
}
void operator delete(void *p, size_t) noexcept {
    __libc_free(p);
}
void operator delete[](void *p, size_t) noexcept {
    __libc_free(p);
}

namespace {

constexpr int CLOCK_STEPS[3] = {17, 17, 16};

struct play_figures_t {
    int fewest_flyers = ENEMY_SLOTS;
    int most_bullets = 0;
    int most_shots = 0;
};

// Ticks and frames as the loop interleaves them at 60 ticks and 30 animation steps a second,
// with a frame after every tick.
void play(int ticks, bool keep_it_busy, play_figures_t &fig) {
    for (int i = 1; i <= ticks; i++) {
        if (keep_it_busy) {
            keep_busy();
        }
        time_ms += CLOCK_STEPS[i % 3];
        play_logic_tick();
        if (i % 2 == 0) {
            play_anim_tick();
        }
        draw_whole_frame();
        present_frame();
        const census_t c = take_census();
        fig.fewest_flyers = std::min(fig.fewest_flyers, c.flyers);
        fig.most_bullets = std::max(fig.most_bullets, c.bullets);
        fig.most_shots = std::max(fig.most_shots, c.bullets + c.exhaust + c.enemy_shots);
    }
}

long allocations_while(int ticks, bool keep_it_busy, play_figures_t &fig) {
    // Allegro's polygon filler grows a scratch buffer the first time it runs, in the game's
    // first frame; and backtrace loads its unwinder on first use. Both happen here, before
    // counting.
    play_figures_t first_frames;
    play(2, keep_it_busy, first_frames);
    void *warm[2];
    backtrace(warm, 2);
    allocations = 0;
    counting = true;
    play(ticks, keep_it_busy, fig);
    counting = false;
    return allocations.load();
}

class NoAllocationInPlay : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(start_headless_game(data_path, true)); }
};

TEST_F(NoAllocationInPlay, BusySceneTenThousandTicksAndFrames) {
    scene_busy(11);
    play_figures_t warm_up;
    play(600, true, warm_up);

    play_figures_t fig;
    const long n = allocations_while(10000, true, fig);
    if (n > 0) {
        print_kept_traces();
    }
    EXPECT_EQ(n, 0) << "heap allocations during 10,000 ticks and frames of play";
    // The run really was busy: a squad firing into a swarm.
    EXPECT_GE(fig.fewest_flyers, 50);
    EXPECT_GE(fig.most_bullets, 20);
    EXPECT_GE(fig.most_shots, 100);
}

TEST_F(NoAllocationInPlay, FullPoolsTakingOverSlots) {
    scene_worst(12);
    play_figures_t fig;
    const long n = allocations_while(1000, true, fig);
    if (n > 0) {
        print_kept_traces();
    }
    EXPECT_EQ(n, 0) << "heap allocations while both pools were full";
}

TEST_F(NoAllocationInPlay, PlayerDownTheWorldFrozenUnderGameOver) {
    scene_busy(13);
    player.health = 0.0f;
    play_figures_t fig;
    const long n = allocations_while(1000, false, fig);
    if (n > 0) {
        print_kept_traces();
    }
    EXPECT_EQ(n, 0) << "heap allocations while GAME OVER was shown";
}

} // namespace

int main(int argc, char **argv) {
    for (int i = 1; i + 1 < argc; i++) {
        if (std::strcmp(argv[i], "--data") == 0) {
            data_path = argv[i + 1];
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
