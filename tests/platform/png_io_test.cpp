// Tests of PNG reading and writing: round trips, the common kinds of PNG a
// golden image may come as, and files that must be refused.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "png_io.h"

namespace {

std::string temp_path(const char* name) {
    return testing::TempDir() + "png_io_" + name;
}

// Writes a PNG of another kind through libpng's simple interface.
bool write_other(const std::string& path, uint32_t format, int w, int h, const void* data,
                 const void* colormap = nullptr, int colormap_entries = 0) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = format;
    image.colormap_entries = static_cast<png_uint_32>(colormap_entries);
    return png_image_write_to_file(&image, path.c_str(), 0, data, 0, colormap) != 0;
}

// The CRC-32 of PNG chunks.
uint32_t crc32(const unsigned char* data, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= data[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
}

} // namespace

TEST(PngIo, RoundTripHonoursStride) {
    const int w = 5, h = 3, stride = 7;
    std::vector<uint32_t> src(static_cast<size_t>(stride) * h, 0xDEADBE);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            src[static_cast<size_t>(y) * stride + x] =
                static_cast<uint32_t>(y * 0x100000 + x * 0x33 + 0x010203);
    std::string path = temp_path("round.png");
    ASSERT_TRUE(ws::write_png(path.c_str(), src.data(), w, h, stride));

    std::vector<uint32_t> back;
    int bw = 0, bh = 0;
    ASSERT_TRUE(ws::read_png(path.c_str(), back, bw, bh));
    EXPECT_EQ(bw, w);
    EXPECT_EQ(bh, h);
    ASSERT_EQ(back.size(), 15u);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(back[static_cast<size_t>(y) * w + x],
                      src[static_cast<size_t>(y) * stride + x]);
    // The byte above 0x00RRGGBB is not part of the colour.
    uint32_t high = 0xFF123456;
    ASSERT_TRUE(ws::write_png(path.c_str(), &high, 1, 1, 1));
    ASSERT_TRUE(ws::read_png(path.c_str(), back, bw, bh));
    EXPECT_EQ(back[0], 0x123456u);
}

TEST(PngIo, ReadsGrayPaletteAndAlphaImages) {
    std::vector<uint32_t> px;
    int w = 0, h = 0;

    const unsigned char gray[4] = {0, 0x40, 0x80, 0xFF};
    std::string p1 = temp_path("gray.png");
    ASSERT_TRUE(write_other(p1, PNG_FORMAT_GRAY, 2, 2, gray));
    ASSERT_TRUE(ws::read_png(p1.c_str(), px, w, h));
    EXPECT_EQ(px, (std::vector<uint32_t>{0x000000, 0x404040, 0x808080, 0xFFFFFF}));

    // Alpha is dropped, not composed: a clear pixel keeps its colour.
    const unsigned char rgba[8] = {0x10, 0x20, 0x30, 0x00, 0xAA, 0xBB, 0xCC, 0xFF};
    std::string p2 = temp_path("rgba.png");
    ASSERT_TRUE(write_other(p2, PNG_FORMAT_RGBA, 2, 1, rgba));
    ASSERT_TRUE(ws::read_png(p2.c_str(), px, w, h));
    EXPECT_EQ(px, (std::vector<uint32_t>{0x102030, 0xAABBCC}));

    const unsigned char ga[4] = {0x55, 0x00, 0x99, 0x80};
    std::string p3 = temp_path("ga.png");
    ASSERT_TRUE(write_other(p3, PNG_FORMAT_GA, 2, 1, ga));
    ASSERT_TRUE(ws::read_png(p3.c_str(), px, w, h));
    EXPECT_EQ(px, (std::vector<uint32_t>{0x555555, 0x999999}));

    const unsigned char palette[6] = {0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF};
    const unsigned char index[3] = {1, 0, 1};
    std::string p4 = temp_path("palette.png");
    ASSERT_TRUE(write_other(p4, PNG_FORMAT_RGB_COLORMAP, 3, 1, index, palette, 2));
    ASSERT_TRUE(ws::read_png(p4.c_str(), px, w, h));
    EXPECT_EQ(w, 3);
    EXPECT_EQ(px, (std::vector<uint32_t>{0x0000FF, 0xFF0000, 0x0000FF}));
}

TEST(PngIo, RefusesWhatIsNotAWholePng) {
    std::vector<uint32_t> px{1, 2, 3};
    int w = 9, h = 9;
    EXPECT_FALSE(ws::read_png(temp_path("missing.png").c_str(), px, w, h));
    EXPECT_TRUE(px.empty());
    EXPECT_EQ(w, 0);

    std::string text = temp_path("text.png");
    FILE* f = std::fopen(text.c_str(), "wb");
    std::fputs("not a picture at all", f);
    std::fclose(f);
    EXPECT_FALSE(ws::read_png(text.c_str(), px, w, h));

    // A good file cut short in its image data.
    std::vector<uint32_t> big(64 * 64);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint32_t>(i * 2654435761u);
    std::string cut = temp_path("cut.png");
    ASSERT_TRUE(ws::write_png(cut.c_str(), big.data(), 64, 64, 64));
    f = std::fopen(cut.c_str(), "rb");
    std::vector<char> bytes(100000);
    size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    ASSERT_GT(n, 200u);
    f = std::fopen(cut.c_str(), "wb");
    std::fwrite(bytes.data(), 1, n / 2, f);
    std::fclose(f);
    EXPECT_FALSE(ws::read_png(cut.c_str(), px, w, h));
    EXPECT_TRUE(px.empty());

    // Headers that claim vast images, with good checksums, are refused.
    for (unsigned side : {40000u, 16000u}) {
        unsigned char ihdr[17] = {'I',
                                  'H',
                                  'D',
                                  'R',
                                  0,
                                  0,
                                  static_cast<unsigned char>(side >> 8),
                                  static_cast<unsigned char>(side),
                                  0,
                                  0,
                                  static_cast<unsigned char>(side >> 8),
                                  static_cast<unsigned char>(side),
                                  8,
                                  2,
                                  0,
                                  0,
                                  0};
        uint32_t crc = crc32(ihdr, sizeof ihdr);
        unsigned char crc_bytes[4] = {
            static_cast<unsigned char>(crc >> 24), static_cast<unsigned char>(crc >> 16),
            static_cast<unsigned char>(crc >> 8), static_cast<unsigned char>(crc)};
        ASSERT_TRUE(ws::write_png(cut.c_str(), big.data(), 64, 64, 64));
        f = std::fopen(cut.c_str(), "r+b");
        std::fseek(f, 12, SEEK_SET);
        std::fwrite(ihdr, 1, sizeof ihdr, f);
        std::fwrite(crc_bytes, 1, 4, f);
        std::fclose(f);
        EXPECT_FALSE(ws::read_png(cut.c_str(), px, w, h)) << side;
        EXPECT_TRUE(px.empty());
    }
}

TEST(PngIo, WriteRefusesBadArgumentsAndPaths) {
    uint32_t px[4] = {};
    EXPECT_FALSE(ws::write_png(temp_path("no_dir/x.png").c_str(), px, 2, 2, 2));
    EXPECT_FALSE(ws::write_png(temp_path("bad.png").c_str(), px, 0, 2, 2));
    EXPECT_FALSE(ws::write_png(temp_path("bad.png").c_str(), px, 2, 2, 1));
    EXPECT_FALSE(ws::write_png(temp_path("bad.png").c_str(), nullptr, 2, 2, 2));
    EXPECT_FALSE(ws::write_png(nullptr, px, 2, 2, 2));
}
