// Small helpers the unit tests share: live shots, placing an actor, and a shot as a tuple that a
// test compares and prints in one go.
#pragma once

#include "harness.h"

#include <tuple>

// Live records of the shot pool with the given kind bit.
inline int live_shots(int kind) {
    int n = 0;
    for (const power_t &p : power) {
        n += (p.flags & POWER_ALIVE) && (p.flags & kind);
    }
    return n;
}

// An actor at (x, y) moving at (vx, vy), with no spring carried from a previous tick.
inline void put(actor_t &a, float x, float y, float vx = 0.0f, float vy = 0.0f) {
    a.x = x;
    a.y = y;
    a.vx = vx;
    a.vy = vy;
    a.spring = 0.0f;
}

inline auto fields(const power_t &p) {
    return std::tuple(p.x, p.y, p.vx, p.vy, p.born, p.flags);
}
