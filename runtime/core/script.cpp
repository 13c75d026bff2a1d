// script.cpp: recording the event stream to the script file KV319.SCR in the
// current directory, and reading it back as events.
//
// One event per line: "KV319_MOUSE(x, y);", "KV319_KBD(key);" and
// "KV319_PERIODIC(n);" for a run of n periodic events. The reader takes a
// line of up to 511 characters; a longer one is dropped whole and ends
// playback like any line that is not a command. A command whose number is
// missing, longer than 11 characters or outside the int range is not a
// command either. A failed write reports once and stops the recording; a
// failed read reports and ends playback. The script file must be a plain
// file: a pipe or a device is refused, never waited on, and one reading of
// an event takes at most SCRIPT_READ_LIMIT bytes, so that no file (a huge
// one with no line breaks) holds up a wait for long.
#include <limits.h>
#include <stdio.h>
#ifndef _WIN32
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "state.h"

#define SCRIPT_LINE_SIZE 512
#define SCRIPT_NUMBER_LENGTH 11
#define SCRIPT_READ_LIMIT (1L << 20)

// Opens the script file for writing (emptied, or created) or for reading.
// Returns NULL when it cannot be opened; *unusable is then set when it is
// there but is no plain file: a pipe or a device would block or never end.
static FILE* open_script_file(int for_writing, int* unusable) {
    *unusable = 0;
#ifdef _WIN32
    return fopen(SCRIPT_FILE_NAME, for_writing ? "wt" : "rt");
#else
    int flags = (for_writing ? O_WRONLY | O_CREAT : O_RDONLY) | O_NONBLOCK;
    int fd = open(SCRIPT_FILE_NAME, flags, 0666);
    if (fd < 0) {
        // A pipe that no one reads refuses a writer that will not wait.
        *unusable = errno == ENXIO;
        return NULL;
    }
    struct stat st;
    FILE* file = NULL;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (!for_writing || ftruncate(fd, 0) == 0) &&
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0)
        file = fdopen(fd, for_writing ? "w" : "r");
    if (!file) {
        close(fd);
        *unusable = 1;
    }
    return file;
#endif
}

static void recording_failed(void) {
    KV319_printf("Cannot write script file %s\n", SCRIPT_FILE_NAME);
    rt.script_write_failed = 1;
    rt.recording = 0;
    CheckMenuItem(rt.run_menu, CMD_RECORD, MF_BYCOMMAND | MF_UNCHECKED);
    // The stream is in error; a new recording starts on a fresh file.
    if (rt.script_file) fclose(rt.script_file);
    rt.script_file = NULL;
}

void write_script_event(int kind, const EventRecord* record) {
    // What is left of a failed recording (the event line after a failed
    // periodic line in the same wait) is dropped, so that it cannot reopen
    // and empty the file. Starting a new recording clears the flag.
    if (rt.script_write_failed) return;
    if (!rt.script_file) {
        int unusable;
        rt.script_file = open_script_file(1, &unusable);
        if (!rt.script_file && unusable) {
            recording_failed();
            return;
        }
        if (!rt.script_file) {
            KV319_printf("Cannot open script file %s for writing\n", SCRIPT_FILE_NAME);
            return;
        }
    }
    int written;
    switch (kind) {
    case EVENT_MOUSE:
        written = fprintf(rt.script_file, "KV319_MOUSE(%d, %d);\n", record->x, record->y);
        break;
    case EVENT_KEY:
        written = fprintf(rt.script_file, "KV319_KBD(%d);\n", (int)(signed char)record->key);
        break;
    case EVENT_PERIODIC:
        written = fprintf(rt.script_file, "KV319_PERIODIC(%d);\n", rt.periodic_count);
        break;
    default:
        return;
    }
    if (written < 0 || ferror(rt.script_file)) recording_failed();
}

void stop_playback(void) {
    rt.playing_back = 0;
    rt.play_one = 0;
    CheckMenuItem(rt.run_menu, CMD_PLAYBACK, MF_BYCOMMAND | MF_UNCHECKED);
}

void close_script_file(void) {
    if (!rt.script_file) return;
    FILE* file = rt.script_file;
    rt.script_file = NULL;
    // The last lines of a recording reach the disk only now.
    if (fclose(file) != 0) KV319_printf("Cannot write script file %s\n", SCRIPT_FILE_NAME);
}

// Reads one line as the standard line read would (at most 511 characters, up
// to and including the newline) into line[], and its length into *length.
// A line that does not fit is read to its end and dropped: *too_long is set.
// *taken counts the bytes read; the reading stops once it reaches
// SCRIPT_READ_LIMIT, in the middle of a line.
// Returns 0 when the end of the file (or a read error) came first.
static int read_line(FILE* file, char* line, int* length, int* too_long, long* taken) {
    int n = 0;
    int c = EOF;
    *too_long = 0;
    while (n < SCRIPT_LINE_SIZE - 1) {
        c = getc(file);
        if (c == EOF) break;
        line[n++] = (char)c;
        if (c == '\n') break;
    }
    *taken += n;
    if (n == SCRIPT_LINE_SIZE - 1 && c != '\n') {
        // 511 characters without a newline: the line fits only if the
        // newline comes next.
        c = getc(file);
        if (c != '\n' && c != EOF) {
            *too_long = 1;
            while (c != '\n' && c != EOF && ++*taken < SCRIPT_READ_LIMIT)
                c = getc(file);
        }
    }
    line[n] = '\0';
    *length = n;
    // A last line without its newline leaves the end-of-file indicator set
    // and is not played.
    return !(feof(file) || ferror(file));
}

static int is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Finds the next run of characters that are digits (or '-' as well, when
// signs count) from *at, and converts it. Returns 0 when there is no run,
// the run is longer than 11 characters, it starts with no number, or the
// number leaves the int range. *at is left at the end of the run.
static int take_number(const char* line, int length, int* at, int signs, long long* value) {
    int i = *at;
    while (i < length && !(is_digit(line[i]) || (signs && line[i] == '-')))
        i++;
    int start = i;
    while (i < length && (is_digit(line[i]) || (signs && line[i] == '-')))
        i++;
    *at = i;
    int run = i - start;
    if (run == 0 || run > SCRIPT_NUMBER_LENGTH) return 0;
    // The run's value: an optional leading '-' and the digits after it, up
    // to the first other character (so "3-4" is 3).
    int j = start;
    int negative = 0;
    if (line[j] == '-') {
        negative = 1;
        j++;
    }
    if (j >= i || !is_digit(line[j])) return 0;
    long long v = 0;
    for (; j < i && is_digit(line[j]); j++)
        v = v * 10 + (line[j] - '0'); // at most 11 digits
    if (negative) v = -v;
    if (v < INT_MIN || v > INT_MAX) return 0;
    *value = v;
    return 1;
}

int read_script_event(void) {
    if (!rt.script_file) {
        int unusable;
        rt.script_file = open_script_file(0, &unusable);
        if (!rt.script_file) {
            if (unusable)
                KV319_printf("Cannot read script file %s\n", SCRIPT_FILE_NAME);
            else
                KV319_printf("Cannot open script file %s for reading\n", SCRIPT_FILE_NAME);
            stop_playback();
            return 0;
        }
    }
    if (rt.periodic_count > 0) {
        rt.pending_kind = EVENT_PERIODIC;
        rt.periodic_count--;
        return 1;
    }

    char line[SCRIPT_LINE_SIZE];
    int length = 0;
    int too_long = 0;
    long taken = 0;
    int more = read_line(rt.script_file, line, &length, &too_long, &taken);
    // Lines that are a newline alone are skipped; a line of spaces is not.
    while (more && line[0] == '\n' && taken < SCRIPT_READ_LIMIT)
        more = read_line(rt.script_file, line, &length, &too_long, &taken);
    if ((!more && ferror(rt.script_file)) || taken >= SCRIPT_READ_LIMIT) {
        // Not an end but a file that cannot be read (a failing disk), or
        // one that is no script (a megabyte without an event): closed, so
        // that the next playback tries it afresh.
        KV319_printf("Cannot read script file %s\n", SCRIPT_FILE_NAME);
        stop_playback();
        fclose(rt.script_file);
        rt.script_file = NULL;
        return 0;
    }
    if (!more) {
        KV319_printf("EOF encountered in script file %s\n", SCRIPT_FILE_NAME);
        stop_playback();
        return 0;
    }
    if (too_long || length < 7) return 0;

    // The seventh character tells the command; "KV319_" before it is not read.
    int at = 6;
    long long a = 0, b = 0;
    switch (line[6]) {
    case 'M':
        if (!take_number(line, length, &at, 1, &a)) return 0;
        if (!take_number(line, length, &at, 1, &b)) return 0;
        rt.pending_kind = EVENT_MOUSE;
        rt.pending.x = (int)a;
        rt.pending.y = (int)b;
        return 1;
    case 'K':
        if (!take_number(line, length, &at, 0, &a)) return 0;
        rt.pending_kind = EVENT_KEY;
        rt.pending.key = (char)(unsigned char)(a & 0xFF);
        return 1;
    case 'P':
        if (!take_number(line, length, &at, 0, &a)) return 0;
        rt.pending_kind = EVENT_PERIODIC;
        // This call delivers the first of the n; a line with 0 delivers one,
        // like a line with 1, and owes nothing (a negative count would be
        // taken up by the next recording).
        rt.periodic_count = a > 0 ? (int)(a - 1) : 0;
        return 1;
    default:
        return 0;
    }
}
