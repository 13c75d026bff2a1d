// status_test.cpp: the status line's texts, colours and cleared area.
#include <gtest/gtest.h>

#include "display_fixture.h"

namespace {

// The call after the cleared first line, "text c=C (-130,-210) pt=12 "T"",
// as "c=C T".
std::string shown(int code, int category) {
    const Calls calls = record([&] { draw_status(code, category); });
    if (calls.size() != 2) return "wrong number of calls";
    EXPECT_EQ(calls[0], "rectangle c=23 (-130,-210) (300,-196) w=0");
    const std::string& call = calls[1];
    const std::string place = " (-130,-210) pt=12 \"";
    const size_t at = call.find(place);
    if (!starts(call, "text") || at == std::string::npos) return call;
    const size_t text = at + place.size();
    return call.substr(5, at - 5) + " " + call.substr(text, call.size() - text - 1);
}

} // namespace

TEST(Status, Texts) {
    for (int code : {0, 2, 25, -1, 100, 104, 110, 114, -2147483647 - 1}) {
        EXPECT_EQ(shown(code, 0), "c=0 Status error -- notify programmer") << code;
    }
    EXPECT_EQ(shown(HINT_COLOUR, CATEGORY_BORDER), "c=0 Select a color from the pallete.");
    EXPECT_EQ(shown(HINT_COLOUR, CATEGORY_SHAPE),
              "c=0 Select a color from the pallete.\\nShape can be moved by clicking on the card.");
    EXPECT_EQ(
        shown(HINT_COLOUR, CATEGORY_MESSAGE),
        "c=0 Select a color from the pallete.\\nMessage can be moved by clicking on the card.");
    EXPECT_EQ(shown(HINT_SIZE, CATEGORY_BACKGROUND), "c=0 Select a color from the pallete.");
    EXPECT_EQ(shown(HINT_SIZE, CATEGORY_BORDER), "c=0 Select a size from the list.");
    EXPECT_EQ(shown(HINT_SIZE, CATEGORY_SHAPE),
              "c=0 Select a size from the list.\\nShape can be moved by clicking on the card.");
    EXPECT_EQ(shown(STATUS_EMPTY, CATEGORY_SHAPE), "c=0 ");
    EXPECT_EQ(shown(STATUS_CHOOSE_BORDER, CATEGORY_BORDER), "c=0 Select a border from the list.");
    EXPECT_EQ(shown(HINT_BORDER, CATEGORY_BORDER), "c=0 Select a border from the list.");
    EXPECT_EQ(shown(STATUS_FILES, CATEGORY_FILES), "c=0 Files are saved as C:TOBU1-3.SAV.");
    EXPECT_EQ(shown(STATUS_NO_SHAPE, CATEGORY_SHAPE), "c=2 No shape selected.");
    EXPECT_EQ(shown(STATUS_MESSAGES_FULL, CATEGORY_MESSAGE),
              "c=2 Maximum number of messages already inserted.");
    EXPECT_EQ(shown(STATUS_NO_BORDER, CATEGORY_BORDER), "c=2 There is no border.");
    EXPECT_EQ(shown(STATUS_SAVE_FAILED_BASE + 1, CATEGORY_FILES), "c=2 Cannot save C:TOBU1.SAV.");
    EXPECT_EQ(shown(STATUS_SAVE_FAILED_BASE + 3, CATEGORY_FILES), "c=2 Cannot save C:TOBU3.SAV.");
    EXPECT_EQ(shown(STATUS_LOAD_FAILED_BASE + 1, CATEGORY_FILES), "c=2 Cannot load C:TOBU1.SAV.");
    EXPECT_EQ(shown(STATUS_LOAD_FAILED_BASE + 3, CATEGORY_FILES), "c=2 Cannot load C:TOBU3.SAV.");
    EXPECT_EQ(shown(STATUS_SELECT_MESSAGE, CATEGORY_MESSAGE),
              "c=0 Click on a message to select it.\\nPushing remove will remove any "
              "subliminal messages from the card.");
}
