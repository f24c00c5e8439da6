// A file named as a journal beside a file, with any bytes: finishing pending
// writes must never crash, and must leave a file it cannot prove its own
// alone. When the bytes end in a footer, it is made to name the real file,
// so that copies of every length and mode are tried too.
#include "base/FileLayer.h"
#include "base/FileLayerInternal.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kFooter = 56;

const std::string& folder() {
    static const std::string path = [] {
        char pattern[] = "/tmp/velmora-fuzz-journal-XXXXXX";
        return std::string(::mkdtemp(pattern) ? pattern : "/tmp");
    }();
    return path;
}

void put(const std::string& path, const void* data, std::size_t n) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        std::abort();
    if (n > 0 && ::write(fd, data, n) != static_cast<ssize_t>(n))
        std::abort();
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string song = folder() + "/song.mp3";
    const std::string journal = folder() + "/.song.mp3.velmora-journal";
    put(song, "old content", 11);
    ::chmod(song.c_str(), 0644);
    std::string bytes(reinterpret_cast<const char*>(data), size);
    struct stat st = {};
    if (bytes.size() >= kFooter && bytes.compare(bytes.size() - kFooter, 8, "velmora-") == 0 &&
        ::stat(song.c_str(), &st) == 0) {
        char* footer = bytes.data() + bytes.size() - kFooter;
        const std::uint64_t device = st.st_dev, inode = st.st_ino;
        std::memcpy(footer + 16, &device, 8);
        std::memcpy(footer + 24, &inode, 8);
        std::uint32_t mode = 0;
        std::memcpy(&mode, footer + 40, 4);
        mode = (mode & 0777) | 0600; // a mode that we can still read and write
        std::memcpy(footer + 40, &mode, 4);
        std::uint32_t nameLength = 0;
        std::memcpy(&nameLength, footer + 44, 4);
        std::uint64_t check = velmora::detail::hash64(footer, 48);
        if (nameLength <= bytes.size() - kFooter)
            check = velmora::detail::hash64(footer - nameLength, nameLength, check);
        std::memcpy(footer + 48, &check, 8);
    }
    put(journal, bytes.data(), bytes.size());
    try {
        velmora::recoverPendingWrite(song);
    } catch (const velmora::FileError&) {
    }
    (void)velmora::tidyFolder(folder());
    ::unlink(journal.c_str());
    return 0;
}
