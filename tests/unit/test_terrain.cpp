// The random ground line, the height look-up and the camera that follows the player.
#include "harness.h"

#include "terrain.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>

TEST_F(WorldTest, TerrainTakesTwoDrawsPerVertexHeightFirst) {
    scroll = scroll_t{7.0f, 7.0f};
    srand(99);
    init_ground();
    EXPECT_EQ(scroll.x, 0.0f);
    EXPECT_EQ(scroll.y, -200.0f);
    EXPECT_EQ(ground[0].x, 0.0f);
    EXPECT_EQ(ground[0].y, 50.0f);
    srand(99);
    for (int i = 1; i < GROUND_POINTS; i++) {
        const int r1 = rand();
        const int r2 = rand();
        ASSERT_EQ(ground[i].y, ground[i - 1].y + static_cast<float>(r1 % 100 - 50)) << i;
        ASSERT_EQ(ground[i].x, ground[i - 1].x + static_cast<float>(20 + r2 % 200)) << i;
        const float step = ground[i].x - ground[i - 1].x;
        const float rise = ground[i].y - ground[i - 1].y;
        ASSERT_TRUE(step >= 20.0f && step <= 219.0f) << i;
        ASSERT_TRUE(rise >= -50.0f && rise <= 49.0f) << i;
    }
    EXPECT_GE(ground[GROUND_POINTS - 1].x, 19980.0f);
    EXPECT_LE(ground[GROUND_POINTS - 1].x, 218781.0f);
}

TEST_F(WorldTest, GroundHeightInterpolatesAndExtendsTheLastSegment) {
    flat_ground(300.0f);
    ground[0].y = 50.0f;
    ground[1].y = 150.0f;
    // A segment shorter than one pixel is divided by 1; its end vertex starts the next segment.
    ground[2].x = 100.5f;
    ground[2].y = 250.0f;
    ground[3].y = 0.0f;
    // The last segment rises 10 px over 50 px.
    ground[998].x = 99850.0f;
    ground[998].y = 310.0f;

    EXPECT_EQ(get_ground(0.0f), 50.0f);
    EXPECT_EQ(get_ground(50.0f), 100.0f);
    EXPECT_EQ(get_ground(100.0f), 150.0f);
    EXPECT_EQ(get_ground(100.25f), 175.0f);
    EXPECT_EQ(get_ground(100.5f), 250.0f);
    EXPECT_EQ(get_ground(200.25f), 125.0f);
    EXPECT_EQ(get_ground(300.0f), 0.0f);
    EXPECT_EQ(get_ground(99900.0f), 300.0f);
    EXPECT_EQ(get_ground(100000.0f), 280.0f);
    EXPECT_EQ(get_ground_linear(100.5f), 250.0f);
    EXPECT_EQ(get_ground_linear(100000.0f), 280.0f);
    // Left of the terrain, and an x that compares with nothing: the first vertex's height.
    EXPECT_EQ(get_ground(-1.0f), 50.0f);
    EXPECT_EQ(get_ground(-1e30f), 50.0f);
    EXPECT_EQ(get_ground(std::numeric_limits<float>::quiet_NaN()), 50.0f);
    EXPECT_EQ(get_ground_linear(-1.0f), 50.0f);
    EXPECT_EQ(get_ground_linear(std::numeric_limits<float>::quiet_NaN()), 50.0f);
}

TEST_F(WorldTest, FastGroundLookUpMatchesTheScanBitForBit) {
    srand(2024);
    init_ground();
    auto same = [](float x) {
        ASSERT_EQ(std::bit_cast<uint32_t>(get_ground(x)),
                  std::bit_cast<uint32_t>(get_ground_linear(x)))
            << "x = " << x;
    };
    const float far = std::numeric_limits<float>::infinity();
    for (int k = 0; k < GROUND_POINTS; k++) {
        const float x = ground[k].x;
        same(x);
        same(std::nextafter(x, -far));
        same(std::nextafter(x, far));
        if (k + 1 < GROUND_POINTS) {
            same((x + ground[k + 1].x) * 0.5f);
            same(std::nextafter(ground[k + 1].x, -far));
        }
        ASSERT_EQ(get_ground(x), ground[k].y) << k;
    }
    for (int i = 0; i < 20000; i++) {
        same(static_cast<float>(rand() % 240000 - 1000) +
             static_cast<float>(rand() % 1000) / 1000.0f);
    }
    same(-far);
    same(far);
    same(std::numeric_limits<float>::quiet_NaN());
}

class CameraTest : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        flat_ground(300.0f);
        player.x = 1100.0f;
        player.y = 100.0f;
    }
    // One call from a camera at (sx, sy) with the player (ax, ay) from it, moving at (vx, vy).
    void step(float sx, float ax, float vx, float sy, float ay, float vy) {
        scroll = scroll_t{sx, sy};
        player.x = sx + ax;
        player.y = sy + ay;
        player.vx = vx;
        player.vy = vy;
        scrolling();
    }
};

TEST_F(CameraTest, DeadZoneRulesFireInSequenceAtThePlayersSpeed) {
    struct rule_case {
        float a, v, moved;
    };
    const rule_case horizontal[] = {
        {300, 0, 0},
        {201, 3, 3},
        {200, 3, 0},
        {49, -3, -3},
        {50, -3, 0},
        // The second rule sees the first rule's camera: 201 - 160 = 41 < 50 moves it back.
        {201, 160, 0},
        {201, 151, 151},
    };
    for (const auto &c : horizontal) {
        step(1000, c.a, c.v, 0, 100, 0.5f);
        EXPECT_EQ(scroll.x, 1000 + c.moved) << c.a << " " << c.v;
    }
    // Vertically 50..250 px, and no clamp at all on the camera's height.
    const rule_case vertical[] = {
        {300, 0, 0}, {251, 3, 3},   {250, 3, 0},     {49, -3, -3},
        {50, -3, 0}, {251, 210, 0}, {251, 201, 201},
    };
    for (const auto &c : vertical) {
        step(1000, 100, 0, -5000, c.a, c.v);
        EXPECT_EQ(scroll.y, -5000 + c.moved) << c.a << " " << c.v;
    }
}

TEST_F(CameraTest, WorldEndsHoldThePlayerAndTheCamera) {
    step(-1, -4, 0, 0, 100, 0);
    EXPECT_EQ(player.x, 0.0f);
    EXPECT_EQ(scroll.x, 0.0f);
    for (int i = 1; i < GROUND_POINTS; i++) {
        ground[i].x = 20.0f * static_cast<float>(i) + 20.0f; // the last vertex at 20000
    }
    // Followed to 19402, brought back to 19400, the player put 624 px right of it.
    step(19400, 630, 2, 0, 100, 0);
    EXPECT_EQ(scroll.x, 19400.0f);
    EXPECT_EQ(player.x, 20024.0f);
    step(19400, 624, 0, 0, 100, 0);
    EXPECT_EQ(player.x, 20024.0f);
    // 20000 - 19360 = 640 is not left of the screen's right edge.
    step(19360, 140, 2, 0, 100, 0);
    EXPECT_EQ(scroll.x, 19360.0f);
}

TEST_F(CameraTest, RisingPlayerIsBrakedOnlyAbove225PxOverTheGround) {
    const float vys[] = {-4.0f, -30.0f, 1.0f};
    const float after[] = {3.0f, -10.0f, 1.0f};
    for (int i = 0; i < 3; i++) {
        step(1000, 100, 0, -100, 100, vys[i]); // 300 px over the ground
        EXPECT_EQ(player.vy, after[i]) << vys[i];
    }
    step(1000, 100, 0, -100, 175, -4); // exactly 225 px over it
    EXPECT_EQ(player.vy, -4.0f);
    step(1000, 100, 0, -100, 174.5f, -4);
    EXPECT_EQ(player.vy, 3.0f);
}
