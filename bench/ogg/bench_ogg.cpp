// Reading and writing Ogg Vorbis comments, against TagLib in the same run, on
// files shaped like a real library:
//   plain       8 ordinary comments
//   pic20k      the same and a 20 KiB front cover in the comment header
//   pic500k     ... a 500 KiB cover
//   pic2m       ... a 2 MiB cover (2.8 MB of comment over 43 pages)
//   multi       several values of one name, a 30 KiB lyrics comment, a 4 KiB
//               comment and description, 40 comments in all
// Each read benchmark reads every file of its shape once per iteration; the
// baseline opens each file, reads its first 4 KiB and closes it.
//   VELMORA_BENCH_OGG_SCALE        divides the file counts (default 1)
//   VELMORA_BENCH_OGG_WRITE_FILES  files of the write benchmarks (default 1001)
// The files are made in a temporary folder at start and removed at the end.
#include "bench/common/BenchFiles.h"
#include "tags/ogg/VorbisTags.h"
#include "tests/ogg/VorbisFixture.h"

#include <fcntl.h>
#include <string>
#include <taglib/vorbisfile.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace velmora::bench;

struct Shape {
    std::string name;
    long count;
    std::vector<std::string> paths;
};

struct Files {
    const fixture::TempDir* dir = nullptr;
    std::vector<Shape> shapes;
    std::vector<std::string> writeSet;
};

Files& files() {
    static Files f;
    return f;
}

std::vector<std::string> ordinaryComments() {
    return {"TITLE=Song", "ARTIST=Someone", "ALBUM=Record",      "TRACKNUMBER=3",
            "DATE=2001",  "GENRE=Rock",     "ALBUMARTIST=Group", "REPLAYGAIN_TRACK_GAIN=-3.1 dB"};
}

std::vector<std::string> manyComments() {
    std::vector<std::string> c = {"TITLE=Song", "ARTIST=First", "ARTIST=Second", "ARTIST=Third",
                                  "GENRE=Rock", "GENRE=Pop",    "ALBUM=Record",  "DATE=2001"};
    c.push_back("LYRICS=" + std::string(30 * 1024, 'l'));
    c.push_back("DESCRIPTION=" + std::string(4096, 'd'));
    c.push_back("COMMENT=" + std::string(4096, 'c'));
    for (int i = 0; c.size() < 40; ++i)
        c.push_back("CUSTOM" + std::to_string(i) + "=value " + std::to_string(i));
    return c;
}

void makeShape(const std::string& name, long count, std::vector<std::string> comments) {
    Files& f = files();
    fixture::VorbisOptions options;
    options.rate = 44100;
    options.channels = 2;
    options.seconds = 1;
    options.comments = std::move(comments);
    const std::string bytes = fixture::makeVorbis(options);
    Shape shape{name, std::max(1L, count / envNumber("VELMORA_BENCH_OGG_SCALE", 1)), {}};
    shape.paths = writeCopies(*f.dir, bytes, name + "-", ".ogg", shape.count);
    benchmark::AddCustomContext(name + "_bytes", std::to_string(bytes.size()));
    benchmark::AddCustomContext(name + "_files", std::to_string(shape.count));
    f.shapes.push_back(std::move(shape));
}

void makeFiles(const fixture::TempDir& dir) {
    Files& f = files();
    f.dir = &dir;
    auto withPicture = [](std::size_t size) {
        auto c = ordinaryComments();
        c.insert(c.begin() + 3, fixture::pictureComment(size));
        return c;
    };
    makeShape("plain", 1001, ordinaryComments());
    makeShape("pic20k", 1001, withPicture(20 * 1024));
    makeShape("pic500k", 300, withPicture(500 * 1024));
    makeShape("pic2m", 100, withPicture(2 * 1024 * 1024));
    makeShape("multi", 1001, manyComments());

    fixture::VorbisOptions options; // about 110 KB each
    options.rate = 44100;
    options.channels = 2;
    options.seconds = 36;
    options.comments = ordinaryComments();
    const std::string song = fixture::makeVorbis(options);
    const long count = envNumber("VELMORA_BENCH_OGG_WRITE_FILES", 1001);
    f.writeSet = writeCopies(*f.dir, song, "write-", ".ogg", count);
    benchmark::AddCustomContext("write_bytes", std::to_string(song.size()));
    benchmark::AddCustomContext("write_files", std::to_string(count));
}

void readVelmora(benchmark::State& state, const Shape& shape) {
    readTitles(state, shape.paths, velmora::vorbis::readTags);
}

void readTagLib(benchmark::State& state, const Shape& shape) {
    readTitlesWithTagLib<TagLib::Ogg::Vorbis::File>(state, shape.paths);
}

// What any reader pays at least: open, read the first 4 KiB, close.
void openRead4K(benchmark::State& state, const Shape& shape) {
    char buffer[4096];
    forEachFile(state, shape.paths, [&buffer](const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        benchmark::DoNotOptimize(::pread(fd, buffer, sizeof buffer, 0));
        ::close(fd);
    });
}

// A new title into every file of the write set, each round another title so
// that every write really rewrites.
void writeVelmora(benchmark::State& state) {
    long round = 0;
    velmora::TagValues values;
    for (auto _ : state) {
        values[velmora::Field::Title] = "Title " + std::to_string(round++);
        for (const std::string& path : files().writeSet)
            velmora::vorbis::writeTags(path, values,
                                       velmora::FieldMask().set(velmora::Field::Title));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(files().writeSet.size()));
}

// TagLib overwrites the file in place and leaves the flush to the system;
// flushed: each file flushed afterwards, the durability of our write.
void writeTagLib(benchmark::State& state, bool flushed) {
    saveTitlesWithTagLib<TagLib::Ogg::Vorbis::File>(state, files().writeSet, flushed);
}

void registerAll() {
    for (const Shape& shape : files().shapes) {
        const Shape* s = &shape;
        benchmark::RegisterBenchmark(("Read/" + shape.name + "/Velmora").c_str(),
                                     [s](benchmark::State& st) { readVelmora(st, *s); })
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("Read/" + shape.name + "/TagLib").c_str(),
                                     [s](benchmark::State& st) { readTagLib(st, *s); })
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("Read/" + shape.name + "/OpenRead4K").c_str(),
                                     [s](benchmark::State& st) { openRead4K(st, *s); })
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("WriteTitle/Velmora", writeVelmora)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
    benchmark::RegisterBenchmark("WriteTitle/TagLib",
                                 [](benchmark::State& st) { writeTagLib(st, false); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
    benchmark::RegisterBenchmark("WriteTitle/TagLibFlushed",
                                 [](benchmark::State& st) { writeTagLib(st, true); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
}

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv, [](const fixture::TempDir& dir) {
        makeFiles(dir);
        registerAll();
    });
}
