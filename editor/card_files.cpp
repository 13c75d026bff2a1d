// card_files.cpp: writing and reading card files, and saving and loading a slot.
//
// Written with "%i" and single spaces, every line ending in a newline, in
// text mode. A save goes to a new temporary file beside the slot
// ("<name>.tmp", or "<name>.1.tmp" and so on when that name is taken), which
// is forced to the disk and only then replaces the old file; it keeps the old
// file's permission bits. Only plain files are read: a slot that is a pipe or
// a device is refused, never waited on. The reader is its own "%i" scanner:
// it never reads past the 155th value, treats a number that does not fit in
// 32 bits as unreadable, and has no undefined behaviour on any content
// (binary, huge, unterminated).
#include "card_files.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "kv319.h"

namespace {

constexpr int TEMP_NAME_SIZE = 1024;
constexpr int TEMP_NAME_TRIES = 100;

#ifdef _WIN32
constexpr int NEW_FILE_MODE = _S_IREAD | _S_IWRITE;
#else
constexpr int NEW_FILE_MODE = 0666; // narrowed by the umask
#endif

// Creates the save's temporary file beside path and opens it for writing.
// The file is always a new one: a name already taken (left by a save cut
// short, or a link planted there) is never opened or followed, the next name
// is tried. On failure returns nullptr and says why in *failed.
FILE* create_temp_file(const char* path, char temp[TEMP_NAME_SIZE], const char** failed) {
    int mode = NEW_FILE_MODE;
#ifndef _WIN32
    struct stat earlier;
    bool replaces = stat(path, &earlier) == 0 && S_ISREG(earlier.st_mode);
    if (replaces) mode = earlier.st_mode & 0777;
#endif
    for (int n = 0; n < TEMP_NAME_TRIES; ++n) {
        int length = n == 0 ? snprintf(temp, TEMP_NAME_SIZE, "%s.tmp", path)
                            : snprintf(temp, TEMP_NAME_SIZE, "%s.%d.tmp", path, n);
        if (length < 0 || length >= TEMP_NAME_SIZE) {
            *failed = "the file name is too long";
            return nullptr;
        }
        // With O_EXCL an existing name, a symbolic link included, fails.
        int fd = open(temp, O_WRONLY | O_CREAT | O_EXCL, mode);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) break;
#ifndef _WIN32
        // The umask may have narrowed the earlier file's bits; never widened them.
        if (replaces) fchmod(fd, mode);
#endif
        FILE* f = fdopen(fd, "w");
        if (f) return f;
        close(fd);
        remove(temp);
        break;
    }
    *failed = "cannot create the file";
    return nullptr;
}

// Forces what was written to f onto the disk, so that a power cut after the
// rename finds the whole card and not an empty file.
bool sync_file(FILE* f) {
    if (fflush(f) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(f)) == 0;
#else
    return fsync(fileno(f)) == 0;
#endif
}

// Opens an existing card file for reading. Anything but a plain file (a pipe,
// a device, a directory) is refused: opening or reading it could block or
// never end. *missing tells whether there was no such file at all.
FILE* open_card_file(const char* path, bool* missing) {
    *missing = false;
#ifdef _WIN32
    FILE* f = fopen(path, "r");
    if (!f) *missing = errno == ENOENT;
    return f;
#else
    int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        *missing = errno == ENOENT;
        return nullptr;
    }
    struct stat st;
    FILE* f = nullptr;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0)
        f = fdopen(fd, "r");
    if (!f) close(fd);
    return f;
#endif
}

// Puts the new file in place of the old one.
bool replace_file(const char* from, const char* to) {
#ifdef _WIN32
    // rename does not replace an existing file there: the earlier file is
    // moved aside first, and put back if the new one cannot take its place.
    char aside[TEMP_NAME_SIZE];
    int length = snprintf(aside, sizeof aside, "%s.old", to);
    if (length < 0 || length >= static_cast<int>(sizeof aside)) return false;
    remove(aside);
    bool moved = rename(to, aside) == 0;
    if (rename(from, to) != 0) {
        if (moved) rename(aside, to);
        return false;
    }
    if (moved) remove(aside);
    return true;
#else
    return rename(from, to) == 0;
#endif
}

bool write_line(FILE* f, const int* values, int count) {
    for (int i = 0; i < count; ++i) {
        if (fprintf(f, "%i", values[i]) < 0) return false;
        if (i + 1 < count && fputc(' ', f) == EOF) return false;
    }
    return fputc('\n', f) != EOF;
}

bool write_card(FILE* f, const EditorState& s) {
    const int head[5] = {s.background_colour, s.border_kind, s.border_primary_colour,
                         s.border_secondary_colour, s.border_size};
    if (!write_line(f, head, 5)) return false;
    for (int i = 0; i < SLOT_COUNT; ++i) {
        const int shape[8] = {
            s.shape_kind[i],         s.shape_x[i],        s.shape_y[i],        s.shape_colour[i],
            s.shape_flash_colour[i], s.shape_animated[i], s.shape_flashing[i], s.shape_size[i]};
        if (!write_line(f, shape, 8)) return false;
    }
    for (int i = 0; i < SLOT_COUNT; ++i) {
        const int message[7] = {s.message_kind[i],   s.message_x[i],         s.message_y[i],
                                s.message_colour[i], s.message_scrolling[i], s.message_speed[i],
                                s.message_size[i]};
        if (!write_line(f, message, 7)) return false;
    }
    return true;
}

// The fields of the card in the file's order.
void card_fields(EditorState& s, int* fields[CARD_FILE_VALUES]) {
    int n = 0;
    fields[n++] = &s.background_colour;
    fields[n++] = &s.border_kind;
    fields[n++] = &s.border_primary_colour;
    fields[n++] = &s.border_secondary_colour;
    fields[n++] = &s.border_size;
    for (int i = 0; i < SLOT_COUNT; ++i) {
        fields[n++] = &s.shape_kind[i];
        fields[n++] = &s.shape_x[i];
        fields[n++] = &s.shape_y[i];
        fields[n++] = &s.shape_colour[i];
        fields[n++] = &s.shape_flash_colour[i];
        fields[n++] = &s.shape_animated[i];
        fields[n++] = &s.shape_flashing[i];
        fields[n++] = &s.shape_size[i];
    }
    for (int i = 0; i < SLOT_COUNT; ++i) {
        fields[n++] = &s.message_kind[i];
        fields[n++] = &s.message_x[i];
        fields[n++] = &s.message_y[i];
        fields[n++] = &s.message_colour[i];
        fields[n++] = &s.message_scrolling[i];
        fields[n++] = &s.message_speed[i];
        fields[n++] = &s.message_size[i];
    }
}

// White space as the C locale's isspace sees it, for any byte or EOF.
bool is_space(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of digit c in base 8, 10 or 16, or -1.
int digit_value(int c, int base) {
    int d = -1;
    if (c >= '0' && c <= '9')
        d = c - '0';
    else if (c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
    return d < base ? d : -1;
}

// One "%i" conversion: skips white space, then an optional sign and a
// hexadecimal (0x), octal (leading 0) or decimal number. Stores it and
// returns true only when there is a number and it fits in an int. The
// character after the number is left in the stream for the next scan.
bool scan_int(FILE* f, int* out) {
    int c = getc(f);
    while (is_space(c))
        c = getc(f);

    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = getc(f);
    }

    int base = 10;
    int digits = 0;
    if (c == '0') {
        c = getc(f);
        if (c == 'x' || c == 'X') {
            base = 16; // "0x" needs at least one hexadecimal digit after it
            c = getc(f);
        } else {
            base = 8;
            digits = 1;
        }
    }

    // The magnitude stops growing once past the largest that fits, so a run
    // of any length of digits cannot overflow it.
    const unsigned long long LIMIT = 2147483648ULL; // 2^31
    unsigned long long magnitude = 0;
    for (int d = digit_value(c, base); d >= 0; d = digit_value(c, base)) {
        if (magnitude <= LIMIT) magnitude = magnitude * base + d;
        ++digits;
        c = getc(f);
    }
    if (c != EOF) ungetc(c, f);

    if (digits == 0) return false;
    if (magnitude > (negative ? LIMIT : LIMIT - 1)) return false;
    long long value =
        negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    *out = static_cast<int>(value);
    return true;
}

} // namespace

const char* card_file_name(int slot) {
    switch (slot) {
    case 1:
        return "tobu1.sav";
    case 2:
        return "tobu2.sav";
    case 3:
        return "tobu3.sav";
    default:
        return nullptr;
    }
}

int write_card_file(const char* path, const EditorState& s, const char** problem) {
    const char* failed = nullptr;
    char temp[TEMP_NAME_SIZE];
    if (FILE* f = create_temp_file(path, temp, &failed); f != nullptr) {
        bool written = write_card(f, s);
        if (!sync_file(f) || ferror(f)) written = false;
        if (fclose(f) != 0) written = false;
        if (!written)
            failed = "cannot write the file";
        else if (!replace_file(temp, path))
            failed = "cannot replace the earlier file";
        if (failed) remove(temp);
    }
    if (problem) *problem = failed;
    return failed == nullptr;
}

int read_card_file(const char* path, EditorState& s) {
    bool missing = false;
    FILE* f = open_card_file(path, &missing);
    if (f == nullptr) return missing ? CARD_FILE_MISSING : CARD_FILE_UNREADABLE;
    // Read into a copy: a file that cannot be read (a failing disk) is one
    // that cannot be opened, and must not leave half a card.
    EditorState loaded = s;
    loaded.selected_shape = -1;
    loaded.selected_message = -1;

    int* fields[CARD_FILE_VALUES];
    card_fields(loaded, fields);
    int count = 0;
    while (count < CARD_FILE_VALUES && scan_int(f, fields[count]))
        ++count;
    bool failed = ferror(f) != 0;
    fclose(f);
    if (failed) return CARD_FILE_UNREADABLE;
    s = loaded;
    return count;
}

int save_card(int slot, const EditorState& s) {
    const char* name = card_file_name(slot);
    if (name == nullptr) return 0;
    const char* problem = nullptr;
    if (write_card_file(name, s, &problem)) return 1;
    KV319_printf("Cannot save C:TOBU%d.SAV.: %s (%s).", slot, problem, name);
    return 0;
}

int load_card(int slot, EditorState& s) {
    const char* name = card_file_name(slot);
    if (name == nullptr) return 1;
    // The card stays as it was. A slot never saved is no fault; a file that
    // is there but cannot be read is.
    if (read_card_file(name, s) != CARD_FILE_UNREADABLE) return 1;
    KV319_printf("Cannot load C:TOBU%d.SAV.: cannot read the file (%s).", slot, name);
    return 0;
}
