// gif_io.h: animated GIF files of 0x00RRGGBB pixel frames.
//
// A GIF holds at most 256 colours per frame, so every frame gets a palette
// of its own: exact for a frame of at most 256 colours. A frame of more
// keeps its 256 most used colours and shows every other pixel in the
// nearest of them (least sum of squared red, green and blue differences).
// Frames are written as they come, so an animation of any length needs the
// memory of one frame. Every failure is reported as false; nothing aborts
// the process.
#pragma once

#include <cstdint>
#include <vector>

struct GifFileType;

namespace ws {

class GifWriter {
  public:
    GifWriter() = default;
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;
    ~GifWriter(); // an animation never finished is removed

    // Creates path (permissions 0666 less the umask) for frames of
    // width x height pixels, each shown for delay_cs hundredths of a
    // second, the whole repeated forever.
    bool open(const char* path, int width, int height, int delay_cs);
    // Adds one frame: height rows of width pixels, `stride` pixels apart.
    bool add_frame(const uint32_t* pixels, int stride);
    // Ends the file. False, with the file removed, when any step failed.
    bool finish();

  private:
    void abandon();

    GifFileType* gif_ = nullptr;
    std::vector<char> path_;
    int width_ = 0, height_ = 0, delay_cs_ = 0;
    bool failed_ = false;
};

// Largest frame count read_gif accepts.
inline constexpr int GIF_MAX_FRAMES = 10000;

// A GIF read back: every frame as it shows on the whole canvas.
struct GifPicture {
    int width = 0, height = 0;
    std::vector<std::vector<uint32_t>> frames; // width x height each, rows packed
    std::vector<int> delays_cs;                // per frame, hundredths of a second
    bool loops = false;                        // it asks to be repeated forever
};

// Reads a GIF. Each frame is laid over the one before (pixels of its
// transparent colour leave that showing); the first over the background
// colour. On failure `picture` is left empty.
bool read_gif(const char* path, GifPicture& picture);

} // namespace ws
