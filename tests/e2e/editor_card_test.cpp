// editor_card_test.cpp: editing a card as a user would, through the headless
// runner: clicks, waits for the pauses, then a save whose file shows the card.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "panel_clicks.h"
#include "runner_harness.h"

namespace {

// Buttons that act at once hold the program for three events.
std::string act(int j) {
    return button(j) + "wait 3\n";
}
const std::string SAVE_1 = act(0), SAVE_2 = act(1), SAVE_3 = act(2);
const std::string LOAD_1 = act(3), LOAD_2 = act(4), LOAD_3 = act(5);
const std::string SELECT = button(1), ANIMATE = act(6);

std::string join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// A card file with the given first line and otherwise the start tables.
std::string start_card(const std::string& head = "5 -1 0 1 1") {
    std::vector<std::string> lines{head};
    lines.insert(lines.end(), 10, "-1 0 0 0 1 0 0 1");
    lines.insert(lines.end(), 10, "-1 0 0 0 0 2 1");
    return join(lines);
}

// A card in which no value changes while it is drawn, every field distinct:
// empty slots keep odd leftovers, drawn ones have their effects off.
std::string still_card() {
    std::vector<std::string> lines{"14 3 12 18 2"};
    for (int i = 0; i < 10; ++i) {
        std::ostringstream l;
        if (i % 3 == 0)
            l << "-1 " << -90 + i << " " << 77 - i << " " << i << " 6 " << 7 + i << " " << 3 + i
              << " 2";
        else
            l << i % 4 << " " << -100 + 30 * i << " " << 150 - 25 * i << " " << 2 + i << " "
              << 20 - i << " 0 0 " << i % 4;
        lines.push_back(l.str());
    }
    for (int i = 0; i < 10; ++i) {
        std::ostringstream l;
        l << (i % 4 == 0 ? -1 : i % 6) << " " << -120 + 35 * i << " " << 170 - 30 * i << " "
          << 22 - i << " " << (i % 2 ? 0 : 5) << " " << i % 5 << " " << 3 - i % 4;
        lines.push_back(l.str());
    }
    return join(lines);
}

std::vector<int> numbers(const std::string& text) {
    std::istringstream in(text);
    std::vector<int> out;
    for (int v; in >> v;)
        out.push_back(v);
    return out;
}
int shape_field(const std::vector<int>& card, int slot, int field) {
    return card.at(5 + 8 * slot + field); // kind x y colour flash animated flashing size
}
int message_field(const std::vector<int>& card, int slot, int field) {
    return card.at(85 + 7 * slot + field); // kind x y colour scrolling speed size
}

harness::RunResult run(const std::string& script,
                       std::vector<std::pair<std::string, std::string>> files = {}) {
    harness::RunSetup setup;
    setup.script = script;
    setup.files = std::move(files);
    return harness::run_headless(setup);
}

// Whether the status line (under the card) shows any pure red pixel.
bool status_line_red(const harness::RunResult& r, const std::string& shot) {
    harness::Image image;
    if (!harness::load_png(r.path(shot), image)) return false;
    int ox = image.width / 2, oy = image.height / 2;
    for (int y = oy + 190; y < oy + 215 && y < image.height; ++y)
        for (int x = ox - 130; x < ox + 300 && x < image.width; ++x)
            if (image.at(x, y) == 0xFF0000u) return true;
    return false;
}

} // namespace

TEST(EditorEndToEnd, StartCardPalettePicksAndAMissingLoad) {
    harness::RunResult r =
        run(tab(4) + SAVE_1 + tab(0) + at(-300, -250) + tab(4) + LOAD_3 + SAVE_2 + tab(0) +
            at(-198, -160) + tab(4) + SAVE_3 + "console console.txt\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.read("console.txt"), ""); // a slot never saved loads silently
    EXPECT_EQ(r.read("tobu1.sav"), start_card());
    EXPECT_EQ(r.read("tobu2.sav"), start_card("0 -1 0 1 1"));  // black; the load changed nothing
    EXPECT_EQ(r.read("tobu3.sav"), start_card("16 -1 0 1 1")); // chalk
    EXPECT_FALSE(r.exists("tobu1.sav.tmp"));
}

TEST(EditorEndToEnd, BorderListAfterARefusal) {
    harness::RunResult r = run(tab(1) + button(1) + "shot refused.png\nwait 3\n" + at(-199, -170) +
                               tab(4) + SAVE_1 + tab(1) + at(-250, -130) + tab(4) + SAVE_2);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(status_line_red(r, "refused.png")); // "There is no border."
    EXPECT_EQ(r.read("tobu1.sav"), start_card("5 3 0 1 1"));
    EXPECT_EQ(r.read("tobu2.sav"), start_card("5 -1 0 1 1")); // the "No border" row
}

// Clicks on both sides of the tab row's right end, the card's edges and the
// item buttons' right edge; each miss would show in the saved card.
TEST(EditorEndToEnd, ClicksAtTheEdgesOfTheRegions) {
    harness::RunResult r = run(at(250, 216) + act(0) + at(249, 216) + SAVE_2 + tab(2) + at(270, 0) +
                               at(-130, -170) + at(0, 190) + button(5) + at(-190, 100) +
                               at(-250, -160) + at(-191, 100) + at(-250, -160) + tab(4) + SAVE_3);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.exists("tobu1.sav")); // (250, 216) is no tab: "Color" was pressed
    EXPECT_EQ(r.read("tobu2.sav"), start_card());
    std::vector<int> card = numbers(r.read("tobu3.sav"));
    ASSERT_EQ(card.size(), 155u);
    EXPECT_EQ(shape_field(card, 0, 1), -130); // added at the card's lower-left corner,
    EXPECT_EQ(shape_field(card, 0, 2), -170); // not moved by (0, 190)
    EXPECT_EQ(shape_field(card, 0, 7), 3);    // (-190, 100) kept the size list
    EXPECT_EQ(shape_field(card, 0, 0), 2);    // (-191, 100) brought up the shape palette
    EXPECT_EQ(shape_field(card, 1, 0), -1);   // (270, 0) added nothing
}

TEST(EditorEndToEnd, AddThenPaletteAndTabReclicks) {
    // Re-clicking the active tab keeps the palette; entering it anew adds.
    harness::RunResult r = run(tab(2) + at(0, 0) + tab(2) + at(-199, -170) + tab(0) + tab(2) +
                               at(50, 60) + tab(4) + SAVE_1);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<int> card = numbers(r.read("tobu1.sav"));
    ASSERT_EQ(card.size(), 155u);
    EXPECT_EQ(shape_field(card, 0, 0), 3); // slot 0: a face at (0, 0)
    EXPECT_EQ(shape_field(card, 0, 1), 0);
    EXPECT_EQ(shape_field(card, 1, 0), 0); // slot 1: a heart at (50, 60)
    EXPECT_EQ(shape_field(card, 1, 1), 50);
    EXPECT_EQ(shape_field(card, 1, 2), 60);
    EXPECT_EQ(shape_field(card, 2, 0), -1);
}

TEST(EditorEndToEnd, SelectFindsTheLowestSlotWithinTwelveUnits) {
    std::vector<std::string> lines{"5 -1 0 1 1"};
    for (int i = 0; i < 10; ++i)
        lines.push_back("-1 0 0 0 1 0 0 1");
    lines[1 + 2] = "1 113 100 0 1 0 0 1"; // 13 from (100, 100) on x
    lines[1 + 3] = "1 5 5 0 1 7 0 1";     // under slot 7, animation phase 7
    lines[1 + 5] = "1 112 88 0 1 0 0 1";  // 12 from (100, 100) on both axes
    lines[1 + 7] = "1 -4 -6 0 1 0 0 1";
    for (int i = 0; i < 10; ++i)
        lines.push_back("-1 0 0 0 0 2 1");
    harness::RunResult r =
        run(tab(4) + LOAD_1 + tab(2) + SELECT + at(0, 0) + "wait 5\n" + ANIMATE + at(-199, -170) +
                SELECT + at(100, 100) + "wait 5\n" + ANIMATE + at(-199, -170) + tab(4) + SAVE_2,
            {{"tobu1.sav", join(lines)}});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<int> card = numbers(r.read("tobu2.sav"));
    ASSERT_EQ(card.size(), 155u);
    EXPECT_EQ(shape_field(card, 1, 0), -1); // empty at (0, 0): never found
    EXPECT_EQ(shape_field(card, 2, 0), 1);
    EXPECT_EQ(shape_field(card, 3, 0), 3);
    EXPECT_EQ(shape_field(card, 3, 5), 0); // a running phase switches off
    EXPECT_EQ(shape_field(card, 5, 0), 3);
    EXPECT_NE(shape_field(card, 5, 5), 0);
    EXPECT_EQ(shape_field(card, 7, 0), 1);
}

TEST(EditorEndToEnd, ScrollTogglesAndRemoveAfterSelect) {
    std::vector<std::string> lines{"5 -1 0 1 1"};
    for (int i = 0; i < 10; ++i)
        lines.push_back("-1 0 0 0 1 0 0 1");
    lines.push_back("1 0 100 0 0 0 1"); // scrolling 0
    lines.push_back("2 0 40 0 5 0 1");  // 5
    lines.push_back("3 0 -20 0 1 0 1"); // 1: moves one unit a frame
    lines.push_back("6 200 -150 0 0 0 1");
    lines.push_back("6 -100 -150 0 3 0 1");
    lines.push_back("0 100 150 0 0 0 1");
    for (int i = 6; i < 10; ++i)
        lines.push_back("-1 0 0 0 0 2 1");
    const std::string scroll = act(6), remove = act(7);
    harness::RunResult r =
        run(tab(4) + LOAD_1 + tab(3) + SELECT + at(6, -20) + "wait 5\n" + scroll + SELECT +
                at(0, 100) + "wait 5\n" + scroll + SELECT + at(0, 40) + "wait 5\n" + scroll +
                SELECT + remove + at(100, 150) + "wait 5\n" + scroll + tab(4) + SAVE_2,
            {{"tobu1.sav", join(lines)}});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<int> card = numbers(r.read("tobu2.sav"));
    ASSERT_EQ(card.size(), 155u);
    EXPECT_EQ(message_field(card, 0, 4), 1);
    EXPECT_EQ(message_field(card, 1, 4), 1);
    EXPECT_EQ(message_field(card, 2, 4), 0);
    const int kinds[6] = {1, 2, 3, -1, -1, 0}; // only the subliminal ones freed
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(message_field(card, i, 0), kinds[i]) << i;
    EXPECT_EQ(message_field(card, 5, 4), 1); // "Select" stayed active after the removal
}

TEST(EditorEndToEnd, FullTablesRefuseAnAddInRedAndChangeNothing) {
    std::vector<std::string> lines{"5 -1 0 1 1"};
    for (int i = 0; i < 10; ++i)
        lines.push_back(std::to_string(i % 4) + " " + std::to_string(-100 + 30 * i) + " 100 " +
                        std::to_string(i) + " 1 0 0 1");
    for (int i = 0; i < 10; ++i)
        lines.push_back(std::to_string(i % 6) + " " + std::to_string(-100 + 30 * i) + " -100 " +
                        std::to_string(i) + " 0 2 1");
    harness::RunResult r =
        run(tab(4) + LOAD_1 + tab(2) + at(0, 0) + "shot shapes.png\n" + button(0) +
                "shot add.png\n" + tab(3) + at(0, 0) + "shot messages.png\n" + tab(4) + SAVE_2,
            {{"tobu1.sav", join(lines)}});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(status_line_red(r, "shapes.png"));   // "Maximum number of shapes ..."
    EXPECT_FALSE(status_line_red(r, "add.png"));     // the next action's code replaces it
    EXPECT_TRUE(status_line_red(r, "messages.png")); // "... messages already inserted."
    EXPECT_EQ(r.read("tobu2.sav"), join(lines));
}

TEST(EditorEndToEnd, RemovedSlotIsReusedWithItsOldFields) {
    std::vector<std::string> lines{"5 -1 0 1 1", "2 -100 -100 13 9 0 0 3"};
    for (int i = 1; i < 10; ++i)
        lines.push_back("2 200 " + std::to_string(-150 + 30 * i) + " 0 1 0 0 1");
    for (int i = 0; i < 10; ++i)
        lines.push_back("-1 0 0 0 0 2 1");
    // After the removal nothing is selected: "Animate" is refused, "Add" is active.
    harness::RunResult r =
        run(tab(4) + LOAD_1 + tab(2) + SELECT + at(-100, -100) + "wait 5\n" + act(8) + button(6) +
                "shot refused.png\nwait 3\n" + at(20, 30) + tab(4) + SAVE_2,
            {{"tobu1.sav", join(lines)}});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(status_line_red(r, "refused.png")); // "No shape selected."
    std::vector<std::string> want = lines;
    want[1] = "0 20 30 13 9 0 0 3";
    EXPECT_EQ(r.read("tobu2.sav"), join(want));
}

TEST(EditorEndToEnd, PartialAndHandWrittenFiles) {
    harness::RunResult r = run(tab(4) + LOAD_1 + SAVE_1 + LOAD_2 + SAVE_3,
                               {{"tobu1.sav", "11 2 4 7 0\n"}, {"tobu2.sav", "7 2 0x10 010 3"}});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.read("tobu1.sav"), start_card("11 2 4 7 0"));
    EXPECT_EQ(r.read("tobu3.sav"), start_card("7 2 16 8 3"));
}

TEST(EditorEndToEnd, SaveThenLoadRestoresEveryField) {
    std::string one_line = still_card();
    for (char& c : one_line)
        if (c == '\n') c = ' ';
    one_line.pop_back(); // and no final newline
    harness::RunResult r =
        run(tab(4) + LOAD_3 + SAVE_2 + tab(0) + at(-300, -250) + tab(4) + LOAD_2 + SAVE_1,
            {{"tobu3.sav", one_line}});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.read("tobu2.sav"), still_card());
    EXPECT_EQ(r.read("tobu1.sav"), still_card());
}

TEST(EditorEndToEnd, AQuitDuringAPauseEndsTheProgram) {
    // The save is done before its pause; the quit in the pause ends the run,
    // so the second save never happens.
    for (const char* quit : {"key ctrl+q\n", "close graphics\n"}) {
        harness::RunResult r = run(tab(4) + button(0) + quit + "wait 5\n" + SAVE_2);
        ASSERT_EQ(r.status, 0) << quit << r.err;
        EXPECT_TRUE(r.exists("tobu1.sav")) << quit;
        EXPECT_FALSE(r.exists("tobu2.sav")) << quit;
    }
    // The same during the five events of the selection crosshair.
    harness::RunResult r = run(tab(2) + at(0, 0) + button(1) + at(3, 3) + "key ctrl+q\n" +
                               "wait 5\n" + tab(4) + SAVE_2);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.exists("tobu2.sav"));
}
