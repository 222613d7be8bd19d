// Plays the game's sound as its start-up and main loop do, in scenes each ended by silence, for
// tests/e2e/test_audio_capture.sh to capture and measure:
//  1. the song's opening, 3.5 s, twice: first with ten flyers held in view, then without;
//  2. the song from beat SEEK_BEAT (counted from 0), REMAINING seconds before its end, and 4.5 s
//     on: it comes round to its opening;
//  3. the buzz with 16, 64, 128 and 200 flyers in view, each after a pause with 30 flyers just
//     out of view. Every frame update_enemy() counts them into sound_volume and the loop's
//     adjust_sample applies it, as in the game.
// It lives beside the game, so it finds the data file and the patch set as the game does, and it
// needs a display: the system driver runs the timer thread of the mixer and the MIDI player.
#include "enemies.h"
#include "game.h"
#include "world.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

SAMPLE *buzz;

// The main loop's sound step, once a frame, for at least one frame and SECONDS by the clock;
// with FLYERS, that many are put back in view before every frame.
void run_frames(double seconds, int flyers = 0) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
        if (flyers > 0) {
            reset_enemy_slots();
            init_enemy(flyers, ENEMY_FLYER, static_cast<int>(scroll.x) + 400);
        }
        update_enemy();
        adjust_sample(buzz, sound_volume, 128, 1000, 1);
        rest(16);
    } while (std::chrono::steady_clock::now() < end);
}

// Wound forward in silence to SEEK_BEAT, then paused while the volume comes back. The player
// strikes that beat 20 ms after the seek: if it did so already (a busy machine), the beat went
// unheard, so it starts again.
bool wind_to(MIDI *song, int seek_beat) {
    for (int attempt = 0; attempt < 50; attempt++) {
        set_volume(-1, 0);
        play_midi(song, 1);
        if (midi_seek(seek_beat + 1) != 0) { // midi_pos counts from 1
            return false;
        }
        midi_pause();
        if (midi_pos <= seek_beat) {
            set_volume(-1, 255);
            midi_resume();
            return true;
        }
        stop_midi();
    }
    return false;
}

bool play_song(int seek_beat, double seconds, int flyers) {
    MIDI *song = static_cast<MIDI *>(datafile[OBJ_MUSIC].dat);
    if (seek_beat == 0 ? play_midi(song, 1) != 0 : !wind_to(song, seek_beat)) {
        return false;
    }
    run_frames(seconds, flyers);
    stop_midi();
    reset_enemy_slots();
    run_frames(1.0); // the strings fade
    return true;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 3 || allegro_init() != 0 || install_timer() != 0 ||
        install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, nullptr) != 0 ||
        !(datafile = load_game_data(datafile_path().c_str())) || midi_driver->id != MIDI_DIGMID) {
        std::puts("usage: jetsquad_audio_probe SEEK_BEAT REMAINING; needs sound and data");
        return 1;
    }
    buzz = static_cast<SAMPLE *>(datafile[OBJ_BUZZ].dat);
    set_volume(255, 255);
    init_world();
    play_sample(buzz, 255, 128, 1000, 1); // as the game starts it
    run_frames(2.5); // a capture that buffers deeply takes its first second faster than the clock
    // The buzz of ten flyers over the opening, then the opening alone: the one the loop must match.
    if (!play_song(0, 3.5, 10) || !play_song(0, 3.5, 0) ||
        !play_song(std::atoi(argv[1]), std::atof(argv[2]) + 4.5, 0)) {
        std::puts("the song could not be played or wound forward");
        return 1;
    }
    for (int count : {16, 64, 128, 200, 0}) { // flyers at x 700 of the view, then at x 400
        reset_enemy_slots();
        init_enemy(30, ENEMY_FLYER, static_cast<int>(scroll.x) + 700);
        run_frames(0.6);
        reset_enemy_slots();
        init_enemy(count, ENEMY_FLYER, static_cast<int>(scroll.x) + 400);
        run_frames(1.5);
    }
    return 0;
}
END_OF_MAIN()
