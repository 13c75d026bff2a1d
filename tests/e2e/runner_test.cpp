// End-to-end runs of the card designer through the headless runner: exit
// statuses, the files the scripted user writes, and how a run ends.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <string>

#include "runner_harness.h"

using harness::Image;
using harness::run_headless;
using harness::RunResult;

TEST(RunnerEndToEnd, WaitingThenClosingEndsWithTheProgramsStatus) {
    RunResult r = run_headless("wait 3000\nclose graphics\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
}

TEST(RunnerEndToEnd, RunningOutOfCommandsClosesTheGraphicsWindow) {
    RunResult empty = run_headless("");
    EXPECT_EQ(empty.status, 0) << empty.err;
    RunResult comments = run_headless("# nothing to do\n\n   \n");
    EXPECT_EQ(comments.status, 0) << comments.err;
}

TEST(RunnerEndToEnd, CommandsAfterTheProgramEndsAreNotCarriedOut) {
    RunResult r = run_headless("wait 2\nkey ctrl+q\nwait 5\nshot late.png\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.exists("late.png"));
}

TEST(RunnerEndToEnd, ShotIsTheGraphicsClientArea) {
    RunResult r = run_headless("wait 3\nshot card.png\n");
    ASSERT_EQ(r.status, 0) << r.err;
    Image shot;
    ASSERT_TRUE(harness::load_png(r.path("card.png"), shot));
    EXPECT_EQ(shot.width, 601);
    EXPECT_GE(shot.height, 501);
    EXPECT_LT(shot.height, 540);
}

TEST(RunnerEndToEnd, ScreenIsTheWholeVirtualScreen) {
    RunResult r = run_headless("wait 1\nscreen desk.png\n", {"--screen", "800x600"});
    ASSERT_EQ(r.status, 0) << r.err;
    Image screen;
    ASSERT_TRUE(harness::load_png(r.path("desk.png"), screen));
    EXPECT_EQ(screen.width, 800);
    EXPECT_EQ(screen.height, 600);
}

TEST(RunnerEndToEnd, CommandsMayComeOnStandardInput) {
    harness::RunSetup setup;
    setup.script = "wait 1\nscreen in.png\n";
    setup.script_on_stdin = true;
    RunResult r = run_headless(setup);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.exists("in.png"));
}

TEST(RunnerEndToEnd, ABadScriptStopsBeforeTheProgramStarts) {
    RunResult r = run_headless("wait 1\n# fine so far\nshot a.png\njump 3\nshot b.png\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("4: unknown command \"jump\"", 0), 0u) << r.err;
    EXPECT_FALSE(r.exists("a.png")); // the script was checked whole first

    RunResult bad_arg = run_headless("click 1 two\n");
    EXPECT_EQ(bad_arg.status, 2);
    EXPECT_EQ(bad_arg.err.rfind("1: ", 0), 0u) << bad_arg.err;
}

TEST(RunnerEndToEnd, BadOptionsAreRunnerErrors) {
    RunResult r = run_headless("", {"--screen", "wide"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--screen"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("usage:"), std::string::npos) << r.err;

    harness::RunSetup missing;
    missing.args = {"--input", "no-such-file.txt"};
    RunResult m = run_headless(missing);
    EXPECT_EQ(m.status, 2);
    EXPECT_NE(m.err.find("no-such-file.txt"), std::string::npos) << m.err;
}

TEST(RunnerEndToEnd, AnEndlessInputOrAnOverlongLineIsARunnerError) {
    harness::RunSetup setup;
    setup.args = {"--input", "/dev/zero"};
#if defined(__has_feature)
#if __has_feature(address_sanitizer) // clang's way of saying so
#define KV319_ADDRESS_SANITIZER 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(KV319_ADDRESS_SANITIZER)
    // Were the bound lost, the run would fail at 1 GiB rather than fill the
    // machine's memory (the address sanitizer needs far more address space).
    setup.in_child = [] {
        struct rlimit limit = {rlim_t{1} << 30, rlim_t{1} << 30};
        setrlimit(RLIMIT_AS, &limit);
    };
#endif
    RunResult endless = run_headless(setup);
    EXPECT_EQ(endless.status, 2);
    EXPECT_EQ(endless.err, "the commands from \"/dev/zero\" are longer than 4 MiB\n");

    RunResult line = run_headless("wait 1\ntype " + std::string(5000, 'a') + "\n");
    EXPECT_EQ(line.status, 2);
    EXPECT_EQ(line.err, "2: the line is longer than 4096 characters\n");
}

TEST(RunnerEndToEnd, ControlPStopsAPlaybackThatNeverWaits) {
    // One periodic line standing for 2^31 - 1 events: the program plays
    // them back one after another without ever waiting, and the scripted
    // user still acts while it runs.
    harness::RunSetup setup;
    setup.script = "key ctrl+p\nwait 3\nkey ctrl+p\nkey ctrl+q\n";
    setup.files = {{"KV319.SCR", "KV319_PERIODIC(2147483647);\n"}};
    RunResult r = run_headless(setup);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
}

TEST(RunnerEndToEnd, PassingMaxTicksIsARunnerError) {
    RunResult r = run_headless("wait 1\nwait 50\nclose graphics\n", {"--max-ticks", "10"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("2: the program did not end within 10"), std::string::npos) << r.err;
}

TEST(RunnerEndToEnd, AMissingWindowIsARunnerErrorNamingTheLine) {
    RunResult r = run_headless("wait 1\nclose dialog\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("2: there is no dialog window on screen"), std::string::npos) << r.err;
}

namespace {

// The script file's lines other than periodic ones.
std::string events_of(const std::string& script_file) {
    std::string out, line;
    for (char c : script_file) {
        line += c;
        if (c != '\n') continue;
        if (line.rfind("KV319_PERIODIC(", 0) != 0) out += line;
        line.clear();
    }
    return out + line;
}

} // namespace

TEST(RunnerEndToEnd, ClicksAndKeysReachTheProgramWhereAndAsScripted) {
    // The runtime's own recording tells what it received: graphics
    // coordinates of each press, the character of each key.
    RunResult r =
        run_headless("wait 2\nkey ctrl+r\nclick 10 -20\nwait 1\nclick -300 250\nwait 1\n"
                     "click-client 600 500\nwait 1\ntype aZ!\nkey Enter\nkey ctrl+r\nwait 1\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(events_of(r.read("KV319.SCR")),
              "KV319_MOUSE(10, -20);\nKV319_MOUSE(-300, 250);\nKV319_MOUSE(300, -250);\n"
              "KV319_KBD(97);\nKV319_KBD(90);\nKV319_KBD(33);\nKV319_KBD(13);\n");
}

TEST(RunnerEndToEnd, ConsoleHoldsTheTextWindowsLastLines) {
    // Logging on: every primitive of every frame writes a line.
    RunResult r = run_headless("wait 1\nconsole before.txt\nkey ctrl+l\nwait 2\nconsole log.txt\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.read("before.txt"), "");
    std::string log = r.read("log.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), '\n');
    EXPECT_EQ(log.find("\n\n"), std::string::npos);
    size_t lines = 0;
    for (char c : log)
        lines += c == '\n';
    EXPECT_EQ(lines, 25u); // the history keeps the last 25
}

namespace {

size_t lines_in(const std::string& text) {
    size_t lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

} // namespace

TEST(RunnerEndToEnd, TranscriptHoldsEveryLineTheTextWindowReceived) {
    // Logging on for two ticks: every primitive of every frame writes a
    // line, far more than the window keeps; its last 25 end the transcript.
    RunResult r =
        run_headless("wait 1\nkey ctrl+l\nwait 2\nconsole log.txt\n", {"--transcript", "all.txt"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string all = r.read("all.txt"), log = r.read("log.txt");
    EXPECT_EQ(lines_in(log), 25u);
    EXPECT_GT(lines_in(all), 100u);
    ASSERT_GE(all.size(), log.size());
    EXPECT_EQ(all.substr(all.size() - log.size()), log);

    // The program ends by itself (Quit), commands left over: written too.
    RunResult quit = run_headless("wait 1\nkey ctrl+l\nwait 1\nkey ctrl+q\nwait 5\n",
                                  {"--transcript", "quit.txt"});
    EXPECT_EQ(quit.status, 0) << quit.err;
    EXPECT_GT(lines_in(quit.read("quit.txt")), 25u);

    // A runner error stops the run: what was said until then is written.
    RunResult late = run_headless("wait 1\nkey ctrl+l\nwait 50\n",
                                  {"--max-ticks", "10", "--transcript", "late.txt"});
    EXPECT_EQ(late.status, 2);
    EXPECT_NE(late.err.find("3: the program did not end within 10"), std::string::npos) << late.err;
    EXPECT_GT(lines_in(late.read("late.txt")), 25u);

    // A transcript that cannot be written is a runner error.
    RunResult nowhere = run_headless("wait 1\n", {"--transcript", "no-such-dir/t.txt"});
    EXPECT_EQ(nowhere.status, 2);
    EXPECT_EQ(nowhere.err, "cannot write \"no-such-dir/t.txt\"\n");
}
