// velmora-cli against kid3-cli, the command line of a well-liked tag editor,
// on the same MP3 files (ffmpeg encodes, mid3v2 tags): reading every file's
// fields, setting the album in every file, and setting every title from the
// file's name. Wall-clock time of the whole
// process, as a script sees it.
//   VELMORA_BENCH_CLI_FILES  files per run (default 500)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

fs::path folder;
std::string fileArguments;

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool setUp() {
    char pattern[] = "/tmp/velmora-bench-cli-XXXXXX";
    if (!::mkdtemp(pattern))
        return false;
    folder = pattern;
    const std::string sample = (folder / "sample.mp3").string();
    if (!run("ffmpeg -nostdin -loglevel error -f lavfi -i sine=d=3 -c:a libmp3lame '" + sample +
             "'") ||
        !run("mid3v2 -t Title -a Artist -A Album -y 2001 -g Jazz -T 3/12 -c Comment '" + sample +
             "'"))
        return false;
    const char* count = std::getenv("VELMORA_BENCH_CLI_FILES");
    const int files = count && std::atoi(count) > 0 ? std::atoi(count) : 500;
    for (int i = 0; i < files; ++i) {
        const std::string name = "track " + std::to_string(i) + ".mp3";
        fs::copy_file(sample, folder / name);
        fileArguments += " '" + name + "'";
    }
    return true;
}

void runIn(benchmark::State& state, const std::string& command) {
    if (!run("cd '" + folder.string() + "' && " + command))
        state.SkipWithError(("failed: " + command.substr(0, 80)).c_str());
}

const std::string velmora = std::string(VELMORA_BIN_DIR) + "/velmora-cli";

void BM_Show_Velmora(benchmark::State& state) {
    for (auto _ : state)
        runIn(state, velmora + " show --json" + fileArguments);
}

void BM_Show_Kid3(benchmark::State& state) {
    for (auto _ : state)
        runIn(state, "kid3-cli -c 'get album'" + fileArguments);
}

// Each run gives every file a new album, so every file is written.
void BM_SetAlbum_Velmora(benchmark::State& state) {
    int round = 0;
    for (auto _ : state)
        runIn(state,
              velmora + " set --album 'Velmora " + std::to_string(++round) + "'" + fileArguments);
}

void BM_SetAlbum_Kid3(benchmark::State& state) {
    int round = 0;
    for (auto _ : state)
        runIn(state,
              "kid3-cli -c 'set album \"Kid3 " + std::to_string(++round) + "\"'" + fileArguments);
}

// Each run takes the title from the name by one of two patterns in turn
// ("track 5" or "5"), so every file is written.
void BM_FillTitle_Velmora(benchmark::State& state) {
    int round = 0;
    for (auto _ : state)
        runIn(state, velmora + " fill --pattern '" + (++round % 2 ? "" : "track ") + "%title%'" +
                         fileArguments);
}

void BM_FillTitle_Kid3(benchmark::State& state) {
    int round = 0;
    for (auto _ : state)
        runIn(state, "kid3-cli -c 'totag \"" + std::string(++round % 2 ? "" : "track ") +
                         "%{title}\" 2'" + fileArguments);
}

} // namespace

BENCHMARK(BM_Show_Velmora)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Show_Kid3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SetAlbum_Velmora)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SetAlbum_Kid3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillTitle_Velmora)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillTitle_Kid3)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!setUp())
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(folder);
    return 0;
}
