// Where everything sits in data/datafile.dat: the objects by index, and the square of the first
// bot's image that the game draws as the carried-bot icon. The game, the data file builder and
// the icon maker all read the file through these numbers.
#pragma once

constexpr int OBJ_BOT1_STAND = 0; // also the source of the carried-bot icons
constexpr int OBJ_BOT1_WALK = 1;  // 1..3
constexpr int OBJ_GROUND_TEXTURE = 4;
constexpr int OBJ_CURSOR = 5;
constexpr int OBJ_BOX_CURSOR = 6;
constexpr int OBJ_ENEMY_WALK = 7; // 7..9
constexpr int OBJ_PLAYER = 10;
constexpr int OBJ_BOT2_STAND = 11;
constexpr int OBJ_BOT2_WALK = 12; // 12..14
constexpr int OBJ_BOT3_STAND = 15;
constexpr int OBJ_BOT3_WALK = 16; // 16..18
constexpr int OBJ_FLYER = 19;
constexpr int OBJ_BUZZ = 20;
constexpr int OBJ_MUSIC = 21;
constexpr int OBJ_COUNT = 22;

constexpr int WALK_FRAMES = 3; // a walk cycle: its first index and the two after it

// The largest images of the objects the game draws as sprites and hit-tests (0..19 but the ground
// texture). Each tick every flyer is tested pixel by pixel against the player and each deployed
// bot it overlaps: the flyer's area bounds the cost of one test.
constexpr int MAX_SPRITE_SIDE = 64;
constexpr int MAX_FLYER_AREA = 400; // 20 x 20, 25 x 16, ...
// The buzz lasts at least a tenth of a second: a looping sample shorter than one step of the
// mixer is read past its end.
constexpr int BUZZ_PARTS_OF_A_SECOND = 10;

// The carried-bot icon: the ICON_SIZE square at (ICON_CROP_X, ICON_CROP_Y) of the first bot's
// standing image, drawn unmasked at each carried bot's offset from the pilot's top-left corner.
constexpr int ICON_CROP_X = 3;
constexpr int ICON_CROP_Y = 3;
constexpr int ICON_SIZE = 10;
constexpr int ICON_OFFSET[3][2] = {{13, 6}, {35, 8}, {60, 4}};
