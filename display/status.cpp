// status.cpp: the status line under the card: the help or error text of one
// status code.
//
// Only the first line's area is cleared; a second line of the previous text
// stays until the next frame redraws everything. Codes without a text of
// their own show the fallback text. Red texts report what cannot be done.
#include "checked_draw.h"
#include "display.h"

namespace {

// The first text line's area, from the card's left edge to the drawing
// area's right edge; texts start at its lower-left corner.
constexpr int LINE_BOTTOM = -210;
constexpr int LINE_TOP = -196;

constexpr int FIRST_CODE = STATUS_ADD_SHAPE;
constexpr int LAST_CODE = STATUS_FILES;

const char* const FALLBACK = "Status error -- notify programmer";

const char* const COLOUR_HINT = "Select a color from the pallete.";
const char* const COLOUR_HINT_SHAPE =
    "Select a color from the pallete.\nShape can be moved by clicking on the card.";
const char* const COLOUR_HINT_MESSAGE =
    "Select a color from the pallete.\nMessage can be moved by clicking on the card.";
const char* const SIZE_HINT = "Select a size from the list.";
const char* const SIZE_HINT_SHAPE =
    "Select a size from the list.\nShape can be moved by clicking on the card.";
const char* const SIZE_HINT_MESSAGE =
    "Select a size from the list.\nMessage can be moved by clicking on the card.";

// Texts by code, 1..24; codes 3 and 12 depend on the category and code 2
// has no text of its own (null).
const char* const TEXTS[LAST_CODE + 1] = {
    nullptr,
    "Click on the card to add a shape.",
    nullptr,
    COLOUR_HINT,
    "No shape selected.",
    "Maximum number of shapes already inserted.",
    "Click on a shape to select it.\n"
    "Stacked shapes may need to be moved to get to shapes underneath",
    "",
    "Shape selected.",
    "Shape animation changed.",
    "Shape flash changed.",
    "Select a shape from the pallete.\nShape can be moved by clicking on the card.",
    SIZE_HINT,
    "Click on the card to add a message.",
    "Message selected.",
    "Message scroll changed.",
    "No message selected.",
    "Select a message from the list.\nMessage can be moved by clicking on the card.",
    "Maximum number of messages already inserted.",
    "Click on a message to select it.\n"
    "Pushing remove will remove any subliminal messages from the card.",
    "There is no border.",
    "Select a speed from the list.\nMessage can be moved by clicking on the card.",
    "Select a border from the list.",
    "Select a border from the list.",
    "Files are saved as C:TOBU1-3.SAV.",
};

// A card file that could not be saved or loaded, by slot.
const char* const SAVE_FAILED[3] = {"Cannot save C:TOBU1.SAV.", "Cannot save C:TOBU2.SAV.",
                                    "Cannot save C:TOBU3.SAV."};
const char* const LOAD_FAILED[3] = {"Cannot load C:TOBU1.SAV.", "Cannot load C:TOBU2.SAV.",
                                    "Cannot load C:TOBU3.SAV."};

bool is_error(int code) {
    return code == STATUS_NO_SHAPE || code == STATUS_SHAPES_FULL || code == STATUS_NO_MESSAGE ||
           code == STATUS_MESSAGES_FULL || code == STATUS_NO_BORDER || is_card_file_failure(code);
}

const char* status_text(int code, int category) {
    if (is_card_file_failure(code)) {
        if (code > STATUS_LOAD_FAILED_BASE) return LOAD_FAILED[code - STATUS_LOAD_FAILED_BASE - 1];
        return SAVE_FAILED[code - STATUS_SAVE_FAILED_BASE - 1];
    }
    if (code < FIRST_CODE || code > LAST_CODE || TEXTS[code] == nullptr) return FALLBACK;
    if (code == HINT_COLOUR) {
        if (category == CATEGORY_SHAPE) return COLOUR_HINT_SHAPE;
        if (category == CATEGORY_MESSAGE) return COLOUR_HINT_MESSAGE;
        return COLOUR_HINT;
    }
    if (code == HINT_SIZE) {
        // Leaving a size list for the Background tab shows the size hint for
        // one frame before the colour palette's; show that hint already.
        if (category == CATEGORY_BACKGROUND) return COLOUR_HINT;
        if (category == CATEGORY_SHAPE) return SIZE_HINT_SHAPE;
        if (category == CATEGORY_MESSAGE) return SIZE_HINT_MESSAGE;
        return SIZE_HINT;
    }
    return TEXTS[code];
}

} // namespace

void draw_status(int code, int category) {
    put_rectangle(GRAY_20, CARD_LEFT, LINE_BOTTOM, AREA_RIGHT, LINE_TOP, 0);
    put_text(is_error(code) ? RED : BLACK, CARD_LEFT, LINE_BOTTOM, 12, status_text(code, category));
}
