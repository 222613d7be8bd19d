// Plays the game's sound the way start-up and the main loop do, in a fixed order of scenes, so
// a capture of the sound card's output can be checked (tests/e2e/test_audio_capture.sh).
//
//   jetsquad_audio_probe SEEK_BEAT LOOP_SECONDS
//
// SEEK_BEAT counts the song's beats from 0, as its MIDI file does.
//
// Lives beside the game in the build tree, so it finds data/datafile.dat and patches.dat the
// way the game does. Needs a display (the real system driver runs the timer thread the mixer
// and the MIDI player hang on); under Xvfb that is enough. The scenes, each ended by silence:
//
//  1. start-up sound: the looping buzz at 255 then the music, as the game starts them, and the
//     loop's per-frame adjust_sample with sound_volume from update_enemy (no flyers: 0);
//  2. silence, the song's first seconds again on their own, silence;
//  3. the music from beat SEEK_BEAT, for LOOP_SECONDS: it must come round to its opening;
//     then silence again;
//  4. the buzz alone with 16, 64, 128 and 200 flyers in view, each followed by a pause with 30
//     flyers out of view. Every frame update_enemy() recounts them into sound_volume and the
//     loop's adjust_sample applies it, as in the game.
//
// Prints what it did on standard output; exit code 0 when every call worked.
#include "game.h"
#include "enemies.h"
#include "world.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int PATH_SIZE = 256;
constexpr int FRAME_MS = 16;
constexpr double MUSIC_SECONDS = 6.0;
constexpr double SILENCE_SECONDS = 1.0;
// Before the first scene: a capture that buffers deeply takes the first second or so of sound
// faster than the clock, until its buffer is full.
constexpr double SETTLE_SECONDS = 2.5;
constexpr double OPENING_SECONDS = 3.5;
constexpr double BUZZ_SECONDS = 1.5;
constexpr double PAUSE_SECONDS = 0.6;
constexpr int FLYER_COUNTS[] = {16, 64, 128, 200};
constexpr int FLYERS_OUT_OF_VIEW = 30;

SAMPLE *buzz() {
    return static_cast<SAMPLE *>(datafile[OBJ_BUZZ].dat);
}

MIDI *music() {
    return static_cast<MIDI *>(datafile[OBJ_MUSIC].dat);
}

// The main loop's sound step, once per frame, for the given time by the clock.
void run_frames(double seconds) {
    using clock = std::chrono::steady_clock;
    const clock::time_point end =
        clock::now() + std::chrono::microseconds(static_cast<long>(seconds * 1e6));
    while (clock::now() < end) {
        update_enemy();
        adjust_sample(buzz(), sound_volume, 128, 1000, 1);
        rest(FRAME_MS);
    }
}

// Flyers where the camera sees them (x 400 of the 640-wide view) or just right of the view.
void place_flyers(int count, bool in_view) {
    reset_enemy_slots();
    init_enemy(count, ENEMY_FLYER, static_cast<int>(scroll.x) + (in_view ? 400 : 700));
}

bool start_sound() {
    if (install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, nullptr) != 0) {
        std::printf("install_sound failed: %s\n", allegro_error);
        return false;
    }
    std::printf("digital driver: %s\nmusic driver: %s\n", digi_driver->name, midi_driver->name);
    if (midi_driver->id != MIDI_DIGMID) {
        std::printf("the music driver is not DIGMID: no patch set was found\n");
        return false;
    }
    return true;
}

bool load_data() {
    char path[PATH_SIZE];
    datafile_path(path, PATH_SIZE);
    datafile = load_game_data(path);
    if (!datafile) {
        std::printf("cannot load %s\n", path);
        return false;
    }
    std::printf("data file: %s\n", path);
    return true;
}

void scene_start_up() {
    std::printf("scene music: %.1f s from the start\n", MUSIC_SECONDS);
    play_sample(buzz(), 255, 128, 1000, 1);
    if (play_midi(music(), 1) != 0) {
        std::printf("play_midi failed\n");
    }
    run_frames(MUSIC_SECONDS);
}

// The song's opening on its own, with its instruments already loaded: the pattern the loop
// scene must come back to.
void scene_opening() {
    stop_midi();
    run_frames(SILENCE_SECONDS);
    std::printf("scene opening: %.1f s from the start\n", OPENING_SECONDS);
    play_midi(music(), 1);
    run_frames(OPENING_SECONDS);
    stop_midi();
    run_frames(SILENCE_SECONDS);
}

int scene_loop(int seek_beat, double seconds) {
    std::printf("scene loop: from beat %d for %.2f s\n", seek_beat, seconds);
    // The player starts at beat 0 before it can be wound forward: keep that moment silent.
    // midi_pos counts beats from 1: beat 1 is the song's first.
    set_volume(-1, 0);
    play_midi(music(), 1);
    const int seek = seek_beat > 0 ? midi_seek(seek_beat + 1) : 0;
    set_volume(-1, 255);
    run_frames(seconds);
    stop_midi();
    // The strings take a while to fade after the last note.
    run_frames(SILENCE_SECONDS);
    return seek;
}

void scene_buzz() {
    for (int count : FLYER_COUNTS) {
        place_flyers(FLYERS_OUT_OF_VIEW, false);
        run_frames(PAUSE_SECONDS);
        place_flyers(count, true);
        update_enemy();
        std::printf("scene buzz: %d flyers in view, sound_volume %d\n", count, sound_volume);
        run_frames(BUZZ_SECONDS);
    }
    place_flyers(FLYERS_OUT_OF_VIEW, false);
    update_enemy();
    std::printf("scene buzz: %d flyers out of view, sound_volume %d\n", FLYERS_OUT_OF_VIEW,
                sound_volume);
    run_frames(SILENCE_SECONDS);
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SEEK_BEAT LOOP_SECONDS\n", argv[0]);
        return 2;
    }
    const int seek_beat = std::atoi(argv[1]);
    const double loop_seconds = std::atof(argv[2]);
    if (allegro_init() != 0) {
        std::printf("no display\n");
        return 1;
    }
    install_timer();
    if (!start_sound() || !load_data()) {
        return 1;
    }
    set_volume(255, 255);
    init_world();
    rest(static_cast<unsigned>(SETTLE_SECONDS * 1000));

    scene_start_up();
    scene_opening();
    const int seek = scene_loop(seek_beat, loop_seconds);
    scene_buzz();
    std::printf("done\n");

    stop_sample(buzz());
    unload_datafile(datafile);
    datafile = nullptr;
    std::fflush(stdout);
    return seek == 0 ? 0 : 3;
}
END_OF_MAIN()
