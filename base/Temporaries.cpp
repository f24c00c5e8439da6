#include "Temporaries.h"

#include "FileLayer.h"
#include "FileLayerInternal.h"
#include "SystemCalls.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <random>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace velmora {

namespace {

constexpr const char* kMarker = "user.velmora";
constexpr std::size_t kCodeLength = 10;
constexpr std::size_t kRandomLength = 6;
constexpr const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";

std::string checkFor(std::string_view random) {
    std::uint64_t h = detail::hash64(random.data(), random.size(), 0x76656c6d6f7261ull);
    std::string check;
    for (std::size_t i = kRandomLength; i < kCodeLength; ++i, h /= 36)
        check += kDigits[h % 36];
    return check;
}

std::string newCode() {
    static std::mt19937_64 rng{std::random_device{}()};
    std::string random;
    for (std::size_t i = 0; i < kRandomLength; ++i)
        random += kDigits[rng() % 36];
    return random + checkFor(random);
}

bool isCode(std::string_view s) {
    if (s.size() != kCodeLength)
        return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return false;
    return checkFor(s.substr(0, kRandomLength)) == s.substr(kRandomLength);
}

bool endsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// A name ending in ".<code>" whose code checks.
bool hasCheckedCode(std::string_view name) {
    return name.size() > kCodeLength + 1 && name[name.size() - kCodeLength - 1] == '.' &&
           isCode(name.substr(name.size() - kCodeLength));
}

bool unsupported(int err) {
    return err == ENOTSUP || err == EOPNOTSUPP;
}

// Ours: the marker names the file as it is named now (or, on a file system
// without extended attributes, the name's code checks).
bool markedAsOurs(int fd, std::string_view name) {
    char value[NAME_MAX + 1];
    ssize_t n = ::fgetxattr(fd, kMarker, value, sizeof value);
    if (n >= 0)
        return std::string_view(value, static_cast<std::size_t>(n)) == name;
    return unsupported(errno) && hasCheckedCode(name);
}

constexpr const char* kShortBase = ".velmora";

// Marks the file and gives it the name (an unnamed file is linked in, else a
// new file is created, locked and marked). 0, EEXIST when the name will not
// do (taken, or unprovable as ours), or the errno of the failure.
int giveName(int& fd, bool unnamed, const std::string& path, const std::string& name) {
    if (!unnamed) {
        fd = sys::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return errno;
        ::flock(fd, LOCK_EX);
    }
    int err = 0;
    if (::fsetxattr(fd, kMarker, name.data(), name.size(), 0) != 0)
        err = !unsupported(errno) ? errno : hasCheckedCode(name) ? 0 : EEXIST;
    if (err == 0 && unnamed) {
        char self[64];
        std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
        if (::linkat(AT_FDCWD, self, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0)
            err = errno;
    }
    if (err != 0 && !unnamed) {
        ::unlink(path.c_str()); // ours, just made and still empty
        ::close(fd);
        fd = -1;
    }
    return err;
}

// What this process last saw of a folder it tidied: when the folder has not
// changed since (other than by our own writes), and the tidy is recent, no
// one can have left a temporary file there.
struct FolderState {
    dev_t device;
    ino_t inode;
    struct timespec changed;
    std::chrono::steady_clock::time_point tidiedAt;
};
constexpr auto kTrustTidyFor = std::chrono::seconds(60);

std::mutex tidiedLock;
std::map<std::string, FolderState> tidied;

bool sameState(const FolderState& state, const struct stat& st) {
    return state.device == st.st_dev && state.inode == st.st_ino &&
           state.changed.tv_sec == st.st_ctim.tv_sec && state.changed.tv_nsec == st.st_ctim.tv_nsec;
}

} // namespace

namespace detail {

bool looksLikeTemporaryName(std::string_view name) {
    if (hasCheckedCode(name))
        name.remove_suffix(kCodeLength + 1);
    return endsWith(name, ".temp") ||
           (name.size() >= 8 && name[0] == '.' && endsWith(name, ".velmora"));
}

int createTemporary(const std::string& folder, const std::string& targetName,
                    const std::string& preferredName, std::string& path) {
    std::string base = preferredName.empty() ? "." + targetName + ".velmora" : preferredName;
    std::string name = preferredName.empty() || preferredName.size() > NAME_MAX
                           ? base + "." + newCode()
                           : preferredName;
    if (name.size() > NAME_MAX)
        name = kShortBase + ("." + newCode());
    // Made unnamed where the file system can, so that it is locked and marked
    // before any name shows it.
    int fd = sys::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    bool unnamed = fd >= 0;
    if (unnamed)
        ::flock(fd, LOCK_EX);
    else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
        raiseCreateError(folder + "/" + name, errno);
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = folder + "/" + name;
        int err = giveName(fd, unnamed, path, name);
        if (err == 0)
            return fd;
        if (err == ENOENT && unnamed) { // no /proc to link from: named files then
            ::close(fd);
            fd = -1;
            unnamed = false;
            continue;
        }
        if (err != EEXIST && err != ENAMETOOLONG) {
            if (fd >= 0)
                ::close(fd);
            raiseCreateError(path, err);
        }
        if (err == ENAMETOOLONG || base.size() + 1 + kCodeLength > NAME_MAX)
            base = kShortBase;
        name = base + "." + newCode();
    }
    if (fd >= 0)
        ::close(fd);
    raiseCreateError(path, EEXIST);
}

void unmarkTemporary(int fd) {
    ::fremovexattr(fd, kMarker);
}

void removeStaleTemporariesNow(const std::string& folder) {
    struct stat st = {};
    if (::stat(folder.c_str(), &st) != 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard<std::mutex> guard(tidiedLock);
        auto it = tidied.find(folder);
        if (it != tidied.end() && sameState(it->second, st) &&
            now - it->second.tidiedAt < kTrustTidyFor)
            return;
    }
    removeStaleTemporaries(folder);
    if (::stat(folder.c_str(), &st) != 0)
        return;
    std::lock_guard<std::mutex> guard(tidiedLock);
    if (tidied.size() >= 1024)
        tidied.clear();
    tidied[folder] = FolderState{st.st_dev, st.st_ino, st.st_ctim, now};
}

void noteOwnChange(const std::string& folder) {
    std::lock_guard<std::mutex> guard(tidiedLock);
    auto it = tidied.find(folder);
    struct stat st = {};
    if (it != tidied.end() && ::stat(folder.c_str(), &st) == 0) {
        it->second.changed = st.st_ctim;
        it->second.device = st.st_dev;
        it->second.inode = st.st_ino;
    }
}

} // namespace detail

std::size_t removeStaleTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    const int dirFd = ::dirfd(dir);
    std::size_t removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN)
            continue;
        if (!detail::looksLikeTemporaryName(name))
            continue;
        int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened = {};
        struct stat named = {};
        // Locked means a writer is at work; the marker is read under the lock,
        // and the name must still be this file when it goes.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && markedAsOurs(fd, name) &&
            ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino &&
            ::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

} // namespace velmora
