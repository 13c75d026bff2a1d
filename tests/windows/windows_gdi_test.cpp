// windows_gdi_test.cpp: the drawing probe on our layer against the same
// probe on the system's GDI (under Wine), cell by cell.
//
// Tolerances, by group (probe_cells.h):
// - exact: rectangles, pixels, one-pixel lines, polygon insides and outlines
//   and scrolled pixels are the same, pixel for pixel;
// - ellipse and wide-pen edges may move by one pixel: every pixel that
//   differs has, within one pixel in the other picture, a pixel of its own
//   colour (both ways round), and at most EDGE_SHARE of the cell's ink
//   differs (measured: at most 12%, in the wide ellipse and triangle);
// - text: both systems render the same face, but each with its own hinting
//   and anti-aliasing, so the text's ink box (pixels at least half way from
//   the background to the ink colour) agrees within TEXT_BOX_SLACK pixels
//   per side, and the amount of ink (the sum of every pixel's share of ink
//   colour) within TEXT_INK_SLACK_SMALL for small text, whose anti-aliased
//   edges the two weigh differently (the system's come out lighter), and
//   TEXT_INK_SLACK_LARGE for large text. An opaque text's box agrees within
//   one pixel at its top, left and bottom, and within TEXT_BOX_SLACK on the
//   right; transparent text leaves no background colour. Measured with
//   Wine 8 and Liberation Sans (what both match "KV319-font" to): boxes
//   within one pixel, but for the 12-pixel text's right edge, 3 pixels
//   further left under Wine, which draws that text narrower than the
//   extent it reports (both report 108 pixels; we draw what we report);
//   ink 3% lighter (12 pixels) and 5 to 8% heavier (60 pixels) on our side.
// Text metrics that the runtime reads (a text's height, a font's height and
// external leading) and a text's width agree within one pixel; the DC's
// defaults exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "probe_cells.h"
#include "wine_support.h"

namespace {

using namespace probe;
using winetest::Picture;

constexpr int TEXT_BOX_SLACK = 3;
constexpr double TEXT_INK_SLACK_SMALL = 0.5; // the 12-pixel text
constexpr double TEXT_INK_SLACK_LARGE = 0.15;
constexpr double EDGE_SHARE = 0.2;

uint32_t rgb_of(unsigned colorref) {
    return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

// The figures file: "key value..." lines (the Windows one has CRLF ends).
std::map<std::string, std::vector<long>> read_figures(const std::string& path) {
    std::map<std::string, std::vector<long>> figures;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string key;
        words >> key;
        long v;
        while (words >> v)
            figures[key].push_back(v);
    }
    return figures;
}

struct Run {
    std::string dir;
    Picture picture;
    std::map<std::string, std::vector<long>> figures;
};

// Both probes, run once for the whole test program.
struct Runs {
    Run ours, theirs;
    std::string error; // why they could not be had
};

Runs make_runs() {
    Runs r;
    std::string exe = winetest::windows_program("gdi_probe.exe");
    if (exe.empty() || !winetest::prefix_ready()) {
        r.error = "the cross-built probe or the Wine prefix is missing (the windows_cross_build "
                  "and windows_wine_prefix tests make them)";
        return r;
    }
    r.ours.dir = winetest::make_run_dir("gdi-ours");
    r.theirs.dir = winetest::make_run_dir("gdi-wine");
    int status = winetest::run({winetest::tools().linux_gdi_probe}, {}, r.ours.dir,
                               r.ours.dir + "/log.txt", 60);
    if (status != 0) r.error = "our probe ended with status " + std::to_string(status);
    status = winetest::run({winetest::tools().wine, exe}, winetest::wine_env(""), r.theirs.dir,
                           r.theirs.dir + "/log.txt", 120);
    winetest::stop_wine();
    if (status != 0 && r.error.empty())
        r.error = "the probe under Wine ended with status " + std::to_string(status);
    for (Run* run : {&r.ours, &r.theirs}) {
        if (!winetest::read_ppm(run->dir + "/" + PICTURE_FILE, run->picture) && r.error.empty())
            r.error = "no picture in " + run->dir;
        run->figures = read_figures(run->dir + "/" + FIGURES_FILE);
    }
    return r;
}

class WindowsGdi : public ::testing::Test {
  protected:
    static Runs* runs;

    void SetUp() override {
        if (!runs) runs = new Runs(make_runs());
        ASSERT_TRUE(runs->error.empty()) << runs->error;
        ASSERT_EQ(runs->ours.picture.width, PICTURE_WIDTH);
        ASSERT_EQ(runs->theirs.picture.width, PICTURE_WIDTH);
        ASSERT_EQ(runs->ours.picture.height, PICTURE_HEIGHT);
        ASSERT_EQ(runs->theirs.picture.height, PICTURE_HEIGHT);
    }

    void TearDown() override {
        if (!runs) return;
        if (HasFailure()) {
            write_diff();
        } else {
            winetest::remove_if_passed(runs->ours.dir);
            winetest::remove_if_passed(runs->theirs.dir);
        }
    }

    const Picture& ours() { return runs->ours.picture; }
    const Picture& theirs() { return runs->theirs.picture; }

    // A picture of where the two differ (red) beside both, for a look.
    static void write_diff() {
        const Picture &a = runs->ours.picture, &b = runs->theirs.picture;
        Picture d;
        d.width = 3 * PICTURE_WIDTH;
        d.height = PICTURE_HEIGHT;
        d.pixels.assign(static_cast<size_t>(d.width) * d.height, 0xFFFFFF);
        for (int y = 0; y < PICTURE_HEIGHT; ++y)
            for (int x = 0; x < PICTURE_WIDTH; ++x) {
                size_t row = static_cast<size_t>(y) * d.width;
                d.pixels[row + x] = a.at(x, y);
                d.pixels[row + PICTURE_WIDTH + x] = b.at(x, y);
                d.pixels[row + 2 * PICTURE_WIDTH + x] =
                    a.at(x, y) == b.at(x, y) ? 0xFFFFFF : 0xFF0000;
            }
        std::string path = runs->ours.dir + "/ours-wine-diff.ppm";
        winetest::write_ppm(path, d);
        std::fprintf(stderr, "ours | Wine | differences: %s\n", path.c_str());
    }

    static bool near_colour(const Picture& p, int x, int y, uint32_t colour, const Cell& c) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                int px = x + dx, py = y + dy;
                if (px < c.x || py < c.y || px >= c.x + c.width || py >= c.y + c.height) continue;
                if (p.at(px, py) == colour) return true;
            }
        return false;
    }

    // The ink of a part of a cell over a background colour: each pixel's
    // share of the way from `paper` to `ink`, their sum, and the box of the
    // pixels at least half way.
    struct Ink {
        double amount = 0;
        int count = 0;
        int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;
    };
    static Ink ink_of(const Picture& p, const Cell& c, uint32_t ink, uint32_t paper, int x0 = 0,
                      int y0 = 0, int x1 = -1, int y1 = -1) {
        if (x1 < 0) x1 = c.width - 1, y1 = c.height - 1;
        Ink k;
        int along[3], length = 0;
        for (int i = 0; i < 3; ++i) {
            along[i] = static_cast<int>((ink >> (8 * i)) & 0xFF) -
                       static_cast<int>((paper >> (8 * i)) & 0xFF);
            length += along[i] * along[i];
        }
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                uint32_t v = p.at(c.x + x, c.y + y);
                double dot = 0;
                for (int i = 0; i < 3; ++i)
                    dot += along[i] * (static_cast<int>((v >> (8 * i)) & 0xFF) -
                                       static_cast<int>((paper >> (8 * i)) & 0xFF));
                double share = std::clamp(dot / length, 0.0, 1.0);
                k.amount += share;
                if (share < 0.5) continue;
                ++k.count;
                k.left = std::min(k.left, x);
                k.top = std::min(k.top, y);
                k.right = std::max(k.right, x);
                k.bottom = std::max(k.bottom, y);
            }
        return k;
    }
};

Runs* WindowsGdi::runs = nullptr;

TEST_F(WindowsGdi, RectanglesPixelsLinesPolygonsAndScrollingMatchExactly) {
    for (const Cell& c : CELLS) {
        if (c.group != GROUP_EXACT) continue;
        int differ = 0;
        std::string first;
        for (int y = c.y; y < c.y + c.height; ++y)
            for (int x = c.x; x < c.x + c.width; ++x)
                if (ours().at(x, y) != theirs().at(x, y)) {
                    if (differ++ < 4) {
                        char text[96];
                        std::snprintf(text, sizeof text, " (%d,%d) ours %06X Wine %06X", x - c.x,
                                      y - c.y, ours().at(x, y), theirs().at(x, y));
                        first += text;
                    }
                }
        EXPECT_EQ(differ, 0) << c.name << ":" << first;
    }
}

TEST_F(WindowsGdi, EllipseAndWidePenEdgesWithinOnePixel) {
    for (const Cell& c : CELLS) {
        if (c.group != GROUP_ELLIPSE && c.group != GROUP_WIDE) continue;
        int differ = 0, far = 0, ink = 0;
        for (int y = c.y; y < c.y + c.height; ++y)
            for (int x = c.x; x < c.x + c.width; ++x) {
                uint32_t a = ours().at(x, y), b = theirs().at(x, y);
                if (b != rgb_of(c.paper)) ++ink;
                if (a == b) continue;
                ++differ;
                if (!near_colour(theirs(), x, y, a, c) || !near_colour(ours(), x, y, b, c)) {
                    if (far++ < 3)
                        ADD_FAILURE() << c.name << ": (" << x - c.x << "," << y - c.y
                                      << ") differs by more than one pixel";
                }
            }
        EXPECT_EQ(far, 0) << c.name;
        ASSERT_GT(ink, 0) << c.name << " drew nothing under Wine";
        EXPECT_LE(differ, EDGE_SHARE * ink) << c.name << ": " << differ << " of " << ink;
    }
}

TEST_F(WindowsGdi, TextInkAndBoxesWithinTolerance) {
    for (const Cell& c : CELLS) {
        if (c.group != GROUP_TEXT) continue;
        bool opaque = std::string(c.name).find("opaque") != std::string::npos;
        bool small = std::string(c.name).find("text12") != std::string::npos;
        uint32_t ink = rgb_of(c.ink), paper = rgb_of(c.paper), box = rgb_of(c.box);

        // The background box: opaque text fills its cell box with the
        // background colour; transparent text shows none of it.
        Ink box_a = ink_of(ours(), c, box, paper), box_b = ink_of(theirs(), c, box, paper);
        Ink a, b;
        if (opaque) {
            ASSERT_GT(box_b.count, 0) << c.name;
            ASSERT_GT(box_a.count, 0) << c.name;
            EXPECT_EQ(box_a.left, TEXT_ORIGIN_X) << c.name;
            EXPECT_EQ(box_a.top, TEXT_ORIGIN_Y) << c.name;
            EXPECT_LE(std::abs(box_a.left - box_b.left), 1) << c.name;
            EXPECT_LE(std::abs(box_a.top - box_b.top), 1) << c.name;
            EXPECT_LE(std::abs(box_a.bottom - box_b.bottom), 1) << c.name;
            EXPECT_LE(std::abs(box_a.right - box_b.right), TEXT_BOX_SLACK) << c.name;
            a = ink_of(ours(), c, ink, box, box_a.left, box_a.top, box_a.right, box_a.bottom);
            b = ink_of(theirs(), c, ink, box, box_b.left, box_b.top, box_b.right, box_b.bottom);
        } else {
            EXPECT_EQ(box_a.count, 0) << c.name;
            EXPECT_EQ(box_b.count, 0) << c.name;
            a = ink_of(ours(), c, ink, paper);
            b = ink_of(theirs(), c, ink, paper);
        }

        ASSERT_GT(b.count, 0) << c.name << " shows no text under Wine";
        ASSERT_GT(a.count, 0) << c.name << " shows no text on our layer";
        EXPECT_LE(std::abs(a.left - b.left), TEXT_BOX_SLACK) << c.name;
        EXPECT_LE(std::abs(a.top - b.top), TEXT_BOX_SLACK) << c.name;
        EXPECT_LE(std::abs(a.right - b.right), TEXT_BOX_SLACK) << c.name;
        EXPECT_LE(std::abs(a.bottom - b.bottom), TEXT_BOX_SLACK) << c.name;
        double slack = small ? TEXT_INK_SLACK_SMALL : TEXT_INK_SLACK_LARGE;
        EXPECT_LE(std::abs(a.amount - b.amount), slack * b.amount)
            << c.name << ": ink " << a.amount << " ours, " << b.amount << " Wine";
    }
}

TEST_F(WindowsGdi, FiguresTheRuntimeReadsAgree) {
    auto& a = runs->ours.figures;
    auto& b = runs->theirs.figures;
    ASSERT_FALSE(b.empty());
    // Exactly: defaults, returned objects and values, the scroll's update box.
    for (const char* key : {"default_bk_mode", "default_bk_colour", "select_returns_replaced",
                            "set_bk_mode_returns_previous", "setpixel_result", "getpixel_back",
                            "moveto_previous_x", "moveto_previous_y", "scroll_part_update"}) {
        ASSERT_TRUE(b.count(key)) << key;
        EXPECT_EQ(a[key], b[key]) << key;
    }
    // Within a pixel: what the runtime measures text with.
    for (const Cell& c : CELLS) {
        if (c.group != GROUP_TEXT) continue;
        for (const char* what :
             {"_extent_cx", "_extent_cy", "_tm_height", "_tm_external_leading"}) {
            std::string key = std::string(c.name) + what;
            ASSERT_EQ(b[key].size(), 1u) << key;
            ASSERT_EQ(a[key].size(), 1u) << key;
            EXPECT_LE(std::abs(a[key][0] - b[key][0]), 1) << key;
        }
    }
    // The text window's fixed font is the system's choice (the layer's is
    // larger); it is reported, not compared.
    if (b.count("fixed_tm_height") && a.count("fixed_tm_height"))
        std::printf("ANSI_FIXED_FONT height: ours %ld, Wine %ld\n", a["fixed_tm_height"][0],
                    b["fixed_tm_height"][0]);
}

} // namespace
