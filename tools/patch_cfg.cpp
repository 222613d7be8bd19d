// Picks the GUS patches our music needs out of a freepats tree and lays them out for pat2dat.
//
//   patch_cfg SONG.mid FREEPATS_DIR OUT_DIR
//
// Reads the song, notes which programs sound on the melodic channels and which keys sound on
// the drum channel (channel 10), copies the matching freepats files into OUT_DIR/Tone_000 and
// OUT_DIR/Drum_000, and writes OUT_DIR/default.cfg in the GUS layout Allegro's DIGMID driver
// reads: program N (counted from 0) on a line "N+1 Tone_000/file.pat", drums by key between
// "129 begin_multipatch" and "end_multipatch". The paths are relative, so the object names in
// the patch set are the same wherever it was built.
//
// A program or drum the song plays that freepats lacks would leave that part silent: that is an
// error, and the message lists what freepats has. Programs are counted from 0, as in the score.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int DRUM_CHANNEL = 9; // channel 10 as musicians count
constexpr int NO_NUMBER = -1;

struct patch_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct song_use {
    std::set<int> programs;
    std::set<int> drums;
};

// One channel event of a track, in the order the song plays it.
struct timed_event {
    uint32_t tick = 0;
    int track = 0;
    int order = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

std::vector<uint8_t> read_file(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw patch_error("cannot read " + path.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class byte_reader {
  public:
    byte_reader(const std::vector<uint8_t> &bytes, size_t start, size_t end)
        : bytes_(bytes), pos_(start), end_(end) {}
    bool done() const { return pos_ >= end_; }
    size_t pos() const { return pos_; }
    uint8_t peek() const {
        need(1);
        return bytes_[pos_];
    }
    uint8_t byte() {
        need(1);
        return bytes_[pos_++];
    }
    uint32_t big(int count) {
        uint32_t v = 0;
        for (int i = 0; i < count; i++) {
            v = v << 8 | byte();
        }
        return v;
    }
    uint32_t varlen() {
        uint32_t v = 0;
        for (int i = 0; i < 4; i++) {
            const uint8_t b = byte();
            v = v << 7 | (b & 0x7f);
            if (!(b & 0x80)) {
                return v;
            }
        }
        throw patch_error("MIDI: variable-length number longer than 4 bytes");
    }
    void skip(size_t count) {
        need(count);
        pos_ += count;
    }

  private:
    void need(size_t count) const {
        if (pos_ + count > end_) {
            throw patch_error("MIDI: a track ends in the middle of an event");
        }
    }
    const std::vector<uint8_t> &bytes_;
    size_t pos_;
    size_t end_;
};

int data_bytes(uint8_t status) {
    const int kind = status & 0xf0;
    return (kind == 0xc0 || kind == 0xd0) ? 1 : 2;
}

void read_track(byte_reader r, int track, std::vector<timed_event> &events) {
    uint32_t tick = 0;
    uint8_t running = 0;
    int order = 0;
    while (!r.done()) {
        tick += r.varlen();
        uint8_t status = r.peek();
        if (status & 0x80) {
            r.byte();
        } else if (running) {
            status = running;
        } else {
            throw patch_error("MIDI: data byte without a status");
        }
        if (status == 0xff) {
            r.byte(); // meta type
            r.skip(r.varlen());
            continue;
        }
        if (status == 0xf0 || status == 0xf7) {
            r.skip(r.varlen());
            continue;
        }
        if (status > 0xf0) {
            throw patch_error("MIDI: unexpected system message in a track");
        }
        running = status;
        timed_event e;
        e.tick = tick;
        e.track = track;
        e.order = order++;
        e.status = status;
        e.data1 = r.byte();
        e.data2 = data_bytes(status) == 2 ? r.byte() : 0;
        events.push_back(e);
    }
}

// Programs sounding on the melodic channels and keys sounding on the drum channel. A channel
// plays program 0 until its first program change, as on any General MIDI synthesiser.
song_use scan_song(const fs::path &path) {
    const std::vector<uint8_t> bytes = read_file(path);
    byte_reader head(bytes, 0, bytes.size());
    if (head.big(4) != 0x4d546864) { // "MThd"
        throw patch_error(path.string() + " is not a standard MIDI file");
    }
    const uint32_t head_size = head.big(4);
    head.big(2); // format
    const uint32_t tracks = head.big(2);
    head.skip(head_size - 4);

    std::vector<timed_event> events;
    for (uint32_t t = 0; t < tracks; t++) {
        if (head.big(4) != 0x4d54726b) { // "MTrk"
            throw patch_error(path.string() + ": track " + std::to_string(t) + " is missing");
        }
        const uint32_t size = head.big(4);
        const size_t start = head.pos();
        head.skip(size);
        read_track(byte_reader(bytes, start, start + size), static_cast<int>(t), events);
    }
    std::stable_sort(events.begin(), events.end(), [](const timed_event &a, const timed_event &b) {
        if (a.tick != b.tick) {
            return a.tick < b.tick;
        }
        return a.track != b.track ? a.track < b.track : a.order < b.order;
    });

    song_use use;
    int program[16] = {};
    for (const timed_event &e : events) {
        const int channel = e.status & 0x0f;
        const int kind = e.status & 0xf0;
        if (kind == 0xc0) {
            program[channel] = e.data1;
        } else if (kind == 0x90 && e.data2 > 0) {
            if (channel == DRUM_CHANNEL) {
                use.drums.insert(e.data1);
            } else {
                use.programs.insert(program[channel]);
            }
        }
    }
    return use;
}

// freepats names its files NNN_Name.pat: the program counted from 0, or the drum's key.
std::map<int, fs::path> patches_in(const fs::path &dir) {
    std::map<int, fs::path> found;
    if (!fs::is_directory(dir)) {
        throw patch_error("no patch directory " + dir.string());
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry &entry : fs::directory_iterator(dir)) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path &file : files) {
        const std::string name = file.filename().string();
        if (file.extension() != ".pat" || name.size() < 5 || name[3] != '_') {
            continue;
        }
        int number = NO_NUMBER;
        if (std::sscanf(name.c_str(), "%3d", &number) == 1 && number >= 0 && number < 128 &&
            !found.count(number)) {
            found[number] = file;
        }
    }
    return found;
}

std::string instrument_name(const fs::path &file) {
    std::string name = file.stem().string().substr(4);
    std::replace(name.begin(), name.end(), '_', ' ');
    return name;
}

std::string listing(const std::map<int, fs::path> &patches) {
    std::string text;
    for (const auto &[number, file] : patches) {
        text += "  " + std::to_string(number) + " " + instrument_name(file) + "\n";
    }
    return text;
}

// The patch files the song needs, by number; throws naming every one freepats lacks.
std::map<int, fs::path> pick(const std::set<int> &wanted, const std::map<int, fs::path> &have,
                             const char *what) {
    std::map<int, fs::path> chosen;
    std::string missing;
    for (int number : wanted) {
        const auto it = have.find(number);
        if (it == have.end()) {
            missing += ' ';
            missing += std::to_string(number);
        } else {
            chosen[number] = it->second;
        }
    }
    if (!missing.empty()) {
        throw patch_error(std::string("freepats has no patch for ") + what + missing +
                          ", so that part of the music would be silent. Use one of these:\n" +
                          listing(have));
    }
    return chosen;
}

std::string copy_patch(const fs::path &file, const fs::path &out_dir, const std::string &sub) {
    fs::create_directories(out_dir / sub);
    const std::string relative = sub + "/" + file.filename().string();
    fs::copy_file(file, out_dir / relative, fs::copy_options::overwrite_existing);
    return relative;
}

void write_patch_dir(const song_use &use, const fs::path &freepats, const fs::path &out_dir) {
    const auto programs = pick(use.programs, patches_in(freepats / "Tone_000"), "program");
    const auto drums = pick(use.drums, patches_in(freepats / "Drum_000"), "drum key");

    fs::remove_all(out_dir);
    fs::create_directories(out_dir);
    std::ofstream cfg(out_dir / "default.cfg");
    cfg << "# The instruments of Jetsquad's music, taken from freepats.\n";
    for (const auto &[number, file] : programs) {
        cfg << number + 1 << " " << copy_patch(file, out_dir, "Tone_000") << "\n";
        std::printf("  program %3d  %s\n", number, instrument_name(file).c_str());
    }
    if (!drums.empty()) {
        cfg << "129 begin_multipatch\n";
        for (const auto &[key, file] : drums) {
            cfg << key << " " << copy_patch(file, out_dir, "Drum_000") << "\n";
            std::printf("  drum key %3d  %s\n", key, instrument_name(file).c_str());
        }
        cfg << "end_multipatch\n";
    }
    if (!cfg) {
        throw patch_error("cannot write " + (out_dir / "default.cfg").string());
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SONG.mid FREEPATS_DIR OUT_DIR\n", argv[0]);
        return 2;
    }
    try {
        const song_use use = scan_song(argv[1]);
        if (use.programs.empty() && use.drums.empty()) {
            throw patch_error(std::string(argv[1]) + " plays no notes");
        }
        std::printf("Patches for %s:\n", fs::path(argv[1]).filename().c_str());
        write_patch_dir(use, argv[2], argv[3]);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "patch_cfg: %s\n", e.what());
        return 1;
    }
    return 0;
}
