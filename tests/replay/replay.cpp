// Plays input scripts through the headless game and checks where they end against a digest.
//
//   jetsquad_replay [--update] DATAFILE SCRIPT...      (DATAFILE -: the synthetic one)
//
// One command a line, '#' starts a comment (docs/replays.md):
//   seed 42                                   a new game, rand() seeded with 42
//   ticks 120 keys=WD mouse=320,200 buttons=L 120 passes of the loop with W and D held, the
//                                             mouse at frame point (320, 200) (it stays there
//                                             for later lines), the left button held (L, R)
//   expect bot1.deployed == 1                 the replay stops unless this holds now
//   pin frame                                 the digest holds the last frame's pixels too
// The expected digest of a.replay is a.digest beside it; --update writes it.
#include "headless.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

// Figures gathered over a replay, after every logic tick.
busy_t busy;
float shield_closest; // nearest a live flyer came to bot 1 while its shield was on
bool pin_frame;       // whether the digest holds the last frame's pixels

void note_figures() {
    note_busy(busy);
    for (const enemy_t &e : enemy) {
        // Measured as the flyers measure it when they turn away: between top-left corners.
        if ((bot[0].mode & MODE_ABILITY) && (e.flags & ENEMY_ALIVE) && (e.flags & ENEMY_FLYER)) {
            shield_closest = std::min(shield_closest, std::hypot(bot[0].x - e.x, bot[0].y - e.y));
        }
    }
}

[[noreturn]] void fail(const std::string &where, const std::string &why) {
    std::fprintf(stderr, "%s: %s\n", where.c_str(), why.c_str());
    std::exit(1);
}

template <typename... T> std::string format(const char *f, T... values) {
    char text[200];
    std::snprintf(text, sizeof text, f, values...);
    return text;
}

// Floats with nine significant digits: enough to tell any two floats apart.
std::string digest() {
    const census_t c = take_census();
    std::string d = format("ticks %ld\ntime_ms %d\ngame_over %s\nscore %.9g\nplayer health=%.9g "
                           "move_keys=%d\n",
                           passes_played, time_ms.load(), player.health <= 0.0f ? "yes" : "no",
                           player.score, player.health, player.move_keys);
    for (int k = 0; k < BOT_COUNT; k++) {
        d += format("bot%d health=%.9g charge=%.9g mode=%d\n", k + 1, bot[k].health, bot[k].charge,
                    bot[k].mode);
    }
    d += format("enemies ground=%d flyers=%d\nshots exhaust=%d bullets=%d enemy_shots=%d\n",
                c.ground, c.flyers, c.exhaust, c.bullets, c.enemy_shots);
    const world_hashes_t w = world_hashes();
    const char *parts[] = {"actors", "enemies", "shots", "ground", "view", "loop"};
    for (int i = 0; i < 6; i++) {
        d += format("world.%s %016" PRIx64 "\n", parts[i], w[i]);
    }
    return pin_frame ? d + format("frame %016" PRIx64 "\n", bitmap_hash(last_frame)) : d;
}

// The values an expect line can name.
std::map<std::string, double> values() {
    const census_t c = take_census();
    // clang-format off
    std::map<std::string, double> v = {
        {"score", player.score}, {"time_ms", time_ms.load()}, {"game_over", player.health <= 0},
        {"player.health", player.health}, {"player.x", player.x}, {"player.y", player.y},
        {"scroll.x", scroll.x}, {"scroll.y", scroll.y}, {"sound_volume", sound_volume},
        {"enemies.ground", c.ground}, {"enemies.flyers", c.flyers}, {"shots.exhaust", c.exhaust},
        {"shots.bullets", c.bullets}, {"shots.enemy", c.enemy_shots}, {"pending", sel.pending},
        {"pointer_flag", mouse_display_flag}, {"max.flyers", busy.most_flyers},
        {"max.enemy_shots", busy.most_enemy_shots}, {"shield.closest_flyer", shield_closest}};
    // clang-format on
    for (int k = 0; k < BOT_COUNT; k++) {
        const actor_t &b = bot[k];
        const std::string p = "bot" + std::to_string(k + 1) + ".";
        v[p + "health"] = b.health;
        v[p + "x"] = b.x;
        v[p + "deployed"] = (b.mode & command_bit(k)) != 0;
        v[p + "carried"] = (b.mode & pickup_bit(k)) != 0;
        v[p + "ability"] = (b.mode & MODE_ABILITY) != 0;
    }
    return v;
}

void ticks_line(std::istringstream &words, const std::string &where) {
    int count = 0;
    words >> count;
    release_all_keys();
    set_buttons(0);
    for (std::string word; words >> word;) {
        const std::string value = word.substr(word.find('=') + 1);
        if (word.rfind("keys=", 0) == 0 && value.find_first_not_of("WASD") == std::string::npos) {
            for (char ch : value) {
                hold_key(KEY_A + (ch - 'A')); // the library numbers the letter keys A to Z
            }
        } else if (word.rfind("buttons=", 0) == 0 &&
                   value.find_first_not_of("LR") == std::string::npos) {
            set_buttons((value.find('L') != std::string::npos) |
                        (value.find('R') != std::string::npos) << 1);
        } else if (word.rfind("mouse=", 0) != 0 ||
                   std::sscanf(value.c_str(), "%f,%f", &pointer_x, &pointer_y) != 2) {
            fail(where, "not a setting of W A S D keys, L R buttons or mouse=X,Y: " + word);
        }
    }
    for (int i = 0; i < count; i++) {
        play_pass(2, 2, note_figures);
    }
}

void expect_line(std::istringstream &words, const std::string &where) {
    std::string name, op;
    double rhs = 0.0;
    words >> name >> op >> rhs;
    const auto v = values();
    const double lhs = v.count(name) ? v.at(name) : NAN; // an unknown name fails below
    const std::map<std::string, bool> outcomes = {{"==", lhs == rhs}, {"!=", lhs != rhs},
                                                  {"<", lhs < rhs},   {"<=", lhs <= rhs},
                                                  {">", lhs > rhs},   {">=", lhs >= rhs}};
    if (!v.count(name) || !outcomes.count(op) || !outcomes.at(op)) {
        fail(where, format("expected %s %s %.9g, but it is %.9g at tick %ld", name.c_str(),
                           op.c_str(), rhs, lhs, passes_played));
    }
}

// Plays a script to its end and returns the digest of where it ended.
std::string play(const std::string &path) {
    std::ifstream in(path);
    bool seeded = false;
    int line_no = 0;
    for (std::string line; std::getline(in, line);) {
        const std::string where = path + ":" + std::to_string(++line_no);
        std::istringstream words(line.substr(0, line.find('#')));
        std::string command;
        unsigned seed = 0;
        if (!(words >> command)) {
            continue;
        } else if (command == "seed" && words >> seed) {
            new_game(seed);
            busy = busy_t{};
            shield_closest = 1e9f;
            pin_frame = false;
            seeded = true;
        } else if (seeded && command == "ticks") {
            ticks_line(words, where);
        } else if (seeded && command == "expect") {
            expect_line(words, where);
        } else if (command == "pin" && words >> command && command == "frame") {
            pin_frame = true;
        } else {
            fail(where, "a script is seed N, then lines of ticks N ..., expect NAME OP NUMBER and "
                        "pin frame");
        }
    }
    if (!seeded) {
        fail(path, "cannot read the script, or it has no seed line");
    }
    return digest();
}

} // namespace

int main(int argc, char **argv) {
    const bool update = argc > 1 && std::string(argv[1]) == "--update";
    if (argc < 3 + update || !start_headless_game(argv[1 + update])) {
        std::fprintf(stderr, "usage: jetsquad_replay [--update] DATAFILE SCRIPT...\n");
        return 2;
    }
    int failures = 0;
    for (int i = 2 + update; i < argc; i++) {
        const std::string script = argv[i], got = play(script);
        const std::string digest_path = script.substr(0, script.rfind(".replay")) + ".digest";
        std::ifstream in(digest_path);
        std::string want;
        for (std::string line; std::getline(in, line);) {
            want += line.empty() || line[0] == '#' ? "" : line + "\n";
        }
        if (update) {
            std::ofstream(digest_path)
                << "# Where " + script.substr(script.rfind('/') + 1) +
                       " ends; renew with jetsquad_replay --update (docs/replays.md).\n" + got;
        } else if (want != got) {
            failures++;
            std::fprintf(stderr, "%s: the digest differs; expected\n%sgot\n%s", script.c_str(),
                         want.c_str(), got.c_str());
        }
    }
    return failures == 0 ? 0 : 1;
}
