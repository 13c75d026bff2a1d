// headless_main.cpp: the process entry of a KV319 program on the headless
// driver, driven by the scripted user.
//
// The whole command script is read and checked before the program starts,
// so that a bad line costs no run. The program's own exit status is the
// process's; runner errors exit with 2. The transcript, when asked for, is
// written once the program has ended.
#include <cstdio>
#include <string>

#include "runner.h"
#include "winsys.h"

namespace {

// Reads the whole stream, but stops once it has more than MAX_SCRIPT_BYTES:
// false with a message in `error` when it cannot be read or is longer.
bool read_all(FILE* f, const std::string& name, std::string& text, std::string& error) {
    char buffer[65536];
    size_t n;
    while (text.size() <= runner::MAX_SCRIPT_BYTES &&
           (n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    if (text.size() > runner::MAX_SCRIPT_BYTES) {
        error = "the commands from " + name + " are longer than " +
                std::to_string(runner::MAX_SCRIPT_BYTES >> 20) + " MiB";
        return false;
    }
    if (std::ferror(f)) {
        error = "cannot read the commands from " + name;
        return false;
    }
    return true;
}

bool read_commands(const std::string& path, std::string& text, std::string& error) {
    if (path.empty()) return read_all(stdin, "standard input", text, error);
    const std::string name = "\"" + path + "\"";
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot read the commands from " + name;
        return false;
    }
    bool ok = read_all(f, name, text, error);
    std::fclose(f);
    return ok;
}

// The program's instance: any unique non-null value serves.
char instance_tag;

} // namespace

int main(int argc, char** argv) {
    runner::Options options;
    std::string error;
    if (!runner::parse_options(argc, argv, options, error)) {
        std::fprintf(stderr, "%s\n%s", error.c_str(),
                     runner::usage(argc > 0 ? argv[0] : nullptr).c_str());
        return runner::EXIT_RUNNER_ERROR;
    }
    if (options.help) {
        std::fputs(runner::usage(argc > 0 ? argv[0] : nullptr).c_str(), stdout);
        return 0;
    }
    std::string text;
    if (!read_commands(options.input_path, text, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return runner::EXIT_RUNNER_ERROR;
    }
    std::vector<runner::Command> commands;
    if (!runner::parse_script(text, options, commands, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return runner::EXIT_RUNNER_ERROR;
    }

    static runner::Runner scripted_user(std::move(commands), options);
    runner::ScriptedDriver& driver =
        runner::scripted_start(options.screen_width, options.screen_height);
    driver.set_idle_handler(
        [](ws::HeadlessDriver& d, uint64_t deadline_ms) { scripted_user.on_idle(d, deadline_ms); });
    driver.set_busy_handler([](ws::HeadlessDriver& d) { scripted_user.on_busy(d); });
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(&instance_tag);
    int status = WinMain(instance, nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
    scripted_user.finish_transcript();
    std::fflush(nullptr);
    return status;
}
