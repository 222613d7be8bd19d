// For the baseline benchmark only: the game's ground look-up replaced by the plain scan from
// the right end, which terrain.cpp keeps as the reference. terrain.cpp is compiled for this
// build with its own search renamed, so every caller outside it reaches the scan.
#include "terrain.h"

float get_ground(float x) {
    return get_ground_linear(x);
}
