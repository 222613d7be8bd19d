// Sprites drawn as text: one character per pixel, looked up in a palette.
//
// Palette file:   KEY RED GREEN BLUE [description...]
// Sprite file:    colour KEY RED GREEN BLUE     (a colour for this file only)
//                 image NAME
//                 ..kkkk..                      (one row per line, all rows equally wide)
//                 end
#include "mkdata.h"

#include <algorithm>

namespace mkdata {

namespace {

uint8_t channel(const text_line &line, const std::string &word) {
    int value = to_int(line, word);
    if (value < 0 || value > 255) {
        fail(line, "colour channel " + word + " is outside 0..255");
    }
    return static_cast<uint8_t>(value);
}

std::pair<char, rgb_t> colour_entry(const text_line &line, size_t first) {
    if (line.words.size() < first + 4 || line.words[first].size() != 1) {
        fail(line, "expected a one-character key and three channels");
    }
    rgb_t c{channel(line, line.words[first + 1]), channel(line, line.words[first + 2]),
            channel(line, line.words[first + 3])};
    return {line.words[first][0], c};
}

const rgb_t *find_key(const palette_t &palette, char key) {
    auto it = std::find_if(palette.keys.begin(), palette.keys.end(),
                           [key](const auto &entry) { return entry.first == key; });
    return it == palette.keys.end() ? nullptr : &it->second;
}

void add_key(palette_t &palette, const text_line &line, std::pair<char, rgb_t> entry) {
    if (find_key(palette, entry.first) != nullptr) {
        fail(line, std::string("key '") + entry.first + "' is defined twice");
    }
    palette.keys.push_back(entry);
}

} // namespace

palette_t load_palette(const std::filesystem::path &file) {
    palette_t palette;
    for (const text_line &line : read_text(file)) {
        add_key(palette, line, colour_entry(line, 0));
    }
    return palette;
}

image_t load_sprite(const std::filesystem::path &file, const std::string &name,
                    const palette_t &shared) {
    palette_t local;
    std::vector<text_line> rows;
    const text_line *header = nullptr;
    bool inside = false;
    bool wanted = false;
    std::vector<text_line> lines = read_text(file);
    for (const text_line &line : lines) {
        const std::string &first = line.words[0];
        if (inside) {
            if (first == "end") {
                inside = false;
            } else if (wanted) {
                if (line.words.size() != 1) {
                    fail(line, "a pixel row must not contain spaces");
                }
                rows.push_back(line);
            }
        } else if (first == "colour") {
            add_key(local, line, colour_entry(line, 1));
        } else if (first == "image" && line.words.size() == 2) {
            inside = true;
            wanted = line.words[1] == name;
            if (wanted) {
                if (header != nullptr) {
                    fail(line, "image '" + name + "' is drawn twice");
                }
                header = &line;
            }
        } else {
            fail(line, "expected 'colour KEY R G B' or 'image NAME'");
        }
    }
    if (header == nullptr) {
        throw build_error(file.string() + ": no image named '" + name + "'");
    }
    if (inside) {
        fail(*header, "image has no 'end'");
    }
    if (rows.empty()) {
        fail(*header, "image has no rows");
    }

    image_t image;
    image.w = static_cast<int>(rows[0].words[0].size());
    image.h = static_cast<int>(rows.size());
    for (const text_line &row : rows) {
        const std::string &pixels = row.words[0];
        if (static_cast<int>(pixels.size()) != image.w) {
            fail(row, "row is " + std::to_string(pixels.size()) + " wide, the first row " +
                          std::to_string(image.w));
        }
        for (char key : pixels) {
            const rgb_t *c = find_key(local, key);
            if (c == nullptr) {
                c = find_key(shared, key);
            }
            if (c == nullptr) {
                fail(row, std::string("unknown colour key '") + key + "'");
            }
            image.px.push_back(*c);
        }
    }
    return image;
}

} // namespace mkdata
