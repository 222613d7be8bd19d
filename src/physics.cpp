#include "physics.h"

#include "enemies.h"
#include "terrain.h"
#include "world.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr float DAMPING = 0.95f;
constexpr float CONTACT_LINE = 32.0f;
constexpr float ABILITY_DRAIN = 0.002f;
constexpr float REGEN = 0.001f;

// Springy ground: the test looks one step ahead, the spring is measured from where the actor
// is now, so an actor about to land gets a negative spring that softens the bounce.
void ground_contact(actor_t &a, float g) {
    if (a.y + a.vy < g - CONTACT_LINE) {
        a.spring = 0.0f;
    } else {
        a.spring = a.y - (g - CONTACT_LINE);
        a.vy = -1.25f * a.vy - a.spring;
    }
}

// Damping, gravity and last tick's spring, then the ground: returns the ground height under a.
float fall_and_bounce(actor_t &a) {
    a.vx = a.vx * DAMPING;
    a.vy = (a.vy + GRAVITY + a.spring) * DAMPING;
    const float g = get_ground(a.x);
    ground_contact(a, g);
    return g;
}

void advance(actor_t &a) {
    a.x = a.x + a.vx;
    a.y = a.y + a.vy;
}

void move_player() {
    fall_and_bounce(player);
    advance(player);
}

void apply_ability(int k) {
    bot[k].charge -= ABILITY_DRAIN;
    if (k == 1) {
        bot[0].charge += REGEN;
        bot[2].charge += REGEN;
    } else if (k == 2) {
        bot[0].health += REGEN;
        bot[1].health += REGEN;
        bot[2].health += REGEN;
        player.health += REGEN;
    }
}

void move_deployed_bot(int k) {
    actor_t &b = bot[k];
    brake_climb(b, fall_and_bounce(b));
    advance(b);

    if (mouse_right_click == 1) {
        if (b.mode & MODE_ABILITY) {
            b.mode -= MODE_ABILITY;
        } else {
            b.mode += MODE_ABILITY;
        }
    }
    if (b.mode & MODE_ABILITY) {
        apply_ability(k);
    }
}

void move_bots() {
    bot[1].charge += REGEN;
    for (int k = 0; k < BOT_COUNT; k++) {
        if (has_command_mode(bot[k].mode)) {
            move_deployed_bot(k);
        }
    }
    for (actor_t &b : bot) {
        if ((b.mode & MODE_ABILITY) && b.charge <= 0.0f) {
            b.mode -= MODE_ABILITY;
        }
    }
    for (actor_t &b : bot) {
        if (b.charge < 0.0f) {
            b.charge = 0.0f;
        }
    }
    for (actor_t &b : bot) {
        if (b.charge > 1.0f) {
            b.charge = 1.0f;
        }
    }
    for (actor_t *a : {&player, &bot[0], &bot[1], &bot[2]}) {
        if (a->health > 1.0f) {
            a->health = 1.0f;
        }
    }
}

bool shot_hits(BITMAP *mask, float tx, float ty, const power_t &p) {
    return particle_collision(mask, screen_x(tx), screen_y(ty), screen_x(p.x), screen_y(p.y)) != 0;
}

void move_shot(power_t &p) {
    p.vx = p.vx * 0.99f;
    p.x = p.x + p.vx;
    p.vy = p.vy * 0.99f + GRAVITY;
    p.y = p.y + p.vy;

    // Whatever lands hops and slides along the ground; puffs are kicked sideways at random.
    const float g = get_ground(p.x);
    if (p.y > g) {
        p.y = g;
        p.vy = p.vy - 1.0f;
        if (p.flags & POWER_EXHAUST) {
            p.vx = p.vx + static_cast<float>(rand() % 21 - 10);
        }
    }
}

void enemy_shot_hits(power_t &p, BITMAP *mask, actor_t &target) {
    if (shot_hits(mask, target.x, target.y, p)) {
        target.health -= STING_DAMAGE;
        if (p.flags & POWER_ALIVE) {
            p.flags -= POWER_ALIVE;
        }
    }
}

void test_enemy_shot(power_t &p) {
    enemy_shot_hits(p, object_bitmap(OBJ_PLAYER), player);
    for (int k = 0; k < BOT_COUNT; k++) {
        if (bot[k].mode & command_bit(k)) {
            enemy_shot_hits(p, object_bitmap(bot[k].sprite), bot[k]);
        }
    }
}

// A flyer's hit mask is always the flyer image, even before the animation step has set its
// sprite in the first ticks after hatching.
BITMAP *enemy_mask(const enemy_t &e) {
    return object_bitmap((e.flags & ENEMY_FLYER) ? OBJ_FLYER : e.sprite);
}

void test_bullet(power_t &p) {
    const int px = screen_x(p.x);
    const int py = screen_y(p.y);
    for (enemy_t &e : enemy) {
        if (!(e.flags & ENEMY_ALIVE)) {
            continue;
        }
        if (!particle_collision(enemy_mask(e), screen_x(e.x), screen_y(e.y), px, py)) {
            continue;
        }
        if (p.flags & POWER_ALIVE) {
            p.flags -= POWER_ALIVE;
        }
        e.health -= 1.0f;
        if (e.health <= 0.0f) {
            if (e.flags & ENEMY_GROUND) {
                player.score += GROUND_ENEMY_SCORE;
            }
            if (e.flags & ENEMY_FLYER) {
                player.score += FLYER_SCORE;
            }
            e.flags -= ENEMY_ALIVE;
        }
    }
}

void move_shots() {
    for (power_t &p : power) {
        if (!(p.flags & POWER_ALIVE)) {
            continue;
        }
        move_shot(p);
        if (p.flags & POWER_ENEMY_SHOT) {
            test_enemy_shot(p);
        } else if (p.flags & POWER_BULLET) {
            test_bullet(p);
        }
    }
}

template <typename Record> void step_animation(Record &r) {
    const int p = static_cast<int>(frame.load() * r.anim_speed);
    r.anim_pos = p % r.sprite_count;
    r.sprite = r.first_sprite + r.anim_pos;
}

} // namespace

void brake_climb(actor_t &a, float g) {
    if (a.y < g - CLIMB_LIMIT && a.vy < 0.0f) {
        a.vy = a.vy * CLIMB_DAMPING + CLIMB_PUSH;
    }
}

void update_physics() {
    move_player();
    move_bots();
    move_shots();
}

void update_anim() {
    step_animation(player);
    for (actor_t &b : bot) {
        step_animation(b);
    }
    for (enemy_t &e : enemy) {
        if ((e.flags & ENEMY_ALIVE) && (e.flags & ENEMY_GROUND)) {
            step_animation(e);
        }
        if ((e.flags & ENEMY_ALIVE) && (e.flags & ENEMY_FLYER)) {
            e.sprite = OBJ_FLYER;
        }
    }
}

int sn_collision(BITMAP *a, int ax, int ay, BITMAP *b, int bx, int by) {
    const int mask = bitmap_mask_color(a);
    const int ar = ax + a->w - 1;
    const int ab = ay + a->h - 1;
    const int br = bx + b->w - 1;
    const int bb = by + b->h - 1;
    if (ax > br || ar < bx) {
        return FALSE;
    }
    if (ay > bb || ab < by) {
        return FALSE;
    }
    const int left = std::max(ax, bx);
    const int right = std::min(ar, br);
    const int top = std::max(ay, by);
    const int bottom = std::min(ab, bb);
    for (int y = top; y <= bottom; y++) {
        for (int x = left; x <= right; x++) {
            if (getpixel(a, x - ax, y - ay) == mask) {
                continue;
            }
            if (getpixel(b, x - bx, y - by) != mask) {
                return TRUE;
            }
        }
    }
    return FALSE;
}
