// runner_harness.cpp: runs card-designer-headless in a directory of its own
// and collects what it did.
#include "runner_harness.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "png_io.h"

#ifndef KV319_HEADLESS_PATH
#error "KV319_HEADLESS_PATH must name the card-designer-headless program"
#endif
#ifndef KV319_RUN_ROOT
#error "KV319_RUN_ROOT must name the folder for the runs' directories"
#endif

namespace harness {
namespace {

bool write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out.flush());
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string make_run_dir() {
    std::error_code ec;
    std::filesystem::create_directories(KV319_RUN_ROOT, ec);
    std::string pattern = std::string(KV319_RUN_ROOT) + "/run-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) return {};
    return buffer.data();
}

} // namespace

RunResult::RunResult(RunResult&& o) noexcept
    : status(o.status), out(std::move(o.out)), err(std::move(o.err)), dir(std::move(o.dir)) {
    o.dir.clear();
}

RunResult& RunResult::operator=(RunResult&& o) noexcept {
    if (this != &o) {
        discard();
        status = o.status;
        out = std::move(o.out);
        err = std::move(o.err);
        dir = std::move(o.dir);
        o.dir.clear();
    }
    return *this;
}

RunResult::~RunResult() {
    discard();
}

void RunResult::discard() {
    if (dir.empty()) return;
    if (testing::Test::HasFailure()) {
        std::fprintf(stderr, "headless run kept for a look: %s\n", dir.c_str());
    } else {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    dir.clear();
}

bool RunResult::exists(const std::string& name) const {
    std::error_code ec;
    return std::filesystem::exists(path(name), ec);
}

std::string RunResult::read(const std::string& name) const {
    return read_file(path(name));
}

namespace {

// Runs `program` with `options` in a fresh directory holding setup's files
// and its script as "commands.txt".
RunResult run_in_fresh_directory(const std::string& program, std::vector<std::string> options,
                                 const RunSetup& setup) {
    RunResult r;
    r.dir = make_run_dir();
    if (r.dir.empty()) {
        r.err = "harness: cannot make a directory for the run";
        return r;
    }
    for (const auto& [name, text] : setup.files)
        if (!write_file(r.path(name), text)) r.err = "harness: cannot write " + name;
    const std::string commands = r.path("commands.txt");
    const std::string out_path = r.path("runner.stdout"), err_path = r.path("runner.stderr");
    if (!write_file(commands, setup.script)) r.err = "harness: cannot write the commands";
    if (!r.err.empty()) return r;

    std::vector<std::string> args{program};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::fflush(nullptr);
    pid_t child = fork();
    if (child < 0) {
        r.err = "harness: fork failed";
        return r;
    }
    if (child == 0) {
        // Never outlive the test, and never run away with the machine.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        alarm(RUN_TIME_LIMIT_SECONDS);
        int in = open(setup.script_on_stdin ? commands.c_str() : "/dev/null", O_RDONLY);
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(r.dir.c_str()) != 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (setup.in_child) setup.in_child();
        execv(argv[0], argv.data());
        _exit(127);
    }
    int wstatus = 0;
    while (waitpid(child, &wstatus, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(wstatus))
        r.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus))
        r.status = 128 + WTERMSIG(wstatus);
    r.out = read_file(out_path);
    r.err = read_file(err_path);
    return r;
}

} // namespace

RunResult run_headless(const RunSetup& setup) {
    std::vector<std::string> options;
    if (!setup.script_on_stdin) options = {"--input", "commands.txt"};
    options.insert(options.end(), setup.args.begin(), setup.args.end());
    return run_in_fresh_directory(KV319_HEADLESS_PATH, std::move(options), setup);
}

RunResult run_program(const std::string& program, const RunSetup& setup) {
    return run_in_fresh_directory(program, setup.args, setup);
}

RunResult run_headless(const std::string& script, std::vector<std::string> args) {
    RunSetup setup;
    setup.script = script;
    setup.args = std::move(args);
    return run_headless(setup);
}

bool load_png(const std::string& path, Image& image) {
    return ws::read_png(path.c_str(), image.pixels, image.width, image.height);
}

} // namespace harness
