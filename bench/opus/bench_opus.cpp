// Reading and writing Opus comments, against TagLib in the same run, on files
// made by opusenc with a front cover of about 500 KiB.
//   VELMORA_BENCH_OPUS_FILES    files read per iteration (default 200)
//   VELMORA_BENCH_OPUS_SECONDS  length of the rewritten file in seconds (default 180)
// The files are made in a temporary folder at start and removed at the end.
#include "bench/common/BenchFiles.h"
#include "tags/opus/OpusTags.h"
#include "tests/flac/PeerFiles.h"

#include <string>
#include <taglib/opusfile.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace velmora;
using namespace velmora::bench;
using test::mustRun;

struct Files {
    const test::TempDir* dir = nullptr;
    std::vector<std::string> readSet;
    std::string rewritten;
    std::size_t rewrittenSize = 0;
};

Files& files() {
    static Files f;
    return f;
}

std::string encode(const std::string& name, long seconds) {
    const Files& f = files();
    const std::string wav = f.dir->file("in.wav");
    const std::string path = f.dir->file(name);
    mustRun(
        "ffmpeg -v error -y -f lavfi -i 'sine=frequency=440:duration=" + std::to_string(seconds) +
        "' -ac 2 -ar 48000 '" + wav + "' && opusenc --quiet --title Song --artist Someone " +
        "--artist Another --album Record --date 2001 --genre Rock --comment TRACKNUMBER=3/12 " +
        "--picture '" + test::makeCover(*f.dir) + "' '" + wav + "' '" + path + "'");
    ::unlink(wav.c_str());
    return path;
}

void makeFiles(const test::TempDir& dir) {
    Files& f = files();
    f.dir = &dir;
    const std::string song = encode("song.opus", 1);
    const std::string bytes = test::readFile(song);
    f.readSet =
        writeCopies(*f.dir, bytes, "read", ".opus", envNumber("VELMORA_BENCH_OPUS_FILES", 200));
    f.rewritten = encode("long.opus", envNumber("VELMORA_BENCH_OPUS_SECONDS", 180));
    f.rewrittenSize = test::readFile(f.rewritten).size();
    benchmark::AddCustomContext("read_file_bytes", std::to_string(bytes.size()));
    benchmark::AddCustomContext("rewritten_file_bytes", std::to_string(f.rewrittenSize));
}

void BM_Read_Velmora(benchmark::State& state) {
    readTitles(state, files().readSet, opus::readTags);
}

void BM_Read_TagLib(benchmark::State& state) {
    readTitlesWithTagLib<TagLib::Ogg::Opus::File>(state, files().readSet);
}

// A title of the same length: the header pages keep their number, the rest is copied.
void BM_Rewrite_SamePages_Velmora(benchmark::State& state) {
    TagValues values = opus::readTags(files().rewritten);
    long round = 0;
    for (auto _ : state) {
        values[Field::Title] = "Title " + std::to_string(round++ % 10);
        opus::writeTags(files().rewritten, values, FieldMask().set(Field::Title));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(files().rewrittenSize));
}

// A comment of 70 KB comes and goes: one header page more or less, so every
// later page is renumbered.
void BM_Rewrite_Renumbered_Velmora(benchmark::State& state) {
    TagValues values = opus::readTags(files().rewritten);
    long round = 0;
    for (auto _ : state) {
        values[Field::Comment] = (round++ % 2) ? std::string() : std::string(70000, 'c');
        opus::writeTags(files().rewritten, values, FieldMask().set(Field::Comment));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(files().rewrittenSize));
}

void BM_Rewrite_TagLibFlushed(benchmark::State& state) {
    long round = 0;
    for (auto _ : state)
        saveTitleWithTagLib<TagLib::Ogg::Opus::File>(state, files().rewritten,
                                                     "Title " + std::to_string(round++ % 10), true);
    state.SetBytesProcessed(state.iterations() * static_cast<long>(files().rewrittenSize));
}

// The same file copied by the same safe route (new file, flushed, renamed over).
void BM_FlushedCopy(benchmark::State& state) {
    for (auto _ : state)
        replaceWithCopy(files().rewritten, files().rewritten);
    state.SetBytesProcessed(state.iterations() * static_cast<long>(files().rewrittenSize));
}

BENCHMARK(BM_Read_Velmora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read_TagLib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rewrite_SamePages_Velmora)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rewrite_Renumbered_Velmora)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rewrite_TagLibFlushed)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlushedCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv, makeFiles);
}
