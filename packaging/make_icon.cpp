// Draws the desktop icon from the game's own art: the pilot as the game shows him, carrying
// the first bot's icon in the frame he holds, scaled up without smoothing and centred on a
// transparent square, written as a PNG.
//
//   make_icon DATAFILE SIZE OUT.png
//
// Runs without a display (Allegro's SYSTEM_NONE). The mask colour becomes transparent.
#include <allegro.h>

#include "world.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct rgba_t {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 0;
};

struct picture_t {
    int size = 0;
    std::vector<rgba_t> px;
};

// Where the game puts the first carried bot's icon on the player's sprite: the 10 x 10 region
// at (3, 3) of the bot's standing image, at (13, 6) of the sprite, under the sprite.
constexpr int ICON_SOURCE = 3;
constexpr int ICON_SIZE = 10;
constexpr int ICON_X = 13;
constexpr int ICON_Y = 6;

BITMAP *pilot_with_bot(DATAFILE *dat) {
    BITMAP *pilot = static_cast<BITMAP *>(dat[OBJ_PLAYER].dat);
    BITMAP *bot_image = static_cast<BITMAP *>(dat[OBJ_BOT1_STAND].dat);
    BITMAP *canvas = create_bitmap(pilot->w, pilot->h);
    clear_to_color(canvas, bitmap_mask_color(canvas));
    blit(bot_image, canvas, ICON_SOURCE, ICON_SOURCE, ICON_X, ICON_Y, ICON_SIZE, ICON_SIZE);
    draw_sprite(canvas, pilot, 0, 0);
    return canvas;
}

// The scale goes in halves: at 48 pixels a 32-pixel sprite grows by 1.5, every other pixel
// doubled, which stays crisper than a smoothed picture.
picture_t render(BITMAP *bmp, int size) {
    picture_t pic;
    pic.size = size;
    pic.px.assign(static_cast<size_t>(size * size), rgba_t{});
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
            rgba_t &p = pic.px[static_cast<size_t>((top + y) * size + left + x)];
            p.r = static_cast<uint8_t>(getr32(c));
            p.g = static_cast<uint8_t>(getg32(c));
            p.b = static_cast<uint8_t>(getb32(c));
            p.a = 255;
        }
    }
    return pic;
}

// ---- A minimal PNG writer: one IDAT of stored (uncompressed) deflate blocks ----------------

uint32_t crc32(const std::vector<uint8_t> &bytes, size_t from) {
    static std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t c = n;
            for (int k = 0; k < 8; k++) {
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xffffffffu;
    for (size_t i = from; i < bytes.size(); i++) {
        c = table[(c ^ bytes[i]) & 0xff] ^ (c >> 8);
    }
    return c ^ 0xffffffffu;
}

void put32(std::vector<uint8_t> &out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void put_chunk(std::vector<uint8_t> &out, const char *type, const std::vector<uint8_t> &body) {
    put32(out, static_cast<uint32_t>(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    put32(out, crc32(out, start));
}

std::vector<uint8_t> zlib_stored(const std::vector<uint8_t> &raw) {
    std::vector<uint8_t> z = {0x78, 0x01};
    constexpr size_t BLOCK = 65535;
    size_t pos = 0;
    do {
        const size_t n = raw.size() - pos < BLOCK ? raw.size() - pos : BLOCK;
        z.push_back(pos + n == raw.size() ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos),
                 raw.begin() + static_cast<long>(pos + n));
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32(z, b << 16 | a);
    return z;
}

std::vector<uint8_t> encode_png(const picture_t &pic) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<uint8_t> header;
    put32(header, static_cast<uint32_t>(pic.size));
    put32(header, static_cast<uint32_t>(pic.size));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8-bit RGBA, no interlace
    put_chunk(out, "IHDR", header);

    std::vector<uint8_t> raw;
    for (int y = 0; y < pic.size; y++) {
        raw.push_back(0); // no filter
        for (int x = 0; x < pic.size; x++) {
            const rgba_t &p = pic.px[static_cast<size_t>(y * pic.size + x)];
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
        }
    }
    put_chunk(out, "IDAT", zlib_stored(raw));
    put_chunk(out, "IEND", {});
    return out;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s DATAFILE SIZE OUT.png\n", argv[0]);
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
    const picture_t pic = render(canvas, size);
    destroy_bitmap(canvas);
    unload_datafile(dat);

    const std::vector<uint8_t> png = encode_png(pic);
    std::ofstream out(argv[3], std::ios::binary);
    out.write(reinterpret_cast<const char *>(png.data()), static_cast<std::streamsize>(png.size()));
    if (!out) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
END_OF_MAIN()
