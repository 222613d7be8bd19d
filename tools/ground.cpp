// The ground texture, generated from a recipe. Everything in it repeats with the tile's size
// (periodic noise, whole numbers of strata per tile, pebbles drawn with wrap-around), so the
// tile joins itself seamlessly in both directions.
//
// Recipe words, one setting per line:
//   size N                                  tile width and height, a power of two
//   seed N                                  start of the random sequence
//   ramp R G B                              one soil colour, darkest first (two or more)
//   noise cells N octaves N falloff F       periodic value noise; N cells across at the coarsest
//   strata bands N strength F               horizontal layering, N bands per tile
//   pebbles count N radius MIN MAX          stones scattered over the tile
//   pebble R G B                            the stones' middle colour
//   specks count N                          single light grains
#include "mkdata.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mkdata {

namespace {

struct recipe_t {
    int size = 64;
    uint32_t seed = 1;
    std::vector<rgb_t> ramp;
    int cells = 8;
    int octaves = 3;
    double falloff = 0.5;
    int bands = 0;
    double strata = 0.0;
    int pebbles = 0;
    int radius_min = 2;
    int radius_max = 3;
    rgb_t pebble{100, 96, 90};
    int specks = 0;
};

// A small generator of our own so the texture is the same with every compiler.
struct random_t {
    uint32_t state;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    double unit() { return static_cast<double>(next() >> 8) / 16777216.0; }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
};

uint8_t clamp_channel(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

rgb_t scaled(rgb_t c, double f) {
    return {clamp_channel(c.r * f), clamp_channel(c.g * f), clamp_channel(c.b * f)};
}

recipe_t read_recipe(const std::filesystem::path &file) {
    recipe_t r;
    for (const text_line &line : read_text(file)) {
        const std::string &key = line.words[0];
        auto word = [&line](size_t i) -> const std::string & {
            if (i >= line.words.size()) {
                fail(line, "missing value");
            }
            return line.words[i];
        };
        if (key == "size") {
            r.size = to_int(line, word(1));
            if (r.size < 8 || r.size > 256 || (r.size & (r.size - 1)) != 0) {
                fail(line, "the tile size must be a power of two from 8 to 256");
            }
        } else if (key == "seed") {
            r.seed = static_cast<uint32_t>(to_int(line, word(1))) | 1u;
        } else if (key == "ramp") {
            r.ramp.push_back({clamp_channel(to_number(line, word(1))),
                              clamp_channel(to_number(line, word(2))),
                              clamp_channel(to_number(line, word(3)))});
        } else if (key == "noise") {
            r.cells = static_cast<int>(option(line, 1, "cells", r.cells));
            r.octaves = static_cast<int>(option(line, 1, "octaves", r.octaves));
            r.falloff = option(line, 1, "falloff", r.falloff);
        } else if (key == "strata") {
            r.bands = static_cast<int>(option(line, 1, "bands", 0));
            r.strata = option(line, 1, "strength", 0.0);
        } else if (key == "pebbles") {
            r.pebbles = to_int(line, word(2));
            r.radius_min = to_int(line, word(4));
            r.radius_max = to_int(line, word(5));
        } else if (key == "pebble") {
            r.pebble = {clamp_channel(to_number(line, word(1))),
                        clamp_channel(to_number(line, word(2))),
                        clamp_channel(to_number(line, word(3)))};
        } else if (key == "specks") {
            r.specks = to_int(line, word(2));
        } else {
            fail(line, "unknown setting '" + key + "'");
        }
    }
    if (r.ramp.size() < 2) {
        throw build_error(file.string() + ": the ramp needs at least two colours");
    }
    if (r.cells < 1 || r.size % r.cells != 0 || r.octaves < 1 ||
        r.size % (r.cells << (r.octaves - 1)) != 0) {
        throw build_error(file.string() + ": noise cells of every octave must divide the size");
    }
    if (r.radius_min < 1 || r.radius_max < r.radius_min) {
        throw build_error(file.string() + ": bad pebble radius range");
    }
    return r;
}

// Value noise on a lattice that wraps every `cells` cells: periodic over the whole tile.
std::vector<double> periodic_noise(const recipe_t &r, random_t &random) {
    std::vector<double> sum(static_cast<size_t>(r.size * r.size), 0.0);
    double weight = 1.0;
    for (int octave = 0; octave < r.octaves; octave++) {
        int cells = r.cells << octave;
        std::vector<double> lattice(static_cast<size_t>(cells * cells));
        for (double &v : lattice) {
            v = random.unit();
        }
        auto node = [&](int cx, int cy) {
            return lattice[static_cast<size_t>((cy % cells) * cells + (cx % cells))];
        };
        int step = r.size / cells;
        for (int y = 0; y < r.size; y++) {
            for (int x = 0; x < r.size; x++) {
                double fx = static_cast<double>(x % step) / step;
                double fy = static_cast<double>(y % step) / step;
                fx = fx * fx * (3 - 2 * fx);
                fy = fy * fy * (3 - 2 * fy);
                int cx = x / step;
                int cy = y / step;
                double top = node(cx, cy) + (node(cx + 1, cy) - node(cx, cy)) * fx;
                double bottom = node(cx, cy + 1) + (node(cx + 1, cy + 1) - node(cx, cy + 1)) * fx;
                sum[static_cast<size_t>(y * r.size + x)] += weight * (top + (bottom - top) * fy);
            }
        }
        weight *= r.falloff;
    }
    auto [lo, hi] = std::minmax_element(sum.begin(), sum.end());
    double low = *lo;
    double span = std::max(*hi - *lo, 1e-9);
    for (double &v : sum) {
        v = (v - low) / span;
    }
    return sum;
}

// Soil: noise plus strata, quantised onto the ramp through a 4 x 4 ordered dither.
void paint_soil(const recipe_t &r, image_t &img, const std::vector<double> &noise) {
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    int steps = static_cast<int>(r.ramp.size());
    for (int y = 0; y < r.size; y++) {
        for (int x = 0; x < r.size; x++) {
            double v = noise[static_cast<size_t>(y * r.size + x)];
            double wave = std::sin(2 * std::numbers::pi * r.bands * (y + 3 * v) / r.size);
            v = std::clamp(v * (1 - r.strata) + r.strata * 0.5 * (1 + wave), 0.0, 1.0);
            double level = v * (steps - 1) + (bayer[y & 3][x & 3] + 0.5) / 16.0 - 0.5;
            int index = std::clamp(static_cast<int>(std::lround(level)), 0, steps - 1);
            img.set(x, y, r.ramp[static_cast<size_t>(index)]);
        }
    }
}

// A rounded stone lit from the top left, with a dark rim, wrapped around the tile's edges.
void paint_pebble(const recipe_t &r, image_t &img, random_t &random) {
    int cx = random.below(r.size);
    int cy = random.below(r.size);
    int rx = r.radius_min + random.below(r.radius_max - r.radius_min + 1);
    int ry = std::max(1, rx - random.below(2));
    double tint = 0.85 + 0.3 * random.unit();
    rgb_t base = scaled(r.pebble, tint);
    for (int dy = -ry - 1; dy <= ry + 1; dy++) {
        for (int dx = -rx - 1; dx <= rx + 1; dx++) {
            double d = std::hypot(static_cast<double>(dx) / (rx + 0.5),
                                  static_cast<double>(dy) / (ry + 0.5));
            int x = (cx + dx + r.size) % r.size;
            int y = (cy + dy + r.size) % r.size;
            if (d < 0.72) {
                double light = 1.0 - 0.45 * (dx + dy) / (rx + ry);
                if (dx <= -rx / 2 && dy <= -ry / 2 && d < 0.6) {
                    light = 1.35;
                }
                img.set(x, y, scaled(base, light));
            } else if (d < 1.0) {
                img.set(x, y, scaled(base, dx + dy > 0 ? 0.55 : 0.8));
            } else if (d < 1.25 && dx + dy > 0) {
                img.set(x, y, scaled(img.at(x, y), 0.7)); // the stone's shadow on the soil
            }
        }
    }
}

} // namespace

image_t make_ground(const std::filesystem::path &file) {
    recipe_t r = read_recipe(file);
    random_t random{r.seed};
    image_t img;
    img.w = r.size;
    img.h = r.size;
    img.px.assign(static_cast<size_t>(r.size * r.size), rgb_t{});
    paint_soil(r, img, periodic_noise(r, random));
    for (int i = 0; i < r.pebbles; i++) {
        paint_pebble(r, img, random);
    }
    for (int i = 0; i < r.specks; i++) {
        int x = random.below(r.size);
        int y = random.below(r.size);
        img.set(x, y, scaled(r.ramp.back(), 1.25));
    }
    return img;
}

} // namespace mkdata
