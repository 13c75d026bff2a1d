// wine_support.h: running the Windows build under Wine from Linux tests.
//
// The tools' paths are fixed when the build is configured (the windows_tools
// test fails when one was not found). Every run happens in
// a fresh directory under the build tree, kept when the test fails so that
// its pictures and logs can be looked at. Programs run with a time limit
// (`timeout`), a safety net against a hang, not a measure of speed.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace winetest {

struct Tools {
    std::string wine, wineserver, xvfb, xdotool, import;
    std::string prefix;      // the build tree's Wine prefix
    std::string windows_bin; // the cross build tree
    std::string linux_gdi_probe, linux_message_probe;
    std::string run_root;
};
const Tools& tools();

// A cross-built program, by file name ("card-designer.exe"), or "" when it
// has not been built.
std::string windows_program(const std::string& name);
// Whether the Wine prefix has been made.
bool prefix_ready();

// A fresh directory for one run: <run root>/<name>-XXXXXX.
std::string make_run_dir(const std::string& name);
// Marks the directory for removal when the test passes.
void remove_if_passed(const std::string& dir);

// Environment changes for a child: NAME=VALUE sets, NAME alone unsets.
using EnvChanges = std::vector<std::string>;
// The environment a Wine program runs with; `display` "" means no X server
// (the null graphics driver).
EnvChanges wine_env(const std::string& display);

// Starts a program in `dir` with its output sent to `log` (appending),
// killed after `limit_seconds`. Returns its process id, or -1.
pid_t spawn(const std::vector<std::string>& argv, const EnvChanges& env, const std::string& dir,
            const std::string& log, int limit_seconds);
// Waits for a started program; its exit status, or 128 + signal.
int wait_for(pid_t pid);
// spawn and wait_for.
int run(const std::vector<std::string>& argv, const EnvChanges& env, const std::string& dir,
        const std::string& log, int limit_seconds);
// Runs a program and returns what it wrote on standard output ("" on
// failure).
std::string run_for_output(const std::vector<std::string>& argv, const EnvChanges& env,
                           int limit_seconds);

// Stops the prefix's Wine server and everything it runs, and waits until it
// is gone, so that the next run starts clean.
void stop_wine();

// An X server of our own, on a free display number, for one test.
class Xvfb {
  public:
    Xvfb(int width, int height);
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    bool ok() const { return !display_.empty(); }
    const std::string& display() const { return display_; } // ":N"

  private:
    pid_t pid_ = -1;
    std::string display_;
};

// An RGB picture, 0x00RRGGBB per pixel.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};
// Reads a binary PPM (P6, maxval 255); false for anything else.
bool read_ppm(const std::string& path, Picture& picture);
bool write_ppm(const std::string& path, const Picture& picture);
// Reads a PNG.
bool read_png(const std::string& path, Picture& picture);

// Sleeps, between polls of something a program shows.
void pause_ms(int ms);

} // namespace winetest
