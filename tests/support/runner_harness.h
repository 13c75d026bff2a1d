// runner_harness.h: end-to-end runs of the card designer through the
// headless runner, for tests.
//
// Each run happens in a fresh directory (the program's current directory,
// where card files, the script file and the runner's PNG and console files
// go), with the given commands written to "commands.txt" and passed with
// --input. The directory is removed when the result goes away, unless the
// test has failed: then it is kept and its path printed, for a look.
//
// Use: link the target `runner_harness` and include this header.
//
//     harness::RunResult r = harness::run_headless("wait 3\nshot card.png\n");
//     EXPECT_EQ(r.status, 0) << r.err;
//     harness::Image card;
//     ASSERT_TRUE(harness::load_png(r.path("card.png"), card));
//     EXPECT_EQ(card.at(300, 250), 0xFFFFFFu);
//
// A run that hangs is killed after RUN_TIME_LIMIT_SECONDS of wall time and
// reports status 128 + SIGALRM; that is a safety net, not a measure.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace harness {

inline constexpr unsigned RUN_TIME_LIMIT_SECONDS = 100;

struct RunSetup {
    std::string script;            // the commands, as the file's text
    std::vector<std::string> args; // more options: "--screen", "800x600", ...
    // Files put in the directory before the run: name, contents.
    std::vector<std::pair<std::string, std::string>> files;
    bool script_on_stdin = false; // give the commands on standard input instead
    // Runs in the child, in the run's directory, just before the program
    // starts: limits, permissions, capabilities to take away. A child that
    // must not go on calls _exit with a status of its own.
    std::function<void()> in_child;
};

class RunResult {
  public:
    int status = -1; // the exit status; 128 + the signal when one ended it
    std::string out; // what the program wrote to standard output
    std::string err; // ... and to standard error
    std::string dir; // the run's directory

    RunResult() = default;
    RunResult(RunResult&& other) noexcept;
    RunResult& operator=(RunResult&& other) noexcept;
    RunResult(const RunResult&) = delete;
    RunResult& operator=(const RunResult&) = delete;
    ~RunResult();

    std::string path(const std::string& name) const { return dir + "/" + name; }
    bool exists(const std::string& name) const;
    std::string read(const std::string& name) const; // "" when missing

  private:
    void discard(); // removes the directory, or keeps it when the test failed
};

RunResult run_headless(const RunSetup& setup);
RunResult run_headless(const std::string& script, std::vector<std::string> args = {});
// Runs another program (a path) the same way, with setup.args as its whole
// command line; setup.script is only written to "commands.txt".
RunResult run_program(const std::string& program, const RunSetup& setup);

// A PNG read back, pixels 0x00RRGGBB, rows packed.
struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
bool load_png(const std::string& path, Image& image);

} // namespace harness
