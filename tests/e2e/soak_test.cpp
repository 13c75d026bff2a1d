// soak_test.cpp: a long headless run of the card designer with every slot of
// the card used and every effect on, the scripted user switching logging on
// for one frame in ten so that the text window's history churns all the
// way. The program runs in this process (its real WinMain, the runner's
// scripted user), so that its memory can be read between frames.
//
// Frames: KV319_SOAK_FRAMES (default 20000; 2000 under AddressSanitizer,
// whose quarantine makes resident memory meaningless, so only the heap and
// the layer's tables are compared there). Figures go to standard output.
#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gdi.h"
#include "headless_start.h"
#include "runner.h"
#include "state.h"
#include "winsys.h"
#include "wm.h"

#if defined(__SANITIZE_ADDRESS__)
#define SOAK_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_UNDER_ASAN 1
#endif
#endif
#ifdef SOAK_UNDER_ASAN
#include <sanitizer/allocator_interface.h>
#endif

namespace ws {
size_t memory_live_blocks();
}

namespace {

namespace fs = std::filesystem;

// Every shape kind twice or more, all animated and flashing, each size; six
// scrolling greetings at every speed and four subliminal messages.
std::string soak_card() {
    std::ostringstream s;
    s << "12 1 3 9 2\n";
    for (int i = 0; i < 10; ++i)
        s << i % 4 << " " << -100 + 35 * i << " " << 150 - 30 * i << " " << 2 + i << " " << 20 - i
          << " 1 1 " << i % 4 << "\n";
    for (int i = 0; i < 10; ++i)
        s << (i < 6 ? i : 6) << " " << -120 + 38 * i << " " << 170 - 33 * i << " " << 3 + i << " 1 "
          << i % 5 << " " << i % 4 << "\n";
    return s.str();
}

std::vector<long long> numbers(const std::string& text) {
    std::istringstream in(text);
    std::vector<long long> out;
    for (long long v; in >> v;)
        out.push_back(v);
    return out;
}

std::string read_file(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

struct Sample {
    uint64_t frame = 0;
    long rss_kb = 0;
    size_t heap = 0; // bytes allocated and not freed
    size_t gdi_objects = 0, dcs = 0, memory_blocks = 0, windows = 0;
};

long resident_kb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

size_t heap_in_use() {
#ifdef SOAK_UNDER_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}

Sample sample(uint64_t frame) {
    Sample s;
    s.frame = frame;
    s.rss_kb = resident_kb();
    s.heap = heap_in_use();
    s.gdi_objects = ws::gdi_objects().live_count();
    s.dcs = ws::gdi_dcs().live_count();
    s.memory_blocks = ws::memory_live_blocks();
    s.windows = ws::wm_windows().live_count();
    return s;
}

uint64_t soak_frames() {
    if (const char* e = std::getenv("KV319_SOAK_FRAMES")) {
        long long n = std::atoll(e);
        if (n >= 2000) return static_cast<uint64_t>(n / 100 * 100);
    }
#ifdef SOAK_UNDER_ASAN
    return 2000;
#else
    return 20000;
#endif
}

char instance_tag;

} // namespace

TEST(Soak, EveryEffectOnWithLoggingChurnsNoMemoryAndKeepsCountersInRange) {
    const uint64_t frames = soak_frames();
    char name[] = "/tmp/kv319_soak_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    fs::path home = fs::current_path(), dir = name;
    fs::current_path(dir);
    const std::string card = soak_card();
    std::ofstream("tobu1.sav") << card;

    // Files tab, Load 1; then blocks of 100 frames, the first ten logged;
    // then Save 2 and the console.
    std::string script = "click 197 230\nclick -250 74\nwait 3\n";
    for (uint64_t i = 0; i < frames / 100; ++i)
        script += "key ctrl+l\nwait 10\nkey ctrl+l\nwait 90\n";
    script += "click -250 144\nwait 3\nconsole console.txt\n";

    runner::Options options;
    options.max_ticks = frames * 2 + 1000;
    std::vector<runner::Command> commands;
    std::string error;
    ASSERT_TRUE(runner::parse_script(script, options, commands, error)) << error;
    static runner::Runner* user;
    user = new runner::Runner(std::move(commands), options);

    static std::vector<Sample> samples;
    static uint64_t logged_idles, idles_after_load;
    static uint64_t start_tick;
    static uint64_t every;
    samples.clear();
    logged_idles = idles_after_load = 0;
    start_tick = UINT64_MAX;
    every = frames / 10;
    ws::HeadlessDriver& driver = ws::headless_start(1024, 768);
    driver.set_idle_handler([](ws::HeadlessDriver& d, uint64_t deadline) {
        uint64_t tick = d.now_ms() / runner::TICK_MS;
        // The load is done once the blocks begin (command 3 is the wait).
        if (start_tick == UINT64_MAX && user->commands_done() >= 3) start_tick = tick;
        if (start_tick != UINT64_MAX) {
            ++idles_after_load;
            if (rt.logging_on) ++logged_idles;
            uint64_t frame = tick - start_tick;
            uint64_t next = samples.empty() ? 1000 : samples.back().frame + every;
            if (frame >= next) samples.push_back(sample(frame));
        }
        user->on_idle(d, deadline);
    });

    int status = WinMain(reinterpret_cast<HINSTANCE>(&instance_tag), nullptr, const_cast<LPSTR>(""),
                         SW_SHOWDEFAULT);
    Sample last = sample(samples.empty() ? 0 : samples.back().frame);
    std::string saved = read_file("tobu2.sav"), console = read_file("console.txt");
    fs::current_path(home);
    fs::remove_all(dir);
    delete user;
    ASSERT_EQ(status, 0);

    std::printf("soak: %llu frames, %llu idles after the load, %llu with logging on\n",
                static_cast<unsigned long long>(frames),
                static_cast<unsigned long long>(idles_after_load),
                static_cast<unsigned long long>(logged_idles));
    for (const Sample& s : samples)
        std::printf("soak: frame %7llu  rss %6ld kB  heap %9zu B  gdi %zu  dc %zu  blocks %zu  "
                    "windows %zu\n",
                    static_cast<unsigned long long>(s.frame), s.rss_kb, s.heap, s.gdi_objects,
                    s.dcs, s.memory_blocks, s.windows);
    ASSERT_GE(samples.size(), 2u);
    const Sample& first = samples.front();
    EXPECT_EQ(first.frame, 1000u);
    EXPECT_GT(logged_idles, frames / 20); // logging really was on, a tenth of the time
    for (const Sample& s : samples) {
        // Between frames the layer holds the same objects: every pen, brush
        // and font lives inside one call; the history keeps 25 lines.
        EXPECT_EQ(s.gdi_objects, first.gdi_objects) << "frame " << s.frame;
        EXPECT_EQ(s.dcs, first.dcs) << "frame " << s.frame;
        EXPECT_EQ(s.memory_blocks, first.memory_blocks) << "frame " << s.frame;
        EXPECT_EQ(s.windows, first.windows) << "frame " << s.frame;
        EXPECT_LE(s.heap, first.heap + 64 * 1024) << "frame " << s.frame;
#ifndef SOAK_UNDER_ASAN
        EXPECT_LE(s.rss_kb, first.rss_kb + 256) << "frame " << s.frame;
#endif
    }
    EXPECT_EQ(first.memory_blocks, static_cast<size_t>(HISTORY_SIZE));
    EXPECT_EQ(last.gdi_objects, first.gdi_objects);

    // The counters after the run: each in its cycle, the spiral's counting
    // the frames drawn since the load.
    std::vector<long long> before = numbers(card), after = numbers(saved);
    ASSERT_EQ(after.size(), 155u) << saved;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(after[i], before[i]);
    for (int slot = 0; slot < 10; ++slot) {
        const long long* b = &before[5 + 8 * slot];
        const long long* a = &after[5 + 8 * slot];
        for (int f : {0, 1, 2, 3, 4, 7})
            EXPECT_EQ(a[f], b[f]) << "shape " << slot << " field " << f;
        long long animated = a[5], flashing = a[6];
        switch (b[0]) {
        case 0: // heart: pulse 1..range (at most 40), flash 1..9
            EXPECT_TRUE(animated >= 1 && animated <= 40) << slot << ": " << animated;
            EXPECT_TRUE(flashing >= 1 && flashing <= 9) << slot << ": " << flashing;
            break;
        case 1: // starburst: 1..12; its flash counter is left alone
            EXPECT_TRUE(animated >= 1 && animated <= 12) << slot << ": " << animated;
            EXPECT_EQ(flashing, 1);
            break;
        case 2: // spiral: one more every frame; marks 1..N
            EXPECT_GE(animated, 1 + static_cast<long long>(frames)) << slot;
            EXPECT_LE(animated, 1 + static_cast<long long>(frames) + 2000) << slot;
            EXPECT_GE(flashing, 1);
            EXPECT_LE(flashing, 1000);
            break;
        case 3: // face: 1..5, blink 1..16
            EXPECT_TRUE(animated >= 1 && animated <= 5) << slot << ": " << animated;
            EXPECT_TRUE(flashing >= 1 && flashing <= 16) << slot << ": " << flashing;
            break;
        }
    }
    for (int slot = 0; slot < 10; ++slot) {
        const long long* b = &before[85 + 7 * slot];
        const long long* a = &after[85 + 7 * slot];
        for (int f : {0, 2, 3, 5, 6})
            EXPECT_EQ(a[f], b[f]) << "message " << slot << " field " << f;
        if (b[0] < 6) { // a scrolling greeting stays on its track
            EXPECT_EQ(a[4], 1);
            EXPECT_TRUE(a[1] >= -130 && a[1] < 270 + 16) << slot << ": " << a[1];
        } else { // a subliminal message's cycle counter
            EXPECT_TRUE(a[4] >= 2 && a[4] <= 24) << slot << ": " << a[4];
        }
    }
    EXPECT_EQ(rt.periodic_count, 0);
    EXPECT_EQ(rt.logging_on, 0);
    // Logging was off when the console was written, so its lines are the
    // last ones logged: a full history of 25.
    EXPECT_EQ(std::count(console.begin(), console.end(), '\n'), HISTORY_SIZE) << console;
}
