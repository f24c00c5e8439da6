// The file layer: how the tag units open, read and replace files.
//
// Reading never changes a file (no attribute, permission or time change beyond
// the kernel's own access time). Writing either overwrites bytes in place, where
// the new bytes fit, or builds the new content in an exclusively created file
// beside the original and renames it over the original once it is on disk, so
// the file is never missing or half written. Symlinks are followed (the target
// is replaced, the link stays a link) and hard links are kept.
//
// A file with several names, or of another owner, cannot be replaced by a
// rename: its new content is first flushed beside it as a journal, then copied
// over it. A copy cut short is finished from the journal by the next open of
// the file through this layer, the next write, recoverPendingWrite() or a
// folder's tidyFolder(). Every write gives up, changing nothing, when the path
// no longer names the file as it was read. Temporary files carry a marker and
// a lock while in use, so that leftovers of a killed run can be told apart and
// removed by the next write in their folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace velmora {

// An error with a message meant for the user; the program's default error
// handler shows what() in a message box.
class TagError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An error of the file layer: "Cannot open file "%s". %s" and its siblings.
class FileError : public TagError {
public:
    FileError(std::string message, int errorCode)
        : TagError(std::move(message)), errorCode_(errorCode) {}
    int errorCode() const { return errorCode_; }

private:
    int errorCode_;
};

// The absolute form of a path, as shown in messages (symlinks are not resolved).
std::string expandPath(const std::string& path);
// The system's text for an errno value.
std::string systemErrorText(int err);

[[noreturn]] void raiseOpenError(const std::string& path, int err);
[[noreturn]] void raiseCreateError(const std::string& path, int err);
[[noreturn]] void raiseWriteError(const std::string& path, int err);
// "Cannot read file "%s". %s": a file that could be opened fails to read.
[[noreturn]] void raiseReadError(const std::string& path, int err);
// "The file "%s" was changed by another program while it was being written."
[[noreturn]] void raiseChangedError(const std::string& path);

// What tells that a path still names the file as it was read.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t size = 0;
    struct timespec modified {};

    static FileIdentity of(const struct stat& st);
    bool sameFile(const struct stat& st) const;  // device and inode
    bool unchanged(const struct stat& st) const; // and size and modification time
};

// The real file behind a path: symlinks are followed to their final target.
// A path that does not exist comes back unchanged.
std::string resolveSymlinks(const std::string& path);

// A file opened for reading only.
class InputFile {
public:
    InputFile() = default; // not open; see tryOpen
    // Raises the open error ("Cannot open file "%s". %s") when it cannot be opened.
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;

    // Opens without raising; returns false (and leaves errno set) on failure.
    static bool tryOpen(const std::string& path, InputFile& out);

    std::uint64_t size() const { return size_; }
    const std::string& path() const { return path_; }
    int fd() const { return fd_; }
    const struct stat& status() const { return status_; }

    // Reads up to n bytes at offset; returns the number read, which is short
    // only at the end of the file or on a device error (then 0 or fewer).
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t n) const;
    // Reads [offset, offset + n) whole, clamped to the file's end.
    std::string readRange(std::uint64_t offset, std::size_t n) const;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::string path_;
    struct stat status_ {};
};

// Reads the whole file into out; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& out);

// New content for an existing file, built in a temporary file in the same
// folder and put in place by commit(). Until commit() succeeds the original is
// untouched; a ReplaceFile destroyed without a commit removes its temporary file.
//
// Commit in steps (what a ReplaceGroup does for many files): finishWriting(),
// then flush(), then install(); commit() runs all three.
class ReplaceFile {
public:
    // path: the file to replace (must exist; symlinks are followed).
    // tempName: the preferred name of the temporary file in the same folder
    // (default: ".<name>.velmora.<unique>"). The temporary file is always
    // created exclusively: when the preferred name is taken, or too long for
    // the file system, a unique variant or a short unique name is used.
    // Finishes a pending copy of the file and removes stale temporary files
    // of the folder first. Raises the open error when the original cannot be
    // examined and the create error when no temporary file can be made.
    // The commit gives up when the file changed after this constructor ran.
    explicit ReplaceFile(const std::string& path, const std::string& tempName = {});
    // Replaces the file `read` is open on; the commit gives up when the path
    // no longer names that file as it was when `read` was opened.
    explicit ReplaceFile(const InputFile& read, const std::string& tempName = {});
    ~ReplaceFile();
    ReplaceFile(const ReplaceFile&) = delete;
    ReplaceFile& operator=(const ReplaceFile&) = delete;
    // The temporary file and the state of the replacement move; the moved-from
    // object holds nothing and removes nothing.
    ReplaceFile(ReplaceFile&& other) noexcept;
    ReplaceFile& operator=(ReplaceFile&& other) noexcept;

    // Appends bytes; raises "Cannot write file "%s". %s" on failure (disk full...).
    void write(const void* data, std::size_t n);
    void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }
    // Appends length bytes of another file starting at offset (kernel copy
    // where possible); raises on a short read or a write failure.
    void copyFrom(const InputFile& in, std::uint64_t offset, std::uint64_t length);
    // Appends without raising: returns bytes written, or 0 after an error (the
    // error is remembered and commit() then raises it).
    std::size_t tryWrite(const void* data, std::size_t n);

    // Compares the commit with this state of the file instead (a stat taken
    // when the content it is built from was read).
    void expectUnchangedSince(const struct stat& asRead);

    // Flushes the new content, gives it the original's permissions (and owner
    // where allowed), renames it over the original and flushes the folder. A
    // file with several hard links, or of another owner, is instead rewritten
    // in place from the finished content, kept beside it as a journal until
    // the copy is done, so every link sees the new content. Raises the write
    // error, or the changed error when the file is no longer the one read.
    //
    // While a GroupCommitScope (base/GroupCommitScope.h) is active on this
    // thread, commit() only finishes writing and hands the replacement over
    // to the scope, which commits it together with the others; this object
    // is then empty.
    void commit();

    // The steps of commit(). finishWriting: no more bytes; raises a
    // remembered write error. flush: the content reaches the disk (startFlush
    // only starts that, so that many files can be flushed at once). install:
    // checks the file is unchanged and puts the content in place, flushing
    // the folder when asked. Each raises with the file and the reason.
    void finishWriting();
    void startFlush();
    void flush();
    void install(bool flushFolder);
    // flush() for many files on one file system: waitForData() waits until
    // this file's content has reached the disk and raises its own write
    // error; syncFileSystem() then commits the file system (every file's
    // size and blocks) and flushes the disk's cache once for all of them.
    // Returns 0 or the error. Only where sharesFileSystemFlush().
    void waitForData();
    int syncFileSystem();
    // Whether syncing the file system makes this file as durable as flush()
    // does (a local journalled file system), and which one it is.
    bool sharesFileSystemFlush() const;
    dev_t device() const { return original_.st_dev; }

    // Removes the temporary file without touching the original.
    void discard();

    const std::string& targetPath() const { return target_; }
    const std::string& tempPath() const { return temp_; }
    std::uint64_t bytesWritten() const { return written_; }
    bool finished() const { return finished_; }
    bool committed() const { return committed_; }
    // Whether the content goes in by a copy (several links, another owner).
    bool copiesInPlace() const { return inPlace_; }

private:
    friend class ReplaceGroup;     // tidies each folder once for all its members
    friend class GroupCommitScope; // tells the files it holds by their original
    enum class Tidy { Folder, Skip };
    ReplaceFile(const std::string& path, const std::string& tempName, const struct stat* asRead,
                Tidy tidy);
    void open(const std::string& path, const std::string& tempName, const struct stat* asRead,
              Tidy tidy);
    void installByRename(bool flushFolder);
    void installByCopy();

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    int pendingError_ = 0;
    std::uint64_t written_ = 0;
    std::uint64_t contentLength_ = 0;
    bool finished_ = false;
    bool committed_ = false;
    bool inPlace_ = false;
    struct stat original_ {};
    FileIdentity expected_;
};

// Overwrites n bytes at offset of an existing file, in place, and flushes them.
// A read-only file is made writable for the open call alone; its permissions
// are back before the first byte is written. Raises the open error, the write
// error, or the changed error when the path stops naming the opened file.
void writeInPlace(const std::string& path, std::uint64_t offset, const void* data, std::size_t n);

// Whether an in-place write waits until its bytes are on the disk.
enum class InPlaceFlush { WaitForDisk, LeaveToSystem };

// As above; LeaveToSystem skips the wait and lets the system write the bytes
// back on its own, for small rewrites where speed matters more than having
// the edit on disk the moment the call returns.
void writeInPlace(const std::string& path, std::uint64_t offset, const void* data, std::size_t n,
                  InPlaceFlush flush);

// As above on the file `read` is open on: gives up with the changed error,
// writing nothing, when the path no longer names that file as it was read
// (device, inode, size, modification time, checked on the written descriptor).
void writeInPlace(const InputFile& read, std::uint64_t offset, const void* data, std::size_t n,
                  InPlaceFlush flush = InPlaceFlush::WaitForDisk);

// Finishes an in-place copy of path that was cut short (a kill, a full disk),
// from the journal beside it; a journal whose file is gone or replaced is
// dropped. Returns whether a copy was finished. Raises the write error when
// the copy cannot be finished now (the journal stays for a later try).
bool recoverPendingWrite(const std::string& path);

// Removes our temporary files in folder that no process is writing: those
// with our name pattern, our marker and no lock. A user's file named like
// ours, and journals, are never touched. Returns how many went. Never raises.
std::size_t removeStaleTemporaries(const std::string& folder);

// What a folder scan runs: finishes every pending copy of the folder and
// removes its stale temporary files. Returns the failures, one per file.
std::vector<FileError> tidyFolder(const std::string& folder);

// The folder of the running executable, with a trailing '/'.
std::string executableDir();

} // namespace velmora
