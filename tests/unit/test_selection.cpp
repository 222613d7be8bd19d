// The squad boxes: two-click COMMAND and PICKUP orders, tick by tick.
#include "harness.h"

#include "control.h"
#include "terrain.h"

namespace {

// Centres of the six boxes in buffer pixels, and the value each one arms.
constexpr float BOX_CENTRE[BOX_COUNT][2] = {{195, 400}, {255, 400}, {195, 430},
                                            {255, 430}, {195, 460}, {255, 460}};
constexpr int BOX_VALUE[BOX_COUNT] = {8, 1, 16, 2, 32, 4};

// One logic tick of the selection with the pointer and the buttons as given.
void tick(float x, float y, int buttons) {
    point_at(x, y);
    set_buttons(buttons);
    do_selection();
}

// Arms box b and lets go of the button, so the next left press is the target click.
void arm(int b) {
    tick(BOX_CENTRE[b][0], BOX_CENTRE[b][1], 1);
    tick(BOX_CENTRE[b][0], BOX_CENTRE[b][1], 0);
}

class SelectionTest : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        // A slope rising 10 px per 100 px to the right of the view; the camera is off the origin
        // so that a target position has to add scroll.x.
        for (int i = 0; i < GROUND_POINTS; i++) {
            ground[i].x = 100.0f * static_cast<float>(i);
            ground[i].y = 200.0f + 10.0f * static_cast<float>(i);
        }
        scroll.x = 1000.0f;
        scroll.y = -50.0f;
        for (int k = 0; k < BOT_COUNT; k++) {
            bot[k].mode = 1 << k;
            bot[k].health = 1.0f;
        }
    }
};

TEST_F(SelectionTest, TwoClickCommandDeploysTheBotAtTheTargetClick) {
    bot[0].x = 7.0f;
    bot[0].vx = 1.5f;
    bot[0].vy = -2.0f;

    tick(195, 400, 1); // press on box 0: armed, box cursor
    EXPECT_EQ(sel.pending, 8);
    EXPECT_EQ(mouse_display_flag, 1);
    EXPECT_EQ(bot[0].mode, 1);

    tick(195, 400, 0); // released over the box: waiting for the target
    EXPECT_EQ(sel.pending, 8);
    EXPECT_EQ(mouse_display_flag, 2);

    tick(320, 100, 0); // pointer moved to the target, button still up
    EXPECT_EQ(sel.pending, 8);
    EXPECT_EQ(mouse_display_flag, 2);
    EXPECT_EQ(bot[0].x, 7.0f);

    tick(320, 100, 1); // target click: world x 1320 lies 20 px into segment 13, ground 332
    EXPECT_EQ(bot[0].mode, 8);
    EXPECT_FLOAT_EQ(bot[0].x, 1320.0f);
    EXPECT_FLOAT_EQ(bot[0].y, 300.0f);
    EXPECT_EQ(bot[0].vx, 0.0f);
    EXPECT_EQ(bot[0].vy, 0.0f);
    EXPECT_EQ(sel.pending, 0);
    EXPECT_EQ(mouse_display_flag, 0);

    tick(420, 100, 1); // the button still held elsewhere: nothing is repeated
    EXPECT_FLOAT_EQ(bot[0].x, 1320.0f);
    EXPECT_EQ(sel.pending, 0);
    EXPECT_EQ(mouse_display_flag, 0);
    EXPECT_EQ(bot[1].mode, 2);
    EXPECT_EQ(bot[2].mode, 4);
}

TEST_F(SelectionTest, EveryBoxArmsItsOwnValueAndItsEdgesBelongToNoBox) {
    for (int b = 0; b < BOX_COUNT; b++) {
        sel.pending = 0;
        tick(BOX_CENTRE[b][0], BOX_CENTRE[b][1], 1);
        EXPECT_EQ(sel.pending, BOX_VALUE[b]) << "box " << b;
        EXPECT_EQ(mouse_display_flag, 1) << "box " << b;
    }
    // Just inside box 0 on each side.
    const float inside[][2] = {{175.5f, 400}, {214.9f, 400}, {195, 390.5f}, {195, 409.9f}};
    for (const auto &p : inside) {
        sel.pending = 0;
        tick(p[0], p[1], 1);
        EXPECT_EQ(sel.pending, 8) << p[0] << "," << p[1];
    }
    // Exactly on an edge, or in a gap between boxes.
    const float outside[][2] = {{215, 400}, {175, 400}, {195, 390}, {195, 410}, {235, 430},
                                {275, 460}, {255, 470}, {195, 415}, {225, 400}};
    for (const auto &p : outside) {
        sel.pending = 0;
        tick(p[0], p[1], 1);
        EXPECT_EQ(sel.pending, 0) << p[0] << "," << p[1];
        EXPECT_EQ(mouse_display_flag, 0) << p[0] << "," << p[1];
    }
}

TEST_F(SelectionTest, PointerFlagFollowsTheBoxesAndTheButtonLevelArms) {
    tick(255, 430, 0); // hovering, nothing armed
    EXPECT_EQ(mouse_display_flag, 1);
    EXPECT_EQ(sel.pending, 0);
    tick(300, 300, 0);
    EXPECT_EQ(mouse_display_flag, 0);

    // A button already held off the boxes arms the box it slides onto.
    tick(100, 430, 1);
    EXPECT_EQ(sel.pending, 0);
    EXPECT_EQ(mouse_display_flag, 0);
    tick(195, 430, 1);
    EXPECT_EQ(sel.pending, 16);
    EXPECT_EQ(mouse_display_flag, 1);

    // Armed and released: passing over another box keeps waiting for the target.
    tick(195, 430, 0);
    EXPECT_EQ(mouse_display_flag, 2);
    tick(255, 400, 0);
    EXPECT_EQ(mouse_display_flag, 2);
    EXPECT_EQ(sel.pending, 16);
}

TEST_F(SelectionTest, TargetClickOnBoxZeroIsNotTakenAndOnBoxFiveAlsoArmsIt) {
    arm(2);
    ASSERT_EQ(mouse_display_flag, 2);
    for (int held = 0; held < 2; held++) {
        tick(195, 400, 1); // on box 0: the flag is 1 before any later box can take the click
        EXPECT_EQ(sel.pending, 16);
        EXPECT_EQ(mouse_display_flag, 1);
        EXPECT_EQ(bot[1].mode, 2);
    }
    tick(195, 400, 0);
    EXPECT_EQ(mouse_display_flag, 2);
    EXPECT_EQ(sel.pending, 16);

    bot[2].mode = 32;
    tick(255, 460, 1); // on box 5: box 0 carries the order out, then box 5 arms its own
    EXPECT_EQ(bot[1].mode, 16);
    EXPECT_FLOAT_EQ(bot[1].x, 1255.0f);
    EXPECT_FLOAT_EQ(bot[1].y, 293.5f); // ground 325.5, 55 px into segment 12
    EXPECT_EQ(sel.pending, 4);
    EXPECT_EQ(mouse_display_flag, 1);
    EXPECT_EQ(bot[2].mode, 32);

    tick(255, 460, 0);
    EXPECT_EQ(mouse_display_flag, 2);
    tick(500, 100, 1);
    EXPECT_EQ(bot[2].mode, 4);
    EXPECT_EQ(sel.pending, 0);
}

TEST_F(SelectionTest, ModesAreWrittenWholeExceptAnOrderTheBotAlreadyHas) {
    // PICKUP for a deployed bot with its ability on: exactly the pickup bit, left where it was.
    bot[1].mode = 16 | 64;
    bot[1].x = 777.0f;
    bot[1].y = 55.0f;
    arm(3);
    tick(400, 100, 1);
    EXPECT_EQ(bot[1].mode, 2);
    EXPECT_EQ(bot[1].x, 777.0f);
    EXPECT_EQ(bot[1].y, 55.0f);

    // COMMAND again for a deployed bot with its ability on: mode kept, bot moved and stopped.
    bot[2].mode = 96;
    bot[2].vx = 3.0f;
    bot[2].vy = 4.0f;
    tick(400, 100, 0);
    arm(4);
    tick(500, 200, 1);
    EXPECT_EQ(bot[2].mode, 96);
    EXPECT_FLOAT_EQ(bot[2].x, 1500.0f);
    EXPECT_FLOAT_EQ(bot[2].y, 318.0f);
    EXPECT_EQ(bot[2].vx, 0.0f);
    EXPECT_EQ(bot[2].vy, 0.0f);

    // COMMAND for a carried bot with its ability on: the ability goes off.
    bot[0].mode = 1 | 64;
    tick(500, 200, 0);
    arm(0);
    tick(600, 150, 1);
    EXPECT_EQ(bot[0].mode, 8);
    EXPECT_FLOAT_EQ(bot[0].x, 1600.0f);

    // PICKUP for a bot that is already carried keeps its ability.
    bot[1].mode = 2 | 64;
    tick(600, 150, 0);
    arm(3);
    tick(400, 100, 1);
    EXPECT_EQ(bot[1].mode, 66);

    // A bot without health still takes the order; input clears it on the next tick.
    bot[2].health = 0.0f;
    bot[2].mode = 4;
    tick(400, 100, 0);
    arm(4);
    tick(300, 100, 1);
    EXPECT_EQ(bot[2].mode, 32);
    EXPECT_FLOAT_EQ(bot[2].x, 1300.0f);
}

} // namespace
