// The pixel-exact hit tests, on the harness images:
// enemy 20 x 24 all opaque; player 20 x 32 clear in columns 0..3; flyer 16 x 16 opaque only in
// the square 4..11.
#include "harness.h"

#include "physics.h"

namespace {

BITMAP *image(int n) {
    return object_bitmap(n);
}

class Collision : public WorldTest {};

TEST_F(Collision, SpritesTouchingInOneColumnHitOnlyWhereBothAreOpaque) {
    BITMAP *opaque = image(OBJ_ENEMY_WALK);
    // Right edge of a (column 19) is the left edge of b: that column is examined.
    EXPECT_EQ(sn_collision(opaque, 0, 0, opaque, 19, 0), TRUE);
    EXPECT_EQ(sn_collision(opaque, 0, 0, opaque, 0, 23), TRUE); // bottom row likewise
    // Side by side, and one pixel apart: no shared column.
    EXPECT_EQ(sn_collision(opaque, 0, 0, opaque, 20, 0), FALSE);
    EXPECT_EQ(sn_collision(opaque, 0, 0, opaque, 21, 0), FALSE);
    EXPECT_EQ(sn_collision(opaque, 0, 0, opaque, 0, 24), FALSE);
    EXPECT_EQ(sn_collision(opaque, 21, 0, opaque, 0, 0), FALSE);
    EXPECT_EQ(sn_collision(opaque, 0, 25, opaque, 0, 0), FALSE);
    // The shared column is the player's clear column 0, in either argument order.
    EXPECT_EQ(sn_collision(opaque, 0, 0, image(OBJ_PLAYER), 19, 0), FALSE);
    EXPECT_EQ(sn_collision(image(OBJ_PLAYER), 19, 0, opaque, 0, 0), FALSE);
    EXPECT_EQ(sn_collision(opaque, 0, 0, image(OBJ_PLAYER), 15, 0), TRUE); // reaches column 4
    EXPECT_EQ(sn_collision(opaque, 0, 0, image(OBJ_PLAYER), 16, 0), FALSE);
}

TEST_F(Collision, OverlappingBoxesWithClearPixelsOnOneSideDoNotHit) {
    BITMAP *flyer = image(OBJ_FLYER);
    // Opaque squares 4..11 and 12..19: the boxes overlap, the squares do not.
    EXPECT_EQ(sn_collision(flyer, 0, 0, flyer, 8, 0), FALSE);
    EXPECT_EQ(sn_collision(flyer, 0, 0, flyer, 8, 8), FALSE);
    // One shared pixel, the squares' corner (11, 11).
    EXPECT_EQ(sn_collision(flyer, 0, 0, flyer, 7, 7), TRUE);
    EXPECT_EQ(sn_collision(flyer, 0, 0, flyer, 7, 8), FALSE);
}

TEST_F(Collision, NegativePositionsWorkLikeAnyOther) {
    BITMAP *flyer = image(OBJ_FLYER);
    BITMAP *opaque = image(OBJ_ENEMY_WALK);
    // The flyer's square covers -7..0 and so reaches the enemy's corner pixel.
    EXPECT_EQ(sn_collision(flyer, -11, -11, opaque, 0, 0), TRUE);
    EXPECT_EQ(sn_collision(opaque, 0, 0, flyer, -11, -11), TRUE);
    // Square at -8..-1: the boxes still overlap, but only on the flyer's clear border.
    EXPECT_EQ(sn_collision(flyer, -12, -12, opaque, 0, 0), FALSE);
    EXPECT_EQ(sn_collision(flyer, -30, -40, opaque, -30, -40), TRUE);

    EXPECT_EQ(particle_collision(flyer, -10, -10, 0, 0), TRUE);
    EXPECT_EQ(particle_collision(flyer, -10, -10, -7, -7), FALSE); // clear border
    EXPECT_EQ(particle_collision(flyer, -10, -10, 1, 1), TRUE);
    EXPECT_EQ(particle_collision(flyer, -10, -10, 2, 1), FALSE);
}

TEST_F(Collision, PointTestIncludesLastColumnAndRowAndExcludesXPlusW) {
    BITMAP *opaque = image(OBJ_ENEMY_WALK);
    EXPECT_EQ(particle_collision(opaque, 5, 7, 5, 7), TRUE);
    EXPECT_EQ(particle_collision(opaque, 5, 7, 24, 7), TRUE);  // x + w - 1
    EXPECT_EQ(particle_collision(opaque, 5, 7, 25, 7), FALSE); // x + w
    EXPECT_EQ(particle_collision(opaque, 5, 7, 5, 30), TRUE);  // y + h - 1
    EXPECT_EQ(particle_collision(opaque, 5, 7, 5, 31), FALSE); // y + h
    EXPECT_EQ(particle_collision(opaque, 5, 7, 4, 7), FALSE);
    EXPECT_EQ(particle_collision(opaque, 5, 7, 5, 6), FALSE);
    // Inside the box, on the mask colour and beside it.
    EXPECT_EQ(particle_collision(image(OBJ_PLAYER), 5, 7, 8, 20), FALSE);
    EXPECT_EQ(particle_collision(image(OBJ_PLAYER), 5, 7, 9, 20), TRUE);
}

} // namespace
