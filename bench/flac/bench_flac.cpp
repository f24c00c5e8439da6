// Reading and writing FLAC comments, against TagLib in the same run, on files
// made by flac and metaflac with a front cover of about 500 KiB.
//   VELMORA_BENCH_FLAC_FILES    files read per iteration (default 200)
//   VELMORA_BENCH_FLAC_SECONDS  length of the rebuilt file in seconds (default 60)
// The files are made in a temporary folder at start and removed at the end.
#include "bench/common/BenchFiles.h"
#include "tags/flac/FlacTags.h"
#include "tests/flac/PeerFiles.h"

#include <string>
#include <taglib/flacfile.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace velmora;
using namespace velmora::bench;

struct Files {
    const test::TempDir* dir = nullptr;
    std::vector<std::string> readSet;
    std::string edited;  // comments with padding after them
    std::string rebuilt; // restored before each rebuild
    std::string rebuiltOriginal;
};

Files& files() {
    static Files f;
    return f;
}

void makeFiles(const test::TempDir& dir) {
    Files& f = files();
    f.dir = &dir;
    test::FlacRecipe recipe;
    recipe.comments = {"TITLE=Song",       "ARTIST=Someone",    "ARTIST=Another",
                       "ALBUM=Record",     "DATE=2001",         "GENRE=Rock",
                       "TRACKNUMBER=3/12", "ALBUMARTIST=Group", "REPLAYGAIN_TRACK_GAIN=-3.1 dB"};
    recipe.picture = true;
    recipe.seconds = 1;
    // metaflac puts the picture between the comments and the padding: one
    // rebuild gives the file the layout our edits keep.
    const std::string song = test::makeFlac(*f.dir, "song.flac", recipe);
    TagValues values = flac::readTags(song);
    values[Field::Comment] = "made for the benchmark";
    flac::writeTags(song, values, FieldMask().set(Field::Comment));
    const std::string bytes = test::readFile(song);
    f.readSet =
        writeCopies(*f.dir, bytes, "read", ".flac", envNumber("VELMORA_BENCH_FLAC_FILES", 200));
    f.edited = f.dir->file("edited.flac");
    test::writeFile(f.edited, bytes);

    // A long file of noise (real-sized), with a cover and no padding.
    f.rebuilt = f.dir->file("long.flac");
    test::mustRun("ffmpeg -v error -y -f lavfi -i 'anoisesrc=d=" +
                  std::to_string(envNumber("VELMORA_BENCH_FLAC_SECONDS", 60)) +
                  ":a=0.3' -ac 2 -ar 44100 '" + f.dir->file("noise.wav") +
                  "' && flac --silent -f --no-padding -o '" + f.rebuilt + "' '" +
                  f.dir->file("noise.wav") + "' && metaflac --set-tag=TITLE=Song " +
                  "--import-picture-from='3|image/jpeg|Front|740x740x24/0|" +
                  f.dir->file("cover.jpg") + "' '" + f.rebuilt + "'");
    ::unlink(f.dir->file("noise.wav").c_str());
    f.rebuiltOriginal = test::readFile(f.rebuilt);
    benchmark::AddCustomContext("read_file_bytes", std::to_string(bytes.size()));
    benchmark::AddCustomContext("rebuilt_file_bytes", std::to_string(f.rebuiltOriginal.size()));
}

void BM_Read_Velmora(benchmark::State& state) {
    readTitles(state, files().readSet, flac::readTags);
}

void BM_Read_TagLib(benchmark::State& state) {
    readTitlesWithTagLib<TagLib::FLAC::File>(state, files().readSet);
}

// The file the in-place edit works on, read alone: what an edit is compared with.
void BM_ReadOne_Velmora(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(flac::readTags(files().edited)[Field::Title].data());
    state.SetItemsProcessed(state.iterations());
}

// Each round changes the title (the padding after the comments absorbs it).
void BM_EditInPlace_Velmora(benchmark::State& state) {
    TagValues values = flac::readTags(files().edited);
    long round = 0;
    for (auto _ : state) {
        values[Field::Title] = (round++ % 2) ? "Title one" : "Another title";
        flac::writeTags(files().edited, values, FieldMask().set(Field::Title));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Edit_TagLib(benchmark::State& state) {
    long round = 0;
    for (auto _ : state)
        saveTitleWithTagLib<TagLib::FLAC::File>(
            state, files().edited, (round++ % 2) ? "Title one" : "Another title", false);
    state.SetItemsProcessed(state.iterations());
}

void restoreRebuilt() {
    test::writeFile(files().rebuilt, files().rebuiltOriginal);
}

// The comments grow on a file without padding: a new file every round (the
// original is put back outside the timing).
void BM_Rebuild_Velmora(benchmark::State& state) {
    TagValues values;
    values[Field::Title] = "A title that no longer fits";
    for (auto _ : state) {
        state.PauseTiming();
        restoreRebuilt();
        state.ResumeTiming();
        flac::writeTags(files().rebuilt, values, FieldMask().set(Field::Title));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(files().rebuiltOriginal.size()));
}

void BM_Rebuild_TagLibFlushed(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        restoreRebuilt();
        state.ResumeTiming();
        saveTitleWithTagLib<TagLib::FLAC::File>(state, files().rebuilt,
                                                "A title that no longer fits", true);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(files().rebuiltOriginal.size()));
}

// The same file copied by the same safe route (new file, flushed, renamed over).
void BM_FlushedCopy(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        restoreRebuilt();
        state.ResumeTiming();
        replaceWithCopy(files().rebuilt, files().rebuilt);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(files().rebuiltOriginal.size()));
}

BENCHMARK(BM_Read_Velmora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read_TagLib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadOne_Velmora)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditInPlace_Velmora)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Edit_TagLib)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rebuild_Velmora)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rebuild_TagLibFlushed)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlushedCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv, makeFiles);
}
