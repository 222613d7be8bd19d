// The ground height look-up and the camera that follows the player.
#include "harness.h"

#include "terrain.h"

#include <cmath>
#include <limits>

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

TEST_F(WorldTest, GroundHeightInterpolatesAlongTheLineAndRunsFlatLeftOfIt) {
    flat_ground(300.0f);
    ground[0].y = 50.0f;
    ground[1].y = 150.0f;
    ground[2] = {100.5f, 250.0f}; // a segment shorter than a pixel is divided by 1
    ground[3].y = 0.0f;
    ground[998] = {99850.0f, 310.0f}; // the last segment runs on past the last vertex
    const float cases[][2] = {{0, 50},       {50, 100},      {100, 150},   {100.25f, 175},
                              {100.5f, 250}, {200.25f, 125}, {300, 0},     {99900, 300},
                              {100000, 280}, {-1, 50},       {-1e30f, 50}, {NaN, 50}};
    for (const auto &c : cases) {
        EXPECT_EQ(get_ground(c[0]), c[1]) << c[0];
        EXPECT_EQ(get_ground_linear(c[0]), c[1]) << c[0];
    }
}

// One camera step from (sx, sy) with the player (ax, ay) from it, moving at (vx, vy).
void step(float sx, float ax, float vx, float sy, float ay, float vy) {
    scroll = {sx, sy};
    place(player, sx + ax, sy + ay, vx, vy);
    scrolling();
}

TEST_F(WorldTest, CameraDeadZoneRulesFollowAtThePlayersSpeedOneAfterTheOther) {
    flat_ground(300.0f);
    // Horizontally 50..200 px, vertically 50..250 px with no bound on the camera's height; the
    // second rule sees the camera the first one moved.
    const struct {
        float ax, ay, v, moved;
    } cases[] = {{300, 300, 0, 0}, {201, 251, 3, 3},   {200, 250, 3, 0},    {49, 49, -3, -3},
                 {50, 50, -3, 0},  {201, 251, 210, 0}, {201, 251, 151, 151}};
    for (const auto &c : cases) {
        step(1000, c.ax, c.v, 0, 100, 0.5f);
        EXPECT_EQ(scroll.x, 1000 + c.moved) << c.ax << " " << c.v;
        step(1000, 100, 0, -5000, c.ay, c.v);
        EXPECT_EQ(scroll.y, -5000 + c.moved) << c.ay << " " << c.v;
    }
}

TEST_F(WorldTest, WorldEndsHoldThePlayerAndTheCameraAndARisingPlayerIsBrakedHigh) {
    flat_ground(300.0f);
    step(-1, -4, 0, 0, 100, 0);
    EXPECT_EQ(std::tuple(player.x, scroll.x), std::tuple(0.0f, 0.0f));
    for (int i = 1; i < GROUND_POINTS; i++) {
        ground[i].x = 20.0f * static_cast<float>(i) + 20.0f; // the last vertex at 20000
    }
    // Followed to 19402 and brought back, the player put at 624; 640 short of the last vertex
    // is not short of the screen.
    const float sx[] = {19400, 19400, 19360}, ax[] = {630, 624, 140}, vx[] = {2, 0, 2};
    const float want_sx[] = {19400, 19400, 19360}, want_x[] = {20024, 20024, 19500};
    for (int i = 0; i < 3; i++) {
        step(sx[i], ax[i], vx[i], 0, 100, 0);
        EXPECT_EQ(std::tuple(scroll.x, player.x), std::tuple(want_sx[i], want_x[i])) << i;
    }
    // 300 - 100 - ay px over the ground, braked only while rising more than 225 px over it.
    const float ay[] = {100, 100, 100, 175, 174.5f}, vy[] = {-4, -30, 1, -4, -4};
    const float after[] = {3, -10, 1, -4, 3};
    for (int i = 0; i < 5; i++) {
        step(1000, 100, 0, -100, ay[i], vy[i]);
        EXPECT_EQ(player.vy, after[i]) << i;
    }
}

} // namespace
