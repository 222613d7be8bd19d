// The player's controls: thrust and fire from the keys and the left button, and the squad
// boxes that deploy the bots and pick them up again.
#pragma once

// Once per logic tick: W/A/S/D thrust with exhaust puffs, bot health, bot fire at the pointer.
void input();

// Once per logic tick: the two-click COMMAND/PICKUP commands of the six squad boxes.
void do_selection();

// Sets bot k down on the ground under the pointer, at rest.
void deploy_bot(int k);
