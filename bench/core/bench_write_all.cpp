// Write-all: a new title into each of 1,001 Ogg Vorbis files of about 110 KB
// (encoded by ffmpeg, tagged by vorbiscomment), in the same run:
//   WriteAll/Velmora      FileList::writeAll: the files made new are put in
//                         place in groups, one flush pass per group
//   WriteAll/OneAtATime   FileList::write row by row: each file flushed,
//                         renamed and its folder flushed on its own
//   WriteAll/TagLib       TagLib's save of each file, the flush left to the
//                         system (no durability)
// Each iteration writes every file once, each round another title. The times
// are wall times; the CPU column is the process's CPU time.
//   VELMORA_BENCH_WRITE_FILES  how many files (default 1001)
//   TMPDIR                     where the files are made (the disk measured)
#include "bench/common/BenchFiles.h"
#include "core/FileList.h"
#include "tests/flac/PeerFiles.h"

#include <string>
#include <taglib/vorbisfile.h>
#include <vector>

namespace {

using namespace velmora::bench;

struct Files {
    const velmora::test::TempDir* dir = nullptr;
    std::vector<std::string> paths;
};

Files& files() {
    static Files f;
    return f;
}

void makeFiles(const velmora::test::TempDir& dir) {
    Files& f = files();
    f.dir = &dir;
    const std::string song = f.dir->file("song.ogg");
    velmora::test::mustRun("ffmpeg -nostdin -loglevel error -y -f lavfi -i "
                           "anoisesrc=d=14:c=pink:a=0.3 -ac 2 -ar 44100 -c:a libvorbis -q:a 0 '" +
                           song +
                           "' && vorbiscomment -w -t TITLE=Song -t ARTIST=Someone "
                           "-t ALBUM=Record -t TRACKNUMBER=3 -t DATE=2001 -t GENRE=Rock '" +
                           song + "'");
    const std::string bytes = velmora::test::readFile(song);
    const long n = envNumber("VELMORA_BENCH_WRITE_FILES", 1001);
    f.paths = writeCopies(*f.dir, bytes, "write-", ".ogg", n);
    benchmark::AddCustomContext("write_bytes", std::to_string(bytes.size()));
    benchmark::AddCustomContext("write_files", std::to_string(n));
}

void countFailures(benchmark::State& state,
                   const std::vector<velmora::core::WriteResult>& results) {
    for (const auto& result : results)
        if (result.outcome != velmora::core::WriteOutcome::Written)
            state.SkipWithError(("not written: " + result.reason).c_str());
}

void writeVelmora(benchmark::State& state, bool grouped) {
    velmora::core::FileList list;
    const std::vector<velmora::core::RowId> ids = list.add(files().paths);
    long round = 0;
    for (auto _ : state) {
        list.setFieldInAll(velmora::Field::Title, "Title " + std::to_string(round++));
        if (grouped) {
            countFailures(state, list.writeAll());
            continue;
        }
        std::vector<velmora::core::WriteResult> results;
        for (velmora::core::RowId id : ids)
            results.push_back(list.write(id));
        countFailures(state, results);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(files().paths.size()));
}

void writeTagLib(benchmark::State& state) {
    saveTitlesWithTagLib<TagLib::Ogg::Vorbis::File>(state, files().paths, false, 1000);
}

void registerAll() {
    auto add = [](const char* name, auto body) {
        benchmark::RegisterBenchmark(name, body)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
    };
    add("WriteAll/TagLib", writeTagLib);
    add("WriteAll/Velmora", [](benchmark::State& st) { writeVelmora(st, true); });
    add("WriteAll/OneAtATime", [](benchmark::State& st) { writeVelmora(st, false); });
}

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv, [](const velmora::test::TempDir& dir) {
        makeFiles(dir);
        registerAll();
    });
}
