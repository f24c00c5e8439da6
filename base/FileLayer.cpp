#include "FileLayer.h"

#include "FileLayerInternal.h"
#include "GroupCommitScope.h"
#include "PendingWrite.h"
#include "SystemCalls.h"
#include "Temporaries.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace velmora {

using detail::folderOf;
using detail::nameOf;
using detail::pwriteAll;
using detail::writeAll;

namespace {

std::string formatMessage(const char* what, const std::string& path, int err) {
    return std::string(what) + " \"" + expandPath(path) + "\". " + systemErrorText(err);
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

namespace detail {

std::string folderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

namespace {

// The whole of data, at `offset` when there is one, else at the file
// position. A write that takes no byte is a full disk.
bool writeWhole(int fd, const char* data, std::size_t n, const std::uint64_t* offset, int& err) {
    std::uint64_t at = offset ? *offset : 0;
    while (n > 0) {
        const ssize_t done =
            offset ? sys::pwrite(fd, data, n, static_cast<off_t>(at)) : sys::write(fd, data, n);
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
        at += static_cast<std::uint64_t>(done);
    }
    return true;
}

} // namespace

bool writeAll(int fd, const char* data, std::size_t n, int& err) {
    return writeWhole(fd, data, n, nullptr, err);
}

bool pwriteAll(int fd, const char* data, std::size_t n, std::uint64_t offset, int& err) {
    return writeWhole(fd, data, n, &offset, err);
}

int openForWriting(const std::string& path, int& err) {
    struct stat st {};
    const bool lift = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                      !(st.st_mode & S_IWUSR) && st.st_uid == ::geteuid() &&
                      ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
    int fd = sys::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    err = fd < 0 ? errno : 0;
    if (lift) {
        // Put back at once: the window is the open call alone.
        if (fd >= 0)
            ::fchmod(fd, st.st_mode & 07777);
        else
            ::chmod(path.c_str(), st.st_mode & 07777);
    }
    return fd;
}

int syncFolder(const std::string& folder) {
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return errno;
    int err = sys::fsync(dir) == 0 ? 0 : errno;
    ::close(dir);
    // Some file systems cannot flush a folder; their entries are safe anyway.
    return err == EINVAL || err == EROFS ? 0 : err;
}

int reserveSpace(int fd, const struct stat& st, std::uint64_t newSize) {
    const std::uint64_t allocated = static_cast<std::uint64_t>(st.st_blocks) * 512;
    if (newSize <= allocated)
        return 0;
    if (sys::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(newSize)) == 0)
        return 0;
    if (errno == ENOSPC || errno == EDQUOT)
        return errno;
    // No reservation here: compare with the space left instead, one block spare.
    struct statvfs fs {};
    if (::fstatvfs(fd, &fs) != 0)
        return 0;
    const std::uint64_t block = fs.f_frsize ? fs.f_frsize : 4096;
    const std::uint64_t free = static_cast<std::uint64_t>(fs.f_bavail) * block;
    return free < newSize - allocated + block ? ENOSPC : 0;
}

int copyOver(int from, int to, std::uint64_t length) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(length, 1u << 20)));
    std::uint64_t pos = 0;
    int err = 0;
    while (pos < length) {
        const std::size_t chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), length - pos));
        ssize_t got = ::pread(from, buffer.data(), chunk, static_cast<off_t>(pos));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : EIO;
        if (!pwriteAll(to, buffer.data(), static_cast<std::size_t>(got), pos, err))
            return err;
        pos += static_cast<std::uint64_t>(got);
    }
    if (::ftruncate(to, static_cast<off_t>(length)) != 0)
        return errno;
    return sys::fsync(to) == 0 ? 0 : errno;
}

std::uint64_t hash64(const void* data, std::size_t n, std::uint64_t seed) {
    std::uint64_t h = seed;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < n; ++i) {
        h ^= bytes[i];
        h *= 1099511628211ull;
    }
    return h;
}

} // namespace detail

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

void raiseReadError(const std::string& path, int err) {
    throw FileError(formatMessage("Cannot read file", path, err), err);
}

void raiseChangedError(const std::string& path) {
    throw FileError("The file \"" + expandPath(path) +
                        "\" was changed by another program while it was being written.",
                    ESTALE);
}

FileIdentity FileIdentity::of(const struct stat& st) {
    FileIdentity id;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.modified = st.st_mtim;
    return id;
}

bool FileIdentity::sameFile(const struct stat& st) const {
    return st.st_dev == device && st.st_ino == inode;
}

bool FileIdentity::unchanged(const struct stat& st) const {
    return sameFile(st) && static_cast<std::uint64_t>(st.st_size) == size &&
           sameTime(st.st_mtim, modified);
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

namespace {

// Opens a regular file for reading; -1 (errno set) when it cannot be opened or
// is no regular file. Without O_NONBLOCK, opening a named pipe would wait for a
// writer; only regular files are tag files, and for them the flag changes
// nothing.
int openRegularFile(const std::string& path, struct stat& st) {
    int fd = sys::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    int err = 0;
    if (::fstat(fd, &st) != 0)
        err = errno;
    else if (!S_ISREG(st.st_mode))
        err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    if (err != 0) {
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

} // namespace

InputFile::InputFile(const std::string& path) {
    // A copy cut short is finished first; when it cannot be, the write that
    // reads this file must not build on half-copied content.
    recoverPendingWrite(path);
    struct stat st {};
    fd_ = openRegularFile(path, st);
    if (fd_ < 0)
        raiseOpenError(path, errno);
    status_ = st;
    size_ = static_cast<std::uint64_t>(st.st_size);
    path_ = path;
}

bool InputFile::tryOpen(const std::string& path, InputFile& out) {
    try {
        recoverPendingWrite(path);
    } catch (const FileError&) {
        // Read what is there: the journal stays for a write to finish.
    }
    struct stat st {};
    const int fd = openRegularFile(path, st);
    if (fd < 0)
        return false;
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
    open(path, tempName, nullptr, Tidy::Folder);
}

ReplaceFile::ReplaceFile(const InputFile& read, const std::string& tempName) {
    open(read.path(), tempName, &read.status(), Tidy::Folder);
}

ReplaceFile::ReplaceFile(const std::string& path, const std::string& tempName,
                         const struct stat* asRead, Tidy tidy) {
    open(path, tempName, asRead, tidy);
}

void ReplaceFile::open(const std::string& path, const std::string& tempName,
                       const struct stat* asRead, Tidy tidy) {
    target_ = resolveSymlinks(path);
    recoverPendingWrite(target_);
    if (::stat(target_.c_str(), &original_) != 0) {
        if (asRead && errno == ENOENT)
            raiseChangedError(path); // it was there when read
        raiseOpenError(path, errno);
    }
    // Built from what was read: give up at once when that is no longer the file.
    if (asRead && !FileIdentity::of(*asRead).unchanged(original_))
        raiseChangedError(path);
    if (!S_ISREG(original_.st_mode))
        raiseOpenError(path, EINVAL);
    // A rename needs only the folder's rights, but a file we may not write is
    // not ours to replace: only its owner may lift its read-only state.
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0 &&
        original_.st_uid != ::geteuid())
        raiseOpenError(path, errno);
    expected_ = FileIdentity::of(asRead ? *asRead : original_);
    // Renaming would split hard links, and a file of another owner (that we
    // may write) would become ours, as only a privileged user can give it
    // back: such a file is copied over instead.
    const uid_t self = ::geteuid();
    inPlace_ = original_.st_nlink > 1 || (self != 0 && original_.st_uid != self);
    const std::string folder = folderOf(target_);
    GroupCommitScope* scope = GroupCommitScope::active();
    // A file the scope still holds would be built from its old content and
    // the pending new one would then be lost.
    if (scope && scope->holds(original_))
        raiseWriteError(path, EBUSY);
    if (tidy == Tidy::Folder) {
        if (scope)
            scope->tidyOnce(folder); // its own pending files are not looked at again
        else
            detail::removeStaleTemporariesNow(folder);
    }
    fd_ = detail::createTemporary(folder, nameOf(target_), tempName, temp_);
}

void ReplaceFile::expectUnchangedSince(const struct stat& asRead) {
    expected_ = FileIdentity::of(asRead);
}

ReplaceFile::~ReplaceFile() {
    discard();
}

ReplaceFile::ReplaceFile(ReplaceFile&& other) noexcept
    : target_(std::move(other.target_)), temp_(std::exchange(other.temp_, {})),
      fd_(std::exchange(other.fd_, -1)), pendingError_(other.pendingError_),
      written_(other.written_), contentLength_(other.contentLength_), finished_(other.finished_),
      committed_(other.committed_), inPlace_(other.inPlace_), original_(other.original_),
      expected_(other.expected_) {}

ReplaceFile& ReplaceFile::operator=(ReplaceFile&& other) noexcept {
    if (this != &other) {
        discard();
        target_ = std::move(other.target_);
        temp_ = std::exchange(other.temp_, {});
        fd_ = std::exchange(other.fd_, -1);
        pendingError_ = other.pendingError_;
        written_ = other.written_;
        contentLength_ = other.contentLength_;
        finished_ = other.finished_;
        committed_ = other.committed_;
        inPlace_ = other.inPlace_;
        original_ = other.original_;
        expected_ = other.expected_;
    }
    return *this;
}

void ReplaceFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        detail::noteOwnChange(folderOf(temp_));
        temp_.clear();
    }
}

std::size_t ReplaceFile::tryWrite(const void* data, std::size_t n) {
    if (pendingError_ || fd_ < 0 || finished_)
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
        raiseWriteError(target_, pendingError_ ? pendingError_ : EBADF);
}

void ReplaceFile::copyFrom(const InputFile& in, std::uint64_t offset, std::uint64_t length) {
    if (pendingError_ || fd_ < 0 || finished_)
        raiseWriteError(target_, pendingError_ ? pendingError_ : EBADF);
    if (offset > in.size() || length > in.size() - offset)
        raiseWriteError(target_, EINVAL);
    // copy_file_range lets the kernel (or the file system) move the bytes.
    std::uint64_t left = length;
    off_t from = static_cast<off_t>(offset);
    while (left > 0) {
        ssize_t done = sys::copyFileRange(
            in.fd(), &from, fd_, static_cast<std::size_t>(std::min<std::uint64_t>(left, 1u << 30)));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            if (done < 0 && (errno == ENOSPC || errno == EIO || errno == EDQUOT)) {
                pendingError_ = errno;
                raiseWriteError(target_, errno);
            }
            break; // not supported here: fall back to read and write
        }
        left -= static_cast<std::uint64_t>(done);
        written_ += static_cast<std::uint64_t>(done);
    }
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(left, 1u << 20)));
    while (left > 0) {
        std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        errno = 0;
        std::size_t got = in.readAt(static_cast<std::uint64_t>(from), buffer.data(), chunk);
        if (got != chunk) {
            const int err = errno;
            struct stat now = {};
            // Shorter than when it was opened: another program cut it.
            if (::fstat(in.fd(), &now) == 0 && static_cast<std::uint64_t>(now.st_size) < in.size())
                raiseChangedError(in.path());
            raiseReadError(in.path(), err ? err : EIO);
        }
        write(buffer.data(), got);
        from += static_cast<off_t>(got);
        left -= got;
    }
}

void ReplaceFile::finishWriting() {
    if (finished_)
        return;
    if (fd_ < 0)
        raiseWriteError(target_, EBADF);
    if (pendingError_)
        raiseWriteError(target_, pendingError_);
    contentLength_ = written_;
    if (inPlace_) {
        // The content becomes a journal: it says which file it belongs to.
        if (int err = detail::appendJournalFooter(fd_, contentLength_, original_, nameOf(target_)))
            raiseWriteError(target_, err);
    } else {
        // The owner is ours or we are privileged; a group we are not in may stay ours.
        if (::fchown(fd_, original_.st_uid, original_.st_gid) != 0) {
            [[maybe_unused]] int ignored = ::fchown(fd_, static_cast<uid_t>(-1), original_.st_gid);
        }
        if (::fchmod(fd_, original_.st_mode & 07777) != 0)
            raiseWriteError(target_, errno);
    }
    finished_ = true;
}

void ReplaceFile::startFlush() {
    if (fd_ >= 0)
        ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
}

void ReplaceFile::flush() {
    finishWriting();
    if (sys::fsync(fd_) != 0)
        raiseWriteError(target_, errno);
}

void ReplaceFile::waitForData() {
    finishWriting();
    if (sys::waitForData(fd_) != 0)
        raiseWriteError(target_, errno);
}

int ReplaceFile::syncFileSystem() {
    return sys::syncfs(fd_) == 0 ? 0 : errno;
}

bool ReplaceFile::sharesFileSystemFlush() const {
    // Their sync writes back every dirty file, commits the journal with the
    // new files' sizes and blocks and flushes the disk's cache, and reports
    // a write-back error. Network and other file systems flush file by file.
    constexpr long kLocal[] = {0xEF53 /* ext2/3/4 */, 0x58465342 /* xfs */, 0x9123683E /* btrfs */,
                               static_cast<long>(0xF2F52010) /* f2fs */};
    struct statfs fs {};
    if (fd_ < 0 || ::fstatfs(fd_, &fs) != 0)
        return false;
    for (long type : kLocal)
        if (static_cast<long>(fs.f_type) == type)
            return true;
    return false;
}

void ReplaceFile::commit() {
    if (GroupCommitScope* scope = GroupCommitScope::active(); scope && !committed_) {
        finishWriting();
        scope->adopt(std::move(*this));
        return;
    }
    flush();
    install(true);
}

void ReplaceFile::install(bool flushFolder) {
    if (!finished_ || committed_ || fd_ < 0)
        raiseWriteError(target_, EBADF);
    // The path must still name the file as it was read: otherwise another
    // program changed, replaced or removed it, and that is left as it is.
    struct stat now {};
    if (::lstat(target_.c_str(), &now) != 0 || !expected_.unchanged(now))
        raiseChangedError(target_);
    if (inPlace_)
        installByCopy();
    else
        installByRename(flushFolder);
    committed_ = true;
    detail::noteOwnChange(folderOf(target_));
}

void ReplaceFile::installByRename(bool flushFolder) {
    if (sys::rename(temp_.c_str(), target_.c_str()) != 0)
        raiseWriteError(target_, errno);
    temp_.clear();
    detail::unmarkTemporary(fd_);
    const int closed = ::close(fd_) == 0 ? 0 : errno;
    fd_ = -1;
    if (closed != 0)
        raiseWriteError(target_, closed);
    if (flushFolder)
        if (int err = detail::syncFolder(folderOf(target_)))
            raiseWriteError(target_, err);
}

void ReplaceFile::installByCopy() {
    // From the moment the journal has its name, either the original is whole
    // or the journal holding the whole new content is on disk.
    // Never over an existing name: that is a journal still being finished,
    // or a file of the user's that only looks like one.
    const std::string journal = detail::journalPathFor(target_);
    if (sys::renameNoReplace(temp_.c_str(), journal.c_str()) != 0)
        raiseWriteError(target_, errno);
    temp_ = journal; // removed by discard() until a byte of the file changes
    detail::unmarkTemporary(fd_);
    if (int err = detail::syncFolder(folderOf(target_)))
        raiseWriteError(target_, err);
    detail::JournalCopy copy{fd_,       journal, contentLength_,           target_,
                             expected_, true,    original_.st_mode & 07777};
    temp_.clear(); // from here the journal is removed only once the copy is done
    try {
        detail::applyJournal(copy);
    } catch (...) {
        if (!copy.started)
            ::unlink(journal.c_str());
        throw;
    }
    ::close(fd_);
    fd_ = -1;
}

// ---- In-place writes ----

namespace {

void writeInPlaceChecked(const std::string& path, const FileIdentity* asRead, std::uint64_t offset,
                         const void* data, std::size_t n, InPlaceFlush flush) {
    detail::removeStaleTemporariesNow(folderOf(path));
    recoverPendingWrite(path);
    // open follows symlinks: the target is written and the link stays a link.
    int err = 0;
    int fd = detail::openForWriting(path, err);
    if (fd < 0 && asRead && err == ENOENT)
        raiseChangedError(path); // it was there when read
    if (fd < 0)
        raiseOpenError(path, err);
    struct stat opened = {};
    struct stat named = {};
    bool same = ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
                FileIdentity::of(opened).sameFile(named) && S_ISREG(opened.st_mode);
    if (same && asRead)
        same = asRead->unchanged(opened);
    if (!same) {
        ::close(fd);
        raiseChangedError(path);
    }
    // Bytes written into a file whose new version a group still holds would
    // be lost when that version is put in place.
    if (GroupCommitScope* scope = GroupCommitScope::active(); scope && scope->holds(opened)) {
        ::close(fd);
        raiseWriteError(path, EBUSY);
    }
    bool ok = pwriteAll(fd, static_cast<const char*>(data), n, offset, err);
    if (ok && flush == InPlaceFlush::WaitForDisk && sys::fdatasync(fd) != 0) {
        ok = false;
        err = errno;
    }
    ::close(fd);
    if (!ok)
        raiseWriteError(path, err);
}

} // namespace

void writeInPlace(const std::string& path, std::uint64_t offset, const void* data, std::size_t n) {
    writeInPlaceChecked(path, nullptr, offset, data, n, InPlaceFlush::WaitForDisk);
}

void writeInPlace(const std::string& path, std::uint64_t offset, const void* data, std::size_t n,
                  InPlaceFlush flush) {
    writeInPlaceChecked(path, nullptr, offset, data, n, flush);
}

void writeInPlace(const InputFile& read, std::uint64_t offset, const void* data, std::size_t n,
                  InPlaceFlush flush) {
    const FileIdentity asRead = FileIdentity::of(read.status());
    writeInPlaceChecked(read.path(), &asRead, offset, data, n, flush);
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
