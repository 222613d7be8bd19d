#include "datafile_check.h"

#include "world.h"

#include <cstdio>

namespace {

constexpr size_t MAX_FILE_SIZE = size_t{256} << 20;
constexpr int32_t MAX_OBJECTS = 65536;
constexpr int MAX_BITMAP_SIDE = 8192;
constexpr int32_t MAX_SAMPLE_FRAMES = 64 << 20;
constexpr int MIDI_TRACK_COUNT = 32;

// A bounds-checked big-endian reader over a byte range.
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

bool read_be32(reader_t &r, int32_t &v) {
    const uint8_t *b;
    if (!take(r, 4, b)) {
        return false;
    }
    v = static_cast<int32_t>(uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 |
                             uint32_t{b[3]});
    return true;
}

bool read_be16(reader_t &r, int &v) {
    const uint8_t *b;
    if (!take(r, 2, b)) {
        return false;
    }
    v = static_cast<int16_t>(static_cast<uint16_t>(b[0] << 8 | b[1]));
    return true;
}

bool bitmap_body_ok(reader_t r) {
    int depth, w, h;
    if (!read_be16(r, depth) || !read_be16(r, w) || !read_be16(r, h)) {
        return false;
    }
    int bytes;
    switch (depth) {
    case 8:
        bytes = 1;
        break;
    case 15:
    case 16:
        bytes = 2;
        break;
    case 24:
    case 32:
        bytes = 3;
        break;
    case -32:
        bytes = 4;
        break;
    default:
        return false;
    }
    if (w < 1 || h < 1 || w > MAX_BITMAP_SIDE || h > MAX_BITMAP_SIDE) {
        return false;
    }
    return r.left >= static_cast<size_t>(w) * static_cast<size_t>(h) * static_cast<size_t>(bytes);
}

bool sample_body_ok(reader_t r) {
    int bits, freq;
    int32_t frames;
    if (!read_be16(r, bits) || !read_be16(r, freq) || !read_be32(r, frames)) {
        return false;
    }
    const int channels = bits < 0 ? 2 : 1;
    const int depth = bits < 0 ? -bits : bits;
    if ((depth != 8 && depth != 16) || frames < 0 || frames > MAX_SAMPLE_FRAMES) {
        return false;
    }
    const size_t need = static_cast<size_t>(frames) * static_cast<size_t>(channels * depth / 8);
    return r.left >= need;
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

// Walks one track's events and adds up its delta times. The music player trusts every event
// and loops forever over a song that takes no time, so both kinds of damage are refused here.
bool midi_track_ok(reader_t r, uint64_t &ticks) {
    const size_t start_size = r.left;
    ticks = 0;
    int status = 0;
    while (r.left > 0) {
        uint32_t delta;
        const uint8_t *b;
        if (!read_varlen(r, delta) || !take(r, 1, b)) {
            return false;
        }
        ticks += delta;
        int first_data = -1;
        if (b[0] & 0x80) {
            status = b[0];
        } else if (status >= 0x80 && status < 0xf0) {
            first_data = b[0]; // running status: this byte is already the first data byte
        } else {
            return false;
        }
        uint32_t length;
        if (status == 0xff) {
            const uint8_t *type;
            if (!take(r, 1, type) || !read_varlen(r, length) || !take(r, length, b)) {
                return false;
            }
            status = 0;
            if (type[0] == 0x2f) {
                return true; // end of track
            }
        } else if (status == 0xf0 || status == 0xf7) {
            if (!read_varlen(r, length) || !take(r, length, b)) {
                return false;
            }
            status = 0;
        } else if (status >= 0xf0) {
            return false;
        } else {
            const int high = status & 0xf0;
            const size_t data_bytes = (high == 0xc0 || high == 0xd0) ? 1 : 2;
            if (!take(r, data_bytes - (first_data >= 0 ? 1 : 0), b)) {
                return false;
            }
        }
    }
    // Only an unused, empty track may lack its end-of-track event: the player reads on until it.
    return start_size == 0;
}

bool midi_body_ok(reader_t r) {
    int divisions;
    if (!read_be16(r, divisions) || divisions <= 0) {
        return false;
    }
    uint64_t longest = 0;
    for (int t = 0; t < MIDI_TRACK_COUNT; t++) {
        int32_t length;
        const uint8_t *track;
        uint64_t ticks;
        if (!read_be32(r, length) || length < 0 || !take(r, static_cast<size_t>(length), track) ||
            !midi_track_ok(reader_t{track, static_cast<size_t>(length)}, ticks)) {
            return false;
        }
        longest = ticks > longest ? ticks : longest;
    }
    return longest > 0;
}

// Kinds the loader builds from the object's bytes; anything else it keeps as raw bytes.
bool object_body_ok(int32_t type, reader_t body) {
    switch (type) {
    case DAT_BITMAP:
    case DAT_C_SPRITE:
    case DAT_XC_SPRITE:
        return bitmap_body_ok(body);
    case DAT_SAMPLE:
        return sample_body_ok(body);
    case DAT_MIDI:
        return midi_body_ok(body);
    case DAT_FILE:
    case DAT_FONT:
    case DAT_RLE_SPRITE:
    case DAT_PATCH:
    case DAT_PALETTE:
    case DAT_PROPERTY:
        return false; // kinds the game never ships; refuse rather than trust
    default:
        return true;
    }
}

bool object_ok(reader_t &r, std::vector<uint8_t> &scratch) {
    int32_t type;
    if (!read_be32(r, type)) {
        return false;
    }
    while (type == DAT_PROPERTY) {
        int32_t id, length;
        const uint8_t *skip;
        if (!read_be32(r, id) || !read_be32(r, length) || length < 0 ||
            !take(r, static_cast<size_t>(length), skip) || !read_be32(r, type)) {
            return false;
        }
    }
    int32_t stored, expanded;
    const uint8_t *data;
    if (!read_be32(r, stored) || !read_be32(r, expanded) || stored < 0 ||
        !take(r, static_cast<size_t>(stored), data)) {
        return false;
    }
    if (expanded >= 0) {
        if (expanded != stored) {
            return false;
        }
        return object_body_ok(type, reader_t{data, static_cast<size_t>(stored)});
    }
    // A negative size marks an object packed on its own.
    if (!lzss_unpack(data, static_cast<size_t>(stored), scratch) ||
        scratch.size() < static_cast<size_t>(-static_cast<int64_t>(expanded))) {
        return false;
    }
    return object_body_ok(
        type, reader_t{scratch.data(), static_cast<size_t>(-static_cast<int64_t>(expanded))});
}

bool objects_ok(reader_t r) {
    int32_t magic, count;
    if (!read_be32(r, magic) || magic != DAT_MAGIC || !read_be32(r, count)) {
        return false;
    }
    if (count < OBJ_COUNT || count > MAX_OBJECTS) {
        return false;
    }
    std::vector<uint8_t> scratch;
    for (int32_t i = 0; i < count; i++) {
        if (!object_ok(r, scratch)) {
            return false;
        }
    }
    return true;
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

} // namespace

bool lzss_unpack(const uint8_t *in, size_t size, std::vector<uint8_t> &out) {
    constexpr int N = 4096;
    constexpr int F = 18;
    constexpr int THRESHOLD = 2;
    uint8_t ring[N] = {};
    int r = N - F;
    unsigned flags = 0;
    size_t pos = 0;
    out.clear();
    for (;;) {
        flags >>= 1;
        if (!(flags & 256)) {
            if (pos >= size) {
                return true;
            }
            flags = in[pos++] | 0xff00u;
        }
        if (flags & 1) {
            if (pos >= size) {
                return true;
            }
            const uint8_t c = in[pos++];
            out.push_back(c);
            ring[r] = c;
            r = (r + 1) & (N - 1);
        } else {
            if (pos + 2 > size) {
                return pos == size;
            }
            int i = in[pos++];
            int j = in[pos++];
            i |= (j & 0xf0) << 4;
            j = (j & 0x0f) + THRESHOLD;
            for (int k = 0; k <= j; k++) {
                const uint8_t c = ring[(i + k) & (N - 1)];
                out.push_back(c);
                ring[r] = c;
                r = (r + 1) & (N - 1);
            }
        }
        if (out.size() > MAX_FILE_SIZE) {
            return false;
        }
    }
}

bool datafile_bytes_ok(const uint8_t *bytes, size_t size) {
    reader_t r{bytes, size};
    int32_t magic;
    if (!read_be32(r, magic)) {
        return false;
    }
    if (magic == static_cast<int32_t>(F_NOPACK_MAGIC)) {
        return objects_ok(r);
    }
    if (magic == static_cast<int32_t>(F_PACK_MAGIC)) {
        std::vector<uint8_t> unpacked;
        return lzss_unpack(r.p, r.left, unpacked) &&
               objects_ok(reader_t{unpacked.data(), unpacked.size()});
    }
    return false;
}

bool datafile_structure_ok(const char *path) {
    FILE *f = std::fopen(path, "rb");
    if (!f) {
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got;
    bool too_big = false;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (bytes.size() > MAX_FILE_SIZE) {
            too_big = true;
            break;
        }
    }
    const bool read_error = std::ferror(f) != 0;
    std::fclose(f);
    return !too_big && !read_error && datafile_bytes_ok(bytes.data(), bytes.size());
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
    // The icon crop reads a 10 x 10 square at (3, 3); a pattern must be a power of two each way.
    const BITMAP *icon = static_cast<const BITMAP *>(dat[OBJ_BOT1_STAND].dat);
    const BITMAP *texture = static_cast<const BITMAP *>(dat[OBJ_GROUND_TEXTURE].dat);
    return icon->w >= 13 && icon->h >= 13 && power_of_two(texture->w) && power_of_two(texture->h);
}
