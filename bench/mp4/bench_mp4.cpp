// Reading and editing M4A tags, against TagLib in the same run, on files made
// by ffmpeg and tagged by TagLib or python3-mutagen with a cover of ~500 KiB.
//   VELMORA_BENCH_MP4_FILES    files read per iteration (default 100)
//   VELMORA_BENCH_MP4_SECONDS  length of the rebuilt file in seconds (default 180)
// The files are made in a temporary folder at start and removed at the end.
#include "bench/common/BenchFiles.h"
#include "tags/mp4/Mp4Tags.h"
#include "tests/mp4/Mp4Fixture.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <taglib/mp4file.h>
#include <unistd.h>

namespace {

using namespace velmora;
using namespace velmora::bench;
using namespace velmora::mp4test;

struct Files {
    const test::TempDir* dir = nullptr;
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

void makeFiles(const test::TempDir& dir) {
    Files& f = files();
    f.dir = &dir;
    f.coverFirst = f.dir->file("cover-first.m4a");
    makeSample(f.coverFirst, Layout::MoovFirst, Tagger::TagLib, 4);
    f.coverLast = f.dir->file("cover-last.m4a");
    makeSample(f.coverLast, Layout::MoovFirst, Tagger::Mutagen, 4);
    const std::string song = test::readFile(f.coverFirst);
    f.readSet =
        writeCopies(*f.dir, song, "song", ".m4a", envNumber("VELMORA_BENCH_MP4_FILES", 100));
    f.big = f.dir->file("long.m4a");
    makeSample(f.big, Layout::MoovFirst, Tagger::TagLib,
               static_cast<int>(envNumber("VELMORA_BENCH_MP4_SECONDS", 180)));
    f.bigBytes = test::readFile(f.big);
    benchmark::AddCustomContext("read_file_bytes", std::to_string(song.size()));
    benchmark::AddCustomContext("rebuilt_file_bytes", std::to_string(f.bigBytes.size()));
}

void BM_Read_Velmora(benchmark::State& state) {
    readTitles(state, files().readSet, mp4::readTags);
}

void BM_Read_TagLib(benchmark::State& state) {
    readTitlesWithTagLib<TagLib::MP4::File>(state, files().readSet);
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
    for (auto _ : state)
        saveTitleWithTagLib<TagLib::MP4::File>(state, files().coverFirst, titles[n++ % 2], false);
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
    for (auto _ : state)
        replaceWithCopy(f.big, target);
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
    return runBenchmarks(argc, argv, makeFiles);
}
