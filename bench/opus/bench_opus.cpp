// Reading and writing Opus comments, against TagLib in the same run, on files
// made by opusenc with a front cover of about 500 KiB.
//   VELMORA_BENCH_OPUS_FILES    files read per iteration (default 200)
//   VELMORA_BENCH_OPUS_SECONDS  length of the rewritten file in seconds (default 180)
// The files are made in a temporary folder at start and removed at the end.
#include "tests/common/TestFiles.h"

#include "base/FileLayer.h"
#include "tags/opus/OpusTags.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <taglib/opusfile.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace velmora;

struct Files {
    std::unique_ptr<test::TempDir> dir;
    std::vector<std::string> readSet;
    std::string rewritten;
    std::size_t rewrittenSize = 0;
};

Files& files() {
    static Files f;
    return f;
}

long envNumber(const char* name, long fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::strtol(value, nullptr, 10) : fallback;
}

void mustRun(const std::string& command) {
    std::string output;
    if (test::run(command + " 2>&1", output) != 0)
        throw std::runtime_error("failed: " + command + "\n" + output);
}

std::string encode(const std::string& name, long seconds) {
    const Files& f = files();
    const std::string wav = f.dir->file("in.wav");
    const std::string path = f.dir->file(name);
    mustRun(
        "ffmpeg -v error -y -f lavfi -i 'sine=frequency=440:duration=" + std::to_string(seconds) +
        "' -ac 2 -ar 48000 '" + wav + "' && opusenc --quiet --title Song --artist Someone " +
        "--artist Another --album Record --date 2001 --genre Rock --comment TRACKNUMBER=3/12 " +
        "--picture '" + f.dir->file("cover.jpg") + "' '" + wav + "' '" + path + "'");
    ::unlink(wav.c_str());
    return path;
}

void makeFiles() {
    Files& f = files();
    f.dir = std::make_unique<test::TempDir>();
    mustRun("ffmpeg -v error -y -f lavfi -i \"nullsrc=s=740x740,geq=lum='random(1)*255':"
            "cb='random(2)*255':cr=128\" -frames:v 1 -q:v 1 '" +
            f.dir->file("cover.jpg") + "'");
    const std::string song = encode("song.opus", 1);
    const std::string bytes = test::readFile(song);
    const long count = envNumber("VELMORA_BENCH_OPUS_FILES", 200);
    for (long i = 0; i < count; ++i) {
        f.readSet.push_back(f.dir->file("read" + std::to_string(i) + ".opus"));
        test::writeFile(f.readSet.back(), bytes);
    }
    f.rewritten = encode("long.opus", envNumber("VELMORA_BENCH_OPUS_SECONDS", 180));
    f.rewrittenSize = test::readFile(f.rewritten).size();
    benchmark::AddCustomContext("read_file_bytes", std::to_string(bytes.size()));
    benchmark::AddCustomContext("rewritten_file_bytes", std::to_string(f.rewrittenSize));
}

void BM_Read_Velmora(benchmark::State& state) {
    for (auto _ : state)
        for (const std::string& path : files().readSet)
            benchmark::DoNotOptimize(opus::readTags(path)[Field::Title].data());
    state.SetItemsProcessed(state.iterations() * static_cast<long>(files().readSet.size()));
}

void BM_Read_TagLib(benchmark::State& state) {
    for (auto _ : state)
        for (const std::string& path : files().readSet) {
            TagLib::Ogg::Opus::File file(path.c_str(), false); // tags only
            auto title = file.tag()->title();
            benchmark::DoNotOptimize(title.size());
        }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(files().readSet.size()));
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
    for (auto _ : state) {
        TagLib::Ogg::Opus::File file(files().rewritten.c_str(), false);
        file.tag()->setTitle("Title " + std::to_string(round++ % 10));
        if (!file.save())
            state.SkipWithError("save failed");
        const int fd = ::open(files().rewritten.c_str(), O_RDONLY);
        ::fsync(fd);
        ::close(fd);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(files().rewrittenSize));
}

// The same file copied by the same safe route (new file, flushed, renamed over).
void BM_FlushedCopy(benchmark::State& state) {
    for (auto _ : state) {
        InputFile in(files().rewritten);
        ReplaceFile out(files().rewritten);
        out.copyFrom(in, 0, in.size());
        out.commit();
    }
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
    benchmark::Initialize(&argc, argv);
    makeFiles();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    files().dir.reset(); // removes the generated files
    return 0;
}
