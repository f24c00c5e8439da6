// WMA tag reading on files of four shapes (no picture, a 20 KiB, a 500 KiB
// and a 2 MiB WM/Picture), against TagLib reading the same files and against
// opening each file, reading its first 4 KiB and closing it; and a tag write
// against a flushed copy of the file and TagLib's save. The files are made at
// start in a temporary folder (ffmpeg's wmav2, tagged by TagLib) and removed
// at the end.
//   VELMORA_BENCH_WMA_SCALE    percent of the usual file counts (default 100:
//                              1,001 files without or with a 20 KiB picture,
//                              300 with 500 KiB, 100 with 2 MiB)
//   VELMORA_BENCH_WMA_SECONDS  length of the file written (default 240 s, 128 kbit/s)
#include "tags/wma/WMAudioInfo.h"
#include "tags/wma/WmaTags.h"

#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/asftag.h>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Shape {
    const char* name;
    std::size_t picture; // bytes of WM/Picture, 0 for none
    long files;
};
const std::array<Shape, 4> shapes = {{
    {"no picture", 0, 1001},
    {"20 KiB picture", 20 << 10, 1001},
    {"500 KiB picture", 500 << 10, 300},
    {"2 MiB picture", 2 << 20, 100},
}};

fs::path folder;
std::array<std::vector<std::string>, shapes.size()> readFiles;
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

// The tags a music library holds, set by TagLib, with a cover of the given size.
bool tagWithTagLib(const std::string& path, int i, std::size_t picture) {
    TagLib::ASF::File file(path.c_str());
    TagLib::ASF::Tag* tag = file.tag();
    if (!file.isValid() || !tag)
        return false;
    tag->setTitle("Title number " + TagLib::String::number(i));
    tag->setArtist("Some Artist");
    tag->setAlbum("An Album");
    tag->setComment("A comment of moderate length, like most comments are.");
    tag->setGenre("Rock");
    tag->setYear(2024);
    tag->setAttribute("WM/TrackNumber", TagLib::ASF::Attribute(static_cast<unsigned>(i % 20 + 1)));
    if (picture > 0) {
        TagLib::ASF::Picture cover;
        cover.setMimeType("image/jpeg");
        cover.setType(TagLib::ASF::Picture::FrontCover);
        cover.setPicture(TagLib::ByteVector(static_cast<unsigned>(picture), 'c'));
        tag->setAttribute("WM/Picture", TagLib::ASF::Attribute(cover));
    }
    return file.save();
}

bool setUp() {
    char pattern[] = "/tmp/velmora-bench-wma-XXXXXX";
    if (!::mkdtemp(pattern))
        return false;
    folder = pattern;
    const std::string tone = (folder / "tone.wma").string();
    if (!makeWma(tone, 3, 64))
        return false;
    const long scale = fromEnvironment("VELMORA_BENCH_WMA_SCALE", 100);
    for (std::size_t s = 0; s < shapes.size(); ++s) {
        const long count = std::max(1L, shapes[s].files * scale / 100);
        for (long i = 0; i < count; ++i) {
            const std::string path =
                (folder / ("read-" + std::to_string(s) + "-" + std::to_string(i) + ".wma"))
                    .string();
            fs::copy_file(tone, path);
            if (!tagWithTagLib(path, static_cast<int>(i), shapes[s].picture))
                return false;
            readFiles[s].push_back(path);
        }
    }
    bigFile = (folder / "big.wma").string();
    return makeWma(bigFile, fromEnvironment("VELMORA_BENCH_WMA_SECONDS", 240), 128) &&
           tagWithTagLib(bigFile, 0, 500 << 10);
}

void perFile(benchmark::State& state, std::size_t files) {
    state.SetItemsProcessed(state.iterations() * static_cast<long>(files));
    state.SetLabel(shapes[static_cast<std::size_t>(state.range(0))].name);
}

// Everything a read of the field interface does, as the window and the
// command line call it.
void BM_ReadVelmora(benchmark::State& state) {
    const auto& files = readFiles[static_cast<std::size_t>(state.range(0))];
    for (auto _ : state)
        for (const auto& path : files)
            benchmark::DoNotOptimize(velmora::wma::readTags(path));
    perFile(state, files.size());
}

void BM_ReadTagLib(benchmark::State& state) {
    const auto& files = readFiles[static_cast<std::size_t>(state.range(0))];
    for (auto _ : state)
        for (const auto& path : files) {
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
    perFile(state, files.size());
}

// The floor a read is measured against: open, read the first 4 KiB, close.
void BM_OpenRead4KClose(benchmark::State& state) {
    const auto& files = readFiles[static_cast<std::size_t>(state.range(0))];
    char buffer[4096];
    for (auto _ : state)
        for (const auto& path : files) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            benchmark::DoNotOptimize(::read(fd, buffer, sizeof buffer));
            ::close(fd);
        }
    perFile(state, files.size());
}

// Each write changes the title, so the file is really rewritten.
void BM_WriteVelmora(benchmark::State& state) {
    int i = 0;
    velmora::TagValues values;
    for (auto _ : state) {
        values[velmora::Field::Title] = "Title " + std::to_string(++i);
        velmora::wma::writeTags(bigFile, values, velmora::FieldMask().set(velmora::Field::Title));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(fs::file_size(bigFile)));
}

void BM_WriteTagLib(benchmark::State& state) {
    int i = 0;
    for (auto _ : state) {
        TagLib::ASF::File file(bigFile.c_str(), false);
        file.tag()->setTitle("TagLib title " + TagLib::String::number(++i));
        file.save();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(fs::file_size(bigFile)));
}

// Copying the file beside itself and renaming it over the original; with
// sync set, as safely as our writer does: the copy flushed before the
// rename, the folder after it.
void copyOver(bool sync) {
    const fs::path copy = folder / "copy.tmp";
    fs::copy_file(bigFile, copy, fs::copy_options::overwrite_existing);
    auto flush = [](const fs::path& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ::fsync(fd);
        ::close(fd);
    };
    if (sync)
        flush(copy);
    fs::rename(copy, bigFile);
    if (sync)
        flush(folder);
}

void BM_CopyFileSynced(benchmark::State& state) {
    for (auto _ : state)
        copyOver(true);
    state.SetBytesProcessed(state.iterations() * static_cast<long>(fs::file_size(bigFile)));
}

void BM_CopyFile(benchmark::State& state) {
    for (auto _ : state)
        copyOver(false);
    state.SetBytesProcessed(state.iterations() * static_cast<long>(fs::file_size(bigFile)));
}

BENCHMARK(BM_ReadVelmora)->DenseRange(0, shapes.size() - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTagLib)->DenseRange(0, shapes.size() - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenRead4KClose)->DenseRange(0, shapes.size() - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVelmora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFileSynced)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTagLib)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    WMAudioInfo::Bind();
    if (!WMAudioInfo::CreateInfo()) {
        std::fprintf(stderr, "libwmaudsdk.so not found beside the benchmark\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    int status = 0;
    if (setUp()) {
        benchmark::RunSpecifiedBenchmarks();
    } else {
        std::fprintf(stderr, "could not make the benchmark files with ffmpeg and TagLib\n");
        status = 1;
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    benchmark::Shutdown();
    WMAudioInfo::Unbind();
    return status;
}
