// The game's loading of its data file fed any bytes: the structure check, Allegro's reader and
// the object checks (load_game_data). Built with libFuzzer (JETSQUAD_LIBFUZZER) this is a fuzz
// target; built without, it replays the files it is given: those in a directory named
// "refused" must be refused, every other one must load.
//
// Besides crashes, hangs and leaks it stops at a file the check passes whose objects Allegro
// reads otherwise: then the check's model of the reader is wrong, and a wrong model lets damage
// through that sanitizers cannot see inside Allegro.
#include "datafile_check.h"
#include "game.h"
#include "replay_inputs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string file_path;

// Allegro's objects in the order the check lists them: each, then what a nested file holds.
void list_loaded(const DATAFILE *dat, int depth, std::vector<datafile_entry_t> &out) {
    for (; dat->type != DAT_END; dat++) {
        out.push_back({depth, dat->type, static_cast<int32_t>(dat->size)});
        if (dat->type == DAT_FILE) {
            list_loaded(static_cast<const DATAFILE *>(dat->dat), depth + 1, out);
        }
    }
}

bool same_listing(const std::vector<datafile_entry_t> &a, const std::vector<datafile_entry_t> &b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); i++) {
        if (a[i].depth != b[i].depth || a[i].type != b[i].type || a[i].size != b[i].size) {
            return false;
        }
    }
    return true;
}

// Loads the bytes as the game loads its data file; whether the game would play with them.
bool load(const uint8_t *data, size_t size) {
    FILE *f = std::fopen(file_path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
        std::perror(file_path.c_str());
        std::abort();
    }
    DATAFILE *dat = load_game_data(file_path.c_str());
    const bool accepted = dat != nullptr;
    std::vector<datafile_entry_t> checked;
    const bool structure_ok = datafile_bytes_ok(data, size, &checked);
    if (structure_ok && !dat) { // the structure passed, the objects did not: load again to compare
        dat = load_datafile(file_path.c_str());
    }
    std::remove(file_path.c_str()); // libFuzzer may end the process without running atexit
    if (structure_ok) {
        std::vector<datafile_entry_t> loaded;
        if (dat) {
            list_loaded(dat, 0, loaded);
        }
        if (!dat || !same_listing(checked, loaded)) {
            std::fprintf(stderr, "the check passes a file that Allegro reads otherwise\n");
            std::abort();
        }
    }
    if (dat) {
        unload_datafile(dat);
    }
    return accepted;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        std::abort();
    }
    // Allegro reads only files: one in memory where there is room for one, as writing to a disk
    // for every input costs milliseconds.
    const char *tmp = std::getenv("TMPDIR");
    const char *dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
    file_path = std::string(dir) + "/jetsquad-fuzz-" + std::to_string(getpid()) + ".dat";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The desktop's depth decides what the loader converts images to: each input picks one.
    static const int depths[] = {32, 16, 24, 15};
    set_color_depth(depths[size % 4]);
    load(data, size);
    return 0;
}

#ifndef JETSQUAD_LIBFUZZER
int main(int argc, char **argv) {
    LLVMFuzzerInitialize(&argc, &argv);
    return replay_inputs(argc, argv, load, "replayed");
}
#endif
