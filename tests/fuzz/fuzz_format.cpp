// fuzz_format.cpp: the runtime's formatting paths with formats built from the
// bytes. A format is literal text (any bytes but '%' and the zero byte, so
// control characters, line breaks and bytes above 127 too) with one
// conversion for each of six arguments, in their order: an int, a string, a
// double, a long long, an int and a string, each conversion with flags,
// width and precision from the bytes. The arguments come from the bytes as
// well: strings up to 4 KiB, doubles that may be NaN, infinite or huge.
//
// Each format goes through KV319_printf, whose stored history line and
// return value must equal what the C library formats (cut at 1023
// characters), through KV319_text_printf at a point size from the bytes
// (negative and huge ones included), and the string through KV319_text.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "draw.h"
#include "headless_start.h"
#include "kv319.h"
#include "state.h"

namespace {

// Reads the input front to back; past its end every read gives zero.
struct Bytes {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t byte() { return at < size ? data[at++] : 0; }
    uint32_t word() {
        uint32_t w = 0;
        for (int i = 0; i < 4; ++i)
            w = w << 8 | byte();
        return w;
    }
    uint64_t wide() { return uint64_t{word()} << 32 | word(); }
    std::string text(size_t most) {
        size_t n = byte() | size_t{byte()} << 8;
        n %= most + 1;
        std::string s;
        for (size_t i = 0; i < n && at < size; ++i) {
            char c = static_cast<char>(byte());
            if (c != '\0') s += c;
        }
        return s;
    }
};

// Literal text for the format: '%' only as "%%".
std::string literal(Bytes& b) {
    std::string s;
    for (char c : b.text(64)) {
        if (c == '%')
            s += "%%";
        else
            s += c;
    }
    return s;
}

// One conversion of the given letters, with those of the flags that C
// defines for them and a width and precision from the bytes (a precision only
// where it has a meaning). Widths and precisions stay below 100000 so that a
// run stays quick.
std::string conversion(Bytes& b, const char* flags, bool precision, const char* length,
                       const char* letters) {
    std::string c = "%";
    uint8_t f = b.byte();
    for (size_t i = 0; flags[i]; ++i)
        if (f & (1 << i)) c += flags[i];
    uint8_t shape = b.byte();
    if (shape & 1) c += std::to_string(b.word() % (shape & 2 ? 100000 : 40));
    if (precision && (shape & 4)) c += "." + std::to_string(b.word() % (shape & 8 ? 100000 : 40));
    c += length;
    c += letters[b.byte() % strlen(letters)];
    return c;
}

double odd_double(Bytes& b) {
    uint64_t bits = b.wide();
    double d;
    memcpy(&d, &bits, sizeof d);
    return d;
}

// The newest line of the text window's history.
std::string newest_line() {
    int slot = (rt.history_next + HISTORY_SIZE - 1) % HISTORY_SIZE;
    HGLOBAL block = rt.history_lines[slot];
    const char* p = block ? static_cast<const char*>(GlobalLock(block)) : nullptr;
    std::string s = p ? p : "";
    if (block) GlobalUnlock(block);
    return s;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ws::headless_start(1024, 768);
    reset_runtime_state();
    KV319_open(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes b{data, size};
    int i1 = static_cast<int>(b.word());
    std::string s1 = b.text(4096);
    double d = odd_double(b);
    long long ll = static_cast<long long>(b.wide());
    unsigned i2 = b.word();
    std::string s2 = b.text(4096);
    int colour = static_cast<int>(b.word());
    int ptsize = static_cast<int>(b.word());
    int x = static_cast<int>(b.word()), y = static_cast<int>(b.word());

    std::string format = literal(b);
    const bool character = b.byte() & 1;
    format +=
        (character ? conversion(b, "-", false, "", "c") : conversion(b, "-+ 0", true, "", "di")) +
        literal(b);
    format += conversion(b, "-", true, "", "s") + literal(b);
    format += conversion(b, "-+ #0", true, "", "feEgGaA") + literal(b);
    format += conversion(b, "-+ 0", true, "ll", "di") + literal(b);
    format += conversion(b, "-#0", true, "", "oxX") + literal(b);
    format += conversion(b, "-", true, "", "s") + literal(b);
    const char* f = format.c_str();

#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wformat-nonliteral"
    int full = snprintf(nullptr, 0, f, i1, s1.c_str(), d, ll, i2, s2.c_str());
    std::string expected(full > 0 ? static_cast<size_t>(full) : 0, '\0');
    if (full > 0)
        snprintf(expected.data(), expected.size() + 1, f, i1, s1.c_str(), d, ll, i2, s2.c_str());
    int count = KV319_printf(f, i1, s1.c_str(), d, ll, i2, s2.c_str());
    int want = full < 0 ? -1 : full > FORMAT_BUFFER_SIZE - 1 ? FORMAT_BUFFER_SIZE - 1 : full;
    if (count != want) abort();
    // A %c of 0 ends the stored line early, as C strings do.
    std::string stored = expected.substr(0, want < 0 ? 0 : static_cast<size_t>(want)).c_str();
    if (newest_line() != stored) abort();

    // With logging on, the text's own log line is formatted around it and cut
    // in the same way.
    KV319_logging(b.byte() & 1);
    int drawn = KV319_text_printf(colour, x, y, ptsize, f, i1, s1.c_str(), d, ll, i2, s2.c_str());
#pragma clang diagnostic pop
    if (drawn != want) abort();
    if (rt.logging_on) {
        const char* name = colour_name(colour >= 0 && colour < COLOUR_COUNT ? colour : COLOUR_RED);
        std::string log(FORMAT_BUFFER_SIZE, '\0');
        snprintf(log.data(), log.size(), "%s text at (%d,%d), \"%s\"\n", name, x, y,
                 stored.c_str());
        if (newest_line() != log.c_str()) abort();
    }

    // The size negated without overflow: INT_MIN stays itself.
    KV319_text(colour, y, x, static_cast<int>(0u - static_cast<unsigned>(ptsize)), s1.c_str());
    KV319_text(colour, x, y, ptsize, s2.c_str());
    return 0;
}
