// wine_support.cpp: processes, X servers, directories and pictures for the
// Wine tests. See wine_support.h.
#include "wine_support.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "png_io.h"

extern char** environ;

namespace winetest {

const Tools& tools() {
    static const Tools t = {
        KV319_WINE_PATH,           KV319_WINESERVER_PATH, KV319_XVFB_PATH,   KV319_XDOTOOL_PATH,
        KV319_IMPORT_PATH,         KV319_WINE_PREFIX,     KV319_WINDOWS_BIN, KV319_LINUX_GDI_PROBE,
        KV319_LINUX_MESSAGE_PROBE, KV319_WINE_RUN_ROOT,
    };
    return t;
}

std::string windows_program(const std::string& name) {
    for (const char* sub : {"editor/", "tests/windows/"}) {
        std::string path = tools().windows_bin + "/" + sub + name;
        if (access(path.c_str(), R_OK) == 0) return path;
    }
    return "";
}

bool prefix_ready() {
    return access((tools().prefix + "/.kv319-ready").c_str(), F_OK) == 0;
}

namespace {
std::set<std::string>& dirs_to_remove() {
    static std::set<std::string> dirs;
    return dirs;
}

// Removes the passed tests' directories at the end of the program.
class RemoveWhenPassed : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo& info) override {
        if (!info.result()->Failed()) {
            std::error_code ignored;
            for (const std::string& d : dirs_to_remove())
                std::filesystem::remove_all(d, ignored);
        } else {
            for (const std::string& d : dirs_to_remove())
                std::fprintf(stderr, "kept for a look: %s\n", d.c_str());
        }
        dirs_to_remove().clear();
    }
};
} // namespace

std::string make_run_dir(const std::string& name) {
    std::error_code ignored;
    std::filesystem::create_directories(tools().run_root, ignored);
    std::string pattern = tools().run_root + "/" + name + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) return "";
    return buffer.data();
}

void remove_if_passed(const std::string& dir) {
    static bool listening = false;
    if (!listening) {
        testing::UnitTest::GetInstance()->listeners().Append(new RemoveWhenPassed);
        listening = true;
    }
    dirs_to_remove().insert(dir);
}

EnvChanges wine_env(const std::string& display) {
    EnvChanges env = {"WINEPREFIX=" + tools().prefix, "WINEDEBUG=-all",
                      "WINEDLLOVERRIDES=mscoree,mshtml="};
    env.push_back(display.empty() ? "DISPLAY" : "DISPLAY=" + display);
    return env;
}

namespace {

std::vector<std::string> changed_environment(const EnvChanges& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    for (const std::string& c : changes) {
        std::string name = c.substr(0, c.find('='));
        std::erase_if(env, [&](const std::string& v) {
            return v.compare(0, name.size() + 1, name + "=") == 0;
        });
        if (c.find('=') != std::string::npos) env.push_back(c);
    }
    return env;
}

pid_t start(const std::vector<std::string>& argv, const EnvChanges& changes, const std::string& dir,
            int out_fd, int err_fd) {
    std::vector<std::string> env_strings = changed_environment(changes);
    std::vector<char*> args, env;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : env_strings)
        env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid != 0) return pid;
    // The child: its own directory and output, no terminal on stdin. It
    // goes when the test does, even one killed for taking too long.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(125);
    int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd >= 0) dup2(null_fd, 0);
    if (out_fd >= 0) dup2(out_fd, 1);
    if (err_fd >= 0) dup2(err_fd, 2);
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
    execve(args[0], args.data(), env.data());
    _exit(127);
}

std::vector<std::string> limited(const std::vector<std::string>& argv, int limit_seconds) {
    std::vector<std::string> all = {"/usr/bin/timeout", "--kill-after=5",
                                    std::to_string(limit_seconds)};
    all.insert(all.end(), argv.begin(), argv.end());
    return all;
}

} // namespace

pid_t spawn(const std::vector<std::string>& argv, const EnvChanges& env, const std::string& dir,
            const std::string& log, int limit_seconds) {
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    pid_t pid = start(limited(argv, limit_seconds), env, dir, fd, fd);
    if (fd >= 0) close(fd);
    return pid;
}

int wait_for(pid_t pid) {
    if (pid <= 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

int run(const std::vector<std::string>& argv, const EnvChanges& env, const std::string& dir,
        const std::string& log, int limit_seconds) {
    return wait_for(spawn(argv, env, dir, log, limit_seconds));
}

std::string run_for_output(const std::vector<std::string>& argv, const EnvChanges& env,
                           int limit_seconds) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return "";
    int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    pid_t pid = start(limited(argv, limit_seconds), env, "", fds[1], null_fd);
    close(fds[1]);
    if (null_fd >= 0) close(null_fd);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0) text.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    return wait_for(pid) == 0 ? text : "";
}

void stop_wine() {
    if (tools().wineserver.empty()) return;
    EnvChanges env = {"WINEPREFIX=" + tools().prefix};
    run({tools().wineserver, "-k"}, env, "", "/dev/null", 30);
    run({tools().wineserver, "-w"}, env, "", "/dev/null", 30);
}

Xvfb::Xvfb(int width, int height) {
    if (tools().xvfb.empty()) return;
    // Xvfb picks a free display and writes its number to the pipe.
    int fds[2];
    if (pipe(fds) != 0) return;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::vector<std::string> argv = {tools().xvfb, "-displayfd", std::to_string(fds[1]),
                                     "-screen",    "0",          screen,
                                     "-nolisten",  "tcp",        "-noreset"};
    int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    pid_ = start(argv, {}, "", null_fd, null_fd);
    close(fds[1]);
    if (null_fd >= 0) close(null_fd);
    std::string number;
    char c;
    ssize_t n;
    while ((n = read(fds[0], &c, 1)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0 && c >= '0' && c <= '9')
            number += c;
        else if (n > 0 && c == '\n')
            break;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
}

Xvfb::~Xvfb() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        wait_for(pid_);
    }
}

bool read_ppm(const std::string& path, Picture& picture) {
    picture = Picture{};
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    int w = 0, h = 0, maxval = 0;
    bool ok = std::fscanf(f, "P6 %d %d %d", &w, &h, &maxval) == 3 && maxval == 255 && w > 0 &&
              h > 0 && w <= 16384 && h <= 16384 && std::fgetc(f) != EOF;
    std::vector<unsigned char> bytes;
    if (ok) {
        bytes.resize(static_cast<size_t>(w) * h * 3);
        ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    }
    std::fclose(f);
    if (!ok) return false;
    picture.width = w;
    picture.height = h;
    picture.pixels.resize(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] =
            (uint32_t{bytes[3 * i]} << 16) | (uint32_t{bytes[3 * i + 1]} << 8) | bytes[3 * i + 2];
    return true;
}

bool write_ppm(const std::string& path, const Picture& picture) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", picture.width, picture.height);
    for (uint32_t p : picture.pixels) {
        unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                static_cast<unsigned char>(p >> 8), static_cast<unsigned char>(p)};
        std::fwrite(rgb, 1, 3, f);
    }
    bool ok = !std::ferror(f);
    return std::fclose(f) == 0 && ok;
}

bool read_png(const std::string& path, Picture& picture) {
    picture = Picture{};
    return ws::read_png(path.c_str(), picture.pixels, picture.width, picture.height);
}

void pause_ms(int ms) {
    timespec t{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

} // namespace winetest
