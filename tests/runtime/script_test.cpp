// The script file KV319.SCR: the reader's rules, playback and recording
// through the event wait, and failures to open or write. Each test runs in
// a fresh temporary directory.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "draw_support.h"

namespace {

namespace fs = std::filesystem;

const std::string EOF_LINE = "EOF encountered in script file KV319.SCR\n";

class Script : public DrawTest {
  protected:
    fs::path home = fs::current_path(), dir;
    void SetUp() override {
        char name[] = "/tmp/kv319_script_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        fs::current_path(dir = name);
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
        std::stringstream s;
        s << std::ifstream(SCRIPT_FILE_NAME, std::ios::binary).rdbuf();
        return s.str();
    }
    // A Run menu command's check mark (reading it puts it back).
    static bool checked(UINT id) {
        DWORD was = CheckMenuItem(rt.run_menu, id, MF_UNCHECKED);
        CheckMenuItem(rt.run_menu, id, was & MF_CHECKED);
        return was & MF_CHECKED;
    }
    static void command(UINT id) { PostMessageA(rt.graphics_window, WM_COMMAND, id, 0); }
    // One playback step as the wait takes it: 0, or the kind read.
    static int read() {
        rt.playing_back = 1;
        rt.pending = EventRecord{0, 0, 0};
        return read_script_event() ? rt.pending_kind : 0;
    }
};

TEST_F(Script, MissingOrEmptyFileEndsPlaybackWithItsMessage) {
    CheckMenuItem(rt.run_menu, CMD_PLAYBACK, MF_CHECKED);
    rt.play_one = 1;
    EXPECT_EQ(read(), 0);
    EXPECT_EQ(rt.playing_back + rt.play_one, 0);
    EXPECT_FALSE(checked(CMD_PLAYBACK));
    write_file("");
    EXPECT_EQ(read(), 0);
    EXPECT_EQ(read(), 0); // left open at its end: reported again at once
    EXPECT_EQ(history(),
              (Lines{"Cannot open script file KV319.SCR for reading\n", EOF_LINE, EOF_LINE}));
}

TEST_F(Script, PlaybackThroughTheWaitThenLiveInputAgain) {
    write_file("KV319_PERIODIC(3);\nKV319_MOUSE(10, -20);\n");
    KV319_animate(ANIMATE_RUN);
    command(CMD_PLAYBACK);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(await().kind, EVENT_PERIODIC) << i;
    Event e = await();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, 10);
    EXPECT_EQ(e.y, -20);
    // The fifth wait reports the end and goes on with live input.
    click_client(rt.origin_x + 3, rt.origin_y - 4);
    e = await();
    EXPECT_EQ(history().back(), EOF_LINE);
    EXPECT_FALSE(checked(CMD_PLAYBACK));
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, 3);
    EXPECT_EQ(e.y, 4);
}

TEST_F(Script, ReaderSkipsBlankLinesAndReadsNumbersAsWritten) {
    write_file("\n\nKV319_PERIODIC(0);\n\nKV319_KBD(-23);\nKV319_MOUSE(-5, -7);\nKV319_KBD(300);\n"
               "KV319_MOUSE(3-4, 9);\nKV319_MOUSE(-2147483648, 2147483647);\n       \n"
               "KV319_KBD(65);");
    EXPECT_EQ(read(), EVENT_PERIODIC);
    EXPECT_EQ(rt.periodic_count, 0); // 0 gives one event, like 1
    EXPECT_EQ(read(), EVENT_KEY);
    EXPECT_EQ(rt.pending.key, 23); // the sign is not read
    EXPECT_EQ(read(), EVENT_MOUSE);
    EXPECT_EQ(rt.pending.x, -5);
    EXPECT_EQ(rt.pending.y, -7);
    EXPECT_EQ(read(), EVENT_KEY);
    EXPECT_EQ(rt.pending.key, 44); // 300 in 8 bits
    EXPECT_EQ(read(), EVENT_MOUSE);
    EXPECT_EQ(rt.pending.x, 3);
    EXPECT_EQ(rt.pending.y, 9);
    EXPECT_EQ(read(), EVENT_MOUSE);
    EXPECT_EQ(rt.pending.x, INT_MIN);
    EXPECT_EQ(rt.pending.y, INT_MAX);
    EXPECT_EQ(read(), 0); // a line of spaces is not skipped, nor a command
    EXPECT_TRUE(history().empty());
    EXPECT_EQ(read(), 0); // a last line without its newline is not played
    EXPECT_EQ(history(), (Lines{EOF_LINE}));
}

TEST_F(Script, MalformedAndOverlongLinesAreNotCommands) {
    const std::string bad[] = {
        "KV319_MOUSE();", "KV319_MOUSE(5);", "KV319_MOUSE(--5, 6);", "KV319_KBD(-);",
        "KV319_PERIODIC(x);", "KV319_MOUSE(000000000005, 1);", "KV319_PERIODIC(000000000002);",
        "KV319_MOUSE(1, -12345678901);", "KV319_MOUSE(2147483648, 0);", "KV319_QUIT();", "KV319",
        // Past the 511th character it holds what would read as a command.
        "KV319_XYZ" + std::string(502, ' ') + "KV319_MOUSE(7, 8);",
        "KV319_KBD(9);" + std::string(600, ' '), // too long, though it begins as one
    };
    std::string content;
    for (const std::string& line : bad)
        content += line + "\nKV319_KBD(7);\n";
    // 511 characters and a newline fit.
    content += "KV319_MOUSE(1, 2);" + std::string(511 - 18, ' ') + "\n";
    write_file(content);
    for (const std::string& line : bad) {
        EXPECT_EQ(read(), 0) << line;
        EXPECT_EQ(read(), EVENT_KEY) << line; // the stream is after that line
        EXPECT_EQ(rt.pending.key, 7);
    }
    EXPECT_EQ(read(), EVENT_MOUSE);
    EXPECT_EQ(rt.pending.x, 1);
    EXPECT_TRUE(history().empty());
    EXPECT_EQ(rt.periodic_count, 0);
}

TEST_F(Script, PeriodicEventsOwedSurviveAnInterruption) {
    write_file("KV319_PERIODIC(5);\nKV319_KBD(1);\n");
    EXPECT_EQ(read(), EVENT_PERIODIC);
    EXPECT_EQ(read(), EVENT_PERIODIC);
    stop_playback();
    close_script_file();
    EXPECT_EQ(rt.periodic_count, 3);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(read(), EVENT_PERIODIC);
    EXPECT_EQ(rt.periodic_count, 4); // the last one read the first line again
}

TEST_F(Script, RecordingWritesTheFourLinesAndPlaysThemBack) {
    KV319_animate(ANIMATE_RUN);
    command(CMD_RECORD);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(await().kind, EVENT_PERIODIC);
    click_client(rt.origin_x + 10, rt.origin_y + 20);
    ASSERT_EQ(await().kind, EVENT_MOUSE);
    press('A', 'a');
    ASSERT_EQ(await().kind, EVENT_KEY);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(await().kind, EVENT_PERIODIC);
    PostQuitMessage(0);
    ASSERT_EQ(await().kind, EVENT_QUIT);
    KV319_close();
    EXPECT_EQ(read_file(),
              "KV319_PERIODIC(3);\nKV319_MOUSE(10, -20);\nKV319_KBD(97);\nKV319_PERIODIC(2);\n");

    start();
    command(CMD_PLAYBACK);
    const int kinds[] = {3, 3, 3, EVENT_MOUSE, EVENT_KEY, 3, 3};
    std::vector<Event> events;
    for (int kind : kinds) {
        events.push_back(await());
        EXPECT_EQ(events.back().kind, kind);
    }
    EXPECT_EQ(events[3].y, -20);
    EXPECT_EQ(events[4].key, 'a');

    // A key above 127 is written as a negative number.
    EventRecord key{0, 0, static_cast<char>(0xE9)};
    close_script_file();
    write_script_event(EVENT_KEY, &key);
    close_script_file();
    EXPECT_EQ(read_file(), "KV319_KBD(-23);\n");
}

// Record Script switched off writes the periodic events still counted and
// closes the file, so a playback starts at its first line; a recording whose
// only event is a quit leaves an empty file.
TEST_F(Script, RecordingSwitchedOffAndPlayedBackFromTheStart) {
    command(CMD_RECORD);
    pump();
    PostQuitMessage(0);
    ASSERT_EQ(await().kind, EVENT_QUIT);
    EXPECT_TRUE(fs::exists(SCRIPT_FILE_NAME));
    EXPECT_EQ(fs::file_size(SCRIPT_FILE_NAME), 0u);
    command(CMD_RECORD);
    pump();
    EXPECT_EQ(rt.script_file, nullptr);

    KV319_close();
    start();
    KV319_animate(ANIMATE_RUN);
    command(CMD_RECORD);
    pump();
    ASSERT_EQ(await().kind, EVENT_PERIODIC);
    ASSERT_EQ(await().kind, EVENT_PERIODIC);
    command(CMD_RECORD);
    pump();
    EXPECT_FALSE(checked(CMD_RECORD));
    EXPECT_EQ(rt.periodic_count, 0);
    EXPECT_EQ(rt.script_file, nullptr);
    EXPECT_EQ(read_file(), "KV319_PERIODIC(2);\n");

    // Starting one while the other runs is refused; no check mark appears.
    command(CMD_PLAYBACK);
    pump();
    command(CMD_RECORD);
    pump();
    EXPECT_EQ(rt.recording, 0);
    EXPECT_FALSE(checked(CMD_RECORD));
    EXPECT_TRUE(checked(CMD_PLAYBACK));
    EXPECT_EQ(await().kind, EVENT_PERIODIC);
    EXPECT_EQ(await().kind, EVENT_PERIODIC);
    click_client(rt.origin_x + 1, rt.origin_y - 2);
    EXPECT_EQ(await().kind, EVENT_MOUSE); // the end, then live input
    EXPECT_EQ(history().back(), EOF_LINE);
}

// A quit taken in a turn in which playback is due ends the wait; the
// scripted event stays for later.
TEST_F(Script, AQuitDuringPlaybackIsNotLost) {
    write_file("KV319_PERIODIC(4);\nKV319_MOUSE(1, 2);\n");
    command(CMD_PLAYBACK);
    ASSERT_EQ(await().kind, EVENT_PERIODIC);
    EXPECT_EQ(rt.periodic_count, 3);
    PostQuitMessage(0);
    EXPECT_EQ(await().kind, EVENT_QUIT);
    EXPECT_EQ(rt.periodic_count, 3);
    EXPECT_EQ(rt.playing_back, 1);

    command(CMD_PLAYBACK); // off
    pump();
    rt.play_one = 1;
    PostQuitMessage(0);
    EXPECT_EQ(await().kind, EVENT_QUIT);
    EXPECT_EQ(rt.periodic_count, 3);
}

// Periodic events owed by a Play One of a periodic line belong to the file
// that a new recording empties: they are not counted into it.
TEST_F(Script, ARecordingCountsOnlyItsOwnPeriodicEvents) {
    write_file("KV319_PERIODIC(50);\n");
    command(CMD_PLAY_ONE);
    ASSERT_EQ(await().kind, EVENT_PERIODIC);
    ASSERT_EQ(rt.periodic_count, 49);
    KV319_animate(ANIMATE_RUN);
    command(CMD_RECORD);
    pump();
    ASSERT_EQ(await().kind, EVENT_PERIODIC);
    command(CMD_RECORD);
    pump();
    EXPECT_EQ(read_file(), "KV319_PERIODIC(1);\n");
}

TEST_F(Script, AFileThatCannotBeOpenedForWritingIsRetried) {
    fs::create_directory(SCRIPT_FILE_NAME);
    rt.recording = 1;
    EventRecord mouse{1, 2, 0};
    write_script_event(EVENT_MOUSE, &mouse);
    write_script_event(EVENT_MOUSE, &mouse);
    EXPECT_EQ(history(), Lines(2, "Cannot open script file KV319.SCR for writing\n"));
    EXPECT_EQ(rt.recording, 1);
}

// A full disk: under a file-size limit of nothing, every write fails.
TEST_F(Script, AFailedWriteIsReportedOnceAndStopsRecording) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit unlimited;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    struct rlimit nothing = {0, unlimited.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &nothing), 0);
    command(CMD_RECORD);
    pump();
    EventRecord mouse{12345, -12345, 0};
    for (int writes = 0; rt.recording && writes < 100000; ++writes)
        write_script_event(EVENT_MOUSE, &mouse);
    EXPECT_EQ(rt.recording, 0);
    EXPECT_FALSE(checked(CMD_RECORD));
    // What is left of the recording in the same wait is dropped quietly and
    // does not open the file again.
    write_script_event(EVENT_MOUSE, &mouse);
    write_script_event(EVENT_QUIT, &mouse);
    EXPECT_EQ(rt.script_file, nullptr);
    EXPECT_EQ(history(), (Lines{"Cannot write script file KV319.SCR\n"}));

    // Lines that fail only when the file is closed are reported too.
    command(CMD_RECORD);
    pump();
    write_script_event(EVENT_MOUSE, &mouse);
    EXPECT_EQ(history().size(), 1u);
    close_script_file();
    setrlimit(RLIMIT_FSIZE, &unlimited);
    EXPECT_EQ(history(), Lines(2, "Cannot write script file KV319.SCR\n"));

    // A device in the file's place is refused at once, and not tried again.
    fs::remove(SCRIPT_FILE_NAME);
    fs::create_symlink("/dev/full", SCRIPT_FILE_NAME);
    command(CMD_RECORD);
    pump();
    write_script_event(EVENT_MOUSE, &mouse);
    write_script_event(EVENT_MOUSE, &mouse);
    EXPECT_EQ(rt.recording, 0);
    EXPECT_EQ(history(), Lines(3, "Cannot write script file KV319.SCR\n"));
}

} // namespace
