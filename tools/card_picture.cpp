// card_picture.cpp: card-picture, a saved card as a PNG or an animated GIF.
//
//   card-picture [--frames N] [--seed S] CARD_FILE OUT.png
//   card-picture [--frames N] [--seed S] CARD_FILE OUT.gif
//
// The card file is read by the designer's own reader, as "Load" reads a
// slot, and drawn by the designer's own frame procedure and runtime on the
// headless driver: N frames, one per timer period, every effect running.
// The picture is the card area of the graphics window, graphics (-130, -170)
// to (270, 190), taken from the window as the designer shows it. A PNG gets
// the last frame, a GIF all of them at 100 ms a frame, looping.
//
// Bad input gets one line on stderr and status 2, and nothing is written:
// the picture goes to a new file beside OUT that replaces OUT only once it
// is complete.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "card_files.h"
#include "frame.h"
#include "gif_io.h"
#include "headless_start.h"
#include "png_io.h"
#include "state.h"
#include "wm.h"

namespace {

constexpr int EXIT_BAD_INPUT = 2;
constexpr int MAX_FRAMES = 600;
// The seed when none is given: a fixed one, so that the same command makes
// the same picture.
constexpr unsigned DEFAULT_SEED = 1;

// The card area, both corners included.
constexpr int CARD_LEFT = -130, CARD_BOTTOM = -170, CARD_RIGHT = 270, CARD_TOP = 190;
constexpr int PICTURE_WIDTH = CARD_RIGHT - CARD_LEFT + 1;  // 401
constexpr int PICTURE_HEIGHT = CARD_TOP - CARD_BOTTOM + 1; // 361
constexpr int GIF_DELAY_CS = 10;                           // one timer period

// The designer right after "Load": the "Files" tab, no button active, its
// status text. Only the panel around the card shows these.
constexpr int CATEGORY_FILES = 4;
constexpr int STATUS_FILES = 24;

const char* const USAGE =
    "usage: card-picture [--frames N] [--seed S] CARD_FILE OUT.png|OUT.gif\n"
    "  --frames N   draw N frames, one per timer period (1 to 600, default 1); a PNG\n"
    "               gets the last, a GIF all of them at 100 ms a frame, looping\n"
    "  --seed S     seed of the generator behind random effects (0 to 4294967295,\n"
    "               default 1)\n";

struct Options {
    int frames = 1;
    unsigned seed = DEFAULT_SEED;
    std::string card, out;
    bool gif = false;
    bool help = false;
};

// The new file the picture is being written to, until it takes OUT's place.
std::string temp_path;

[[noreturn]] void refuse(const std::string& message) {
    if (!temp_path.empty()) std::remove(temp_path.c_str());
    std::fprintf(stderr, "card-picture: %s\n", message.c_str());
    std::exit(EXIT_BAD_INPUT);
}

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

// A whole number of decimal digits within [lo, hi].
bool parse_number(const std::string& s, unsigned long long lo, unsigned long long hi,
                  unsigned long long& value) {
    if (s.empty() || s.size() > 12) return false;
    unsigned long long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v < lo || v > hi) return false;
    value = v;
    return true;
}

bool ends_with_lower(const std::string& s, const char* suffix) {
    size_t n = std::strlen(suffix);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = s[s.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

Options parse_arguments(int argc, char** argv) {
    Options o;
    std::vector<std::string> names;
    bool options_end = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (options_end || arg.size() < 2 || arg[0] != '-') {
            names.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_end = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            return o;
        }
        std::string value;
        size_t eq = arg.find('=');
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.erase(eq);
        } else if (arg == "--frames" || arg == "--seed") {
            if (i + 1 >= argc) refuse(arg + " needs a value");
            value = argv[++i];
        }
        unsigned long long n = 0;
        if (arg == "--frames") {
            if (!parse_number(value, 1, MAX_FRAMES, n))
                refuse("--frames wants a whole number from 1 to " + std::to_string(MAX_FRAMES) +
                       ", not " + quoted(value));
            o.frames = static_cast<int>(n);
        } else if (arg == "--seed") {
            if (!parse_number(value, 0, 4294967295ULL, n))
                refuse("--seed wants a whole number from 0 to 4294967295, not " + quoted(value));
            o.seed = static_cast<unsigned>(n);
        } else {
            refuse("unknown option " + quoted(argv[i]) + " (card-picture --help)");
        }
    }
    if (names.size() != 2) refuse("wants a card file and a picture to write (card-picture --help)");
    o.card = names[0];
    o.out = names[1];
    if (ends_with_lower(o.out, ".gif"))
        o.gif = true;
    else if (!ends_with_lower(o.out, ".png"))
        refuse(quoted(o.out) + ": the picture's name must end in .png or .gif");
    return o;
}

// Reads the card as "Load" does; returns how many of its numbers the file
// held. The file is looked at without blocking first: only a regular file
// is read (a FIFO would wait for a writer, a device might never end).
int read_card(const std::string& path, EditorState& state) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) refuse(quoted(path) + ": " + std::strerror(errno));
    struct stat st;
    bool stat_ok = fstat(fd, &st) == 0;
    close(fd);
    if (!stat_ok) refuse(quoted(path) + ": cannot read the card file");
    if (S_ISDIR(st.st_mode)) refuse(quoted(path) + " is a directory, not a card file");
    if (!S_ISREG(st.st_mode)) refuse(quoted(path) + " is not a regular file");

    init_editor_state(state);
    int count = read_card_file(path.c_str(), state);
    if (count < 0) refuse(quoted(path) + ": cannot read the card file");
    state.category = CATEGORY_FILES;
    state.item = -1;
    state.status = STATUS_FILES;
    return count;
}

// A new file beside `out` for the picture, with the permissions a new file
// of the user's gets; its name goes to temp_path.
void make_temp_beside(const std::string& out) {
    struct stat st;
    if (stat(out.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) refuse(quoted(out) + " is a directory");
    std::vector<char> name(out.begin(), out.end());
    const char suffix[] = ".XXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);
    int fd = mkstemp(name.data());
    if (fd < 0) refuse("cannot write " + quoted(out) + ": " + std::strerror(errno));
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    temp_path = name.data();
}

// The card area of the graphics window as it is on screen: the pixels the
// runtime last copied there.
std::vector<uint32_t> take_card_area(const ws::HeadlessDriver& driver) {
    ws::Window* w = ws::wm_window(rt.graphics_window);
    const ws::HeadlessDriver::NativeWindow* native = w ? driver.window(w->native) : nullptr;
    if (!native) refuse("the graphics window is gone");
    ws::Rect client = ws::wm_client_in_surface(*w);
    int left = client.left + rt.origin_x + CARD_LEFT;
    int top = client.top + rt.origin_y - CARD_TOP;
    if (left < client.left || top < client.top ||
        left + PICTURE_WIDTH > std::min(client.right, native->info.width) ||
        top + PICTURE_HEIGHT > std::min(client.bottom, native->info.height))
        refuse("the card does not fit in the graphics window");
    std::vector<uint32_t> picture(static_cast<size_t>(PICTURE_WIDTH) * PICTURE_HEIGHT);
    for (int y = 0; y < PICTURE_HEIGHT; ++y) {
        const uint32_t* row =
            native->pixels.data() + static_cast<size_t>(top + y) * native->info.width + left;
        std::copy(row, row + PICTURE_WIDTH,
                  picture.begin() + static_cast<ptrdiff_t>(y) * PICTURE_WIDTH);
    }
    return picture;
}

// The program's instance: any unique non-null value serves.
char instance_tag;

} // namespace

int main(int argc, char** argv) {
    Options options = parse_arguments(argc, argv);
    if (options.help) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    static EditorState state;
    int numbers = read_card(options.card, state);
    make_temp_beside(options.out);
    ws::GifWriter gif;
    if (options.gif && !gif.open(temp_path.c_str(), PICTURE_WIDTH, PICTURE_HEIGHT, GIF_DELAY_CS))
        refuse("cannot write " + quoted(options.out));

    // The designer's start, on a virtual screen where only the clock moves:
    // each wait below shows the frame and lets one timer period pass.
    ws::HeadlessDriver& driver = ws::headless_start(1024, 768);
    KV319_open(reinterpret_cast<HINSTANCE>(&instance_tag), nullptr, const_cast<LPSTR>(""),
               SW_SHOWDEFAULT);
    KV319_show_text(0);
    KV319_logging(0);
    KV319_clear();
    KV319_animate(ANIMATE_RUN);
    card_srand(options.seed);

    std::vector<uint32_t> picture;
    bool written = true;
    for (int i = 0; i < options.frames && written; ++i) {
        draw_frame(state);
        int x = 0, y = 0;
        char key = 0;
        if (KV319_await_event(&x, &y, &key) != EVENT_PERIODIC)
            refuse("the runtime ended before the last frame");
        picture = take_card_area(driver);
        if (options.gif) written = gif.add_frame(picture.data(), PICTURE_WIDTH);
    }
    KV319_close();

    if (options.gif)
        written = written && gif.finish();
    else
        written = ws::write_png(temp_path.c_str(), picture.data(), PICTURE_WIDTH, PICTURE_HEIGHT,
                                PICTURE_WIDTH);
    if (!written) refuse("cannot write " + quoted(options.out));
    if (std::rename(temp_path.c_str(), options.out.c_str()) != 0)
        refuse("cannot write " + quoted(options.out) + ": " + std::strerror(errno));
    // "Load" takes a short file too: the fields after the last number read
    // keep their start values. Say so, since that is rarely meant.
    if (numbers < CARD_FILE_VALUES)
        std::fprintf(stderr,
                     "card-picture: warning: %s holds %d of the card's %d numbers; the rest "
                     "kept their start values\n",
                     quoted(options.card).c_str(), numbers, CARD_FILE_VALUES);
    return 0;
}
