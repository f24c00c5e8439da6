// What the benchmark binaries share: their settings from the environment, the
// copies of one made file that a read benchmark walks, the loop over those
// files, TagLib's save of a new title (the peer each unit is measured
// against), the file layer's copy (the least a safe rewrite costs) and the
// program around the benchmarks.
#pragma once

#include "tags/common/FormatUnit.h"
#include "tests/common/TestFiles.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <functional>
#include <string>
#include <taglib/tstring.h>
#include <vector>

namespace velmora::bench {

// The whole number in the environment variable `name`; `fallback` when it is
// unset or empty.
long envNumber(const char* name, long fallback);

// `count` copies of `bytes` in `dir`, named stem0suffix, stem1suffix, ...
std::vector<std::string> writeCopies(const test::TempDir& dir, const std::string& bytes,
                                     const std::string& stem, const std::string& suffix,
                                     long count);

// Calls `each` on every path once per iteration; each file counts as an item.
template <typename Each>
void forEachFile(benchmark::State& state, const std::vector<std::string>& paths, Each each) {
    for (auto _ : state)
        for (const std::string& path : paths)
            each(path);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(paths.size()));
}

// Our unit reads the tags of every file and takes the title.
void readTitles(benchmark::State& state, const std::vector<std::string>& paths,
                ReadTagsFunction readTags);

// TagLib reads the tags of every file (not the audio properties) and takes the
// title. TagLibFile: TagLib's file class of the format.
template <typename TagLibFile>
void readTitlesWithTagLib(benchmark::State& state, const std::vector<std::string>& paths) {
    forEachFile(state, paths, [](const std::string& path) {
        TagLibFile file(path.c_str(), false);
        benchmark::DoNotOptimize(file.tag()->title().size());
    });
}

// Flushes the file's data to the disk, as our atomic write does before its rename.
void flushFile(const std::string& path);

// TagLib's save of a new title, which overwrites the file in place; `flushed`
// then flushes the file, for the durability our write has. A failed save
// stops the benchmark with an error.
template <typename TagLibFile>
void saveTitleWithTagLib(benchmark::State& state, const std::string& path, const std::string& title,
                         bool flushed) {
    {
        TagLibFile file(path.c_str(), false);
        file.tag()->setTitle(TagLib::String(title, TagLib::String::UTF8));
        if (!file.save())
            state.SkipWithError(("TagLib could not save " + path).c_str());
    }
    if (flushed)
        flushFile(path);
}

// TagLib saves a new title into every file, each round another title
// ("Title <round>", from `firstRound` on) so that every save really writes.
template <typename TagLibFile>
void saveTitlesWithTagLib(benchmark::State& state, const std::vector<std::string>& paths,
                          bool flushed, long firstRound = 0) {
    long round = firstRound;
    for (auto _ : state) {
        const std::string title = "Title " + std::to_string(round++);
        for (const std::string& path : paths)
            saveTitleWithTagLib<TagLibFile>(state, path, title, flushed);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(paths.size()));
}

// Copies `source` onto `target` through the file layer's atomic replacement
// (a new file, flushed, renamed over, its folder flushed).
void replaceWithCopy(const std::string& source, const std::string& target);

// The program of a benchmark binary: reads the options, runs `setUp` with a
// fresh temporary folder (it makes the files there and may register
// benchmarks that depend on them), runs the benchmarks and removes the folder
// with everything in it.
int runBenchmarks(int argc, char** argv,
                  const std::function<void(const test::TempDir& dir)>& setUp);

} // namespace velmora::bench
