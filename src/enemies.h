// The pool of shots and effects, enemy spawning and the enemies' behaviour.
#pragma once

// What a flyer's sting or an enemy shot takes from the health of whatever it hits.
constexpr float STING_DAMAGE = 0.01f;

// What a kill adds to the player's score.
constexpr float GROUND_ENEMY_SCORE = 10.0f;
constexpr float FLYER_SCORE = 50.0f;

// Puts one record into the shot pool; kind is POWER_EXHAUST, POWER_BULLET or POWER_ENEMY_SHOT.
void create_power(float x, float y, float vx, float vy, int kind);

// Start-up values of all 500 enemy slots: every slot free, animating the ground enemy's cycle.
void reset_enemy_slots();

// Places count enemies of kind ENEMY_GROUND or ENEMY_FLYER; x is the flyers' world x.
void init_enemy(int count, int kind, int x);

// Once per logic tick: ground enemies fire and hop, flyers home in; recomputes sound_volume.
void update_enemy();

// Direction from one point toward another in whole degrees, 0..360, as every aimer in the game
// computes it: atan2 truncated toward zero, then made non-negative when the target lies above.
int aim_degrees(float dy, float dx);
