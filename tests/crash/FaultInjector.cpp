// Preloaded into the crash driver: counts the calls that change files (write, fsync, rename, unlink
// and their kin) once armed, and at the Nth one ends the process at once, as kill -9 does, or makes
// that call fail with EIO or ENOSPC.
//   TALLYDIAL_FAULT_AT   N, from 1; none: only count
//   TALLYDIAL_FAULT      kill (default), eio or enospc
// The calls are defined here without their headers, whose declarations would disagree in C++.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <sys/types.h>

struct iovec;

namespace {
int g_armed;
long g_count;
long g_at = -1;
int g_error; // 0: kill
} // namespace

// The next definition of a call: the C library's, or the sanitizer's in between.
template <typename F> F Next(F, const char* name) {
    void* found = dlsym(RTLD_NEXT, name);
    F next;
    std::memcpy(&next, &found, sizeof next);
    return next;
}
#define NEXT(name) Next(&name, #name)

extern "C" {

__attribute__((visibility("default"))) void tallydial_fault_arm(int on) {
    g_armed = on;
    if (!on) return;
    const char* at = std::getenv("TALLYDIAL_FAULT_AT");
    const char* kind = std::getenv("TALLYDIAL_FAULT");
    g_at = at && *at ? std::atol(at) : -1;
    g_error = !kind || std::strcmp(kind, "kill") == 0 ? 0 : std::strcmp(kind, "enospc") == 0 ? ENOSPC : EIO;
}

__attribute__((visibility("default"))) long tallydial_fault_count() {
    return g_count;
}

// True when this call is to fail; never returns when it is to end the process.
static int Faulted() {
    if (!g_armed) return 0;
    if (++g_count != g_at) return 0;
    if (g_error == 0) std::raise(SIGKILL);
    errno = g_error;
    return 1;
}

// Each call that changes a file, passed on unless it is the one to fault. Writes to the standard
// streams change no file.
#define FAULTABLE(type, name, counted, params, ...)                                                          \
    type name params {                                                                                       \
        if ((counted) && Faulted()) return -1;                                                               \
        return NEXT(name)(__VA_ARGS__);                                                                      \
    }

FAULTABLE(ssize_t, write, fd > 2, (int fd, const void* buffer, size_t size), fd, buffer, size)
FAULTABLE(ssize_t, writev, fd > 2, (int fd, const struct iovec* parts, int count), fd, parts, count)
FAULTABLE(ssize_t, pwrite, true, (int fd, const void* buffer, size_t size, off_t at), fd, buffer, size, at)
FAULTABLE(ssize_t, pwrite64, true, (int fd, const void* buffer, size_t size, off_t at), fd, buffer, size, at)
FAULTABLE(int, fsync, true, (int fd), fd)
FAULTABLE(int, fdatasync, true, (int fd), fd)
FAULTABLE(int, ftruncate, true, (int fd, off_t length), fd, length)
FAULTABLE(int, truncate, true, (const char* path, off_t length), path, length)
FAULTABLE(int, rename, true, (const char* from, const char* to), from, to)
FAULTABLE(int, renameat, true, (int fromFolder, const char* from, int toFolder, const char* to), fromFolder,
          from, toFolder, to)
FAULTABLE(int, unlink, true, (const char* path), path)
FAULTABLE(int, unlinkat, true, (int folder, const char* path, int flags), folder, path, flags)

} // extern "C"
