// Whole roads through the game, played tick by tick with the seed and the clock under control:
// a bot's bullets from the click that deploys it to the kill, and an enemy shot from its firing
// to the flyers it hatches and their sting.
#include "harness.h"

#include "enemies.h"
#include "terrain.h"

namespace {

constexpr unsigned SEED = 3;

class Scenario : public WorldTest {
  protected:
    int ticks = 0;

    // One pass of the main loop: a logic tick, an animation tick on every other pass (30 per
    // second against 60), then the frame; the clock then moves on by 1/60 s.
    void logic_and_anim() {
        step_ticks(1);
        if (ticks % 2 == 1) {
            step_anim(1);
        }
    }
    void frame_and_clock() {
        draw_frame();
        ticks++;
        set_time(ticks * 1000 / 60);
    }
    void play_tick() {
        logic_and_anim();
        frame_and_clock();
    }

    // A fresh game in which only one ground enemy, well inside the view, takes part.
    enemy_t &game_with_one_enemy() {
        fresh_game(SEED);
        int chosen = -1;
        for (int i = 0; i < ENEMY_SLOTS; i++) {
            const float sx = enemy[i].x - scroll.x;
            if ((enemy[i].flags & ENEMY_ALIVE) && chosen < 0 && sx > 100.0f && sx < 520.0f) {
                chosen = i;
            } else if (enemy[i].flags & ENEMY_ALIVE) {
                enemy[i].flags -= ENEMY_ALIVE;
            }
        }
        EXPECT_GE(chosen, 0);
        return enemy[chosen < 0 ? 0 : chosen];
    }
};

int live_flyers() {
    int n = 0;
    for (const enemy_t &e : enemy) {
        n += (e.flags & ENEMY_ALIVE) && (e.flags & ENEMY_FLYER);
    }
    return n;
}

power_t *live_enemy_shot() {
    for (power_t &p : power) {
        if ((p.flags & POWER_ALIVE) && (p.flags & POWER_ENEMY_SHOT)) {
            return &p;
        }
    }
    return nullptr;
}

TEST_F(Scenario, TheSquadShootsAGroundEnemyDeadWithFiftyBulletsForTen) {
    enemy_t &e = game_with_one_enemy();
    ASSERT_EQ(e.health, 50.0f);

    // Each bot's COMMAND box, released, then its spot 50, 70 or 90 px right of the enemy.
    const float box_y[BOT_COUNT] = {400.0f, 430.0f, 460.0f};
    for (int k = 0; k < BOT_COUNT; k++) {
        point_at(195.0f, box_y[k]);
        set_buttons(1);
        play_tick();
        set_buttons(0);
        play_tick();
        ASSERT_EQ(mouse_display_flag, 2);
        const float spot = e.x - scroll.x + 50.0f + 20.0f * static_cast<float>(k);
        const float camera = scroll.x;
        point_at(spot, 100.0f);
        set_buttons(1);
        play_tick();
        ASSERT_EQ(bot[k].mode, command_bit(k));
        EXPECT_EQ(bot[k].x, camera + spot);
        set_buttons(0);
        play_tick();
    }

    // Hold the button on the enemy's upper part: three bots at 10 shots a second kill it
    // before it first fires at 3000 ms.
    set_buttons(1);
    point_at(e.x - scroll.x + 10.0f, e.y - scroll.y + 6.0f);
    float hits = 0.0f;
    int fired = 0;
    for (int t = 0; t < 600 && (e.flags & ENEMY_ALIVE); t++) {
        const float health = e.health;
        const float score = player.score;
        float last_shot[BOT_COUNT];
        for (int k = 0; k < BOT_COUNT; k++) {
            last_shot[k] = bot[k].last_shot;
        }
        play_tick();
        for (int k = 0; k < BOT_COUNT; k++) {
            fired += bot[k].last_shot != last_shot[k];
        }
        hits += health - e.health;
        const float gain = (e.flags & ENEMY_ALIVE) ? 0.0f : 10.0f;
        ASSERT_EQ(player.score, score + gain) << "tick " << t;
        ASSERT_EQ(live_enemy_shot(), nullptr) << "tick " << t;
    }
    EXPECT_EQ(e.flags, ENEMY_GROUND);
    EXPECT_EQ(e.health, 0.0f);
    EXPECT_EQ(hits, 50.0f);
    EXPECT_GE(fired, 50);
    // None went astray: the only bullets beyond fifty are the ones still in the air at the kill.
    EXPECT_LE(fired, 50 + 2 * BOT_COUNT);
    EXPECT_EQ(player.score, 10.0f);
    EXPECT_LT(time_ms.load(), 3000);
}

TEST_F(Scenario, AnEnemyShotHatchesFiveFlyersThatHomeInAndStingThePlayer) {
    enemy_t &e = game_with_one_enemy();

    // Nothing is fired while time_ms is not past the enemy's placing time + 3000.
    while (time_ms.load() <= 3000) {
        play_tick();
        ASSERT_EQ(live_enemy_shot(), nullptr) << "at " << time_ms.load() << " ms";
    }
    const float ox = e.x + static_cast<float>(TEST_ENEMY_W / 2);
    const float oy = e.y;
    const int fired_at = time_ms.load();
    play_tick();
    power_t *shot = live_enemy_shot();
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->born, static_cast<float>(fired_at));
    EXPECT_EQ(e.last_shot, static_cast<float>(fired_at));
    EXPECT_LT(shot->x, ox); // on its way to the player, who stands at the left
    EXPECT_NEAR(shot->x, ox, 2.0f);
    EXPECT_NEAR(shot->y, oy, 2.0f);

    // It flies until the first frame drawn more than 2000 ms after it was fired.
    for (;;) {
        logic_and_anim();
        ASSERT_TRUE(shot->flags & POWER_ALIVE) << "the shot ended before hatching";
        const float x = shot->x;
        const bool due = static_cast<float>(time_ms.load()) > shot->born + 2000.0f;
        frame_and_clock();
        if (!due) {
            ASSERT_EQ(live_flyers(), 0);
            continue;
        }
        EXPECT_EQ(shot->flags, POWER_ENEMY_SHOT);
        ASSERT_EQ(live_flyers(), 5);
        const float hatch_x = static_cast<float>(static_cast<int>(x));
        for (const enemy_t &f : enemy) {
            if ((f.flags & ENEMY_ALIVE) && (f.flags & ENEMY_FLYER)) {
                EXPECT_EQ(f.x, hatch_x);
                EXPECT_EQ(f.y, get_ground(hatch_x) - 10.0f);
                EXPECT_EQ(f.health, 4.0f);
            }
        }
        break;
    }
    EXPECT_LT(shot->x, ox - 20.0f);

    // The flyers close in on the player; the first that touches costs 0.01 and is gone.
    bool stung = false;
    for (int t = 0; t < 1800 && !stung; t++) {
        bool in_band[ENEMY_SLOTS];
        for (int i = 0; i < ENEMY_SLOTS; i++) {
            const float sx = enemy[i].x - scroll.x;
            in_band[i] = (enemy[i].flags & ENEMY_ALIVE) && sx > -50.0f && sx < 640.0f;
        }
        const float health = player.health;
        play_tick();
        int contacts = 0;
        for (int i = 0; i < ENEMY_SLOTS; i++) {
            contacts +=
                in_band[i] && (enemy[i].flags & ENEMY_FLYER) && !(enemy[i].flags & ENEMY_ALIVE);
        }
        if (contacts > 0) {
            stung = true;
            EXPECT_NEAR(health - player.health, 0.01f * static_cast<float>(contacts), 1e-5);
        } else {
            ASSERT_EQ(player.health, health) << "tick " << t;
        }
    }
    EXPECT_TRUE(stung);
}

} // namespace
