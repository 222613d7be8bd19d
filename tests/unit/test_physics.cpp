// The physics step of the player and the bots: damping, gravity, the springy ground contact,
// the bots' height cap, the right-button ability switch, the abilities and the bounds.
#include "harness.h"

#include "game.h"
#include "physics.h"

#include <cmath>
#include <initializer_list>

namespace {

constexpr float GROUND_Y = 500.0f;
constexpr float CONTACT_Y = GROUND_Y - 32.0f; // where an actor's top is when it stands

// The vy to start a tick with (no spring carried in) so that gravity and damping make it
// exactly `damped`.
float raw_vy_for(float damped) {
    float v = damped / 0.95f - 0.032174f;
    for (int i = 0; i < 64; i++) {
        const float d = (v + 0.032174f + 0.0f) * 0.95f;
        if (d == damped) {
            return v;
        }
        v = std::nextafter(v, d < damped ? INFINITY : -INFINITY);
    }
    ADD_FAILURE() << "no starting vy is damped to exactly " << damped;
    return v;
}

class PhysicsStep : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        flat_ground(GROUND_Y);
        player.health = 1.0f;
        for (actor_t &b : bot) {
            b.health = 1.0f;
            b.charge = 1.0f;
        }
    }
};

TEST_F(PhysicsStep, FreeFallIsDampedAndReachesTerminalSpeed) {
    place(player, 100.0f, 0.0f, 2.0f, 0.0f);
    bot[0].mode = 8;
    place(bot[0], 300.0f, 0.0f, -2.0f, 0.0f);
    update_physics();

    const float vy = (0.0f + 0.032174f + 0.0f) * 0.95f;
    EXPECT_EQ(player.vx, 2.0f * 0.95f);
    EXPECT_EQ(player.vy, vy);
    EXPECT_EQ(player.x, 100.0f + 2.0f * 0.95f);
    EXPECT_EQ(player.y, 0.0f + vy);
    EXPECT_EQ(player.spring, 0.0f);
    EXPECT_EQ(bot[0].vx, -2.0f * 0.95f);
    EXPECT_EQ(bot[0].vy, vy);
    EXPECT_EQ(bot[0].x, 300.0f - 2.0f * 0.95f);
    EXPECT_EQ(bot[0].y, 0.0f + vy);

    // 0.95 x 0.032174 / 0.05 px per tick, long before either reaches the ground.
    for (int i = 0; i < 500; i++) {
        update_physics();
    }
    ASSERT_LT(player.y, CONTACT_Y - 10.0f);
    EXPECT_NEAR(player.vy, 0.6113f, 1e-4f);
    EXPECT_NEAR(bot[0].vy, 0.6113f, 1e-4f);
    EXPECT_NEAR(player.vx, 0.0f, 1e-6f);
}

TEST_F(PhysicsStep, LandingFromAboveGivesANegativeSpringThatPushesNextTick) {
    // 8 px above the contact line, falling at 10 px per tick after damping.
    const float raw = raw_vy_for(10.0f);
    place(player, 100.0f, CONTACT_Y - 8.0f, 0.0f, raw);
    bot[1].mode = 16;
    place(bot[1], 300.0f, CONTACT_Y - 8.0f, 0.0f, raw);
    update_physics();
    for (actor_t *a : {&player, &bot[1]}) {
        EXPECT_EQ(a->spring, -8.0f);
        EXPECT_EQ(a->vy, -4.5f); // -1.25 x 10 + 8
        EXPECT_EQ(a->y, 460.0f - 4.5f);
    }

    update_physics();
    const float vy = (-4.5f + 0.032174f + -8.0f) * 0.95f; // clear of the ground again
    for (actor_t *a : {&player, &bot[1]}) {
        EXPECT_EQ(a->spring, 0.0f);
        EXPECT_EQ(a->vy, vy);
        EXPECT_EQ(a->y, 455.5f + vy);
    }
}

TEST_F(PhysicsStep, SunkBelowTheLineAtRestIsPushedBackUp) {
    // vy 0 after damping: gravity exactly cancels the starting vy.
    place(player, 100.0f, CONTACT_Y + 4.0f, 0.0f, -0.032174f);
    bot[2].mode = 32;
    place(bot[2], 300.0f, CONTACT_Y + 4.0f, 0.0f, -0.032174f);
    update_physics();
    for (actor_t *a : {&player, &bot[2]}) {
        EXPECT_EQ(a->spring, 4.0f);
        EXPECT_EQ(a->vy, -4.0f);
        EXPECT_EQ(a->y, CONTACT_Y);
    }

    update_physics();
    // The spring of 4 cancels the push of -4; from exactly on the line it touches again.
    const float damped = (-4.0f + 0.032174f + 4.0f) * 0.95f;
    for (actor_t *a : {&player, &bot[2]}) {
        EXPECT_EQ(a->spring, 0.0f);
        EXPECT_EQ(a->vy, -1.25f * damped - 0.0f);
        EXPECT_EQ(a->y, CONTACT_Y + (-1.25f * damped - 0.0f));
    }
}

TEST_F(PhysicsStep, ReachingTheContactLineExactlyCountsAsContact) {
    const float raw = raw_vy_for(0.5f);
    const float on_line = CONTACT_Y - 0.5f;
    const float just_above = std::nextafter(on_line, 0.0f);
    ASSERT_EQ(on_line + 0.5f, CONTACT_Y);
    ASSERT_LT(just_above + 0.5f, CONTACT_Y);

    place(player, 100.0f, on_line, 0.0f, raw);
    bot[0].mode = 8;
    place(bot[0], 300.0f, on_line, 0.0f, raw);
    bot[2].mode = 32;
    place(bot[2], 500.0f, just_above, 0.0f, raw);
    update_physics();

    for (actor_t *a : {&player, &bot[0]}) {
        EXPECT_EQ(a->spring, on_line - (GROUND_Y - 32.0f));
        EXPECT_EQ(a->vy, -1.25f * 0.5f - (on_line - (GROUND_Y - 32.0f)));
    }
    EXPECT_EQ(bot[2].spring, 0.0f);
    EXPECT_EQ(bot[2].vy, 0.5f);
}

TEST_F(PhysicsStep, BotHeightCapUsesPositionAndGroundFromBeforeTheMotion) {
    // Ground 500 up to x 100, a peak at height 0 at x 200, back to 500 at x 300.
    ground[2].y = 0.0f;
    const float vyd = (-3.0f + 0.032174f + 0.0f) * 0.95f;

    // Above the cap where it stands (ground 500), though not over the ground it moves to.
    bot[0].mode = 8;
    place(bot[0], 100.0f, 270.0f, 50.0f, -3.0f);
    // Not above the cap before moving (276 is not < 275), above it after moving.
    bot[1].mode = 16;
    place(bot[1], 300.0f, 276.0f, 0.0f, -3.0f);
    // Not above the cap over the ground where it stands (250), above it where it goes (487.5).
    bot[2].mode = 32;
    place(bot[2], 150.0f, 100.0f, -50.0f, -3.0f);
    // The player has no cap in this step.
    place(player, 100.0f, 270.0f, 0.0f, -3.0f);
    update_physics();

    EXPECT_EQ(bot[0].vy, vyd * 0.5f + 5.0f);
    EXPECT_EQ(bot[0].x, 100.0f + 50.0f * 0.95f);
    EXPECT_EQ(bot[0].y, 270.0f + (vyd * 0.5f + 5.0f));
    EXPECT_EQ(bot[1].vy, vyd);
    EXPECT_EQ(bot[1].y, 276.0f + vyd);
    EXPECT_EQ(bot[2].vy, vyd);
    EXPECT_EQ(player.vy, vyd);
}

TEST_F(PhysicsStep, HeldRightButtonSwitchesEveryDeployedBotOnceEachItsOwnWay) {
    bot[0].mode = 8;
    place(bot[0], 100.0f, CONTACT_Y, 0.0f, 0.0f);
    bot[1].mode = 16 + 64;
    place(bot[1], 300.0f, CONTACT_Y, 0.0f, 0.0f);
    bot[2].mode = 4; // carried: never switched

    set_buttons(2);
    step_ticks(1, 17);
    EXPECT_EQ(mouse_right_click, 1);
    EXPECT_EQ(bot[0].mode, 8 + 64);
    EXPECT_EQ(bot[1].mode, 16);
    EXPECT_EQ(bot[2].mode, 4);

    for (int i = 0; i < 30; i++) {
        step_ticks(1, 17);
        ASSERT_EQ(mouse_right_click, 2) << "held tick " << i;
        ASSERT_EQ(bot[0].mode, 8 + 64) << "held tick " << i;
        ASSERT_EQ(bot[1].mode, 16) << "held tick " << i;
        ASSERT_EQ(bot[2].mode, 4) << "held tick " << i;
    }

    set_buttons(0);
    step_ticks(1, 17);
    EXPECT_EQ(mouse_right_click, 0);
    EXPECT_EQ(bot[0].mode, 8 + 64);

    set_buttons(2);
    step_ticks(1, 17);
    EXPECT_EQ(mouse_right_click, 1);
    EXPECT_EQ(bot[0].mode, 8);
    EXPECT_EQ(bot[1].mode, 16 + 64);
    EXPECT_EQ(bot[2].mode, 4);
}

TEST_F(PhysicsStep, CarriedBotsNeitherMoveNorSwitchNorGiveAnything) {
    bot[0].mode = 1;
    bot[0].charge = 0.3f;
    bot[1].mode = 2 + 64;
    bot[1].charge = 0.5f;
    bot[2].mode = 4 + 64;
    bot[2].charge = 0.5f;
    bot[2].health = 0.5f;
    player.health = 0.5f;
    place(bot[2], 50.0f, 60.0f, 1.0f, 2.0f);
    bot[2].spring = 3.0f;
    mouse_right_click = 1;
    update_physics();

    EXPECT_EQ(bot[1].mode, 2 + 64);
    EXPECT_EQ(bot[2].mode, 4 + 64);
    EXPECT_EQ(bot[2].x, 50.0f);
    EXPECT_EQ(bot[2].y, 60.0f);
    EXPECT_EQ(bot[2].vx, 1.0f);
    EXPECT_EQ(bot[2].vy, 2.0f);
    EXPECT_EQ(bot[2].spring, 3.0f);
    EXPECT_EQ(bot[0].charge, 0.3f);          // no POWER REGEN from a carried bot[1]
    EXPECT_EQ(bot[1].charge, 0.5f + 0.001f); // its own gain only, no drain
    EXPECT_EQ(bot[2].charge, 0.5f);
    EXPECT_EQ(bot[2].health, 0.5f);
    EXPECT_EQ(player.health, 0.5f);
}

TEST_F(PhysicsStep, AbilityOutOfChargeGoesOffInTheSameTick) {
    // Switched on with 0.001 left: drained to -0.001, cut off, then held at 0.
    bot[0].mode = 8;
    bot[0].charge = 0.001f;
    place(bot[0], 100.0f, CONTACT_Y, 0.0f, 0.0f);
    // The cut-off applies to carried bots too.
    bot[2].mode = 4 + 64;
    bot[2].charge = 0.0f;
    // A charge below 0 is raised to 0 (after bot[1]'s own gain).
    bot[1].mode = 2;
    bot[1].charge = -0.5f;
    mouse_right_click = 1;
    update_physics();

    EXPECT_EQ(bot[0].mode, 8);
    EXPECT_EQ(bot[0].charge, 0.0f);
    EXPECT_EQ(bot[2].mode, 4);
    EXPECT_EQ(bot[2].charge, 0.0f);
    EXPECT_EQ(bot[1].charge, 0.0f);
}

TEST_F(PhysicsStep, PowerRegenFeedsTheOtherBotsEvenWhileCarried) {
    bot[1].mode = 16 + 64;
    bot[1].charge = 0.5f;
    place(bot[1], 300.0f, CONTACT_Y, 0.0f, 0.0f);
    bot[0].mode = 1;
    bot[0].charge = 0.3f;
    bot[2].mode = 4;
    bot[2].charge = 0.9995f;
    update_physics();

    EXPECT_EQ(bot[1].charge, 0.5f + 0.001f - 0.002f);
    EXPECT_EQ(bot[0].charge, 0.3f + 0.001f);
    EXPECT_EQ(bot[2].charge, 1.0f);
    EXPECT_EQ(bot[1].mode, 16 + 64);
}

TEST_F(PhysicsStep, SecondBotGainsChargeEveryTickUpToOne) {
    bot[1].mode = 2; // carried
    bot[1].charge = 0.9975f;
    update_physics();
    const float one_tick = 0.9975f + 0.001f;
    EXPECT_EQ(bot[1].charge, one_tick);
    update_physics();
    EXPECT_EQ(bot[1].charge, one_tick + 0.001f);
    update_physics();
    EXPECT_EQ(bot[1].charge, 1.0f);
    update_physics();
    EXPECT_EQ(bot[1].charge, 1.0f);
}

TEST_F(PhysicsStep, HealthRegenHealsEveryoneUpToOneWithNoLowerBound) {
    bot[2].mode = 32 + 64;
    bot[2].charge = 0.5f;
    bot[2].health = 0.25f;
    place(bot[2], 300.0f, CONTACT_Y, 0.0f, 0.0f);
    player.health = 0.9995f;
    bot[0].mode = 1;
    bot[0].health = 0.5f;
    bot[1].mode = 0; // out of action, healed all the same
    bot[1].health = -2.0f;
    update_physics();

    EXPECT_EQ(player.health, 1.0f);
    EXPECT_EQ(bot[0].health, 0.5f + 0.001f);
    EXPECT_EQ(bot[1].health, -2.0f + 0.001f);
    EXPECT_EQ(bot[2].health, 0.25f + 0.001f);
    EXPECT_EQ(bot[2].charge, 0.5f - 0.002f);

    bot[2].mode = 32; // ability off: nothing lifts a health below 0
    update_physics();
    EXPECT_EQ(bot[1].health, -2.0f + 0.001f);
    EXPECT_EQ(player.health, 1.0f);
}

} // namespace
