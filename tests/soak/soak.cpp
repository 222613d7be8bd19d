// A long run of the game under random hands, checking the world's invariants after every logic
// tick and every frame. Built with the sanitizers and run by scripts/sanitize.
//
//   jetsquad_soak DATAFILE SEED TICKS [full-pools]        (DATAFILE -: the synthetic one)
//
// Everything follows from the seed: a failure comes back with the same command. When
// the player dies a new game starts and the run goes on. With full-pools every game starts with
// both pools full and 30 enemy shots about to hatch, so spawning and firing take live slots over.
#include "scenes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

bool full_pools;
long played; // ticks of the whole run

// The hands' intent for a stretch of ticks: keys, the pointer's place, a way of using buttons.
int ticks_left, buttons, click_every;
float drift;

float between(float lo, float hi) {
    return lo + (hi - lo) * static_cast<float>(rand()) / static_cast<float>(RAND_MAX);
}

void new_stretch() {
    const int length = rand() % 100;
    ticks_left = length < 30 ? 1 + rand() % 5 : length < 80 ? 6 + rand() % 55 : 61 + rand() % 540;
    for (int k : {KEY_W, KEY_A, KEY_S, KEY_D}) {
        key[k] = rand() % 2 ? -1 : 0;
    }
    const int where = rand() % 100;
    if (where < 25) { // on a squad box
        pointer_x = static_cast<float>(195 + 60 * (rand() % 2)) + between(-16.0f, 16.0f);
        pointer_y = static_cast<float>(400 + 30 * (rand() % 3)) + between(-8.0f, 8.0f);
    } else if (where < 35) { // far outside the frame
        pointer_x = between(-300.0f, 940.0f), pointer_y = between(-300.0f, 780.0f);
    } else if (where >= 45) { // anywhere in it; else where it was
        pointer_x = between(0.0f, 640.0f), pointer_y = between(0.0f, 480.0f);
    }
    drift = rand() % 100 < 30 ? between(0.5f, 6.0f) : 0.0f;
    const int use = rand() % 100; // none, left, right, both held, or clicking
    buttons = use < 35 ? 0 : use < 65 ? 1 : use < 75 ? 2 : use < 80 ? 3 : 1 + rand() % 3;
    click_every = use < 80 ? 0 : 1 + rand() % 3;
    set_buttons(buttons);
}

void expect(bool ok, const char *what, int index) {
    if (!ok) {
        std::fprintf(stderr, "soak FAILED at tick %ld: %s %d\n", played, what, index);
        std::exit(1);
    }
}

bool finite(std::initializer_list<float> values) {
    return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

// Free (0), or exactly one kind bit of kinds, alive or not.
bool flags_ok(int f, int kinds) {
    const int kind = f & ~1;
    return f == 0 || (kind != 0 && (kind & kinds) == kind && (kind & (kind - 1)) == 0);
}

// After every logic tick and every frame.
void check_world() {
    for (int k = -1; k < BOT_COUNT; k++) {
        const actor_t &a = k < 0 ? player : bot[k];
        expect(finite({a.x, a.y, a.vx, a.vy, a.spring, a.health, a.anim_speed, a.last_shot}) &&
                   a.health <= 1 && (k < 0 || (a.charge >= 0 && a.charge <= 1)),
               "actor (-1: the player) not finite, over full health or charge out of 0..1:", k);
    }
    for (int i = 0; i < ENEMY_SLOTS; i++) {
        const enemy_t &e = enemy[i];
        const power_t &p = power[i];
        expect(flags_ok(e.flags, ENEMY_GROUND | ENEMY_FLYER) &&
                   finite({e.x, e.y, e.vx, e.vy, e.health, e.last_shot}),
               "enemy slot with bad flags or values", i);
        expect(flags_ok(p.flags, POWER_EXHAUST | POWER_BULLET | POWER_ENEMY_SHOT) &&
                   finite({p.x, p.y, p.vx, p.vy, p.born}),
               "shot slot with bad flags or values", i);
    }
    expect(enemy_loop >= 0 && enemy_loop < ENEMY_SLOTS, "enemy ring cursor", enemy_loop);
    expect(particle_loop >= 0 && particle_loop < POWER_SLOTS, "shot ring cursor", particle_loop);
    expect(finite({scroll.x, scroll.y}) && scroll.x >= 0 && player.x >= 0,
           "camera or player left of the world's start, camera x", static_cast<int>(scroll.x));
    expect(sound_volume >= 0 && sound_volume <= 255, "sound volume", sound_volume);
}

void start_game(unsigned seed) {
    full_pools ? scene_worst(seed) : new_game(seed);
    for (int i = 0; full_pools && i < 30; i++) {
        power[i].flags = POWER_ENEMY_SHOT + POWER_ALIVE;
        power[i].born = static_cast<float>(time_ms - 1900 - 20 * i);
    }
}

} // namespace

int main(int argc, char **argv) {
    full_pools = argc == 5 && std::strcmp(argv[4], "full-pools") == 0;
    if (argc != 4 + full_pools || !start_headless_game(argv[1])) {
        std::fprintf(stderr, "usage: jetsquad_soak DATAFILE|- SEED TICKS [full-pools]\n");
        return 2;
    }
    const unsigned seed = static_cast<unsigned>(std::atol(argv[2]));
    const long ticks = std::atol(argv[3]);
    start_game(seed);
    busy_t busy; // a new game has no bot deployed, no bullets and no flyers
    for (unsigned games = 1; played++ < ticks;) {
        if (--ticks_left <= 0) {
            new_stretch();
        }
        if (click_every && played % click_every == 0) {
            set_buttons(mouse_b ? 0 : buttons);
        }
        pointer_x += between(-drift, drift);
        pointer_y += between(-drift, drift);
        play_pass(2, 2, check_world);
        check_world();
        note_busy(busy);
        if (player.health <= 0.0f) { // the game has stopped: a new one
            start_game(seed * 7919u + ++games);
        }
    }
    std::printf("soak: %ld ticks with a bot deployed, %ld with bullets, %ld with flyers\n",
                busy.deployed, busy.firing, busy.hatched);
    // A soak whose hands never reach the squad or the enemies proves little.
    return ticks < 20000 || (busy.deployed > 0 && busy.firing > 0 && busy.hatched > 0) ? 0 : 1;
}
