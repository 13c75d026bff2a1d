// sdl_pixels_test.cpp: the real-window driver's change detection and
// scaling, which decide what reaches the screen.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sdl_pixels.h"

namespace {

using ws::Rect;
using namespace ws::sdl_pixels;

struct Image {
    int w, h;
    std::vector<uint32_t> px;
    Image(int w_, int h_, uint32_t fill = 0)
        : w(w_), h(h_), px(static_cast<size_t>(w_) * h_, fill) {}
    uint32_t& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
};

TEST(SdlPixels, OnlyPixelsThatDifferAreTakenAndReported) {
    Image now(40, 30, 0x112233), shown(40, 30, 0x112233);
    Rect all{0, 0, 40, 30};
    // The same picture again: nothing to show.
    EXPECT_TRUE(take_changes(now.px.data(), 40, shown.px.data(), 40, all).empty());

    // Changes at the area's corners and edges are found and copied; the
    // result is their bounding rectangle.
    now.at(0, 3) = 1;
    now.at(39, 3) = 2;
    now.at(17, 20) = 3;
    EXPECT_EQ(take_changes(now.px.data(), 40, shown.px.data(), 40, all), (Rect{0, 3, 40, 21}));
    EXPECT_EQ(shown.px, now.px);
    // Taken once, they are not reported again.
    EXPECT_TRUE(take_changes(now.px.data(), 40, shown.px.data(), 40, all).empty());

    // Outside the area a difference is neither reported nor copied.
    now.at(5, 5) = 9;
    now.at(30, 25) = 8;
    EXPECT_EQ(take_changes(now.px.data(), 40, shown.px.data(), 40, {20, 20, 40, 30}),
              (Rect{30, 25, 31, 26}));
    EXPECT_EQ(shown.at(30, 25), 8u);
    EXPECT_EQ(shown.at(5, 5), 0x112233u);
    EXPECT_TRUE(take_changes(now.px.data(), 40, shown.px.data(), 40, {}).empty());
}

TEST(SdlPixels, StridesLargerThanTheAreaAreHonoured) {
    // The layer's surface includes rows and columns the window never shows.
    Image now(50, 10, 7), shown(30, 10, 7);
    now.at(29, 9) = 1;
    now.at(40, 9) = 1; // beyond what is shown
    EXPECT_EQ(take_changes(now.px.data(), 50, shown.px.data(), 30, {0, 0, 30, 10}),
              (Rect{29, 9, 30, 10}));
    EXPECT_EQ(shown.at(29, 9), 1u);
}

TEST(SdlPixels, AnyFewDifferencesAreFoundWhereverTheyLie) {
    // Rows are scanned several pixels at a time: differences at every
    // column, alone or two together, in areas of every width and offset.
    uint32_t seed = 7;
    auto next = [&](int n) {
        return static_cast<int>((seed = seed * 1664525u + 1013904223u) >> 8) % n;
    };
    for (int round = 0; round < 2000; ++round) {
        Image now(23, 3, 5), shown(23, 3, 5);
        const int left = next(12), right = left + 1 + next(23 - left);
        const int x0 = next(23), x1 = next(23), y = next(3);
        now.at(x0, y) = 6;
        if (round % 2) now.at(x1, y) = 7;
        Rect want;
        for (int x = left; x < right; ++x)
            if (now.at(x, y) != shown.at(x, y)) want = want.unite({x, y, x + 1, y + 1});
        const std::vector<uint32_t> before = shown.px;
        ASSERT_EQ(take_changes(now.px.data(), 23, shown.px.data(), 23, {left, 0, right, 3}), want)
            << left << ".." << right << " at " << x0 << ", " << x1;
        for (int x = 0; x < 23; ++x)
            ASSERT_EQ(shown.at(x, y), x >= want.left && x < want.right
                                          ? now.at(x, y)
                                          : before[static_cast<size_t>(y) * 23 + x]);
    }
}

TEST(SdlPixels, ScaledAreasCoverExactlyTheNativePixelsThatShowTheArea) {
    EXPECT_EQ(scaled_area({3, 4, 10, 12}, 601, 501, 601, 501), (Rect{3, 4, 10, 12}));
    EXPECT_EQ(scaled_area({1, 2, 3, 5}, 100, 100, 200, 200), (Rect{2, 4, 6, 10}));
    EXPECT_TRUE(scaled_area({0, 0, 0, 5}, 100, 100, 200, 200).empty());
    EXPECT_TRUE(scaled_area({0, 0, 5, 5}, 0, 100, 200, 200).empty());
    // Clipped to the image.
    EXPECT_EQ(scaled_area({-5, -5, 500, 500}, 10, 10, 20, 20), (Rect{0, 0, 20, 20}));
    // Ratios that are not whole (125 %, 150 %, 175 %): a native pixel is
    // inside exactly when what it covers, from n * 10 / to to
    // (n + 1) * 10 / to, meets the area.
    for (int to : {12, 15, 17})
        for (int left = 0; left < 10; ++left)
            for (int right = left + 1; right <= 10; ++right) {
                Rect n = scaled_area({left, 0, right, 1}, 10, 1, to, 1);
                for (int x = 0; x < to; ++x) {
                    bool meets = x * 10 < right * to && (x + 1) * 10 > left * to;
                    ASSERT_EQ(x >= n.left && x < n.right, meets)
                        << to << ": " << left << ".." << right << " at " << x;
                }
            }
}

TEST(SdlPixels, WholeScalesMakeBlocksOfOneColourAndTouchOnlyTheAreasPixels) {
    Image from(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            from.at(x, y) = static_cast<uint32_t>(10 * y + x);
    // Twice the size: each pixel becomes a 2 x 2 block.
    Image twice(8, 6, 0xEEEEEE);
    scale_area(from.px.data(), 4, 4, 3, {0, 0, 4, 3}, twice.px.data(), 8, 8, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(twice.at(x, y), from.at(x / 2, y / 2)) << x << "," << y;

    // Part of the image, with an opaque alpha added: only its native pixels.
    Image part(8, 6, 0xEEEEEE);
    scale_area(from.px.data(), 4, 4, 3, {1, 1, 3, 2}, part.px.data(), 8, 8, 6, 0xFF000000u);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            bool inside = x >= 2 && x < 6 && y >= 2 && y < 4;
            EXPECT_EQ(part.at(x, y), inside ? (from.at(x / 2, y / 2) | 0xFF000000u) : 0xEEEEEEu)
                << x << "," << y;
        }

    // The same size: a copy of the area alone.
    Image same(4, 3, 0xEEEEEE);
    scale_area(from.px.data(), 4, 4, 3, {2, 0, 4, 1}, same.px.data(), 4, 4, 3);
    EXPECT_EQ(same.at(2, 0), from.at(2, 0));
    EXPECT_EQ(same.at(3, 0), from.at(3, 0));
    EXPECT_EQ(same.at(1, 0), 0xEEEEEEu);
    EXPECT_EQ(same.at(2, 1), 0xEEEEEEu);
}

TEST(SdlPixels, FractionalScalesMixOnlyWhereANativePixelStraddlesTwoImagePixels) {
    // A black column in white, at 150 %: image pixel 2k covers native
    // pixels 3k and half of 3k + 1, image pixel 2k + 1 the other half and
    // 3k + 2.
    Image from(6, 2, 0xFFFFFF);
    from.at(2, 0) = from.at(2, 1) = 0;
    Image grown(9, 3, 0xEEEEEE);
    scale_area(from.px.data(), 6, 6, 2, {0, 0, 6, 2}, grown.px.data(), 9, 9, 3);
    const uint32_t grey = 0x808080;
    const uint32_t want[9] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0,       grey,
                              0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    for (int x = 0; x < 9; ++x) {
        EXPECT_EQ(grown.at(x, 0), want[x]) << x;
        EXPECT_EQ(grown.at(x, 2), want[x]) << x;
    }
    // Across rows the same: the middle row mixes the two image rows.
    Image rows(2, 2);
    rows.at(0, 0) = rows.at(1, 0) = 0xFF0000;
    rows.at(0, 1) = rows.at(1, 1) = 0x0000FF;
    Image tall(3, 3);
    scale_area(rows.px.data(), 2, 2, 2, {0, 0, 2, 2}, tall.px.data(), 3, 3, 3);
    EXPECT_EQ(tall.at(0, 0), 0xFF0000u);
    EXPECT_EQ(tall.at(2, 1), 0x800080u);
    EXPECT_EQ(tall.at(1, 2), 0x0000FFu);

    // Every colour keeps its share of the picture (125 %, 175 %): the mix
    // is an average, and no image pixel is left out.
    for (int to : {5, 7}) {
        Image one(4, 1, 0);
        one.at(1, 0) = 0xFC0000;
        Image out(to, 1);
        scale_area(one.px.data(), 4, 4, 1, {0, 0, 4, 1}, out.px.data(), to, to, 1);
        int red = 0;
        for (int x = 0; x < to; ++x)
            red += static_cast<int>(out.at(x, 0) >> 16);
        EXPECT_NEAR(red, 0xFC * to / 4, 2) << to;
    }
}

} // namespace
