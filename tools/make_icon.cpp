// Draws the desktop icon from the game's own art: the pilot as the game shows him, carrying
// the first bot's icon where he carries it, scaled up without smoothing and centred on a
// transparent square, written as a PNG.
//
//   make_icon DATAFILE SIZE OUT.png
//
// Runs without a display (Allegro's SYSTEM_NONE). The mask colour becomes transparent.
#include <allegro.h>
#include <png.h>

#include "datafile_layout.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
    const std::vector<uint8_t> rgba = render(canvas, size);
    destroy_bitmap(canvas);
    unload_datafile(dat);

    return write_png(argv[3], rgba, size) ? 0 : 1;
}
END_OF_MAIN()
