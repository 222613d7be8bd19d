// The flyers' buzz, synthesised from a recipe. The game loops the whole sample, so every
// frequency is snapped to a whole number of cycles in the loop: the last frame runs into the
// first exactly as any frame runs into the next, and the loop has no click.
//
// Recipe words, one setting per line:
//   rate HZ                                      frames per second
//   bits 8|16                                    sample size
//   length_ms MS                                 loop length
//   peak F                                       loudest point as a share of full scale
//   voice hz F harmonics N slope S level L       band-limited buzz, harmonic k at 1 / k^S
//   tremolo hz F depth D                         wing-beat swell of the loudness
//   vibrato hz F depth HZ                        slow wobble of the pitch
#include "mkdata.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace mkdata {

namespace {

struct voice_t {
    double hz = 0;
    int harmonics = 1;
    double slope = 1;
    double level = 1;
};

struct recipe_t {
    int rate = 22050;
    int bits = 16;
    double length_ms = 500;
    double peak = 0.4;
    std::vector<voice_t> voices;
    double tremolo_hz = 0;
    double tremolo_depth = 0;
    double vibrato_hz = 0;
    double vibrato_depth = 0;
};

recipe_t read_recipe(const std::filesystem::path &file) {
    recipe_t r;
    for (const text_line &line : read_text(file)) {
        const std::string &key = line.words[0];
        if (line.words.size() < 2) {
            fail(line, "missing value");
        }
        if (key == "rate") {
            r.rate = to_int(line, line.words[1]);
        } else if (key == "bits") {
            r.bits = to_int(line, line.words[1]);
        } else if (key == "length_ms") {
            r.length_ms = to_number(line, line.words[1]);
        } else if (key == "peak") {
            r.peak = to_number(line, line.words[1]);
        } else if (key == "voice") {
            r.voices.push_back({option(line, 1, "hz", 0),
                                static_cast<int>(option(line, 1, "harmonics", 1)),
                                option(line, 1, "slope", 1), option(line, 1, "level", 1)});
        } else if (key == "tremolo") {
            r.tremolo_hz = option(line, 1, "hz", 0);
            r.tremolo_depth = option(line, 1, "depth", 0);
        } else if (key == "vibrato") {
            r.vibrato_hz = option(line, 1, "hz", 0);
            r.vibrato_depth = option(line, 1, "depth", 0);
        } else {
            fail(line, "unknown setting '" + key + "'");
        }
    }
    if (r.rate < 8000 || r.rate > 48000 || (r.bits != 8 && r.bits != 16)) {
        throw build_error(file.string() + ": rate must be 8000..48000 and bits 8 or 16");
    }
    if (r.voices.empty() || r.peak <= 0 || r.peak > 1 || r.length_ms < 50) {
        throw build_error(file.string() + ": needs a voice, a peak in (0, 1] and a length");
    }
    return r;
}

// The nearest frequency that fits a whole number of cycles into the loop (at least one).
double snapped(double hz, double seconds) {
    if (hz <= 0) {
        return 0;
    }
    return std::max(1.0, std::round(hz * seconds)) / seconds;
}

} // namespace

sound_t make_buzz(const std::filesystem::path &file) {
    recipe_t r = read_recipe(file);
    const int frames = static_cast<int>(std::lround(r.rate * r.length_ms / 1000.0));
    const double seconds = static_cast<double>(frames) / r.rate;
    const double tremolo = snapped(r.tremolo_hz, seconds);
    const double vibrato = snapped(r.vibrato_hz, seconds);
    const double tau = 2 * std::numbers::pi;

    std::vector<double> wave(static_cast<size_t>(frames), 0.0);
    sound_t sound;
    for (voice_t &v : r.voices) {
        v.hz = snapped(v.hz, seconds);
        char text[80];
        std::snprintf(text, sizeof text, "voice %.1f Hz, %ld cycles per loop", v.hz,
                      std::lround(v.hz * seconds));
        sound.voices.push_back(text);
    }
    for (int i = 0; i < frames; i++) {
        double t = static_cast<double>(i) / r.rate;
        // The pitch wobble enters as a phase offset that is zero again at the loop point.
        double wobble = vibrato > 0 ? r.vibrato_depth / vibrato * std::sin(tau * vibrato * t) : 0;
        double s = 0;
        for (const voice_t &v : r.voices) {
            double phase = tau * (v.hz * t + wobble * v.hz / r.voices[0].hz);
            for (int k = 1; k <= v.harmonics && k * v.hz < 0.45 * r.rate; k++) {
                s += v.level * std::sin(k * phase) / std::pow(k, v.slope);
            }
        }
        double swell = 1 - r.tremolo_depth * 0.5 * (1 + std::cos(tau * tremolo * t));
        wave[static_cast<size_t>(i)] = s * swell;
    }

    // The wave is periodic, so it may start anywhere: start where it is quiet and flat, so
    // that the very first play starts without a click as well.
    size_t start = 0;
    double best = 1e300;
    for (size_t i = 0; i < wave.size(); i++) {
        double before = wave[(i + wave.size() - 1) % wave.size()];
        double cost = std::abs(wave[i]) + std::abs(wave[i] - before);
        if (cost < best) {
            best = cost;
            start = i;
        }
    }
    std::rotate(wave.begin(), wave.begin() + static_cast<std::ptrdiff_t>(start), wave.end());

    double loudest = 1e-9;
    for (double s : wave) {
        loudest = std::max(loudest, std::abs(s));
    }
    sound.bits = r.bits;
    sound.rate = r.rate;
    const double full = r.bits == 16 ? 32767.0 : 127.0;
    const double middle = r.bits == 16 ? 32768.0 : 128.0;
    for (double s : wave) {
        double v = middle + std::round(s / loudest * r.peak * full);
        sound.pcm.push_back(static_cast<uint16_t>(v));
    }
    return sound;
}

} // namespace mkdata
