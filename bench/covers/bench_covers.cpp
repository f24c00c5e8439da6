// Reading the front cover (a JPEG of about 500 KiB behind a small back cover)
// of FLAC, MP3 and WMA files, against TagLib in the same run. The files are
// made by flac, ffmpeg, metaflac and mutagen in a temporary folder at start.
//   VELMORA_BENCH_COVER_FILES  files read per iteration (default 50)
#include "bench/common/BenchFiles.h"
#include "tags/flac/FlacTags.h"
#include "tags/id3/Mp3Tags.h"
#include "tags/wma/WMAudioInfo.h"
#include "tags/wma/WmaTags.h"
#include "tests/flac/PeerFiles.h"

#include <memory>
#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/asftag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

namespace {

using namespace velmora;
using namespace velmora::bench;

struct Files {
    std::unique_ptr<test::TempDir> dir;
    std::vector<std::string> flac, mp3, wma;
};

Files& files() {
    static Files f = [] {
        Files made;
        made.dir = std::make_unique<test::TempDir>();
        const test::TempDir& dir = *made.dir;
        const std::string cover = test::makeCover(dir), wav = test::makeWav(dir, 1);
        const std::string back = dir.file("back.png");
        test::mustRun("ffmpeg -v error -f lavfi -i testsrc=s=64x48 -frames:v 1 " +
                      test::quote(back));
        const std::string pictures = VELMORA_SOURCE_DIR "/tests/covers/pictures.py";
        const std::string flac = dir.file("model.flac"), mp3 = dir.file("model.mp3"),
                          wma = dir.file("model.wma");
        test::mustRun("flac --silent -f -T TITLE=Song -o " + test::quote(flac) + " " +
                      test::quote(wav));
        test::mustRun("ffmpeg -v error -i " + test::quote(wav) + " -metadata title=Song " +
                      test::quote(mp3));
        test::mustRun("ffmpeg -v error -i " + test::quote(wav) +
                      " -c:a wmav2 -metadata title=Song " + test::quote(wma));
        for (const std::string& path : {flac, mp3, wma}) {
            test::mustRun("/usr/bin/python3 " + pictures + " add " + test::quote(path) +
                          " 4 image/png Back " + test::quote(back) + " 3");
            test::mustRun("/usr/bin/python3 " + pictures + " add " + test::quote(path) +
                          " 3 image/jpeg Front " + test::quote(cover) + " 3");
        }
        const long n = envNumber("VELMORA_BENCH_COVER_FILES", 50);
        made.flac = writeCopies(dir, test::readFile(flac), "", ".flac", n);
        made.mp3 = writeCopies(dir, test::readFile(mp3), "", ".mp3", n);
        made.wma = writeCopies(dir, test::readFile(wma), "", ".wma", n);
        return made;
    }();
    return f;
}

template <typename Read>
void readAll(benchmark::State& state, const std::vector<std::string>& paths, Read read) {
    std::size_t bytes = 0;
    forEachFile(state, paths, [&](const std::string& path) { bytes += read(path); });
    benchmark::DoNotOptimize(bytes);
}

void VelmoraFlac(benchmark::State& state) {
    readAll(state, files().flac,
            [](const std::string& p) { return flac::readFrontCover(p)->size(); });
}

void TagLibFlac(benchmark::State& state) {
    readAll(state, files().flac, [](const std::string& p) {
        TagLib::FLAC::File file(p.c_str(), false);
        for (TagLib::FLAC::Picture* picture : file.pictureList())
            if (picture->type() == TagLib::FLAC::Picture::FrontCover)
                return static_cast<std::size_t>(picture->data().size());
        return std::size_t{0};
    });
}

void VelmoraMp3(benchmark::State& state) {
    readAll(state, files().mp3,
            [](const std::string& p) { return mp3::readFrontCover(p)->size(); });
}

void TagLibMp3(benchmark::State& state) {
    readAll(state, files().mp3, [](const std::string& p) {
        TagLib::MPEG::File file(p.c_str(), false);
        if (TagLib::ID3v2::Tag* tag = file.ID3v2Tag())
            for (TagLib::ID3v2::Frame* frame : tag->frameList("APIC"))
                if (auto* apic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
                    apic && apic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover)
                    return static_cast<std::size_t>(apic->picture().size());
        return std::size_t{0};
    });
}

void VelmoraWma(benchmark::State& state) {
    WMAudioInfo::Bind(); // as the program does at its start
    readAll(state, files().wma,
            [](const std::string& p) { return wma::readFrontCover(p)->size(); });
}

void TagLibWma(benchmark::State& state) {
    readAll(state, files().wma, [](const std::string& p) {
        TagLib::ASF::File file(p.c_str(), false);
        for (const auto& attribute : file.tag()->attribute("WM/Picture"))
            if (const TagLib::ASF::Picture picture = attribute.toPicture();
                picture.type() == TagLib::ASF::Picture::FrontCover)
                return static_cast<std::size_t>(picture.picture().size());
        return std::size_t{0};
    });
}

BENCHMARK(VelmoraFlac)->Unit(benchmark::kMillisecond);
BENCHMARK(TagLibFlac)->Unit(benchmark::kMillisecond);
BENCHMARK(VelmoraMp3)->Unit(benchmark::kMillisecond);
BENCHMARK(TagLibMp3)->Unit(benchmark::kMillisecond);
BENCHMARK(VelmoraWma)->Unit(benchmark::kMillisecond);
BENCHMARK(TagLibWma)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
