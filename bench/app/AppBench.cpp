// Speed of the real window offscreen: Add Folder of many MP3 files until every
// row is filled and painted, and "ok" writing all of them, each against TagLib
// doing the same reads or writes in the same run; and the peak resident memory
// of a process that starts the window and adds a folder of files with big
// covers.
//   VELMORA_BENCH_FILES   number of MP3 files per folder (default 1001)
#include "../../tests/app/TestDialogs.h"
#include "app/Tageditor.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <unistd.h>

namespace {

// The environment variable that turns this binary into the memory probe: it
// names the folder to add, or is "-" to start the window and add nothing.
constexpr const char* ProbeVariable = "VELMORA_BENCH_PROBE_FOLDER";

// One folder of MP3 files of one shape: copies of one ffmpeg-made file, with a
// front cover of the given size written by TagLib (0 = no cover).
struct Folder {
    QString path;
    QStringList files;
};

struct Setup {
    QTemporaryDir dir;
    std::map<int, Folder> folders; // by cover size in KiB
    TestDialogs::Log log;
    TestDialogs* dialogs = nullptr;
    std::unique_ptr<Tfm_main> window;
};
Setup* setup = nullptr;

int fileCount() {
    const int count = qEnvironmentVariableIntValue("VELMORA_BENCH_FILES");
    return count > 0 ? std::min(count, TrackTableCapacity) : TrackTableCapacity;
}

bool makeFirstFile(const QString& path) {
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
                            path});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
}

// JPEG-looking bytes: the start and end markers around noise, as a real
// picture's compressed data looks to a tag reader.
TagLib::ByteVector coverBytes(int kib) {
    std::mt19937 random(static_cast<unsigned>(kib));
    TagLib::ByteVector bytes(static_cast<unsigned>(kib) * 1024u, '\0');
    for (unsigned i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(random() & 0xFF);
    const unsigned char start[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00};
    for (unsigned i = 0; i < sizeof start; ++i)
        bytes[i] = static_cast<char>(start[i]);
    bytes[bytes.size() - 2] = static_cast<char>(0xFF);
    bytes[bytes.size() - 1] = static_cast<char>(0xD9);
    return bytes;
}

bool addCover(const QString& path, int kib) {
    TagLib::MPEG::File file(QFile::encodeName(path).constData(), false);
    auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
    frame->setMimeType("image/jpeg");
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    frame->setPicture(coverBytes(kib));
    file.ID3v2Tag(true)->addFrame(frame);
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3);
}

// How the files of a folder are made from the first: copies, as a library
// holds them, or hard links, when only memory is measured (the folder then
// costs the disk one file).
enum class Copies { Files, Links };

// The folder of files with covers of `kib` KiB, made on first use.
const Folder* folderOf(int kib, Copies copies = Copies::Files) {
    const int key = copies == Copies::Files ? kib : -kib - 1;
    if (auto it = setup->folders.find(key); it != setup->folders.end())
        return &it->second;
    Folder folder;
    folder.path = setup->dir.filePath(
        QString("cover%1%2")
            .arg(kib)
            .arg(copies == Copies::Files ? QString() : QStringLiteral("-links")));
    if (!QDir().mkpath(folder.path))
        return nullptr;
    const QString first = folder.path + "/track0000.mp3";
    if (!makeFirstFile(first) || (kib > 0 && !addCover(first, kib)))
        return nullptr;
    folder.files << first;
    for (int i = 1; i < fileCount(); ++i) {
        const QString path = folder.path + QString("/track%1.mp3").arg(i, 4, 10, QChar('0'));
        const bool made = copies == Copies::Files
                              ? QFile::copy(first, path)
                              : ::link(QFile::encodeName(first).constData(),
                                       QFile::encodeName(path).constData()) == 0;
        if (!made)
            return nullptr;
        folder.files << path;
    }
    return &setup->folders.emplace(key, std::move(folder)).first->second;
}

void addFolder(const Folder& folder) {
    setup->dialogs->folderAnswers.push_back(folder.path);
    setup->window->AddFolder();
    // Until the rows are laid out and painted.
    QCoreApplication::processEvents();
}

// Add Folder into an empty list, from the command to every row filled, the
// first row selected and shown in the fields, and the list painted.
void AddFolder(benchmark::State& state) {
    const Folder* folder = folderOf(static_cast<int>(state.range(0)));
    if (!folder)
        return state.SkipWithError("could not make the benchmark files");
    for (auto _ : state) {
        state.PauseTiming();
        setup->window->RunSkinCommand("clear");
        QCoreApplication::processEvents();
        state.ResumeTiming();
        addFolder(*folder);
    }
    if (setup->window->RowCount() != folder->files.size())
        state.SkipWithError("not every file was listed");
    state.counters["files"] = static_cast<double>(folder->files.size());
}

void TagLibReadAll(benchmark::State& state) {
    const Folder* folder = folderOf(static_cast<int>(state.range(0)));
    if (!folder)
        return state.SkipWithError("could not make the benchmark files");
    for (auto _ : state) {
        for (const QString& path : folder->files) {
            TagLib::FileRef file(QFile::encodeName(path).constData(), false);
            if (file.tag())
                benchmark::DoNotOptimize(file.tag()->title());
        }
    }
    state.counters["files"] = static_cast<double>(folder->files.size());
}

void WriteAll(benchmark::State& state) {
    const Folder* folder = folderOf(0);
    if (!folder)
        return state.SkipWithError("could not make the benchmark files");
    setup->window->RunSkinCommand("clear");
    addFolder(*folder);
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
    state.counters["files"] = static_cast<double>(folder->files.size());
}

void TagLibWriteAll(benchmark::State& state) {
    const Folder* folder = folderOf(0);
    if (!folder)
        return state.SkipWithError("could not make the benchmark files");
    int round = 0;
    for (auto _ : state) {
        const TagLib::String title =
            TagLib::String("Round ") + TagLib::String::number(round++ % 10);
        for (const QString& path : folder->files) {
            TagLib::MPEG::File file(QFile::encodeName(path).constData(), false);
            TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
            tag->setTitle(title);
            file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3);
        }
    }
    state.counters["files"] = static_cast<double>(folder->files.size());
}

// The probe's peak resident memory in KiB, as printed by a new process of
// this binary, or -1.
double probePeakKiB(const QString& folder) {
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(ProbeVariable, folder);
    probe.setProcessEnvironment(environment);
    probe.start(QCoreApplication::applicationFilePath(), {});
    if (!probe.waitForFinished(600000) || probe.exitCode() != 0)
        return -1;
    bool ok = false;
    const double kib = probe.readAllStandardOutput().trimmed().toDouble(&ok);
    return ok ? kib : -1;
}

// Peak resident memory (VmHWM) of a new process that starts the window and
// adds the folder, against one that starts the window and adds nothing. Not
// a speed: the time of this benchmark is that of the two processes.
void AddFolderPeakMemory(benchmark::State& state) {
    const Folder* folder = folderOf(static_cast<int>(state.range(0)), Copies::Links);
    if (!folder)
        return state.SkipWithError("could not make the benchmark files");
    double added = -1;
    double empty = -1;
    for (auto _ : state) {
        added = probePeakKiB(folder->path);
        empty = probePeakKiB("-");
    }
    if (added < 0 || empty < 0)
        return state.SkipWithError("the memory probe failed");
    state.counters["files"] = static_cast<double>(folder->files.size());
    state.counters["peak_MiB"] = added / 1024;
    state.counters["empty_window_MiB"] = empty / 1024;
}

} // namespace

// Cover sizes in KiB: none and 500 KiB.
BENCHMARK(AddFolder)
    ->Arg(0)
    ->Arg(500)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(TagLibReadAll)->Arg(0)->Arg(500)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(WriteAll)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(TagLibWriteAll)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(AddFolderPeakMemory)->Arg(2048)->Iterations(1)->Unit(benchmark::kMillisecond);

namespace {

long vmHighWaterKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long kib = -1;
            status >> kib;
            return kib;
        }
        status.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return -1;
}

// The memory probe: the window as a user starts it, the folder added through
// the folder dialog, then its peak resident memory printed in KiB.
int runProbe(int argc, char** argv, const QString& folder) {
    QApplication app(argc, argv);
    ResetModuleState();
    TestDialogs::Log log;
    Tfm_main window;
    auto dialogs = std::make_unique<TestDialogs>(log);
    TestDialogs* answers = dialogs.get();
    window.setDialogs(std::move(dialogs));
    window.show();
    QCoreApplication::processEvents();
    if (folder != "-") {
        answers->folderAnswers.push_back(folder);
        window.AddFolder();
        QCoreApplication::processEvents();
        if (window.RowCount() == 0)
            return 1;
    }
    printf("%ld\n", vmHighWaterKiB());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (const QString folder = qEnvironmentVariable(ProbeVariable); !folder.isEmpty())
        return runProbe(argc, argv, folder);
    QApplication app(argc, argv);
    Setup s;
    if (!s.dir.isValid()) {
        fprintf(stderr, "could not make the benchmark folder\n");
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
