// Motion of the player, the bots and the shots; the animation clock; the pixel hit tests.
#pragma once

#include <allegro.h>

struct actor_t;

// Gravity's pull on everything that falls, in px per tick per tick.
constexpr float GRAVITY = 0.032174f;

// Nothing may climb more than CLIMB_LIMIT px over the ground under it: a rising actor above it
// keeps CLIMB_DAMPING of its upward speed and is pushed CLIMB_PUSH px per tick back down.
constexpr float CLIMB_LIMIT = 225.0f;
constexpr float CLIMB_DAMPING = 0.5f;
constexpr float CLIMB_PUSH = 5.0f;

// The climb limit for actor a over ground height g, both taken before this tick's motion.
void brake_climb(actor_t &a, float g);

// Once per logic tick: the player, then the deployed bots and their abilities, then the shots.
void update_physics();

// Once per animation tick: picks every actor's and live enemy's image from the clock.
void update_anim();

// Whether sprite a at (ax, ay) and sprite b at (bx, by) share an opaque pixel: TRUE or FALSE.
int sn_collision(BITMAP *a, int ax, int ay, BITMAP *b, int bx, int by);

// Whether point (px, py) lies on an opaque pixel of bmp drawn at (x, y): TRUE or FALSE.
// Every live bullet asks this of every live enemy each tick, and nearly every call ends at the
// box test, so it is inline and looks at the box before it fetches the mask colour.
inline int particle_collision(BITMAP *bmp, int x, int y, int px, int py) {
    if (x > px || x + bmp->w - 1 < px) {
        return FALSE;
    }
    if (y > py || y + bmp->h - 1 < py) {
        return FALSE;
    }
    return getpixel(bmp, px - x, py - y) != bitmap_mask_color(bmp) ? TRUE : FALSE;
}
