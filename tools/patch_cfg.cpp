// Picks the GUS patches our music needs out of a freepats tree and lays them out for pat2dat.
//
//   patch_cfg SONG.facts FREEPATS_DIR OUT_DIR
//
// Reads which programs the song plays on its melodic channels and which keys it strikes on the
// drum channel (channel 10) from the facts mkdata wrote beside it (docs/assets.md), copies the
// matching freepats files into OUT_DIR/Tone_000 and OUT_DIR/Drum_000, and writes
// OUT_DIR/default.cfg in the GUS layout Allegro's DIGMID driver reads: program N (counted from
// 0) on a line "N+1 Tone_000/file.pat", drums by key between "129 begin_multipatch" and
// "end_multipatch". The paths are relative, so the object names in the patch set are the same
// wherever it was built.
//
// A program or drum the song plays that freepats lacks would leave that part silent: that is an
// error, and the message lists what freepats has. Programs are counted from 0, as in the score.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int NO_NUMBER = -1;

struct patch_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct song_use {
    std::set<int> programs;
    std::set<int> drums;
};

// The song's facts file (written by mkdata beside the song): its "programs" and "drums" lines
// list what the song plays; the other lines are its timing.
song_use read_facts(const fs::path &path) {
    std::ifstream in(path);
    if (!in) {
        throw patch_error("cannot read " + path.string());
    }
    song_use use;
    int lists = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        std::set<int> *list = name == "programs" ? &use.programs
                              : name == "drums"  ? &use.drums
                                                 : nullptr;
        lists += list != nullptr;
        for (int number = 0; list != nullptr && words >> number;) {
            list->insert(number);
        }
        if (list != nullptr && !words.eof()) {
            throw patch_error(path.string() + ": '" + line + "' is not a list of numbers");
        }
    }
    if (lists != 2) {
        throw patch_error(path.string() + " does not list the song's programs and drums");
    }
    return use;
}

// freepats names its files NNN_Name.pat: the program counted from 0, or the drum's key.
std::map<int, fs::path> patches_in(const fs::path &dir) {
    std::map<int, fs::path> found;
    if (!fs::is_directory(dir)) {
        throw patch_error("no patch directory " + dir.string());
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry &entry : fs::directory_iterator(dir)) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path &file : files) {
        const std::string name = file.filename().string();
        if (file.extension() != ".pat" || name.size() < 5 || name[3] != '_') {
            continue;
        }
        int number = NO_NUMBER;
        if (std::sscanf(name.c_str(), "%3d", &number) == 1 && number >= 0 && number < 128 &&
            !found.count(number)) {
            found[number] = file;
        }
    }
    return found;
}

std::string instrument_name(const fs::path &file) {
    std::string name = file.stem().string().substr(4);
    std::replace(name.begin(), name.end(), '_', ' ');
    return name;
}

std::string listing(const std::map<int, fs::path> &patches) {
    std::string text;
    for (const auto &[number, file] : patches) {
        text += "  " + std::to_string(number) + " " + instrument_name(file) + "\n";
    }
    return text;
}

// The patch files the song needs, by number; throws naming every one freepats lacks.
std::map<int, fs::path> pick(const std::set<int> &wanted, const std::map<int, fs::path> &have,
                             const char *what) {
    std::map<int, fs::path> chosen;
    std::string missing;
    for (int number : wanted) {
        const auto it = have.find(number);
        if (it == have.end()) {
            missing += ' ';
            missing += std::to_string(number);
        } else {
            chosen[number] = it->second;
        }
    }
    if (!missing.empty()) {
        throw patch_error(std::string("freepats has no patch for ") + what + missing +
                          ", so that part of the music would be silent. Use one of these:\n" +
                          listing(have));
    }
    return chosen;
}

std::string copy_patch(const fs::path &file, const fs::path &out_dir, const std::string &sub) {
    fs::create_directories(out_dir / sub);
    const std::string relative = sub + "/" + file.filename().string();
    fs::copy_file(file, out_dir / relative, fs::copy_options::overwrite_existing);
    return relative;
}

void write_patch_dir(const song_use &use, const fs::path &freepats, const fs::path &out_dir) {
    const auto programs = pick(use.programs, patches_in(freepats / "Tone_000"), "program");
    const auto drums = pick(use.drums, patches_in(freepats / "Drum_000"), "drum key");

    fs::remove_all(out_dir);
    fs::create_directories(out_dir);
    std::ofstream cfg(out_dir / "default.cfg");
    cfg << "# The instruments of Jetsquad's music, taken from freepats.\n";
    for (const auto &[number, file] : programs) {
        cfg << number + 1 << " " << copy_patch(file, out_dir, "Tone_000") << "\n";
        std::printf("  program %3d  %s\n", number, instrument_name(file).c_str());
    }
    if (!drums.empty()) {
        cfg << "129 begin_multipatch\n";
        for (const auto &[key, file] : drums) {
            cfg << key << " " << copy_patch(file, out_dir, "Drum_000") << "\n";
            std::printf("  drum key %3d  %s\n", key, instrument_name(file).c_str());
        }
        cfg << "end_multipatch\n";
    }
    if (!cfg) {
        throw patch_error("cannot write " + (out_dir / "default.cfg").string());
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SONG.facts FREEPATS_DIR OUT_DIR\n", argv[0]);
        return 2;
    }
    try {
        const song_use use = read_facts(argv[1]);
        if (use.programs.empty() && use.drums.empty()) {
            throw patch_error(std::string(argv[1]) + " plays no notes");
        }
        std::printf("Patches for %s:\n", fs::path(argv[1]).filename().c_str());
        write_patch_dir(use, argv[2], argv[3]);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "patch_cfg: %s\n", e.what());
        return 1;
    }
    return 0;
}
