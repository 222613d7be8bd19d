// Checks of the data file. Allegro's loader trusts every size it reads and crashes on a cut or
// damaged file, so the game walks the file's structure first and checks the objects after.
#pragma once

#include <allegro.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Whether the file at path is a complete, well-formed data file that the loader can read.
bool datafile_structure_ok(const char *path);

// The same check on a file's bytes already in memory.
bool datafile_bytes_ok(const uint8_t *bytes, size_t size);

// Whether a loaded data file holds objects 0..21 with the kinds the game draws and plays, and
// an icon source (object 0) of at least 13 x 13 pixels.
bool datafile_objects_ok(const DATAFILE *dat);

// Expands Allegro's LZSS packing. Returns false if the packed stream is cut inside a token.
bool lzss_unpack(const uint8_t *in, size_t size, std::vector<uint8_t> &out);
