#include "scenes.h"

#include "enemies.h"
#include "terrain.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr int BUSY_FLYERS = 100;

// A random x or y of the frame's sky above the HUD, in world coordinates.
float in_view_x() {
    return scroll.x + static_cast<float>(10 + rand() % 600);
}
float in_view_y() {
    return scroll.y + static_cast<float>(10 + rand() % 330);
}

void charge_squad() {
    player.health = 1.0f;
    for (int k = 0; k < BOT_COUNT; k++) {
        bot[k].health = bot[k].charge = 1.0f;
        bot[k].mode = command_bit(k) | MODE_ABILITY;
    }
}

void deploy_squad(unsigned seed) {
    new_game(seed);
    time_ms = 20000;
    frame = 600.0f; // as the clock has it 20 s in
    place(player, 3000.0f, get_ground(3000.0f) - 150.0f);
    scroll = {player.x - 250.0f, player.y - 150.0f};
    charge_squad();
    for (int k = 0; k < BOT_COUNT; k++) {
        const float x = scroll.x + static_cast<float>(120 + 170 * k);
        place(bot[k], x, get_ground(x) - 32.0f);
    }
    hold_key(KEY_W); // the keys steer the deployed bots, which hover on their thrusters
    set_buttons(1);  // over open sky: they fire
    point_at(pointer_x = 420.0f, pointer_y = 120.0f); // the mouse, seen by the tick already
}

void add_shots(int count, int kind, int max_age_ms) {
    for (int i = 0; i < count; i++) {
        const float x = in_view_x();
        const float y = in_view_y();
        const double angle = (rand() % 360) * M_PI / 180.0;
        const float speed = kind == POWER_EXHAUST ? 0.0f : 7.0f;
        create_power(x, y, speed * static_cast<float>(std::cos(angle)),
                     speed * static_cast<float>(std::sin(angle)), kind);
        power[particle_loop].born = static_cast<float>(time_ms - rand() % max_age_ms);
    }
}

} // namespace

void scene_busy(unsigned seed) {
    deploy_squad(seed);
    for (int n = 0; n < BUSY_FLYERS; n++) {
        init_enemy(1, ENEMY_FLYER, static_cast<int>(in_view_x()));
        enemy[enemy_loop].y = in_view_y();
        enemy[enemy_loop].sprite = OBJ_FLYER;
    }
    add_shots(120, POWER_BULLET, 2500);
    add_shots(150, POWER_EXHAUST, 400);
    add_shots(30, POWER_ENEMY_SHOT, 1500);
}

void scene_worst(unsigned seed) {
    deploy_squad(seed);
    for (enemy_t &e : enemy) {
        e.x = in_view_x();
        e.y = in_view_y();
        e.vx = e.vy = 0.0f;
        e.health = 4.0f;
        e.last_shot = static_cast<float>(time_ms);
        e.sprite = OBJ_FLYER;
        e.flags = ENEMY_FLYER + ENEMY_ALIVE;
    }
    add_shots(POWER_SLOTS, POWER_BULLET, 2500);
}

void scene_piled(unsigned seed) {
    scene_worst(seed);
    for (actor_t &b : bot) {
        place(b, player.x, player.y);
    }
    for (enemy_t &e : enemy) {
        e.x = player.x;
        e.y = player.y;
    }
}

void keep_busy() {
    charge_squad();
    if (take_census().flyers < BUSY_FLYERS) { // as a hatching enemy shot spawns them
        init_enemy(5, ENEMY_FLYER, static_cast<int>(in_view_x()));
    }
}
