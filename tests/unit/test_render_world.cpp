// The world as one frame draws it: terrain, puffs and shots, the player and the bots, auras,
// enemies and the placement beam, read back pixel by pixel from the frame buffer.
#include "harness.h"

#include "render.h"
#include "terrain.h"

#include <cstdlib>

namespace {

// The colour the main loop clears the frame to.
int background() {
    return rgb(10, 10, 10);
}

// Number of pixels of colour c in the rectangle (x0, y0)..(x1, y1).
int count_colour(int x0, int y0, int x1, int y1, int c) {
    int n = 0;
    for (int y = y0; y <= y1; y++) {
        for (int x = x0; x <= x1; x++) {
            n += pixel(x, y) == c;
        }
    }
    return n;
}

// A fresh frame: the cleared background, then display.
void frame_at(int ms) {
    set_time(ms);
    clear_to_color(buffer, background());
    display();
}

class RenderWorldTest : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        flat_ground(400.0f);
        player.health = 1.0f; // no warnings, no GAME OVER
        player.x = 560.0f;
        player.y = 40.0f;
        for (actor_t &b : bot) {
            b.health = 1.0f; // no warnings over deployed bots
            b.charge = 1.0f;
        }
    }
};

// Only segment 998 can be drawn; it runs from start_rel to end_rel px right of the view's edge
// at height 300, and every other vertex lies far outside the window.
void one_segment(float start_rel, float end_rel) {
    for (int i = 0; i < GROUND_POINTS - 2; i++) {
        ground[i] = {scroll.x - 5000.0f, 300.0f};
    }
    ground[998] = {scroll.x + start_rel, 300.0f};
    ground[999] = {scroll.x + end_rel, 300.0f};
}

TEST_F(RenderWorldTest, TerrainIsDrawnOnlyForStartPointsInsideTheWindow) {
    const int green = rgb(128, 225, 0);
    scroll = {2000.0f, 0.0f};
    one_segment(-500.0f, 50.0f);
    frame_at(0);
    EXPECT_EQ(pixel(20, 300), background());
    EXPECT_EQ(pixel(20, 350), background());
    one_segment(-499.0f, 50.0f);
    frame_at(0);
    EXPECT_EQ(pixel(20, 300), green);
    EXPECT_NE(pixel(20, 350), background());

    // A hand-made segment running back from the right into view.
    one_segment(1000.0f, 300.0f);
    frame_at(0);
    EXPECT_EQ(pixel(500, 300), background());
    one_segment(999.0f, 300.0f);
    frame_at(0);
    EXPECT_EQ(pixel(500, 300), green);

    // At the right end the last segment ends at the last vertex; nothing starts there.
    flat_ground(300.0f);
    scroll = {99500.0f, 0.0f};
    frame_at(0);
    EXPECT_EQ(pixel(399, 300), green);
    EXPECT_EQ(pixel(410, 300), background());
    EXPECT_EQ(pixel(410, 350), background());
    EXPECT_NE(pixel(350, 350), background());
}

TEST_F(RenderWorldTest, GroundEdgeIsFiveLinesOverATextureAnchoredAtTheWorldOrigin) {
    flat_ground(300.0f);
    scroll = {37.0f, 5.5f};
    frame_at(0);
    // Surface at screen row (int)(300 - 5.5 - k) for k = 0..4.
    const int edge[5][3] = {{128, 225, 0}, {64, 200, 0}, {32, 128, 0}, {16, 64, 0}, {8, 32, 0}};
    for (int k = 0; k < 5; k++) {
        EXPECT_EQ(pixel(150, 294 - k), rgb(edge[k][0], edge[k][1], edge[k][2])) << "k " << k;
    }
    EXPECT_EQ(pixel(150, 289), background());
    // The texture's origin sits at the screen point (int)(-scroll) = (-37, -5).
    for (int y : {300, 320, 330, 355}) {
        for (int x : {0, 150, 160, 171, 500}) {
            const int which = (((x + 37) % 32) / 8 + ((y + 5) % 32) / 8) % 2;
            EXPECT_EQ(pixel(x, y), test_texture_colour(which)) << x << "," << y;
        }
    }
}

TEST_F(RenderWorldTest, ExhaustPuffsGrowFadeAndDieByAge) {
    struct Puff {
        int age, radius;
        int fill[3], rim;
        bool alive_after;
    };
    const Puff puffs[] = {
        {0, 2, {50, 40, 20}, 40, true},      {20, 1, {25, 20, 10}, 20, true},
        {100, 5, {125, 100, 50}, 100, true}, {200, 10, {250, 200, 100}, 200, true},
        {320, 10, {90, 40, 20}, 40, true},   {400, 10, {50, 0, 0}, 0, true},
        {420, 10, {50, 0, 0}, 0, false},
    };
    const int n = static_cast<int>(sizeof puffs / sizeof puffs[0]);
    for (int i = 0; i < n; i++) {
        power[i] = {50.0f + 60.0f * static_cast<float>(i),
                    100.0f,
                    0.0f,
                    0.0f,
                    static_cast<float>(1000 - puffs[i].age),
                    POWER_ALIVE | POWER_EXHAUST};
    }
    frame_at(1000);
    for (int i = 0; i < n; i++) {
        const Puff &p = puffs[i];
        const int cx = 50 + 60 * i;
        EXPECT_EQ(pixel(cx, 100), rgb(p.fill[0], p.fill[1], p.fill[2])) << "age " << p.age;
        EXPECT_EQ(pixel(cx + p.radius, 100), rgb(p.rim, p.rim, p.rim)) << "age " << p.age;
        EXPECT_EQ(pixel(cx + p.radius + 1, 100), background()) << "age " << p.age;
        EXPECT_EQ(power[i].flags, p.alive_after ? 3 : 2) << "age " << p.age;
    }
    frame_at(1000);
    EXPECT_EQ(pixel(50 + 60 * 6, 100), background()); // the dead puff is not drawn again
    EXPECT_EQ(pixel(50 + 60 * 5, 100), rgb(50, 0, 0));
}

TEST_F(RenderWorldTest, EnemyShotHatchesFiveFlyersOnceAfterTwoSeconds) {
    scroll = {-100.0f, 0.0f};
    enemy_loop = 10;
    power[7] = {-12.6f, 200.0f, 1.0f, 0.0f, 5000.0f, POWER_ALIVE | POWER_ENEMY_SHOT};
    const int blue = rgb(32, 32, 225);

    frame_at(7000); // exactly 2000 ms old: not yet
    EXPECT_EQ(power[7].flags, 9);
    EXPECT_EQ(pixel(87, 200), blue);
    EXPECT_EQ(pixel(97, 200), blue);
    EXPECT_EQ(pixel(98, 200), background());
    for (const enemy_t &e : enemy) {
        EXPECT_EQ(e.flags, 0);
    }

    frame_at(7001); // hatches, and is drawn once more
    EXPECT_EQ(power[7].flags, 8);
    EXPECT_EQ(pixel(87, 200), blue);
    for (int s = 10; s < 15; s++) {
        EXPECT_EQ(enemy[s].flags, 5) << "slot " << s;
        EXPECT_EQ(enemy[s].x, -12.0f) << "slot " << s; // truncated toward zero
        EXPECT_EQ(enemy[s].y, get_ground(-12.0f) - 10.0f) << "slot " << s;
    }
    EXPECT_EQ(enemy_loop, 14);

    frame_at(7002);
    EXPECT_EQ(pixel(87, 200), background());
    int alive = 0;
    for (const enemy_t &e : enemy) {
        alive += e.flags != 0;
    }
    EXPECT_EQ(alive, 5);
}

TEST_F(RenderWorldTest, BulletIsAStreakOfOneTickAndLivesThreeSeconds) {
    const int green = rgb(128, 255, 128);
    power[0] = {300.5f, 100.0f, 2.7f, 0.0f, 1000.0f, POWER_ALIVE | POWER_BULLET};
    frame_at(4000);
    EXPECT_EQ(pixel(300, 100), green);
    EXPECT_EQ(pixel(303, 100), green); // (int)(300.5 + 2.7)
    EXPECT_EQ(pixel(304, 100), background());
    EXPECT_EQ(pixel(299, 100), background());
    EXPECT_EQ(power[0].flags, 5);
    frame_at(4001);
    EXPECT_EQ(pixel(301, 100), green);
    EXPECT_EQ(power[0].flags, 4);
    frame_at(4002);
    EXPECT_EQ(pixel(301, 100), background());
}

TEST_F(RenderWorldTest, CarriedBotsAreIconsUnderThePlayerAndOnlyThere) {
    player.x = 100.0f;
    player.y = 100.0f;
    for (int k = 0; k < BOT_COUNT; k++) {
        bot[k].mode = 1 << k;
        bot[k].x = 300.0f + 40.0f * static_cast<float>(k);
        bot[k].y = 200.0f;
        bot[k].first_sprite = k == 0 ? 1 : (k == 1 ? 12 : 16);
        bot[k].sprite = bot[k].first_sprite;
    }
    frame_at(0);
    const int icon = test_object_colour(0);
    const int magenta = rgb(255, 0, 255); // the crop is copied with its mask colour
    // Icon corners (113, 106), (135, 108), (160, 104); crop rows 3..7 of object 0 are mask.
    EXPECT_EQ(pixel(121, 111), icon);
    EXPECT_EQ(pixel(121, 110), magenta);
    EXPECT_EQ(pixel(115, 111), test_object_colour(OBJ_PLAYER)); // the player covers it
    EXPECT_EQ(pixel(123, 111), background());
    EXPECT_EQ(pixel(140, 113), icon);
    EXPECT_EQ(pixel(140, 112), magenta);
    EXPECT_EQ(pixel(145, 113), background());
    EXPECT_EQ(pixel(140, 118), background());
    EXPECT_EQ(pixel(165, 109), icon);
    EXPECT_EQ(pixel(165, 108), magenta);
    EXPECT_EQ(pixel(170, 109), background());
    for (int k = 0; k < BOT_COUNT; k++) {
        EXPECT_EQ(pixel(305 + 40 * k, 220), background()) << "bot " << k; // no own sprite
    }

    // Deployed, holding another bot's bit, or out of action: no icon.
    bot[0].mode = 8;
    bot[1].mode = 1;
    bot[2].mode = 0;
    frame_at(0);
    EXPECT_EQ(pixel(121, 111), background());
    EXPECT_EQ(pixel(140, 113), background());
    EXPECT_EQ(pixel(165, 109), background());
    EXPECT_EQ(pixel(305, 220), test_object_colour(0)); // bot 0 stands on its own
    EXPECT_EQ(pixel(345, 220), background());
    EXPECT_EQ(pixel(385, 220), background());
}

TEST_F(RenderWorldTest, DeployedBotFacesTheWayTheKeysSteer) {
    bot[1].mode = 16;
    bot[1].first_sprite = 12;
    // A checker board of 8 px squares, 32 wide: mirrored, its top-left square changes colour.
    bot[1].sprite = OBJ_GROUND_TEXTURE;
    bot[1].x = 300.0f;
    bot[1].y = 200.0f;
    const int plain = test_texture_colour(0);    // columns 0..7 and 16..23 of the top row
    const int mirrored = test_texture_colour(1); // columns 8..15 and 24..31

    player.move_keys = 0; // standing image, object 12 - 1
    frame_at(0);
    EXPECT_EQ(pixel(305, 220), test_object_colour(11));
    EXPECT_EQ(pixel(305, 203), background());
    EXPECT_EQ(pixel(320, 220), background());

    player.move_keys = MOVE_LEFT;
    frame_at(0);
    EXPECT_EQ(pixel(300, 200), mirrored);
    EXPECT_EQ(pixel(308, 200), plain);

    player.move_keys = MOVE_RIGHT;
    frame_at(0);
    EXPECT_EQ(pixel(300, 200), plain);
    EXPECT_EQ(pixel(308, 200), mirrored);

    player.move_keys = MOVE_LEFT | MOVE_RIGHT; // both, the plain one on top
    frame_at(0);
    EXPECT_EQ(pixel(300, 200), plain);
    EXPECT_EQ(pixel(308, 200), mirrored);

    // The player's image is see-through in its four left columns, mirrored in its four right ones.
    bot[1].sprite = OBJ_PLAYER;
    const int solid = test_object_colour(OBJ_PLAYER);
    player.move_keys = MOVE_RIGHT; // no standing image beneath the walking one
    frame_at(0);
    EXPECT_EQ(pixel(301, 220), background());
    EXPECT_EQ(pixel(318, 220), solid);
    player.move_keys = MOVE_LEFT;
    frame_at(0);
    EXPECT_EQ(pixel(301, 220), solid);
    EXPECT_EQ(pixel(318, 220), background());
    player.move_keys = MOVE_LEFT | MOVE_RIGHT;
    frame_at(0);
    EXPECT_EQ(pixel(301, 220), solid);
    EXPECT_EQ(pixel(318, 220), solid);
}

TEST_F(RenderWorldTest, AurasFollowTheAbilityBitAloneAndAreTranslucent) {
    bot[0].x = 200.0f; // aura centre (208, 166)
    bot[0].y = 150.0f;
    bot[0].mode = 1;
    bot[2].x = 400.0f; // aura centre (408, 166)
    bot[2].y = 150.0f;
    bot[2].mode = 32;
    bot[2].first_sprite = bot[2].sprite = 16;
    frame_at(100);
    const int base_centre = pixel(208, 166);
    const int base_ring = pixel(248, 166);
    EXPECT_EQ(base_ring, background());
    EXPECT_EQ(pixel(448, 166), background());
    EXPECT_EQ(pixel(405, 170), test_object_colour(15)); // bot 2's standing image

    bot[0].mode = 1 | 64;  // carried
    bot[2].mode = 32 | 64; // deployed
    frame_at(100);
    const int centre = pixel(208, 166);
    const int ring = pixel(248, 166);
    EXPECT_NE(centre, base_centre);
    EXPECT_NE(ring, base_ring);
    EXPECT_NE(centre, ring); // the inner disc is blended twice
    EXPECT_NE(ring, rgb(128, 128, 164));
    EXPECT_EQ(pixel(259, 166), background()); // 51 px out
    EXPECT_NE(pixel(448, 166), background());
    EXPECT_NE(pixel(405, 170), test_object_colour(15)); // the aura lies over the bot

    // The frame ends in solid drawing.
    putpixel(buffer, 0, 479, rgb(1, 2, 3));
    EXPECT_EQ(pixel(0, 479), rgb(1, 2, 3));
}

TEST_F(RenderWorldTest, EnemiesAreDrawnByKindOverTheAuras) {
    enemy[3] = enemy_t{7, 8, 3, 0.5f, 1, 100, 150, 0, 0, 50, 0, ENEMY_ALIVE | ENEMY_GROUND};
    enemy[4] = enemy_t{7, 7, 3, 0.5f, 0, 200, 150, 0, 0, 4, 0, ENEMY_ALIVE | ENEMY_FLYER};
    enemy[5] = enemy_t{7, 7, 3, 0.5f, 0, 300, 150, 0, 0, 0, 0, ENEMY_GROUND}; // dead
    enemy[6] = enemy_t{7, 9, 3, 0.5f, 2, 395, 145, 0, 0, 50, 0, ENEMY_ALIVE | ENEMY_GROUND};
    bot[0].mode = 64;
    bot[0].x = 392.0f; // aura centred on (400, 150), inside enemy 6
    bot[0].y = 134.0f;
    frame_at(0);
    EXPECT_EQ(pixel(105, 160), test_object_colour(8));
    EXPECT_EQ(pixel(208, 158), test_object_colour(OBJ_FLYER));
    EXPECT_EQ(pixel(201, 151), background());
    EXPECT_EQ(pixel(305, 160), background());
    EXPECT_EQ(pixel(400, 150), test_object_colour(9));
}

// Placement beam: pointer at (400.7, 100) over flat ground at screen row 300.
class BeamTest : public RenderWorldTest {
  protected:
    void SetUp() override {
        RenderWorldTest::SetUp();
        flat_ground(300.0f);
        point_at(400.7f, 100.0f);
    }
    // Draws a frame at ms with the generator seeded, and returns the beam's left column
    // (int)(400.7 - 5) + jitter, the jitter being the first draw of that seed.
    int beam_frame(int ms, unsigned seed) {
        srand(seed);
        const int jitter = rand() % 5 - 2;
        const int next = rand();
        srand(seed);
        frame_at(ms);
        EXPECT_EQ(rand(), next) << "one draw per frame";
        return 395 + jitter;
    }
};

int beam_colour(bool yellow, int k) {
    return yellow ? rgb(110 + 20 * k, 110 + 20 * k, 20 * k) : rgb(20 * k, 20 * k, 110 + 20 * k);
}

int count_beam_pixels() {
    int n = 0;
    for (int k = 0; k < 7; k++) {
        n += count_colour(0, 0, 639, 479, beam_colour(false, k));
        n += count_colour(0, 0, 639, 479, beam_colour(true, k));
    }
    return n;
}

TEST_F(BeamTest, BlueBeamForPickupShimmersAlongTheRows) {
    sel.pending = 2;
    mouse_display_flag = 2;
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
        const int left = beam_frame(0, seed);
        // At time 0 row y has the phase 15y degrees: rows 12 and 300 straight, 6 right, 18 left.
        for (int k = 0; k < 7; k++) {
            EXPECT_EQ(pixel(left + k, 12), beam_colour(false, k)) << "seed " << seed;
            EXPECT_EQ(pixel(left + 13 - k, 12), beam_colour(false, k)) << "seed " << seed;
            EXPECT_EQ(pixel(left + 3 + k, 6), beam_colour(false, k));
            EXPECT_EQ(pixel(left - 3 + 13 - k, 18), beam_colour(false, k));
        }
        EXPECT_EQ(pixel(left - 1, 12), background());
        EXPECT_EQ(pixel(left + 14, 12), background());
        EXPECT_EQ(pixel(left + 6, 300), beam_colour(false, 6)); // over the ground edge
        EXPECT_EQ(pixel(left + 6, 0), background());            // row 0 is never drawn
        EXPECT_NE(pixel(left + 6, 301), beam_colour(false, 6));
    }
}

TEST_F(BeamTest, YellowBeamForCommandMovesWithTime) {
    sel.pending = 16;
    mouse_display_flag = 1;
    const int left = beam_frame(45, 9); // 2 x 45 ms adds 90 degrees to every row
    for (int k = 0; k < 7; k++) {
        EXPECT_EQ(pixel(left + k, 6), beam_colour(true, k));
        EXPECT_EQ(pixel(left - 3 + k, 12), beam_colour(true, k));
    }
}

TEST_F(BeamTest, NoBeamWithoutAnArmedOrderOrWithTheGroundOffTheTop) {
    const unsigned seed = 21;
    srand(seed);
    const int first = rand();

    sel.pending = 0; // flag 1 from hovering a box: a draw but no beam
    mouse_display_flag = 1;
    beam_frame(0, seed);
    EXPECT_EQ(count_beam_pixels(), 0);

    sel.pending = 8; // ground at the very top of the screen: gy 0
    mouse_display_flag = 2;
    scroll.y = 300.0f;
    beam_frame(0, seed);
    EXPECT_EQ(count_beam_pixels(), 0);
    scroll.y = 299.0f; // gy 1: one row
    const int left = beam_frame(0, seed);
    EXPECT_EQ(pixel(left + 6, 1), beam_colour(true, 6));
    scroll.y = 0.0f;

    mouse_display_flag = 0; // pointer free: no draw at all
    srand(seed);
    frame_at(0);
    EXPECT_EQ(rand(), first);
    EXPECT_EQ(count_beam_pixels(), 0);
}

} // namespace
