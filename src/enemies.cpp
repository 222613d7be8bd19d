#include "enemies.h"

#include "physics.h"
#include "terrain.h"
#include "world.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double DEG_TO_RAD = M_PI / 180.0;
// Flyers hover: they sink at a tenth of gravity.
constexpr double FLYER_SINK = 0.0032174;

// Ring search shared by both pools: probe forward from the cursor for a slot whose alive bit
// is clear; with every slot alive, give up after one probe more than the table holds and
// take the slot after the one the cursor named. Returns the slot, and whether it was free.
template <typename Slot>
int find_slot(Slot *slots, int count, int alive_bit, int &cursor, bool &taken_over) {
    int probes = 0;
    for (;;) {
        probes++;
        if (!(slots[cursor].flags & alive_bit)) {
            taken_over = false;
            return cursor;
        }
        cursor = (cursor + 1) % count;
        if (probes > count) {
            taken_over = true;
            return cursor;
        }
    }
}

bool in_view_band(const enemy_t &e) {
    const float sx = e.x - scroll.x;
    return sx > -50.0f && sx < VIEW_W;
}

void place_enemy(enemy_t &e, int slot, bool taken_over, int kind, int x) {
    if (kind == ENEMY_GROUND) {
        const int r = rand();
        if (!taken_over) {
            e.x = static_cast<float>(r % BUFFER_W + 300 + 100 * slot);
            e.y = get_ground(e.x) - static_cast<float>(object_bitmap(e.first_sprite)->h) + 10.0f;
            e.health = 50.0f;
        } else {
            e.x = static_cast<float>(r % BUFFER_W + 300 + 1200 * slot);
            e.y = get_ground(e.x);
            e.health = 100.0f;
        }
    } else {
        e.x = static_cast<float>(x);
        e.y = get_ground(e.x) - 10.0f;
        e.health = taken_over ? 2.0f : 4.0f;
    }
    e.vx = 0.0f;
    e.vy = 0.0f;
    e.last_shot = static_cast<float>(time_ms.load());
    e.flags = kind + ENEMY_ALIVE;
}

void ground_enemy_fire(enemy_t &e) {
    const float ox = e.x + static_cast<float>(object_bitmap(e.first_sprite)->w / 2);
    const float oy = e.y;
    const int a = aim_degrees(player.y - e.y, player.x - e.x);
    const float c = static_cast<float>(std::cos(a * DEG_TO_RAD));
    const float s = static_cast<float>(std::sin(a * DEG_TO_RAD) - 0.5);
    // The enemy hops along a quarter of its shot, dropping whatever velocity it had.
    e.vx = 0.25f * c;
    e.vy = 0.25f * s + GRAVITY;
    create_power(ox, oy, c, s, POWER_ENEMY_SHOT);
    e.last_shot = static_cast<float>(time_ms.load());
}

void update_ground_enemy(enemy_t &e) {
    if (in_view_band(e) && static_cast<float>(time_ms.load()) > e.last_shot + 3000.0f) {
        ground_enemy_fire(e);
    }
    const float g = get_ground(e.x);
    if (e.y < g - 250.0f) {
        e.y = g - 260.0f;
    }
    e.x += e.vx;
    e.y += e.vy;
}

void steer_flyer(enemy_t &e) {
    int a = aim_degrees(player.y - e.y, player.x - e.x);
    int jx = rand() % 21 - 10;
    int jy = rand() % 21 - 10;
    sound_volume = sound_volume + 2 > 255 ? 255 : sound_volume + 2;

    // Inside the first bot's shield the flyer turns straight away, twice as jittery.
    if (bot[0].mode & MODE_ABILITY) {
        const float dx = bot[0].x - e.x;
        const float dy = bot[0].y - e.y;
        if (std::sqrt(dx * dx + dy * dy) < 80.0f) {
            a += 180;
            jx *= 2;
            jy *= 2;
        }
    }

    const double r = a * DEG_TO_RAD;
    e.vx = static_cast<float>(e.vx + 0.025 * std::cos(r) + 0.01 * jx);
    e.vy = static_cast<float>(e.vy + 0.025 * std::sin(r) + 0.01 * jy + FLYER_SINK);
    const float g = get_ground(e.x);
    if (e.y > g) {
        e.vy = -2.0f;
        e.y = g - 20.0f;
    }
}

void flyer_touch(enemy_t &e, BITMAP *actor_mask, actor_t &who) {
    if (sn_collision(actor_mask, static_cast<int>(who.x), static_cast<int>(who.y),
                     object_bitmap(OBJ_FLYER), static_cast<int>(e.x), static_cast<int>(e.y))) {
        if (e.flags & ENEMY_ALIVE) {
            e.flags -= ENEMY_ALIVE;
        }
        who.health -= STING_DAMAGE;
    }
}

void update_flyer(enemy_t &e) {
    if (!in_view_band(e)) {
        // Out of view it dies, but still drifts and can still sting this tick.
        e.flags -= ENEMY_ALIVE;
    } else {
        steer_flyer(e);
    }

    e.vx = 0.97f * e.vx;
    e.vy = 0.97f * e.vy;
    e.x += e.vx;
    e.y += e.vy;

    flyer_touch(e, object_bitmap(OBJ_PLAYER), player);
    for (int k = 0; k < BOT_COUNT; k++) {
        if (bot[k].mode & command_bit(k)) {
            flyer_touch(e, object_bitmap(bot[k].sprite), bot[k]);
        }
    }
}

} // namespace

int aim_degrees(float dy, float dx) {
    int a = static_cast<int>(std::atan2(static_cast<double>(dy), static_cast<double>(dx)) * 180.0 /
                             M_PI);
    if (dy < 0.0f) {
        a += 360;
    }
    return a;
}

void create_power(float x, float y, float vx, float vy, int kind) {
    bool taken_over = false;
    power_t &p = power[find_slot(power, POWER_SLOTS, POWER_ALIVE, particle_loop, taken_over)];
    p.x = x;
    p.y = y;
    p.vx = vx;
    p.vy = vy;
    p.born = static_cast<float>(time_ms.load());
    p.flags = kind + POWER_ALIVE;
}

void reset_enemy_slots() {
    std::memset(enemy, 0, sizeof enemy);
    for (enemy_t &e : enemy) {
        e.first_sprite = OBJ_ENEMY_WALK;
        e.sprite = OBJ_ENEMY_WALK;
        e.sprite_count = WALK_FRAMES;
        e.anim_speed = 0.5f;
        e.anim_pos = 0;
        e.flags = 0;
    }
}

void init_enemy(int count, int kind, int x) {
    for (int n = 0; n < count; n++) {
        bool taken_over = false;
        const int s = find_slot(enemy, ENEMY_SLOTS, ENEMY_ALIVE, enemy_loop, taken_over);
        if (kind == ENEMY_GROUND || kind == ENEMY_FLYER) {
            place_enemy(enemy[s], s, taken_over, kind, x);
        }
    }
}

void update_enemy() {
    sound_volume = 0;
    for (enemy_t &e : enemy) {
        if ((e.flags & ENEMY_ALIVE) && (e.flags & ENEMY_GROUND)) {
            update_ground_enemy(e);
        }
        if ((e.flags & ENEMY_ALIVE) && (e.flags & ENEMY_FLYER)) {
            update_flyer(e);
        }
    }
}
