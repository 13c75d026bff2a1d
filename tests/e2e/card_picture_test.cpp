// card_picture_test.cpp: card-picture end to end: a card saved by the
// designer through the runner comes out as the designer shows it, frame by
// frame; an animated GIF holds every frame exactly; the seed decides the
// random effects; bad input writes nothing and says why.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gif_io.h"
#include "panel_clicks.h"
#include "runner_harness.h"

namespace {

constexpr int WIDTH = 401, HEIGHT = 361;

// A card file: the first line, the shape lines and message lines given,
// the other slots empty.
std::string card(const std::string& head, const std::vector<std::string>& shapes,
                 const std::vector<std::string>& messages) {
    std::string text = head + "\n";
    for (size_t i = 0; i < 10; ++i)
        text += (i < shapes.size() ? shapes[i] : "-1 0 0 0 1 0 0 1") + "\n";
    for (size_t i = 0; i < 10; ++i)
        text += (i < messages.size() ? messages[i] : "-1 0 0 0 0 2 1") + "\n";
    return text;
}

harness::RunResult picture(const std::string& card_text, std::vector<std::string> args) {
    harness::RunSetup setup;
    setup.files = {{"card.sav", card_text}};
    setup.args = std::move(args);
    return harness::run_program(CARD_PICTURE_PATH, setup);
}

// The card area, graphics (-130, -170) to (270, 190), of a shot whose
// client area has its origin at the centre.
std::vector<uint32_t> card_area(const harness::Image& shot) {
    std::vector<uint32_t> area;
    int left = shot.width / 2 - 130, top = shot.height / 2 - 190;
    for (int y = top; y < top + HEIGHT; ++y)
        for (int x = left; x < left + WIDTH; ++x)
            area.push_back(shot.at(x, y));
    return area;
}

// How many pixels of two pictures of the card differ (all, when their
// sizes do).
size_t differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    if (a.size() != b.size()) return std::max(a.size(), b.size());
    size_t n = 0;
    for (size_t i = 0; i < a.size(); ++i)
        n += a[i] != b[i];
    return n;
}

std::vector<uint32_t> load(const std::string& path) {
    harness::Image image;
    if (!harness::load_png(path, image) || image.width != WIDTH || image.height != HEIGHT)
        return {};
    return image.pixels;
}

// Every effect that draws without the generator, so that the designer,
// seeded from the clock, draws what card-picture draws: a pulsing and
// flashing heart, a turning flashing spiral, a turning starburst, a blinking
// face, a scrolling greeting and one whose overflow wraps; a bowtie border.
const std::string EVERY_STEADY_EFFECT = card(
    "12 2 9 16 1",
    {"0 -40 100 2 1 1 1 2", "2 60 20 19 3 1 1 1", "1 150 -60 8 1 1 0 1", "3 180 120 17 1 0 13 1"},
    {"0 -100 -120 4 1 2 2", "5 180 20 13 0 2 1"});

// Writes past 200 bytes fail, as on a full disk.
void limit_file_size() {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {200, 200};
    setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace

// The designer loads the card, lets it run, saves it to slot 2 and goes on:
// the frames it shows after the save are card-picture's frames of the slot.
TEST(CardPicture, PictureOfASavedCardIsTheCardAreaOfTheDesignersFrames) {
    const std::string files = tab(CATEGORY_FILES), load_1 = button(3) + "wait 3\n",
                      save_2 = button(1) + "wait 3\n";
    harness::RunSetup designer;
    designer.files = {{"tobu1.sav", EVERY_STEADY_EFFECT}};
    designer.script = files + load_1 + "wait 4\n" + save_2 +
                      "shot first.png\nwait 1\nshot second.png\nwait 5\nshot seventh.png\n";
    harness::RunResult d = harness::run_headless(designer);
    ASSERT_EQ(d.status, 0) << d.err;
    const std::string saved = d.read("tobu2.sav");
    ASSERT_NE(saved, EVERY_STEADY_EFFECT); // the effects ran before the save

    const std::pair<const char*, int> frames[] = {
        {"first.png", 1}, {"second.png", 2}, {"seventh.png", 7}};
    std::vector<uint32_t> previous;
    for (const auto& [shot_name, count] : frames) {
        SCOPED_TRACE(shot_name);
        harness::Image shot;
        ASSERT_TRUE(harness::load_png(d.path(shot_name), shot));
        harness::RunResult p =
            picture(saved, {"--frames", std::to_string(count), "card.sav", "card.png"});
        ASSERT_EQ(p.status, 0) << p.err;
        EXPECT_EQ(p.err, "");
        std::vector<uint32_t> made = load(p.path("card.png"));
        ASSERT_EQ(made.size(), size_t{WIDTH} * HEIGHT);
        EXPECT_EQ(differing(made, card_area(shot)), 0u);
        EXPECT_GT(differing(made, previous), 0u); // the frames do move
        previous = made;
    }
}

// A flashing spiral and a scrolling greeting: 20 frames, each shown for
// 100 ms, looping, all different; and since none has more than 256 colours,
// each is exactly the frame that a PNG of that many frames shows.
TEST(CardPicture, GifHoldsEveryFrameExactly) {
    const std::string text = card("7 -1 0 1 1", {"2 150 100 19 3 0 1 2"}, {"1 -120 -100 6 1 3 1"});
    harness::RunResult g = picture(text, {"--frames=20", "card.sav", "card.gif"});
    ASSERT_EQ(g.status, 0) << g.err;
    ws::GifPicture gif;
    ASSERT_TRUE(ws::read_gif(g.path("card.gif").c_str(), gif));
    EXPECT_EQ(gif.width, WIDTH);
    EXPECT_EQ(gif.height, HEIGHT);
    ASSERT_EQ(gif.frames.size(), 20u);
    EXPECT_TRUE(gif.loops);
    EXPECT_EQ(gif.delays_cs, std::vector<int>(20, 10));
    std::set<std::vector<uint32_t>> distinct(gif.frames.begin(), gif.frames.end());
    EXPECT_EQ(distinct.size(), 20u);

    for (int count : {1, 20}) {
        harness::RunResult p =
            picture(text, {"--frames", std::to_string(count), "card.sav", "card.png"});
        ASSERT_EQ(p.status, 0) << p.err;
        std::vector<uint32_t> png = load(p.path("card.png"));
        ASSERT_LE(std::set<uint32_t>(png.begin(), png.end()).size(), 256u);
        EXPECT_EQ(differing(png, gif.frames[count - 1]), 0u) << "frame " << count;
    }
}

// A large greeting over a huge spiral gives a frame of about 400 colours
// (the text's smoothed edges over two backgrounds): the colours that cover
// the most pixels stay exact; each pixel of a rare one shows the nearest
// colour that the GIF has, and few pixels change.
TEST(CardPicture, GifFrameOfMoreThan256ColoursKeepsTheMostUsedExactly) {
    const std::string text = card("7 -1 0 1 1", {"2 0 0 19 3 0 1 3"}, {"1 -120 -100 6 1 3 2"});
    harness::RunResult g = picture(text, {"card.sav", "card.gif"});
    harness::RunResult p = picture(text, {"card.sav", "card.png"});
    ASSERT_EQ(g.status, 0) << g.err;
    ASSERT_EQ(p.status, 0) << p.err;
    ws::GifPicture gif;
    ASSERT_TRUE(ws::read_gif(g.path("card.gif").c_str(), gif));
    ASSERT_EQ(gif.frames.size(), 1u);
    const std::vector<uint32_t> png = load(p.path("card.png"));
    ASSERT_EQ(png.size(), gif.frames[0].size());

    std::map<uint32_t, int> uses;
    for (uint32_t c : png)
        ++uses[c];
    ASSERT_GT(uses.size(), 256u);
    std::vector<int> counts;
    for (const auto& [colour, n] : uses)
        counts.push_back(n);
    std::sort(counts.rbegin(), counts.rend());
    const int kept = counts[256]; // colours used more often than the 257th are kept
    const std::set<uint32_t> palette(gif.frames[0].begin(), gif.frames[0].end());
    auto distance = [](uint32_t a, uint32_t b) {
        int d = 0;
        for (int shift : {0, 8, 16}) {
            int c = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
            d += c * c;
        }
        return d;
    };
    int changed = 0;
    for (size_t i = 0; i < png.size(); ++i) {
        const uint32_t shown = gif.frames[0][i];
        if (shown == png[i]) continue;
        ++changed;
        ASSERT_LE(uses[png[i]], kept) << std::hex << png[i] << " is common but changed";
        ASSERT_TRUE(uses.count(shown)) << std::hex << shown << " is not a colour of the frame";
        for (uint32_t other : palette)
            ASSERT_LE(distance(png[i], shown), distance(png[i], other))
                << std::hex << png[i] << " shown as " << shown << ", not " << other;
    }
    EXPECT_GT(changed, 0);
    EXPECT_LT(changed, static_cast<int>(png.size()) / 100);
}

// A subliminal message shows in the first frame at a place and in a word
// that the generator picks: the same seed, the same bytes.
TEST(CardPicture, SeedDecidesTheRandomEffects) {
    const std::string text = card("5 -1 0 1 1", {}, {"6 0 0 0 0 1 3"});
    std::vector<std::string> outputs;
    for (const char* seed : {"", "", "2"}) {
        std::vector<std::string> args{"card.sav", "card.png"};
        if (*seed) args.insert(args.begin(), {"--seed", seed});
        harness::RunResult p = picture(text, args);
        ASSERT_EQ(p.status, 0) << p.err;
        outputs.push_back(p.read("card.png"));
    }
    EXPECT_FALSE(outputs[0].empty());
    EXPECT_EQ(outputs[0], outputs[1]);
    EXPECT_NE(outputs[0], outputs[2]);
}

// Each bad input: status 2, one line on stderr, and nothing written (an
// earlier picture stays as it was, no file is left beside it).
TEST(CardPicture, BadInputWritesNothing) {
    const std::string good = card("5 -1 0 1 1", {}, {});
    struct Case {
        const char* what;
        std::vector<std::string> args;
        void (*prepare)();
        const char* said;
    };
    const Case cases[] = {
        {"missing card", {"none.sav", "old.png"}, nullptr, "No such file"},
        {"directory", {"folder", "old.png"}, [] { mkdir("folder", 0755); }, "directory"},
        {"FIFO", {"pipe", "old.png"}, [] { mkfifo("pipe", 0644); }, "not a regular file"},
        {"unknown type", {"card.sav", "card.jpg"}, nullptr, ".png or .gif"},
        {"no frames", {"--frames", "0", "card.sav", "old.png"}, nullptr, "--frames"},
        {"too many frames", {"--frames=601", "card.sav", "old.gif"}, nullptr, "1 to 600"},
        {"bad seed", {"--seed", "-1", "card.sav", "old.png"}, nullptr, "--seed"},
        {"missing folder", {"card.sav", "none/card.png"}, nullptr, "none/card.png"},
        {"output is a folder",
         {"card.sav", "out.png"},
         [] { mkdir("out.png", 0755); },
         "directory"},
        {"one name", {"card.sav"}, nullptr, "card file and a picture"},
        {"full disk, PNG", {"card.sav", "old.png"}, limit_file_size, "cannot write"},
        {"full disk, GIF", {"card.sav", "old.gif"}, limit_file_size, "cannot write"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        harness::RunSetup setup;
        setup.files = {{"card.sav", good}, {"old.png", "earlier"}, {"old.gif", "earlier"}};
        setup.args = c.args;
        if (c.prepare) setup.in_child = c.prepare;
        harness::RunResult p = harness::run_program(CARD_PICTURE_PATH, setup);
        EXPECT_EQ(p.status, 2);
        EXPECT_EQ(std::count(p.err.begin(), p.err.end(), '\n'), 1) << p.err;
        EXPECT_NE(p.err.find(c.said), std::string::npos) << p.err;
        EXPECT_EQ(p.read("old.png"), "earlier");
        EXPECT_EQ(p.read("old.gif"), "earlier");
        for (const auto& entry : std::filesystem::directory_iterator(p.dir)) {
            std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "card.sav" || name == "old.png" || name == "old.gif" ||
                        name == "commands.txt" || name.rfind("runner.", 0) == 0 ||
                        name == "folder" || name == "pipe" || name == "out.png")
                << "left behind: " << name;
        }
    }
}
