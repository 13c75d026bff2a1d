// png_io.cpp: PNG files of pixel buffers, over libpng.
//
// libpng reports errors by longjmp to the setjmp in the procedure that runs
// it. Those procedures keep no C++ objects of their own: everything they
// change lives in a job record of the caller's, so that nothing is left
// half-built or indeterminate when an error jumps back. Our error handler
// is silent; a damaged file is simply refused.
#include "png_io.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

namespace ws {
namespace {

// Larger images are refused before anything is allocated for them.
constexpr uint64_t MAX_PIXELS = uint64_t{1} << 26;

void png_error_silent(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void png_warning_silent(png_structp, png_const_charp) {}

// Tries of a new name beside the file before giving up.
constexpr int TEMP_NAME_TRIES = 100;
// Symbolic links followed from one name, as the system itself does.
constexpr int MAX_LINK_HOPS = 40;

// Runs `write` on the open descriptor, then flushes and closes it; true
// when nothing failed.
bool write_and_close(int fd, const std::function<bool(std::FILE*)>& write) {
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        return false;
    }
    bool ok = write(file);
    // A full disk shows only at the flush or the close.
    if (std::fflush(file) != 0 || std::ferror(file)) ok = false;
    if (std::fclose(file) != 0) ok = false;
    return ok;
}

// The file that a write to `path` replaces: the end of its chain of
// symbolic links, which need not exist yet.
std::string file_to_replace(const char* path) {
    if (char* real = realpath(path, nullptr)) {
        std::string target = real;
        std::free(real);
        return target;
    }
    std::string target = path;
    for (int hops = 0; hops < MAX_LINK_HOPS; ++hops) {
        struct stat st;
        if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        char link[PATH_MAX];
        ssize_t n = readlink(target.c_str(), link, sizeof link);
        if (n <= 0 || n >= static_cast<ssize_t>(sizeof link)) break;
        std::string next(link, static_cast<size_t>(n));
        size_t slash = target.rfind('/');
        if (next[0] != '/' && slash != std::string::npos) next = target.substr(0, slash + 1) + next;
        target = next;
    }
    return target;
}

struct WriteJob {
    FILE* file = nullptr;
    const uint32_t* pixels = nullptr;
    int width = 0, height = 0, stride = 0;
    std::vector<png_byte> row;
};

bool write_with_libpng(WriteJob& job) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_error_silent,
                                              png_warning_silent);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, job.file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(job.width),
                 static_cast<png_uint_32>(job.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < job.height; ++y) {
        const uint32_t* src = job.pixels + static_cast<ptrdiff_t>(y) * job.stride;
        png_byte* out = job.row.data();
        for (int x = 0; x < job.width; ++x) {
            uint32_t p = src[x];
            *out++ = static_cast<png_byte>((p >> 16) & 0xFF);
            *out++ = static_cast<png_byte>((p >> 8) & 0xFF);
            *out++ = static_cast<png_byte>(p & 0xFF);
        }
        png_write_row(png, job.row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

struct ReadJob {
    FILE* file = nullptr;
    int width = 0, height = 0, channels = 0;
    std::vector<png_byte> data;
    std::vector<png_bytep> rows;
};

bool read_with_libpng(ReadJob& job) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_error_silent,
                                             png_warning_silent);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, job.file);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, PNG_MAX_SIDE, PNG_MAX_SIDE);
    png_read_info(png, info);

    png_uint_32 w = 0, h = 0;
    int depth = 0, colour = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colour, nullptr, nullptr, nullptr);
    if (static_cast<uint64_t>(w) * h > MAX_PIXELS) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    // Everything to 8 bits per channel; the channels are sorted out below.
    if (depth == 16) png_set_strip_16(png);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    int channels = png_get_channels(png, info);
    size_t row_bytes = png_get_rowbytes(png, info);
    if (channels < 1 || channels > 4 || row_bytes != static_cast<size_t>(w) * channels) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    try {
        job.data.resize(row_bytes * h);
        job.rows.resize(h);
    } catch (const std::bad_alloc&) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    for (png_uint_32 y = 0; y < h; ++y)
        job.rows[y] = job.data.data() + row_bytes * y;
    png_read_image(png, job.rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    job.width = static_cast<int>(w);
    job.height = static_cast<int>(h);
    job.channels = channels;
    return true;
}

} // namespace

bool write_file_whole(const char* path, const std::function<bool(std::FILE*)>& write) {
    if (!path || !*path) return false;
    struct stat st;
    const bool exists = stat(path, &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe cannot be replaced, and is never removed.
        int fd = open(path, O_WRONLY | O_CLOEXEC);
        return fd >= 0 && write_and_close(fd, write);
    }
    const std::string target = file_to_replace(path);
    std::string temp;
    int fd = -1;
    for (int n = 0; fd < 0 && n < TEMP_NAME_TRIES; ++n) {
        temp = target + "." + std::to_string(getpid()) + "-" + std::to_string(n) + ".tmp";
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    // The new file takes the old one's mode (a new name gets the umask's).
    if (exists) fchmod(fd, st.st_mode & 07777);
    bool ok = write_and_close(fd, write) && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

bool write_png(const char* path, const uint32_t* pixels, int width, int height, int stride) {
    if (!path || !pixels || width <= 0 || height <= 0 || stride < width) return false;
    WriteJob job;
    job.pixels = pixels;
    job.width = width;
    job.height = height;
    job.stride = stride;
    try {
        job.row.resize(static_cast<size_t>(width) * 3);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return write_file_whole(path, [&job](std::FILE* file) {
        job.file = file;
        return write_with_libpng(job);
    });
}

bool read_png(const char* path, std::vector<uint32_t>& pixels, int& width, int& height) {
    pixels.clear();
    width = height = 0;
    if (!path) return false;
    ReadJob job;
    job.file = std::fopen(path, "rb");
    if (!job.file) return false;
    png_byte signature[8];
    bool ok = std::fread(signature, 1, 8, job.file) == 8 && png_sig_cmp(signature, 0, 8) == 0 &&
              read_with_libpng(job);
    std::fclose(job.file);
    if (!ok) return false;

    try {
        pixels.resize(static_cast<size_t>(job.width) * job.height);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const png_byte* in = job.data.data();
    for (size_t i = 0; i < pixels.size(); ++i, in += job.channels) {
        uint32_t r, g, b;
        if (job.channels >= 3) { // RGB, RGBA
            r = in[0], g = in[1], b = in[2];
        } else { // gray, gray + alpha
            r = g = b = in[0];
        }
        pixels[i] = (r << 16) | (g << 8) | b;
    }
    width = job.width;
    height = job.height;
    return true;
}

} // namespace ws
