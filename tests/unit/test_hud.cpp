// The heads-up display drawn over the world: gauges, squad boxes, captions and hints,
// warnings, the double-size score and "GAME OVER".
#include "harness.h"

#include "render.h"

#include <cstring>

namespace {

int background() {
    return rgb(10, 10, 10);
}

void frame() {
    clear_to_color(buffer, background());
    display();
}

int count_colour(int x0, int y0, int x1, int y1, int c) {
    int n = 0;
    for (int y = y0; y <= y1; y++) {
        for (int x = x0; x <= x1; x++) {
            n += pixel(x, y) == c;
        }
    }
    return n;
}

// The text s in colour c with no background, at (x, y): around it (short of the next line of the
// hints, 10 px away), the pixels of colour c in the frame are exactly those of the same text drawn
// alone by the library at that spot.
void expect_text(const char *s, int x, int y, int c) {
    BITMAP *alone = create_bitmap(BUFFER_W, BUFFER_H);
    clear_to_color(alone, background());
    textout_ex(alone, font, s, x, y, c, -1);
    int lit = 0;
    int wrong = 0;
    for (int py = y - 2; py < y + 10; py++) {
        for (int px = x - 3; px < x + text_length(font, s) + 3; px++) {
            const bool want = getpixel(alone, px, py) == c;
            lit += want;
            wrong += want != (pixel(px, py) == c);
        }
    }
    destroy_bitmap(alone);
    EXPECT_GT(lit, 0) << s;
    EXPECT_EQ(wrong, 0) << s << " at " << x << "," << y;
}

class HudTest : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        init_gauge_colours();
        flat_ground(600.0f); // below the frame
        player.health = 1.0f;
        player.x = 560.0f;
        player.y = 40.0f;
        for (actor_t &b : bot) {
            b.health = 1.0f;
            b.charge = 1.0f;
        }
    }
};

TEST_F(HudTest, GaugeColoursAreSetFromTheTable) {
    const int want[GAUGE_COUNT][3] = {{225, 225, 0}, {225, 225, 0}, {196, 196, 255}, {225, 225, 0},
                                      {50, 50, 225}, {225, 225, 0}, {0, 225, 0}};
    for (scrollbar_t &g : scrollbars) {
        g.color = 0;
    }
    init_gauge_colours();
    for (int i = 0; i < GAUGE_COUNT; i++) {
        EXPECT_EQ(scrollbars[i].color, rgb(want[i][0], want[i][1], want[i][2])) << "gauge " << i;
    }
}

TEST_F(HudTest, GaugeFillIsUnclampedAndSpansRowsOneToSeven) {
    player.health = 1.5f;  // gauge 0, y 360: columns 111..200, past the frame
    bot[0].health = 1.0f;  // gauge 1, y 390: 111..170
    bot[0].charge = 0.5f;  // gauge 2, y 400: 111..140
    bot[1].health = 0.0f;  // gauge 3, y 420: a sliver over the frame's left edge, 110..111
    bot[2].charge = -0.5f; // gauge 6, y 460: runs left to column 80
    frame();
    const int white = rgb(255, 255, 255);
    const int yellow = rgb(225, 225, 0);

    EXPECT_EQ(pixel(200, 364), yellow);
    EXPECT_EQ(pixel(201, 364), background());

    for (int y = 391; y <= 397; y++) {
        EXPECT_EQ(pixel(111, y), yellow) << y;
        EXPECT_EQ(pixel(170, y), yellow) << y; // over the frame's right side
        EXPECT_EQ(pixel(171, y), background()) << y;
    }
    EXPECT_EQ(pixel(140, 390), white);
    EXPECT_EQ(pixel(140, 398), white);
    EXPECT_EQ(pixel(170, 390), white);
    EXPECT_EQ(pixel(170, 398), white);
    EXPECT_EQ(pixel(110, 394), white);

    const int shield = rgb(196, 196, 255);
    EXPECT_EQ(pixel(140, 401), shield);
    EXPECT_EQ(pixel(140, 407), shield);
    EXPECT_EQ(pixel(141, 404), background());
    EXPECT_EQ(pixel(140, 400), white);
    EXPECT_EQ(pixel(140, 408), white);

    EXPECT_EQ(pixel(110, 424), yellow);
    EXPECT_EQ(pixel(111, 424), yellow);
    EXPECT_EQ(pixel(112, 424), background());
    EXPECT_EQ(pixel(110, 420), white);

    // Below the caption's eight rows the negative fill shows from column 80 to 111.
    const int health = rgb(0, 225, 0);
    EXPECT_EQ(pixel(80, 467), health);
    EXPECT_EQ(pixel(110, 467), health);
    EXPECT_EQ(pixel(111, 467), health);
    EXPECT_EQ(pixel(79, 467), background());
    EXPECT_EQ(pixel(112, 467), background());
    EXPECT_EQ(pixel(112, 468), white);

    expect_text("PLAYER HEALTH", 0, 358, rgb(225, 225, 225));
    expect_text("HEALTH REGEN", 0, 458, rgb(225, 225, 225));
}

TEST_F(HudTest, SquadBoxesCaptionsAndHints) {
    frame();
    const int command = rgb(255, 225, 25);
    const int pickup = rgb(25, 225, 225);
    const int outline = rgb(225, 225, 255);
    for (int row = 0; row < 3; row++) {
        const int top = 390 + 30 * row;
        EXPECT_EQ(pixel(195, top + 10), command) << row;
        EXPECT_EQ(pixel(255, top + 10), pickup) << row;
        for (int left : {175, 235}) {
            EXPECT_EQ(pixel(left, top + 10), outline) << row;
            EXPECT_EQ(pixel(left + 40, top + 10), outline) << row;
            EXPECT_EQ(pixel(left + 20, top), outline) << row;
            EXPECT_EQ(pixel(left + 20, top + 20), outline) << row;
            EXPECT_EQ(pixel(left + 41, top + 10), background()) << row;
        }
    }
    expect_text("COMMAND", 175, 375, command);
    expect_text("PICKUP", 242, 375, pickup);
    expect_text("USE ASWD TO MOVE", 310, 440, command);
    expect_text("CLICK COMMAND/PICKUP BOXES TO SELECT", 310, 450, pickup);
    expect_text("BOT THEN MOUSE TO AIM", 310, 460, pickup);
    expect_text("LEFT CLICK FIRE,RIGHT POWER", 310, 470, pickup);
}

TEST_F(HudTest, LowHealthAndLowPowerWarningsBelowAQuarter) {
    const int health_colour = rgb(255, 225, 25);
    const int power_colour = rgb(255, 225, 125);
    player.x = 300.0f;
    player.y = 100.0f;
    bot[1].mode = 16;
    bot[1].first_sprite = bot[1].sprite = 12;
    bot[1].x = 300.0f;
    bot[1].y = 250.0f;
    bot[2].mode = 4; // carried bots keep quiet
    bot[2].x = 300.0f;
    bot[2].y = 330.0f;
    bot[2].health = 0.1f;
    bot[2].charge = 0.1f;

    player.health = 0.25f;
    bot[1].health = 0.25f;
    bot[1].charge = 0.25f;
    frame();
    EXPECT_EQ(count_colour(290, 90, 430, 120, health_colour), 0);
    EXPECT_EQ(count_colour(290, 240, 430, 290, health_colour), 0);
    EXPECT_EQ(count_colour(290, 240, 430, 290, power_colour), 0);
    EXPECT_EQ(count_colour(290, 320, 430, 360, health_colour), 0);
    EXPECT_EQ(count_colour(290, 320, 430, 360, power_colour), 0);

    player.health = 0.2499f;
    bot[1].health = 0.2499f;
    bot[1].charge = 0.2499f;
    frame();
    expect_text("IM LOW HEALTH!", 300, 100, health_colour);
    expect_text("IM LOW HEALTH!", 300, 250, health_colour);
    expect_text("IM LOW POWER!", 300, 265, power_colour);
    EXPECT_EQ(count_colour(290, 320, 430, 360, health_colour), 0);
    EXPECT_EQ(count_colour(290, 320, 430, 360, power_colour), 0);

    bot[1].health = 1.0f; // the charge warning alone
    frame();
    EXPECT_EQ(count_colour(290, 240, 430, 262, health_colour), 0);
    expect_text("IM LOW POWER!", 300, 265, power_colour);
}

TEST_F(HudTest, ScoreIsDoubleSizeOverTheWorldWithoutItsBackground) {
    player.x = 0.0f; // the player's sprite lies under the score
    player.y = 0.0f;
    struct Case {
        float score;
        const char *text;
    };
    const Case cases[] = {
        {0.0f, "SCORE 0"}, {1234.6f, "SCORE 1235"}, {1234567.0f, "SCORE 1234567"}};
    const int colour = rgb(225, 225, 128);
    BITMAP *alone = create_bitmap(100, 16);
    for (const Case &c : cases) {
        player.score = c.score;
        frame();
        clear_to_color(alone, background());
        textout_ex(alone, font, c.text, 0, 0, colour, -1);
        int wrong = 0;
        for (int y = 0; y < 34; y++) {
            for (int x = 0; x < 202; x++) {
                const bool lit = x < 200 && y < 32 && getpixel(alone, x / 2, y / 2) == colour;
                const bool on_player = x >= 4 && x < TEST_PLAYER_W && y < TEST_PLAYER_H;
                const int want =
                    lit ? colour : (on_player ? test_object_colour(OBJ_PLAYER) : background());
                wrong += pixel(x, y) != want;
            }
        }
        EXPECT_EQ(wrong, 0) << c.text;
    }
    destroy_bitmap(alone);
}

TEST_F(HudTest, GameOverIsRedOnWhiteAtTheCentreOnceHealthIsGone) {
    player.x = 300.0f;
    player.y = 100.0f;
    BITMAP *alone = create_bitmap(BUFFER_W, BUFFER_H);
    clear_to_color(alone, background());
    textout_centre_ex(alone, font, "GAME OVER", 320, 240, rgb(255, 0, 0), rgb(255, 255, 255));
    for (float health : {0.0f, -0.3f}) {
        player.health = health;
        frame();
        int wrong = 0;
        for (int y = 236; y < 252; y++) {
            for (int x = 270; x < 370; x++) {
                wrong += pixel(x, y) != getpixel(alone, x, y);
            }
        }
        EXPECT_EQ(wrong, 0) << health;
        expect_text("IM LOW HEALTH!", 300, 100, rgb(255, 225, 25));
    }
    destroy_bitmap(alone);

    player.health = 0.001f;
    frame();
    EXPECT_EQ(count_colour(270, 236, 370, 252, rgb(255, 0, 0)), 0);
    EXPECT_EQ(count_colour(270, 236, 370, 252, rgb(255, 255, 255)), 0);
}

} // namespace
