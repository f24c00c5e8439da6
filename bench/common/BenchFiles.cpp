#include "bench/common/BenchFiles.h"

#include "base/FileLayer.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace velmora::bench {

long envNumber(const char* name, long fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::strtol(value, nullptr, 10) : fallback;
}

std::vector<std::string> writeCopies(const test::TempDir& dir, const std::string& bytes,
                                     const std::string& stem, const std::string& suffix,
                                     long count) {
    std::vector<std::string> paths;
    for (long i = 0; i < count; ++i) {
        paths.push_back(dir.file(stem + std::to_string(i) + suffix));
        test::writeFile(paths.back(), bytes);
    }
    return paths;
}

void readTitles(benchmark::State& state, const std::vector<std::string>& paths,
                ReadTagsFunction readTags) {
    forEachFile(state, paths, [readTags](const std::string& path) {
        benchmark::DoNotOptimize(readTags(path)[Field::Title].data());
    });
}

void flushFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ::fsync(fd);
    ::close(fd);
}

void replaceWithCopy(const std::string& source, const std::string& target) {
    const InputFile in(source);
    ReplaceFile out(target);
    out.copyFrom(in, 0, in.size());
    out.commit();
}

int runBenchmarks(int argc, char** argv,
                  const std::function<void(const test::TempDir& dir)>& setUp) {
    benchmark::Initialize(&argc, argv);
    const test::TempDir dir;
    setUp(dir);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace velmora::bench
