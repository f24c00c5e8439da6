// Reading and editing M4A tags, against TagLib in the same run, on files made
// by ffmpeg and tagged by TagLib or python3-mutagen with a cover of ~500 KiB.
//   VELMORA_BENCH_MP4_FILES    files read per iteration (default 100)
//   VELMORA_BENCH_MP4_SECONDS  length of the rebuilt file in seconds (default 180)
// The files are made in a temporary folder at start and removed at the end.
#include "Mp4Fixture.h"

#include "base/FileLayer.h"
#include "tags/mp4/Mp4Tags.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/sendfile.h>
#include <taglib/mp4file.h>
#include <unistd.h>

namespace {

using namespace velmora;
using namespace velmora::mp4test;

struct Files {
    std::unique_ptr<test::TempDir> dir;
    std::vector<std::string> readSet; // TagLib-tagged copies
    std::string coverFirst;           // tagged by TagLib: the cover before the text items
    std::string coverLast;            // tagged by mutagen: the cover after them
    std::string big;                  // the rebuilt file
    std::string bigBytes;
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
    f.dir = std::make_unique<test::TempDir>();
    f.coverFirst = f.dir->file("cover-first.m4a");
    makeSample(f.coverFirst, Layout::MoovFirst, Tagger::TagLib, 4);
    f.coverLast = f.dir->file("cover-last.m4a");
    makeSample(f.coverLast, Layout::MoovFirst, Tagger::Mutagen, 4);
    const std::string song = test::readFile(f.coverFirst);
    for (long i = 0; i < envNumber("VELMORA_BENCH_MP4_FILES", 100); ++i) {
        f.readSet.push_back(f.dir->file("song" + std::to_string(i) + ".m4a"));
        test::writeFile(f.readSet.back(), song);
    }
    f.big = f.dir->file("long.m4a");
    makeSample(f.big, Layout::MoovFirst, Tagger::TagLib,
               static_cast<int>(envNumber("VELMORA_BENCH_MP4_SECONDS", 180)));
    f.bigBytes = test::readFile(f.big);
    benchmark::AddCustomContext("read_file_bytes", std::to_string(song.size()));
    benchmark::AddCustomContext("rebuilt_file_bytes", std::to_string(f.bigBytes.size()));
}

void BM_Read_Velmora(benchmark::State& state) {
    for (auto _ : state)
        for (const std::string& path : files().readSet)
            benchmark::DoNotOptimize(mp4::readTags(path)[Field::Title].data());
    state.SetItemsProcessed(state.iterations() * static_cast<long>(files().readSet.size()));
}

void BM_Read_TagLib(benchmark::State& state) {
    for (auto _ : state) {
        for (const std::string& path : files().readSet) {
            TagLib::MP4::File file(path.c_str(), false); // tags only
            benchmark::DoNotOptimize(file.tag()->title().size());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(files().readSet.size()));
}

// One file read, the unit an in-place edit is compared with.
void BM_ReadOne_Velmora(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(mp4::readTags(files().coverFirst)[Field::Title].data());
}

// Title edits that the free atom absorbs, alternating two lengths.
void editInPlace(benchmark::State& state, const std::string& path) {
    TagValues values = mp4::readTags(path);
    const std::string titles[2] = {"Short", "A somewhat longer title"};
    long n = 0;
    for (auto _ : state) {
        values[Field::Title] = titles[n++ % 2];
        mp4::writeTags(path, values, FieldMask().set(Field::Title));
    }
}
void BM_EditInPlace_CoverFirst(benchmark::State& state) {
    editInPlace(state, files().coverFirst);
}
void BM_EditInPlace_CoverLast(benchmark::State& state) {
    editInPlace(state, files().coverLast);
}

// TagLib's save of the same edits, for comparison.
void BM_EditSave_TagLib(benchmark::State& state) {
    const char* titles[2] = {"Short", "A somewhat longer title"};
    long n = 0;
    for (auto _ : state) {
        TagLib::MP4::File file(files().coverFirst.c_str(), false);
        file.tag()->setTitle(titles[n++ % 2]);
        file.save();
    }
}

// A title longer than the free space: the file is rebuilt beside the original.
void BM_Rebuild_Velmora(benchmark::State& state) {
    const Files& f = files();
    TagValues values = mp4::readTags(f.big);
    values[Field::Title] = std::string(4000, 'T');
    for (auto _ : state) {
        state.PauseTiming();
        test::writeFile(f.big, f.bigBytes);
        state.ResumeTiming();
        mp4::writeTags(f.big, values, FieldMask().set(Field::Title));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(f.bigBytes.size()));
}

// The same bytes copied to a new file and flushed to the disk.
void BM_FlushedCopy(benchmark::State& state) {
    const Files& f = files();
    const std::string target = f.dir->file("copy.m4a");
    for (auto _ : state) {
        const int in = ::open(f.big.c_str(), O_RDONLY);
        const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        off_t offset = 0;
        while (offset < static_cast<off_t>(f.bigBytes.size()))
            if (::sendfile(out, in, &offset, f.bigBytes.size() - offset) <= 0)
                break;
        ::fdatasync(out);
        ::close(out);
        ::close(in);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(f.bigBytes.size()));
}

// As above, through the file layer's atomic replacement (flush, rename, folder flush).
void BM_SafeCopy(benchmark::State& state) {
    const Files& f = files();
    const std::string target = f.dir->file("safe.m4a");
    test::writeFile(target, "");
    for (auto _ : state) {
        const InputFile in(f.big);
        ReplaceFile out(target);
        out.copyFrom(in, 0, in.size());
        out.commit();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(f.bigBytes.size()));
}

BENCHMARK(BM_Read_Velmora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read_TagLib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadOne_Velmora)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditInPlace_CoverFirst)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditInPlace_CoverLast)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditSave_TagLib)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rebuild_Velmora)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlushedCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SafeCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    makeFiles();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    files().dir.reset();
    return 0;
}
