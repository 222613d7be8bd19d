// The game allocates only at start-up: once playing, ticks and frames of even the busiest scene
// must not touch the heap, neither in the game's code nor in the library calls it makes.
//
// Every allocation of the process is counted: malloc and its kin are replaced by wrappers around
// glibc's own entry points (the program's definitions win over the C library's, for the game
// and for Allegro's shared library alike; operator new reaches malloc through the C++ library).
//
//   jetsquad_alloc_tests [DATAFILE [SHARE]]   (DATAFILE none or -: the synthetic data file)
//
// SHARE n counts 1/n of the passes, for emulators that run it many times slower; the same scenes,
// as busy from the first counted pass.
#include "scenes.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <execinfo.h>
#include <unistd.h>

namespace {

bool counting;
long allocations;
void *first_trace[24]; // where the first allocation during play came from
int first_depth;

void *counted(void *p) {
    if (counting && allocations++ == 0) {
        first_depth = backtrace(first_trace, 24);
    }
    return p;
}

int failures = 0;

busy_t busy; // of the counted passes

// Passes with a frame each, as a loop that draws faster than it ticks runs them, the flyers
// topped up; the warm-up before counting (backtrace loads its unwinder on its first use).
void expect_no_allocation(const char *what, int warm_up, int passes) {
    backtrace(first_trace, 1);
    for (int i = -warm_up; i < passes; i++) {
        if (i == 0) { // the figures and the count start here
            busy = busy_t{};
            allocations = 0;
            counting = true;
        }
        keep_busy();
        play_pass(2, 1);
        note_busy(busy);
    }
    counting = false;
    if (allocations > 0) {
        std::fprintf(stderr, "%s: %ld heap allocations; the first from:\n", what, allocations);
        backtrace_symbols_fd(first_trace, first_depth, STDERR_FILENO);
        failures++;
    }
}

} // namespace

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *p, size_t size);
void *__libc_memalign(size_t alignment, size_t size);

void *malloc(size_t size) {
    return counted(__libc_malloc(size));
}
void *calloc(size_t count, size_t size) {
    return counted(__libc_calloc(count, size));
}
void *realloc(void *p, size_t size) {
    return counted(__libc_realloc(p, size));
}
void *aligned_alloc(size_t alignment, size_t size) {
    return counted(__libc_memalign(alignment, size));
}
}

int main(int argc, char **argv) {
    if (!start_headless_game(argc > 1 ? argv[1] : nullptr)) {
        return 1;
    }
    const int share = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    scene_busy(11);
    expect_no_allocation("the busy scene", 600, 10000 / share);
    if (busy.fewest_flyers < 50 || busy.most_bullets < 20 || busy.most_shots < 100) {
        std::fprintf(stderr, "the busy scene was not busy: %d flyers, %d bullets, %d shots\n",
                     busy.fewest_flyers, busy.most_bullets, busy.most_shots);
        failures++;
    }
    scene_worst(12);
    expect_no_allocation("both pools full", 2, 1000 / share);
    scene_busy(13);
    player.health = 0.0f;
    expect_no_allocation("GAME OVER", 2, 1000 / share);
    return failures ? 1 : 0;
}
