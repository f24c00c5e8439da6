// MP3 tag speed, Velmora against TagLib, in the same run on the same files.
//
// Files are generated at start into a temporary folder and removed at the end,
// in four shapes (the benchmark argument): 0 no picture, 1 a 20 KiB cover,
// 2 a 500 KiB cover, 3 a 2 MiB cover. Each tag holds the seven text frames, a
// user text frame and the cover after them, then 2 KiB of padding, in front
// of MPEG audio frames.
//   VELMORA_BENCH_ID3_FILES       files per shape (default 100)
//   VELMORA_BENCH_ID3_AUDIO_KB    audio per file in KiB (default 1024)
//   VELMORA_BENCH_ID3_GROW_FILES  files per growing-write benchmark (default 50)
// The baseline of a read: opening a file, reading its first 4 KiB, closing it.
#include "tags/id3/Mp3Tags.h"

#include <array>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using velmora::Field;
using velmora::FieldMask;
using velmora::TagValues;

namespace {

std::size_t envNumber(const char* name, std::size_t fallback) {
    const char* value = std::getenv(name);
    return value && *value ? static_cast<std::size_t>(std::strtoull(value, nullptr, 10)) : fallback;
}

const std::size_t kFiles = envNumber("VELMORA_BENCH_ID3_FILES", 100);
const std::size_t kAudioBytes = envNumber("VELMORA_BENCH_ID3_AUDIO_KB", 1024) * 1024;
const std::size_t kGrowFiles = envNumber("VELMORA_BENCH_ID3_GROW_FILES", 50);
constexpr std::array<std::size_t, 4> kCoverBytes = {0, 20 * 1024, 500 * 1024, 2048 * 1024};
constexpr int kShapes = static_cast<int>(kCoverBytes.size());

void appendSize(std::string& out, std::size_t n, int bits) {
    for (int i = 3; i >= 0; --i)
        out += static_cast<char>((n >> (i * bits)) & ((1u << bits) - 1));
}

std::string frame(const std::string& id, const std::string& data) {
    std::string out = id;
    appendSize(out, data.size(), 8);
    out.append(2, '\0');
    return out + data;
}

std::string text(const std::string& value) {
    return std::string(1, '\0') + value;
}

std::string libraryFile(std::size_t index, std::size_t cover, std::mt19937& rng) {
    std::string frames =
        frame("TIT2", text("Edited title 000")) + frame("TPE1", text("Some Artist")) +
        frame("TALB", text("An Album Title")) +
        frame("TRCK", text(std::to_string(index % 20 + 1))) + frame("TYER", text("2009")) +
        frame("TCON", text("Rock")) + frame("COMM", text("eng") + '\0' + "A comment") +
        frame("TXXX", text("REPLAYGAIN_TRACK_GAIN") + '\0' + "-6.5 dB");
    if (cover > 0) {
        std::string picture = text("image/jpeg") + '\0' + '\3' + '\0';
        picture.reserve(picture.size() + cover);
        for (std::size_t i = 0; i < cover; ++i)
            picture += static_cast<char>(rng());
        frames += frame("APIC", picture);
    }
    std::string out = "ID3";
    out += '\3';
    out.append(2, '\0');
    appendSize(out, frames.size() + 2048, 7);
    out += frames;
    out.append(2048, '\0');
    const std::size_t end = out.size() + kAudioBytes;
    while (out.size() < end) {
        out += "\xFF\xFB\x90\x00";
        for (int i = 0; i < 413; ++i)
            out += static_cast<char>(rng());
    }
    out.resize(end);
    return out;
}

class Corpus {
public:
    Corpus() {
        root_ = fs::temp_directory_path() / ("velmora-bench-id3-" + std::to_string(::getpid()));
        for (int shape = 0; shape < kShapes; ++shape)
            shapes_[static_cast<std::size_t>(shape)] =
                makeSet("shape" + std::to_string(shape), kFiles, shape);
    }
    ~Corpus() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    const std::vector<std::string>& files(std::int64_t shape) const {
        return shapes_[static_cast<std::size_t>(shape)];
    }
    std::vector<std::string> makeSet(const std::string& name, std::size_t count, int shape) {
        fs::create_directories(root_ / name);
        std::mt19937 rng(static_cast<unsigned>(count + static_cast<std::size_t>(shape)));
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < count; ++i) {
            paths.push_back((root_ / name / ("song" + std::to_string(i) + ".mp3")).string());
            std::ofstream(paths.back(), std::ios::binary)
                << libraryFile(i, kCoverBytes[static_cast<std::size_t>(shape)], rng);
        }
        // Written back before measuring, still in the cache.
        ::sync();
        return paths;
    }
    std::string scratch() const { return (root_ / "copy.mp3").string(); }

private:
    fs::path root_;
    std::array<std::vector<std::string>, kCoverBytes.size()> shapes_;
};

Corpus* corpus = nullptr;

// Before each benchmark the previous one's writes go to disk.
void settle(benchmark::State& state) {
    ::sync();
    state.SetLabel(std::to_string(kCoverBytes[static_cast<std::size_t>(state.range(0))] / 1024) +
                   " KiB cover");
}

void BM_OpenRead4KClose(benchmark::State& state) {
    settle(state);
    const auto& files = corpus->files(state.range(0));
    char buffer[4096];
    std::size_t i = 0;
    for (auto _ : state) {
        int fd = ::open(files[i++ % files.size()].c_str(), O_RDONLY | O_CLOEXEC);
        benchmark::DoNotOptimize(::pread(fd, buffer, sizeof buffer, 0));
        ::close(fd);
    }
    state.SetItemsProcessed(state.iterations());
}

// A new title of the same length each time, in front of the cover: an edit
// that fits in place.
std::string editedTitle(std::size_t i) {
    std::string n = std::to_string(1 + i % 999);
    return "Edited title " + std::string(3 - n.size(), '0') + n;
}

// The floor of any in-place write: opening a file for writing, overwriting
// 16 bytes of a cached page with new ones, closing it.
void BM_OpenWrite16Close(benchmark::State& state) {
    settle(state);
    const auto& files = corpus->files(state.range(0));
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string title = editedTitle(i);
        int fd = ::open(files[i++ % files.size()].c_str(), O_WRONLY | O_CLOEXEC);
        benchmark::DoNotOptimize(::pwrite(fd, title.data(), 16, 21));
        ::close(fd);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ReadVelmora(benchmark::State& state) {
    settle(state);
    const auto& files = corpus->files(state.range(0));
    std::size_t i = 0;
    for (auto _ : state) {
        TagValues values = velmora::mp3::readTags(files[i++ % files.size()]);
        benchmark::DoNotOptimize(values[Field::Title].data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ReadTagLib(benchmark::State& state) {
    settle(state);
    const auto& files = corpus->files(state.range(0));
    std::size_t i = 0;
    for (auto _ : state) {
        TagLib::MPEG::File file(files[i++ % files.size()].c_str(), false);
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
        TagValues values;
        values.values = {tag->title().to8Bit(true),   tag->artist().to8Bit(true),
                         tag->album().to8Bit(true),   std::to_string(tag->year()),
                         tag->genre().to8Bit(true),   tag->comment().to8Bit(true),
                         std::to_string(tag->track())};
        benchmark::DoNotOptimize(values[Field::Title].data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_WriteInPlaceVelmora(benchmark::State& state) {
    settle(state);
    const auto& files = corpus->files(state.range(0));
    TagValues values;
    std::size_t i = 0;
    for (auto _ : state) {
        values[Field::Title] = editedTitle(i);
        velmora::mp3::writeTags(files[i++ % files.size()], values, FieldMask().set(Field::Title));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_WriteInPlaceTagLib(benchmark::State& state) {
    settle(state);
    const auto& files = corpus->files(state.range(0));
    std::size_t i = 0;
    for (auto _ : state) {
        TagLib::MPEG::File file(files[i % files.size()].c_str(), false);
        file.ID3v2Tag(true)->setTitle(editedTitle(i));
        file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}

// The reference for a growing write: the same file copied as safely (into a
// new file, flushed, renamed over the target, the folder flushed).
void BM_CopyFileAtomic(benchmark::State& state) {
    settle(state);
    const auto& files = corpus->files(state.range(0));
    const std::string temp = corpus->scratch() + ".new";
    const std::string folder = fs::path(corpus->scratch()).parent_path().string();
    std::size_t i = 0;
    for (auto _ : state) {
        fs::copy_file(files[i++ % files.size()], temp, fs::copy_options::overwrite_existing);
        int fd = ::open(temp.c_str(), O_WRONLY);
        ::fsync(fd);
        ::close(fd);
        fs::rename(temp, corpus->scratch());
        int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        ::fsync(dir);
        ::close(dir);
    }
    state.SetItemsProcessed(state.iterations());
}

// A title far longer than the padding: every file's tag grows once.
const std::string kLongTitle(8 * 1024, 'g');

void BM_WriteGrowVelmora(benchmark::State& state) {
    settle(state);
    const auto files =
        corpus->makeSet("grow-velmora", kGrowFiles, static_cast<int>(state.range(0)));
    TagValues values;
    values[Field::Title] = kLongTitle;
    std::size_t i = 0;
    for (auto _ : state)
        velmora::mp3::writeTags(files[i++], values, FieldMask().set(Field::Title));
    state.SetItemsProcessed(state.iterations());
}

void BM_WriteGrowTagLib(benchmark::State& state) {
    settle(state);
    const auto files = corpus->makeSet("grow-taglib", kGrowFiles, static_cast<int>(state.range(0)));
    std::size_t i = 0;
    for (auto _ : state) {
        TagLib::MPEG::File file(files[i++].c_str(), false);
        file.ID3v2Tag(true)->setTitle(kLongTitle);
        file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3);
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_OpenRead4KClose)->DenseRange(0, kShapes - 1);
BENCHMARK(BM_OpenWrite16Close)->DenseRange(0, kShapes - 1);
BENCHMARK(BM_ReadVelmora)->DenseRange(0, kShapes - 1);
BENCHMARK(BM_ReadTagLib)->DenseRange(0, kShapes - 1);
BENCHMARK(BM_WriteInPlaceVelmora)->DenseRange(0, kShapes - 1);
BENCHMARK(BM_WriteInPlaceTagLib)->DenseRange(0, kShapes - 1);
BENCHMARK(BM_CopyFileAtomic)->Arg(1);
BENCHMARK(BM_WriteGrowVelmora)
    ->Arg(1)
    ->Iterations(static_cast<benchmark::IterationCount>(kGrowFiles));
BENCHMARK(BM_WriteGrowTagLib)
    ->Arg(1)
    ->Iterations(static_cast<benchmark::IterationCount>(kGrowFiles));

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Corpus files;
    corpus = &files;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    corpus = nullptr;
    return 0;
}
