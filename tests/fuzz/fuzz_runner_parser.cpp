// fuzz_runner_parser.cpp: any bytes as the headless runner's command line and
// command script. Bytes before the first pair of zero bytes are the command
// line (its words separated by single zero bytes); the rest is the script.
//
// Besides the sanitizers' findings: a script that parses gives commands in
// line order, each within the bounds that carrying it out relies on; one that
// does not names its line; and a key name that parses, parses the same again.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "runner.h"

namespace {

void check(bool ok) {
    if (!ok) abort();
}

// The number of lines of the script as parse_script counts them.
int line_count(const std::string& text) {
    int lines = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        ++lines;
    }
    return lines;
}

void check_commands(const std::vector<runner::Command>& commands, const runner::Options& o,
                    int lines) {
    int last = 0;
    for (const runner::Command& c : commands) {
        check(c.line > last && c.line <= lines);
        last = c.line;
        switch (c.kind) {
        case runner::CommandKind::Click:
        case runner::CommandKind::ClickClient:
            check(c.x >= -1000000 && c.x <= 1000000 && c.y >= -1000000 && c.y <= 1000000);
            break;
        case runner::CommandKind::ClickScreen:
            check(c.x >= 0 && c.y >= 0 && c.x < o.screen_width && c.y < o.screen_height);
            break;
        case runner::CommandKind::Key:
            check(c.keys.size() == 1);
            break;
        case runner::CommandKind::Type:
            check(!c.keys.empty());
            break;
        case runner::CommandKind::Wait:
            check(c.ticks <= 1000000000000ULL);
            break;
        case runner::CommandKind::Shot:
        case runner::CommandKind::Screen:
        case runner::CommandKind::Console:
            check(!c.file.empty());
            break;
        default:
            break;
        }
        check(c.file.size() <= runner::MAX_LINE_LENGTH && c.keys.size() <= runner::MAX_LINE_LENGTH);
        for (const runner::KeyPress& k : c.keys)
            check(k.vk > 0 && k.vk < 256 && k.ch >= 0 && k.ch < 256);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string script = bytes;
    runner::Options options;
    size_t split = bytes.find(std::string("\0\0", 2));
    if (split != std::string::npos) {
        script = bytes.substr(split + 2);
        std::vector<std::string> words{"card-designer-headless"};
        size_t pos = 0;
        while (pos <= split) {
            size_t end = bytes.find('\0', pos);
            if (end == std::string::npos || end > split) end = split;
            words.push_back(bytes.substr(pos, end - pos));
            pos = end + 1;
        }
        std::vector<const char*> argv;
        for (const std::string& w : words)
            argv.push_back(w.c_str());
        argv.push_back(nullptr);
        std::string error;
        if (!runner::parse_options(static_cast<int>(words.size()), argv.data(), options, error)) {
            check(!error.empty());
            options = runner::Options();
        }
        check(options.screen_width >= 100 && options.screen_width <= 16384);
        check(options.screen_height >= 100 && options.screen_height <= 16384);
    }

    std::vector<runner::Command> commands;
    std::string error;
    if (runner::parse_script(script, options, commands, error)) {
        check_commands(commands, options, line_count(script));
    } else {
        check(!error.empty() && error[0] >= '1' && error[0] <= '9');
    }

    // Every line of the script as a key name, and every byte as a character.
    size_t pos = 0;
    while (pos < script.size()) {
        size_t end = script.find('\n', pos);
        if (end == std::string::npos) end = script.size();
        runner::KeyPress first, second;
        std::string name = script.substr(pos, end - pos);
        if (runner::parse_key(name, first)) {
            check(runner::parse_key(name, second));
            check(first.vk == second.vk && first.ch == second.ch && first.ctrl == second.ctrl &&
                  first.shift == second.shift && first.alt == second.alt);
        }
        pos = end + 1;
    }
    for (char ch : script) {
        runner::KeyPress press;
        if (runner::key_for_char(ch, press)) check(press.ch == static_cast<unsigned char>(ch));
    }
    return 0;
}
