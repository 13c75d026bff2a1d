// frame_pictures_test.cpp: the frames of bench/frame_pictures.h, pixel for
// pixel against their golden pictures, so that a change to the drawing
// engine that moves one pixel of a real frame fails here; once as the
// program draws them, once with the rasteriser's shape cache switched off.
// A mismatch writes frame_NAME.actual.png and frame_NAME.diff.png into the
// test's working directory; after a deliberate change (a new font, say)
// regenerate with
//     KV319_REGENERATE_GOLDEN=1 ctest --preset dev -R FramePictures
#include <gtest/gtest.h>

#include "frame_pictures.h"
#include "raster_support.h"
#include "shape_cache.h"

namespace {

void expect_frames_match_goldens() {
    int pictures = 0;
    bool drawn = bench::draw_frame_pictures([&](const std::string& name, const ws::Canvas& c) {
        if (!c.pixels) return false;
        raster_test::expect_golden("frame_" + name, c.pixels, c.width, c.height, c.stride);
        ++pictures;
        return true;
    });
    EXPECT_TRUE(drawn);
    EXPECT_EQ(pictures, 33);
}

} // namespace

TEST(FramePictures, EveryFrameMatchesItsGolden) {
    expect_frames_match_goldens();
}

// Every shape worked out from its rule, which must give the same pixels.
TEST(FramePictures, EveryFrameMatchesItsGoldenWithoutTheShapeCache) {
    const bool was = ws::shape_cache_enable(false);
    expect_frames_match_goldens();
    ws::shape_cache_enable(was);
}
