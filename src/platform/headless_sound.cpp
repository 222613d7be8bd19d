#include "headless_sound.h"

#include <allegro.h>
#include <allegro/internal/aintern.h>

#include <cstdint>

namespace {

constexpr int MIX_FRAMES = 1024;
short mix_out[MIX_FRAMES * 2];
int mix_rate, mix_stereo, mix_16bit;

// One thread: locks have nothing to guard.
int lock_token;
void *no_mutex() {
    return &lock_token;
}
void no_lock(void *) {}

// The timer: Allegro keeps the callbacks in its own queue; run_headless_timer advances them.
int timer_init() {
    return 0;
}
void timer_exit() {}
TIMER_DRIVER manual_timer = {AL_ID('M', 'A', 'N', 'T'),
                             "",
                             "",
                             "Manual",
                             timer_init,
                             timer_exit,
                             nullptr,
                             nullptr,
                             nullptr,
                             nullptr,
                             nullptr,
                             nullptr,
                             nullptr};

// The sound device: Allegro's mixer, its buffer in memory, as the settings ask.
DIGI_DRIVER memory_sound;
int sound_detect(int) {
    return TRUE;
}
int sound_init(int, int voices) {
    memory_sound.voices = voices;
    return _mixer_init(MIX_FRAMES * (mix_stereo ? 2 : 1), mix_rate, mix_stereo, mix_16bit,
                       &memory_sound.voices);
}
void sound_exit(int) {
    _mixer_exit();
}

_DRIVER_INFO digi_list[] = {{AL_ID('M', 'E', 'M', 'S'), &memory_sound, TRUE}, {0, nullptr, 0}};
_DRIVER_INFO midi_list[] = {{MIDI_DIGMID, &midi_digmid, TRUE}, {0, nullptr, 0}};
_DRIVER_INFO timer_list[] = {{AL_ID('M', 'A', 'N', 'T'), &manual_timer, TRUE}, {0, nullptr, 0}};

void describe_memory_sound() {
    memory_sound = DIGI_DRIVER{};
    memory_sound.id = digi_list[0].id;
    memory_sound.name = memory_sound.desc = memory_sound.ascii_name = "Memory";
    memory_sound.max_voices = MIXER_MAX_SFX;
    memory_sound.def_voices = MIXER_DEF_SFX;
    memory_sound.detect = sound_detect;
    memory_sound.init = sound_init;
    memory_sound.exit = sound_exit;
    memory_sound.init_voice = _mixer_init_voice;
    memory_sound.release_voice = _mixer_release_voice;
    memory_sound.start_voice = _mixer_start_voice;
    memory_sound.stop_voice = _mixer_stop_voice;
    memory_sound.loop_voice = _mixer_loop_voice;
    memory_sound.get_position = _mixer_get_position;
    memory_sound.set_position = _mixer_set_position;
    memory_sound.get_volume = _mixer_get_volume;
    memory_sound.set_volume = _mixer_set_volume;
    memory_sound.ramp_volume = _mixer_ramp_volume;
    memory_sound.stop_volume_ramp = _mixer_stop_volume_ramp;
    memory_sound.get_frequency = _mixer_get_frequency;
    memory_sound.set_frequency = _mixer_set_frequency;
    memory_sound.sweep_frequency = _mixer_sweep_frequency;
    memory_sound.stop_frequency_sweep = _mixer_stop_frequency_sweep;
    memory_sound.get_pan = _mixer_get_pan;
    memory_sound.set_pan = _mixer_set_pan;
    memory_sound.sweep_pan = _mixer_sweep_pan;
    memory_sound.stop_pan_sweep = _mixer_stop_pan_sweep;
    memory_sound.set_echo = _mixer_set_echo;
    memory_sound.set_tremolo = _mixer_set_tremolo;
    memory_sound.set_vibrato = _mixer_set_vibrato;
}

} // namespace

bool start_headless_sound_system() {
    describe_memory_sound();
    system_driver->create_mutex = no_mutex;
    system_driver->destroy_mutex = no_lock;
    system_driver->lock_mutex = no_lock;
    system_driver->unlock_mutex = no_lock;
    system_driver->digi_drivers = [] { return digi_list; };
    system_driver->midi_drivers = [] { return midi_list; };
    system_driver->timer_drivers = [] { return timer_list; };
    return install_timer() == 0;
}

bool install_headless_sound(int rate, bool stereo, bool bits16) {
    remove_sound();
    mix_rate = rate;
    mix_stereo = stereo ? TRUE : FALSE;
    mix_16bit = bits16 ? TRUE : FALSE;
    return install_sound(digi_list[0].id, MIDI_DIGMID, nullptr) == 0;
}

void run_headless_timer(int ms) {
    _handle_timer_tick(static_cast<int>(MSEC_TO_TIMER(ms)));
}

void mix_headless_sound() {
    _mix_some_samples(reinterpret_cast<uintptr_t>(mix_out), 0, TRUE);
}
