#include "harness.h"

#include "terrain.h"

// A freshly started game, as start-up leaves it.
TEST(FreshGame, ActorsSlotsAndCameraStartAsTheGameBegins) {
    fresh_game(7);
    EXPECT_EQ(player.x, 0.0f);
    EXPECT_EQ(player.y, 0.0f);
    EXPECT_EQ(player.vx, 0.0f);
    EXPECT_EQ(player.health, 1.0f);
    EXPECT_EQ(player.score, 0.0f);
    for (int k = 0; k < BOT_COUNT; k++) {
        EXPECT_EQ(bot[k].mode, 1 << k);
        EXPECT_EQ(bot[k].health, 1.0f);
        EXPECT_EQ(bot[k].charge, 1.0f);
    }
    EXPECT_EQ(bot[0].first_sprite, 1);
    EXPECT_EQ(bot[1].first_sprite, 12);
    EXPECT_EQ(bot[2].first_sprite, 16);
    EXPECT_EQ(scroll.x, 0.0f);
    EXPECT_EQ(scroll.y, -200.0f);
    for (int i = 0; i < ENEMY_SLOTS; i++) {
        EXPECT_EQ(enemy[i].flags, i < 20 ? 3 : 0) << "slot " << i;
        EXPECT_EQ(enemy[i].first_sprite, 7);
    }
    for (const power_t &p : power) {
        EXPECT_EQ(p.flags, 0);
    }
}
