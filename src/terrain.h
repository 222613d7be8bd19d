// The ground line of the world and the camera that follows the player.
#pragma once

// Fills the 1000 terrain vertices by a random walk and puts the camera at (0, -200).
void init_ground();

// Ground height at world x, interpolated along the terrain polyline.
float get_ground(float x);

// The same look-up as a plain scan from the right end; kept as the reference for the faster one.
float get_ground_linear(float x);

// Once per logic tick: the camera follows the player, the player is kept inside the world.
void scrolling();
