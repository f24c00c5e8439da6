// Reading and rewriting Ogg Vorbis comments, against TagLib in the same run.
//   VELMORA_BENCH_OGG_FILES    files read per iteration (default 1001)
//   VELMORA_BENCH_OGG_SECONDS  length of the rewritten file in seconds (default 180)
// The files are made in a temporary folder at start and removed at the end.
#include "VorbisFixture.h"

#include "base/FileLayer.h"
#include "tags/ogg/Ogg.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <taglib/vorbisfile.h>
#include <unistd.h>
#include <vector>

namespace {

struct Files {
    std::unique_ptr<fixture::TempDir> dir;
    std::vector<std::string> small; // the read set
    std::string big;                // the rewritten file
    std::size_t bigSize = 0;
};

Files& files() {
    static Files f;
    return f;
}

long envNumber(const char* name, long fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::strtol(value, nullptr, 10) : fallback;
}

void makeFiles() {
    Files& f = files();
    f.dir = std::make_unique<fixture::TempDir>();
    fixture::VorbisOptions options;
    options.rate = 44100;
    options.channels = 2;
    options.seconds = 1;
    options.comments = {
        "TITLE=Song", "ARTIST=Someone", "ALBUM=Record",      "TRACKNUMBER=3",
        "DATE=2001",  "GENRE=Rock",     "ALBUMARTIST=Group", "REPLAYGAIN_TRACK_GAIN=-3.1 dB"};
    const std::string song = fixture::makeVorbis(options);
    const long count = envNumber("VELMORA_BENCH_OGG_FILES", 1001);
    for (long i = 0; i < count; ++i) {
        f.small.push_back(f.dir->file("song" + std::to_string(i) + ".ogg"));
        fixture::writeFile(f.small.back(), song);
    }
    options.seconds = static_cast<double>(envNumber("VELMORA_BENCH_OGG_SECONDS", 180));
    f.big = f.dir->file("long.ogg");
    const std::string longSong = fixture::makeVorbis(options);
    fixture::writeFile(f.big, longSong);
    f.bigSize = longSong.size();
    benchmark::AddCustomContext("read_file_bytes", std::to_string(song.size()));
    benchmark::AddCustomContext("rewrite_file_bytes", std::to_string(longSong.size()));
}

void BM_ReadComments_Velmora(benchmark::State& state) {
    for (auto _ : state) {
        for (const std::string& path : files().small) {
            OGGTag tag;
            ReadOGGTag(path, tag);
            benchmark::DoNotOptimize(tag.Title.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(files().small.size()));
}

void BM_ReadComments_TagLib(benchmark::State& state) {
    for (auto _ : state) {
        for (const std::string& path : files().small) {
            TagLib::Ogg::Vorbis::File file(path.c_str(), false); // tags only
            auto title = file.tag()->title();
            benchmark::DoNotOptimize(title.size());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(files().small.size()));
}

// Each round changes the title, so every save really rewrites the file.
void BM_Rewrite_Velmora(benchmark::State& state) {
    OGGTag tag;
    ReadOGGTag(files().big, tag);
    long round = 0;
    for (auto _ : state) {
        tag.Title = "Title " + std::to_string(round++);
        if (!WriteOGGTag(files().big, tag))
            state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(files().bigSize));
}

// TagLib sets a new title and saves; with flush, the file is flushed to disk
// afterwards, the durability our rewrite gives.
void rewriteWithTagLib(benchmark::State& state, bool flush) {
    long round = 0;
    for (auto _ : state) {
        TagLib::Ogg::Vorbis::File file(files().big.c_str(), false);
        file.tag()->setTitle("Title " + std::to_string(round++));
        if (!file.save())
            state.SkipWithError("save failed");
        if (flush) {
            int fd = ::open(files().big.c_str(), O_RDONLY);
            ::fsync(fd);
            ::close(fd);
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(files().bigSize));
}

void BM_Rewrite_TagLib(benchmark::State& state) {
    rewriteWithTagLib(state, false);
}

void BM_Rewrite_TagLibFlushed(benchmark::State& state) {
    rewriteWithTagLib(state, true);
}

// Copying the file by the same safe route (read, written to a new file,
// flushed, renamed over).
void BM_CopyFile(benchmark::State& state) {
    for (auto _ : state) {
        velmora::InputFile in(files().big);
        velmora::ReplaceFile out(files().big);
        out.write(in.readRange(0, static_cast<std::size_t>(in.size())));
        out.commit();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(files().bigSize));
}

BENCHMARK(BM_ReadComments_Velmora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadComments_TagLib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rewrite_Velmora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rewrite_TagLib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rewrite_TagLibFlushed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    makeFiles();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    files().dir.reset(); // removes the generated files
    return 0;
}
