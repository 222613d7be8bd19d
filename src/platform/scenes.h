// The benchmarks' scenes, written over a new game through the game's own pools; the allocation
// check and the soak play them too.
#pragma once

#include "headless.h"

// Busy: the pilot hovering at x 3000 with the camera on it, the three bots deployed in view with
// their abilities on, W held (the keys steer the bots, which hover and puff), the left button
// held over open sky (they fire), 100 flyers in view, 120 bullets, 150 puffs and 30 enemy shots
// of various ages.
void scene_busy(unsigned seed);

// The busy squad with all 500 enemy slots live flyers and all 500 shot slots live bullets, all
// in view.
void scene_worst(unsigned seed);

// The worst scene with every flyer and the three bots on the player: each flyer is tested
// against four actors whose images overlap it whole.
void scene_piled(unsigned seed);

// For long runs of the busy scene: the squad healthy, deployed and charged, the flyers topped
// up to 100 through the game's own spawning.
void keep_busy();
