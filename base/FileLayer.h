// The file layer: how the tag units open, read and replace files.
//
// Reading never changes a file (no attribute, permission or time change beyond
// the kernel's own access time). Writing either overwrites bytes in place, where
// the new bytes fit, or builds the new content in an exclusively created file
// beside the original and renames it over the original once it is on disk, so
// the file is never missing or half written. Symlinks are followed (the target
// is replaced, the link stays a link) and hard links are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/stat.h>

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
class ReplaceFile {
public:
    // path: the file to replace (must exist; symlinks are followed).
    // tempName: the preferred name of the temporary file in the same folder
    // (default: a hidden unique name). The temporary file is always created
    // exclusively: when the preferred name is taken, a unique variant is used.
    // Raises the open error when the original cannot be examined and the create
    // error when no temporary file can be made.
    explicit ReplaceFile(const std::string& path, const std::string& tempName = {});
    ~ReplaceFile();
    ReplaceFile(const ReplaceFile&) = delete;
    ReplaceFile& operator=(const ReplaceFile&) = delete;

    // Appends bytes; raises "Cannot write file "%s". %s" on failure (disk full...).
    void write(const void* data, std::size_t n);
    void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }
    // Appends length bytes of another file starting at offset (kernel copy
    // where possible); raises on a short read or a write failure.
    void copyFrom(const InputFile& in, std::uint64_t offset, std::uint64_t length);
    // Appends without raising: returns bytes written, or 0 after an error (the
    // error is remembered and commit() then raises it).
    std::size_t tryWrite(const void* data, std::size_t n);

    // Flushes the new content, gives it the original's permissions (and owner
    // where allowed), renames it over the original and flushes the folder. A
    // file with several hard links is instead rewritten in place from the
    // finished temporary file, so every link sees the new content.
    void commit();
    // Removes the temporary file without touching the original.
    void discard();

    const std::string& targetPath() const { return target_; }
    const std::string& tempPath() const { return temp_; }
    std::uint64_t bytesWritten() const { return written_; }

private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    int pendingError_ = 0;
    std::uint64_t written_ = 0;
    struct stat original_ {};
};

// Overwrites n bytes at offset of an existing file, in place, and flushes them.
// A read-only file is made writable for the write and its permissions are put
// back afterwards. Raises the open error or the write error.
void writeInPlace(const std::string& path, std::uint64_t offset, const void* data, std::size_t n);

// Whether an in-place write waits until its bytes are on the disk.
enum class InPlaceFlush { WaitForDisk, LeaveToSystem };

// As above; LeaveToSystem skips the wait and lets the system write the bytes
// back on its own, for small rewrites where speed matters more than having
// the edit on disk the moment the call returns.
void writeInPlace(const std::string& path, std::uint64_t offset, const void* data, std::size_t n,
                  InPlaceFlush flush);

// The folder of the running executable, with a trailing '/'.
std::string executableDir();

} // namespace velmora
