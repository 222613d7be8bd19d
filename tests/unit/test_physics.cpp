// The physics step of the player and the bots (damping, gravity, the springy ground, the bots'
// height cap, abilities and their bounds).
#include "harness.h"

#include "physics.h"

#include <cmath>

namespace {

constexpr float G = 0.032174f, D = 0.95f;
constexpr float LINE = 468.0f; // on ground at 500 an actor's top is here

class Physics : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        flat_ground(500.0f);
        player.health = 1.0f;
        for (actor_t &b : bot) {
            b.health = b.charge = 1.0f;
        }
    }
};

auto motion(const actor_t &a) {
    return std::tuple(a.x, a.y, a.vy, a.spring);
}

TEST_F(Physics, PlayerAndDeployedBotsFallDampedAndBounceOffTheSpringyGround) {
    const float v = (10.0f + G + 0.0f) * D; // falls about 10 px this tick
    const float on = LINE - v, above = std::nextafter(on, 0.0f), x = 100 + 2 * D;
    // clang-format off
    const struct { float y, vy, spring, want_y, want_vy, want_spring; } cases[] = {
        {0, 0, 0, G * D, G * D, 0},                               // free fall
        {400, 0, -8, 400 + (G - 8) * D, (G - 8) * D, 0},         // last tick's spring pushes
        {460, 10, 0, 460 + (8 - 1.25f * v), 8 - 1.25f * v, -8},  // lands: spring from here
        {472, -G, 0, LINE, -4, 4},                                // sunk at rest: pushed up
        {on, 10, 0, on + (-1.25f * v - (on - LINE)), -1.25f * v - (on - LINE), on - LINE},
        {above, 10, 0, above + v, v, 0}};                         // just short of the line
    // clang-format on
    bot[0].mode = 8;
    for (const auto &c : cases) {
        for (actor_t *a : {&player, &bot[0]}) {
            place(*a, 100, c.y, 2, c.vy);
            a->spring = c.spring;
        }
        update_physics();
        const auto want = std::tuple(x, c.want_y, c.want_vy, c.want_spring);
        EXPECT_EQ(motion(player), want) << c.y;
        EXPECT_EQ(motion(bot[0]), want) << c.y;
    }
}

TEST_F(Physics, BotsAreBrakedAbove225PxOverTheGroundWhereTheyStoodBeforeMoving) {
    ground[2].y = 0.0f; // a peak at x 200 between ground 500 at x 100 and at x 300
    const float vy = (-3.0f + G + 0.0f) * D, braked = vy * 0.5f + 5.0f;
    for (int k = 0; k < BOT_COUNT; k++) {
        bot[k].mode = command_bit(k);
    }
    place(bot[0], 100, 270, 50, -3);  // over the cap where it stands, not where it goes
    place(bot[1], 300, 275, 0, -3);   // exactly at the cap before moving, over it after
    place(bot[2], 150, 100, -50, -3); // under the cap over the slope (250), not where it goes
    place(player, 100, 270, 0, -3);   // the player's brake is the camera's
    update_physics();
    EXPECT_EQ(std::tuple(bot[0].vy, bot[1].vy, bot[2].vy, player.vy),
              std::tuple(braked, vy, vy, vy));
    EXPECT_EQ(bot[0].y, 270 + braked);
}

auto charges() {
    return std::tuple(bot[0].charge, bot[1].charge, bot[2].charge);
}

TEST_F(Physics, AbilitiesFeedAndHealWithinBoundsAndStopWhenTheChargeRunsOut) {
    // Power regen of a deployed bot 2 feeds the others after its own gain; charges stop at 1.
    place(bot[1], 300, LINE);
    bot[0].mode = 1;
    bot[1].mode = 16 + 64;
    bot[2].mode = 4;
    std::tie(bot[0].charge, bot[1].charge, bot[2].charge) = std::tuple(0.3f, 0.5f, 0.9995f);
    update_physics();
    EXPECT_EQ(charges(), std::tuple(0.3f + 0.001f, 0.5f + 0.001f - 0.002f, 1.0f));

    // Health regen heals everyone, in action or not, up to 1 but from any depth.
    place(bot[2], 500, LINE);
    bot[1].mode = 0;
    bot[2].mode = 32 + 64;
    bot[2].charge = 0.5f;
    std::tie(player.health, bot[0].health, bot[1].health, bot[2].health) =
        std::tuple(0.9995f, 0.5f, -2.0f, 0.25f);
    update_physics();
    EXPECT_EQ(std::tuple(player.health, bot[0].health, bot[1].health, bot[2].health),
              std::tuple(1.0f, 0.5f + 0.001f, -2.0f + 0.001f, 0.25f + 0.001f));
    EXPECT_EQ(bot[2].charge, 0.5f - 0.002f);

    // Out of charge an ability goes off in the same tick, carried or not, the charge held at 0;
    // a carried bot is neither switched, drained nor moved.
    place(bot[0], 100, LINE);
    place(bot[1], 50, 60, 1, 2);
    std::tie(bot[0].mode, bot[1].mode, bot[2].mode) = std::tuple(8, 2 + 64, 4 + 64);
    std::tie(bot[0].charge, bot[1].charge, bot[2].charge) = std::tuple(0.001f, 0.5f, 0.0f);
    mouse_right_click = 1;
    update_physics();
    EXPECT_EQ(std::tuple(bot[0].mode, bot[1].mode, bot[2].mode), std::tuple(8, 2 + 64, 4));
    EXPECT_EQ(std::tuple(bot[0].charge, bot[1].charge, bot[2].charge, bot[1].y),
              std::tuple(0.0f, 0.5f + 0.001f, 0.0f, 60.0f));
}

} // namespace
