// Playback speed through the real main window and audio components.
//
//   BM_PlayFileToFirstBlock/<output>/<format>
//                                     PlayFile from the call until it returns:
//                                     the file opened, the output prepared and
//                                     two blocks of 44100 frames decoded and
//                                     queued (so an upper bound for the first)
//   BM_CpuWhilePlaying/<output>       a whole file played through the window;
//                                     counter cpu_percent = CPU time of this
//                                     process over the time it played
//   BM_CpuWhilePlaying_ffplay         the same file played by ffplay -nodisp
//
// VELMORA_BENCH_AUDIO_SECONDS sets the length of the played file (default 10).
// The files are made by ffmpeg in a temporary folder and removed afterwards.
// The device runs use a private PulseAudio null sink, started and stopped by
// tests/audio/pulse-null-sink.sh; they are skipped when it cannot start.
#include "app/Tageditor.h"
#include "tests/audio/SampleAudio.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <ctime>
#include <sys/resource.h>

namespace {

const QString kScript = VELMORA_SOURCE_DIR "/tests/audio/pulse-null-sink.sh";

struct Format {
    const char* name;
    const char* codec;
    const char* extension;
};
const Format kFormats[] = {{"mp3", "libmp3lame", "mp3"},
                           {"ogg", "libvorbis", "ogg"},
                           {"wma", "wmav2", "wma"},
                           {"wav", "pcm_s16le", "wav"}};

QTemporaryDir* files = nullptr;
QTemporaryDir* pulseRuntime = nullptr;
bool pulseRunning = false;

double playSeconds() {
    bool ok = false;
    const double seconds = qEnvironmentVariable("VELMORA_BENCH_AUDIO_SECONDS").toDouble(&ok);
    return ok && seconds > 0 ? seconds : 10;
}

QString sample(const Format& format, double seconds) {
    velmora::test::ToneShape shape;
    shape.codec = format.codec;
    shape.extension = format.extension;
    shape.seconds = seconds;
    const QString name = QString("%1-%2").arg(format.name).arg(seconds);
    const QString path = files->filePath(name + "." + format.extension);
    if (QFile::exists(path))
        return path;
    return velmora::test::makeTone(files->path(), name, shape);
}

void runEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double childrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Answers nothing; a benchmark run shows no dialog.
class NoDialogs : public Dialogs {
public:
    QStringList getOpenFileNames(QWidget*, const QString&) override { return {}; }
    void runFolderDialog(Tfm_dir&) override {}
    void information(QWidget*, const QString&) override {}
    bool question(QWidget*, const QString&) override { return false; }
    void error(QWidget*, const QString& text) override { lastError = text; }
    void writeReport(QWidget*, const QString& summary, const QStringList&) override {
        lastError = summary;
    }
    CloseAnswer askWriteDiscardCancel(QWidget*, const QString&) override {
        return CloseAnswer::Discard;
    }
    void openUrl(const QString&) override {}
    QString lastError;
};

struct Window {
    explicit Window(bool device) {
        auto dialogs = std::make_unique<NoDialogs>();
        this->dialogs = dialogs.get();
        window.setDialogs(std::move(dialogs));
        if (!device)
            window.AudioPlayer21->SetOutput(TAudioPlayer2::Output::Silent);
    }
    Tfm_main window;
    NoDialogs* dialogs;
};

void BM_PlayFileToFirstBlock(benchmark::State& state, const Format& format, bool device) {
    if (device && !pulseRunning) {
        state.SkipWithError("no PulseAudio server");
        return;
    }
    const QString path = sample(format, 3);
    if (path.isEmpty()) {
        state.SkipWithError("ffmpeg could not make the file");
        return;
    }
    ResetModuleState();
    Window w(device);
    w.window.AppendRow("sample", path.toStdString());
    QElapsedTimer clock;
    qint64 firstBlockNs = -1;
    for (auto _ : state) {
        clock.start();
        w.window.PlayFile();
        firstBlockNs = clock.nsecsElapsed();
        state.SetIterationTime(double(firstBlockNs) / 1e9);
        w.window.StopPlay();
    }
    if (!w.dialogs->lastError.isEmpty())
        state.SkipWithError(w.dialogs->lastError.toStdString().c_str());
    ResetModuleState();
}

void BM_CpuWhilePlaying(benchmark::State& state, bool device) {
    if (device && !pulseRunning) {
        state.SkipWithError("no PulseAudio server");
        return;
    }
    const double seconds = playSeconds();
    const QString path = sample(kFormats[0], seconds);
    ResetModuleState();
    Window w(device);
    w.window.AppendRow("sample", path.toStdString());
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpuStart = processCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        w.window.PlayFile();
        while (PlayingFlag && clock.elapsed() < (seconds + 30) * 1000)
            runEventsFor(50);
        wall = double(clock.nsecsElapsed()) / 1e9;
        cpu = processCpuSeconds() - cpuStart;
        state.SetIterationTime(wall);
    }
    state.counters["cpu_percent"] = 100 * cpu / wall;
    state.counters["played_s"] = wall;
    ResetModuleState();
}

void BM_CpuWhilePlaying_ffplay(benchmark::State& state) {
    if (!pulseRunning) {
        state.SkipWithError("no PulseAudio server");
        return;
    }
    const QString path = sample(kFormats[0], playSeconds());
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpuStart = childrenCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        QProcess ffplay;
        ffplay.start("ffplay", {"-nodisp", "-autoexit", "-loglevel", "quiet", path});
        if (!ffplay.waitForFinished(int(playSeconds() + 30) * 1000) || ffplay.exitCode() != 0) {
            state.SkipWithError("ffplay failed");
            return;
        }
        wall = double(clock.nsecsElapsed()) / 1e9;
        cpu = childrenCpuSeconds() - cpuStart;
        state.SetIterationTime(wall);
    }
    state.counters["cpu_percent"] = 100 * cpu / wall;
    state.counters["played_s"] = wall;
}

void startPulse() {
    pulseRuntime = new QTemporaryDir;
    qputenv("XDG_RUNTIME_DIR", pulseRuntime->path().toLocal8Bit());
    qputenv("PULSE_SERVER", ("unix:" + pulseRuntime->path() + "/pulse/native").toLocal8Bit());
    QProcess start;
    start.start("sh", {kScript, "start", pulseRuntime->path(),
                       QString::number(QCoreApplication::applicationPid())});
    pulseRunning = start.waitForFinished(30000) && start.exitCode() == 0;
}

void stopPulse() {
    if (pulseRunning) {
        QProcess stop;
        stop.start("sh", {kScript, "stop", pulseRuntime->path()});
        stop.waitForFinished(10000);
    }
    delete pulseRuntime;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    startPulse(); // before Qt looks for the sound server
    QApplication app(argc, argv);
    files = new QTemporaryDir;
    for (const Format& format : kFormats) {
        benchmark::RegisterBenchmark(
            (std::string("BM_PlayFileToFirstBlock/silent/") + format.name).c_str(),
            [&format](benchmark::State& s) { BM_PlayFileToFirstBlock(s, format, false); })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark(
        "BM_PlayFileToFirstBlock/device/mp3",
        [](benchmark::State& s) { BM_PlayFileToFirstBlock(s, kFormats[0], true); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    for (bool device : {false, true}) {
        benchmark::RegisterBenchmark(
            device ? "BM_CpuWhilePlaying/device" : "BM_CpuWhilePlaying/silent",
            [device](benchmark::State& s) { BM_CpuWhilePlaying(s, device); })
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kSecond);
    }
    benchmark::RegisterBenchmark("BM_CpuWhilePlaying_ffplay", BM_CpuWhilePlaying_ffplay)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kSecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete files;
    stopPulse();
    return 0;
}
