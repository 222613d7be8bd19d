// contact_sheet: loads the built data file with Allegro, as the game does, checks the kinds
// of its objects and renders every image to one sheet for judging the art:
// all bitmaps enlarged with their index, the walk cycles as strips, the ground tiled 3 x 3,
// and a small scene drawn the way the game draws its world.
//
//   contact_sheet DATAFILE OUT.bmp
#include <allegro.h>

#include "datafile_layout.h"

#include <cerrno>
#include <cmath>
#include <cstdio>

namespace {

constexpr int SHEET_W = 1280;
constexpr int SHEET_H = 1200;
constexpr int BITMAP_COUNT = OBJ_BUZZ; // every object before the sounds is an image

DATAFILE *data = nullptr;

BITMAP *object(int index) {
    return static_cast<BITMAP *>(data[index].dat);
}

// Text at twice the size of the built-in font, so the sheet reads well when viewed shrunk.
void label(BITMAP *sheet, int x, int y, const char *text, int colour) {
    BITMAP *line = create_bitmap(text_length(font, text), 8);
    clear_to_color(line, bitmap_mask_color(line));
    textout_ex(line, font, text, 0, 0, colour, -1);
    masked_stretch_blit(line, sheet, 0, 0, line->w, line->h, x, y, line->w * 2, line->h * 2);
    destroy_bitmap(line);
}

void enlarged(BITMAP *sheet, BITMAP *image, int x, int y, int scale) {
    masked_stretch_blit(image, sheet, 0, 0, image->w, image->h, x, y, image->w * scale,
                        image->h * scale);
}

bool check_kinds() {
    int count = 0;
    while (data[count].type != DAT_END) {
        count++;
    }
    bool ok = count == OBJ_COUNT;
    if (!ok) {
        std::printf("contact_sheet: %d objects, expected %d\n", count, OBJ_COUNT);
    }
    for (int i = 0; ok && i < OBJ_COUNT; i++) {
        int want = i < BITMAP_COUNT ? DAT_BITMAP : i == OBJ_BUZZ ? DAT_SAMPLE : DAT_MIDI;
        if (data[i].type != want) {
            std::printf("contact_sheet: object %d has the wrong kind\n", i);
            ok = false;
        }
    }
    return ok;
}

// The two images the game draws unmasked must not hold the mask colour where it shows.
bool check_unmasked() {
    BITMAP *bot = object(OBJ_BOT1_STAND);
    BITMAP *ground = object(OBJ_GROUND_TEXTURE);
    for (int y = ICON_CROP_Y; y < ICON_CROP_Y + ICON_SIZE; y++) {
        for (int x = ICON_CROP_X; x < ICON_CROP_X + ICON_SIZE; x++) {
            if (getpixel(bot, x, y) == bitmap_mask_color(bot)) {
                std::printf("contact_sheet: icon pixel (%d, %d) of object 0 is transparent\n", x,
                            y);
                return false;
            }
        }
    }
    for (int y = 0; y < ground->h; y++) {
        for (int x = 0; x < ground->w; x++) {
            if (getpixel(ground, x, y) == bitmap_mask_color(ground)) {
                std::printf("contact_sheet: ground pixel (%d, %d) is transparent\n", x, y);
                return false;
            }
        }
    }
    return true;
}

void print_sound_and_music() {
    SAMPLE *s = static_cast<SAMPLE *>(data[20].dat);
    std::printf("  20 sample: %d-bit %s, %d Hz, %lu frames, loop %lu..%lu\n", s->bits,
                s->stereo ? "stereo" : "mono", s->freq, s->len, s->loop_start, s->loop_end);
    MIDI *m = static_cast<MIDI *>(data[21].dat);
    int tracks = 0;
    for (int t = 0; t < MIDI_TRACKS; t++) {
        tracks += m->track[t].len > 0 ? 1 : 0;
    }
    std::printf("  21 midi: %d divisions, %d of %d tracks used\n", m->divisions, tracks,
                MIDI_TRACKS);
}

// Every bitmap at three times its size, in rows of ten cells.
int draw_index(BITMAP *sheet, int top) {
    const int cell_w = 126;
    const int cell_h = 150;
    char text[32];
    for (int i = 0; i < BITMAP_COUNT; i++) {
        int x = 10 + (i % 10) * cell_w;
        int y = top + (i / 10) * cell_h;
        rect(sheet, x, y, x + cell_w - 6, y + cell_h - 6, makecol(70, 70, 80));
        BITMAP *b = object(i);
        if (b->w * 3 <= cell_w - 12 && b->h * 3 <= cell_h - 40) {
            enlarged(sheet, b, x + 6, y + 30, 3);
        } else {
            int side = cell_h - 40; // large images, the ground texture, shrink to fit
            stretch_blit(b, sheet, 0, 0, b->w, b->h, x + 6, y + 30, side, side);
        }
        std::snprintf(text, sizeof text, "%d", i);
        label(sheet, x + 6, y + 6, text, makecol(255, 255, 160));
        std::snprintf(text, sizeof text, "%dx%d", b->w, b->h);
        textout_right_ex(sheet, font, text, x + cell_w - 12, y + 10, makecol(200, 200, 210), -1);
    }
    return top + 2 * cell_h;
}

// Each cycle as the game plays it: the standing image, then four steps of the walk.
int draw_cycles(BITMAP *sheet, int top) {
    struct cycle_t {
        const char *name;
        int stand;
        int first;
    };
    const cycle_t cycles[] = {{"bot 1", OBJ_BOT1_STAND, OBJ_BOT1_WALK},
                              {"bot 2", OBJ_BOT2_STAND, OBJ_BOT2_WALK},
                              {"bot 3", OBJ_BOT3_STAND, OBJ_BOT3_WALK},
                              {"enemy", -1, OBJ_ENEMY_WALK}};
    int x = 10;
    int y = top;
    for (const cycle_t &c : cycles) {
        BITMAP *first = object(c.first);
        int step = first->w * 3 + 8;
        int width = step * 5 + 8;
        rectfill(sheet, x, y, x + width, y + 150, makecol(10, 10, 10));
        int ground_y = y + 30 + 32 * 3; // the ground line under a 32-pixel actor
        if (c.stand < 0) {
            ground_y = y + 30 + (first->h - 10) * 3; // ground enemies stand 10 pixels deep
        }
        hline(sheet, x, ground_y, x + width, makecol(128, 225, 0));
        label(sheet, x + 4, y + 4, c.name, makecol(220, 220, 220));
        for (int k = 0; k < 5; k++) {
            int index =
                k == 0 ? (c.stand >= 0 ? c.stand : c.first) : c.first + (k - 1) % WALK_FRAMES;
            enlarged(sheet, object(index), x + 8 + k * step, y + 30, 3);
        }
        x += width + 12;
        if (x > SHEET_W - 300) {
            x = 10;
            y += 160;
        }
    }
    return y + 160;
}

void draw_ground_tiles(BITMAP *sheet, int left, int top) {
    BITMAP *g = object(OBJ_GROUND_TEXTURE);
    BITMAP *tiles = create_bitmap(g->w * 3, g->h * 3);
    for (int ty = 0; ty < 3; ty++) {
        for (int tx = 0; tx < 3; tx++) {
            blit(g, tiles, 0, 0, tx * g->w, ty * g->h, g->w, g->h);
        }
    }
    // Shown at a size that fits beside the scene, whatever the tile's size.
    int side = 384;
    stretch_blit(tiles, sheet, 0, 0, tiles->w, tiles->h, left, top, side, side);
    label(sheet, left, top - 20, "4 tiled 3x3", makecol(220, 220, 220));
    destroy_bitmap(tiles);
}

// A piece of the world drawn as the game draws it, then doubled.
void draw_scene(BITMAP *sheet, int left, int top) {
    const int w = 320;
    const int h = 200;
    BITMAP *scene = create_bitmap(w, h);
    clear_to_color(scene, makecol(10, 10, 10));
    int gx[9];
    int gy[9];
    for (int i = 0; i < 9; i++) {
        gx[i] = i * 40;
        gy[i] = 150 + static_cast<int>(12 * std::sin(i * 1.3)) + (i == 4 ? 6 : 0);
    }
    drawing_mode(DRAW_MODE_COPY_PATTERN, object(OBJ_GROUND_TEXTURE), 0, 0);
    for (int i = 0; i < 8; i++) {
        int points[8] = {gx[i], gy[i], gx[i + 1], gy[i + 1], gx[i + 1], h, gx[i], h};
        polygon(scene, 4, points, 0);
    }
    solid_mode();
    const int edge[5][3] = {{128, 225, 0}, {64, 200, 0}, {32, 128, 0}, {16, 64, 0}, {8, 32, 0}};
    for (int i = 0; i < 8; i++) {
        for (int k = 0; k < 5; k++) {
            line(scene, gx[i], gy[i] - k, gx[i + 1], gy[i + 1] - k,
                 makecol(edge[k][0], edge[k][1], edge[k][2]));
        }
    }
    auto ground_at = [&](int x) {
        int i = x / 40;
        return gy[i] + (gy[i + 1] - gy[i]) * (x - gx[i]) / 40;
    };
    // The player flying with all three bots carried.
    int px = 20;
    int py = 40;
    for (const auto &o : ICON_OFFSET) {
        stretch_blit(object(OBJ_BOT1_STAND), scene, ICON_CROP_X, ICON_CROP_Y, ICON_SIZE, ICON_SIZE,
                     px + o[0], py + o[1], ICON_SIZE, ICON_SIZE);
    }
    draw_sprite(scene, object(OBJ_PLAYER), px, py);
    // The player again, empty-handed, resting on the ground.
    draw_sprite(scene, object(OBJ_PLAYER), 110, ground_at(110) - 32);
    // Deployed bots standing and walking, each with its top 32 pixels above the ground.
    draw_sprite(scene, object(OBJ_BOT1_STAND), 150, ground_at(150) - 32);
    draw_sprite(scene, object(OBJ_BOT2_WALK), 175, ground_at(175) - 32);
    draw_sprite_h_flip(scene, object(OBJ_BOT3_WALK), 200, ground_at(200) - 32);
    // Ground enemies sit with their bottom edge 10 pixels below the ground line.
    BITMAP *enemy = object(OBJ_ENEMY_WALK);
    draw_sprite(scene, enemy, 240, ground_at(240) - enemy->h + 10);
    draw_sprite(scene, object(OBJ_ENEMY_WALK + 1), 280, ground_at(280) - enemy->h + 10);
    circlefill(scene, 262, 80, 10, makecol(32, 32, 225)); // an enemy shot
    for (int k = 0; k < 4; k++) {
        draw_sprite(scene, object(OBJ_FLYER), 180 + k * 27, 30 + (k % 2) * 18);
    }
    line(scene, 160, 120, 166, 116, makecol(128, 255, 128)); // a bullet
    draw_sprite(scene, object(OBJ_CURSOR), 120, 70);
    draw_sprite(scene, object(OBJ_BOX_CURSOR), 290, 20);
    stretch_blit(scene, sheet, 0, 0, w, h, left, top, w * 2, h * 2);
    label(sheet, left, top - 20, "scene (x2)", makecol(220, 220, 220));
    destroy_bitmap(scene);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: contact_sheet DATAFILE OUT.bmp\n");
        return 2;
    }
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        return 1;
    }
    set_color_depth(32);
    data = load_datafile(argv[1]);
    if (data == nullptr) {
        std::printf("contact_sheet: cannot load %s\n", argv[1]);
        return 1;
    }
    if (!check_kinds() || !check_unmasked()) {
        return 1;
    }
    std::printf("contact_sheet: %s loads with %d objects of the right kinds\n", argv[1], OBJ_COUNT);
    print_sound_and_music();

    BITMAP *sheet = create_bitmap(SHEET_W, SHEET_H);
    clear_to_color(sheet, makecol(118, 118, 126));
    int y = draw_index(sheet, 10);
    y = draw_cycles(sheet, y + 10);
    draw_ground_tiles(sheet, 10, y + 30);
    draw_scene(sheet, 420, y + 30);
    int result = save_bitmap(argv[2], sheet, nullptr) == 0 ? 0 : 1;
    destroy_bitmap(sheet);
    unload_datafile(data);
    return result;
}
END_OF_MAIN()
