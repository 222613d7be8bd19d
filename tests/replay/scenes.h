// Scenes for the benchmarks, the allocation check and the soak, set up by writing the globals
// over a new game: the opening, a busy fight and the worst case the pools allow.
#pragma once

#include "headless.h"

// The world right after start-up.
void scene_opening(unsigned seed);

// Three bots deployed, hovering on W with their abilities on and firing at the pointer with the
// left button held; 100 flyers in view; 300 live shots and puffs (120 bullets, 150 puffs, 30 enemy
// shots).
void scene_busy(unsigned seed);

// The busy squad, with all 500 enemy slots live flyers in view and all 500 shot slots live
// bullets in view.
void scene_worst(unsigned seed);

// For long runs of the busy scene: the player and the squad healthy, deployed and charged, and
// the flyers topped up to 100 through the game's own spawning.
void keep_busy();

// A copy of every world record, the loop's globals and the hands; restoring also reseeds the
// random generator, so a restored scene plays the same way every time.
void save_world(unsigned seed);
void restore_world();
