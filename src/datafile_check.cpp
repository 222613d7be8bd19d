#include "datafile_check.h"

#include "world.h"

// Everything here follows Allegro 4.4's reader (datafile.c, file.c, lzss.c): what it reads, in
// which order, how many bytes it takes and what it allocates from the sizes it finds.

namespace {

// What loading a file may take: its bytes as the check reads them, packed objects once more
// unpacked, every image at 4 bytes a pixel and 8 a row, and RECORD_BYTES for each object,
// property, image and glyph. The file is read whole first, so its size has the same bound.
constexpr size_t MAX_MEMORY = DATAFILE_MAX_BYTES;
constexpr size_t MAX_FILE_SIZE = MAX_MEMORY;
constexpr size_t RECORD_BYTES = 256;
constexpr int32_t MAX_OBJECTS = 65536;
constexpr int MAX_SIDE = 8192;
constexpr int32_t MAX_SAMPLE_FRAMES = 64 << 20;
constexpr int MIDI_TRACK_COUNT = 32;
constexpr int MAX_NESTING = 8;       // data files inside data files: the reader recurses
constexpr int OLD_FONT_GLYPHS = 224; // glyphs of the two older font formats
// The reader adds each property of an object and each range of a font to a list it walks from
// the start every time: time grows with the square of their number.
constexpr int MAX_PROPERTIES = 64;
constexpr int MAX_FONT_RANGES = 256;
constexpr int32_t MAX_CODE_POINT = 0x10ffff;
constexpr int LZSS_RING = 4096;
constexpr int LZSS_LONGEST = 18;

// A bounds-checked reader over a byte range.
struct reader_t {
    const uint8_t *p;
    size_t left;
};

bool take(reader_t &r, size_t n, const uint8_t *&out) {
    if (n > r.left) {
        return false;
    }
    out = r.p;
    r.p += n;
    r.left -= n;
    return true;
}

bool skip(reader_t &r, size_t n) {
    const uint8_t *unused;
    return take(r, n, unused);
}

bool read_be32(reader_t &r, int32_t &v) {
    const uint8_t *b;
    if (!take(r, 4, b)) {
        return false;
    }
    v = static_cast<int32_t>(uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 |
                             uint32_t{b[3]});
    return true;
}

// A 16-bit number as Allegro reads it: 0..65535, or sign-extended where it stores it in a short.
bool read_be16(reader_t &r, int &v, bool is_signed) {
    const uint8_t *b;
    if (!take(r, 2, b)) {
        return false;
    }
    const auto u = static_cast<uint16_t>(b[0] << 8 | b[1]);
    v = is_signed ? static_cast<int16_t>(u) : u;
    return true;
}

bool read_byte(reader_t &r, int &v) {
    const uint8_t *b;
    if (!take(r, 1, b)) {
        return false;
    }
    v = b[0];
    return true;
}

bool side_ok(int n) {
    return n >= 1 && n <= MAX_SIDE;
}

// Takes bytes out of what loading may still allocate.
bool spend(size_t &memory, size_t bytes) {
    if (bytes > memory) {
        return false;
    }
    memory -= bytes;
    return true;
}

// What the loader allocates for an image: its pixels at up to 4 bytes, a pointer per row and
// the bitmap's record.
size_t image_memory(int w, int h) {
    return 4 * static_cast<size_t>(w) * static_cast<size_t>(h) + 8 * static_cast<size_t>(h) +
           RECORD_BYTES;
}

// Bytes one stored pixel takes at a depth: 24 and 32 are both stored as R, G, B and -32 adds
// alpha. 0 for the depths the reader does not handle.
size_t stored_pixel_size(int depth) {
    switch (depth) {
    case 8:
        return 1;
    case 15:
    case 16:
        return 2;
    case 24:
    case 32:
        return 3;
    case -32:
        return 4;
    default:
        return 0;
    }
}

// Width, height and rows of pixels, as bitmaps, compiled sprites and font glyphs are stored.
// The reader allocates width x height x bytes per pixel without an overflow check.
bool image_ok(reader_t &r, int depth, size_t &memory) {
    const size_t pixel = stored_pixel_size(depth);
    int w, h;
    return pixel > 0 && read_be16(r, w, false) && read_be16(r, h, false) && side_ok(w) &&
           side_ok(h) && spend(memory, image_memory(w, h)) &&
           skip(r, static_cast<size_t>(w) * static_cast<size_t>(h) * pixel);
}

// One count of an RLE sprite's row: 1 byte at depth 8 (0 ends the row), else 2 or 4 bytes,
// little-endian, the mask colour ending the row.
bool rle_count(reader_t &r, size_t unit, int32_t &count, bool &end_of_row) {
    const uint8_t *b;
    if (!take(r, unit, b)) {
        return false;
    }
    if (unit == 1) {
        count = static_cast<int8_t>(b[0]);
        end_of_row = count == 0;
    } else if (unit == 2) {
        const auto v = static_cast<uint16_t>(b[0] | b[1] << 8);
        count = static_cast<int16_t>(v);
        end_of_row = v == MASK_COLOR_16;
    } else {
        const uint32_t v =
            uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
        count = static_cast<int32_t>(v);
        end_of_row = v == MASK_COLOR_32;
    }
    return true;
}

// Depth, width, height, the size of the sprite in memory, then per row runs of solid pixels
// (a positive count and the pixels) and skips (a negative count) up to an end-of-row mark. The
// reader allocates the given size and writes the rows into it unchecked; drawing trusts them
// too. So every row must cover the width exactly and the rows must fill the size exactly.
// A few bytes can describe a big sprite, which the reader then converts through bitmaps of its
// full size: they come out of what loading may allocate.
bool rle_sprite_ok(reader_t &r, size_t &memory) {
    int depth, w, h;
    int32_t size;
    if (!read_be16(r, depth, true) || !read_be16(r, w, false) || !read_be16(r, h, false) ||
        !read_be32(r, size)) {
        return false;
    }
    const size_t pixel = stored_pixel_size(depth);
    if (pixel == 0 || !side_ok(w) || !side_ok(h) || size < 0 ||
        !spend(memory, image_memory(w, h))) {
        return false;
    }
    // In memory, counts and pixels take 1 byte at depth 8, 2 at 15 and 16, 4 above.
    const size_t unit = depth == 8 ? 1 : pixel == 2 ? 2 : 4;
    reader_t rows = r;
    if (depth == 8) { // read as raw bytes, exactly `size` of them
        const uint8_t *raw;
        if (!take(r, static_cast<size_t>(size), raw)) {
            return false;
        }
        rows = reader_t{raw, static_cast<size_t>(size)};
    }
    size_t units = 0;
    for (int y = 0; y < h; y++) {
        int covered = 0;
        for (;;) {
            int32_t count;
            bool end_of_row;
            if (!rle_count(rows, unit, count, end_of_row)) {
                return false;
            }
            units++;
            if (end_of_row) {
                break;
            }
            if (count == 0 || count < -(w - covered) || count > w - covered) {
                return false;
            }
            if (count > 0 && !skip(rows, static_cast<size_t>(count) * pixel)) {
                return false;
            }
            units += count > 0 ? static_cast<size_t>(count) : 0;
            covered += count > 0 ? count : -count;
        }
        if (covered != w) {
            return false;
        }
    }
    if (depth != 8) {
        r = rows;
    }
    return units * unit == static_cast<size_t>(size);
}

bool mono_glyph_ok(reader_t &r, size_t &memory) {
    int w, h;
    const auto size = [&] { return static_cast<size_t>((w + 7) / 8) * static_cast<size_t>(h); };
    return read_be16(r, w, false) && read_be16(r, h, false) && w <= MAX_SIDE && h <= MAX_SIDE &&
           spend(memory, size() + RECORD_BYTES) && skip(r, size());
}

// A font: a fixed-pitch or proportional font of the older formats, or ranges of glyphs. The
// reader allocates a pointer per glyph of a range before it reads any, and a font's ranges share
// one set of functions: ranges of two kinds would be freed the wrong way, a font without ranges
// has none at all.
bool font_ok(reader_t &r, size_t &memory) {
    int height;
    if (!read_be16(r, height, true)) {
        return false;
    }
    if (height > 0) {
        return skip(r, static_cast<size_t>(OLD_FONT_GLYPHS) * static_cast<size_t>(height));
    }
    if (height < 0) {
        for (int i = 0; i < OLD_FONT_GLYPHS; i++) {
            if (!image_ok(r, 8, memory)) {
                return false;
            }
        }
        return true;
    }
    int ranges;
    if (!read_be16(r, ranges, false) || ranges < 1 || ranges > MAX_FONT_RANGES) {
        return false;
    }
    int first_kind = -1;
    for (int i = 0; i < ranges; i++) {
        int depth;
        int32_t begin, last;
        if (!read_byte(r, depth) || !read_be32(r, begin) || !read_be32(r, last) || begin < 0 ||
            last < begin || last > MAX_CODE_POINT) {
            return false;
        }
        const int mono = depth == 1 || depth == 255;
        if (first_kind >= 0 && mono != first_kind) {
            return false;
        }
        first_kind = mono;
        for (int32_t c = begin; c <= last; c++) {
            if (!(mono ? mono_glyph_ok(r, memory) : image_ok(r, depth == 0 ? 8 : depth, memory))) {
                return false;
            }
        }
    }
    return true;
}

// Bits (negative for stereo), frequency, length in frames, then the data.
bool sample_ok(reader_t &r) {
    int bits, freq;
    int32_t frames;
    if (!read_be16(r, bits, true) || !read_be16(r, freq, false) || !read_be32(r, frames)) {
        return false;
    }
    const int channels = bits < 0 ? 2 : 1;
    const int depth = bits < 0 ? -bits : bits;
    if ((depth != 8 && depth != 16) || frames < 0 || frames > MAX_SAMPLE_FRAMES) {
        return false;
    }
    return skip(r, static_cast<size_t>(frames) * static_cast<size_t>(channels * depth / 8));
}

bool read_varlen(reader_t &r, uint32_t &v) {
    v = 0;
    for (int i = 0; i < 4; i++) {
        const uint8_t *b;
        if (!take(r, 1, b)) {
            return false;
        }
        v = v << 7 | (b[0] & 0x7fu);
        if (!(b[0] & 0x80)) {
            return true;
        }
    }
    return false;
}

// What a song asks of the synthesizer over all its tracks, by channel: whether a melodic note
// below 2 starts, and whether a pitch bend goes below the centre. DIGMID bends a note by looking
// up its neighbours in a table of frequencies that starts at note 0.
struct song_t {
    bool low_note[16];
    bool bends_down[16];
};

constexpr int DRUM_CHANNEL = 9; // channel 10 as musicians count
constexpr int BEND_CENTRE = 0x2000;
constexpr size_t PATCH_WALK_OVERSHOOT = 65536;

// Walks one track's events as Allegro's player does, and adds up its delta times. The player
// trusts every event, indexes tables of 128 notes and programs with the data bytes and loops
// forever over a song that takes no time: all three kinds of damage are refused here. Meta and
// system exclusive events leave the running status as it was, in the player as in
// load_patches.
bool midi_track_ok(reader_t r, uint64_t &ticks, song_t &song) {
    const size_t start_size = r.left;
    ticks = 0;
    int running = 0;
    while (r.left > 0) {
        uint32_t delta;
        const uint8_t *b;
        if (!read_varlen(r, delta) || !take(r, 1, b)) {
            return false;
        }
        ticks += delta;
        int status = b[0];
        int data[2] = {0, 0};
        int have = 0;
        if (!(status & 0x80)) { // running status: this byte is already the first data byte
            if (running == 0) {
                return false;
            }
            data[have++] = status;
            status = running;
        }
        uint32_t length;
        if (status == 0xff) {
            const uint8_t *type;
            if (!take(r, 1, type) || !read_varlen(r, length) || !take(r, length, b)) {
                return false;
            }
            if (type[0] == 0x2f) {
                return r.left == 0; // end of track: load_patches reads on to the stored end
            }
            continue;
        }
        if (status == 0xf0 || status == 0xf7) {
            if (!read_varlen(r, length) || !take(r, length, b)) {
                return false;
            }
            continue;
        }
        if (status >= 0xf0) {
            return false;
        }
        running = status;
        const int high = status & 0xf0;
        const int channel = status & 0x0f;
        for (const int count = (high == 0xc0 || high == 0xd0) ? 1 : 2; have < count; have++) {
            if (!take(r, 1, b) || b[0] >= 0x80) {
                return false;
            }
            data[have] = b[0];
        }
        if (high == 0x90 && channel != DRUM_CHANNEL && data[1] > 0 && data[0] < 2) {
            song.low_note[channel] = true;
        }
        if (high == 0xe0 && (data[0] | (data[1] << 7)) < BEND_CENTRE) {
            song.bends_down[channel] = true;
        }
    }
    // Only an unused, empty track may lack its end-of-track event: the player reads on until it.
    return start_size == 0;
}

// Skips a variable-length number as Allegro's parse_var_len reads it: any number of bytes with
// the top bit set, then one without. `value` gets it when it has at most 4 bytes.
bool patch_walk_varlen(const uint8_t *track, size_t length, size_t &pos, uint32_t &value,
                       int &bytes) {
    value = 0;
    for (bytes = 1;; bytes++, pos++) {
        if (pos >= length) {
            return false;
        }
        value = value << 7 | (track[pos] & 0x7fu);
        if (!(track[pos] & 0x80)) {
            pos++;
            return true;
        }
    }
}

// Before a song plays, Allegro's load_patches walks every track on its own to learn which
// programs and drum keys it uses. It reads the track's first delta time as if it were an event,
// takes its own number of bytes for each event and stops only at the track's stored end, so a
// first delta of 128 ticks or more throws it out of step with the events. Wherever it ends up,
// it must read inside the track and mark only the 128 programs and 128 drum keys its tables
// hold. A jump over what it takes for a system exclusive or meta event's length ends the walk
// when it lands past the track's end; one of more than 4 bytes or landing more than
// PATCH_WALK_OVERSHOOT past the end is refused, as a pointer moved that far could wrap around
// a 32-bit address space and the walk read on.
bool patch_walk_ok(const uint8_t *track, size_t length) {
    size_t pos = 0;
    int running = 0;
    uint32_t value;
    int bytes;
    // The length of a system exclusive or meta event, which the walk then jumps over.
    auto jump = [&] {
        if (!patch_walk_varlen(track, length, pos, value, bytes) || bytes > 4 ||
            value > length - pos + PATCH_WALK_OVERSHOOT) {
            return false;
        }
        pos += value;
        return true;
    };
    while (pos < length) {
        int event = track[pos];
        if (event & 0x80) {
            pos++;
            if (event != 0xf0 && event != 0xf7 && event != 0xff) {
                running = event;
            }
        } else {
            event = running;
        }
        switch (event >> 4) {
        case 0xc: // marks the program
            if (pos >= length || track[pos] >= 0x80) {
                return false;
            }
            pos++;
            break;
        case 0x9: // marks the key on the drum channel
            if ((event & 0x0f) == DRUM_CHANNEL && (pos >= length || track[pos] >= 0x80)) {
                return false;
            }
            pos += 2;
            break;
        case 0x8:
        case 0xa:
        case 0xb:
        case 0xe:
            pos += 2;
            break;
        case 0xd:
            pos += 1;
            break;
        case 0xf:
            if (event == 0xff) {
                pos++; // the meta event's type, skipped unread
            }
            if ((event == 0xff || event == 0xf0 || event == 0xf7) && !jump()) {
                return false;
            }
            pos += event == 0xf2 ? 2 : event == 0xf3 ? 1 : 0; // song position, song select
            break;
        default:
            break;
        }
        if (pos < length && !patch_walk_varlen(track, length, pos, value, bytes)) {
            return false;
        }
    }
    return true;
}

bool midi_ok(reader_t &r) {
    int divisions;
    if (!read_be16(r, divisions, true) || divisions <= 0) {
        return false;
    }
    uint64_t longest = 0;
    song_t song{};
    for (int t = 0; t < MIDI_TRACK_COUNT; t++) {
        int32_t length;
        const uint8_t *track;
        uint64_t ticks;
        if (!read_be32(r, length) || length < 0 || !take(r, static_cast<size_t>(length), track) ||
            !midi_track_ok(reader_t{track, static_cast<size_t>(length)}, ticks, song) ||
            !patch_walk_ok(track, static_cast<size_t>(length))) {
            return false;
        }
        longest = ticks > longest ? ticks : longest;
    }
    for (int c = 0; c < 16; c++) {
        if (song.low_note[c] && song.bends_down[c]) {
            return false;
        }
    }
    return longest > 0;
}

// Where a walk through the objects stands: how deep in nested data files, what loading may still
// allocate, and the listing of the objects seen, if one is wanted.
struct walk_t {
    int depth;
    size_t memory; // what loading may still allocate
    std::vector<datafile_entry_t> *listing;
};

bool object_list_ok(reader_t &r, int32_t least, walk_t &walk);

// The kinds Allegro builds from an object's bytes; every other kind (palettes, patches, plain
// data) it keeps as the bytes themselves.
bool body_ok(int32_t type, reader_t body, walk_t &walk) {
    if (walk.listing) {
        walk.listing->push_back({walk.depth, type, static_cast<int32_t>(body.left)});
    }
    int image_depth;
    switch (type) {
    case DAT_FILE: {
        if (walk.depth + 1 >= MAX_NESTING) {
            return false;
        }
        walk.depth++;
        const bool ok = object_list_ok(body, 0, walk);
        walk.depth--;
        return ok;
    }
    case DAT_BITMAP:
    case DAT_C_SPRITE:
    case DAT_XC_SPRITE:
        return read_be16(body, image_depth, true) && image_ok(body, image_depth, walk.memory);
    case DAT_RLE_SPRITE:
        return rle_sprite_ok(body, walk.memory);
    case DAT_FONT:
        return font_ok(body, walk.memory);
    case DAT_SAMPLE:
        return sample_ok(body);
    case DAT_MIDI:
        return midi_ok(body);
    default:
        return true;
    }
}

bool object_ok(reader_t &r, walk_t &walk) {
    int32_t type;
    if (!read_be32(r, type)) {
        return false;
    }
    if (!spend(walk.memory, RECORD_BYTES)) {
        return false;
    }
    for (int properties = 1; type == DAT_PROPERTY; properties++) {
        // The property list ends at the first DAT_END: a property with that id is never freed.
        int32_t id, length;
        if (properties > MAX_PROPERTIES || !spend(walk.memory, RECORD_BYTES) || !read_be32(r, id) ||
            id == DAT_END || !read_be32(r, length) || length < 0 ||
            !skip(r, static_cast<size_t>(length)) || !read_be32(r, type)) {
            return false;
        }
    }
    // Free slots of the reader's table of loaders hold DAT_END with no loader to call.
    if (type == DAT_END) {
        return false;
    }
    int32_t stored, expanded;
    const uint8_t *data;
    if (!read_be32(r, stored) || !read_be32(r, expanded) || stored < 0 ||
        !take(r, static_cast<size_t>(stored), data)) {
        return false;
    }
    if (expanded >= 0) { // the reader takes `expanded` bytes whatever `stored` says
        return expanded == stored &&
               body_ok(type, reader_t{data, static_cast<size_t>(stored)}, walk);
    }
    // A negative size marks an object packed on its own. The reader unpacks until that many
    // bytes have come out and reads no further, whatever the stored size says: where the two
    // disagree, the next object would start elsewhere for it than for this check.
    const auto size = static_cast<size_t>(-static_cast<int64_t>(expanded));
    std::vector<uint8_t> body;
    size_t used;
    if (!spend(walk.memory, size) ||
        !lzss_unpack(data, static_cast<size_t>(stored), size, body, used) || body.size() != size ||
        used != static_cast<size_t>(stored)) {
        return false;
    }
    return body_ok(type, reader_t{body.data(), size}, walk);
}

// The object count, then the objects. Bytes after the last are never read.
bool object_list_ok(reader_t &r, int32_t least, walk_t &walk) {
    int32_t count;
    if (!read_be32(r, count) || count < least || count > MAX_OBJECTS) {
        return false;
    }
    for (int32_t i = 0; i < count; i++) {
        if (!object_ok(r, walk)) {
            return false;
        }
    }
    return true;
}

bool contents_ok(reader_t r, walk_t &walk) {
    int32_t magic;
    return read_be32(r, magic) && magic == DAT_MAGIC && object_list_ok(r, OBJ_COUNT, walk);
}

bool expected_kind(const DATAFILE &object, int index) {
    if (index == OBJ_BUZZ) {
        return object.type == DAT_SAMPLE;
    }
    if (index == OBJ_MUSIC) {
        return object.type == DAT_MIDI;
    }
    return object.type == DAT_BITMAP;
}

bool power_of_two(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

// The mixer steps through a looping sample by its frequency over the mixing rate and takes the
// loop's length off once a step: a step longer than the whole loop reads past its end. A tenth
// of a second keeps every step inside at any mixing rate from 10 Hz up; sound devices offer
// 4000 Hz and more. It also reads a frame before it looks at the length.
bool buzz_ok(const SAMPLE *s) {
    return s->len > 0 &&
           uint64_t{s->len} * uint64_t{BUZZ_PARTS_OF_A_SECOND} >= static_cast<uint64_t>(s->freq);
}

} // namespace

bool lzss_unpack(const uint8_t *in, size_t size, size_t limit, std::vector<uint8_t> &out,
                 size_t &used) {
    constexpr int THRESHOLD = 2;
    constexpr int TAIL = LZSS_RING - LZSS_LONGEST; // the reader zeroes the ring up to here only
    uint8_t ring[LZSS_RING] = {};
    int r = TAIL;
    unsigned flags = 0;
    size_t pos = 0;
    out.clear();
    auto put = [&](uint8_t c) {
        out.push_back(c);
        ring[r] = c;
        r = (r + 1) & (LZSS_RING - 1);
    };
    while (out.size() < limit) {
        flags >>= 1;
        if (!(flags & 256)) {
            if (pos >= size) {
                break;
            }
            flags = in[pos++] | 0xff00u;
        }
        if (flags & 1) {
            if (pos >= size) {
                break;
            }
            put(in[pos++]);
            continue;
        }
        if (pos + 2 > size) {
            if (pos < size) {
                return false;
            }
            break;
        }
        const int i = in[pos] | (in[pos + 1] & 0xf0) << 4;
        const int length = (in[pos + 1] & 0x0f) + THRESHOLD + 1;
        pos += 2;
        for (int k = 0; k < length && out.size() < limit; k++) {
            const int from = (i + k) & (LZSS_RING - 1);
            // The first bytes out go to the tail, so a tail byte is written once enough came out.
            if (from >= TAIL && static_cast<size_t>(from - TAIL) >= out.size()) {
                return false;
            }
            put(ring[from]);
        }
    }
    used = pos;
    return true;
}

bool datafile_bytes_ok(const uint8_t *bytes, size_t size, std::vector<datafile_entry_t> *listing) {
    reader_t r{bytes, size};
    walk_t walk{0, MAX_MEMORY, listing};
    if (listing) {
        listing->clear();
    }
    int32_t magic;
    if (!read_be32(r, magic)) {
        return false;
    }
    if (magic == static_cast<int32_t>(F_NOPACK_MAGIC)) {
        return spend(walk.memory, size) && contents_ok(r, walk);
    }
    if (magic != static_cast<int32_t>(F_PACK_MAGIC)) {
        return false;
    }
    std::vector<uint8_t> unpacked;
    size_t used;
    if (!lzss_unpack(r.p, r.left, MAX_FILE_SIZE + 1, unpacked, used) ||
        !spend(walk.memory, unpacked.size())) {
        return false;
    }
    return contents_ok(reader_t{unpacked.data(), unpacked.size()}, walk);
}

bool datafile_objects_ok(const DATAFILE *dat) {
    if (!dat) {
        return false;
    }
    for (int i = 0; i < OBJ_COUNT; i++) {
        if (dat[i].type == DAT_END || !dat[i].dat || !expected_kind(dat[i], i)) {
            return false;
        }
    }
    for (int i = 0; i < OBJ_BUZZ; i++) {
        const BITMAP *b = static_cast<const BITMAP *>(dat[i].dat);
        if (i != OBJ_GROUND_TEXTURE && (b->w > MAX_SPRITE_SIDE || b->h > MAX_SPRITE_SIDE)) {
            return false;
        }
        if (i == OBJ_FLYER && b->w * b->h > MAX_FLYER_AREA) {
            return false;
        }
    }
    // The icon crop reads a 10 x 10 square at (3, 3); a pattern must be a power of two each way.
    const BITMAP *icon = static_cast<const BITMAP *>(dat[OBJ_BOT1_STAND].dat);
    const BITMAP *texture = static_cast<const BITMAP *>(dat[OBJ_GROUND_TEXTURE].dat);
    return icon->w >= 13 && icon->h >= 13 && power_of_two(texture->w) && power_of_two(texture->h) &&
           buzz_ok(static_cast<const SAMPLE *>(dat[OBJ_BUZZ].dat));
}
