#include "terrain.h"

#include "physics.h"
#include "world.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr int LAST_SEGMENT = GROUND_POINTS - 2;

float interpolate_segment(int k, float x) {
    float d = ground[k + 1].x - ground[k].x;
    if (d < 1.0f) {
        d = 1.0f;
    }
    return ground[k].y + ((x - ground[k].x) / d) * (ground[k + 1].y - ground[k].y);
}

} // namespace

void init_ground() {
    ground[0].x = 0.0f;
    ground[0].y = 50.0f;
    for (int i = 1; i < GROUND_POINTS; i++) {
        // Two draws per vertex, the height first: the same seed gives the same hills.
        const int r1 = rand();
        ground[i].y = ground[i - 1].y + static_cast<float>(r1 % 100 - 50);
        const int r2 = rand();
        ground[i].x = ground[i - 1].x + static_cast<float>(20 + r2 % 200);
    }
    scroll.x = 0.0f;
    scroll.y = -200.0f;
}

float get_ground_linear(float x) {
    for (int k = LAST_SEGMENT; k >= 0; k--) {
        if (x >= ground[k].x) {
            return interpolate_segment(k, x);
        }
    }
    // Left of the first vertex (or a NaN x): the ground runs on flat at the first height.
    return ground[0].y;
}

float get_ground(float x) {
    // Left of the terrain, and NaN, which compares with nothing: flat ground at the first height.
    if (!(x >= ground[0].x)) {
        return ground[0].y;
    }
    // Binary search for the largest k in 0..998 with ground[k].x <= x; it picks the same
    // segment as the scan from the right, since the vertex x values strictly increase.
    int lo = 0;
    int hi = LAST_SEGMENT;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (x >= ground[mid].x) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    return interpolate_segment(lo, x);
}

void scrolling() {
    const float ax = player.x;
    const float ay = player.y;
    const float g = get_ground(ax);

    // Horizontal dead zone 50..200 px, vertical 50..250 px; the camera moves at the player's speed.
    if (ax - scroll.x > 200.0f) {
        scroll.x += std::fabs(player.vx);
    }
    if (ax - scroll.x < 50.0f) {
        scroll.x -= std::fabs(player.vx);
    }
    if (ay - scroll.y > 250.0f) {
        scroll.y += std::fabs(player.vy);
    }
    if (ay - scroll.y < 50.0f) {
        scroll.y -= std::fabs(player.vy);
    }

    if (player.x < 0.0f) {
        player.x = 0.0f;
    }
    if (scroll.x < 0.0f) {
        scroll.x = 0.0f;
    }

    // At the right end the camera holds the last vertex on screen and the player in view.
    if (ground[GROUND_POINTS - 1].x - scroll.x < VIEW_W) {
        scroll.x -= std::fabs(player.vx);
        if (player.x - scroll.x > VIEW_W - 16.0f) {
            player.x = (scroll.x + VIEW_W) - 16.0f;
        }
    }

    // The camera moves only the player's x, so its y is still the height the ground was read at.
    brake_climb(player, g);
}
