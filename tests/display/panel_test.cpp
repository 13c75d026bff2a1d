// panel_test.cpp: buttons, tabs, item buttons and the item panels with
// their marks.
#include <gtest/gtest.h>

#include <set>

#include "display_fixture.h"

namespace {

Calls texts(const Calls& calls) {
    Calls out;
    for (const std::string& c : calls) {
        if (starts(c, "text")) out.push_back(c);
    }
    return out;
}

} // namespace

TEST(Button, NormalAndPressed) {
    int nx = 0, ny = 0;
    const Calls normal = record([&] { draw_button(-298, 248, "Background", &nx, &ny, 1, 0); });
    EXPECT_EQ(
        normal,
        (Calls{"rectangle c=1 (-298,248) (-293,243) w=0", "rectangle c=1 (-298,243) (-293,218) w=0",
               "rectangle c=1 (-293,248) (-193,243) w=0",
               "triangle c=1 (-298,218) (-293,218) (-298,213) w=0",
               "triangle c=1 (-193,248) (-188,248) (-193,243) w=0",
               "rectangle c=0 (-188,213) (-193,218) w=0", "rectangle c=0 (-188,218) (-193,243) w=0",
               "rectangle c=0 (-193,213) (-293,218) w=0",
               "triangle c=0 (-188,243) (-193,243) (-188,248) w=0",
               "triangle c=0 (-293,213) (-298,213) (-293,218) w=0",
               "rectangle c=23 (-293,243) (-193,218) w=0", "line c=23 (-298,248) (-298,213) w=1",
               "line c=23 (-298,248) (-188,248) w=1", "line c=0 (-188,213) (-298,213) w=1",
               "line c=0 (-188,213) (-188,248) w=1", "text c=0 (-281,224) pt=12 \"Background\""}));
    EXPECT_EQ(nx, -188);
    EXPECT_EQ(ny, 248);
    // Pressed: bevels exchanged, outer top and left edges still gray, the
    // label 3 right and 1 down.
    const Calls pressed = record([&] { draw_button(-298, 248, "Background", &nx, &ny, 0, 1); });
    EXPECT_EQ(pressed[0], "rectangle c=0 (-298,248) (-293,243) w=0");
    EXPECT_EQ(pressed[5], "rectangle c=1 (-188,213) (-193,218) w=0");
    EXPECT_EQ(pressed[12], normal[12]);
    EXPECT_EQ(pressed[13], "line c=1 (-188,213) (-298,213) w=1");
    EXPECT_EQ(pressed[15], "text c=0 (-278,223) pt=12 \"Background\"");
    EXPECT_EQ(nx, -298);
    EXPECT_EQ(ny, 213);
}

TEST(Button, TabsAndItemButtons) {
    const Calls tabs = texts(record([] { draw_tabs(2); }));
    EXPECT_EQ(tabs[1], "text c=0 (-171,224) pt=12 \"Border\"");
    EXPECT_EQ(tabs[2], "text c=0 (-58,223) pt=12 \"Shape\"");
    EXPECT_EQ(tabs[4], "text c=0 (159,224) pt=12 \"Files\"");
    // "Remove" spans y -119..-84: (T + B) / 2 truncates toward zero.
    const Calls shape_items = texts(record([] { draw_item_buttons(2, -1); }));
    ASSERT_EQ(shape_items.size(), 9u);
    EXPECT_EQ(shape_items[8], "text c=0 (-281,-107) pt=12 \"Remove\"");
    const Calls files = texts(record([] { draw_item_buttons(4, 3); }));
    ASSERT_EQ(files.size(), 6u);
    EXPECT_EQ(files[3], "text c=0 (-278,66) pt=12 \"Load 1\"");
    EXPECT_TRUE(record([] { draw_item_buttons(5, 0); }).empty());
}

TEST(Lists, RowsLabelsAndMarks) {
    EXPECT_EQ(
        record([] { draw_size_list(0); }),
        (Calls{"line c=0 (-300,-250) (-163,-250) w=1", "text c=2 (-287,-246) pt=18 \"Small\"",
               "line c=0 (-300,-223) (-163,-223) w=1", "text c=0 (-287,-219) pt=18 \"Medium\"",
               "line c=0 (-300,-196) (-163,-196) w=1", "text c=0 (-287,-192) pt=18 \"Large\"",
               "line c=0 (-300,-169) (-163,-169) w=1", "text c=0 (-287,-165) pt=18 \"Huge\"",
               "rectangle c=0 (-300,-140) (-163,-250) w=1"}));
    EXPECT_EQ(texts(record([] { draw_message_list(6); }))[6],
              "text c=2 (-291,-133) pt=12 \"Subliminal\"");
    EXPECT_EQ(texts(record([] { draw_speed_list(4); }))[4],
              "text c=2 (-289,-159) pt=14 \"Fastest\"");
    // Values outside the rows mark nothing.
    for (int value : {-1, 7, -2147483647 - 1, 2147483647}) {
        for (const std::string& t : texts(record([&] {
                 draw_size_list(value);
                 draw_message_list(value);
                 draw_speed_list(value);
             }))) {
            EXPECT_TRUE(starts(t, "text c=0")) << value << ": " << t;
        }
    }
}

TEST(Palettes, ColourPaletteOrderAndFrame) {
    const Calls calls = record([] { draw_colour_palette(5); });
    ASSERT_EQ(calls.size(), 24u + 3u + 1u);
    EXPECT_EQ(calls[5], "rectangle c=2 (-300,-160) (-266,-142) w=0");
    EXPECT_EQ(calls[6], "rectangle c=22 (-266,-250) (-232,-232) w=0");
    std::set<int> colours;
    for (int i = 0; i < 24; ++i)
        colours.insert(std::stoi(calls[i].substr(12)));
    EXPECT_EQ(colours.size(), 24u);
    EXPECT_EQ(Calls(calls.begin() + 24, calls.end() - 1),
              (Calls{"rectangle c=1 (-232,-160) (-198,-142) w=1",
                     "rectangle c=1 (-231,-161) (-199,-141) w=1",
                     "rectangle c=1 (-233,-159) (-197,-143) w=1"}));
    EXPECT_EQ(record([] { draw_colour_palette(1); })[24],
              "rectangle c=0 (-198,-250) (-164,-232) w=1");
    EXPECT_EQ(record([] { draw_colour_palette(24); }).size(), 25u); // no frame
}

TEST(Palettes, ShapePaletteAndBorderListMarks) {
    const Calls hearts = record([] { draw_shape_palette(0); });
    ASSERT_EQ(hearts.size(), 4u + 4u + 72u + 6u + 1u);
    EXPECT_EQ(hearts[0], "circle c=2 (-266,-233) r=5");
    EXPECT_EQ(hearts[4], "line c=0 (-178,-223) (-218,-223) w=2");
    EXPECT_EQ(hearts[80], "circle c=0 (-198,-168) r=20");
    const Calls faces = record([] { draw_shape_palette(3); });
    EXPECT_EQ(faces[0], "circle c=0 (-266,-233) r=5");
    EXPECT_EQ(faces[80], "circle c=1 (-198,-168) r=20");

    const Calls none = record([] { draw_border_list(-1); });
    ASSERT_EQ(none.size(), 12u);
    EXPECT_EQ(none[0], "rectangle c=0 (-281,-238) (-251,-208) w=0");
    EXPECT_EQ(none[10], "text c=2 (-282,-136) pt=18 \"No border\"");
    EXPECT_EQ(none[11], "rectangle c=0 (-300,-113) (-163,-250) w=1");
    const Calls bowtie = record([] { draw_border_list(2); });
    EXPECT_EQ(bowtie[0], none[0]);
    EXPECT_EQ(bowtie[3], "triangle c=2 (-281,-183) (-281,-153) (-266,-168) w=0");
    EXPECT_EQ(bowtie[4], "triangle c=5 (-281,-153) (-251,-153) (-266,-168) w=0");
    EXPECT_EQ(bowtie[10], "text c=0 (-282,-136) pt=18 \"No border\"");

    // A kind or pattern no entry has (from a card file) marks nothing: the
    // only red left is the face's mouth.
    const auto count = [](const Calls& calls, const char* colour) {
        int n = 0;
        for (const std::string& c : calls)
            n += c.find(colour) != std::string::npos;
        return n;
    };
    for (int value : {-2, 4, -2147483647 - 1, 2147483647}) {
        const Calls shapes = record([&] { draw_shape_palette(value); });
        EXPECT_EQ(count(shapes, " c=2 "), 1) << value;
        EXPECT_EQ(shapes[80], "circle c=0 (-198,-168) r=20") << value;
        const Calls borders = record([&] { draw_border_list(value); });
        EXPECT_EQ(count(borders, " c=2 ") + count(borders, " c=5 "), 0) << value;
    }
}
