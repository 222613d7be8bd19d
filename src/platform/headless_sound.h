// Sound on the headless platform: Allegro's own mixer, MIDI player and software synthesiser,
// unchanged, on stand-ins for what the headless system driver lacks: locks that do nothing (one
// thread), a timer that runs only when told, and a sound device whose mixer writes into memory.
#pragma once

// Lends the stand-ins to the headless system driver and starts the timer; once, after
// start_headless_game_library (or start_headless_game). False if the timer does not start.
bool start_headless_sound_system();

// Installs sound on the memory device, mixed at rate Hz, stereo or mono, 16 or 8 bits per
// sample, with the MIDI synthesiser; any sound installed before is removed first. False (and
// allegro_error says why) as install_sound fails.
bool install_headless_sound(int rate, bool stereo, bool bits16);

// Advances Allegro's timer by ms: the MIDI player and everything else on it run their share.
void run_headless_timer(int ms);

// Mixes the sound of the next stretch (1024 output frames) into memory.
void mix_headless_sound();
