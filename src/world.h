// The whole world of the game: every record type, constant and global, statically allocated.
#pragma once

#include <allegro.h>

#include "datafile_layout.h"

#include <atomic>
#include <cstdint>

// ---- Capacities -------------------------------------------------------------------------

constexpr int ENEMY_SLOTS = 500;
constexpr int POWER_SLOTS = 500;
constexpr int GROUND_POINTS = 1000;
constexpr int GAUGE_COUNT = 7;
constexpr int BOX_COUNT = 6;
constexpr int BOT_COUNT = 3;

// The frame is always drawn at this size and stretched onto the window.
constexpr int BUFFER_W = 640;
constexpr int BUFFER_H = 480;
constexpr float VIEW_W = BUFFER_W; // the frame's width in world units

// ---- Actors: the player and the three bots ------------------------------------------------

struct actor_t {
    int32_t first_sprite;
    int32_t sprite;
    int32_t sprite_count;
    float anim_speed;
    int32_t anim_pos;
    float x;
    float y;
    float vx;
    float vy;
    float spring;
    float health;
    union {
        float score;     // player
        float last_shot; // bot: time_ms of its last bullet
    };
    union {
        int32_t move_keys; // player: 1 = A held, 2 = D held
        float charge;      // bot: ability charge, 0..1
    };
    int32_t mode; // bots only
};

// Bits of a bot's mode; PICKUP and COMMAND are shifted left by the bot's index.
constexpr int MODE_PICKUP = 1;
constexpr int MODE_COMMAND = 8;
constexpr int MODE_ABILITY = 64;

constexpr int MOVE_LEFT = 1;
constexpr int MOVE_RIGHT = 2;

// ---- Shots and effects ----------------------------------------------------------------------

struct power_t {
    float x;
    float y;
    float vx;
    float vy;
    float born;
    int32_t flags;
};

constexpr int POWER_ALIVE = 1;
constexpr int POWER_EXHAUST = 2;
constexpr int POWER_BULLET = 4;
constexpr int POWER_ENEMY_SHOT = 8;

// ---- Enemies --------------------------------------------------------------------------------

struct enemy_t {
    int32_t first_sprite;
    int32_t sprite;
    int32_t sprite_count;
    float anim_speed;
    int32_t anim_pos;
    float x;
    float y;
    float vx;
    float vy;
    float health;
    float last_shot;
    int32_t flags;
};

constexpr int ENEMY_ALIVE = 1;
constexpr int ENEMY_GROUND = 2;
constexpr int ENEMY_FLYER = 4;

// ---- Terrain and camera ---------------------------------------------------------------------

struct ground_point_t {
    float x;
    float y;
};

struct scroll_t {
    float x;
    float y;
};

// ---- HUD and squad boxes --------------------------------------------------------------------

struct scrollbar_t {
    int32_t x;
    int32_t y;
    int32_t w;
    int32_t h;
    int32_t color;
    float value;
    char label[20];
};

struct box_corner_t {
    float x;
    float y;
};

struct selection_t {
    box_corner_t box[BOX_COUNT];
    int32_t w;
    int32_t h;
    int32_t x;
    int32_t y;
    int32_t pending;
};

// ---- Globals ------------------------------------------------------------------------------

extern actor_t player;
extern actor_t bot[BOT_COUNT];
extern enemy_t enemy[ENEMY_SLOTS];
extern power_t power[POWER_SLOTS];
extern ground_point_t ground[GROUND_POINTS];
extern scroll_t scroll;
extern scrollbar_t scrollbars[GAUGE_COUNT];
extern selection_t sel;
extern char msg[80];

extern DATAFILE *datafile;
extern BITMAP *buffer;
extern BITMAP *show_score;
extern RGB_MAP rgb_table;
extern COLOR_MAP light_table;

// Shared with Allegro's timer thread.
extern std::atomic<int> speed_counter;
extern std::atomic<int> anim_counter;
extern std::atomic<float> frame;
extern std::atomic<int> time_ms;

extern float use_mouse_x;
extern float use_mouse_y;
extern int mouse_right_click;
extern int mouse_display_flag;

extern int enemy_loop;
extern int particle_loop;
extern int sound_volume;

// Object n of the loaded data file, as a bitmap.
inline BITMAP *object_bitmap(int n) {
    return static_cast<BITMAP *>(datafile[n].dat);
}

// The COMMAND and PICKUP bits of bot k.
constexpr int command_bit(int k) {
    return MODE_COMMAND << k;
}
constexpr int pickup_bit(int k) {
    return MODE_PICKUP << k;
}
// Any COMMAND bit at all; a bot only ever holds its own, but several rules test all three.
constexpr int MODE_ANY_COMMAND = MODE_COMMAND | MODE_COMMAND << 1 | MODE_COMMAND << 2;
inline bool has_command_mode(int mode) {
    return (mode & MODE_ANY_COMMAND) != 0;
}
// Whether an armed order is one of the PICKUP (or COMMAND) boxes': exactly one bot's bit.
constexpr bool is_pickup_order(int order) {
    return order == pickup_bit(0) || order == pickup_bit(1) || order == pickup_bit(2);
}
constexpr bool is_command_order(int order) {
    return order == command_bit(0) || order == command_bit(1) || order == command_bit(2);
}
inline bool any_bot_commanded() {
    return (bot[0].mode & command_bit(0)) || (bot[1].mode & command_bit(1)) ||
           (bot[2].mode & command_bit(2));
}

// Where a world point lands in the frame, truncated toward zero.
inline int screen_x(float wx) {
    return static_cast<int>(wx - scroll.x);
}
inline int screen_y(float wy) {
    return static_cast<int>(wy - scroll.y);
}
