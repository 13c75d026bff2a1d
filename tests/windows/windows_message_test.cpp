// windows_message_test.cpp: the messages a window and a dialog receive on our
// layer against the system's own (under Wine): the same messages, in the same
// order, with the same values.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "wine_support.h"

namespace {

std::vector<std::string> read_lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

TEST(WindowsMessages, OrderAndValuesFollowTheSystem) {
    std::string exe = winetest::windows_program("message_probe.exe");
    ASSERT_FALSE(exe.empty()) << "no cross-built message_probe.exe (windows_cross_build makes it)";
    ASSERT_TRUE(winetest::prefix_ready()) << "no Wine prefix (windows_wine_prefix makes it)";

    std::string ours = winetest::make_run_dir("messages-ours");
    std::string theirs = winetest::make_run_dir("messages-wine");
    ASSERT_EQ(
        winetest::run({winetest::tools().linux_message_probe}, {}, ours, ours + "/log.txt", 60), 0);
    int status = winetest::run({winetest::tools().wine, exe}, winetest::wine_env(""), theirs,
                               theirs + "/log.txt", 120);
    winetest::stop_wine();
    ASSERT_EQ(status, 0);

    std::vector<std::string> a = read_lines(ours + "/message_probe.txt");
    std::vector<std::string> b = read_lines(theirs + "/message_probe.txt");
    ASSERT_FALSE(b.empty());
    // The log ends with the window's destruction and the quit it posts.
    EXPECT_EQ(b.back(), "close took WM_QUIT 0");
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        std::string x = i < a.size() ? a[i] : "(nothing)";
        std::string y = i < b.size() ? b[i] : "(nothing)";
        ASSERT_EQ(x, y) << "line " << i + 1 << ": ours, then the system's";
    }
    winetest::remove_if_passed(ours);
    winetest::remove_if_passed(theirs);
}

} // namespace
