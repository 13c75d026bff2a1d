// gif_io.cpp: animated GIF files of pixel frames, over giflib.
//
// Every frame is written whole (the canvas size, its own palette, no
// transparency), so a frame never depends on the one before.
#include "gif_io.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>
#include <utility>

namespace ws {
namespace {

constexpr int MAX_COLOURS = 256;
// Larger canvases are refused before anything is allocated for them.
constexpr uint64_t MAX_PIXELS = uint64_t{1} << 26;

// A palette of at most 256 colours and the index of every colour of the
// frames it serves.
struct Palette {
    std::vector<uint32_t> colours;
    std::unordered_map<uint32_t, GifByteType> index;
};

using Counts = std::unordered_map<uint32_t, uint64_t>;

int squared_distance(uint32_t a, uint32_t b) {
    int dr = static_cast<int>((a >> 16) & 0xFF) - static_cast<int>((b >> 16) & 0xFF);
    int dg = static_cast<int>((a >> 8) & 0xFF) - static_cast<int>((b >> 8) & 0xFF);
    int db = static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF);
    return dr * dr + dg * dg + db * db;
}

// The most used colours first (ties by colour value, so the file is the same
// every time), the first 256 in the palette; any others map to the nearest
// of those.
Palette make_palette(const Counts& counts) {
    std::vector<std::pair<uint32_t, uint64_t>> used(counts.begin(), counts.end());
    std::sort(used.begin(), used.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    Palette palette;
    for (const auto& [colour, count] : used) {
        if (palette.colours.size() < static_cast<size_t>(MAX_COLOURS)) {
            palette.index[colour] = static_cast<GifByteType>(palette.colours.size());
            palette.colours.push_back(colour);
            continue;
        }
        int best = 0;
        int best_distance = squared_distance(colour, palette.colours[0]);
        for (int i = 1; i < MAX_COLOURS; ++i) {
            int d = squared_distance(colour, palette.colours[i]);
            if (d < best_distance) best = i, best_distance = d;
        }
        palette.index[colour] = static_cast<GifByteType>(best);
    }
    return palette;
}

// giflib's colour map for a palette: its size the next power of two (at
// least 2), the rest black. Null when giflib has no memory for it.
ColorMapObject* colour_map(const Palette& palette) {
    int size = 2;
    while (size < static_cast<int>(palette.colours.size()))
        size *= 2;
    std::vector<GifColorType> entries(size, GifColorType{0, 0, 0});
    for (size_t i = 0; i < palette.colours.size(); ++i) {
        uint32_t c = palette.colours[i];
        entries[i] = GifColorType{static_cast<GifByteType>((c >> 16) & 0xFF),
                                  static_cast<GifByteType>((c >> 8) & 0xFF),
                                  static_cast<GifByteType>(c & 0xFF)};
    }
    return GifMakeMapObject(size, entries.data());
}

// Repeats the animation forever: the application extension that viewers
// read as a loop count, 0 meaning no end.
bool put_loop_forever(GifFileType* gif) {
    static const GifByteType NAME[] = "NETSCAPE2.0";
    GifByteType loop[3] = {1, 0, 0};
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, 11, NAME) == GIF_OK &&
           EGifPutExtensionBlock(gif, 3, loop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
}

bool put_frame(GifFileType* gif, const uint32_t* pixels, int stride, int width, int height,
               int delay_cs, const Palette& palette, ColorMapObject* map) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = delay_cs;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    size_t length = EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) !=
            GIF_OK ||
        EGifPutImageDesc(gif, 0, 0, width, height, false, map) != GIF_OK)
        return false;
    std::vector<GifByteType> row(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = pixels + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x)
            row[x] = palette.index.at(src[x] & 0xFFFFFFu);
        if (EGifPutLine(gif, row.data(), width) != GIF_OK) return false;
    }
    return true;
}

void put_pixel_row(const SavedImage& image, const ColorMapObject* map, int row, int transparent,
                   GifPicture& picture, std::vector<uint32_t>& canvas) {
    const GifImageDesc& d = image.ImageDesc;
    int y = d.Top + row;
    if (y < 0 || y >= picture.height) return;
    for (int i = 0; i < d.Width; ++i) {
        int x = d.Left + i;
        if (x < 0 || x >= picture.width) continue;
        int k = image.RasterBits[static_cast<size_t>(row) * d.Width + i];
        if (k == transparent || k >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[k];
        canvas[static_cast<size_t>(y) * picture.width + x] =
            (uint32_t{c.Red} << 16) | (uint32_t{c.Green} << 8) | c.Blue;
    }
}

bool read_frames(GifFileType* gif, GifPicture& picture) {
    if (DGifSlurp(gif) != GIF_OK) return false;
    if (gif->SWidth <= 0 || gif->SHeight <= 0 || gif->ImageCount < 1 ||
        gif->ImageCount > GIF_MAX_FRAMES ||
        static_cast<uint64_t>(gif->SWidth) * gif->SHeight > MAX_PIXELS)
        return false;
    picture.width = gif->SWidth;
    picture.height = gif->SHeight;
    std::vector<uint32_t> canvas(static_cast<size_t>(picture.width) * picture.height, 0);
    if (gif->SColorMap && gif->SBackGroundColor < gif->SColorMap->ColorCount) {
        const GifColorType& c = gif->SColorMap->Colors[gif->SBackGroundColor];
        std::fill(canvas.begin(), canvas.end(),
                  (uint32_t{c.Red} << 16) | (uint32_t{c.Green} << 8) | c.Blue);
    }
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        const ColorMapObject* map =
            image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        if (!map || !image.RasterBits) return false;
        GraphicsControlBlock control{};
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif, i, &control);
        for (int row = 0; row < image.ImageDesc.Height; ++row)
            put_pixel_row(image, map, row, control.TransparentColor, picture, canvas);
        picture.frames.push_back(canvas);
        picture.delays_cs.push_back(control.DelayTime);
        for (int e = 0; e + 1 < image.ExtensionBlockCount; ++e) {
            const ExtensionBlock& name = image.ExtensionBlocks[e];
            const ExtensionBlock& data = image.ExtensionBlocks[e + 1];
            if (name.Function == APPLICATION_EXT_FUNC_CODE && name.ByteCount == 11 &&
                std::memcmp(name.Bytes, "NETSCAPE2.0", 11) == 0 && data.ByteCount == 3 &&
                data.Bytes[0] == 1 && data.Bytes[1] == 0 && data.Bytes[2] == 0)
                picture.loops = true;
        }
    }
    return true;
}

} // namespace

GifWriter::~GifWriter() {
    abandon();
}

void GifWriter::abandon() {
    if (!gif_) return;
    int error = 0;
    EGifCloseFile(gif_, &error);
    gif_ = nullptr;
    std::remove(path_.data());
}

bool GifWriter::open(const char* path, int width, int height, int delay_cs) {
    abandon();
    failed_ = false;
    if (!path || width <= 0 || height <= 0 || width > 65535 || height > 65535 || delay_cs < 0 ||
        delay_cs > 65535 || static_cast<uint64_t>(width) * height > MAX_PIXELS)
        return false;
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    path_.assign(path, path + std::strlen(path) + 1);
    int error = 0;
    gif_ = EGifOpenFileHandle(fd, &error);
    if (!gif_) {
        close(fd);
        std::remove(path);
        return false;
    }
    width_ = width;
    height_ = height;
    delay_cs_ = delay_cs;
    // No palette for the whole file: each frame brings its own.
    EGifSetGifVersion(gif_, true);
    if (EGifPutScreenDesc(gif_, width, height, 8, 0, nullptr) != GIF_OK ||
        !put_loop_forever(gif_)) {
        abandon();
        return false;
    }
    return true;
}

bool GifWriter::add_frame(const uint32_t* pixels, int stride) {
    if (!gif_ || failed_ || !pixels || stride < width_) return false;
    try {
        Counts counts;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                ++counts[pixels[static_cast<size_t>(y) * stride + x] & 0xFFFFFFu];
        Palette palette = make_palette(counts);
        ColorMapObject* map = colour_map(palette);
        bool ok = map && put_frame(gif_, pixels, stride, width_, height_, delay_cs_, palette, map);
        if (map) GifFreeMapObject(map);
        if (!ok) failed_ = true;
    } catch (const std::bad_alloc&) {
        failed_ = true;
    }
    return !failed_;
}

bool GifWriter::finish() {
    if (!gif_) return false;
    int error = 0;
    // Closing writes the last of the file: a full disk may show only here.
    bool closed = EGifCloseFile(gif_, &error) == GIF_OK;
    gif_ = nullptr;
    bool ok = closed && !failed_;
    if (!ok) std::remove(path_.data());
    return ok;
}

bool read_gif(const char* path, GifPicture& picture) {
    picture = GifPicture{};
    if (!path) return false;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path, &error);
    if (!gif) return false;
    bool ok;
    try {
        ok = read_frames(gif, picture);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    DGifCloseFile(gif, &error);
    if (!ok) picture = GifPicture{};
    return ok;
}

} // namespace ws
