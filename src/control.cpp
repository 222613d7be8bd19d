#include "control.h"

#include "enemies.h"
#include "terrain.h"
#include "world.h"

#include <cmath>

namespace {

constexpr float VERTICAL_THRUST = 0.125f;
constexpr float HORIZONTAL_THRUST = 0.15f;
constexpr double BULLET_SPEED = 7.0;
constexpr double BULLET_DROP = 0.5;
constexpr float FIRE_COOLDOWN_MS = 100.0f;

// The value each box arms: COMMAND boxes on the left, PICKUP boxes on the right.
constexpr int BOX_COMMAND[BOX_COUNT] = {command_bit(0), pickup_bit(0),  command_bit(1),
                                        pickup_bit(1),  command_bit(2), pickup_bit(2)};

bool any_thrust_key() {
    return key[KEY_W] || key[KEY_S] || key[KEY_A] || key[KEY_D];
}

void thrust(actor_t &a) {
    float puff_x = a.x + 8.0f;
    float puff_y = a.y + 32.0f;
    float puff_vy = 0.0f;
    if (key[KEY_W]) {
        puff_vy = 10.0f;
        a.vy -= VERTICAL_THRUST;
    }
    if (key[KEY_S]) {
        puff_x = a.x + 8.0f;
        puff_y = a.y;
        puff_vy = -2.0f;
        a.vy += VERTICAL_THRUST;
    }
    if (key[KEY_A]) {
        a.vx -= HORIZONTAL_THRUST;
    }
    if (key[KEY_D]) {
        puff_x = a.x;
        puff_y = a.y + 16.0f;
        a.vx += HORIZONTAL_THRUST;
    }
    create_power(puff_x, puff_y, 0.0f, puff_vy, POWER_EXHAUST);
}

void fire_at_pointer(actor_t &b) {
    const int half = object_bitmap(b.first_sprite)->w / 2;
    const float dx = b.x - scroll.x - use_mouse_x;
    const float dy = b.y - scroll.y - use_mouse_y;
    const double rad = aim_degrees(dy, dx) * M_PI / 180.0;
    const float vx = static_cast<float>(-BULLET_SPEED * std::cos(rad));
    const float vy = static_cast<float>(BULLET_DROP - BULLET_SPEED * std::sin(rad));
    b.last_shot = static_cast<float>(time_ms.load());
    create_power(b.x + static_cast<float>(half), b.y, vx, vy, POWER_BULLET);
}

bool pointer_on_box(int i) {
    const float left = static_cast<float>(sel.x) + sel.box[i].x;
    const float top = static_cast<float>(sel.y) + sel.box[i].y;
    return left < use_mouse_x && use_mouse_x < left + static_cast<float>(sel.w) &&
           top < use_mouse_y && use_mouse_y < top + static_cast<float>(sel.h);
}

void apply_pending() {
    for (int k = 0; k < BOT_COUNT; k++) {
        if (sel.pending & pickup_bit(k)) {
            if (!(bot[k].mode & pickup_bit(k))) {
                bot[k].mode = pickup_bit(k);
            }
        }
        if (sel.pending & command_bit(k)) {
            if (!(bot[k].mode & command_bit(k))) {
                bot[k].mode = command_bit(k);
            }
            deploy_bot(k);
        }
    }
}

} // namespace

void input() {
    player.move_keys &= ~(MOVE_LEFT | MOVE_RIGHT);
    if (key[KEY_A]) {
        player.move_keys += MOVE_LEFT;
    }
    if (key[KEY_D]) {
        player.move_keys += MOVE_RIGHT;
    }

    if (any_thrust_key()) {
        // While any bot is commanded the keys steer the bots instead of the player.
        if (!any_bot_commanded()) {
            thrust(player);
        }
        for (actor_t &b : bot) {
            if (has_command_mode(b.mode)) {
                thrust(b);
            }
        }
    }

    for (actor_t &b : bot) {
        if (!(b.health > 0.0f)) {
            b.mode = 0;
        }
    }

    if (mouse_display_flag == 0 && (mouse_b & 1)) {
        for (actor_t &b : bot) {
            if (has_command_mode(b.mode) &&
                static_cast<float>(time_ms.load()) > b.last_shot + FIRE_COOLDOWN_MS) {
                fire_at_pointer(b);
            }
        }
    }
}

void do_selection() {
    if (sel.pending == 0) {
        mouse_display_flag = 0;
    }
    for (int i = 0; i < BOX_COUNT; i++) {
        if (pointer_on_box(i)) {
            mouse_display_flag = 1;
            if ((mouse_b & 1) && sel.pending == 0) {
                sel.pending = BOX_COMMAND[i];
            }
        }
        if (sel.pending > 0) {
            if (!(mouse_b & 1)) {
                mouse_display_flag = 2;
            }
            if ((mouse_b & 1) && mouse_display_flag == 2) {
                mouse_display_flag = 0;
                apply_pending();
                sel.pending = 0;
            }
        }
    }
}

void deploy_bot(int k) {
    bot[k].x = scroll.x + use_mouse_x;
    bot[k].y = get_ground(bot[k].x) - 32.0f;
    bot[k].vx = 0.0f;
    bot[k].vy = 0.0f;
}
