// Shared pieces of the data file builder: the in-memory objects it makes from the text
// sources in assets/, and the small text reader every source format uses.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace mkdata {

struct rgb_t {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const rgb_t &) const = default;
};

// Magenta is transparent in every sprite; the game's mask colour.
constexpr rgb_t MASK_COLOUR{255, 0, 255};

struct image_t {
    int w = 0;
    int h = 0;
    std::vector<rgb_t> px; // rows top to bottom
    rgb_t at(int x, int y) const { return px[static_cast<size_t>(y * w + x)]; }
    void set(int x, int y, rgb_t c) { px[static_cast<size_t>(y * w + x)] = c; }
};

// Mono sound, stored unsigned as the data file wants it.
struct sound_t {
    int bits = 16;                   // 8 or 16
    int rate = 22050;                // frames per second
    std::vector<uint16_t> pcm;       // unsigned: 0x8000 (16-bit) or 0x80 (8-bit) is silence
    std::vector<std::string> voices; // how each voice came out, for the build log
};

// A type-1 MIDI song: ticks per quarter note and one byte string per track (no "MTrk" header).
struct song_t {
    int divisions = 96;
    double seconds = 0.0;                 // playing time of one pass, up to the loop point
    long quarter_us = 500000;             // the tempo: microseconds per quarter note
    long bar_ticks = 384;                 // as the song's time signature says
    long end_tick = 0;                    // the loop point
    std::set<int> programs;               // the programs (from 0) that play notes
    std::set<int> drum_keys;              // the keys struck on the drum channel
    std::vector<std::string> instruments; // one line per part, for the build log
    std::vector<std::vector<uint8_t>> tracks;
};

// Any fault in a source file or a broken rule: the message names the file and line.
struct build_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One non-empty line of a text source, split into words. A word starting with '#' starts a
// comment that runs to the end of the line (so "F#4" is a note, "# text" a comment).
struct text_line {
    std::string where; // "file:line"
    std::vector<std::string> words;
};

std::vector<text_line> read_text(const std::filesystem::path &file);
[[noreturn]] void fail(const text_line &line, const std::string &message);
int to_int(const text_line &line, const std::string &word);
double to_number(const text_line &line, const std::string &word);
// The number after `key` among words[first..] ("volume 90"), or `fallback` when it is absent.
double option(const text_line &line, size_t first, const std::string &key, double fallback);

// Sprites: a shared palette file and sprite files holding named images drawn as text.
struct palette_t {
    std::vector<std::pair<char, rgb_t>> keys;
};
palette_t load_palette(const std::filesystem::path &file);
image_t load_sprite(const std::filesystem::path &file, const std::string &name,
                    const palette_t &shared);

// The ground texture is generated from a short recipe so that it tiles by construction.
image_t make_ground(const std::filesystem::path &recipe);

// The flyers' buzz is synthesised from a recipe as a whole number of waveform periods.
sound_t make_buzz(const std::filesystem::path &recipe);

// The music is compiled from a text score.
song_t compile_score(const std::filesystem::path &score);

// Standard files for listening to and inspecting what went into the data file.
void write_midi_file(const std::filesystem::path &file, const song_t &song);
void write_wav_file(const std::filesystem::path &file, const sound_t &sound);
// The song's facts for the tools that follow it (docs/assets.md): its instruments and timing.
void write_song_facts(const std::filesystem::path &file, const song_t &song);

} // namespace mkdata
