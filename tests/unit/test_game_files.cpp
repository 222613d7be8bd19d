// The game's files: their paths kept byte for byte, and the sealed copy Allegro reads.
#include "game_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <unistd.h>

namespace {

TEST(GameFiles, PathsKeepEveryByteAtAnyLength) {
    std::string dir = "/opt/g#h/J\xc3\xb6rg's Spiele";
    while (dir.size() < 300) {
        dir += "/sub dir";
    }
    EXPECT_EQ(beside(dir + "/jetsquad", "data/datafile.dat"), dir + "/data/datafile.dat");
    EXPECT_EQ(beside("jetsquad", "patches.dat"), "patches.dat");
    EXPECT_EQ(beside("/jetsquad", "patches.dat"), "/patches.dat");
    const std::string exe = executable_path();
    EXPECT_EQ(exe.substr(exe.rfind('/') + 1), "jetsquad_tests");
}

TEST(GameFiles, SealedCopyHoldsTheBytesUnderAPlainNameAndCannotChange) {
    const std::vector<uint8_t> bytes = {'s', 'l', 'h', '.', 0, 255, '#', 7};
    sealed_file_t sealed;
    ASSERT_TRUE(seal_in_memory(bytes.data(), bytes.size(), sealed));
    EXPECT_EQ(sealed.path.find_first_of("# "), std::string::npos);
    std::vector<uint8_t> read;
    EXPECT_TRUE(read_whole_file(sealed.path, read, bytes.size()));
    EXPECT_EQ(read, bytes);
    EXPECT_FALSE(read_whole_file(sealed.path, read, bytes.size() - 1));
    EXPECT_EQ(write(sealed.fd, "x", 1), -1);
    EXPECT_EQ(errno, EPERM);
    EXPECT_NE(ftruncate(sealed.fd, 2), 0);
    ASSERT_TRUE(seal_in_memory(bytes.data(), 1, sealed)); // one byte is a whole file too
    EXPECT_TRUE(read_whole_file(sealed.path, read, 1) && read == std::vector<uint8_t>{'s'});
    release_sealed(sealed);
    EXPECT_EQ(sealed.fd, -1);
    EXPECT_FALSE(read_whole_file("/proc/self/fd/-1", read, 100));
}

TEST(GameFiles, PatchesLineOnlyForNamesAllegroReadsBack) {
    EXPECT_EQ(patches_config_line("/proc/self/fd/3"), "patches = /proc/self/fd/3#default_cfg\n");
    EXPECT_EQ(patches_config_line("/a b/patches.dat"), "patches = /a b/patches.dat#default_cfg\n");
    for (const char *bad : {"", "/g#h/patches.dat", "/a\nb", "/a\r", " /a", "/a ", "/a\t"}) {
        EXPECT_EQ(patches_config_line(bad), "") << bad;
    }
}

} // namespace
