// The game's own files beside its executable, and how their bytes reach Allegro. Allegro opens
// files by name and reads "A#B" as object B inside data file A, and a file may change between two
// reads; so the game reads each file once, checks those bytes, and hands Allegro a name under
// which it can read those very bytes and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The running program's real path, whatever bytes and length it has: the kernel's link
// /proc/self/exe, or Allegro's guess where there is none. Empty if neither knows.
std::string executable_path();

// name in the directory holding exe ("a/b/jetsquad", "data/x.dat" -> "a/b/data/x.dat").
std::string beside(const std::string &exe, const char *name);

// The whole file, read once. False if it cannot be opened or read, or holds more than limit
// bytes.
bool read_whole_file(const std::string &path, std::vector<uint8_t> &bytes, size_t limit);

// A read-only copy of some bytes in memory, reachable by a file name.
struct sealed_file_t {
    int fd = -1;
    std::string path; // empty while there is none
};

// Copies the bytes into a memory file that nobody can change any more (not even this process)
// and names it by its descriptor under /proc: a short name without '#', the same from any
// directory. False where the system has no such files, or no /proc.
bool seal_in_memory(const uint8_t *bytes, size_t size, sealed_file_t &file);

// Closes the memory file, if any.
void release_sealed(sealed_file_t &file);

// The line of Allegro's [sound] section that points its software synthesiser at the patch set
// in the data file at path: "patches = PATH#default_cfg\n". Empty if Allegro could not use the
// name there (it holds '#' or a line break, or begins or ends with a space).
std::string patches_config_line(const std::string &path);
