#include "SystemCalls.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace velmora::sys {

namespace {

Hook hook = nullptr;

// True when the hook lets the call run; otherwise errno is set.
bool allowed(Call call) {
    if (!hook)
        return true;
    const int err = hook(call);
    if (err == 0)
        return true;
    errno = err;
    return false;
}

} // namespace

const char* callName(Call call) {
    switch (call) {
    case Call::Open:
        return "open";
    case Call::Write:
        return "write";
    case Call::Pwrite:
        return "pwrite";
    case Call::Fsync:
        return "fsync";
    case Call::Rename:
        return "rename";
    case Call::Fallocate:
        return "fallocate";
    }
    return "?";
}

void setHook(Hook newHook) {
    hook = newHook;
}

int open(const char* path, int flags, mode_t mode) {
    return allowed(Call::Open) ? ::open(path, flags, mode) : -1;
}

ssize_t write(int fd, const void* data, size_t n) {
    return allowed(Call::Write) ? ::write(fd, data, n) : -1;
}

ssize_t pwrite(int fd, const void* data, size_t n, off_t offset) {
    return allowed(Call::Pwrite) ? ::pwrite(fd, data, n, offset) : -1;
}

ssize_t copyFileRange(int in, off_t* inOffset, int out, size_t n) {
    return allowed(Call::Write) ? ::copy_file_range(in, inOffset, out, nullptr, n, 0) : -1;
}

int fsync(int fd) {
    return allowed(Call::Fsync) ? ::fsync(fd) : -1;
}

int fdatasync(int fd) {
    return allowed(Call::Fsync) ? ::fdatasync(fd) : -1;
}

int waitForData(int fd) {
    if (!allowed(Call::Fsync))
        return -1;
    return ::sync_file_range(
        fd, 0, 0, SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
}

int syncfs(int fd) {
    return allowed(Call::Fsync) ? ::syncfs(fd) : -1;
}

int rename(const char* from, const char* to) {
    return allowed(Call::Rename) ? ::rename(from, to) : -1;
}

int renameNoReplace(const char* from, const char* to) {
    return allowed(Call::Rename) ? ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) : -1;
}

int fallocate(int fd, int mode, off_t offset, off_t length) {
    return allowed(Call::Fallocate) ? ::fallocate(fd, mode, offset, length) : -1;
}

} // namespace velmora::sys
