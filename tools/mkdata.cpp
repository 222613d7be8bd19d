// mkdata: builds the game's data file from the text sources in assets/.
//
//   mkdata MANIFEST OUT.dat [OUT.mid [OUT.wav [OUT.facts]]]
//
// The manifest lists the objects in index order, one per line:
//   INDEX NAME KIND SOURCE [IMAGE]
// with KIND one of bitmap (an image of a sprite file), ground (the texture recipe),
// sample (the buzz recipe) or midi (the score); SOURCE is relative to the manifest.
//
// The file is written in Allegro's unpacked data file format, objects in index order, each
// with a NAME property. The game reaches them by index only, so the builder checks the index
// table and the rules the game's drawing relies on, and refuses to write a file that breaks them.
#include "mkdata.h"

#include "datafile_layout.h"

#include <array>
#include <cstdio>
#include <fstream>

namespace mkdata {

namespace {

// Images swapped for one another while an actor animates share one size: first and last index.
constexpr std::array<std::array<int, 2>, 4> CYCLES = {{
    {OBJ_BOT1_STAND, OBJ_BOT1_WALK + WALK_FRAMES - 1},
    {OBJ_BOT2_STAND, OBJ_BOT2_WALK + WALK_FRAMES - 1},
    {OBJ_BOT3_STAND, OBJ_BOT3_WALK + WALK_FRAMES - 1},
    {OBJ_ENEMY_WALK, OBJ_ENEMY_WALK + WALK_FRAMES - 1},
}};

enum class kind_t { bitmap, sample, midi };

struct object_t {
    std::string name;
    kind_t kind = kind_t::bitmap;
    image_t image;
    sound_t sound;
    song_t song;
};

kind_t expected_kind(int index) {
    return index == OBJ_BUZZ ? kind_t::sample : index == OBJ_MUSIC ? kind_t::midi : kind_t::bitmap;
}

// ---- Big-endian writing -------------------------------------------------------------------

struct bytes_t {
    std::vector<uint8_t> data;
    void u8(int v) { data.push_back(static_cast<uint8_t>(v)); }
    void u16(int v) {
        u8(v >> 8);
        u8(v);
    }
    void u32(long v) {
        u16(static_cast<int>((v >> 16) & 0xFFFF));
        u16(static_cast<int>(v & 0xFFFF));
    }
    void id(const char *four) {
        for (int i = 0; i < 4; i++) {
            u8(four[i]);
        }
    }
    void append(const std::vector<uint8_t> &more) {
        data.insert(data.end(), more.begin(), more.end());
    }
};

std::vector<uint8_t> bitmap_body(const image_t &img) {
    bytes_t b;
    b.u16(32); // stored as 8.8.8 RGB; -32 (RGBA) would lose the mask colour on loading
    b.u16(img.w);
    b.u16(img.h);
    for (const rgb_t &c : img.px) {
        b.u8(c.r);
        b.u8(c.g);
        b.u8(c.b);
    }
    return b.data;
}

std::vector<uint8_t> sample_body(const sound_t &s) {
    bytes_t b;
    b.u16(s.bits);
    b.u16(s.rate);
    b.u32(static_cast<long>(s.pcm.size()));
    for (uint16_t v : s.pcm) {
        if (s.bits == 8) {
            b.u8(v);
        } else {
            b.u8(v & 0xFF); // 16-bit sample data is little-endian
            b.u8(v >> 8);
        }
    }
    return b.data;
}

std::vector<uint8_t> midi_body(const song_t &song) {
    bytes_t b;
    b.u16(song.divisions);
    for (size_t t = 0; t < 32; t++) {
        if (t < song.tracks.size()) {
            b.u32(static_cast<long>(song.tracks[t].size()));
            b.append(song.tracks[t]);
        } else {
            b.u32(0);
        }
    }
    return b.data;
}

void write_datafile(const std::filesystem::path &file, const std::vector<object_t> &objects) {
    bytes_t b;
    b.id("slh.");
    b.id("ALL.");
    b.u32(static_cast<long>(objects.size()));
    for (const object_t &o : objects) {
        b.id("prop");
        b.id("NAME");
        b.u32(static_cast<long>(o.name.size()));
        for (char c : o.name) {
            b.u8(c);
        }
        std::vector<uint8_t> body;
        switch (o.kind) {
        case kind_t::bitmap:
            b.id("BMP ");
            body = bitmap_body(o.image);
            break;
        case kind_t::sample:
            b.id("SAMP");
            body = sample_body(o.sound);
            break;
        case kind_t::midi:
            b.id("MIDI");
            body = midi_body(o.song);
            break;
        }
        b.u32(static_cast<long>(body.size())); // stored unpacked: both sizes are equal
        b.u32(static_cast<long>(body.size()));
        b.append(body);
    }
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary);
        out.write(reinterpret_cast<const char *>(b.data.data()),
                  static_cast<std::streamsize>(b.data.size()));
        if (!out) {
            throw build_error(temporary.string() + ": cannot write");
        }
    }
    std::filesystem::rename(temporary, file);
}

// ---- The rules the game's drawing relies on ----------------------------------------------

void check_icon(const image_t &img) {
    if (img.w < ICON_CROP_X + ICON_SIZE || img.h < ICON_CROP_Y + ICON_SIZE) {
        throw build_error("object 0 is " + std::to_string(img.w) + "x" + std::to_string(img.h) +
                          ": the carried-bot icon needs at least " +
                          std::to_string(ICON_CROP_X + ICON_SIZE) + "x" +
                          std::to_string(ICON_CROP_Y + ICON_SIZE));
    }
    for (int y = ICON_CROP_Y; y < ICON_CROP_Y + ICON_SIZE; y++) {
        for (int x = ICON_CROP_X; x < ICON_CROP_X + ICON_SIZE; x++) {
            if (img.at(x, y) == MASK_COLOUR) {
                throw build_error("object 0 has a transparent pixel at (" + std::to_string(x) +
                                  ", " + std::to_string(y) +
                                  ") inside the carried-bot icon, which is drawn unmasked");
            }
        }
    }
}

void check_ground(const image_t &img) {
    auto power_of_two = [](int n) { return n > 0 && (n & (n - 1)) == 0; };
    if (!power_of_two(img.w) || !power_of_two(img.h)) {
        throw build_error("the ground texture must have power-of-two sides to be a pattern");
    }
    for (int y = 0; y < img.h; y++) {
        for (int x = 0; x < img.w; x++) {
            if (img.at(x, y) == MASK_COLOUR) {
                throw build_error("the ground texture has the mask colour at (" +
                                  std::to_string(x) + ", " + std::to_string(y) +
                                  "); it is drawn unmasked");
            }
        }
    }
}

void check_sprite(int index, const image_t &img) {
    if (img.w > MAX_SPRITE_SIDE || img.h > MAX_SPRITE_SIDE ||
        (index == OBJ_FLYER && img.w * img.h > MAX_FLYER_AREA)) {
        throw build_error("object " + std::to_string(index) + " is " + std::to_string(img.w) + "x" +
                          std::to_string(img.h) + ": sprites may be " +
                          std::to_string(MAX_SPRITE_SIDE) + " pixels a side, the flyer " +
                          std::to_string(MAX_FLYER_AREA) + " pixels in all");
    }
    size_t clear = 0;
    for (const rgb_t &c : img.px) {
        clear += c == MASK_COLOUR ? 1 : 0;
    }
    if (clear == 0 || clear == img.px.size()) {
        throw build_error("object " + std::to_string(index) +
                          " must have both transparent and solid pixels");
    }
}

void check_objects(const std::vector<object_t> &objects) {
    const sound_t &buzz = objects[OBJ_BUZZ].sound;
    if (buzz.pcm.size() * BUZZ_PARTS_OF_A_SECOND < static_cast<size_t>(buzz.rate)) {
        throw build_error("the buzz must last at least a tenth of a second: the mixer reads a "
                          "shorter loop past its end");
    }
    check_icon(objects[OBJ_BOT1_STAND].image);
    check_ground(objects[OBJ_GROUND_TEXTURE].image);
    for (int i = 0; i < OBJ_COUNT; i++) {
        if (objects[static_cast<size_t>(i)].kind == kind_t::bitmap && i != OBJ_GROUND_TEXTURE) {
            check_sprite(i, objects[static_cast<size_t>(i)].image);
        }
    }
    for (const auto &cycle : CYCLES) {
        const image_t &first = objects[static_cast<size_t>(cycle[0])].image;
        for (int i = cycle[0]; i <= cycle[1]; i++) {
            const image_t &img = objects[static_cast<size_t>(i)].image;
            if (img.w != first.w || img.h != first.h) {
                throw build_error("object " + std::to_string(i) + " is not the size of object " +
                                  std::to_string(cycle[0]) + ", the other images of its cycle");
            }
        }
    }
}

// ---- Manifest -------------------------------------------------------------------------------

std::vector<object_t> build_objects(const std::filesystem::path &manifest) {
    const std::filesystem::path base = manifest.parent_path();
    palette_t palette = load_palette(base / "palette.txt");
    std::vector<object_t> objects;
    for (const text_line &line : read_text(manifest)) {
        if (line.words.size() < 4) {
            fail(line, "expected INDEX NAME KIND SOURCE [IMAGE]");
        }
        int index = to_int(line, line.words[0]);
        if (index != static_cast<int>(objects.size())) {
            fail(line, "objects must be listed in index order; expected index " +
                           std::to_string(objects.size()));
        }
        if (index >= OBJ_COUNT) {
            fail(line, "the game has exactly " + std::to_string(OBJ_COUNT) + " objects");
        }
        object_t o;
        o.name = line.words[1];
        const std::string &kind = line.words[2];
        const kind_t want = expected_kind(index);
        if ((want == kind_t::bitmap) != (kind == "bitmap" || kind == "ground") ||
            (want == kind_t::sample) != (kind == "sample") ||
            (want == kind_t::midi) != (kind == "midi")) {
            fail(line, "object " + std::to_string(index) + " must be a " +
                           (want == kind_t::bitmap   ? "bitmap (or the ground)"
                            : want == kind_t::sample ? "sample"
                                                     : "midi"));
        }
        const std::filesystem::path source = base / line.words[3];
        if (kind == "bitmap" && line.words.size() == 5) {
            o.image = load_sprite(source, line.words[4], palette);
        } else if (kind == "ground") {
            o.image = make_ground(source);
        } else if (kind == "sample") {
            o.kind = kind_t::sample;
            o.sound = make_buzz(source);
        } else if (kind == "midi") {
            o.kind = kind_t::midi;
            o.song = compile_score(source);
        } else {
            fail(line, "unknown kind '" + kind + "' (bitmap needs an image name)");
        }
        objects.push_back(std::move(o));
    }
    if (objects.size() != OBJ_COUNT) {
        throw build_error(manifest.string() + ": lists " + std::to_string(objects.size()) +
                          " objects, the game needs " + std::to_string(OBJ_COUNT));
    }
    return objects;
}

void report(const std::vector<object_t> &objects) {
    for (size_t i = 0; i < objects.size(); i++) {
        const object_t &o = objects[i];
        if (o.kind == kind_t::bitmap) {
            std::printf("  %2zu %-14s bitmap %dx%d\n", i, o.name.c_str(), o.image.w, o.image.h);
        } else if (o.kind == kind_t::sample) {
            std::printf("  %2zu %-14s sample %d-bit mono %d Hz, %zu frames (%.3f s)\n", i,
                        o.name.c_str(), o.sound.bits, o.sound.rate, o.sound.pcm.size(),
                        static_cast<double>(o.sound.pcm.size()) / o.sound.rate);
            for (const std::string &voice : o.sound.voices) {
                std::printf("       %s\n", voice.c_str());
            }
        } else {
            std::printf("  %2zu %-14s midi %zu tracks, %.1f s per pass\n", i, o.name.c_str(),
                        o.song.tracks.size(), o.song.seconds);
            for (const std::string &part : o.song.instruments) {
                std::printf("       %s\n", part.c_str());
            }
        }
    }
}

} // namespace

// ---- Standard files for inspection ---------------------------------------------------------

void write_midi_file(const std::filesystem::path &file, const song_t &song) {
    bytes_t b;
    b.id("MThd");
    b.u32(6);
    b.u16(1);
    b.u16(static_cast<int>(song.tracks.size()));
    b.u16(song.divisions);
    for (const auto &track : song.tracks) {
        b.id("MTrk");
        b.u32(static_cast<long>(track.size()));
        b.append(track);
    }
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char *>(b.data.data()),
              static_cast<std::streamsize>(b.data.size()));
    if (!out) {
        throw build_error(file.string() + ": cannot write");
    }
}

void write_wav_file(const std::filesystem::path &file, const sound_t &sound) {
    std::vector<uint8_t> le;
    auto put = [&le](unsigned long v, int n) {
        for (int i = 0; i < n; i++) {
            le.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
    };
    const unsigned long bytes_per_frame = sound.bits == 16 ? 2 : 1;
    const unsigned long data_size = sound.pcm.size() * bytes_per_frame;
    le.insert(le.end(), {'R', 'I', 'F', 'F'});
    put(36 + data_size, 4);
    le.insert(le.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(16, 4);
    put(1, 2); // PCM
    put(1, 2); // mono
    put(static_cast<unsigned long>(sound.rate), 4);
    put(static_cast<unsigned long>(sound.rate) * bytes_per_frame, 4);
    put(bytes_per_frame, 2);
    put(static_cast<unsigned long>(sound.bits), 2);
    le.insert(le.end(), {'d', 'a', 't', 'a'});
    put(data_size, 4);
    for (uint16_t v : sound.pcm) {
        // WAV keeps 8-bit data unsigned but 16-bit data signed.
        put(sound.bits == 16 ? static_cast<unsigned long>(v ^ 0x8000) : v, sound.bits / 8);
    }
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char *>(le.data()), static_cast<std::streamsize>(le.size()));
    if (!out) {
        throw build_error(file.string() + ": cannot write");
    }
}

void write_song_facts(const std::filesystem::path &file, const song_t &song) {
    std::ofstream out(file);
    out << "divisions " << song.divisions << "\ntempo " << song.quarter_us << "\nbar "
        << song.bar_ticks << "\nlength " << song.end_tick << "\nprograms";
    for (int program : song.programs) {
        out << ' ' << program;
    }
    out << "\ndrums";
    for (int key : song.drum_keys) {
        out << ' ' << key;
    }
    out << '\n';
    if (!out) {
        throw build_error(file.string() + ": cannot write");
    }
}

} // namespace mkdata

int main(int argc, char **argv) {
    if (argc < 3 || argc > 6) {
        std::fprintf(stderr, "usage: mkdata MANIFEST OUT.dat [OUT.mid [OUT.wav [OUT.facts]]]\n");
        return 2;
    }
    try {
        std::vector<mkdata::object_t> objects = mkdata::build_objects(argv[1]);
        mkdata::check_objects(objects);
        mkdata::write_datafile(argv[2], objects);
        if (argc >= 4) {
            mkdata::write_midi_file(argv[3], objects[OBJ_MUSIC].song);
        }
        if (argc >= 5) {
            mkdata::write_wav_file(argv[4], objects[OBJ_BUZZ].sound);
        }
        if (argc >= 6) {
            mkdata::write_song_facts(argv[5], objects[OBJ_MUSIC].song);
        }
        std::printf("mkdata: wrote %s\n", argv[2]);
        mkdata::report(objects);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "mkdata: %s\n", e.what());
        return 1;
    }
    return 0;
}
