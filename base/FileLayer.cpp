#include "FileLayer.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/sendfile.h>
#include <unistd.h>
#include <vector>

namespace velmora {

namespace {

std::string folderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string formatMessage(const char* what, const std::string& path, int err) {
    return std::string(what) + " \"" + expandPath(path) + "\". " + systemErrorText(err);
}

void syncFolder(const std::string& path) {
    int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

bool writeAll(int fd, const char* data, std::size_t n, int& err) {
    while (n > 0) {
        ssize_t done = ::write(fd, data, n);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        if (done == 0) {
            err = ENOSPC;
            return false;
        }
        data += done;
        n -= static_cast<std::size_t>(done);
    }
    return true;
}

bool pwriteAll(int fd, const char* data, std::size_t n, std::uint64_t offset, int& err) {
    while (n > 0) {
        ssize_t done = ::pwrite(fd, data, n, static_cast<off_t>(offset));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        if (done == 0) {
            err = ENOSPC;
            return false;
        }
        data += done;
        n -= static_cast<std::size_t>(done);
        offset += static_cast<std::uint64_t>(done);
    }
    return true;
}

std::string uniqueSuffix() {
    static std::mt19937_64 rng{std::random_device{}()};
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string s;
    for (int i = 0; i < 8; ++i)
        s += digits[rng() % 36];
    return s;
}

// Makes a read-only file writable by its owner for the duration of a write.
class WritableWhileAlive {
public:
    explicit WritableWhileAlive(const std::string& path) : path_(path) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR)) {
            mode_ = st.st_mode & 07777;
            changed_ = ::chmod(path.c_str(), mode_ | S_IWUSR) == 0;
        }
    }
    ~WritableWhileAlive() {
        if (changed_)
            ::chmod(path_.c_str(), mode_);
    }
    WritableWhileAlive(const WritableWhileAlive&) = delete;
    WritableWhileAlive& operator=(const WritableWhileAlive&) = delete;

private:
    std::string path_;
    mode_t mode_ = 0;
    bool changed_ = false;
};

} // namespace

std::string expandPath(const std::string& path) {
    if (path.empty() || path[0] == '/')
        return path;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd))
        return path;
    std::string base(cwd);
    if (base.empty() || base.back() != '/')
        base += '/';
    return base + path;
}

std::string systemErrorText(int err) {
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not live in buffer.
    const char* text = ::strerror_r(err, buffer, sizeof buffer);
    return text ? std::string(text) : std::string("Unknown error");
}

void raiseOpenError(const std::string& path, int err) {
    throw FileError(formatMessage("Cannot open file", path, err), err);
}

void raiseCreateError(const std::string& path, int err) {
    throw FileError(formatMessage("Cannot create file", path, err), err);
}

void raiseWriteError(const std::string& path, int err) {
    throw FileError(formatMessage("Cannot write file", path, err), err);
}

std::string resolveSymlinks(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return path;
    std::string result(real);
    std::free(real);
    return result;
}

// ---- InputFile ----

InputFile::InputFile(const std::string& path) {
    if (!tryOpen(path, *this))
        raiseOpenError(path, errno);
}

bool InputFile::tryOpen(const std::string& path, InputFile& out) {
    // Without O_NONBLOCK, opening a named pipe would wait for a writer; only
    // regular files are tag files, and for them the flag changes nothing.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    int err = 0;
    if (::fstat(fd, &st) != 0)
        err = errno;
    else if (!S_ISREG(st.st_mode))
        err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    if (err != 0) {
        ::close(fd);
        errno = err;
        return false;
    }
    if (out.fd_ >= 0)
        ::close(out.fd_);
    out.fd_ = fd;
    out.status_ = st;
    out.size_ = static_cast<std::uint64_t>(st.st_size);
    out.path_ = path;
    return true;
}

InputFile::~InputFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

InputFile::InputFile(InputFile&& other) noexcept
    : fd_(other.fd_), size_(other.size_), path_(std::move(other.path_)), status_(other.status_) {
    other.fd_ = -1;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        size_ = other.size_;
        path_ = std::move(other.path_);
        status_ = other.status_;
        other.fd_ = -1;
    }
    return *this;
}

std::size_t InputFile::readAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    std::size_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (total < n) {
        ssize_t got = ::pread(fd_, out + total, n - total, static_cast<off_t>(offset + total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

std::string InputFile::readRange(std::uint64_t offset, std::size_t n) const {
    if (offset >= size_)
        return {};
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - offset));
    std::string out(want, '\0');
    out.resize(readAt(offset, out.data(), want));
    return out;
}

bool readWholeFile(const std::string& path, std::string& out) {
    InputFile in;
    if (!InputFile::tryOpen(path, in))
        return false;
    out.assign(static_cast<std::size_t>(in.size()), '\0');
    std::size_t got = in.readAt(0, out.data(), out.size());
    out.resize(got);
    return got == in.size();
}

// ---- ReplaceFile ----

ReplaceFile::ReplaceFile(const std::string& path, const std::string& tempName) {
    target_ = resolveSymlinks(path);
    if (::stat(target_.c_str(), &original_) != 0)
        raiseOpenError(path, errno);
    if (!S_ISREG(original_.st_mode))
        raiseOpenError(path, EINVAL);
    // A rename needs only the folder's rights, but a file we may not write is
    // not ours to replace: only its owner may lift its read-only state.
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0 &&
        original_.st_uid != ::geteuid())
        raiseOpenError(path, errno);
    const std::string folder = folderOf(target_);
    std::string base = tempName;
    if (base.empty()) {
        auto slash = target_.rfind('/');
        base = "." + target_.substr(slash == std::string::npos ? 0 : slash + 1) + ".velmora";
    }
    std::string candidate = folder + "/" + base;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            temp_ = candidate;
            return;
        }
        if (errno != EEXIST)
            raiseCreateError(candidate, errno);
        candidate = folder + "/" + base + "." + uniqueSuffix();
    }
    raiseCreateError(folder + "/" + base, EEXIST);
}

ReplaceFile::~ReplaceFile() {
    discard();
}

void ReplaceFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

std::size_t ReplaceFile::tryWrite(const void* data, std::size_t n) {
    if (pendingError_ || fd_ < 0)
        return 0;
    int err = 0;
    if (!writeAll(fd_, static_cast<const char*>(data), n, err)) {
        pendingError_ = err;
        return 0;
    }
    written_ += n;
    return n;
}

void ReplaceFile::write(const void* data, std::size_t n) {
    if (n > 0 && tryWrite(data, n) != n)
        raiseWriteError(target_, pendingError_ ? pendingError_ : EIO);
}

void ReplaceFile::copyFrom(const InputFile& in, std::uint64_t offset, std::uint64_t length) {
    if (pendingError_)
        raiseWriteError(target_, pendingError_);
    if (offset > in.size() || length > in.size() - offset)
        raiseWriteError(target_, EINVAL);
    // copy_file_range lets the kernel (or the file system) move the bytes.
    std::uint64_t left = length;
    off_t from = static_cast<off_t>(offset);
    bool kernelCopy = true;
    while (left > 0 && kernelCopy) {
        ssize_t done =
            ::copy_file_range(in.fd(), &from, fd_, nullptr,
                              static_cast<std::size_t>(std::min<std::uint64_t>(left, 1u << 30)), 0);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            if (done < 0 && (errno == ENOSPC || errno == EIO || errno == EDQUOT))
                raiseWriteError(target_, errno);
            kernelCopy = false; // not supported here: fall back to read and write
            break;
        }
        left -= static_cast<std::uint64_t>(done);
        written_ += static_cast<std::uint64_t>(done);
    }
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(left, 1u << 20)));
    while (left > 0) {
        std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        std::size_t got = in.readAt(static_cast<std::uint64_t>(from), buffer.data(), chunk);
        if (got != chunk)
            raiseWriteError(target_, EIO);
        write(buffer.data(), got);
        from += static_cast<off_t>(got);
        left -= got;
    }
}

void ReplaceFile::commit() {
    if (fd_ < 0)
        raiseWriteError(target_, EBADF);
    if (pendingError_)
        raiseWriteError(target_, pendingError_);
    if (::fsync(fd_) != 0)
        raiseWriteError(target_, errno);
    // Renaming would split hard links, and a file of another owner (that we
    // may write) would become ours, as only a privileged user can give it back:
    // then the finished content is copied into the original instead, and the
    // temporary file dropped.
    const uid_t self = ::geteuid();
    if (original_.st_nlink > 1 || (self != 0 && original_.st_uid != self)) {
        InputFile fresh(temp_);
        WritableWhileAlive writable(target_);
        int out = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
        if (out < 0)
            raiseOpenError(target_, errno);
        // Space for a longer content is reserved first: a full disk is then
        // found before the first byte of the original is overwritten.
        if (fresh.size() > static_cast<std::uint64_t>(original_.st_size) &&
            ::fallocate(out, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(fresh.size())) != 0 &&
            (errno == ENOSPC || errno == EDQUOT)) {
            const int full = errno;
            ::close(out);
            raiseWriteError(target_, full);
        }
        std::vector<char> buffer(1u << 20);
        std::uint64_t pos = 0;
        int err = 0;
        while (pos < fresh.size()) {
            std::size_t chunk = static_cast<std::size_t>(
                std::min<std::uint64_t>(buffer.size(), fresh.size() - pos));
            std::size_t got = fresh.readAt(pos, buffer.data(), chunk);
            if (got != chunk) {
                err = EIO;
                break;
            }
            if (!pwriteAll(out, buffer.data(), got, pos, err))
                break;
            pos += got;
        }
        if (err == 0 && ::ftruncate(out, static_cast<off_t>(fresh.size())) != 0)
            err = errno;
        if (err == 0 && ::fsync(out) != 0)
            err = errno;
        ::close(out);
        if (err != 0)
            raiseWriteError(target_, err);
        discard();
        return;
    }
    // Give the new file the original's owner and permissions (the owner is
    // ours or we are privileged; a group we are not in may stay ours).
    if (::fchown(fd_, original_.st_uid, original_.st_gid) != 0) {
        [[maybe_unused]] int ignored = ::fchown(fd_, static_cast<uid_t>(-1), original_.st_gid);
    }
    if (::fchmod(fd_, original_.st_mode & 07777) != 0)
        raiseWriteError(target_, errno);
    if (::close(fd_) != 0) {
        fd_ = -1;
        raiseWriteError(target_, errno);
    }
    fd_ = -1;
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        raiseWriteError(target_, errno);
    temp_.clear();
    syncFolder(target_);
}

void writeInPlace(const std::string& path, std::uint64_t offset, const void* data, std::size_t n) {
    writeInPlace(path, offset, data, n, InPlaceFlush::WaitForDisk);
}

void writeInPlace(const std::string& path, std::uint64_t offset, const void* data, std::size_t n,
                  InPlaceFlush flush) {
    // stat, chmod and open all follow symlinks themselves: the target is
    // written and the link stays a link, without resolving the path first.
    WritableWhileAlive writable(path);
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        raiseOpenError(path, errno);
    int err = 0;
    bool ok = pwriteAll(fd, static_cast<const char*>(data), n, offset, err);
    if (ok && flush == InPlaceFlush::WaitForDisk && ::fdatasync(fd) != 0) {
        ok = false;
        err = errno;
    }
    ::close(fd);
    if (!ok)
        raiseWriteError(path, err);
}

std::string executableDir() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return "./";
    std::string path(buffer, static_cast<std::size_t>(n));
    return folderOf(path) + "/";
}

} // namespace velmora
