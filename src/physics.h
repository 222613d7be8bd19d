// Motion of the player, the bots and the shots; the animation clock; the pixel hit tests.
#pragma once

#include <allegro.h>

// Once per logic tick: the player, then the deployed bots and their abilities, then the shots.
void update_physics();

// Once per animation tick: picks every actor's and live enemy's image from the clock.
void update_anim();

// Whether sprite a at (ax, ay) and sprite b at (bx, by) share an opaque pixel: TRUE or FALSE.
int sn_collision(BITMAP *a, int ax, int ay, BITMAP *b, int bx, int by);

// Whether point (px, py) lies on an opaque pixel of bmp drawn at (x, y): TRUE or FALSE.
int particle_collision(BITMAP *bmp, int x, int y, int px, int py);
