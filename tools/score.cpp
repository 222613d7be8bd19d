// The music, compiled from a text score into a type-1 General MIDI song.
//
// Score words (a word starting with '#' begins a comment):
//   tempo BPM | meter BEATS NOTE | ticks PER_QUARTER | unit N   (lengths count 1/N notes)
//   part NAME channel C program P [volume V] [pan P] [velocity V] [gate G]
//       a melodic part; P is the General MIDI program counted from 0; V (0..127) scales the
//       velocity of every note: the channel volume itself stays full (see note_velocity)
//   drumkit NAME channel C [volume V]      a part written as step grids
//   hit NAME KEY                           a drum of the kit and its General MIDI key
//   pattern PART NAME                      the lines that follow, up to the next keyword:
//       melodic: NOTE:LEN tokens, NOTE as C4 / F#3 / Bb5, a chord as A3+C4+E4, r for a rest;
//                a trailing ! accents, a trailing _ ties into the next token; | checks a bar line
//       drums:   HIT followed by one step per unit: x hit, X accent, o soft, . nothing, | bar
//   play PART=LIST ... [repeat N]         one section of the song; unnamed parts rest. A LIST
//       is patterns played one after another, as in bass=Am,F,C,G or drums=beat*3,fill;
//       every part of a section must come out equally long
#include "mkdata.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

namespace mkdata {

namespace {

struct note_t {
    int start = 0; // in units from the pattern's start
    int length = 0;
    std::vector<int> keys;
    int velocity = 0;
};

struct pattern_t {
    std::string part;
    int length = 0; // units
    std::vector<note_t> notes;
    const text_line *where = nullptr;
};

struct part_t {
    std::string name;
    bool drums = false;
    int channel = 1; // 1..16 as musicians count them
    int program = 0;
    int volume = 100;
    int pan = 64;
    int velocity = 90;
    double gate = 0.92;
    std::map<std::string, int> hits;
};

struct section_t {
    std::map<std::string, std::vector<std::string>> patterns; // part -> patterns in turn
    int length = 0;
    int repeat = 1;
};

struct score_t {
    double tempo = 120;
    int beats = 4;
    int beat_note = 4;
    int ticks = 96;
    int unit = 16;
    std::vector<part_t> parts;
    std::map<std::string, pattern_t> patterns; // keyed "part/name"
    std::vector<section_t> sections;
    int bar_units() const { return beats * unit / beat_note; }
    int unit_ticks() const { return ticks * 4 / unit; }
};

part_t *find_part(score_t &s, const std::string &name) {
    for (part_t &p : s.parts) {
        if (p.name == name) {
            return &p;
        }
    }
    return nullptr;
}

int parse_key(const text_line &line, const std::string &name) {
    static const std::map<char, int> steps = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5},
                                              {'G', 7}, {'A', 9}, {'B', 11}};
    if (name.size() < 2 || steps.count(name[0]) == 0) {
        fail(line, "'" + name + "' is not a note such as C4, F#3 or Bb5");
    }
    int key = steps.at(name[0]);
    size_t i = 1;
    if (name[i] == '#') {
        key++;
        i++;
    } else if (name[i] == 'b') {
        key--;
        i++;
    }
    int octave = to_int(line, name.substr(i));
    key += 12 * (octave + 1); // C4 is MIDI key 60
    if (key < 0 || key > 127) {
        fail(line, "note '" + name + "' is out of the MIDI range");
    }
    return key;
}

void check_bar(const text_line &line, const score_t &s, int position) {
    if (position % s.bar_units() != 0) {
        fail(line, "bar line at step " + std::to_string(position) + ", not on a bar boundary");
    }
}

void add_melodic_line(const text_line &line, const score_t &s, const part_t &part, pattern_t &pat,
                      bool &tie_open) {
    for (const std::string &token : line.words) {
        if (token == "|") {
            check_bar(line, s, pat.length);
            continue;
        }
        size_t colon = token.find(':');
        if (colon == std::string::npos) {
            fail(line, "'" + token + "' needs a length, as in A4:4");
        }
        std::string pitch = token.substr(0, colon);
        std::string rest = token.substr(colon + 1);
        bool accent = false;
        bool tie = false;
        while (!rest.empty() && (rest.back() == '!' || rest.back() == '_')) {
            (rest.back() == '!' ? accent : tie) = true;
            rest.pop_back();
        }
        int length = to_int(line, rest);
        if (length <= 0) {
            fail(line, "a length must be positive");
        }
        note_t note{pat.length, length, {}, std::min(127, part.velocity + (accent ? 24 : 0))};
        if (pitch != "r") {
            size_t from = 0;
            while (from <= pitch.size()) {
                size_t plus = pitch.find('+', from);
                if (plus == std::string::npos) {
                    plus = pitch.size();
                }
                note.keys.push_back(parse_key(line, pitch.substr(from, plus - from)));
                from = plus + 1;
            }
        }
        if (tie_open) {
            note_t &prev = pat.notes.back();
            if (prev.keys != note.keys) {
                fail(line, "a tie must join the same notes");
            }
            prev.length += length;
        } else if (!note.keys.empty()) {
            pat.notes.push_back(note);
        }
        if (tie && note.keys.empty()) {
            fail(line, "a rest cannot be tied");
        }
        tie_open = tie;
        pat.length += length;
    }
}

void add_drum_line(const text_line &line, const score_t &s, const part_t &part, pattern_t &pat,
                   int &grid_length) {
    auto hit = part.hits.find(line.words[0]);
    if (hit == part.hits.end()) {
        fail(line, "'" + line.words[0] + "' is not a hit of kit " + part.name);
    }
    int step = 0;
    for (size_t w = 1; w < line.words.size(); w++) {
        for (char c : line.words[w]) {
            if (c == '|') {
                check_bar(line, s, step);
                continue;
            }
            int velocity = c == 'X' ? 118 : c == 'x' ? 96 : c == 'o' ? 64 : 0;
            if (velocity == 0 && c != '.') {
                fail(line, std::string("unknown step '") + c + "'");
            }
            if (velocity > 0) {
                pat.notes.push_back({step, 1, {hit->second}, velocity});
            }
            step++;
        }
    }
    if (grid_length >= 0 && step != grid_length) {
        fail(line, "every line of a drum pattern must have the same number of steps");
    }
    grid_length = step;
    pat.length = step;
}

// What reading the score carries from line to line: the score so far and the pattern whose
// lines follow.
struct reader_t {
    score_t s;
    pattern_t *pat = nullptr;
    part_t *pat_part = nullptr;
    bool tie_open = false;
    int grid_length = -1;
};

const std::string &word(const text_line &line, size_t i) {
    if (i >= line.words.size()) {
        fail(line, "missing value");
    }
    return line.words[i];
}

void finish_pattern(reader_t &r) {
    if (r.pat != nullptr && r.tie_open) {
        fail(*r.pat->where, "the pattern ends inside a tie");
    }
    if (r.pat != nullptr && r.pat->length % r.s.bar_units() != 0) {
        fail(*r.pat->where, "the pattern is not a whole number of bars");
    }
    r.pat = nullptr;
}

void read_tempo(reader_t &r, const text_line &line) {
    r.s.tempo = to_number(line, word(line, 1));
}

void read_meter(reader_t &r, const text_line &line) {
    r.s.beats = to_int(line, word(line, 1));
    r.s.beat_note = to_int(line, word(line, 2));
}

void read_ticks(reader_t &r, const text_line &line) {
    r.s.ticks = to_int(line, word(line, 1));
}

void read_unit(reader_t &r, const text_line &line) {
    r.s.unit = to_int(line, word(line, 1));
    if (r.s.unit <= 0 || (r.s.ticks * 4) % r.s.unit != 0) {
        fail(line, "the unit must divide a whole note into whole ticks");
    }
}

// "part" and "drumkit" lines.
void read_part(reader_t &r, const text_line &line) {
    if (find_part(r.s, word(line, 1)) != nullptr) {
        fail(line, "part '" + word(line, 1) + "' is defined twice");
    }
    part_t p;
    p.name = word(line, 1);
    p.drums = line.words[0] == "drumkit";
    p.channel = static_cast<int>(option(line, 2, "channel", p.drums ? 10 : 1));
    p.program = static_cast<int>(option(line, 2, "program", 0));
    p.volume = static_cast<int>(option(line, 2, "volume", 100));
    p.pan = static_cast<int>(option(line, 2, "pan", 64));
    p.velocity = static_cast<int>(option(line, 2, "velocity", 90));
    p.gate = option(line, 2, "gate", 0.92);
    if (p.channel < 1 || p.channel > 16 || p.program < 0 || p.program > 127 || p.volume < 0 ||
        p.volume > 127 || p.pan < 0 || p.pan > 127 || p.velocity < 1 || p.velocity > 127 ||
        p.gate <= 0 || p.gate > 1) {
        fail(line, "a setting is out of range");
    }
    if (p.drums != (p.channel == 10)) {
        fail(line, "General MIDI drums play on channel 10, and only drums do");
    }
    r.s.parts.push_back(p);
}

bool is_keyword(const std::string &name); // by the keyword table, below its readers

void read_hit(reader_t &r, const text_line &line) {
    if (r.s.parts.empty() || !r.s.parts.back().drums) {
        fail(line, "a hit belongs right after its drumkit");
    }
    if (is_keyword(word(line, 1))) {
        fail(line, "a hit cannot be called like a keyword");
    }
    r.s.parts.back().hits[word(line, 1)] = to_int(line, word(line, 2));
}

void read_pattern(reader_t &r, const text_line &line) {
    r.pat_part = find_part(r.s, word(line, 1));
    if (r.pat_part == nullptr) {
        fail(line, "unknown part '" + word(line, 1) + "'");
    }
    std::string id = word(line, 1) + "/" + word(line, 2);
    if (r.s.patterns.count(id) != 0) {
        fail(line, "pattern '" + id + "' is defined twice");
    }
    r.pat = &r.s.patterns[id];
    r.pat->part = word(line, 1);
    r.pat->where = &line;
    r.tie_open = false;
    r.grid_length = -1;
}

// One PART=PATTERN,PATTERN*N,... word of a play line: the part's patterns in turn.
void read_play_part(const score_t &s, const text_line &line, const std::string &w, section_t &sec) {
    size_t eq = w.find('=');
    if (eq == std::string::npos) {
        fail(line, "expected PART=PATTERN,PATTERN*N,..., found '" + w + "'");
    }
    std::string part = w.substr(0, eq);
    if (sec.patterns.count(part) != 0) {
        fail(line, "part '" + part + "' is named twice in one section");
    }
    std::vector<std::string> &names = sec.patterns[part];
    int length = 0;
    size_t from = eq + 1;
    while (from <= w.size()) {
        size_t comma = std::min(w.find(',', from), w.size());
        std::string item = w.substr(from, comma - from);
        from = comma + 1;
        size_t star = item.find('*');
        int count = star == std::string::npos ? 1 : to_int(line, item.substr(star + 1));
        std::string name = item.substr(0, star);
        auto it = s.patterns.find(part + "/" + name);
        if (it == s.patterns.end() || count < 1) {
            fail(line, "unknown pattern '" + part + "/" + name + "' or bad count");
        }
        for (int k = 0; k < count; k++) {
            names.push_back(name);
            length += it->second.length;
        }
    }
    if (sec.length != 0 && length != sec.length) {
        fail(line, "part '" + part + "' lasts " + std::to_string(length) + " steps, the section " +
                       std::to_string(sec.length));
    }
    sec.length = length;
}

void read_play(reader_t &r, const text_line &line) {
    section_t sec;
    sec.repeat = static_cast<int>(option(line, 1, "repeat", 1));
    for (size_t i = 1; i < line.words.size(); i++) {
        if (line.words[i] == "repeat") {
            i++;
        } else {
            read_play_part(r.s, line, line.words[i], sec);
        }
    }
    if (sec.length == 0 || sec.repeat < 1) {
        fail(line, "a section needs at least one pattern and a positive repeat");
    }
    r.s.sections.push_back(sec);
}

// Each keyword and the reader of its line.
const std::map<std::string, void (*)(reader_t &, const text_line &)> KEYWORDS = {
    {"tempo", read_tempo}, {"meter", read_meter},     {"ticks", read_ticks},
    {"unit", read_unit},   {"part", read_part},       {"drumkit", read_part},
    {"hit", read_hit},     {"pattern", read_pattern}, {"play", read_play}};

bool is_keyword(const std::string &name) {
    return KEYWORDS.count(name) != 0;
}

// A line that is no keyword belongs to the pattern being written.
void read_pattern_line(reader_t &r, const text_line &line) {
    if (r.pat == nullptr) {
        fail(line, "'" + line.words[0] + "' is neither a keyword nor inside a pattern");
    }
    if (r.pat_part->drums) {
        add_drum_line(line, r.s, *r.pat_part, *r.pat, r.grid_length);
    } else {
        add_melodic_line(line, r.s, *r.pat_part, *r.pat, r.tie_open);
    }
}

score_t read_score(const std::filesystem::path &file, std::vector<text_line> &lines) {
    reader_t r;
    lines = read_text(file);
    for (const text_line &line : lines) {
        const auto keyword = KEYWORDS.find(line.words[0]);
        if (keyword == KEYWORDS.end()) {
            read_pattern_line(r, line);
        } else {
            finish_pattern(r);
            keyword->second(r, line);
        }
    }
    finish_pattern(r);
    if (r.s.sections.empty()) {
        throw build_error(file.string() + ": the score plays nothing");
    }
    if (r.s.parts.size() > 31) {
        throw build_error(file.string() + ": at most 31 parts fit beside the tempo track");
    }
    return r.s;
}

// ---- MIDI bytes ---------------------------------------------------------------------------

struct event_t {
    long tick;
    int order; // note-offs before everything else at the same tick
    std::vector<uint8_t> bytes;
};

void put_varlen(std::vector<uint8_t> &out, long value) {
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value > 0);
    while (n > 0) {
        n--;
        out.push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
    }
}

std::vector<uint8_t> meta_text(uint8_t type, const std::string &text) {
    std::vector<uint8_t> b = {0xFF, type, static_cast<uint8_t>(text.size())};
    for (char c : text) {
        b.push_back(static_cast<uint8_t>(c));
    }
    return b;
}

// Sorts the events and ends the track exactly at the loop point.
std::vector<uint8_t> encode_track(std::vector<event_t> events, long end_tick) {
    std::stable_sort(events.begin(), events.end(), [](const event_t &a, const event_t &b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<uint8_t> out;
    long now = 0;
    for (const event_t &e : events) {
        put_varlen(out, e.tick - now);
        out.insert(out.end(), e.bytes.begin(), e.bytes.end());
        now = e.tick;
    }
    put_varlen(out, end_tick - now);
    out.insert(out.end(), {0xFF, 0x2F, 0x00});
    return out;
}

uint8_t u7(int v) {
    return static_cast<uint8_t>(v & 0x7F);
}

// A part's volume goes into its velocities, never into a change of channel volume: Allegro's
// player applies such a change only after the notes struck at the same tick, never to drums that
// are already sounding, and sets every channel to full volume whenever the song starts or comes
// round. A song that set its volumes at tick 0 would strike its first beat at full volume each
// time, over what still rings of its last bar.
int note_velocity(const part_t &part, int velocity) {
    return std::max(1, static_cast<int>(std::lround(velocity * part.volume / 127.0)));
}

} // namespace

song_t compile_score(const std::filesystem::path &file) {
    std::vector<text_line> lines; // kept alive: patterns point at their header lines
    score_t s = read_score(file, lines);
    const long unit_ticks = s.unit_ticks();

    long total_units = 0;
    for (const section_t &sec : s.sections) {
        if (sec.length % s.bar_units() != 0) {
            throw build_error(file.string() + ": a section is not a whole number of bars");
        }
        total_units += static_cast<long>(sec.length) * sec.repeat;
    }
    const long end_tick = total_units * unit_ticks;

    song_t song;
    song.divisions = s.ticks;
    song.seconds = static_cast<double>(end_tick) / s.ticks * 60.0 / s.tempo;

    long quarter_us = std::lround(60000000.0 / s.tempo);
    int denominator_log2 = 0;
    while ((1 << denominator_log2) < s.beat_note) {
        denominator_log2++;
    }
    song.quarter_us = quarter_us;
    song.bar_ticks = (static_cast<long>(s.beats) * s.ticks * 4) >> denominator_log2;
    song.end_tick = end_tick;
    std::vector<event_t> conductor = {
        {0, 1, meta_text(0x03, "Jetsquad")},
        {0,
         1,
         {0xFF, 0x51, 0x03, static_cast<uint8_t>(quarter_us >> 16),
          static_cast<uint8_t>(quarter_us >> 8), static_cast<uint8_t>(quarter_us)}},
        {0,
         1,
         {0xFF, 0x58, 0x04, static_cast<uint8_t>(s.beats), static_cast<uint8_t>(denominator_log2),
          24, 8}},
    };
    song.tracks.push_back(encode_track(conductor, end_tick));

    for (const part_t &part : s.parts) {
        uint8_t ch = static_cast<uint8_t>(part.channel - 1);
        std::vector<event_t> events = {
            {0, 1, meta_text(0x03, part.name)},
            {0, 1, {static_cast<uint8_t>(0xB0 | ch), 7, 127}},
            {0, 1, {static_cast<uint8_t>(0xB0 | ch), 10, u7(part.pan)}},
        };
        if (!part.drums) {
            events.push_back({0, 1, {static_cast<uint8_t>(0xC0 | ch), u7(part.program)}});
        }
        std::set<int> keys_used;
        long section_start = 0;
        for (const section_t &sec : s.sections) {
            for (int r = 0; r < sec.repeat; r++) {
                auto named = sec.patterns.find(part.name);
                long pattern_start = section_start;
                for (size_t p = 0; named != sec.patterns.end() && p < named->second.size(); p++) {
                    const pattern_t &pat = s.patterns.at(part.name + "/" + named->second[p]);
                    for (const note_t &n : pat.notes) {
                        long on = (pattern_start + n.start) * unit_ticks;
                        long held = n.length * unit_ticks;
                        long off =
                            on + std::max(1L, std::lround(static_cast<double>(held) * part.gate));
                        for (int key : n.keys) {
                            keys_used.insert(key);
                            events.push_back({on,
                                              1,
                                              {static_cast<uint8_t>(0x90 | ch), u7(key),
                                               u7(note_velocity(part, n.velocity))}});
                            events.push_back(
                                {off, 0, {static_cast<uint8_t>(0x80 | ch), u7(key), 0}});
                        }
                    }
                    pattern_start += pat.length;
                }
                section_start += sec.length;
            }
        }
        song.tracks.push_back(encode_track(events, end_tick));
        if (part.drums) {
            song.drum_keys.insert(keys_used.begin(), keys_used.end());
        } else if (!keys_used.empty()) {
            song.programs.insert(part.program);
        }

        std::string info = part.name + ": channel " + std::to_string(part.channel);
        info += part.drums ? ", drum keys"
                           : ", program " + std::to_string(part.program) + " (GM " +
                                 std::to_string(part.program + 1) + "), keys";
        for (int key : keys_used) {
            info += ' ';
            info += std::to_string(key);
        }
        song.instruments.push_back(info);
    }
    return song;
}

} // namespace mkdata
