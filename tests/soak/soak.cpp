// A long run of the game under random hands, checking the world's invariants after every logic
// tick and every frame. Built with AddressSanitizer and UndefinedBehaviorSanitizer.
//
//   jetsquad_soak (--data PATH | --synthetic) --seed S [--ticks N] [--frame-every K]
//                 [--scene opening|busy|worst]
//
// Each game starts as the program starts it, or from one of the benchmark scenes: worst starts
// with both pools full and some of the shots enemy shots about to hatch, so the ring searches
// of both pools take live slots over.
// Everything follows from the seed, so a failure reported at seed S, tick T comes back with
// the same command and --ticks T. When the player dies, a new game starts and the run goes on.
#include "scenes.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int CLOCK_STEPS[3] = {17, 17, 16};

struct options_t {
    const char *data_path = nullptr;
    bool synthetic = false;
    unsigned seed = 1;
    long ticks = 40000;
    int frame_every = 2;
    std::string scene = "opening";
};

// The hands' own random numbers, apart from the game's rand().
struct dice_t {
    uint64_t state;
    uint64_t next() {
        state += 0x9e3779b97f4a7c15ull;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
    bool chance(int percent) { return below(100) < percent; }
    float between(float lo, float hi) {
        return lo + (hi - lo) * static_cast<float>(next() >> 40) / static_cast<float>(1 << 24);
    }
};

// Centres of the six squad boxes in frame coordinates.
constexpr float BOX_CENTRE[BOX_COUNT][2] = {{195, 400}, {255, 400}, {195, 430},
                                            {255, 430}, {195, 460}, {255, 460}};

// One stretch of the same intent: keys held, a place for the pointer, a way of using buttons.
struct stretch_t {
    int ticks_left = 0;
    hands_t hands{};
    int click_period = 0; // 0: buttons held as they are; n: they flip every n ticks
    int click_buttons = 0;
    float drift = 0.0f;
};

stretch_t new_stretch(dice_t &dice, const hands_t &before) {
    stretch_t s;
    const int length = dice.below(100);
    s.ticks_left = length < 30   ? 1 + dice.below(5)
                   : length < 80 ? 6 + dice.below(55)
                                 : 61 + dice.below(540);
    hands_t &h = s.hands;
    h.w = dice.chance(45);
    h.a = dice.chance(25);
    h.s = dice.chance(20);
    h.d = dice.chance(50);

    const int where = dice.below(100);
    if (where < 25) {
        const int box = dice.below(BOX_COUNT);
        h.pointer_x = BOX_CENTRE[box][0] + dice.between(-16.0f, 16.0f);
        h.pointer_y = BOX_CENTRE[box][1] + dice.between(-8.0f, 8.0f);
    } else if (where < 35) {
        h.pointer_x = dice.between(-300.0f, 940.0f);
        h.pointer_y = dice.between(-300.0f, 780.0f);
    } else if (where < 45) {
        h.pointer_x = before.pointer_x;
        h.pointer_y = before.pointer_y;
    } else {
        h.pointer_x = dice.between(0.0f, 640.0f);
        h.pointer_y = dice.between(0.0f, 480.0f);
    }
    s.drift = dice.chance(30) ? dice.between(0.5f, 6.0f) : 0.0f;

    const int use = dice.below(100);
    if (use < 35) {
        h.buttons = 0;
    } else if (use < 65) {
        h.buttons = 1;
    } else if (use < 75) {
        h.buttons = 2;
    } else if (use < 80) {
        h.buttons = 3;
    } else {
        s.click_period = 1 + dice.below(3);
        s.click_buttons = dice.chance(80) ? 1 : dice.chance(50) ? 2 : 3;
        h.buttons = s.click_buttons;
    }
    return s;
}

void advance_stretch(stretch_t &s, dice_t &dice, long tick) {
    if (s.click_period > 0 && tick % s.click_period == 0) {
        s.hands.buttons = s.hands.buttons ? 0 : s.click_buttons;
    }
    if (s.drift > 0.0f) {
        s.hands.pointer_x += dice.between(-s.drift, s.drift);
        s.hands.pointer_y += dice.between(-s.drift, s.drift);
    }
    s.ticks_left--;
}

// ---- Invariants ----------------------------------------------------------------------------

char why[256];

bool finite(float v) {
    return std::isfinite(v);
}

bool actor_ok(const actor_t &a, const char *name, bool is_bot) {
    const float values[] = {a.x, a.y, a.vx, a.vy, a.spring, a.health, a.anim_speed};
    for (float v : values) {
        if (!finite(v)) {
            std::snprintf(why, sizeof why, "%s has a value that is not finite", name);
            return false;
        }
    }
    if (a.health > 1.0f) {
        std::snprintf(why, sizeof why, "%s health %.9g is over 1", name,
                      static_cast<double>(a.health));
        return false;
    }
    if (is_bot && !(a.charge >= 0.0f && a.charge <= 1.0f)) {
        std::snprintf(why, sizeof why, "%s charge %.9g is outside 0..1", name,
                      static_cast<double>(a.charge));
        return false;
    }
    if (is_bot && !finite(a.last_shot)) {
        std::snprintf(why, sizeof why, "%s last shot time is not finite", name);
        return false;
    }
    return true;
}

bool enemies_ok() {
    for (int i = 0; i < ENEMY_SLOTS; i++) {
        const enemy_t &e = enemy[i];
        // Free (0), or one kind bit with or without the alive bit.
        const int f = e.flags;
        if (f != 0 && f != 2 && f != 3 && f != 4 && f != 5) {
            std::snprintf(why, sizeof why, "enemy %d has flags %d", i, f);
            return false;
        }
        const float values[] = {e.x, e.y, e.vx, e.vy, e.health, e.last_shot};
        for (float v : values) {
            if (!finite(v)) {
                std::snprintf(why, sizeof why, "enemy %d has a value that is not finite", i);
                return false;
            }
        }
    }
    return true;
}

bool shots_ok() {
    for (int i = 0; i < POWER_SLOTS; i++) {
        const power_t &p = power[i];
        const int f = p.flags;
        if (f != 0 && f != 2 && f != 3 && f != 4 && f != 5 && f != 8 && f != 9) {
            std::snprintf(why, sizeof why, "shot %d has flags %d", i, f);
            return false;
        }
        const float values[] = {p.x, p.y, p.vx, p.vy, p.born};
        for (float v : values) {
            if (!finite(v)) {
                std::snprintf(why, sizeof why, "shot %d has a value that is not finite", i);
                return false;
            }
        }
    }
    return true;
}

bool world_ok() {
    if (!actor_ok(player, "player", false)) {
        return false;
    }
    const char *names[BOT_COUNT] = {"bot 1", "bot 2", "bot 3"};
    for (int k = 0; k < BOT_COUNT; k++) {
        if (!actor_ok(bot[k], names[k], true)) {
            return false;
        }
    }
    if (!enemies_ok() || !shots_ok()) {
        return false;
    }
    if (enemy_loop < 0 || enemy_loop >= ENEMY_SLOTS || particle_loop < 0 ||
        particle_loop >= POWER_SLOTS) {
        std::snprintf(why, sizeof why, "ring cursors %d and %d out of 0..499", enemy_loop,
                      particle_loop);
        return false;
    }
    if (!finite(scroll.x) || !finite(scroll.y) || scroll.x < 0.0f || player.x < 0.0f) {
        std::snprintf(why, sizeof why, "camera (%.9g, %.9g) with the player at x %.9g",
                      static_cast<double>(scroll.x), static_cast<double>(scroll.y),
                      static_cast<double>(player.x));
        return false;
    }
    if (sound_volume < 0 || sound_volume > 255) {
        std::snprintf(why, sizeof why, "sound volume %d out of 0..255", sound_volume);
        return false;
    }
    return true;
}

// ---- The run -------------------------------------------------------------------------------

struct tally_t {
    long ticks = 0;
    long frames = 0;
    int games = 1;
    long deploys = 0;
    long pickups = 0;
    long ability_switches = 0;
    long bullets_fired = 0;
    long flyers_hatched = 0;
    long slots_taken_over = 0;
    int max_flyers = 0;
    int max_shots = 0;
    float best_score = 0.0f;
};

void count_changes(tally_t &t, const int mode_before[BOT_COUNT], int flyers_before,
                   int bullets_before) {
    for (int k = 0; k < BOT_COUNT; k++) {
        const int now = bot[k].mode;
        t.deploys += (now & command_bit(k)) && !(mode_before[k] & command_bit(k));
        t.pickups += (now & pickup_bit(k)) && !(mode_before[k] & pickup_bit(k));
        t.ability_switches += (now & MODE_ABILITY) != (mode_before[k] & MODE_ABILITY);
    }
    const census_t c = take_census();
    t.flyers_hatched += c.flyers > flyers_before ? c.flyers - flyers_before : 0;
    // A flyer placed over a live slot starts with 2 health instead of 4.
    if (enemy_loop >= 0 && enemy_loop < ENEMY_SLOTS && enemy[enemy_loop].health == 2.0f &&
        (enemy[enemy_loop].flags & ENEMY_FLYER) && c.flyers >= flyers_before &&
        enemy[enemy_loop].last_shot == static_cast<float>(time_ms.load())) {
        t.slots_taken_over++;
    }
    t.bullets_fired += c.bullets > bullets_before ? c.bullets - bullets_before : 0;
    t.max_flyers = std::max(t.max_flyers, c.flyers);
    t.max_shots = std::max(t.max_shots, c.exhaust + c.bullets + c.enemy_shots);
    t.best_score = std::max(t.best_score, player.score);
}

[[noreturn]] void report_failure(const options_t &opt, const tally_t &t, long game_start,
                                 const char *after) {
    std::fprintf(stderr,
                 "soak FAILED: seed %u, tick %ld (game %d, its tick %ld), after the %s: %s\n"
                 "replay it with: jetsquad_soak %s%s --seed %u --ticks %ld --frame-every %d "
                 "--scene %s\n",
                 opt.seed, t.ticks, t.games, t.ticks - game_start, after, why,
                 opt.synthetic ? "--synthetic" : "--data ", opt.synthetic ? "" : opt.data_path,
                 opt.seed, t.ticks, opt.frame_every, opt.scene.c_str());
    std::exit(1);
}

void start_game(const options_t &opt, unsigned game_seed) {
    if (opt.scene == "busy") {
        scene_busy(game_seed);
    } else if (opt.scene == "worst") {
        scene_worst(game_seed);
        for (int i = 0; i < 30; i++) {
            power[i].flags = POWER_ENEMY_SHOT + POWER_ALIVE;
            power[i].born = static_cast<float>(time_ms.load() - 1900 - 20 * i);
        }
    } else {
        new_game(game_seed);
    }
}

int run(const options_t &opt) {
    dice_t dice{opt.seed * 0x2545f4914f6cdd1dull + 1};
    tally_t t;
    unsigned game_seed = opt.seed;
    start_game(opt, game_seed);
    long game_start = 0;
    stretch_t s;

    while (t.ticks < opt.ticks) {
        if (s.ticks_left <= 0) {
            s = new_stretch(dice, s.hands);
        }
        advance_stretch(s, dice, t.ticks);
        t.ticks++;
        time_ms += CLOCK_STEPS[t.ticks % 3];
        set_hands(s.hands);

        int mode_before[BOT_COUNT];
        for (int k = 0; k < BOT_COUNT; k++) {
            mode_before[k] = bot[k].mode;
        }
        const census_t before = take_census();
        play_logic_tick();
        count_changes(t, mode_before, before.flyers, before.bullets);
        if (!world_ok()) {
            report_failure(opt, t, game_start, "logic tick");
        }

        if (t.ticks % 2 == 0) {
            play_anim_tick();
        }
        if (t.ticks % opt.frame_every == 0) {
            const census_t b = take_census();
            draw_whole_frame();
            present_frame();
            t.frames++;
            count_changes(t, mode_before, b.flyers, b.bullets);
            if (!world_ok()) {
                report_failure(opt, t, game_start, "frame");
            }
        }

        // The game stops at the player's death; the soak goes on with a new one.
        if (player.health <= 0.0f) {
            start_game(opt, ++game_seed * 7919u);
            t.games++;
            game_start = t.ticks;
        }
    }

    std::printf(
        "soak %s seed %u: %ld ticks, %ld frames, %d games; %ld deploys, %ld pickups, "
        "%ld ability switches, %ld bullets, %ld flyers hatched (at least %ld over live slots), at "
        "most %d flyers and %d "
        "shots at once, best score %.0f\n",
        opt.scene.c_str(), opt.seed, t.ticks, t.frames, t.games, t.deploys, t.pickups,
        t.ability_switches, t.bullets_fired, t.flyers_hatched, t.slots_taken_over, t.max_flyers,
        t.max_shots, static_cast<double>(t.best_score));
    // A soak whose hands never reach the squad or the enemies proves little.
    if (opt.ticks >= 20000 && (t.deploys == 0 || t.bullets_fired == 0 || t.flyers_hatched == 0)) {
        std::fprintf(stderr, "soak seed %u covered too little of the game\n", opt.seed);
        return 1;
    }
    return 0;
}

options_t parse_options(int argc, char **argv) {
    options_t opt;
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--data" && has_value) {
            opt.data_path = argv[++i];
        } else if (a == "--synthetic") {
            opt.synthetic = true;
        } else if (a == "--seed" && has_value) {
            opt.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--ticks" && has_value) {
            opt.ticks = std::atol(argv[++i]);
        } else if (a == "--scene" && has_value) {
            opt.scene = argv[++i];
            if (opt.scene != "opening" && opt.scene != "busy" && opt.scene != "worst") {
                std::fprintf(stderr, "scenes are opening, busy and worst\n");
                std::exit(2);
            }
        } else if (a == "--frame-every" && has_value) {
            opt.frame_every = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: jetsquad_soak (--data PATH | --synthetic) --seed S "
                                 "[--ticks N] [--frame-every K] [--scene S]\n");
            std::exit(2);
        }
    }
    if (!opt.data_path && !opt.synthetic) {
        std::fprintf(stderr, "jetsquad_soak: name the data file with --data, or --synthetic\n");
        std::exit(2);
    }
    return opt;
}

} // namespace

int main(int argc, char **argv) {
    const options_t opt = parse_options(argc, argv);
    if (!start_headless_game(opt.synthetic ? nullptr : opt.data_path, true)) {
        return 1;
    }
    return run(opt);
}
