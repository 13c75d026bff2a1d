/* bounce.c: a ball that bounces around a court in the graphics window.
 *
 * Periodic events pace it: the runtime delivers one every timer tick
 * (100 ms) while animation runs, and each one moves the ball a step and
 * draws the next frame. A click puts the ball where you clicked. Keys:
 * space halts or resumes, c changes the colour, + and - change the speed,
 * p reports where the ball is, q quits. The text window shows what
 * happened.
 *
 * It builds against the installed runtime (find_package(KV319) or
 * pkg-config) and runs in real windows or under the headless runner,
 * depending only on the entry it is linked with.
 */
#include "kv319.h"

/* The court, in graphics coordinates: the client area is about 600 x 500
 * with (0, 0) at its centre, y upward. The bottom strip holds the help. */
#define COURT_LEFT (-290)
#define COURT_RIGHT 290
#define COURT_TOP 240
#define COURT_BOTTOM (-215)
#define BALL_RADIUS 15
#define MAX_SPEED 5

#define BLACK 0
#define NAVY_BLUE 9

static const int ball_colours[] = {2, 4, 13, 19, 8, 17};
#define BALL_COLOUR_COUNT ((int)(sizeof ball_colours / sizeof ball_colours[0]))

struct Ball {
    int x, y;   /* centre */
    int dx, dy; /* direction, each -1 or 1 */
    int speed;  /* units per step along each axis, 1..MAX_SPEED */
    int colour; /* index into ball_colours */
    int bounces;
};

/* Moves one coordinate by `step` and folds it back into [low, high],
 * turning the direction round at a wall. Returns 1 when it bounced. */
static int move_axis(int* position, int* direction, int step, int low, int high) {
    int p = *position + *direction * step;
    int bounced = 0;
    if (p > high) {
        p = 2 * high - p;
        *direction = -1;
        bounced = 1;
    } else if (p < low) {
        p = 2 * low - p;
        *direction = 1;
        bounced = 1;
    }
    *position = p;
    return bounced;
}

static void step_ball(struct Ball* ball) {
    int step = ball->speed * 4;
    ball->bounces +=
        move_axis(&ball->x, &ball->dx, step, COURT_LEFT + BALL_RADIUS, COURT_RIGHT - BALL_RADIUS);
    ball->bounces +=
        move_axis(&ball->y, &ball->dy, step, COURT_BOTTOM + BALL_RADIUS, COURT_TOP - BALL_RADIUS);
}

static int clamp(int v, int low, int high) {
    return v < low ? low : v > high ? high : v;
}

static void draw_frame(const struct Ball* ball, int running) {
    KV319_clear();
    KV319_rectangle(NAVY_BLUE, COURT_LEFT, COURT_TOP, COURT_RIGHT, COURT_BOTTOM, 2);
    KV319_circle(ball_colours[ball->colour], ball->x, ball->y, BALL_RADIUS);
    KV319_text_printf(BLACK, COURT_LEFT + 8, COURT_TOP - 22, 14, "bounces: %d   speed: %d%s",
                      ball->bounces, ball->speed, running ? "" : "   (halted)");
    KV319_text(
        BLACK, COURT_LEFT, COURT_BOTTOM - 20, 12,
        "click: move the ball   space: halt/run   c: colour   + -: speed   p: where   q: quit");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    struct Ball ball = {0, 0, 1, 1, 2, 0, 0};
    int running = 1;
    int quit = 0;

    KV319_open(instance, previous, command_line, show);
    KV319_logging(0); /* logging starts on: one console line per primitive */
    KV319_animate(ANIMATE_RUN);
    KV319_printf("bounce: click to move the ball; space, c, +, - and q on the keyboard");

    while (!quit) {
        int x, y;
        char key;
        draw_frame(&ball, running);
        switch (KV319_await_event(&x, &y, &key)) {
        case EVENT_PERIODIC:
            step_ball(&ball);
            break;
        case EVENT_MOUSE:
            ball.x = clamp(x, COURT_LEFT + BALL_RADIUS, COURT_RIGHT - BALL_RADIUS);
            ball.y = clamp(y, COURT_BOTTOM + BALL_RADIUS, COURT_TOP - BALL_RADIUS);
            KV319_printf("ball moved to (%d, %d)", ball.x, ball.y);
            break;
        case EVENT_KEY:
            if (key == ' ') {
                running = !running;
                KV319_animate(running ? ANIMATE_RUN : ANIMATE_HALT);
                KV319_printf("%s", running ? "running" : "halted");
            } else if (key == 'c') {
                ball.colour = (ball.colour + 1) % BALL_COLOUR_COUNT;
                KV319_printf("colour %d", ball_colours[ball.colour]);
            } else if (key == '+' || key == '-') {
                ball.speed = clamp(ball.speed + (key == '+' ? 1 : -1), 1, MAX_SPEED);
                KV319_printf("speed %d", ball.speed);
            } else if (key == 'p') {
                KV319_printf("ball at (%d, %d) after %d bounces", ball.x, ball.y, ball.bounces);
            } else if (key == 'q') {
                quit = 1;
            }
            break;
        case EVENT_QUIT:
            quit = 1;
            break;
        default:
            break;
        }
    }

    KV319_close();
    return 0;
}
