// The system calls through which the file layer changes files. They behave as
// the plain calls do; a test may install a hook that runs before each of them,
// to make one fail or to end the process at a chosen moment.
#pragma once

#include <sys/types.h>

namespace velmora::sys {

enum class Call { Open, Write, Pwrite, Fsync, Rename, Fallocate };
inline constexpr int kCallKinds = 6;
const char* callName(Call call);

// Runs before each call: returns 0 to let it run, or an errno value that the
// call then fails with (without running). A hook may also end the process.
using Hook = int (*)(Call call);
void setHook(Hook hook);

int open(const char* path, int flags, mode_t mode = 0);
ssize_t write(int fd, const void* data, size_t n);
ssize_t pwrite(int fd, const void* data, size_t n, off_t offset);
// A kernel copy into `out`: counted as a write.
ssize_t copyFileRange(int in, off_t* inOffset, int out, size_t n);
int fsync(int fd);
int fdatasync(int fd); // counted as an fsync
// Waits until the file's data has been handed to the disk (no cache flush);
// returns its write-back error. Counted as an fsync.
int waitForData(int fd);
int syncfs(int fd); // counted as an fsync
int rename(const char* from, const char* to);
int renameNoReplace(const char* from, const char* to); // counted as a rename
int fallocate(int fd, int mode, off_t offset, off_t length);

} // namespace velmora::sys
