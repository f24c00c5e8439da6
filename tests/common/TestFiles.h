// Helpers for tests that work on real files in a fresh temporary folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace velmora::test {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // The names in the folder, sorted.
    std::vector<std::string> names() const;

private:
    std::string path_;
};

// The names in a folder, sorted.
std::vector<std::string> namesIn(const std::string& folder);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view bytes);
struct stat statOf(const std::string& path);
struct stat lstatOf(const std::string& path);

// Runs a shell command line and returns its exit status (-1 when it did not
// exit normally), with what it printed on its standard output in `output`.
int run(const std::string& command, std::string& output);

// Runs body in a child process as an unprivileged user (when the test runs as
// root, whom permissions do not stop) and returns body's result; -1 when the
// child could not run or crashed.
int runUnprivileged(const std::function<int()>& body);

// Deterministic pseudo-random bytes.
std::string randomBytes(std::size_t n, std::uint32_t seed);

} // namespace velmora::test
