// MP3 tag speed, Velmora against TagLib, in the same run on the same files.
//
// Files are generated at start into a temporary folder and removed at the end:
//   VELMORA_BENCH_ID3_FILES       number of files (default 100)
//   VELMORA_BENCH_ID3_FILE_KB     size of each file in KiB (default 1024)
//   VELMORA_BENCH_ID3_GROW_FILES  files per growing-write benchmark (default 50)
// Each file has a typical tag (the seven text frames, a user text frame and a
// 20 KiB cover picture, 2 KiB of padding) in front of MPEG audio frames.
#include "tags/id3/Unit2.h"

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

namespace {

std::size_t envNumber(const char* name, std::size_t fallback) {
    const char* value = std::getenv(name);
    return value && *value ? static_cast<std::size_t>(std::strtoull(value, nullptr, 10)) : fallback;
}

const std::size_t kFiles = envNumber("VELMORA_BENCH_ID3_FILES", 100);
const std::size_t kFileBytes = envNumber("VELMORA_BENCH_ID3_FILE_KB", 1024) * 1024;
const std::size_t kGrowFiles = envNumber("VELMORA_BENCH_ID3_GROW_FILES", 50);

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

std::string typicalFile(std::size_t index, std::mt19937& rng) {
    const std::string n = std::to_string(index);
    std::string frames =
        frame("TIT2", std::string(1, '\0') + "Song number " + n) +
        frame("TPE1", std::string(1, '\0') + "Some Artist") +
        frame("TALB", std::string(1, '\0') + "An Album Title") +
        frame("TRCK", std::string(1, '\0') + std::to_string(index % 20 + 1)) +
        frame("TYER", std::string(1, '\0') + "2009") +
        frame("TCON", std::string(1, '\0') + "Rock") +
        frame("COMM", std::string(1, '\0') + "eng" + '\0' + "A comment") +
        frame("TXXX", std::string(1, '\0') + "REPLAYGAIN_TRACK_GAIN" + '\0' + "-6.5 dB");
    std::string picture = std::string(1, '\0') + "image/jpeg" + '\0' + '\3' + '\0';
    for (int i = 0; i < 20 * 1024; ++i)
        picture += static_cast<char>(rng());
    frames += frame("APIC", picture);
    std::string out = "ID3";
    out += '\3';
    out.append(2, '\0');
    appendSize(out, frames.size() + 2048, 7);
    out += frames;
    out.append(2048, '\0');
    while (out.size() < kFileBytes) {
        out += "\xFF\xFB\x90\x00";
        for (int i = 0; i < 413; ++i)
            out += static_cast<char>(rng());
    }
    out.resize(kFileBytes);
    return out;
}

// The generated files: one set for reads and in-place writes, and fresh sets
// for the growing writes, which each change a file once.
class Corpus {
public:
    Corpus() {
        root_ = fs::temp_directory_path() / ("velmora-bench-id3-" + std::to_string(::getpid()));
        fs::create_directories(root_);
        main_ = makeSet("main", kFiles);
    }
    ~Corpus() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    const std::vector<std::string>& main() const { return main_; }
    std::vector<std::string> makeSet(const std::string& name, std::size_t count) {
        fs::create_directories(root_ / name);
        std::mt19937 rng(static_cast<unsigned>(count));
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < count; ++i) {
            paths.push_back((root_ / name / ("song" + std::to_string(i) + ".mp3")).string());
            std::ofstream(paths.back(), std::ios::binary) << typicalFile(i, rng);
        }
        // Written back before measuring, still in the cache: no benchmark pays
        // for the write-back of the files it was handed.
        ::sync();
        return paths;
    }
    std::string scratch() const { return (root_ / "copy.mp3").string(); }

private:
    fs::path root_;
    std::vector<std::string> main_;
};

Corpus* corpus = nullptr;

// Before each benchmark: the previous one's writes go to disk, so no
// benchmark pays for another's write-back.
void settle() {
    ::sync();
}

void BM_ReadVelmora(benchmark::State& state) {
    settle();
    const auto& files = corpus->main();
    std::size_t i = 0;
    for (auto _ : state) {
        ReadMP3Tag(files[i++ % files.size()]);
        benchmark::DoNotOptimize(ID3Tag.Title.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_ReadTagLib(benchmark::State& state) {
    settle();
    const auto& files = corpus->main();
    std::size_t i = 0;
    for (auto _ : state) {
        TagLib::MPEG::File file(files[i++ % files.size()].c_str(), false);
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
        ID3StructV2 record{tag->title().to8Bit(true),    tag->artist().to8Bit(true),
                           tag->album().to8Bit(true),    std::to_string(tag->year()),
                           std::to_string(tag->track()), tag->comment().to8Bit(true),
                           tag->genre().to8Bit(true)};
        benchmark::DoNotOptimize(record.Title.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

// A new title each time, of varying length, so the frames behind it move:
// the tag still fits in its space.
void BM_WriteInPlaceVelmora(benchmark::State& state) {
    settle();
    const auto& files = corpus->main();
    std::size_t i = 0;
    ID3StructV2 record{"", "Some Artist", "An Album Title", "2009", "1", "A comment", "Rock"};
    for (auto _ : state) {
        record.Title = "Edited title " + std::to_string(i % 1000);
        WriteMP3Tag(files[i++ % files.size()], record);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

// An edit that keeps the tag's length (the year): only the changed bytes are written.
void BM_WriteInPlaceSameLengthVelmora(benchmark::State& state) {
    settle();
    const auto& files = corpus->main();
    std::size_t i = 0;
    ID3StructV2 record{"Edited title", "Some Artist", "An Album Title", "", "1",
                       "A comment",    "Rock"};
    for (auto _ : state) {
        record.Year = std::to_string(2000 + i % 10);
        WriteMP3Tag(files[i++ % files.size()], record);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_WriteInPlaceTagLib(benchmark::State& state) {
    settle();
    const auto& files = corpus->main();
    std::size_t i = 0;
    for (auto _ : state) {
        TagLib::MPEG::File file(files[i % files.size()].c_str(), false);
        file.ID3v2Tag(true)->setTitle("Edited title " + std::to_string(i % 1000));
        file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3);
        ++i;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

// The reference for a growing write: copying the whole file and flushing it.
void BM_CopyFile(benchmark::State& state) {
    settle();
    const auto& files = corpus->main();
    std::size_t i = 0;
    for (auto _ : state) {
        fs::copy_file(files[i++ % files.size()], corpus->scratch(),
                      fs::copy_options::overwrite_existing);
        int fd = ::open(corpus->scratch().c_str(), O_WRONLY);
        ::fsync(fd);
        ::close(fd);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

// The same copy done as safely as a growing write: into a new file, flushed,
// renamed over the target, the folder flushed.
void BM_CopyFileAtomic(benchmark::State& state) {
    settle();
    const auto& files = corpus->main();
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
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

// A title far longer than the padding: every file's tag grows once.
const std::string kLongTitle(8 * 1024, 'g');

void BM_WriteGrowVelmora(benchmark::State& state) {
    settle();
    const auto files = corpus->makeSet("grow-velmora", kGrowFiles);
    ID3StructV2 record{kLongTitle, "Some Artist", "An Album Title", "2009", "1", "", "Rock"};
    std::size_t i = 0;
    for (auto _ : state)
        WriteMP3Tag(files[i++], record);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_WriteGrowTagLib(benchmark::State& state) {
    settle();
    const auto files = corpus->makeSet("grow-taglib", kGrowFiles);
    std::size_t i = 0;
    for (auto _ : state) {
        TagLib::MPEG::File file(files[i++].c_str(), false);
        file.ID3v2Tag(true)->setTitle(kLongTitle);
        file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

} // namespace

BENCHMARK(BM_ReadVelmora);
BENCHMARK(BM_ReadTagLib);
BENCHMARK(BM_WriteInPlaceVelmora);
BENCHMARK(BM_WriteInPlaceSameLengthVelmora);
BENCHMARK(BM_WriteInPlaceTagLib);
BENCHMARK(BM_CopyFile);
BENCHMARK(BM_CopyFileAtomic);
BENCHMARK(BM_WriteGrowVelmora)->Iterations(static_cast<benchmark::IterationCount>(kGrowFiles));
BENCHMARK(BM_WriteGrowTagLib)->Iterations(static_cast<benchmark::IterationCount>(kGrowFiles));

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Corpus files;
    corpus = &files;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    corpus = nullptr;
    return 0;
}
