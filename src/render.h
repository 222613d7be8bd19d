// Drawing of one frame: the world, then the heads-up display over it.
#pragma once

// Draws the whole frame into buffer; also retires old puffs and bullets and hatches old enemy
// shots into flyers, so those events happen at frame rate.
void display();

// Fills in the gauges' colours; needs the colour depth of the screen to be set.
void init_gauge_colours();
