// WMA tag reading and writing against TagLib, and a tag write against copying
// the whole file. The files are made at start in a temporary folder (ffmpeg's
// wmav2, tagged by our writer) and removed at the end.
//   VELMORA_BENCH_WMA_FILES    files read per iteration (default 1001)
//   VELMORA_BENCH_WMA_SECONDS  length of the file written (default 240 s, 128 kbit/s)
#include "tags/wma/WMATag.h"
#include "tags/wma/WMAudioInfo.h"

#include <taglib/asffile.h>
#include <taglib/asftag.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path folder;
std::vector<std::string> readFiles;
std::string bigFile;

long fromEnvironment(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text && std::atol(text) > 0 ? std::atol(text) : fallback;
}

bool makeWma(const std::string& path, long seconds, int kbits) {
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i sine=frequency=440:duration=" +
        std::to_string(seconds) + " -ac 2 -c:a wmav2 -b:a " + std::to_string(kbits) +
        "k -map_metadata -1 -y '" + path + "'";
    return std::system(command.c_str()) == 0;
}

WMATagRec sampleTag(int i) {
    WMATagRec tag;
    tag.Title = "Title number " + std::to_string(i);
    tag.Artist = "Some Artist";
    tag.Album = "An Album";
    tag.Year = "2024";
    tag.Comment = "A comment of moderate length, like most comments are.";
    tag.Genre = "Rock";
    tag.Track = static_cast<std::uint16_t>(i % 20 + 1);
    return tag;
}

bool setUp() {
    char pattern[] = "/tmp/velmora-bench-wma-XXXXXX";
    if (!::mkdtemp(pattern))
        return false;
    folder = pattern;
    const std::string tone = (folder / "tone.wma").string();
    if (!makeWma(tone, 3, 64))
        return false;
    const long count = fromEnvironment("VELMORA_BENCH_WMA_FILES", 1001);
    for (long i = 0; i < count; ++i) {
        const std::string path = (folder / ("read-" + std::to_string(i) + ".wma")).string();
        fs::copy_file(tone, path);
        WriteWMATag(path, sampleTag(static_cast<int>(i)));
        readFiles.push_back(path);
    }
    bigFile = (folder / "big.wma").string();
    if (!makeWma(bigFile, fromEnvironment("VELMORA_BENCH_WMA_SECONDS", 240), 128))
        return false;
    WriteWMATag(bigFile, sampleTag(0));
    return true;
}

void BM_ReadVelmora(benchmark::State& state) {
    for (auto _ : state)
        for (const auto& path : readFiles)
            benchmark::DoNotOptimize(ReadWMATag(path));
    state.SetItemsProcessed(state.iterations() * static_cast<long>(readFiles.size()));
}

void BM_ReadTagLib(benchmark::State& state) {
    for (auto _ : state)
        for (const auto& path : readFiles) {
            TagLib::ASF::File file(path.c_str(), false);
            TagLib::ASF::Tag* tag = file.tag();
            benchmark::DoNotOptimize(tag->title());
            benchmark::DoNotOptimize(tag->artist());
            benchmark::DoNotOptimize(tag->album());
            benchmark::DoNotOptimize(tag->comment());
            benchmark::DoNotOptimize(tag->genre());
            benchmark::DoNotOptimize(tag->year());
            benchmark::DoNotOptimize(tag->track());
        }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(readFiles.size()));
}

// Each write changes the title, so the file is really rewritten.
void BM_WriteVelmora(benchmark::State& state) {
    int i = 0;
    for (auto _ : state)
        WriteWMATag(bigFile, sampleTag(++i));
    state.SetBytesProcessed(state.iterations() * static_cast<long>(fs::file_size(bigFile)));
}

void BM_WriteTagLib(benchmark::State& state) {
    int i = 0;
    for (auto _ : state) {
        TagLib::ASF::File file(bigFile.c_str(), false);
        file.tag()->setTitle("TagLib title " + std::to_string(++i));
        file.save();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(fs::file_size(bigFile)));
}

// Copying the file beside itself and renaming it over the original; with
// sync set, flushed to disk first as our writer does.
void copyOver(bool sync) {
    const fs::path copy = folder / "copy.tmp";
    fs::copy_file(bigFile, copy, fs::copy_options::overwrite_existing);
    if (sync) {
        int fd = ::open(copy.c_str(), O_RDONLY);
        ::fsync(fd);
        ::close(fd);
    }
    fs::rename(copy, bigFile);
}

void BM_CopyFile(benchmark::State& state) {
    for (auto _ : state)
        copyOver(false);
    state.SetBytesProcessed(state.iterations() * static_cast<long>(fs::file_size(bigFile)));
}

void BM_CopyFileSynced(benchmark::State& state) {
    for (auto _ : state)
        copyOver(true);
    state.SetBytesProcessed(state.iterations() * static_cast<long>(fs::file_size(bigFile)));
}

BENCHMARK(BM_ReadVelmora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTagLib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVelmora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFileSynced)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTagLib)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    WMAudioInfo::Bind();
    if (!WMAudioAvailable()) {
        std::fprintf(stderr, "libwmaudsdk.so not found beside the benchmark\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    int status = 0;
    if (setUp()) {
        benchmark::RunSpecifiedBenchmarks();
    } else {
        std::fprintf(stderr, "could not make the benchmark files with ffmpeg\n");
        status = 1;
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    benchmark::Shutdown();
    WMAudioInfo::Unbind();
    return status;
}
