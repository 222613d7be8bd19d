#include "world.h"

actor_t player;
actor_t bot[BOT_COUNT];
enemy_t enemy[ENEMY_SLOTS];
power_t power[POWER_SLOTS];
ground_point_t ground[GROUND_POINTS];
scroll_t scroll;

// Gauge colours depend on the colour depth and are filled in once the mode is set.
scrollbar_t scrollbars[GAUGE_COUNT] = {
    {0, 360, 60, 8, 0, 0.75f, "PLAYER HEALTH"}, {0, 390, 60, 8, 0, 0.75f, "BOT 1 HEALTH"},
    {0, 400, 60, 8, 0, 0.75f, "SHIELD"},        {0, 420, 60, 8, 0, 0.75f, "BOT 2 HEALTH"},
    {0, 430, 60, 8, 0, 0.75f, "POWER REGEN"},   {0, 450, 60, 8, 0, 0.75f, "BOT 3 HEALTH"},
    {0, 460, 60, 8, 0, 0.75f, "HEALTH REGEN"},
};

selection_t sel = {
    {{0, 20}, {60, 20}, {0, 50}, {60, 50}, {0, 80}, {60, 80}}, 40, 20, 175, 370, 0,
};

char msg[80];

DATAFILE *datafile;
BITMAP *buffer;
BITMAP *show_score;
RGB_MAP rgb_table;
COLOR_MAP light_table;

std::atomic<int> speed_counter{0};
std::atomic<int> anim_counter{0};
std::atomic<float> frame{0.0f};
std::atomic<int> time_ms{0};

float use_mouse_x;
float use_mouse_y;
int mouse_right_click;
int mouse_display_flag;

int enemy_loop;
int particle_loop;
int sound_volume;
