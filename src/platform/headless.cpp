#include "headless.h"

#include "game.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

BITMAP *window_stand_in, *last_frame;
long passes_played, frames_drawn;
float pointer_x, pointer_y;

namespace {

constexpr int CLOCK_STEPS[3] = {17, 17, 16};
constexpr uint64_t FNV_START = 0xcbf29ce484222325ull, FNV_PRIME = 0x100000001b3ull;
DATAFILE test_data[OBJ_COUNT + 1];

// Every global a game changes, written once: a reset puts back its bytes from program start, a
// snapshot copies them, the digest hashes those of a part, in this order (NONE: not hashed).
enum part_t { ACTORS, ENEMIES, SHOTS, GROUND, VIEW, LOOP, NONE };
struct record_t {
    void *at;
    size_t size;
    part_t part;
};
template <typename T> record_t rec(T &v, part_t part, size_t size = sizeof(T)) {
    return {const_cast<void *>(static_cast<const volatile void *>(&v)), size, part};
}
// clang-format off
const record_t WORLD[] = {
    rec(player, ACTORS), rec(bot, ACTORS), rec(enemy, ENEMIES), rec(power, SHOTS),
    rec(ground, GROUND), rec(scroll, VIEW), rec(sel, VIEW), rec(msg, VIEW), rec(scrollbars, VIEW),
    rec(time_ms, LOOP), rec(mouse_right_click, LOOP), rec(mouse_display_flag, LOOP),
    rec(enemy_loop, LOOP), rec(particle_loop, LOOP), rec(sound_volume, LOOP), rec(frame, LOOP),
    rec(use_mouse_x, LOOP), rec(use_mouse_y, LOOP),
    rec(speed_counter, NONE), rec(anim_counter, NONE), rec(key[0], NONE, KEY_MAX),
    rec(mouse_b, NONE), rec(mouse_x, NONE), rec(mouse_y, NONE),
    rec(pointer_x, NONE), rec(pointer_y, NONE), rec(passes_played, NONE), rec(frames_drawn, NONE)};
// clang-format on
const world_snapshot_t AT_START = snapshot_world();

uint64_t fnv1a(uint64_t h, unsigned char byte) {
    return (h ^ byte) * FNV_PRIME;
}
// Text, byte by byte.
uint64_t hash_chars(const void *data, size_t size, uint64_t h) {
    for (size_t i = 0; i < size; i++) {
        h = fnv1a(h, static_cast<const unsigned char *>(data)[i]);
    }
    return h;
}
// Records made only of 32-bit integers and floats (so without padding), every one of them
// least significant byte first: the same digest on machines of either byte order.
template <typename... T>
constexpr bool words_only = ((alignof(T) == 4 && sizeof(T) % 4 == 0) && ...);
static_assert(words_only<int, float, std::atomic<int>, std::atomic<float>, actor_t, enemy_t,
                         power_t, ground_point_t, scroll_t, selection_t>);
uint64_t hash_words(const void *data, size_t size, uint64_t h) {
    for (size_t i = 0; i < size; i += 4) {
        uint32_t w;
        std::memcpy(&w, static_cast<const unsigned char *>(data) + i, 4);
        for (int b = 0; b < 32; b += 8) {
            h = fnv1a(h, static_cast<unsigned char>(w >> b));
        }
    }
    return h;
}

// The mask colour but for one rectangle of the object's colour; the ground texture a checker.
BITMAP *make_image(int i) {
    // Width, height, then the opaque rectangle x0, y0, x1, y1 of the bots, the player, the
    // cursors, the ground enemies, the flyer and the texture; and which of them each object has.
    const int shapes[][6] = {{16, 32, 0, 8, 15, 31}, {20, 32, 4, 0, 19, 31},
                             {8, 8, 0, 0, 7, 7},     {20, 24, 0, 0, 19, 23},
                             {16, 16, 4, 4, 11, 11}, {32, 32, 0, 0, 31, 31}};
    const int shape_of[OBJ_BUZZ] = {0, 0, 0, 0, 5, 2, 2, 3, 3, 3, 1, 0, 0, 0, 0, 0, 0, 0, 0, 4};
    const int *s = shapes[shape_of[i]];
    BITMAP *b = create_bitmap(s[0], s[1]);
    clear_to_color(b, makecol(255, 0, 255));
    rectfill(b, s[2], s[3], s[4], s[5], test_object_colour(i));
    for (int p = 0; i == OBJ_GROUND_TEXTURE && p < 32 * 32; p++) { // 8 x 8 squares
        putpixel(b, p % 32, p / 32,
                 (p % 32 / 8 + p / 32 / 8) % 2 ? rgb(90, 60, 30) : rgb(60, 40, 20));
    }
    return b;
}

} // namespace

int test_object_colour(int index) {
    return makecol(20 + 10 * index, 100 + index, 200 - index);
}

void start_headless_game_library() {
    if (test_data[OBJ_COUNT].type != DAT_END) {       // not started yet
        install_allegro(SYSTEM_NONE, &errno, atexit); // with no system driver it cannot fail
        set_color_depth(32);
        for (int i = 0; i < OBJ_BUZZ; i++) {
            test_data[i] = {make_image(i), DAT_BITMAP, 0, nullptr};
        }
        test_data[OBJ_BUZZ] = {create_sample(8, 0, 11025, 64), DAT_SAMPLE, 0, nullptr};
        test_data[OBJ_MUSIC] = {std::calloc(1, sizeof(MIDI)), DAT_MIDI, 0, nullptr};
        test_data[OBJ_COUNT].type = DAT_END;
        create_frame_bitmaps();
    }
    datafile = test_data;
}

bool start_headless_game(const char *data_path) {
    quiet_stdout_t quiet; // the colour tables' progress bars
    start_headless_game_library();
    if (data_path && std::strcmp(data_path, "-") != 0 && !(datafile = load_game_data(data_path))) {
        std::fprintf(stderr, "cannot load the data file %s\n", data_path);
        return false;
    }
    PALETTE palette;
    build_palette(palette);
    build_colour_tables(palette);
    set_palette(palette);
    window_stand_in = create_bitmap(WINDOW_W, WINDOW_H);
    last_frame = create_bitmap(BUFFER_W, BUFFER_H);
    return true;
}

void reset_world_state() {
    restore_world(AT_START);
    clear_frame();
}
void blank_world() {
    start_headless_game_library();
    reset_world_state();
}
void new_game(unsigned seed) {
    reset_world_state();
    srand(seed);
    init_world();
}
void fresh_game(unsigned seed) {
    start_headless_game_library();
    new_game(seed);
}

world_snapshot_t snapshot_world() {
    world_snapshot_t s;
    for (const record_t &r : WORLD) {
        s.insert(s.end(), static_cast<unsigned char *>(r.at),
                 static_cast<unsigned char *>(r.at) + r.size);
    }
    return s;
}
void restore_world(const world_snapshot_t &s) {
    const unsigned char *p = s.data();
    for (const record_t &r : WORLD) {
        std::memcpy(r.at, p, r.size);
        p += r.size;
    }
}

void flat_ground(float y) {
    for (int i = 0; i < GROUND_POINTS; i++) {
        ground[i] = {100.0f * static_cast<float>(i), y};
    }
}
void place(actor_t &a, float x, float y, float vx, float vy) {
    a.x = x;
    a.y = y;
    a.vx = vx;
    a.vy = vy;
    a.spring = 0.0f;
}

void release_all_keys() {
    std::memset(const_cast<char *>(key), 0, KEY_MAX);
}

void play_logic_tick() {
    if (player.health > 0.0f) { // without a window, the driver maps the mouse
        point_at(pointer_x, pointer_y);
    }
    increment_speed_counter();
    catch_up_logic();
}
void play_pass(int anim_every, int frame_every, void (*after_tick)()) {
    time_ms += CLOCK_STEPS[passes_played++ % 3];
    play_logic_tick();
    after_tick();
    if (passes_played % anim_every == 0) {
        increment_anim_counter();
        catch_up_animation();
    }
    if (passes_played % frame_every == 0) {
        compose_frame();
        blit(buffer, last_frame, 0, 0, 0, 0, BUFFER_W, BUFFER_H);
        frames_drawn++;
        present_frame(window_stand_in, window_stand_in->w, window_stand_in->h);
    }
}

census_t take_census() {
    census_t c{};
    static_assert(ENEMY_SLOTS == POWER_SLOTS);
    for (int i = 0; i < ENEMY_SLOTS; i++) {
        c.ground += enemy[i].flags == ENEMY_GROUND + ENEMY_ALIVE;
        c.flyers += enemy[i].flags == ENEMY_FLYER + ENEMY_ALIVE;
        c.exhaust += power[i].flags == POWER_EXHAUST + POWER_ALIVE;
        c.bullets += power[i].flags == POWER_BULLET + POWER_ALIVE;
        c.enemy_shots += power[i].flags == POWER_ENEMY_SHOT + POWER_ALIVE;
    }
    return c;
}

void note_busy(busy_t &b) {
    const census_t c = take_census();
    b.deployed += any_bot_commanded();
    b.firing += c.bullets > 0;
    b.hatched += c.flyers > 0;
    b.fewest_flyers = std::min(b.fewest_flyers, c.flyers);
    b.most_flyers = std::max(b.most_flyers, c.flyers);
    b.most_bullets = std::max(b.most_bullets, c.bullets);
    b.most_shots = std::max(b.most_shots, c.bullets + c.exhaust + c.enemy_shots);
    b.most_enemy_shots = std::max(b.most_enemy_shots, c.enemy_shots);
}

world_hashes_t world_hashes() {
    world_hashes_t h = {FNV_START, FNV_START, FNV_START, FNV_START, FNV_START, FNV_START};
    for (const record_t &r : WORLD) {
        if (r.at == msg) {
            h[r.part] = hash_chars(msg, sizeof msg, h[r.part]);
        } else if (r.part != NONE && r.at != scrollbars) {
            h[r.part] = hash_words(r.at, r.size, h[r.part]);
        }
    }
    for (const scrollbar_t &g : scrollbars) { // but their colours, which follow the pixel layout
        h[VIEW] = hash_words(&g.x, offsetof(scrollbar_t, color), h[VIEW]);
        h[VIEW] = hash_words(&g.value, sizeof g.value, h[VIEW]);
        h[VIEW] = hash_chars(g.label, sizeof g.label, h[VIEW]);
    }
    return h;
}

uint64_t bitmap_hash(BITMAP *bmp) {
    uint64_t h = FNV_START;
    for (int p = 0; p < bmp->w * bmp->h; p++) {
        const int c = getpixel(bmp, p % bmp->w, p / bmp->w);
        for (int part : {getr(c), getg(c), getb(c)}) {
            h = fnv1a(h, static_cast<unsigned char>(part));
        }
    }
    return h;
}
