// The data file checks: small data files written here byte by byte, and packed by Allegro itself.
#include "harness.h"

#include "datafile_check.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;
constexpr int32_t AUTO = INT32_MIN; // a size taken from what is written

// Big-endian, n bytes.
void put(bytes &b, int64_t v, int n) {
    for (int shift = 8 * (n - 1); shift >= 0; shift -= 8) {
        b.push_back(static_cast<uint8_t>(v >> shift));
    }
}
void append(bytes &b, const bytes &more) {
    b.insert(b.end(), more.begin(), more.end());
}

// Depth 24: width, height, then R, G, B per pixel (pixels of them).
bytes bitmap_body(int w, int h, int pixels = -1) {
    bytes b;
    put(b, 24, 2);
    put(b, w, 2);
    put(b, h, 2);
    b.insert(b.end(), 3 * static_cast<size_t>(pixels < 0 ? w * h : pixels), 200);
    return b;
}
bytes sample_body(int bits, int32_t frames) {
    bytes b;
    put(b, bits, 2);
    put(b, 11025, 2);
    put(b, frames, 4);
    b.insert(b.end(), frames > 0 ? static_cast<size_t>(frames) : 0, 128);
    return b;
}
// One note of 96 ticks, its release written with running status, then the end of the track.
const bytes ONE_NOTE = {0x00, 0x90, 0x3c, 0x40, 0x60, 0x3c, 0x00, 0x00, 0xff, 0x2f, 0x00};

// Divisions, then exactly 32 tracks; the first holds the given events.
bytes midi_body(int32_t first_length = 11, const bytes &events = ONE_NOTE) {
    bytes b;
    put(b, 120, 2);
    put(b, first_length, 4);
    b.insert(b.end(), events.begin(), events.end());
    put(b, 0, 4 * 31);
    return b;
}
bytes midi_track(const bytes &events) {
    return midi_body(static_cast<int32_t>(events.size()), events);
}
bytes object(int type, const bytes &body, int32_t stored = AUTO, int32_t expanded = AUTO,
             const bytes &props = {}) {
    const auto n = static_cast<int32_t>(body.size());
    bytes b = props;
    put(b, type, 4);
    put(b, stored == AUTO ? n : stored, 4);
    put(b, expanded == AUTO ? n : expanded, 4);
    append(b, body);
    return b;
}
bytes property(int id, const std::string &text, int32_t length = AUTO) {
    bytes b;
    put(b, DAT_PROPERTY, 4);
    put(b, id, 4);
    put(b, length == AUTO ? static_cast<int32_t>(text.size()) : length, 4);
    b.insert(b.end(), text.begin(), text.end());
    return b;
}

// The game's 22 objects: icon source 13 x 13, ground texture 8 x 8, small images elsewhere.
std::vector<bytes> game_objects() {
    std::vector<bytes> objs;
    for (int i = 0; i < 20; i++) {
        const int side = i == OBJ_BOT1_STAND ? 13 : i == OBJ_GROUND_TEXTURE ? 8 : 3;
        objs.push_back(object(DAT_BITMAP, bitmap_body(side, side)));
    }
    objs.push_back(object(DAT_SAMPLE, sample_body(8, 16)));
    objs.push_back(object(DAT_MIDI, midi_body()));
    return objs;
}
// "ALL.", the count and the objects; make_file puts the unpacked magic in front.
bytes file_body(const std::vector<bytes> &objs, int32_t count = AUTO) {
    bytes b;
    put(b, DAT_MAGIC, 4);
    put(b, count == AUTO ? static_cast<int32_t>(objs.size()) : count, 4);
    for (const bytes &o : objs) {
        append(b, o);
    }
    return b;
}
bytes make_file(const std::vector<bytes> &objs, int32_t count = AUTO) {
    bytes b;
    put(b, F_NOPACK_MAGIC, 4);
    append(b, file_body(objs, count));
    return b;
}

bool ok(const bytes &b) {
    return datafile_bytes_ok(b.data(), b.size());
}

// ctest runs the tests as parallel processes: every file name carries the process id.
std::string temp_path(const char *name) {
    return testing::TempDir() + "jetsquad_" + std::to_string(getpid()) + "_" + name + ".dat";
}
void write_file(const std::string &path, const bytes &b) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(b.data()), static_cast<std::streamsize>(b.size()));
}
bytes read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
// What Allegro's packer makes of data, without the 4-byte magic in front.
bytes packed_by_allegro(const bytes &data) {
    const std::string path = temp_path("packed_stream");
    PACKFILE *f = pack_fopen(path.c_str(), F_WRITE_PACKED);
    pack_fwrite(data.data(), static_cast<long>(data.size()), f);
    pack_fclose(f);
    const bytes raw = read_file(path);
    std::remove(path.c_str());
    EXPECT_EQ(bytes(raw.begin(), raw.begin() + 4), bytes({'s', 'l', 'h', '!'}));
    return bytes(raw.begin() + 4, raw.end());
}

// The structure check on disk, then Allegro's loader; null if it did not load.
DATAFILE *checked_load(const bytes &file) {
    const std::string path = temp_path("load");
    write_file(path, file);
    EXPECT_TRUE(datafile_structure_ok(path.c_str()));
    DATAFILE *dat = load_datafile(path.c_str());
    std::remove(path.c_str());
    return dat;
}
bool holds_game_objects(const bytes &file) {
    DATAFILE *dat = checked_load(file);
    EXPECT_NE(dat, nullptr);
    const bool good = datafile_objects_ok(dat);
    if (dat) {
        unload_datafile(dat);
    }
    return good;
}

} // namespace

class DatafileTest : public ::testing::Test {
  protected:
    void SetUp() override { start_headless_game_library(); }
};

TEST_F(DatafileTest, ValidFilePassesLoadsAndHoldsTheGameObjects) {
    const bytes file = make_file(game_objects());
    EXPECT_TRUE(ok(file));
    DATAFILE *dat = checked_load(file);
    ASSERT_NE(dat, nullptr);
    EXPECT_TRUE(datafile_objects_ok(dat));
    EXPECT_EQ(static_cast<BITMAP *>(dat[0].dat)->w, 13);
    EXPECT_EQ(static_cast<BITMAP *>(dat[4].dat)->h, 8);
    EXPECT_EQ(static_cast<SAMPLE *>(dat[20].dat)->len, 16u);
    EXPECT_EQ(static_cast<MIDI *>(dat[21].dat)->track[0].len, 11);
    EXPECT_EQ(dat[22].type, static_cast<int>(DAT_END));
    unload_datafile(dat);

    // Objects past the game's 22 do no harm; the harness's own set passes the object check.
    std::vector<bytes> more = game_objects();
    more.push_back(object(DAT_ID('D', 'A', 'T', 'A'), bytes{1, 2, 3}));
    EXPECT_TRUE(holds_game_objects(make_file(more)));
    EXPECT_TRUE(datafile_objects_ok(datafile));
    EXPECT_FALSE(datafile_objects_ok(nullptr));
    EXPECT_FALSE(datafile_structure_ok(temp_path("missing").c_str()));

    for (size_t n = 0; n < file.size(); n++) {
        ASSERT_FALSE(datafile_bytes_ok(file.data(), n)) << "cut at " << n << " of " << file.size();
    }
    const std::string path = temp_path("cut");
    write_file(path, bytes(file.begin(), file.end() - 1));
    EXPECT_FALSE(datafile_structure_ok(path.c_str()));
    std::remove(path.c_str());
}

TEST_F(DatafileTest, DamagedSizesAndMagicFailTheStructureCheck) {
    auto with = [](int index, const bytes &replacement) {
        std::vector<bytes> objs = game_objects();
        objs[static_cast<size_t>(index)] = replacement;
        return make_file(objs);
    };
    bytes damaged = make_file(game_objects());
    damaged[3] = '?'; // "slh?"
    EXPECT_FALSE(ok(damaged));
    damaged = make_file(game_objects());
    damaged[7] = '!'; // "ALL!"
    EXPECT_FALSE(ok(damaged));
    std::vector<bytes> fewer = game_objects();
    fewer.pop_back();
    EXPECT_FALSE(ok(make_file(fewer)));
    EXPECT_FALSE(ok(make_file(fewer, 22)));
    EXPECT_FALSE(ok(make_file(game_objects(), -22)));

    const bytes body = bitmap_body(3, 3);
    const auto n = static_cast<int32_t>(body.size());
    EXPECT_FALSE(ok(with(1, object(DAT_BITMAP, bitmap_body(30000, 30000, 9)))));
    EXPECT_FALSE(ok(with(1, object(DAT_BITMAP, bitmap_body(20, 20, 9)))));
    EXPECT_FALSE(ok(with(1, object(DAT_BITMAP, bitmap_body(-3, 3, 9)))));
    EXPECT_FALSE(ok(with(1, object(DAT_BITMAP, bytes(body.begin(), body.begin() + 5)))));
    bytes odd_depth = body;
    odd_depth[1] = 12;
    EXPECT_FALSE(ok(with(1, object(DAT_BITMAP, odd_depth))));
    EXPECT_FALSE(ok(with(1, object(DAT_BITMAP, body, -n, -n))));
    EXPECT_FALSE(ok(with(1, object(DAT_BITMAP, body, n, n + 1))));
    EXPECT_FALSE(ok(with(1, object(DAT_BITMAP, body, 0x7fffffff, 0x7fffffff))));
    EXPECT_FALSE(ok(with(20, object(DAT_SAMPLE, sample_body(8, -16)))));
    EXPECT_FALSE(ok(with(20, object(DAT_SAMPLE, sample_body(12, 16)))));
    bytes long_sample = sample_body(8, 16);
    long_sample[7] = 17; // claims 17 frames, holds 16
    EXPECT_FALSE(ok(with(20, object(DAT_SAMPLE, long_sample))));
    EXPECT_FALSE(ok(with(21, object(DAT_MIDI, midi_body(-4)))));
    EXPECT_FALSE(ok(with(21, object(DAT_MIDI, midi_body(5)))));
    bytes short_midi = midi_body();
    short_midi.resize(short_midi.size() - 4); // 31 tracks
    EXPECT_FALSE(ok(with(21, object(DAT_MIDI, short_midi))));
    // The music player loops forever over a song that takes no time, and trusts every event.
    EXPECT_FALSE(ok(with(21, object(DAT_MIDI, midi_track({0x00, 0xff, 0x2f, 0x00})))));
    EXPECT_FALSE(ok(with(21, object(DAT_MIDI, midi_track({0x10, 0xf4, 0x00, 0xff, 0x2f, 0x00})))));
    EXPECT_FALSE(ok(with(21, object(DAT_MIDI, midi_track({0x10, 0x3c, 0x40}))))); // no status yet
    EXPECT_FALSE(ok(with(21, object(DAT_MIDI, midi_track({0x00, 0x90, 0x3c}))))); // cut note
    EXPECT_FALSE(ok(with(21, object(DAT_MIDI, midi_track({0x8f, 0x8f, 0x8f, 0x8f, 0x00})))));
    EXPECT_FALSE(ok(with(21, object(DAT_MIDI, midi_track({0x00, 0xff, 0x01, 0x09, 0x41})))));
    EXPECT_FALSE(ok(with(21, object(DAT_MIDI, midi_track({0x00, 0xc0, 0x05, 0x30, 0xc0, 0x06})))));
    // Program changes take one data byte.
    EXPECT_TRUE(ok(with(21, object(DAT_MIDI, midi_track({0x00, 0xc0, 0x05, 0x30, 0xc0, 0x06, 0x00,
                                                         0xff, 0x2f, 0x00})))));
    EXPECT_FALSE(ok(with(3, object(DAT_BITMAP, body, n, n, property(DAT_NAME, "X", -1000)))));
    EXPECT_FALSE(ok(with(3, object(DAT_BITMAP, body, n, n, property(DAT_NAME, "X", 1 << 30)))));
}

TEST_F(DatafileTest, WrongKindsAndSizesFailTheObjectCheckAfterLoading) {
    auto with = [](std::initializer_list<std::pair<int, bytes>> changes) {
        std::vector<bytes> objs = game_objects();
        for (const auto &[index, replacement] : changes) {
            objs[static_cast<size_t>(index)] = replacement;
        }
        return make_file(objs);
    };
    auto image = [](int w, int h) { return object(DAT_BITMAP, bitmap_body(w, h)); };
    const bytes sample = object(DAT_SAMPLE, sample_body(8, 16));
    EXPECT_FALSE(holds_game_objects(with({{19, sample}, {20, image(3, 3)}})));
    EXPECT_FALSE(holds_game_objects(with({{21, sample}})));
    EXPECT_FALSE(holds_game_objects(with({{5, sample}})));
    EXPECT_FALSE(holds_game_objects(with({{0, image(12, 13)}})));
    EXPECT_FALSE(holds_game_objects(with({{0, image(13, 12)}})));
    EXPECT_TRUE(holds_game_objects(with({{0, image(40, 13)}})));
    EXPECT_FALSE(holds_game_objects(with({{4, image(24, 32)}})));
    EXPECT_FALSE(holds_game_objects(with({{4, image(32, 12)}})));
    EXPECT_TRUE(holds_game_objects(with({{4, image(16, 1)}})));

    // A loaded array that ends early.
    DATAFILE cut[OBJ_COUNT + 1];
    std::copy(datafile, datafile + OBJ_COUNT + 1, cut);
    cut[21].type = DAT_END;
    cut[21].dat = nullptr;
    EXPECT_FALSE(datafile_objects_ok(cut));
}

TEST_F(DatafileTest, PropertiesAreSkippedAndLoaded) {
    std::vector<bytes> objs = game_objects();
    for (int i = 0; i < OBJ_COUNT; i++) {
        bytes &o = objs[static_cast<size_t>(i)];
        bytes props = property(DAT_NAME, "OBJECT_" + std::to_string(i));
        append(props, property(DAT_ID('N', 'O', 'T', 'E'), ""));
        o.insert(o.begin(), props.begin(), props.end());
    }
    const bytes file = make_file(objs);
    EXPECT_TRUE(ok(file));
    DATAFILE *dat = checked_load(file);
    ASSERT_NE(dat, nullptr);
    EXPECT_TRUE(datafile_objects_ok(dat));
    EXPECT_STREQ(get_datafile_property(&dat[17], DAT_NAME), "OBJECT_17");
    unload_datafile(dat);
}

TEST_F(DatafileTest, WholeFilePackedByAllegroPassesAndMatches) {
    const std::vector<bytes> objs = game_objects();
    const std::string path = temp_path("whole_packed");
    PACKFILE *f = pack_fopen(path.c_str(), F_WRITE_PACKED);
    ASSERT_NE(f, nullptr);
    pack_mputl(DAT_MAGIC, f);
    pack_mputl(OBJ_COUNT, f);
    for (const bytes &o : objs) {
        pack_fwrite(o.data(), static_cast<long>(o.size()), f);
    }
    pack_fclose(f);
    const bytes file = read_file(path);
    std::remove(path.c_str());
    ASSERT_GT(file.size(), 4u);
    EXPECT_EQ(bytes(file.begin(), file.begin() + 4), bytes({'s', 'l', 'h', '!'}));
    bytes unpacked;
    EXPECT_TRUE(lzss_unpack(file.data() + 4, file.size() - 4, unpacked));
    EXPECT_EQ(unpacked, file_body(objs));
    DATAFILE *dat = checked_load(file);
    ASSERT_NE(dat, nullptr);
    EXPECT_TRUE(datafile_objects_ok(dat));
    EXPECT_EQ(static_cast<BITMAP *>(dat[0].dat)->w, 13);
    unload_datafile(dat);
    for (size_t n = 0; n < file.size(); n++) {
        ASSERT_FALSE(datafile_bytes_ok(file.data(), n)) << "cut at " << n;
    }
}

TEST_F(DatafileTest, ObjectPackedOnItsOwnPassesAndLoads) {
    const bytes body = bitmap_body(13, 13);
    const bytes packed = packed_by_allegro(body);
    const auto stored = static_cast<int32_t>(packed.size());
    const auto expanded = static_cast<int32_t>(body.size());
    std::vector<bytes> objs = game_objects();
    objs[0] = object(DAT_BITMAP, packed, stored, -expanded); // a negative size marks packing
    EXPECT_TRUE(ok(make_file(objs)));
    EXPECT_TRUE(holds_game_objects(make_file(objs)));
    objs[0] = object(DAT_BITMAP, packed, stored, -(expanded + 1));
    EXPECT_FALSE(ok(make_file(objs)));
    objs[0] = object(DAT_BITMAP, bytes(packed.begin(), packed.end() - 2), stored - 2, -expanded);
    EXPECT_FALSE(ok(make_file(objs)));
}

TEST(Lzss, HandMadeStreamsExpandAsThePackerMeansThem) {
    bytes out;
    // Two literals, then a 4-byte copy from ring position 0xfee (where the first literal went).
    EXPECT_TRUE(lzss_unpack(bytes{0x03, 'a', 'b', 0xee, 0xf1}.data(), 5, out));
    EXPECT_EQ(out, bytes({'a', 'b', 'a', 'b', 'a', 'b'}));
    // The ring starts out zero: an 18-byte copy from position 0 gives 18 zeros.
    EXPECT_TRUE(lzss_unpack(bytes{0x00, 0x00, 0x0f}.data(), 3, out));
    EXPECT_EQ(out, bytes(18, 0));
    // Cut inside a copy token.
    EXPECT_FALSE(lzss_unpack(bytes{0x00, 0x00}.data(), 2, out));
    EXPECT_TRUE(lzss_unpack(nullptr, 0, out));
    EXPECT_TRUE(out.empty());
}

TEST(Lzss, RoundTripsWhatAllegrosPackerWrites) {
    start_headless_game_library();
    std::vector<bytes> inputs;
    inputs.push_back(bytes(300, 0));
    inputs.back().insert(inputs.back().end(), {'e', 'n', 'd'});
    inputs.push_back(bytes(100000, 'A'));
    bytes pattern;
    for (int i = 0; i < 50000; i++) {
        pattern.push_back(static_cast<uint8_t>("abcab"[i % 5]));
    }
    inputs.push_back(pattern);
    bytes noise;
    srand(17);
    for (int i = 0; i < 60000; i++) {
        noise.push_back(static_cast<uint8_t>(i < 30000 ? rand() : rand() % 3));
    }
    inputs.push_back(noise);
    for (int n : {1, 2, 17, 18, 19, 4096, 4097}) {
        inputs.push_back(bytes(static_cast<size_t>(n), ' '));
    }
    inputs.push_back(bytes{});
    for (const bytes &in : inputs) {
        const bytes packed = packed_by_allegro(in);
        bytes out;
        EXPECT_TRUE(lzss_unpack(packed.data(), packed.size(), out)) << in.size();
        EXPECT_EQ(out, in) << in.size();
    }
}
