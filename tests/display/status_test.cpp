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
    EXPECT_EQ(shown(3, 1), "c=0 Select a color from the pallete.");
    EXPECT_EQ(shown(3, 2),
              "c=0 Select a color from the pallete.\\nShape can be moved by clicking on the card.");
    EXPECT_EQ(
        shown(3, 3),
        "c=0 Select a color from the pallete.\\nMessage can be moved by clicking on the card.");
    EXPECT_EQ(shown(12, 0), "c=0 Select a color from the pallete.");
    EXPECT_EQ(shown(12, 1), "c=0 Select a size from the list.");
    EXPECT_EQ(shown(12, 2),
              "c=0 Select a size from the list.\\nShape can be moved by clicking on the card.");
    EXPECT_EQ(shown(7, 2), "c=0 ");
    EXPECT_EQ(shown(22, 1), "c=0 Select a border from the list.");
    EXPECT_EQ(shown(23, 1), "c=0 Select a border from the list.");
    EXPECT_EQ(shown(24, 4), "c=0 Files are saved as C:TOBU1-3.SAV.");
    EXPECT_EQ(shown(4, 2), "c=2 No shape selected.");
    EXPECT_EQ(shown(18, 3), "c=2 Maximum number of messages already inserted.");
    EXPECT_EQ(shown(20, 1), "c=2 There is no border.");
    EXPECT_EQ(shown(101, 4), "c=2 Cannot save C:TOBU1.SAV.");
    EXPECT_EQ(shown(103, 4), "c=2 Cannot save C:TOBU3.SAV.");
    EXPECT_EQ(shown(111, 4), "c=2 Cannot load C:TOBU1.SAV.");
    EXPECT_EQ(shown(113, 4), "c=2 Cannot load C:TOBU3.SAV.");
    EXPECT_EQ(shown(19, 3), "c=0 Click on a message to select it.\\nPushing remove will remove any "
                            "subliminal messages from the card.");
}
