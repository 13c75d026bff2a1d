// frame_pictures.cpp: writes the 33 frames of frame_pictures.h as PNG files,
// so that a change to the drawing code can be checked pixel for pixel
// against the pictures made before it (cmp the files). The same frames are
// golden pictures of the frame_pictures test. Usage: frame_pictures DIR
// writes DIR/start.png, DIR/heavy-N.png and DIR/mixed-N.png.
#include <cstdio>
#include <string>

#include "frame_pictures.h"
#include "png_io.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: frame_pictures DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = bench::draw_frame_pictures([&](const std::string& name, const ws::Canvas& c) {
        const std::string path = dir + "/" + name + ".png";
        if (c.pixels && ws::write_png(path.c_str(), c.pixels, c.width, c.height, c.stride))
            return true;
        std::fprintf(stderr, "frame_pictures: cannot write %s\n", path.c_str());
        return false;
    });
    return ok ? 0 : 1;
}
