// card_files_test.cpp: what a user cannot easily do to card files: saves
// that fail, and the reader's scan rules on any content. Each case runs in
// a fresh directory of its own.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "card_files.h"
#include "display.h"
#include "editor_fixture.h"

namespace {

std::string read_file(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const char* path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class CardFileTest : public EditorTest {
  protected:
    std::string old_dir;
    std::string dir;

    void SetUp() override {
        EditorTest::SetUp();
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        old_dir = here;
        char name[] = "/tmp/card_files_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        ASSERT_EQ(chdir(name), 0);
        s.category = CATEGORY_FILES;
        s.item = -1;
        s.status = STATUS_FILES;
    }
    void TearDown() override {
        EXPECT_EQ(chdir(old_dir.c_str()), 0);
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
};

} // namespace

// ---- Writing ----------------------------------------------------------------

TEST_F(CardFileTest, FailedSaveSaysSoUntilTheNextClickAndLeavesNothingBehind) {
    // A slot that is a directory cannot be replaced by the new file.
    ASSERT_TRUE(std::filesystem::create_directory("tobu1.sav"));
    s.background_colour = 9;
    press(0); // "Save 1"
    EXPECT_TRUE(std::filesystem::is_directory("tobu1.sav"));
    ASSERT_EQ(kv319_fake::printed().size(), 1u);
    EXPECT_EQ(kv319_fake::printed()[0],
              "Cannot save C:TOBU1.SAV.: cannot replace the earlier file (tobu1.sav).");
    EXPECT_TRUE(drew_text(2, "Cannot save C:TOBU1.SAV."));
    EXPECT_EQ(s.item, -1);
    // The temporary file is cleaned away.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("."))
        ++entries;
    EXPECT_EQ(entries, 1);
    // The red text stays for the frames after the pause; a click that does
    // nothing else brings back the tab's own text.
    EXPECT_EQ(s.status, STATUS_SAVE_FAILED_BASE + 1);
    click(0, 0);
    EXPECT_EQ(s.status, STATUS_FILES);

    press(0); // fails again
    EXPECT_EQ(s.status, STATUS_SAVE_FAILED_BASE + 1);
    // The next button pressed reports its own result.
    press(1); // "Save 2"
    EXPECT_EQ(s.status, STATUS_FILES);
    EXPECT_EQ(read_file("tobu2.sav").substr(0, 2), "9 ");
}

TEST_F(CardFileTest, UnreadableLoadSaysSoAndAMissingOneIsSilent) {
    ASSERT_TRUE(std::filesystem::create_directory("tobu2.sav"));
    s.selected_shape = 4;
    press(4); // "Load 2": a directory
    EXPECT_EQ(s.status, STATUS_LOAD_FAILED_BASE + 2);
    EXPECT_TRUE(drew_text(2, "Cannot load C:TOBU2.SAV."));
    ASSERT_EQ(kv319_fake::printed().size(), 1u);
    EXPECT_EQ(kv319_fake::printed()[0].rfind("Cannot load C:TOBU2.SAV.", 0), 0u);
    EXPECT_EQ(s.selected_shape, 4); // nothing was loaded

    kv319_fake::reset();
    press(5); // "Load 3": never saved
    EXPECT_EQ(s.status, STATUS_FILES);
    EXPECT_FALSE(drew("Cannot"));
    EXPECT_TRUE(kv319_fake::printed().empty());
}

// ---- Reading ----------------------------------------------------------------

TEST_F(CardFileTest, ScanRulesAndTheStopAtTheFirstBadValue) {
    struct Case {
        const char* text;
        int count;
        int values[5];
    };
    const Case cases[] = {
        {"+7 -0 -0x1F 0X0a 00", 5, {7, 0, -31, 10, 0}},
        {"2147483647 -2147483648 0x7fffffff -0x80000000 017777777777",
         5,
         {2147483647, -2147483647 - 1, 2147483647, -2147483647 - 1, 2147483647}},
        {"08 9", 3, {0, 8, 9, 1, 1}},   // octal stops at 8, which starts the next value
        {"5-3,4", 2, {5, -3, 0, 1, 1}}, // the comma stops the load
        {"1 2147483648 3", 1, {1, -1, 0, 1, 1}},
        {"1 0x80000000", 1, {1, -1, 0, 1, 1}},
        {"1 -2147483649", 1, {1, -1, 0, 1, 1}},
        {"1 99999999999999999999999999999999", 1, {1, -1, 0, 1, 1}},
        {"1 0x 2", 1, {1, -1, 0, 1, 1}},
        {"1 - 2", 1, {1, -1, 0, 1, 1}},
        {"", 0, {5, -1, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        init_editor_state(s);
        s.selected_shape = 0;
        write_file("tobu1.sav", c.text);
        EXPECT_EQ(read_card_file("tobu1.sav", s), c.count);
        const int got[5] = {s.background_colour, s.border_kind, s.border_primary_colour,
                            s.border_secondary_colour, s.border_size};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(got[i], c.values[i]) << i;
        EXPECT_EQ(s.selected_shape, -1); // cleared even when nothing was read
    }
    s.selected_message = 3; // a file that cannot be opened touches nothing
    EXPECT_EQ(read_card_file("tobu2.sav", s), CARD_FILE_MISSING);
    EXPECT_EQ(s.selected_message, 3);
}

TEST_F(CardFileTest, BinaryAndLongFilesAreSafe) {
    std::string noise;
    unsigned seed = 12345;
    for (int i = 0; i < 100000; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise += static_cast<char>(seed >> 16);
    }
    write_file("tobu1.sav", std::string("3\0 4", 4)); // a NUL byte is no white space
    EXPECT_EQ(read_card_file("tobu1.sav", s), 1);
    write_file("tobu1.sav", noise);
    int count = read_card_file("tobu1.sav", s);
    EXPECT_GE(count, 0);
    EXPECT_LE(count, 155);

    // A digit run far longer than any int, then more values.
    write_file("tobu1.sav", "4 " + std::string(1 << 20, '9') + " 5");
    init_editor_state(s);
    EXPECT_EQ(read_card_file("tobu1.sav", s), 1);
    EXPECT_EQ(s.border_kind, -1);
    // Leading zeros of any length still make a small octal number.
    write_file("tobu1.sav", "4 " + std::string(1 << 20, '0') + "17");
    EXPECT_EQ(read_card_file("tobu1.sav", s), 2);
    EXPECT_EQ(s.border_kind, 15);
}
