// The script file KV319.SCR: the reader's rules, playback and recording
// through the event wait, and failures to open or write. Each test runs in
// a fresh temporary directory.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "draw_support.h"

namespace {

namespace fs = std::filesystem;

class Script : public DrawTest {
  protected:
    fs::path dir, home;
    void SetUp() override {
        home = fs::current_path();
        char name[] = "/tmp/kv319_script_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        fs::current_path(dir);
        DrawTest::SetUp();
    }
    void TearDown() override {
        close_script_file();
        fs::current_path(home);
        fs::remove_all(dir);
    }
    static void write_file(const std::string& content) {
        std::ofstream(SCRIPT_FILE_NAME, std::ios::binary) << content;
    }
    static std::string read_file() {
        std::ifstream in(SCRIPT_FILE_NAME, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The check mark of a Run menu command (reading it sets it back).
    static bool checked(UINT command) {
        DWORD was = CheckMenuItem(rt.run_menu, command, MF_BYCOMMAND | MF_UNCHECKED);
        CheckMenuItem(rt.run_menu, command, MF_BYCOMMAND | (was & MF_CHECKED));
        return (was & MF_CHECKED) != 0;
    }
    static void command(UINT id) { PostMessageA(rt.graphics_window, WM_COMMAND, id, 0); }
    // One read with playback on, as the wait does it.
    struct Read {
        int result, kind, x, y, key;
    };
    static Read read() {
        rt.playing_back = 1;
        rt.pending_kind = EVENT_NONE;
        rt.pending = EventRecord{0, 0, 0};
        int r = read_script_event();
        return Read{r, rt.pending_kind, rt.pending.x, rt.pending.y, rt.pending.key};
    }
};

const char* const EOF_MESSAGE = "EOF encountered in script file KV319.SCR\n";

TEST_F(Script, MissingOrEmptyFileEndsPlaybackWithItsMessage) {
    rt.play_one = 1;
    CheckMenuItem(rt.run_menu, CMD_PLAYBACK, MF_BYCOMMAND | MF_CHECKED);
    EXPECT_EQ(read().result, 0);
    EXPECT_EQ(history().back(), "Cannot open script file KV319.SCR for reading\n");
    EXPECT_EQ(rt.playing_back, 0);
    EXPECT_EQ(rt.play_one, 0);
    EXPECT_FALSE(checked(CMD_PLAYBACK));

    write_file("");
    EXPECT_EQ(read().result, 0);
    EXPECT_EQ(history().back(), EOF_MESSAGE);
    EXPECT_EQ(rt.playing_back, 0);
    // The stream stays open at its end: the next playback reports it at once.
    size_t before = history().size();
    EXPECT_EQ(read().result, 0);
    EXPECT_EQ(since(before), (std::vector<std::string>{EOF_MESSAGE}));
}

TEST_F(Script, PlaybackThroughTheWaitThenLiveInputAgain) {
    write_file("KV319_PERIODIC(3);\nKV319_MOUSE(10, -20);\n");
    KV319_animate(ANIMATE_RUN);
    command(CMD_PLAYBACK);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(await().kind, EVENT_PERIODIC) << i;
    EXPECT_EQ(rt.animating, 0); // playback halts animation
    Event e = await();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, 10);
    EXPECT_EQ(e.y, -20);
    EXPECT_TRUE(checked(CMD_PLAYBACK));

    // The fifth wait reports the end and goes on with live input.
    click_client(rt.origin_x + 3, rt.origin_y - 4);
    e = await();
    EXPECT_EQ(history().back(), EOF_MESSAGE);
    EXPECT_EQ(rt.playing_back, 0);
    EXPECT_FALSE(checked(CMD_PLAYBACK));
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, 3);
    EXPECT_EQ(e.y, 4);
}

TEST_F(Script, ReaderSkipsBlankLinesAndReadsSignsAsDescribed) {
    write_file("\n\nKV319_PERIODIC(0);\n\nKV319_KBD(-23);\nKV319_MOUSE(-5, -7);\n"
               "KV319_KBD(300);\nKV319_MOUSE(3-4, 9);\nKV319_MOUSE(-2147483648, 2147483647);\n"
               "       \nKV319_KBD(65);");
    Read r = read();
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.kind, EVENT_PERIODIC);
    EXPECT_EQ(rt.periodic_count, 0); // a line with 0 gives one event, like 1

    r = read();
    EXPECT_EQ(r.kind, EVENT_KEY);
    EXPECT_EQ(r.key, 23); // the minus sign is skipped
    r = read();
    EXPECT_EQ(r.kind, EVENT_MOUSE);
    EXPECT_EQ(r.x, -5);
    EXPECT_EQ(r.y, -7);
    r = read();
    EXPECT_EQ(r.kind, EVENT_KEY);
    EXPECT_EQ(r.key, 44); // 300 truncated to 8 bits
    r = read();
    EXPECT_EQ(r.x, 3);
    EXPECT_EQ(r.y, 9);
    r = read();
    EXPECT_EQ(r.x, INT_MIN);
    EXPECT_EQ(r.y, INT_MAX);

    // A line of spaces is not skipped: it is not a command.
    size_t before = history().size();
    EXPECT_EQ(read().result, 0);
    EXPECT_EQ(history().size(), before);
    // A last line without its newline is not played.
    EXPECT_EQ(read().result, 0);
    EXPECT_EQ(history().back(), EOF_MESSAGE);
}

TEST_F(Script, MalformedCommandsAreNotCommands) {
    const char* bad[] = {
        "KV319_MOUSE();",
        "KV319_MOUSE(5);",
        "KV319_MOUSE(5, -);",
        "KV319_MOUSE(--5, 6);",
        "KV319_KBD();",
        "KV319_KBD(-);",
        "KV319_PERIODIC(x);",
        "KV319_MOUSE(123456789012, 1);", // a run of 12 digits
        "KV319_MOUSE(1, -12345678901);", // sign and 11 digits: 12 characters
        "KV319_MOUSE(000000000005, 1);", // 12 characters, though a small value
        "KV319_PERIODIC(000000000002);",
        "KV319_MOUSE(2147483648, 0);", // outside the int range
        "KV319_PERIODIC(99999999999);",
        "KV319_QUIT();",
        "KV319",
    };
    std::string content;
    for (const char* line : bad)
        content += std::string(line) + "\nKV319_KBD(7);\n";
    write_file(content);
    for (const char* line : bad) {
        SCOPED_TRACE(line);
        size_t before = history().size();
        EXPECT_EQ(read().result, 0);
        EXPECT_EQ(history().size(), before); // no message
        // The stream is left after that line.
        Read next = read();
        EXPECT_EQ(next.result, 1);
        EXPECT_EQ(next.key, 7);
    }
    EXPECT_EQ(rt.periodic_count, 0);
}

TEST_F(Script, AnOverlongLineIsDroppedWhole) {
    // Past the 511th character the line holds what would read as a command.
    std::string overlong = "KV319_XYZ" + std::string(502, ' ') + "KV319_MOUSE(7, 8);";
    ASSERT_EQ(overlong.size(), 529u);
    // 511 characters and a newline fit.
    std::string fits = "KV319_MOUSE(1, 2);";
    fits += std::string(511 - fits.size(), ' ');
    write_file(overlong + "\n" + fits + "\nKV319_KBD(5);\n");

    EXPECT_EQ(read().result, 0);
    Read r = read();
    EXPECT_EQ(r.kind, EVENT_MOUSE);
    EXPECT_EQ(r.x, 1);
    EXPECT_EQ(r.y, 2);
    r = read();
    EXPECT_EQ(r.kind, EVENT_KEY);
    EXPECT_EQ(r.key, 5);
}

TEST_F(Script, PeriodicEventsOwedSurviveAnInterruption) {
    write_file("KV319_PERIODIC(5);\nKV319_KBD(1);\n");
    EXPECT_EQ(read().kind, EVENT_PERIODIC);
    EXPECT_EQ(read().kind, EVENT_PERIODIC);
    // Playback turned off closes the file; the three still owed come first.
    stop_playback();
    close_script_file();
    EXPECT_EQ(rt.periodic_count, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(read().kind, EVENT_PERIODIC);
    EXPECT_EQ(read().kind, EVENT_PERIODIC); // the file again from its first line
    EXPECT_EQ(rt.periodic_count, 4);
}

TEST_F(Script, RecordingWritesTheFourLinesAndPlaysThemBack) {
    KV319_animate(ANIMATE_RUN);
    command(CMD_RECORD);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(await().kind, EVENT_PERIODIC);
    EXPECT_TRUE(checked(CMD_RECORD));
    click_client(rt.origin_x + 10, rt.origin_y + 20);
    ASSERT_EQ(await().kind, EVENT_MOUSE);
    press('A', 'a');
    ASSERT_EQ(await().kind, EVENT_KEY);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(await().kind, EVENT_PERIODIC);
    PostQuitMessage(0);
    ASSERT_EQ(await().kind, EVENT_QUIT);
    KV319_close();
    EXPECT_EQ(read_file(), "KV319_PERIODIC(3);\nKV319_MOUSE(10, -20);\nKV319_KBD(97);\n"
                           "KV319_PERIODIC(2);\n");

    start();
    command(CMD_PLAYBACK);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(await().kind, EVENT_PERIODIC);
    Event e = await();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, 10);
    EXPECT_EQ(e.y, -20);
    e = await();
    EXPECT_EQ(e.kind, EVENT_KEY);
    EXPECT_EQ(e.key, 'a');
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(await().kind, EVENT_PERIODIC);
}

TEST_F(Script, KeysAbove127AreWrittenNegative) {
    EventRecord key{0, 0, static_cast<char>(0xE9)};
    write_script_event(EVENT_KEY, &key);
    EventRecord mouse{-300, 250, 0};
    write_script_event(EVENT_MOUSE, &mouse);
    write_script_event(EVENT_QUIT, &mouse);
    close_script_file();
    EXPECT_EQ(read_file(), "KV319_KBD(-23);\nKV319_MOUSE(-300, 250);\n");
}

TEST_F(Script, AFileThatCannotBeOpenedForWritingIsRetried) {
    fs::create_directory(SCRIPT_FILE_NAME);
    rt.recording = 1;
    EventRecord mouse{1, 2, 0};
    write_script_event(EVENT_MOUSE, &mouse);
    write_script_event(EVENT_MOUSE, &mouse);
    EXPECT_EQ(history(),
              (std::vector<std::string>{"Cannot open script file KV319.SCR for writing\n",
                                        "Cannot open script file KV319.SCR for writing\n"}));
    EXPECT_EQ(rt.recording, 1);
    EXPECT_EQ(rt.script_file, nullptr);
}

// A full disk: the file is a link to a device on which every write fails.
TEST_F(Script, AFailedWriteIsReportedOnceAndStopsRecording) {
    fs::create_symlink("/dev/full", SCRIPT_FILE_NAME);
    command(CMD_RECORD);
    pump();
    ASSERT_EQ(rt.recording, 1);
    EventRecord mouse{12345, -12345, 0};
    int writes = 0;
    while (rt.recording && writes < 100000) {
        write_script_event(EVENT_MOUSE, &mouse);
        ++writes;
    }
    EXPECT_EQ(rt.recording, 0);
    EXPECT_FALSE(checked(CMD_RECORD));
    EXPECT_EQ(history(), (std::vector<std::string>{"Cannot write script file KV319.SCR\n"}));
    EXPECT_EQ(rt.script_file, nullptr);
    // What is left of the recording in the same wait is dropped quietly and
    // does not open the file again.
    write_script_event(EVENT_MOUSE, &mouse);
    write_script_event(EVENT_QUIT, &mouse);
    EXPECT_EQ(history().size(), 1u);
    EXPECT_EQ(rt.script_file, nullptr);
}

TEST_F(Script, LinesThatFailOnlyAtCloseAreReported) {
    fs::create_symlink("/dev/full", SCRIPT_FILE_NAME);
    rt.recording = 1;
    EventRecord mouse{1, 2, 0};
    write_script_event(EVENT_MOUSE, &mouse); // held in the stream's buffer
    EXPECT_TRUE(history().empty());
    close_script_file();
    EXPECT_EQ(history(), (std::vector<std::string>{"Cannot write script file KV319.SCR\n"}));
    EXPECT_EQ(rt.script_file, nullptr);
}

} // namespace
