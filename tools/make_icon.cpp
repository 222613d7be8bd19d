// Draws the desktop icon from the game's own art: the pilot as the game shows him, carrying
// the first bot's icon where he carries it, scaled up without smoothing and centred on a
// transparent square, written as a PNG, or as a C++ source that gives the game's window the
// same picture (XPM lines, the form Allegro's X11 port takes).
//
//   make_icon DATAFILE SIZE OUT.png|OUT.cpp
//
// Runs without a display (Allegro's SYSTEM_NONE). The mask colour becomes transparent.
#include <allegro.h>
#include <png.h>

#include "datafile_layout.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

BITMAP *pilot_with_bot(DATAFILE *dat) {
    BITMAP *pilot = static_cast<BITMAP *>(dat[OBJ_PLAYER].dat);
    BITMAP *bot_image = static_cast<BITMAP *>(dat[OBJ_BOT1_STAND].dat);
    BITMAP *canvas = create_bitmap(pilot->w, pilot->h);
    clear_to_color(canvas, bitmap_mask_color(canvas));
    blit(bot_image, canvas, ICON_CROP_X, ICON_CROP_Y, ICON_OFFSET[0][0], ICON_OFFSET[0][1],
         ICON_SIZE, ICON_SIZE);
    draw_sprite(canvas, pilot, 0, 0);
    return canvas;
}

// RGBA rows, top to bottom. The scale goes in halves: at 48 pixels a 32-pixel sprite grows by
// 1.5, every other pixel doubled, which stays crisper than a smoothed picture.
std::vector<uint8_t> render(BITMAP *bmp, int size) {
    std::vector<uint8_t> rgba(static_cast<size_t>(size * size * 4), 0);
    const int longest = bmp->w > bmp->h ? bmp->w : bmp->h;
    int halves = 2 * size / longest;
    if (halves < 1) {
        halves = 1;
    }
    const int out_w = bmp->w * halves / 2;
    const int out_h = bmp->h * halves / 2;
    const int left = (size - out_w) / 2;
    const int top = (size - out_h) / 2;
    const int mask = bitmap_mask_color(bmp);
    for (int y = 0; y < out_h; y++) {
        for (int x = 0; x < out_w; x++) {
            const int c = getpixel(bmp, x * 2 / halves, y * 2 / halves);
            if (c == mask) {
                continue;
            }
            uint8_t *p = &rgba[static_cast<size_t>(((top + y) * size + left + x) * 4)];
            p[0] = static_cast<uint8_t>(getr32(c));
            p[1] = static_cast<uint8_t>(getg32(c));
            p[2] = static_cast<uint8_t>(getb32(c));
            p[3] = 255;
        }
    }
    return rgba;
}

bool write_png(const char *path, const std::vector<uint8_t> &rgba, int size) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(size);
    image.height = static_cast<png_uint_32>(size);
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, path, 0, rgba.data(), 0, nullptr)) {
        std::fprintf(stderr, "make_icon: cannot write %s: %s\n", path, image.message);
        return false;
    }
    return true;
}

// XPM names each colour with one or two characters; these need no escape in a C string.
constexpr char XPM_CHARS[] = ".#abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                             "+@$%&*=-;:>,<()[]{}!~^";
constexpr int XPM_BASE = sizeof XPM_CHARS - 1;

// Colour 0, the transparent one, is named with spaces.
std::string xpm_name(int index, int width) {
    std::string name(static_cast<size_t>(width), ' ');
    for (int i = 0, n = index - 1; index > 0 && i < width; i++, n /= XPM_BASE) {
        name[static_cast<size_t>(i)] = XPM_CHARS[n % XPM_BASE];
    }
    return name;
}

// Pixels as 0xRRGGBB, or -1 where transparent.
std::vector<long> colours_of(const std::vector<uint8_t> &rgba) {
    std::vector<long> pixels;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        pixels.push_back(rgba[i + 3]
                             ? (long{rgba[i]} << 16) | (long{rgba[i + 1]} << 8) | long{rgba[i + 2]}
                             : -1);
    }
    return pixels;
}

bool write_xpm_source(const char *path, const std::vector<uint8_t> &rgba, int size) {
    const std::vector<long> pixels = colours_of(rgba);
    std::vector<long> palette = {-1}; // in order of first use, so the output is stable
    for (long c : pixels) {
        bool known = false;
        for (long p : palette) {
            known = known || p == c;
        }
        if (!known) {
            palette.push_back(c);
        }
    }
    const int width = static_cast<int>(palette.size()) <= XPM_BASE + 1 ? 1 : 2;
    if (static_cast<int>(palette.size()) > XPM_BASE * XPM_BASE + 1) {
        std::fprintf(stderr, "make_icon: %zu colours are too many for XPM\n", palette.size());
        return false;
    }
    FILE *out = std::fopen(path, "w");
    if (!out) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", path);
        return false;
    }
    std::fprintf(out, "// The window's icon, drawn by make_icon from the data file. Generated.\n"
                      "#include \"game.h\"\n\nnamespace {\nconst char *const ICON[] = {\n");
    std::fprintf(out, "    \"%d %d %zu %d\",\n", size, size, palette.size(), width);
    for (size_t i = 0; i < palette.size(); i++) {
        const std::string name = xpm_name(static_cast<int>(i), width);
        if (palette[i] < 0) {
            std::fprintf(out, "    \"%s c None\",\n", name.c_str());
        } else {
            std::fprintf(out, "    \"%s c #%06lX\",\n", name.c_str(), palette[i]);
        }
    }
    for (int y = 0; y < size; y++) {
        std::string row;
        for (int x = 0; x < size; x++) {
            const long c = pixels[static_cast<size_t>(y * size + x)];
            int index = 0;
            while (palette[static_cast<size_t>(index)] != c) {
                index++;
            }
            row += xpm_name(index, width);
        }
        std::fprintf(out, "    \"%s\",\n", row.c_str());
    }
    std::fprintf(out, "};\n} // namespace\n\nconst char *const *const window_icon_xpm = ICON;\n");
    return std::fclose(out) == 0;
}

bool ends_with(const char *text, const char *end) {
    const size_t n = std::strlen(text);
    const size_t m = std::strlen(end);
    return n >= m && std::strcmp(text + n - m, end) == 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s DATAFILE SIZE OUT.png|OUT.cpp\n", argv[0]);
        return 2;
    }
    const int size = std::atoi(argv[2]);
    if (size < 16 || size > 512) {
        std::fprintf(stderr, "make_icon: size %s is not between 16 and 512\n", argv[2]);
        return 2;
    }
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        std::fprintf(stderr, "make_icon: Allegro did not start\n");
        return 1;
    }
    set_color_depth(32);
    DATAFILE *dat = load_datafile(argv[1]);
    if (!dat) {
        std::fprintf(stderr, "make_icon: cannot load %s\n", argv[1]);
        return 1;
    }
    int count = 0;
    while (dat[count].type != DAT_END) {
        count++;
    }
    if (count <= OBJ_PLAYER || dat[OBJ_PLAYER].type != DAT_BITMAP ||
        dat[OBJ_BOT1_STAND].type != DAT_BITMAP) {
        std::fprintf(stderr, "make_icon: objects %d and %d of %s are not both bitmaps\n",
                     OBJ_BOT1_STAND, OBJ_PLAYER, argv[1]);
        unload_datafile(dat);
        return 1;
    }
    BITMAP *canvas = pilot_with_bot(dat);
    const std::vector<uint8_t> rgba = render(canvas, size);
    destroy_bitmap(canvas);
    unload_datafile(dat);

    const bool written = ends_with(argv[3], ".cpp") ? write_xpm_source(argv[3], rgba, size)
                                                    : write_png(argv[3], rgba, size);
    return written ? 0 : 1;
}
END_OF_MAIN()
