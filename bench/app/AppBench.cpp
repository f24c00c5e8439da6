// Speed of the real window offscreen: Add Folder of many MP3 files until the
// list is filled and the first row shown, and "ok" writing all of them, each
// against TagLib doing the same reads or writes in the same run.
//   VELMORA_BENCH_FILES   number of MP3 files (default 1001)
#include "../../tests/app/TestDialogs.h"
#include "app/Tageditor.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>

namespace {

struct Setup {
    QTemporaryDir dir;
    QStringList paths;
    TestDialogs::Log log;
    TestDialogs* dialogs = nullptr;
    std::unique_ptr<Tfm_main> window;
};
Setup* setup = nullptr;

int fileCount() {
    const int count = qEnvironmentVariableIntValue("VELMORA_BENCH_FILES");
    return count > 0 ? std::min(count, TrackTableCapacity) : TrackTableCapacity;
}

bool makeFiles(Setup& s, int count) {
    const QString first = s.dir.filePath("track0000.mp3");
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v",
                            "error",
                            "-y",
                            "-f",
                            "lavfi",
                            "-i",
                            "sine=duration=1",
                            "-ac",
                            "1",
                            "-c:a",
                            "libmp3lame",
                            "-b:a",
                            "64k",
                            "-id3v2_version",
                            "3",
                            "-metadata",
                            "title=Benchmark",
                            "-metadata",
                            "artist=Velmora",
                            "-metadata",
                            "album=Speed",
                            "-metadata",
                            "track=1",
                            first});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return false;
    s.paths << first;
    for (int i = 1; i < count; ++i) {
        const QString path = s.dir.filePath(QString("track%1.mp3").arg(i, 4, 10, QChar('0')));
        if (!QFile::copy(first, path))
            return false;
        s.paths << path;
    }
    return true;
}

void fillList() {
    setup->window->RunSkinCommand("clear");
    setup->dialogs->folderAnswers.push_back(setup->dir.path());
    setup->window->AddFolder();
}

void AddFolder(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        setup->window->RunSkinCommand("clear");
        setup->dialogs->folderAnswers.push_back(setup->dir.path());
        state.ResumeTiming();
        setup->window->AddFolder();
    }
    if (setup->window->RowCount() != setup->paths.size())
        state.SkipWithError("not every file was listed");
    state.counters["files"] = setup->paths.size();
}

void TagLibReadAll(benchmark::State& state) {
    for (auto _ : state) {
        for (const QString& path : setup->paths) {
            TagLib::FileRef file(QFile::encodeName(path).constData(), false);
            if (file.tag())
                benchmark::DoNotOptimize(file.tag()->title());
        }
    }
    state.counters["files"] = setup->paths.size();
}

void WriteAll(benchmark::State& state) {
    fillList();
    setup->dialogs->questionAnswer = false;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A new title for every row, of the same length so the tags fit in place.
        setup->window->edt_tatal->setText(QString("Round %1").arg(round++ % 10));
        setup->window->Button1Click();
        state.ResumeTiming();
        setup->window->RunSkinCommand("ok");
    }
    if (!setup->log.errors.isEmpty())
        state.SkipWithError(qPrintable(setup->log.errors.join('\n')));
    state.counters["files"] = setup->paths.size();
}

void TagLibWriteAll(benchmark::State& state) {
    int round = 0;
    for (auto _ : state) {
        const TagLib::String title =
            TagLib::String("Round ") + TagLib::String::number(round++ % 10);
        for (const QString& path : setup->paths) {
            TagLib::MPEG::File file(QFile::encodeName(path).constData(), false);
            TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
            tag->setTitle(title);
            file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3);
        }
    }
    state.counters["files"] = setup->paths.size();
}

} // namespace

BENCHMARK(AddFolder)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(TagLibReadAll)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(WriteAll)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(TagLibWriteAll)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Setup s;
    if (!s.dir.isValid() || !makeFiles(s, fileCount())) {
        fprintf(stderr, "could not make the benchmark files\n");
        return 1;
    }
    ResetModuleState();
    s.window = std::make_unique<Tfm_main>();
    auto dialogs = std::make_unique<TestDialogs>(s.log);
    s.dialogs = dialogs.get();
    s.window->setDialogs(std::move(dialogs));
    s.window->show();
    setup = &s;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    setup = nullptr;
    return 0;
}
