// sync_probe.cpp: a library preloaded into a headless run that notes, in
// order, each file the program forces to the disk ("fsync NAME", the name the
// file has then) and each rename ("rename FROM TO"), one line each, in the
// file that KV319_SYNC_LOG names. The calls themselves go on as usual.
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void note(const std::string& line) {
    const char* log = std::getenv("KV319_SYNC_LOG");
    if (!log) return;
    int fd = open(log, O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (fd < 0) return;
    std::string text = line + "\n";
    ssize_t written = write(fd, text.data(), text.size());
    (void)written;
    close(fd);
}

std::string name_of(int fd) {
    char name[PATH_MAX];
    ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), name, sizeof name - 1);
    return n < 0 ? "?" : std::string(name, n);
}

template <typename F> F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int fsync(int fd) {
    note("fsync " + name_of(fd));
    static auto real = next<int (*)(int)>("fsync");
    return real(fd);
}

extern "C" int fdatasync(int fd) {
    note("fsync " + name_of(fd));
    static auto real = next<int (*)(int)>("fdatasync");
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) {
    note(std::string("rename ") + from + " " + to);
    static auto real = next<int (*)(const char*, const char*)>("rename");
    return real(from, to);
}
