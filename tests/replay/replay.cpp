// Plays input scripts through the headless game and checks the digest of where they end.
//
//   jetsquad_replay [--data PATH | --synthetic] [--update] [--print] [--trace N]
//                   [--save-frame FILE.bmp] SCRIPT...
//
// A script is text, one command a line, '#' starts a comment:
//   seed 42                      a new game with the random generator seeded with 42
//   ticks 120 keys=WD mouse=320,200 buttons=L frame_every=2 anim_every=2
//                                120 logic ticks with W and D held, the pointer at frame point
//                                (320, 200) (it stays there for later lines unless moved), the
//                                left button held (L, R, LR; none if left out), a frame drawn
//                                after every 2nd tick and an animation tick after every 2nd
//   expect bot1.mode == 8        stops the replay unless the condition holds now
// The clock advances 17, 17, 16 ms before each tick (60 ticks per second on average). The
// expected digest of a.replay is a.digest beside it; --update writes it.
#include "headless.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int CLOCK_STEPS[3] = {17, 17, 16};

struct options_t {
    const char *data_path = nullptr;
    bool synthetic = false;
    bool update = false;
    bool print = false;
    int trace_every = 0;
    const char *save_frame = nullptr;
    std::vector<std::string> scripts;
};

// What a replay has seen so far, beyond the world itself.
struct run_t {
    long ticks = 0;
    int frames = 0;
    int max_flyers = 0;
    int max_enemy_shots = 0;
    float shield_closest = 1e9f; // nearest a live flyer came to bot 1 while its shield was on
    bool has_frame = false;
    hands_t hands{};
};

// A copy of the last frame drawn, before it was cleared.
BITMAP *last_frame;

[[noreturn]] void fail(const std::string &where, const std::string &why) {
    std::fprintf(stderr, "%s: %s\n", where.c_str(), why.c_str());
    std::exit(1);
}

std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char *fmt, ...) {
    char text[256];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return text;
}

// Floats print with nine significant digits: enough to tell any two floats apart.
std::string num(float v) {
    return format("%.9g", static_cast<double>(v));
}

std::string hex(uint64_t v) {
    return format("%016llx", static_cast<unsigned long long>(v));
}

// ---- The digest ----------------------------------------------------------------------------

using digest_t = std::vector<std::pair<std::string, std::string>>;

digest_t make_digest(const run_t &run) {
    const census_t c = take_census();
    digest_t d;
    d.emplace_back("ticks", std::to_string(run.ticks));
    d.emplace_back("time_ms", std::to_string(time_ms.load()));
    d.emplace_back("game_over", player.health <= 0.0f ? "yes" : "no");
    d.emplace_back("score", num(player.score));
    d.emplace_back("player", "health=" + num(player.health) +
                                 " move_keys=" + std::to_string(player.move_keys));
    for (int k = 0; k < BOT_COUNT; k++) {
        d.emplace_back("bot" + std::to_string(k + 1), "health=" + num(bot[k].health) +
                                                          " charge=" + num(bot[k].charge) +
                                                          " mode=" + std::to_string(bot[k].mode));
    }
    d.emplace_back("enemies",
                   "ground=" + std::to_string(c.ground) + " flyers=" + std::to_string(c.flyers));
    d.emplace_back("shots", "exhaust=" + std::to_string(c.exhaust) +
                                " bullets=" + std::to_string(c.bullets) +
                                " enemy_shots=" + std::to_string(c.enemy_shots));
    const world_hashes_t w = world_hashes();
    d.emplace_back("world.actors", hex(w.actors));
    d.emplace_back("world.enemies", hex(w.enemies));
    d.emplace_back("world.shots", hex(w.shots));
    d.emplace_back("world.ground", hex(w.ground));
    d.emplace_back("world.view", hex(w.view));
    d.emplace_back("world.loop", hex(w.loop));
    d.emplace_back("frame", run.has_frame ? hex(bitmap_hash(last_frame)) : "none");
    return d;
}

std::string digest_text(const digest_t &d) {
    std::string text;
    for (const auto &[name, value] : d) {
        text += name + " " + value + "\n";
    }
    return text;
}

bool read_digest(const std::string &path, digest_t &d) {
    std::ifstream in(path);
    if (!in) {
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        const size_t space = line.find(' ');
        if (line.empty() || line[0] == '#' || space == std::string::npos) {
            continue;
        }
        d.emplace_back(line.substr(0, space), line.substr(space + 1));
    }
    return true;
}

// Names every part of the digest that changed; true when nothing did.
bool compare_digests(const std::string &script, const digest_t &expected, const digest_t &got) {
    std::map<std::string, std::string> want(expected.begin(), expected.end());
    const std::map<std::string, std::string> have(got.begin(), got.end());
    bool same = true;
    for (const auto &[name, value] : expected) {
        if (have.find(name) == have.end()) {
            std::fprintf(stderr, "%s: the digest no longer has '%s' (expected %s)\n",
                         script.c_str(), name.c_str(), value.c_str());
            same = false;
        }
    }
    for (const auto &[name, value] : got) {
        const auto it = want.find(name);
        if (it == want.end()) {
            std::fprintf(stderr, "%s: digest has no '%s' (got %s)\n", script.c_str(), name.c_str(),
                         value.c_str());
            same = false;
        } else if (it->second != value) {
            std::fprintf(stderr, "%s: %s changed\n    expected %s\n    got      %s\n",
                         script.c_str(), name.c_str(), it->second.c_str(), value.c_str());
            same = false;
        }
    }
    return same;
}

// ---- Values an expect line can name --------------------------------------------------------

bool bot_field(const std::string &name, double &out) {
    if (name.size() < 6 || name.compare(0, 3, "bot") != 0 || name[4] != '.') {
        return false;
    }
    const int k = name[3] - '1';
    if (k < 0 || k >= BOT_COUNT) {
        return false;
    }
    const std::string f = name.substr(5);
    const actor_t &b = bot[k];
    if (f == "health") {
        out = b.health;
    } else if (f == "charge") {
        out = b.charge;
    } else if (f == "mode") {
        out = b.mode;
    } else if (f == "deployed") {
        out = (b.mode & command_bit(k)) ? 1 : 0;
    } else if (f == "carried") {
        out = (b.mode & pickup_bit(k)) ? 1 : 0;
    } else if (f == "ability") {
        out = (b.mode & MODE_ABILITY) ? 1 : 0;
    } else if (f == "x") {
        out = b.x;
    } else if (f == "y") {
        out = b.y;
    } else {
        return false;
    }
    return true;
}

bool field_value(const std::string &name, const run_t &run, double &out) {
    if (bot_field(name, out)) {
        return true;
    }
    const census_t c = take_census();
    const std::map<std::string, std::function<double()>> fields = {
        {"score", [] { return player.score; }},
        {"time_ms", [] { return time_ms.load(); }},
        {"game_over", [] { return player.health <= 0.0f ? 1 : 0; }},
        {"player.health", [] { return player.health; }},
        {"player.x", [] { return player.x; }},
        {"player.y", [] { return player.y; }},
        {"scroll.x", [] { return scroll.x; }},
        {"scroll.y", [] { return scroll.y; }},
        {"enemies.ground", [&] { return c.ground; }},
        {"enemies.flyers", [&] { return c.flyers; }},
        {"shots.exhaust", [&] { return c.exhaust; }},
        {"shots.bullets", [&] { return c.bullets; }},
        {"shots.enemy", [&] { return c.enemy_shots; }},
        {"max.flyers", [&] { return run.max_flyers; }},
        {"max.enemy_shots", [&] { return run.max_enemy_shots; }},
        {"shield.closest_flyer", [&] { return run.shield_closest; }},
        {"sound_volume", [] { return sound_volume; }},
        {"pointer_flag", [] { return mouse_display_flag; }},
        {"pending", [] { return sel.pending; }},
    };
    const auto it = fields.find(name);
    if (it == fields.end()) {
        return false;
    }
    out = it->second();
    return true;
}

bool holds(double lhs, const std::string &op, double rhs, bool &known) {
    known = true;
    if (op == "==") {
        return lhs == rhs;
    }
    if (op == "!=") {
        return lhs != rhs;
    }
    if (op == "<") {
        return lhs < rhs;
    }
    if (op == "<=") {
        return lhs <= rhs;
    }
    if (op == ">") {
        return lhs > rhs;
    }
    if (op == ">=") {
        return lhs >= rhs;
    }
    known = false;
    return false;
}

// ---- Playing -------------------------------------------------------------------------------

void trace(const run_t &run) {
    const census_t c = take_census();
    std::fprintf(stderr,
                 "tick %ld time %d player (%.1f, %.1f) v (%.2f, %.2f) health %.3f score %.0f "
                 "scroll (%.1f, %.1f) ground %d flyers %d shots %d/%d/%d\n",
                 run.ticks, time_ms.load(), static_cast<double>(player.x),
                 static_cast<double>(player.y), static_cast<double>(player.vx),
                 static_cast<double>(player.vy), static_cast<double>(player.health),
                 static_cast<double>(player.score), static_cast<double>(scroll.x),
                 static_cast<double>(scroll.y), c.ground, c.flyers, c.exhaust, c.bullets,
                 c.enemy_shots);
    for (int i = 0; i < ENEMY_SLOTS; i++) {
        const enemy_t &e = enemy[i];
        const float fx = e.x - scroll.x;
        if ((e.flags & ENEMY_ALIVE) && fx > -50.0f && fx < 640.0f) {
            std::fprintf(stderr, "    enemy %d %s at frame (%.0f, %.0f) health %.0f\n", i,
                         (e.flags & ENEMY_GROUND) ? "ground" : "flyer", static_cast<double>(fx),
                         static_cast<double>(e.y - scroll.y), static_cast<double>(e.health));
        }
    }
    for (int k = 0; k < BOT_COUNT; k++) {
        if (bot[k].mode & command_bit(k)) {
            std::fprintf(stderr, "    bot %d at frame (%.0f, %.0f) health %.3f mode %d\n", k + 1,
                         static_cast<double>(bot[k].x - scroll.x),
                         static_cast<double>(bot[k].y - scroll.y),
                         static_cast<double>(bot[k].health), bot[k].mode);
        }
    }
}

// Measured as the flyers measure it when they decide to turn away: between top-left corners.
void note_shield_distance(run_t &run) {
    if (!(bot[0].mode & MODE_ABILITY)) {
        return;
    }
    for (const enemy_t &e : enemy) {
        if ((e.flags & ENEMY_ALIVE) && (e.flags & ENEMY_FLYER)) {
            const float dx = bot[0].x - e.x;
            const float dy = bot[0].y - e.y;
            run.shield_closest = std::min(run.shield_closest, std::sqrt(dx * dx + dy * dy));
        }
    }
}

void play_one_tick(run_t &run, int frame_every, int anim_every, const options_t &opt) {
    run.ticks++;
    time_ms += CLOCK_STEPS[(run.ticks - 1) % 3];
    set_hands(run.hands);
    play_logic_tick();
    const census_t c = take_census();
    run.max_flyers = std::max(run.max_flyers, c.flyers);
    run.max_enemy_shots = std::max(run.max_enemy_shots, c.enemy_shots);
    note_shield_distance(run);
    if (run.ticks % anim_every == 0) {
        play_anim_tick();
    }
    if (run.ticks % frame_every == 0) {
        draw_whole_frame();
        blit(buffer, last_frame, 0, 0, 0, 0, BUFFER_W, BUFFER_H);
        run.has_frame = true;
        run.frames++;
        present_frame();
    }
    if (opt.trace_every > 0 && run.ticks % opt.trace_every == 0) {
        trace(run);
    }
}

int positive(const std::string &where, const std::string &text) {
    const int n = std::atoi(text.c_str());
    if (n <= 0) {
        fail(where, "expected a positive number, got '" + text + "'");
    }
    return n;
}

void ticks_command(std::istringstream &words, const std::string &where, run_t &run,
                   const options_t &opt) {
    std::string count_text;
    words >> count_text;
    const int count = positive(where, count_text);
    hands_t h{};
    h.pointer_x = run.hands.pointer_x;
    h.pointer_y = run.hands.pointer_y;
    int frame_every = 2;
    int anim_every = 2;
    std::string word;
    while (words >> word) {
        const size_t eq = word.find('=');
        const std::string name = word.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : word.substr(eq + 1);
        if (name == "keys") {
            for (char ch : value) {
                switch (ch) {
                case 'W':
                    h.w = true;
                    break;
                case 'A':
                    h.a = true;
                    break;
                case 'S':
                    h.s = true;
                    break;
                case 'D':
                    h.d = true;
                    break;
                default:
                    fail(where, "keys are W, A, S and D");
                }
            }
        } else if (name == "mouse") {
            float x = 0.0f;
            float y = 0.0f;
            if (std::sscanf(value.c_str(), "%f,%f", &x, &y) != 2) {
                fail(where, "mouse=X,Y");
            }
            h.pointer_x = x;
            h.pointer_y = y;
        } else if (name == "buttons") {
            for (char ch : value) {
                if (ch == 'L') {
                    h.buttons |= 1;
                } else if (ch == 'R') {
                    h.buttons |= 2;
                } else {
                    fail(where, "buttons are L and R");
                }
            }
        } else if (name == "frame_every") {
            frame_every = positive(where, value);
        } else if (name == "anim_every") {
            anim_every = positive(where, value);
        } else {
            fail(where, "unknown setting '" + word + "'");
        }
    }
    run.hands = h;
    for (int i = 0; i < count; i++) {
        play_one_tick(run, frame_every, anim_every, opt);
    }
}

void expect_command(std::istringstream &words, const std::string &where, const run_t &run) {
    std::string name;
    std::string op;
    double rhs = 0.0;
    if (!(words >> name >> op >> rhs)) {
        fail(where, "expect NAME OP NUMBER");
    }
    double lhs = 0.0;
    if (!field_value(name, run, lhs)) {
        fail(where, "unknown value '" + name + "'");
    }
    bool known = false;
    if (!holds(lhs, op, rhs, known)) {
        fail(where, known ? format("expected %s %s %g, but it is %.9g at tick %ld", name.c_str(),
                                   op.c_str(), rhs, lhs, run.ticks)
                          : "unknown comparison '" + op + "'");
    }
}

// Plays a script to its end and returns the digest of where it ended.
digest_t play_script(const std::string &path, const options_t &opt) {
    std::ifstream in(path);
    if (!in) {
        fail(path, "cannot read the script");
    }
    run_t run;
    bool seeded = false;
    std::string line;
    int line_no = 0;
    while (std::getline(in, line)) {
        line_no++;
        const std::string where = path + ":" + std::to_string(line_no);
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string command;
        if (!(words >> command)) {
            continue;
        }
        if (command == "seed") {
            unsigned seed = 0;
            if (!(words >> seed)) {
                fail(where, "seed NUMBER");
            }
            new_game(seed);
            run = run_t{};
            seeded = true;
            continue;
        }
        if (!seeded) {
            fail(where, "a script starts with its seed");
        }
        if (command == "ticks") {
            ticks_command(words, where, run, opt);
        } else if (command == "expect") {
            expect_command(words, where, run);
        } else {
            fail(where, "unknown command '" + command + "'");
        }
    }
    if (opt.save_frame && run.has_frame) {
        save_bitmap(opt.save_frame, last_frame, nullptr);
    }
    return make_digest(run);
}

std::string digest_path(const std::string &script) {
    const size_t dot = script.rfind('.');
    const size_t slash = script.rfind('/');
    const bool has_ext = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_ext ? script.substr(0, dot) : script) + ".digest";
}

options_t parse_options(int argc, char **argv) {
    options_t opt;
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        if (a == "--data" && i + 1 < argc) {
            opt.data_path = argv[++i];
        } else if (a == "--synthetic") {
            opt.synthetic = true;
        } else if (a == "--update") {
            opt.update = true;
        } else if (a == "--print") {
            opt.print = true;
        } else if (a == "--trace" && i + 1 < argc) {
            opt.trace_every = std::atoi(argv[++i]);
        } else if (a == "--save-frame" && i + 1 < argc) {
            opt.save_frame = argv[++i];
        } else if (!a.empty() && a[0] == '-') {
            fail("jetsquad_replay", "unknown option " + a);
        } else {
            opt.scripts.push_back(a);
        }
    }
    if (opt.scripts.empty() || (!opt.data_path && !opt.synthetic)) {
        std::fprintf(stderr, "usage: jetsquad_replay (--data PATH | --synthetic) [--update] "
                             "[--print] [--trace N] [--save-frame FILE.bmp] SCRIPT...\n");
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
    last_frame = create_bitmap(BUFFER_W, BUFFER_H);

    int failures = 0;
    for (const std::string &script : opt.scripts) {
        const digest_t got = play_script(script, opt);
        const std::string text = digest_text(got);
        if (opt.print) {
            std::printf("%s", text.c_str());
        }
        const std::string expected_path = digest_path(script);
        if (opt.update) {
            std::ofstream out(expected_path);
            out << "# Where " << script.substr(script.rfind('/') + 1)
                << " ends; renew with jetsquad_replay --update (docs/replays.md).\n"
                << text;
            std::printf("%s: digest written to %s\n", script.c_str(), expected_path.c_str());
            continue;
        }
        if (opt.print) {
            continue;
        }
        digest_t expected;
        if (!read_digest(expected_path, expected)) {
            std::fprintf(stderr, "%s: no digest %s yet; write it with --update\n", script.c_str(),
                         expected_path.c_str());
            failures++;
        } else if (!compare_digests(script, expected, got)) {
            failures++;
        } else {
            std::printf("%s: digest matches\n", script.c_str());
        }
    }
    return failures == 0 ? 0 : 1;
}
