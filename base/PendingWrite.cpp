#include "PendingWrite.h"

#include "FileLayerInternal.h"
#include "SystemCalls.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace velmora {

namespace {

constexpr char kMagic[16] = {'v', 'e', 'l', 'm', 'o', 'r', 'a', '-',
                             'j', 'o', 'u', 'r', 'n', 'a', 'l', '1'};
constexpr const char* kJournalSuffix = ".velmora-journal";
constexpr const char* kShortJournalPrefix = ".velmora-journal-";

struct Footer {
    char magic[16];
    std::uint64_t device;
    std::uint64_t inode;
    std::uint64_t contentLength;
    std::uint32_t mode;
    std::uint32_t nameLength;
    std::uint64_t check;
};
static_assert(sizeof(Footer) == 56);

std::uint64_t checkOf(const Footer& footer, std::string_view name) {
    std::uint64_t h = detail::hash64(&footer, offsetof(Footer, check));
    return detail::hash64(name.data(), name.size(), h);
}

struct JournalInfo {
    dev_t device;
    ino_t inode;
    std::uint64_t contentLength;
    mode_t mode;
    std::string name;
};

// Reads and checks the name and footer at the journal's end.
bool readJournal(int fd, JournalInfo& info) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) < sizeof(Footer))
        return false;
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    Footer footer{};
    if (::pread(fd, &footer, sizeof footer, static_cast<off_t>(size - sizeof footer)) !=
            static_cast<ssize_t>(sizeof footer) ||
        std::memcmp(footer.magic, kMagic, sizeof kMagic) != 0 || footer.nameLength == 0 ||
        footer.nameLength > NAME_MAX ||
        footer.contentLength != size - sizeof footer - footer.nameLength)
        return false;
    std::string name(footer.nameLength, '\0');
    if (::pread(fd, name.data(), name.size(), static_cast<off_t>(footer.contentLength)) !=
            static_cast<ssize_t>(name.size()) ||
        checkOf(footer, name) != footer.check)
        return false;
    info = JournalInfo{static_cast<dev_t>(footer.device), static_cast<ino_t>(footer.inode),
                       footer.contentLength, static_cast<mode_t>(footer.mode), std::move(name)};
    return true;
}

bool startsWith(std::string_view s, std::string_view head) {
    return s.substr(0, head.size()) == head;
}

// Removes the journal when its name still names the open journal.
void dropJournal(int fd, const std::string& path) {
    struct stat opened = {};
    struct stat named = {};
    if (::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 &&
        opened.st_dev == named.st_dev && opened.st_ino == named.st_ino)
        ::unlink(path.c_str());
}

} // namespace

namespace detail {

std::string journalPathFor(const std::string& target) {
    const std::string name = nameOf(target);
    std::string journal = "." + name + kJournalSuffix;
    if (journal.size() > NAME_MAX) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx",
                      static_cast<unsigned long long>(hash64(name.data(), name.size())));
        journal = kShortJournalPrefix + std::string(hex);
    }
    return folderOf(target) + "/" + journal;
}

bool looksLikeJournalName(std::string_view name) {
    const std::string_view suffix(kJournalSuffix);
    return startsWith(name, kShortJournalPrefix) ||
           (name.size() > suffix.size() + 1 && name[0] == '.' &&
            name.substr(name.size() - suffix.size()) == suffix);
}

int appendJournalFooter(int fd, std::uint64_t contentLength, const struct stat& target,
                        const std::string& targetName) {
    Footer footer{};
    std::memcpy(footer.magic, kMagic, sizeof kMagic);
    footer.device = static_cast<std::uint64_t>(target.st_dev);
    footer.inode = static_cast<std::uint64_t>(target.st_ino);
    footer.contentLength = contentLength;
    footer.mode = static_cast<std::uint32_t>(target.st_mode & 07777);
    footer.nameLength = static_cast<std::uint32_t>(targetName.size());
    footer.check = checkOf(footer, targetName);
    int err = 0;
    if (!writeAll(fd, targetName.data(), targetName.size(), err) ||
        !writeAll(fd, reinterpret_cast<const char*>(&footer), sizeof footer, err))
        return err;
    return 0;
}

void applyJournal(JournalCopy& copy) {
    int err = 0;
    int out = openForWriting(copy.target, err);
    if (out < 0)
        raiseOpenError(copy.target, err);
    struct stat opened = {};
    struct stat named = {};
    const bool same =
        ::fstat(out, &opened) == 0 && ::lstat(copy.target.c_str(), &named) == 0 &&
        S_ISREG(named.st_mode) && copy.expected.sameFile(named) &&
        (copy.wholeIdentity ? copy.expected.unchanged(opened) : copy.expected.sameFile(opened));
    if (!same) {
        ::close(out);
        raiseChangedError(copy.target);
    }
    // Found before the first byte of the file is overwritten.
    if (int full = reserveSpace(out, opened, copy.contentLength)) {
        ::close(out);
        raiseWriteError(copy.target, full);
    }
    copy.started = true;
    err = copyOver(copy.journalFd, out, copy.contentLength);
    // A kill while the file was writable for its open is mended here.
    if (err == 0 && (opened.st_mode & 07777) != copy.mode && opened.st_uid == ::geteuid() &&
        ::fchmod(out, copy.mode) != 0)
        err = errno;
    if (::close(out) != 0 && err == 0)
        err = errno;
    if (err != 0)
        raiseWriteError(copy.target, err);
    dropJournal(copy.journalFd, copy.journalPath);
    syncFolder(folderOf(copy.target)); // a journal coming back only repeats the copy
}

} // namespace detail

bool recoverPendingWrite(const std::string& path) {
    const std::string journal = detail::journalPathFor(path);
    struct stat present = {};
    if (::lstat(journal.c_str(), &present) != 0)
        return false; // the common case, as cheap as a look-up can be
    int fd = ::open(journal.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct Close {
        int fd;
        ~Close() { ::close(fd); }
    } closer{fd};
    JournalInfo info;
    // Locked: its writer is still at work. A bad footer: not ours.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !readJournal(fd, info) ||
        info.name != detail::nameOf(path))
        return false;
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode) ||
        named.st_dev != info.device || named.st_ino != info.inode) {
        dropJournal(fd, journal); // the file it belongs to is gone or replaced
        return false;
    }
    FileIdentity expected;
    expected.device = info.device;
    expected.inode = info.inode;
    detail::JournalCopy copy{fd, journal, info.contentLength, path, expected, false, info.mode};
    detail::applyJournal(copy);
    return true;
}

std::vector<FileError> tidyFolder(const std::string& folder) {
    std::vector<FileError> failures;
    std::vector<std::string> targets;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (!detail::looksLikeJournalName(entry->d_name))
                continue;
            int fd = ::openat(::dirfd(dir), entry->d_name,
                              O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
            JournalInfo info;
            if (fd >= 0 && readJournal(fd, info))
                targets.push_back(folder + "/" + info.name);
            if (fd >= 0)
                ::close(fd);
        }
        ::closedir(dir);
    }
    for (const std::string& target : targets) {
        try {
            recoverPendingWrite(target);
        } catch (const FileError& e) {
            failures.push_back(e);
        }
    }
    removeStaleTemporaries(folder);
    return failures;
}

} // namespace velmora
