// The ring search of the shot pool and of the enemy slots, and what a placed enemy holds.
#include "harness.h"

#include "enemies.h"
#include "terrain.h"

#include <cstdlib>
#include <cstring>

namespace {

void fill_power(int from, int to, int flags) {
    for (int i = from; i <= to; i++) {
        power[i] = power_t{-1.0f, -2.0f, -3.0f, -4.0f, -5.0f, flags};
    }
}

void make_alive(int slot) {
    enemy[slot].flags = ENEMY_ALIVE | ENEMY_GROUND;
    enemy[slot].vx = 9.0f;
    enemy[slot].health = 9.0f;
}

} // namespace

TEST_F(WorldTest, ShotPoolFillsTheFirstFreeSlotFromTheCursor) {
    set_time(1234);
    create_power(1.0f, 2.0f, 3.0f, 4.0f, POWER_BULLET);
    EXPECT_EQ(particle_loop, 0);
    EXPECT_EQ(power[0].x, 1.0f);
    EXPECT_EQ(power[0].y, 2.0f);
    EXPECT_EQ(power[0].vx, 3.0f);
    EXPECT_EQ(power[0].vy, 4.0f);
    EXPECT_EQ(power[0].born, 1234.0f);
    EXPECT_EQ(power[0].flags, 5);
    create_power(5.0f, 6.0f, 0.0f, 0.0f, POWER_EXHAUST);
    EXPECT_EQ(particle_loop, 1);
    EXPECT_EQ(power[1].flags, 3);
    create_power(5.0f, 6.0f, 0.0f, 0.0f, POWER_ENEMY_SHOT);
    EXPECT_EQ(power[2].flags, 9);

    // Free slots behind the cursor are skipped; a stale kind bit does not make a slot busy.
    fill_power(0, 499, POWER_ALIVE | POWER_BULLET);
    power[5].flags = 0;
    power[20].flags = POWER_ENEMY_SHOT;
    particle_loop = 10;
    set_time(77);
    create_power(8.0f, 9.0f, 10.0f, 11.0f, POWER_EXHAUST);
    EXPECT_EQ(particle_loop, 20);
    EXPECT_EQ(power[20].x, 8.0f);
    EXPECT_EQ(power[20].vy, 11.0f);
    EXPECT_EQ(power[20].born, 77.0f);
    EXPECT_EQ(power[20].flags, 3);
    EXPECT_EQ(power[5].flags, 0);

    // Wrap after 499.
    power[0].flags = 0;
    particle_loop = 499;
    create_power(0.0f, 0.0f, 0.0f, 0.0f, POWER_BULLET);
    EXPECT_EQ(particle_loop, 0);
    EXPECT_EQ(power[0].flags, 5);
}

TEST_F(WorldTest, FullShotPoolTakesOverTheSlotAfterTheCursor) {
    fill_power(0, 499, POWER_ALIVE | POWER_ENEMY_SHOT);
    particle_loop = 42;
    set_time(500);
    create_power(1.0f, 2.0f, 3.0f, 4.0f, POWER_BULLET);
    EXPECT_EQ(particle_loop, 43);
    EXPECT_EQ(power[43].x, 1.0f);
    EXPECT_EQ(power[43].y, 2.0f);
    EXPECT_EQ(power[43].vx, 3.0f);
    EXPECT_EQ(power[43].vy, 4.0f);
    EXPECT_EQ(power[43].born, 500.0f);
    EXPECT_EQ(power[43].flags, 5);
    EXPECT_EQ(power[42].flags, 9);
    create_power(1.0f, 2.0f, 3.0f, 4.0f, POWER_EXHAUST);
    EXPECT_EQ(particle_loop, 44);
    EXPECT_EQ(power[44].flags, 3);

    particle_loop = 499;
    create_power(1.0f, 2.0f, 3.0f, 4.0f, POWER_EXHAUST);
    EXPECT_EQ(particle_loop, 0);
    EXPECT_EQ(power[0].flags, 3);
}

TEST_F(WorldTest, FlyersGoToTheNextFreeSlotsInRingOrder) {
    flat_ground(300.0f);
    reset_enemy_slots();
    make_alive(497);
    make_alive(499);
    make_alive(1);
    enemy[3].flags = ENEMY_GROUND; // dead: free
    enemy[498].vx = 7.0f;
    enemy[498].sprite = 9;
    enemy_loop = 497;
    set_time(4321);
    srand(5);
    const int next_draw = rand();
    srand(5);
    init_enemy(5, ENEMY_FLYER, 1234);
    EXPECT_EQ(rand(), next_draw); // flyers draw no random numbers
    EXPECT_EQ(enemy_loop, 4);
    for (int s : {498, 0, 2, 3, 4}) {
        EXPECT_EQ(enemy[s].flags, 5) << s;
        EXPECT_EQ(enemy[s].x, 1234.0f) << s;
        EXPECT_EQ(enemy[s].y, 290.0f) << s;
        EXPECT_EQ(enemy[s].vx, 0.0f) << s;
        EXPECT_EQ(enemy[s].vy, 0.0f) << s;
        EXPECT_EQ(enemy[s].health, 4.0f) << s;
        EXPECT_EQ(enemy[s].last_shot, 4321.0f) << s;
    }
    // The animation fields are never written by a placement.
    EXPECT_EQ(enemy[498].sprite, 9);
    EXPECT_EQ(enemy[0].first_sprite, 7);
    EXPECT_EQ(enemy[5].flags, 0);
    EXPECT_EQ(enemy[496].flags, 0); // free, but behind the cursor
    for (int s : {497, 499, 1}) {
        EXPECT_EQ(enemy[s].flags, 3) << s;
        EXPECT_EQ(enemy[s].health, 9.0f) << s;
    }
}

TEST_F(WorldTest, GroundEnemiesStandInTheGroundSpreadBySlot) {
    flat_ground(300.0f);
    reset_enemy_slots();
    enemy_loop = 7;
    srand(11);
    const int r = rand();
    srand(11);
    init_enemy(1, ENEMY_GROUND, 5555);
    EXPECT_EQ(enemy_loop, 7);
    EXPECT_EQ(enemy[7].x, static_cast<float>(r % 640 + 300 + 700));
    EXPECT_EQ(enemy[7].y, 300.0f - TEST_ENEMY_H + 10.0f);
    EXPECT_EQ(enemy[7].health, 50.0f);
    EXPECT_EQ(enemy[7].flags, 3);
}

TEST_F(WorldTest, FullEnemyTableTakesOverSlotsWithTheirOwnValues) {
    flat_ground(300.0f);
    for (int i = 0; i < GROUND_POINTS; i++) {
        ground[i].y = 50.0f * static_cast<float>(i); // a steady slope: height x / 2
    }
    reset_enemy_slots();
    for (int s = 0; s < ENEMY_SLOTS; s++) {
        make_alive(s);
    }
    enemy_loop = 10;
    set_time(99);
    srand(3);
    const int r1 = rand();
    const int r2 = rand();
    srand(3);
    init_enemy(2, ENEMY_GROUND, 0);
    EXPECT_EQ(enemy_loop, 12);
    const int x11 = r1 % 640 + 300 + 1200 * 11;
    const int x12 = r2 % 640 + 300 + 1200 * 12;
    EXPECT_EQ(enemy[11].x, static_cast<float>(x11));
    EXPECT_EQ(enemy[12].x, static_cast<float>(x12));
    // Taken over, a ground enemy stands with its top edge on the line.
    EXPECT_FLOAT_EQ(enemy[11].y, static_cast<float>(x11) / 2.0f);
    EXPECT_FLOAT_EQ(enemy[12].y, static_cast<float>(x12) / 2.0f);
    EXPECT_EQ(enemy[11].health, 100.0f);
    EXPECT_EQ(enemy[12].health, 100.0f);
    EXPECT_EQ(enemy[11].vx, 0.0f);
    EXPECT_EQ(enemy[11].last_shot, 99.0f);
    EXPECT_EQ(enemy[11].flags, 3);
    EXPECT_EQ(enemy[10].health, 9.0f);
    EXPECT_EQ(enemy[13].health, 9.0f);

    enemy_loop = 499;
    init_enemy(1, ENEMY_FLYER, 1234);
    EXPECT_EQ(enemy_loop, 0);
    EXPECT_EQ(enemy[0].flags, 5);
    EXPECT_EQ(enemy[0].x, 1234.0f);
    EXPECT_FLOAT_EQ(enemy[0].y, 617.0f - 10.0f);
    EXPECT_EQ(enemy[0].health, 2.0f);
}

TEST_F(WorldTest, UnknownEnemyKindsMoveTheCursorButWriteNothing) {
    flat_ground(300.0f);
    reset_enemy_slots();
    make_alive(0);
    make_alive(1);
    make_alive(2);
    enemy[3].flags = ENEMY_FLYER;
    static enemy_t before[ENEMY_SLOTS];
    std::memcpy(before, enemy, sizeof enemy);
    srand(8);
    const int next_draw = rand();
    srand(8);
    for (int kind : {0, 1, 3, 8}) {
        enemy_loop = 0;
        init_enemy(2, kind, 100);
        EXPECT_EQ(enemy_loop, 3) << kind;
        EXPECT_EQ(std::memcmp(before, enemy, sizeof enemy), 0) << kind;
    }
    init_enemy(0, ENEMY_GROUND, 0);
    init_enemy(-3, ENEMY_GROUND, 0);
    EXPECT_EQ(enemy_loop, 3);
    EXPECT_EQ(std::memcmp(before, enemy, sizeof enemy), 0);
    EXPECT_EQ(rand(), next_draw);
}
