// messages.cpp: the ten message slots: greetings with their scrolling and
// wrap copy, and the subliminal message's cycle.
//
// Every text is drawn twice, at its anchor and 400 units (one card width) to
// the left, so that whatever runs past the card's right edge shows at its
// left edge; the mask drawn afterwards hides the rest. A kind outside the
// table (only a card file can hold one) draws nothing, but its anchor
// scrolls like any other slot's.
#include "checked_draw.h"
#include "display.h"

namespace {

constexpr int EMPTY = -1;
constexpr int GREETING_COUNT = 6;
constexpr int SUBLIMINAL = 6;

const char* const GREETINGS[GREETING_COUNT] = {
    "I love you", "Will you be mine?", "Kiss me", "For my sweetie", "From your honey", "GO ZORBS!",
};

const char* const SUBLIMINAL_WORDS[3] = {"4.0", "$$$", "SEX"};

int point_size(int size) {
    switch (size) {
    case 0:
        return 12;
    case 2:
        return 36;
    case 3:
        return 60;
    default:
        return 24;
    }
}

int scroll_step(int speed) {
    switch (speed) {
    case 0:
        return 1;
    case 1:
        return 2;
    case 2:
        return 4;
    case 3:
        return 8;
    default:
        return 16;
    }
}

// The text and its wrap copy one card width to the left.
void draw_with_wrap(int colour, int64_t x, int64_t y, int size, const char* text) {
    put_text(colour, x, y, size, text);
    put_text(colour, x - CARD_WIDTH, y, size, text);
}

} // namespace

void draw_messages(const MessageTable& messages) {
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        const int kind = messages.kind[slot];
        if (kind == EMPTY) continue;
        const int x = messages.x[slot];
        const int y = messages.y[slot];
        const int step = scroll_step(messages.speed[slot]);
        const int size = point_size(messages.size[slot]);
        const int colour = messages.colour[slot];

        // Scrolling moves the anchor for the next frame; this one draws at x.
        // The subliminal message's anchor moves too, though it is never drawn.
        if (messages.scrolling[slot] == 1) {
            messages.x[slot] = x >= CARD_RIGHT ? step + CARD_LEFT : x + step;
        }

        if (kind < 0 || kind > SUBLIMINAL) continue; // no text to draw

        if (kind == SUBLIMINAL) {
            // The scroll field is the cycle counter: the word shows when it
            // comes round to 2.
            int64_t c = static_cast<int64_t>(messages.scrolling[slot]) + step;
            if (c > 24) c = 2;
            messages.scrolling[slot] = static_cast<int>(c);
            if (c == 2) {
                const int word_x = card_rand() % CARD_WIDTH + CARD_LEFT;
                const int word_y = card_rand() % CARD_HEIGHT + CARD_BOTTOM;
                const int word = card_rand() % 3;
                draw_with_wrap(colour, word_x, word_y, size, SUBLIMINAL_WORDS[word]);
            }
        } else {
            draw_with_wrap(colour, x, y, size, GREETINGS[kind]);
        }
    }
}
