#include "render.h"

#include "enemies.h"
#include "terrain.h"
#include "world.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool segment_in_window(int i) {
    const float rel = ground[i].x - scroll.x;
    return rel > -500.0f && rel < 1000.0f;
}

void draw_ground_fill() {
    // The pattern is anchored at the world origin, so the ground texture scrolls with the hills.
    drawing_mode(DRAW_MODE_COPY_PATTERN, object_bitmap(OBJ_GROUND_TEXTURE),
                 static_cast<int>(-scroll.x), static_cast<int>(-scroll.y));
    for (int i = 0; i < GROUND_POINTS - 1; i++) {
        if (!segment_in_window(i)) {
            continue;
        }
        const int ax = screen_x(ground[i].x);
        const int ay = screen_y(ground[i].y);
        const int bx = screen_x(ground[i + 1].x);
        const int by = screen_y(ground[i + 1].y);
        int points[8] = {ax, ay, bx, by, bx, BUFFER_H, ax, BUFFER_H};
        polygon(buffer, 4, points, 0);
    }
    solid_mode();
}

void draw_ground_edge() {
    static const int edge[5][3] = {
        {128, 225, 0}, {64, 200, 0}, {32, 128, 0}, {16, 64, 0}, {8, 32, 0}};
    for (int i = 0; i < GROUND_POINTS - 1; i++) {
        if (!segment_in_window(i)) {
            continue;
        }
        const int ax = screen_x(ground[i].x);
        const int bx = screen_x(ground[i + 1].x);
        for (int k = 0; k < 5; k++) {
            const float lift = static_cast<float>(k);
            line(buffer, ax, static_cast<int>(ground[i].y - scroll.y - lift), bx,
                 static_cast<int>(ground[i + 1].y - scroll.y - lift),
                 makecol(edge[k][0], edge[k][1], edge[k][2]));
        }
    }
}

void draw_exhaust(power_t &p) {
    const int r = static_cast<int>((static_cast<float>(time_ms.load()) - p.born) * 0.05);
    int fade = 0;
    if (r > 20) {
        fade = 20;
        p.flags -= POWER_ALIVE; // drawn once more in its darkest colour, then gone
    } else if (r >= 16) {
        fade = r;
    }
    const int radius = r <= 0 ? 2 : (r >= 10 ? 10 : r);
    const int cx = screen_x(p.x);
    const int cy = screen_y(p.y);
    circlefill(buffer, cx, cy, radius,
               makecol(25 * radius - 10 * fade, 20 * radius - 10 * fade, 10 * radius - 5 * fade));
    const int rim = 20 * radius - 10 * fade;
    circle(buffer, cx, cy, radius, makecol(rim, rim, rim));
}

void draw_enemy_shot(power_t &p) {
    if (static_cast<float>(time_ms.load()) > p.born + 2000.0f) {
        init_enemy(5, ENEMY_FLYER, static_cast<int>(p.x));
        p.flags -= POWER_ALIVE;
    }
    circlefill(buffer, screen_x(p.x), screen_y(p.y), 10, makecol(32, 32, 225));
}

void draw_bullet(power_t &p) {
    const float fx = p.x - scroll.x;
    const float fy = p.y - scroll.y;
    line(buffer, static_cast<int>(fx), static_cast<int>(fy), static_cast<int>(fx + p.vx),
         static_cast<int>(fy + p.vy), makecol(128, 255, 128));
    if (static_cast<float>(time_ms.load()) > p.born + 3000.0f) {
        p.flags -= POWER_ALIVE;
    }
}

void draw_shots() {
    for (power_t &p : power) {
        if ((p.flags & POWER_ALIVE) && (p.flags & POWER_EXHAUST)) {
            draw_exhaust(p);
        }
        if ((p.flags & POWER_ALIVE) && (p.flags & POWER_ENEMY_SHOT)) {
            draw_enemy_shot(p);
        }
        if ((p.flags & POWER_ALIVE) && (p.flags & POWER_BULLET)) {
            draw_bullet(p);
        }
    }
}

void draw_carried_icons() {
    for (int k = 0; k < BOT_COUNT; k++) {
        if (bot[k].mode & pickup_bit(k)) {
            stretch_blit(object_bitmap(OBJ_BOT1_STAND), buffer, ICON_CROP_X, ICON_CROP_Y, ICON_SIZE,
                         ICON_SIZE, screen_x(player.x + static_cast<float>(ICON_OFFSET[k][0])),
                         screen_y(player.y + static_cast<float>(ICON_OFFSET[k][1])), ICON_SIZE,
                         ICON_SIZE);
        }
    }
}

void draw_deployed_bots() {
    for (int k = 0; k < BOT_COUNT; k++) {
        if ((bot[k].mode & command_bit(k)) && !(player.move_keys & (MOVE_LEFT | MOVE_RIGHT))) {
            draw_sprite(buffer, object_bitmap(bot[k].first_sprite - 1), screen_x(bot[k].x),
                        screen_y(bot[k].y));
        }
    }
    for (int k = 0; k < BOT_COUNT; k++) {
        if ((bot[k].mode & command_bit(k)) && (player.move_keys & MOVE_LEFT)) {
            draw_sprite_h_flip(buffer, object_bitmap(bot[k].sprite), screen_x(bot[k].x),
                               screen_y(bot[k].y));
        }
    }
    for (int k = 0; k < BOT_COUNT; k++) {
        if ((bot[k].mode & command_bit(k)) && (player.move_keys & MOVE_RIGHT)) {
            draw_sprite(buffer, object_bitmap(bot[k].sprite), screen_x(bot[k].x),
                        screen_y(bot[k].y));
        }
    }
}

void draw_auras() {
    static const int colour[BOT_COUNT][3] = {{128, 128, 164}, {225, 225, 64}, {64, 225, 64}};
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    const int level = static_cast<int>(128.0 + 8.0 * std::sin(time_ms.load() * 0.5 * M_PI / 180.0));
    set_luminance_blender(180, 180, 100, level);
    for (int radius : {50, 25}) {
        for (int k = 0; k < BOT_COUNT; k++) {
            if (bot[k].mode & MODE_ABILITY) {
                circlefill(buffer, static_cast<int>(bot[k].x - scroll.x + 8.0f),
                           static_cast<int>(bot[k].y - scroll.y + 16.0f), radius,
                           makecol(colour[k][0], colour[k][1], colour[k][2]));
            }
        }
    }
    solid_mode();
}

void draw_enemies() {
    for (const enemy_t &e : enemy) {
        if (!(e.flags & ENEMY_ALIVE)) {
            continue;
        }
        if (e.flags & ENEMY_GROUND) {
            draw_sprite(buffer, object_bitmap(e.sprite), screen_x(e.x), screen_y(e.y));
        }
        if (e.flags & ENEMY_FLYER) {
            draw_sprite(buffer, object_bitmap(OBJ_FLYER), screen_x(e.x), screen_y(e.y));
        }
    }
}

// A shimmering column of light from the top of the screen down to the ground under the pointer.
void draw_beam(int left, int gy, bool yellow) {
    for (int y = gy; y >= 1; y--) {
        const int theta = 15 * y + 2 * time_ms.load();
        const float w = static_cast<float>(3.0 * std::sin(theta * M_PI / 180.0));
        for (int k = 0; k < 7; k++) {
            const int c = yellow ? makecol(110 + 20 * k, 110 + 20 * k, 20 * k)
                                 : makecol(20 * k, 20 * k, 110 + 20 * k);
            putpixel(buffer, static_cast<int>(static_cast<float>(left + k) + w), y, c);
            putpixel(buffer, static_cast<int>(static_cast<float>(left + 13 - k) + w), y, c);
        }
    }
}

void draw_placement_beam() {
    if (mouse_display_flag != 1 && mouse_display_flag != 2) {
        return;
    }
    const int jitter = rand() % 5 - 2;
    const int left = static_cast<int>(use_mouse_x - 5.0f) + jitter;
    const int gy = static_cast<int>(get_ground(scroll.x + use_mouse_x) - scroll.y);
    if (gy <= 0) {
        return;
    }
    if (is_pickup_order(sel.pending)) {
        draw_beam(left, gy, false);
    } else if (is_command_order(sel.pending)) {
        draw_beam(left, gy, true);
    }
}

// ---- HUD ------------------------------------------------------------------------------------

void text(const char *s, int x, int y, int colour) {
    std::strcpy(msg, s);
    textout_ex(buffer, font, msg, x, y, colour, -1);
}

void draw_gauges() {
    scrollbars[0].value = player.health;
    scrollbars[1].value = bot[0].health;
    scrollbars[2].value = bot[0].charge;
    scrollbars[3].value = bot[1].health;
    scrollbars[4].value = bot[1].charge;
    scrollbars[5].value = bot[2].health;
    scrollbars[6].value = bot[2].charge;
    for (const scrollbar_t &g : scrollbars) {
        rect(buffer, g.x + 110, g.y, g.x + g.w + 110, g.y + g.h, makecol(255, 255, 255));
        // Not clamped: an over-full gauge runs past its frame.
        rectfill(
            buffer, g.x + 111, g.y + 1,
            static_cast<int>(static_cast<float>(g.x) + static_cast<float>(g.w) * g.value + 110.0f),
            g.y + g.h - 1, g.color);
        text(g.label, g.x, g.y - 2, makecol(225, 225, 225));
    }
}

void draw_squad_boxes() {
    for (int i = 0; i < BOX_COUNT; i++) {
        const int x1 = static_cast<int>(sel.box[i].x + static_cast<float>(sel.x));
        const int y1 = static_cast<int>(sel.box[i].y + static_cast<float>(sel.y));
        const int x2 =
            static_cast<int>(static_cast<float>(sel.w) + sel.box[i].x + static_cast<float>(sel.x));
        const int y2 = static_cast<int>(static_cast<float>(sel.y + sel.h) + sel.box[i].y);
        const int fill = i % 2 == 0 ? makecol(255, 225, 25) : makecol(25, 225, 225);
        rectfill(buffer, x1, y1, x2, y2, fill);
        rect(buffer, x1, y1, x2, y2, makecol(225, 225, 255));
    }
}

void draw_warnings() {
    if (player.health < 0.25f) {
        text("IM LOW HEALTH!", screen_x(player.x), screen_y(player.y), makecol(255, 225, 25));
    }
    for (const actor_t &b : bot) {
        if (!has_command_mode(b.mode)) {
            continue; // carried bots keep quiet
        }
        if (b.health < 0.25f) {
            text("IM LOW HEALTH!", screen_x(b.x), screen_y(b.y), makecol(255, 225, 25));
        }
        if (b.charge < 0.25f) {
            text("IM LOW POWER!", screen_x(b.x), static_cast<int>(b.y - scroll.y + 15.0f),
                 makecol(255, 225, 125));
        }
    }
}

void draw_hints() {
    text("COMMAND", 175, 375, makecol(255, 225, 25));
    text("PICKUP", 242, 375, makecol(25, 225, 225));
    text("USE ASWD TO MOVE", 310, 440, makecol(255, 225, 25));
    text("CLICK COMMAND/PICKUP BOXES TO SELECT", 310, 450, makecol(25, 225, 225));
    text("BOT THEN MOUSE TO AIM", 310, 460, makecol(25, 225, 225));
    text("LEFT CLICK FIRE,RIGHT POWER", 310, 470, makecol(25, 225, 225));
}

void draw_score() {
    clear_to_color(show_score, bitmap_mask_color(show_score));
    std::snprintf(msg, sizeof msg, "SCORE %.0f", static_cast<double>(player.score));
    textout_ex(show_score, font, msg, 0, 0, makecol(225, 225, 128), -1);
    masked_stretch_blit(show_score, buffer, 0, 0, 100, 16, 0, 0, 200, 32);
}

void draw_game_over() {
    if (player.health <= 0.0f) {
        std::strcpy(msg, "GAME OVER");
        textout_centre_ex(buffer, font, msg, BUFFER_W / 2, BUFFER_H / 2, makecol(255, 0, 0),
                          makecol(255, 255, 255));
    }
}

} // namespace

void init_gauge_colours() {
    static const int colour[GAUGE_COUNT][3] = {{225, 225, 0}, {225, 225, 0}, {196, 196, 255},
                                               {225, 225, 0}, {50, 50, 225}, {225, 225, 0},
                                               {0, 225, 0}};
    for (int i = 0; i < GAUGE_COUNT; i++) {
        scrollbars[i].color = makecol(colour[i][0], colour[i][1], colour[i][2]);
    }
}

void display() {
    draw_ground_fill();
    draw_ground_edge();
    draw_shots();
    draw_carried_icons();
    draw_sprite(buffer, object_bitmap(OBJ_PLAYER), screen_x(player.x), screen_y(player.y));
    draw_deployed_bots();
    draw_auras();
    draw_enemies();
    draw_placement_beam();

    draw_gauges();
    draw_squad_boxes();
    draw_warnings();
    draw_hints();
    draw_score();
    draw_game_over();
}
