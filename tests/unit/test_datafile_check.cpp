// The data file checks on small files written here byte by byte or packed by Allegro, and read
// back by Allegro's own loader.
#include "harness.h"

#include "datafile_check.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

using bytes = std::vector<uint8_t>;
constexpr int64_t AUTO = INT64_MIN; // a size taken from what is written

bytes operator+(bytes a, const bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
// Bytes in hex, spaces ignored: "00ff 10" is 0x00, 0xff, 0x10.
bytes hex(const std::string &s) {
    bytes b;
    for (size_t i = 0; i < s.size(); i += s[i] == ' ' ? 1 : 2) {
        b.resize(b.size() + (s[i] != ' '), static_cast<uint8_t>(std::stoi(s.substr(i, 2), 0, 16)));
    }
    return b;
}
bytes be(int64_t v, int n) { // big-endian, n bytes
    char s[17];
    std::snprintf(s, sizeof s, "%016llx", static_cast<unsigned long long>(v));
    return hex(s + 16 - 2 * n);
}
const auto size = [](const bytes &b) { return static_cast<int64_t>(b.size()); };
const auto ok = [](const bytes &b) { return datafile_bytes_ok(b.data(), b.size()); };

bytes object(const char *type, const bytes &body, int64_t stored = AUTO, int64_t unpacked = AUTO) {
    return bytes(type, type + 4) + be(stored == AUTO ? size(body) : stored, 4) +
           be(unpacked == AUTO ? size(body) : unpacked, 4) + body;
}
// Depth, width, height, then 3 bytes a pixel, as at depths 24 and 32.
bytes image(int w, int h, int depth = 24, int pixels = -1) {
    return be(depth, 2) + be(w, 2) + be(h, 2) + bytes(3 * size_t(pixels < 0 ? w * h : pixels), 9);
}
bytes bmp(int w, int h, int depth = 24, int pixels = -1) {
    return object("BMP ", image(w, h, depth, pixels));
}
// Divisions, then 32 tracks (or as many as told), the first one given.
bytes song(const bytes &track, int64_t length = AUTO, int tracks = 32) {
    return object("MIDI", hex("0060") + be(length == AUTO ? size(track) : length, 4) + track +
                              bytes(4 * size_t(tracks - 1), 0));
}
const bytes NOTE = hex("00903c40 603c00 00ff2f00"); // 96 ticks, the release in running status
const bytes BUZZ = object("SAMP", hex("0008 0014 00000002 8080")); // 20 Hz: a tenth of a second
const bytes NAME = hex("70726f70 4e414d45");
// Font ranges: mono, 2 glyphs 8 x 1 from 0 (depth 255, which also marks mono); colour at depth 8, 1
// glyph 1 x 1 at 65.
const bytes MONO = hex("ff 00000000 00000001 00080001 ff 00080001 81");
const bytes COLOUR = hex("00 00000041 00000041 00010001 03");
const bytes RANGE = hex("01 00000041 00000041 00010001 80");
// A data file object holding files inside files, the innermost holding a palette.
bytes nested(int files) {
    bytes b = object("PAL ", bytes(4, 1));
    for (int i = 0; i < files; i++) {
        b = object("FILE", be(1, 4) + b);
    }
    return b;
}
bytes times(int n, const bytes &b) {
    bytes out;
    for (int i = 0; i < n; i++) {
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}
template <class... Files> std::vector<bytes> list(const Files &...files) {
    return {files...};
}

// The game's 22 objects: icon source 13 x 13, ground texture 8 x 8, object 17 named "17"; at()
// replaces object index with obj, or adds obj after them when index is 22.
bytes at(int index = -1, const bytes &obj = {}) {
    bytes b = hex("736c682e 414c4c2e") + be(OBJ_COUNT + (index == OBJ_COUNT), 4);
    for (int i = 0; i < OBJ_COUNT; i++) {
        const int side = i == OBJ_BOT1_STAND ? 13 : i == OBJ_GROUND_TEXTURE ? 8 : 3;
        b = b + (i == index ? obj
                 : i < 20   ? (i == 17 ? NAME + hex("00000002 3137") : bytes{}) + bmp(side, side)
                 : i == 20  ? BUZZ
                            : song(NOTE));
    }
    return index == OBJ_COUNT ? b + obj : b;
}

// ctest runs the tests as parallel processes: every file name carries the process id.
std::string temp_path(const char *name) {
    return testing::TempDir() + "jetsquad_" + std::to_string(getpid()) + "_" + name + ".dat";
}
// Allegro's LZSS packing of data, without the 4-byte magic in front.
bytes packed_by_allegro(const bytes &data) {
    const std::string path = temp_path("packed");
    PACKFILE *f = pack_fopen(path.c_str(), F_WRITE_PACKED);
    pack_fwrite(data.data(), static_cast<long>(data.size()), f);
    pack_fclose(f);
    std::ifstream in(path, std::ios::binary);
    const bytes raw(std::istreambuf_iterator<char>(in), {});
    std::remove(path.c_str());
    return bytes(raw.begin() + 4, raw.end());
}
// The structure check, then Allegro's loader on the same bytes.
DATAFILE *load(const bytes &file) {
    const std::string path = temp_path("load");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(file.data()),
               static_cast<std::streamsize>(file.size()));
    DATAFILE *dat =
        datafile_bytes_ok(file.data(), file.size()) ? load_datafile(path.c_str()) : nullptr;
    std::remove(path.c_str());
    return dat;
}

} // namespace

class DatafileTest : public ::testing::Test {
  protected:
    void SetUp() override { start_headless_game_library(); }
};

TEST_F(DatafileTest, TheGameFileLoadsPlainOrPackedAndEveryCutIsRefused) {
    const bytes plain = at();
    for (const bytes &f :
         {plain, hex("736c6821") + packed_by_allegro(bytes(plain.begin() + 4, plain.end()))}) {
        DATAFILE *dat = load(f);
        EXPECT_TRUE(dat && datafile_objects_ok(dat) && dat[22].type == DAT_END);
        unload_datafile(dat);
        for (size_t n = 0; n < f.size(); n++) {
            ASSERT_FALSE(datafile_bytes_ok(f.data(), n)) << "cut at " << n << " of " << f.size();
        }
    }
}

TEST_F(DatafileTest, LyingNumbersDamagedPackingAndUnloadableIdsAreRefused) {
    bytes magic = at(), all = magic, fewer = magic;
    magic[3] ^= 1;
    all[7] ^= 1;
    fewer.resize(fewer.size() - song(NOTE).size()); // 21 objects, and the count says so
    fewer[11] = 21;
    const bytes icon = image(13, 13), packed = packed_by_allegro(icon);
    // 16-bit RLE sprites 4096 pixels wide, each row one skip: a few bytes for 64 MB in memory.
    const auto wide_rle = [](int h) {
        return object("RLE ",
                      hex("0010 1000") + be(h, 2) + be(4 * h, 4) + times(h, hex("00f0 1ff8")));
    };
    // Bitmaps too big, cut, empty or of no depth; sizes that differ; samples of negative length,
    // 12 bits, or cut; songs whose tracks are cut, too few, take no time, lack a status or an
    // end; property lengths that lie; ids Allegro cannot load (its property list ends at the
    // first DAT_END, its table of loaders has none for it); packed objects whose stored size
    // disagrees with where unpacking stops, so the next object would start elsewhere for the
    // reader; a first token copying ring bytes the reader leaves as the heap had them; RLE rows
    // that end late, cover more or less than the width, or fill more than the size; fonts cut,
    // with ranges of two kinds, none, or backwards; files nested 8 deep; objects with 65
    // properties, fonts with 257 ranges; an RLE sprite one row over the memory bound.
    int n = 0;
    for (const bytes &f :
         list(magic, all, fewer, at(1, bmp(8193, 1)), at(1, bmp(20, 20, 24, 9)),
              at(1, bmp(0, 3, 24, 0)), at(1, bmp(3, 3, 12)),
              at(1, object("BMP ", image(3, 3), 33, 34)),
              at(20, object("SAMP", hex("0008 2b11 fffffff0"))),
              at(20, object("SAMP", hex("000c 2b11 00000001 80"))),
              at(20, object("SAMP", hex("fff0 2b11 00000001 808080"))), at(21, song(NOTE, -4)),
              at(21, song(NOTE, 5)), at(21, song(NOTE, AUTO, 31)), at(21, song(hex("00ff2f00"))),
              at(21, song(hex("103c40"))), at(21, song(hex("00903c"))),
              at(21, song(hex("8f8f8f8f00"))), at(21, song(hex("00ff0109 41"))),
              at(21, song(hex("00c005 30c006"))), at(21, song(hex("00c080") + NOTE)),
              at(21, song(hex("00997f40 60998000") + NOTE)),
              at(21, song(hex("00e00000 00900140 600100 00ff2f00"))), // note 1, bent below it
              at(21, song(hex("c08000 903c40 603c00 00ff2f00"))),     // program 128 to load_patches
              at(3, NAME + hex("fffffc18 58") + bmp(3, 3)),
              at(3, NAME + hex("40000000 58") + bmp(3, 3)),
              at(3, hex("70726f70 ffffffff 00000001 58") + bmp(3, 3)),
              at(22, object("\xff\xff\xff\xff", {})),
              at(0, object("BMP ", packed + hex("0100"), size(packed) + 2, -size(icon))),
              at(0, object("BMP ", packed, size(packed), -size(icon) - 1)),
              at(0, object("BMP ", packed, size(packed) - 1, -size(icon))),
              at(22, object("DATA", hex("00fff0"), 3, -3)),
              at(22, object("RLE ", hex("0020 00010001 0000000c 01000000 090909 1f001f00"))),
              at(22, object("RLE ", hex("0008 00020001 00000004 0109fe00"))),
              at(22, object("RLE ", hex("0008 00020001 00000003 010900"))),
              at(22, object("RLE ", hex("0010 00010001 00000004 0100 3412 1ff8"))),
              at(22, object("FONT", hex("0002") + bytes(447, 1))),
              at(22, object("FONT", hex("0000 0002") + MONO + COLOUR)),
              at(22, object("FONT", hex("0000 0000"))),
              at(22, object("FONT", hex("0000 0001 01 00000021 00000020"))), at(22, nested(8)),
              at(3, times(65, NAME + hex("00000000")) + bmp(3, 3)),
              at(22, object("FONT", hex("0000 0101") + times(257, RANGE))),
              at(22, wide_rle(4093)))) {
        EXPECT_FALSE(ok(f)) << "file " << n++;
    }
    EXPECT_TRUE(ok(at(0, object("BMP ", packed, size(packed), -size(icon)))));
    EXPECT_TRUE(ok(at(3, times(64, NAME + hex("00000000")) + bmp(3, 3))));
    EXPECT_TRUE(ok(at(22, wide_rle(4092)))); // 964 bytes under 64 MB with the file and records
    EXPECT_TRUE(ok(at(22, object("FONT", hex("0000 0100") + times(256, RANGE)))));
    EXPECT_TRUE(ok(at(22, object("DATA", hex("00edf0"), 3, -3))));         // from the zeroed part
    EXPECT_TRUE(ok(at(21, song(hex("00c005 30c006 00ff2f00")))));          // programs take one byte
    EXPECT_TRUE(ok(at(21, song(hex("00c07f 00997f40 60997f00") + NOTE)))); // the last in the tables
    EXPECT_TRUE(ok(at(21, song(hex("00f003 7e7f09 00ff01 8100") + bytes(128, 97) + NOTE))));
    // Bent down: note 2, or note 1 on the drums; note 1 bent only to the centre.
    for (const char *track :
         {"00e00000 00900240 600200", "00e90000 00990140 600100", "00e00040 00900140 600100"}) {
        EXPECT_TRUE(ok(at(21, song(hex(track) + hex("00ff2f00"))))) << track;
    }
}

// Palettes and plain data; sprites; RLE sprites whose rows cover their width and fill their size;
// fonts of 224 fixed glyphs or ranges of one kind; files nested 7 deep.
TEST_F(DatafileTest, ObjectsAfterTheGamesOwnLoadWhenWellFormed) {
    for (const bytes &obj :
         list(object("PAL ", bytes(1024, 7)), object("DATA", {}), object("XCMP", image(2, 2, 32)),
              object("RLE ", hex("0008 00020002 00000006 0109ff00 fe00")),
              object("RLE ", hex("0010 00020001 00000008 ffff 0100 3412 1ff8")),
              object("RLE ", hex("0020 00020001 00000010 ffffffff 01000000 090909 ff00ff00")),
              object("FONT", hex("0002") + bytes(448, 1)), object("FONT", hex("0000 0001") + MONO),
              object("FONT", hex("0000 0001") + COLOUR), nested(7),
              object("FONT", hex("0000 0001 01 00000000 00000000 20000001") + bytes(1024, 1)))) {
        DATAFILE *dat = load(at(22, obj)); // Allegro reads the same objects
        ASSERT_TRUE(dat && datafile_objects_ok(dat) && dat[23].type == DAT_END);
        EXPECT_EQ(bytes(obj.begin(), obj.begin() + 4), be(dat[22].type, 4));
        EXPECT_EQ(dat[22].size, size(obj) - 12);
        unload_datafile(dat);
    }
}

// Kinds swapped, an icon source under 13 x 13, textures whose sides are not powers of two, a
// buzz without frames or just under a tenth of a second, a sprite or a flyer just over its bound;
// then four that pass, two of them at the bounds.
TEST_F(DatafileTest, WrongKindsAndSizesFailTheObjectCheckAfterLoading) {
    // An RLE sprite begins with its width and height, as a bitmap does: only its kind is wrong.
    const bytes RLE13 = object("RLE ", hex("0008 000d000d 000000c3") +
                                           times(13, hex("0d") + bytes(13, 1) + hex("00")));
    int n = 0;
    for (const bytes &f :
         list(at(21, BUZZ), at(5, BUZZ), at(20, bmp(3, 3)), at(0, bmp(12, 13)), at(0, bmp(13, 12)),
              at(4, bmp(24, 32)), at(4, bmp(32, 12)),
              at(20, object("SAMP", hex("0008 2b11 00000000"))),
              at(20, object("SAMP", hex("0008 0015 00000002 8080"))), at(3, bmp(13, 65)),
              at(19, bmp(20, 21)), at(0, BUZZ), at(0, RLE13), at(0, bmp(65, 13)),
              at(0, bmp(40, 13)), at(4, bmp(16, 1)), at(10, bmp(64, 64)), at(19, bmp(25, 16)))) {
        DATAFILE *dat = load(f);
        EXPECT_TRUE(dat && datafile_objects_ok(dat) == (++n > 14)) << n;
        unload_datafile(dat);
    }
    DATAFILE cut[OBJ_COUNT + 1]; // a loaded array that ends early
    std::copy(datafile, datafile + OBJ_COUNT + 1, cut);
    cut[21] = DATAFILE{nullptr, DAT_END, 0, nullptr};
    EXPECT_FALSE(datafile_objects_ok(cut) || datafile_objects_ok(nullptr));
}

TEST(Lzss, ExpandsAndStopsWhereAllegrosReaderDoes) {
    start_headless_game_library();
    bytes out;
    size_t used;
    auto unpack = [&](const bytes &in, size_t limit = 100000) {
        return lzss_unpack(in.data(), in.size(), limit, out, used);
    };
    // Two literals, then a 4-byte copy from ring position 0xfee, where the first literal went.
    const bytes abab = hex("03 6162 eef1");
    EXPECT_TRUE(unpack(abab) && out == hex("616261626162") && used == 5);
    EXPECT_TRUE(unpack(abab, 1) && out == hex("61") && used == 2);
    EXPECT_TRUE(unpack(abab, 3) && out == hex("616261") && used == 5);
    // The ring starts zeroed up to 4077; the reader leaves the last 18 bytes as the heap had
    // them until the first bytes out reach them.
    EXPECT_TRUE(unpack(hex("00 edff")) && out == bytes(18, 0));
    EXPECT_FALSE(unpack(hex("00 eef0")) || unpack(hex("01 61 eff0")) || unpack(hex("00 00")));
    EXPECT_TRUE(unpack(hex("03 6162 eff0")) && out == hex("6162626262"));
    EXPECT_TRUE(unpack({}) && out.empty() && used == 0);
    // What Allegro's packer writes comes back whole, or cut where asked.
    for (const bytes &in : list(at(), bytes(100000, 'A'), bytes(4097, ' '), bytes(19, ' '))) {
        const bytes packed = packed_by_allegro(in);
        EXPECT_TRUE(unpack(packed, in.size()) && out == in && used == packed.size()) << in.size();
        EXPECT_TRUE(unpack(packed, in.size() / 2) &&
                    out ==
                        bytes(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(in.size() / 2)));
    }
}
