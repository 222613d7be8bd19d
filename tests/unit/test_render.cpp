// One frame as display draws it, read back from the frame buffer: the terrain's window, exhaust
// puffs ageing at frame rate and the placement beam.
#include "harness.h"

#include "render.h"

#include <cstdlib>

namespace {

class Render : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        flat_ground(400.0f);
        player.health = 1.0f; // no warnings, no GAME OVER
    }
    void frame_at(int ms) {
        set_time(ms);
        clear_to_color(buffer, background());
        display();
    }
};

TEST_F(Render, TerrainIsDrawnForSegmentsStartingStrictlyInsideTheWindowUpToTheLastVertex) {
    scroll = {2000.0f, 0.0f};
    const float start[] = {-500, -499, 1000, 999}, end[] = {50, 50, 300, 300};
    for (int i = 0; i < 4; i++) {
        for (ground_point_t &g : ground) {
            g = {-3000.0f, 300.0f};
        }
        ground[998] = {2000 + start[i], 300.0f}; // only the last segment can show
        ground[999] = {2000 + end[i], 300.0f};
        frame_at(0);
        const int x = i < 2 ? 20 : 500;
        EXPECT_EQ(pixel(x, 300) == rgb(128, 225, 0), i % 2 == 1) << start[i];
        EXPECT_EQ(pixel(x, 350) != background(), i % 2 == 1) << start[i];
    }
    flat_ground(300.0f); // the last vertex at screen column 400
    scroll = {99500.0f, 0.0f};
    frame_at(0);
    EXPECT_EQ(std::tuple(pixel(399, 300), pixel(401, 300), pixel(401, 350)),
              std::tuple(rgb(128, 225, 0), background(), background()));
}

TEST_F(Render, BulletsRetireAfterThreeSecondsAndEnemyShotsHatchFiveFlyersAfterTwo) {
    power[0] = {100, 100, 0, 0, 1000, POWER_ALIVE | POWER_BULLET};
    power[1] = {200, 100, 0, 0, 1001, POWER_ALIVE | POWER_BULLET};
    power[2] = {300.7f, 100, 0, 0, 2000, POWER_ALIVE | POWER_ENEMY_SHOT};
    power[3] = {400, 100, 0, 0, 2001, POWER_ALIVE | POWER_ENEMY_SHOT};
    frame_at(4001); // three seconds and one ms after the first bullet, two after the first shot
    EXPECT_EQ(std::tuple(power[0].flags, power[1].flags, power[2].flags, power[3].flags),
              std::tuple(POWER_BULLET, POWER_ALIVE | POWER_BULLET, POWER_ENEMY_SHOT,
                         POWER_ALIVE | POWER_ENEMY_SHOT));
    const census_t c = take_census();
    EXPECT_EQ(std::tuple(c.flyers, c.bullets, c.enemy_shots), std::tuple(5, 1, 1));
    for (int s = 0; s < 5; s++) { // hatched at the shot's x, whole pixels
        EXPECT_EQ(std::tuple(enemy[s].flags, enemy[s].x),
                  std::tuple(ENEMY_ALIVE | ENEMY_FLYER, 300.0f));
    }
    frame_at(4002); // the rest go one frame later, not before
    EXPECT_EQ(std::tuple(take_census().flyers, take_census().bullets), std::tuple(10, 0));
}

TEST_F(Render, ExhaustPuffsGrowFadeAndDieByAge) {
    // clang-format off
    const struct { float age; int radius, r, g, b, rim, flags; } puffs[] = {
        {0, 2, 50, 40, 20, 40, 3},       {20, 1, 25, 20, 10, 20, 3},   {100, 5, 125, 100, 50, 100, 3},
        {200, 10, 250, 200, 100, 200, 3}, {320, 10, 90, 40, 20, 40, 3}, {400, 10, 50, 0, 0, 0, 3},
        {420, 10, 50, 0, 0, 0, 2}}; // drawn once more, then gone
    // clang-format on
    for (int i = 0; i < 7; i++) {
        const float x = 50.0f + 60.0f * static_cast<float>(i);
        power[i] = {x, 100, 0, 0, 1000.0f - puffs[i].age, POWER_ALIVE | POWER_EXHAUST};
    }
    frame_at(1000);
    for (int i = 0; i < 7; i++) {
        const auto &p = puffs[i];
        const int x = 50 + 60 * i;
        EXPECT_EQ(std::tuple(pixel(x, 100), pixel(x + p.radius, 100), pixel(x + p.radius + 1, 100),
                             power[i].flags),
                  std::tuple(rgb(p.r, p.g, p.b), rgb(p.rim, p.rim, p.rim), background(), p.flags))
            << p.age;
    }
    frame_at(1000);
    EXPECT_EQ(pixel(50 + 60 * 6, 100), background());
}

TEST_F(Render, EveryDeployedBotStandsInItsStillImageWhileThePlayerKeepsItsCourse) {
    for (int k = 0; k < BOT_COUNT; k++) {
        place(bot[k], 100.0f + 50.0f * static_cast<float>(k), 100);
        bot[k].mode = command_bit(k);
        bot[k].first_sprite = OBJ_BOT2_WALK;
        bot[k].health = bot[k].charge = 1.0f; // no warnings
    }
    frame_at(0);
    for (int k = 0; k < BOT_COUNT; k++) {
        EXPECT_EQ(pixel(108 + 50 * k, 120), test_object_colour(OBJ_BOT2_WALK - 1)) << k;
    }
}

// Carried bots ride as icons at their places on the pilot (the first partly under it); the
// lower rows of each show the first bot's opaque image. GAME OVER is red on white.
TEST_F(Render, CarriedBotsRideAsIconsAndGameOverIsRedOnWhite) {
    place(player, 100, 100);
    for (int k = 0; k < BOT_COUNT; k++) {
        bot[k].mode = pickup_bit(k);
    }
    frame_at(0);
    const int icon = test_object_colour(OBJ_BOT1_STAND);
    EXPECT_EQ(std::tuple(pixel(121, 111), pixel(144, 113), pixel(169, 109)),
              std::tuple(icon, icon, icon));
    player.health = 0.0f;
    frame_at(0);
    EXPECT_GT(count_colour(280, 240, 360, 247, rgb(255, 0, 0)), 0);
    EXPECT_GT(count_colour(280, 240, 360, 247, rgb(255, 255, 255)), 0);
}

// Health and power warnings show strictly below a quarter, over the player and the commanded
// bots only: bot 0 sits on the edge, bot 1 just under it, bot 2 is low but carried.
TEST_F(Render, WarningsShowStrictlyBelowAQuarterOverThePlayerAndCommandedBots) {
    const int health_text = rgb(255, 225, 25), power_text = rgb(255, 225, 125);
    const float level[] = {0.25f, 0.2499f, 0.1f};
    for (int k = 0; k < BOT_COUNT; k++) {
        place(bot[k], 100.0f + 150.0f * static_cast<float>(k), 100);
        bot[k].mode = k < 2 ? command_bit(k) : 0;
        bot[k].first_sprite = OBJ_BOT2_WALK;
        bot[k].health = bot[k].charge = level[k];
    }
    place(player, 100, 250);
    player.health = 0.2499f;
    frame_at(0);
    for (int k = 0; k < BOT_COUNT; k++) {
        const int x = 100 + 150 * k;
        EXPECT_EQ(count_colour(x, 100, x + 111, 107, health_text) > 0, k == 1) << k;
        EXPECT_EQ(count_colour(x, 115, x + 103, 122, power_text) > 0, k == 1) << k;
    }
    EXPECT_GT(count_colour(100, 250, 211, 257, health_text), 0);
    player.health = 0.25f;
    frame_at(0);
    EXPECT_EQ(count_colour(100, 250, 211, 257, health_text), 0);
}

TEST_F(Render, PlacementBeamShowsTheArmedOrderDownToTheGroundUnderThePointer) {
    flat_ground(300.0f);
    point_at(400.7f, 100.0f);
    auto colour = [](bool yellow, int k) {
        return yellow ? rgb(110 + 20 * k, 110 + 20 * k, 20 * k) : rgb(20 * k, 20 * k, 110 + 20 * k);
    };
    // A frame with the order and pointer flag given; the jitter of the beam is one draw, made
    // only while the pointer is busy. Row y swings by 3 sin(15 y + 2 ms) px.
    auto beam = [&](int pending, int flag, int ms) {
        sel.pending = pending;
        mouse_display_flag = flag;
        std::srand(9);
        const int first = std::rand(), next = std::rand();
        std::srand(9);
        frame_at(ms);
        EXPECT_EQ(std::rand(), flag ? next : first);
        return 395 + first % 5 - 2;
    };
    int left = beam(2, 2, 0); // at 0 ms rows 12 and 300 are straight, 6 is 3 px right
    for (int k = 0; k < 7; k++) {
        const int c = colour(false, k);
        EXPECT_EQ(std::tuple(pixel(left + k, 12), pixel(left + 13 - k, 12), pixel(left + 3 + k, 6)),
                  std::tuple(c, c, c))
            << k;
    }
    EXPECT_EQ(std::tuple(pixel(left + 6, 300), pixel(left + 6, 0)),
              std::tuple(colour(0, 6), background()));
    EXPECT_NE(pixel(left + 6, 301), colour(false, 6));
    left = beam(16, 1, 45); // 90 degrees on: row 6 straight
    EXPECT_EQ(pixel(left + 6, 6), colour(true, 6));
    for (const int order : {1, 2, 4, 8, 16, 32}) { // blue to pick up, yellow to command
        left = beam(order, 1, 0);
        EXPECT_EQ(pixel(left + 6, 12), colour(order > 4, 6)) << order;
    }
    left = beam(0, 1, 0); // hovering a box, nothing armed
    EXPECT_EQ(pixel(left + 6, 12), background());
    left = beam(16, 0, 0); // the pointer free
    EXPECT_EQ(pixel(left + 6, 12), background());
    scroll.y = 299.0f; // the ground on row 1: one row of beam
    left = beam(16, 2, 0);
    EXPECT_EQ(pixel(left + 6, 1), colour(true, 6));
}

} // namespace
