// faults_test.cpp: what a user can do to the card designer's files, end to
// end through the headless runner: saving into a directory it cannot write,
// a save cut short by the file-size limit, a save or load where a directory
// has the card file's name, loading a file that is gone, recording a script
// where it cannot be written, playing back a script that is a directory or
// binary data, slots and scripts that are pipes, devices or endless, and a
// link planted at the save's temporary name. Each time the earlier card file
// must stay as it was, the text window must say what went wrong (and the
// status line too, for card files), and the program must go on working (a
// later save or load that succeeds proves it). Also: the runner's own files
// where they cannot be written, and a card file holding values that only a
// file can hold.
//
// The run's directory is made unwritable by its mode; as root, the program is
// also started without the capabilities that override file modes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <linux/capability.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "panel_clicks.h"
#include "runner_harness.h"

namespace {

namespace fs = std::filesystem;

constexpr int STATUS_CANNOT_DROP = 125; // the child could not be kept from writing

// An item button that acts at once, and the pause it holds.
std::string act(int j, const std::string& during_pause = "") {
    return button(j) + during_pause + "wait 3\n";
}
const int SAVE_1 = 0, SAVE_2 = 1, SAVE_3 = 2, LOAD_1 = 3, LOAD_2 = 4, LOAD_3 = 5;

// A card file: the given first line and start tables, or every value huge
// (a file of about 1.8 kB).
std::string card(const std::string& head) {
    std::string text = head + "\n";
    for (int i = 0; i < 10; ++i)
        text += "-1 0 0 0 1 0 0 1\n";
    for (int i = 0; i < 10; ++i)
        text += "-1 0 0 0 0 2 1\n";
    return text;
}
std::string huge_card() {
    std::string text;
    const int per_line[21] = {5, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    for (int n : per_line) {
        for (int i = 0; i < n; ++i)
            text += (i ? " " : "") + std::string("-2147483648");
        text += "\n";
    }
    return text;
}
const std::string EARLIER = card("14 3 12 18 2");

// Keeps the child from writing into its directory: the mode, and for root
// the capabilities that would override it.
void make_directory_unwritable() {
    chmod(".", 0555);
    if (geteuid() == 0) {
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            prctl(PR_CAPBSET_DROP, cap, 0, 0, 0);
    }
}
// The bounding set only bites at exec, so the child checks it on a copy of
// itself: a writable directory here means the program could write too.
bool directory_stays_unwritable() {
    return std::system("test -w . && exit 1; exit 0") == 0;
}

// The limit as a shell's "ulimit -f" sets it: a write past it kills a
// program that does not see to it itself.
void limit_file_size(rlim_t bytes) {
    signal(SIGXFSZ, SIG_DFL);
    struct rlimit limit = {bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
}

// A folder outside the run's directory for the runner's own output files.
struct OutDir {
    std::string path;
    OutDir() {
        char name[] = "/tmp/kv319_faults_XXXXXX";
        if (mkdtemp(name)) path = name;
    }
    ~OutDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

harness::RunResult run(const std::string& script,
                       std::vector<std::pair<std::string, std::string>> files,
                       std::function<void()> in_child = {}) {
    harness::RunSetup setup;
    setup.script = script;
    setup.files = std::move(files);
    setup.in_child = std::move(in_child);
    harness::RunResult r = harness::run_headless(setup);
    chmod(r.dir.c_str(), 0755); // so that it can be looked at and removed
    return r;
}

// The run's own files, sorted, without the harness's.
std::vector<std::string> names(const harness::RunResult& r) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(r.dir)) {
        std::string name = entry.path().filename();
        if (name != "commands.txt" && name != "runner.stdout" && name != "runner.stderr")
            found.push_back(name);
    }
    std::sort(found.begin(), found.end());
    return found;
}
using Names = std::vector<std::string>;

fs::file_type type_of(const harness::RunResult& r, const std::string& name) {
    return fs::symlink_status(r.path(name)).type();
}

std::string read_out(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

// Whether the status line (under the card) shows any pure red pixel.
bool status_line_red(const std::string& shot) {
    harness::Image image;
    if (!harness::load_png(shot, image)) return false;
    int ox = image.width / 2, oy = image.height / 2;
    for (int y = oy + 190; y < oy + 215 && y < image.height; ++y)
        for (int x = ox - 130; x < ox + 300 && x < image.width; ++x)
            if (image.at(x, y) == 0xFF0000u) return true;
    return false;
}

// The names in a run's directory.
std::set<std::string> names_in(const std::string& dir) {
    std::set<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

} // namespace

TEST(Faults, SaveIntoAnUnwritableDirectoryKeepsTheEarlierCard) {
    OutDir out;
    // Black background, then Save 1 with a shot during its pause; then the
    // card is still there to show: a chalk background in the last shot.
    harness::RunResult r = run(tab(0) + "click -300 -250\n" + tab(4) +
                                   act(SAVE_1, "shot " + (out / "failed.png") + "\n") + tab(0) +
                                   "click -198 -160\nwait 1\nshot " + (out / "after.png") +
                                   "\nconsole " + (out / "console.txt") + "\n",
                               {{"tobu1.sav", EARLIER}}, [] {
                                   make_directory_unwritable();
                                   if (!directory_stays_unwritable()) _exit(STATUS_CANNOT_DROP);
                               });
    if (r.status == STATUS_CANNOT_DROP) GTEST_SKIP() << "cannot keep a run from writing here";
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.read("tobu1.sav"), EARLIER);
    EXPECT_EQ(names(r), (Names{"tobu1.sav"}));
    EXPECT_TRUE(status_line_red(out / "failed.png")); // "Cannot save C:TOBU1.SAV."
    EXPECT_NE(read_out(out / "console.txt")
                  .find("Cannot save C:TOBU1.SAV.: cannot create the file (tobu1.sav)."),
              std::string::npos)
        << read_out(out / "console.txt");
    harness::Image after;
    ASSERT_TRUE(harness::load_png(out / "after.png", after));
    EXPECT_EQ(after.at(after.width / 2 + 70, after.height / 2 - 10), 0xFFFF99u); // chalk
}

TEST(Faults, SaveCutShortByTheFileSizeLimitKeepsTheEarlierCard) {
    OutDir out;
    // A card of huge values (about 1.8 kB) does not fit under a 1 kB limit;
    // the earlier card, loaded again, does, and is saved to slot 3.
    harness::RunResult r =
        run(tab(4) + act(LOAD_2) + act(SAVE_1) + act(LOAD_1) + act(SAVE_3) + "console " +
                (out / "console.txt") + "\n",
            {{"tobu1.sav", EARLIER}, {"tobu2.sav", huge_card()}}, [] { limit_file_size(1024); });
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_GT(huge_card().size(), 1024u);
    EXPECT_EQ(r.read("tobu1.sav"), EARLIER);
    EXPECT_EQ(names(r), (Names{"tobu1.sav", "tobu2.sav", "tobu3.sav"}));
    EXPECT_EQ(r.read("tobu3.sav"), EARLIER);
    std::string console = read_out(out / "console.txt");
    EXPECT_NE(console.find("Cannot save C:TOBU1.SAV.: cannot write the file (tobu1.sav)."),
              std::string::npos)
        << console;
    EXPECT_EQ(console.find("TOBU3"), std::string::npos) << console;
}

TEST(Faults, LoadOfADirectoryOrAVanishedFileChangesNothing) {
    OutDir out;
    // Slot 3 holds the card; slot 1 is a directory, slot 2 is gone. After
    // both loads, Save 3 writes the same card again. The failed load's red
    // text is still there after its pause and more; the missing slot's
    // load is silent, and shows the tab's own text.
    harness::RunResult r =
        run(tab(4) + act(LOAD_3) + act(LOAD_1) + "wait 5\nshot " + (out / "load_failed.png") +
                "\n" + act(LOAD_2) + "shot " + (out / "missing.png") + "\n" + act(SAVE_3) +
                "console " + (out / "console.txt") + "\n",
            {{"tobu3.sav", EARLIER}}, [] {
                if (mkdir("tobu1.sav", 0755) != 0) _exit(126);
            });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.read("tobu3.sav"), EARLIER);
    EXPECT_TRUE(fs::is_directory(r.path("tobu1.sav")));
    std::string console = read_out(out / "console.txt");
    EXPECT_NE(console.find("Cannot load C:TOBU1.SAV."), std::string::npos) << console;
    EXPECT_TRUE(status_line_red(out / "load_failed.png")); // "Cannot load C:TOBU1.SAV."
    // A slot that was never saved is not an error.
    EXPECT_EQ(console.find("TOBU2"), std::string::npos) << console;
    EXPECT_FALSE(status_line_red(out / "missing.png"));
}

TEST(Faults, SaveOverADirectoryStaysRedUntilTheNextClick) {
    OutDir out;
    // Slot 1's name is taken by a directory, so its save cannot be put in
    // place; a click on the card, which does nothing in this tab, brings
    // the tab's own text back.
    harness::RunResult r = run(tab(4) + act(SAVE_1) + "wait 5\nshot " + (out / "failed.png") +
                                   "\nclick 0 0\nwait 1\nshot " + (out / "clicked.png") +
                                   "\nconsole " + (out / "console.txt") + "\n",
                               {}, [] {
                                   if (mkdir("tobu1.sav", 0755) != 0) _exit(126);
                               });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_directory(r.path("tobu1.sav")));
    EXPECT_FALSE(r.exists("tobu1.sav.tmp"));
    EXPECT_TRUE(status_line_red(out / "failed.png")); // "Cannot save C:TOBU1.SAV."
    EXPECT_FALSE(status_line_red(out / "clicked.png"));
    EXPECT_NE(read_out(out / "console.txt").find("Cannot save C:TOBU1.SAV."), std::string::npos);
}

TEST(Faults, RecordingWhereTheScriptCannotBeWritten) {
    OutDir out;
    const std::string record = "key ctrl+r\n" + tab(2) + tab(3) + tab(4) + "key ctrl+r\n";
    // An unwritable directory: every event's write tries again and says so.
    harness::RunResult r =
        run(record + tab(4) + act(LOAD_1) + "console " + (out / "unwritable.txt") + "\n",
            {{"tobu1.sav", EARLIER}}, [] {
                make_directory_unwritable();
                if (!directory_stays_unwritable()) _exit(STATUS_CANNOT_DROP);
            });
    if (r.status == STATUS_CANNOT_DROP) GTEST_SKIP() << "cannot keep a run from writing here";
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.exists("KV319.SCR"));
    EXPECT_EQ(r.read("tobu1.sav"), EARLIER);
    EXPECT_NE(
        read_out(out / "unwritable.txt").find("Cannot open script file KV319.SCR for writing"),
        std::string::npos);

    // The script's name taken by a directory, and a script that outgrows
    // the file-size limit: then a save still works.
    harness::RunResult d =
        run(record + tab(4) + act(SAVE_2) + "console " + (out / "directory.txt") + "\n",
            {{"tobu1.sav", EARLIER}}, [] {
                if (mkdir("KV319.SCR", 0755) != 0) _exit(126);
            });
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_TRUE(fs::is_directory(d.path("KV319.SCR")));
    EXPECT_EQ(d.read("tobu2.sav"), card("5 -1 0 1 1"));
    EXPECT_NE(read_out(out / "directory.txt").find("Cannot open script file KV319.SCR for writing"),
              std::string::npos);

    std::string many;
    for (int i = 0; i < 40; ++i)
        many += tab(i % 4);
    harness::RunResult l = run("key ctrl+r\n" + many + "key ctrl+r\n" + tab(4) + act(SAVE_2) +
                                   "console " + (out / "limit.txt") + "\n",
                               {{"tobu1.sav", EARLIER}}, [] { limit_file_size(400); });
    ASSERT_EQ(l.status, 0) << l.err;
    EXPECT_LE(l.read("KV319.SCR").size(), 400u);
    EXPECT_EQ(l.read("tobu2.sav"), card("5 -1 0 1 1"));
    EXPECT_NE(read_out(out / "limit.txt").find("Cannot write script file KV319.SCR"),
              std::string::npos)
        << read_out(out / "limit.txt");
}

TEST(Faults, PlaybackOfADirectoryOrOfBinaryData) {
    OutDir out;
    // Playback ends at once; live clicks then edit and save the card.
    const std::string after = tab(0) + "click -300 -250\n" + tab(4) + act(SAVE_2);
    harness::RunResult d =
        run("key ctrl+p\nwait 2\n" + after + "console " + (out / "directory.txt") + "\n",
            {{"tobu1.sav", EARLIER}}, [] {
                if (mkdir("KV319.SCR", 0755) != 0) _exit(126);
            });
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(d.read("tobu1.sav"), EARLIER);
    EXPECT_EQ(d.read("tobu2.sav"), card("0 -1 0 1 1"));
    EXPECT_NE(read_out(out / "directory.txt").find("Cannot read script file KV319.SCR"),
              std::string::npos)
        << read_out(out / "directory.txt");

    // Every byte value, zero bytes and line breaks among them, and a run
    // of digits that overflows: nothing of it is an event.
    std::string binary;
    for (int round = 0; round < 8; ++round)
        for (int c = 0; c < 256; ++c)
            binary += static_cast<char>((c * 37 + round) & 0xFF);
    binary += "KV319_PERIODIC(99999999999999999999);\n";
    harness::RunResult b =
        run("key ctrl+p\nwait 2\n" + after + "console " + (out / "binary.txt") + "\n",
            {{"tobu1.sav", EARLIER}, {"KV319.SCR", binary}});
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(b.read("tobu1.sav"), EARLIER);
    EXPECT_EQ(b.read("tobu2.sav"), card("0 -1 0 1 1"));
    EXPECT_EQ(b.read("KV319.SCR"), binary);
}

// Files that would hold the program in open() for good, or feed it without
// end: each is refused with the operation's message, and the program goes on.
TEST(Faults, PipesDevicesAndEndlessFilesAreRefusedWithoutWaiting) {
    OutDir out;
    const std::string START = card("5 -1 0 1 1");
    const std::string playback = "key ctrl+p\nwait 2\nkey ctrl+o\nwait 2\n";
    // Load 1 of a pipe, Save 2 past a pipe at its temporary name, both
    // playbacks and a recording of a pipe; the save proves the rest.
    harness::RunResult p =
        run(tab(4) + act(LOAD_1) + act(SAVE_2) + playback + "key ctrl+r\n" + tab(2) + tab(4) +
                "key ctrl+r\nconsole " + (out / "pipes.txt") + "\n",
            {}, [] {
                for (const char* name : {"tobu1.sav", "tobu2.sav.tmp", "KV319.SCR"})
                    if (mkfifo(name, 0644) != 0) _exit(126);
            });
    ASSERT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.read("tobu2.sav"), START);
    EXPECT_EQ(names(p), (Names{"KV319.SCR", "tobu1.sav", "tobu2.sav", "tobu2.sav.tmp"}));
    for (const char* name : {"tobu1.sav", "tobu2.sav.tmp", "KV319.SCR"})
        EXPECT_EQ(type_of(p, name), fs::file_type::fifo) << name;
    std::string console = read_out(out / "pipes.txt");
    EXPECT_NE(console.find("Cannot load C:TOBU1.SAV.: cannot read the file (tobu1.sav)."),
              std::string::npos)
        << console;
    EXPECT_EQ(console.find("TOBU2"), std::string::npos) << console;
    const std::string UNREADABLE = "Cannot read script file KV319.SCR\n";
    const std::string UNWRITABLE = "Cannot write script file KV319.SCR\n";
    EXPECT_NE(console.find(UNREADABLE + UNREADABLE + UNWRITABLE), std::string::npos) << console;

    // The slot and the script as links to an endless device.
    harness::RunResult d = run(
        tab(4) + act(LOAD_3) + playback + act(SAVE_2) + "console " + (out / "device.txt") + "\n",
        {}, [] {
            if (symlink("/dev/zero", "tobu3.sav") != 0 || symlink("/dev/zero", "KV319.SCR") != 0)
                _exit(126);
        });
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(d.read("tobu2.sav"), START);
    console = read_out(out / "device.txt");
    EXPECT_NE(console.find("Cannot load C:TOBU3.SAV.: cannot read the file (tobu3.sav)."),
              std::string::npos)
        << console;
    EXPECT_NE(console.find(UNREADABLE + UNREADABLE), std::string::npos) << console;

    // A plain script file of a terabyte of zero bytes (sparse: it takes no
    // room) with no line break: playback gives up on it, twice.
    harness::RunResult e =
        run(playback + tab(4) + act(SAVE_2) + "console " + (out / "endless.txt") + "\n", {}, [] {
            int fd = open("KV319.SCR", O_WRONLY | O_CREAT, 0644);
            if (fd < 0 || ftruncate(fd, off_t{1} << 40) != 0) _exit(126);
            close(fd);
        });
    if (e.status == 126) GTEST_SKIP() << "this file system holds no terabyte file";
    ASSERT_EQ(e.status, 0) << e.err;
    EXPECT_EQ(e.read("tobu2.sav"), START);
    console = read_out(out / "endless.txt");
    EXPECT_NE(console.find(UNREADABLE + UNREADABLE), std::string::npos) << console;
}

// A link planted at the save's temporary name is neither written through nor
// put in the slot's place; a private card stays private; and the new file is
// on the disk before it replaces the slot.
TEST(Faults, ASaveMakesANewFileOnTheDiskWithTheEarlierFilesMode) {
    OutDir out;
    const std::string log = out / "sync.log";
    harness::RunResult r =
        run(tab(0) + "click -300 -250\n" + tab(4) + act(SAVE_1) + act(SAVE_2) + "console " +
                (out / "console.txt") + "\n",
            {{"tobu1.sav", EARLIER}}, [log] {
                umask(022);
                if (mkdir("elsewhere", 0755) != 0 || chmod("tobu1.sav", 0600) != 0) _exit(126);
                std::ofstream("elsewhere/victim.txt") << "victim\n";
                if (symlink("elsewhere/victim.txt", "tobu1.sav.tmp") != 0) _exit(126);
                setenv("LD_PRELOAD", KV319_SYNC_PROBE, 1);
                setenv("KV319_SYNC_LOG", log.c_str(), 1);
            });
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string BLACK = card("0 -1 0 1 1");
    EXPECT_EQ(r.read("elsewhere/victim.txt"), "victim\n");
    EXPECT_EQ(type_of(r, "tobu1.sav.tmp"), fs::file_type::symlink);
    EXPECT_EQ(type_of(r, "tobu1.sav"), fs::file_type::regular);
    EXPECT_EQ(r.read("tobu1.sav"), BLACK);
    EXPECT_EQ(r.read("tobu2.sav"), BLACK);
    EXPECT_EQ(names(r), (Names{"elsewhere", "tobu1.sav", "tobu1.sav.tmp", "tobu2.sav"}));
    struct stat st;
    ASSERT_EQ(stat(r.path("tobu1.sav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(r.path("tobu2.sav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u); // a new slot: the usual mode
    EXPECT_EQ(read_out(out / "console.txt").find("Cannot"), std::string::npos);

    // Each slot's rename comes after its file was forced to the disk.
    std::vector<std::string> calls;
    std::istringstream lines(read_out(log));
    for (std::string line; std::getline(lines, line);)
        calls.push_back(line);
    for (const std::string slot : {"tobu1.sav", "tobu2.sav"}) {
        auto rename = std::find_if(calls.begin(), calls.end(), [&](const std::string& c) {
            return c.rfind("rename ", 0) == 0 && c.size() > slot.size() &&
                   c.compare(c.size() - slot.size() - 1, std::string::npos, " " + slot) == 0;
        });
        ASSERT_NE(rename, calls.end()) << slot << "\n" << read_out(log);
        std::string temp = rename->substr(7, rename->size() - 7 - slot.size() - 1);
        EXPECT_NE(
            std::find(calls.begin(), rename, "fsync " + fs::canonical(r.dir).string() + "/" + temp),
            rename)
            << slot << "\n"
            << read_out(log);
    }
}

TEST(Faults, ShotsThatCannotBeWrittenKeepWhatTheNameHeld) {
    // A full disk (the file-size limit): the picture that was there stays,
    // and nothing else is left behind.
    harness::RunResult full = run("wait 1\nshot card.png\n", {{"card.png", "an earlier picture"}},
                                  [] { limit_file_size(1024); });
    EXPECT_EQ(full.status, 2);
    EXPECT_NE(full.err.find("2: cannot write \"card.png\""), std::string::npos) << full.err;
    EXPECT_EQ(full.read("card.png"), "an earlier picture");
    EXPECT_EQ(names_in(full.dir), (std::set<std::string>{"card.png", "commands.txt",
                                                         "runner.stderr", "runner.stdout"}));

    // A device that cannot take it (reached through a link here, so that
    // nothing of the system's is at stake) is not removed.
    harness::RunResult device = run("wait 1\nscreen full\n", {}, [] {
        if (symlink("/dev/full", "full") != 0) _exit(126);
    });
    EXPECT_EQ(device.status, 2);
    EXPECT_TRUE(fs::is_symlink(device.path("full")));

    // One that can be written replaces the picture, keeping its mode, and
    // through a link the link stays.
    harness::RunResult ok =
        run("wait 1\nshot card.png\nshot link.png\n", {{"card.png", "an earlier picture"}}, [] {
            if (chmod("card.png", 0604) != 0 || symlink("card.png", "link.png") != 0) _exit(126);
        });
    ASSERT_EQ(ok.status, 0) << ok.err;
    harness::Image shot;
    EXPECT_TRUE(harness::load_png(ok.path("card.png"), shot));
    EXPECT_EQ(fs::status(ok.path("card.png")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    EXPECT_TRUE(fs::is_symlink(ok.path("link.png")));
}

TEST(Faults, ValuesOnlyACardFileCanHold) {
    OutDir out;
    // A red Medium heart anchored far to the right whose pulse counter lies
    // far below its cycle: its left lobe (radius 150000022) covers the card.
    // A message of kind 7 that scrolls: no text, but its anchor moves.
    std::string file = "14 -1 12 18 2\n0 134217728 0 2 1 -300000000 0 1\n";
    for (int i = 1; i < 10; ++i)
        file += "-1 0 0 0 1 0 0 1\n";
    file += "7 5 40 0 1 2 1\n";
    for (int i = 1; i < 10; ++i)
        file += "-1 0 0 0 0 2 1\n";
    harness::RunResult r =
        run(tab(4) + act(LOAD_1) + "wait 1\nshot " + (out / "card.png") + "\n" + act(SAVE_2),
            {{"tobu1.sav", file}});
    ASSERT_EQ(r.status, 0) << r.err;
    harness::Image card;
    ASSERT_TRUE(harness::load_png(out / "card.png", card));
    const int ox = card.width / 2, oy = card.height / 2;
    for (auto [x, y] : {std::pair{-129, 189}, {269, -169}, {70, 10}, {-100, -150}, {250, 170}})
        EXPECT_EQ(card.at(ox + x, oy - y), 0xFF0000u) << x << ", " << y;

    std::string saved = r.read("tobu2.sav");
    size_t at = saved.find("\n7 ");
    ASSERT_NE(at, std::string::npos) << saved;
    EXPECT_GT(std::atoi(saved.c_str() + at + 3), 5) << saved;
}
