// What a data file does in play, fed any bytes: the game loads them its own way
// (load_game_data), and an accepted file is played as the game plays it: the buzz and the song
// started together, the song through Allegro's own MIDI player and software synthesiser with
// the game's instruments (patches.dat, handed over as the game does), everything mixed by
// Allegro's mixer into memory at one of the mixing rates and qualities a player may set, while
// the headless game runs ticks and frames with flyers in view and hands on the controls.
//
// The sound is the headless platform's (src/platform/headless_sound.h): Allegro's own MIDI
// player, synthesiser and mixer, its timer advanced by the time of each pass.
//
// Built with libFuzzer (JETSQUAD_LIBFUZZER) this is a fuzz target; built without, it plays the
// files it is given, and fails if one in a directory named "refused" is accepted.
// JETSQUAD_GAME names the game whose patches.dat is used (default: this build's).
#include "enemies.h"
#include "game.h"
#include "game_files.h"
#include "headless.h"
#include "headless_sound.h"
#include "replay_inputs.h"

#include <allegro/internal/aintern.h> // _sound_hq, the mixer's quality

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

// Allegro's synthesiser opens the patch set each time a song starts and never closes it.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:_pack_fdopen\n";
}
extern "C" const char *__lsan_default_options() {
    return "print_suppressions=0";
}

namespace {

constexpr int RATES[] = {8000, 11025, 22050, 44100, 48000};
constexpr int PASSES = 120;     // two seconds of play
constexpr int SONG_STEPS = 200; // then forty more seconds of the song, a fifth at a time
int mix_setting = -1;           // which of the settings below is installed

// Sound with one of the settings a player may choose (60 in all): a mixing rate, a quality (0
// fast, 1 interpolated, 2 high), stereo or mono, 16 or 8 bits. Mono is mixed at quality 0 only,
// as the game keeps it: at the others Allegro's mixer writes past its buffer. The instruments load
// again with the next song.
void sound_with(int setting) {
    if (setting == mix_setting) {
        return;
    }
    mix_setting = setting;
    _sound_hq = setting / 5 % 3;
    const bool stereo = setting / 15 % 2 == 0;
    if (!stereo) { // the finer qualities write two channels whatever the output has
        _sound_hq = 0;
    }
    if (!install_headless_sound(RATES[setting % 5], stereo, setting / 30 % 2 == 0)) {
        std::fprintf(stderr, "no sound: %s (is patches.dat beside the game?)\n", allegro_error);
        std::abort();
    }
    set_volume(255, 255);
}

// Hands from the input's bytes: keys, buttons and the pointer change every quarter second.
void hands(const uint8_t *data, size_t size, int pass) {
    const uint8_t b = size ? data[(static_cast<size_t>(pass) * 7919u) % size] : 0;
    release_all_keys();
    const int keys[] = {KEY_W, KEY_A, KEY_S, KEY_D};
    for (int k = 0; k < 4; k++) {
        if (b >> k & 1) {
            hold_key(keys[k]);
        }
    }
    set_buttons(b >> 4 & 3);
    pointer_x = static_cast<float>(b * 5 % 640), pointer_y = static_cast<float>(b * 3 % 480);
}

// What the synthesiser left open of the patch set (a memory file) but the game's own copy:
// closed, so that a long run does not run out of descriptors.
int patch_set_fd = -1;
void close_patch_set_leftovers() {
    std::vector<int> copies;
    DIR *dir = opendir("/proc/self/fd");
    while (dirent *e = dir ? readdir(dir) : nullptr) {
        char target[256] = "";
        const std::string link = std::string("/proc/self/fd/") + e->d_name;
        if (readlink(link.c_str(), target, sizeof target - 1) > 0 &&
            std::string(target).rfind("/memfd:jetsquad", 0) == 0) {
            copies.push_back(std::atoi(e->d_name));
        }
    }
    if (dir) {
        closedir(dir);
    }
    for (int fd : copies) {
        if (fd != patch_set_fd) {
            close(fd);
        }
    }
}

// Plays an accepted file; the world, the sound and the data file are the headless ones after.
void play(DATAFILE *dat, const uint8_t *data, size_t size) {
    datafile = dat;
    new_game(static_cast<unsigned>(size));
    init_enemy(10, ENEMY_FLYER, static_cast<int>(scroll.x) + 320); // the buzz grows loud
    start_buzz_and_music();
    for (int pass = 0; pass < PASSES; pass++) {
        if (pass % 15 == 0) {
            hands(data, size, pass / 15);
        }
        play_pass(2, 4);
        run_headless_timer(17);
        mix_headless_sound();
    }
    for (int step = 0; step < SONG_STEPS; step++) {
        run_headless_timer(200);
        mix_headless_sound();
    }
    stop_midi();
    stop_sample(static_cast<SAMPLE *>(dat[OBJ_BUZZ].dat));
    release_all_keys();
    set_buttons(0);
    start_headless_game_library(); // back to the synthetic data file
    unload_datafile(dat);
    close_patch_set_leftovers();
}

bool load_and_play(const uint8_t *data, size_t size) {
    sound_with(static_cast<int>(size / 4 % 60));
    DATAFILE *dat = load_game_data(data, size);
    if (dat) {
        play(dat, data, size);
    }
    return dat != nullptr;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    start_headless_game("-"); // the colour tables and the window stand-in; the data comes later
    if (!start_headless_sound_system()) {
        std::abort();
    }
    const char *game = std::getenv("JETSQUAD_GAME");
    const std::string patches = patches_config(game && *game ? game : JETSQUAD_GAME);
    std::sscanf(patches.c_str(), "patches = /proc/self/fd/%d", &patch_set_fd);
    const std::string sound = "[sound]\n" + patches;
    override_config_data(sound.c_str(), static_cast<int>(sound.size()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    load_and_play(data, size);
    return 0;
}

#ifndef JETSQUAD_LIBFUZZER
int main(int argc, char **argv) {
    LLVMFuzzerInitialize(&argc, &argv);
    return replay_inputs(argc, argv, load_and_play, "played");
}
#endif
