#include "scenes.h"

#include "enemies.h"
#include "terrain.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr float SCENE_X = 3000.0f;
constexpr int SCENE_TIME_MS = 20000;
constexpr int BUSY_FLYERS = 100;

struct world_copy_t {
    actor_t player;
    actor_t bot[BOT_COUNT];
    enemy_t enemy[ENEMY_SLOTS];
    power_t power[POWER_SLOTS];
    ground_point_t ground[GROUND_POINTS];
    scroll_t scroll;
    scrollbar_t scrollbars[GAUGE_COUNT];
    selection_t sel;
    int time_ms;
    float frame;
    int mouse_right_click;
    int mouse_display_flag;
    int enemy_loop;
    int particle_loop;
    int sound_volume;
    float use_mouse_x;
    float use_mouse_y;
    hands_t hands;
    unsigned seed;
};

world_copy_t saved;
hands_t scene_hands;

float frame_x(int r) {
    return scroll.x + static_cast<float>(r);
}
float frame_y(int r) {
    return scroll.y + static_cast<float>(r);
}

// A point somewhere in the frame, above the HUD.
void somewhere_in_view(float &x, float &y) {
    x = frame_x(10 + rand() % 600);
    y = frame_y(10 + rand() % 330);
}

void place_player_and_camera() {
    time_ms = SCENE_TIME_MS;
    frame = static_cast<float>(SCENE_TIME_MS) * 0.03f;
    player.x = SCENE_X;
    player.y = get_ground(SCENE_X) - 150.0f;
    scroll.x = player.x - 250.0f;
    scroll.y = player.y - 150.0f;
}

void deploy_squad() {
    for (int k = 0; k < BOT_COUNT; k++) {
        actor_t &b = bot[k];
        b.mode = command_bit(k) | MODE_ABILITY;
        b.x = frame_x(120 + 170 * k);
        b.y = get_ground(b.x) - 32.0f;
        b.vx = 0.0f;
        b.vy = 0.0f;
        b.health = 1.0f;
        b.charge = 1.0f;
        b.last_shot = 0.0f;
    }
    // W held: the keys steer the deployed bots, which hover on their thrusters and puff.
    // Left button held over open sky: they fire every 100 ms.
    scene_hands = hands_t{};
    scene_hands.w = true;
    scene_hands.pointer_x = 420.0f;
    scene_hands.pointer_y = 120.0f;
    scene_hands.buttons = 1;
    set_hands(scene_hands);
    use_mouse_x = scene_hands.pointer_x;
    use_mouse_y = scene_hands.pointer_y;
    mouse_display_flag = 0;
}

// A shot made by the game's own pool, then aged and aimed as the scene wants.
void add_shot(int kind, int max_age_ms) {
    float x = 0.0f;
    float y = 0.0f;
    somewhere_in_view(x, y);
    const double angle = (rand() % 360) * M_PI / 180.0;
    const float speed = kind == POWER_EXHAUST ? 0.0f : 7.0f;
    create_power(x, y, speed * static_cast<float>(std::cos(angle)),
                 speed * static_cast<float>(std::sin(angle)), kind);
    power[particle_loop].born = static_cast<float>(time_ms.load() - rand() % max_age_ms);
}

void add_flyers_in_view(int count) {
    for (int n = 0; n < count; n++) {
        init_enemy(1, ENEMY_FLYER, static_cast<int>(frame_x(10 + rand() % 600)));
        enemy_t &e = enemy[enemy_loop];
        e.y = frame_y(10 + rand() % 330);
        e.sprite = OBJ_FLYER;
    }
}

} // namespace

void scene_opening(unsigned seed) {
    new_game(seed);
}

void scene_busy(unsigned seed) {
    new_game(seed);
    place_player_and_camera();
    deploy_squad();
    add_flyers_in_view(BUSY_FLYERS);
    for (int i = 0; i < 120; i++) {
        add_shot(POWER_BULLET, 2500);
    }
    for (int i = 0; i < 150; i++) {
        add_shot(POWER_EXHAUST, 400);
    }
    for (int i = 0; i < 30; i++) {
        add_shot(POWER_ENEMY_SHOT, 1500);
    }
}

void scene_worst(unsigned seed) {
    new_game(seed);
    place_player_and_camera();
    deploy_squad();
    for (enemy_t &e : enemy) {
        somewhere_in_view(e.x, e.y);
        e.vx = 0.0f;
        e.vy = 0.0f;
        e.health = 4.0f;
        e.last_shot = static_cast<float>(time_ms.load());
        e.sprite = OBJ_FLYER;
        e.flags = ENEMY_FLYER + ENEMY_ALIVE;
    }
    for (int i = 0; i < POWER_SLOTS; i++) {
        add_shot(POWER_BULLET, 2500);
    }
}

void keep_busy() {
    player.health = 1.0f;
    for (int k = 0; k < BOT_COUNT; k++) {
        bot[k].health = 1.0f;
        bot[k].charge = 1.0f;
        bot[k].mode = command_bit(k) | MODE_ABILITY;
    }
    if (take_census().flyers < BUSY_FLYERS) {
        // Through the game's spawning, as a hatching enemy shot does it.
        init_enemy(5, ENEMY_FLYER, static_cast<int>(frame_x(10 + rand() % 600)));
    }
    set_hands(scene_hands);
}

void save_world(unsigned seed) {
    saved.player = player;
    std::memcpy(saved.bot, bot, sizeof bot);
    std::memcpy(saved.enemy, enemy, sizeof enemy);
    std::memcpy(saved.power, power, sizeof power);
    std::memcpy(saved.ground, ground, sizeof ground);
    saved.scroll = scroll;
    std::memcpy(saved.scrollbars, scrollbars, sizeof scrollbars);
    saved.sel = sel;
    saved.time_ms = time_ms.load();
    saved.frame = frame.load();
    saved.mouse_right_click = mouse_right_click;
    saved.mouse_display_flag = mouse_display_flag;
    saved.enemy_loop = enemy_loop;
    saved.particle_loop = particle_loop;
    saved.sound_volume = sound_volume;
    saved.use_mouse_x = use_mouse_x;
    saved.use_mouse_y = use_mouse_y;
    saved.hands = current_hands();
    saved.seed = seed;
}

void restore_world() {
    player = saved.player;
    std::memcpy(bot, saved.bot, sizeof bot);
    std::memcpy(enemy, saved.enemy, sizeof enemy);
    std::memcpy(power, saved.power, sizeof power);
    std::memcpy(ground, saved.ground, sizeof ground);
    scroll = saved.scroll;
    std::memcpy(scrollbars, saved.scrollbars, sizeof scrollbars);
    sel = saved.sel;
    time_ms = saved.time_ms;
    frame = saved.frame;
    mouse_right_click = saved.mouse_right_click;
    mouse_display_flag = saved.mouse_display_flag;
    enemy_loop = saved.enemy_loop;
    particle_loop = saved.particle_loop;
    sound_volume = saved.sound_volume;
    use_mouse_x = saved.use_mouse_x;
    use_mouse_y = saved.use_mouse_y;
    set_hands(saved.hands);
    srand(saved.seed);
}
