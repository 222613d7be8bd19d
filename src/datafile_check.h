// Checks of the data file. Allegro's loader trusts every size it reads and crashes or hangs on a
// cut or damaged file, so the game walks the file's structure first, reading every object the
// way Allegro's reader will, and checks the loaded objects after.
#pragma once

#include <allegro.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// The most memory loading an accepted file may take; the file itself is no larger.
constexpr size_t DATAFILE_MAX_BYTES = size_t{64} << 20;

// One object as the check reads it: how deep in nested data files (0 for the file's own objects),
// its kind and its unpacked size, the size Allegro's loader records.
struct datafile_entry_t {
    int depth;
    int32_t type;
    int32_t size;
};

// Whether a data file's bytes are complete and well formed, so that Allegro's loader can read
// them safely and the game play what they hold. If listing is given, it gets the objects read,
// nested ones right after the file holding them, whether the file passes or not.
bool datafile_bytes_ok(const uint8_t *bytes, size_t size,
                       std::vector<datafile_entry_t> *listing = nullptr);

// Whether a loaded data file holds objects 0..21 with the kinds the game draws and plays, an
// icon source (object 0) of at least 13 x 13 pixels, a ground texture (object 4) whose sides
// are powers of two, sprites within their bounds (datafile_layout.h) and a buzz (object 20) lasting
// at least a tenth of a second.
bool datafile_objects_ok(const DATAFILE *dat);

// Expands Allegro's LZSS packing as Allegro's reader does: until the input ends or `limit`
// bytes have come out, whichever is first. `used` gets the number of packed bytes read by then.
// False if the input ends inside a copy token, or a copy reads ring bytes that Allegro leaves
// uninitialised (the last 18 before anything was written there).
bool lzss_unpack(const uint8_t *in, size_t size, size_t limit, std::vector<uint8_t> &out,
                 size_t &used);
