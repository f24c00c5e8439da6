// Real output: a private PulseAudio server with a null sink stands in for the
// sound card; a 440 Hz file is decoded and played through the two audio
// components on the default output while parec records the sink's monitor.
// The recording must hold the tone at its frequency and level, for its whole
// length and without gaps, and the end of play must come once it was heard.
#include "components/audio/AudioFile2.h"
#include "components/audio/AudioPlayer2.h"
#include "tests/audio/SampleAudio.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

const QString kScript = VELMORA_SOURCE_DIR "/tests/audio/pulse-null-sink.sh";
constexpr int kRate = 44100;
constexpr double kSeconds = 1.0;
constexpr double kAmplitude = 0.25;

} // namespace

class RealOutputTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(runtime_.isValid() && files_.isValid());
        // Everything that talks to the server, this process included, finds
        // the private one through these.
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        qputenv("PULSE_SERVER", ("unix:" + runtime_.path() + "/pulse/native").toLocal8Bit());
        QProcess start;
        start.setProcessChannelMode(QProcess::MergedChannels);
        start.start("sh", {kScript, "start", runtime_.path(),
                           QString::number(QCoreApplication::applicationPid())});
        QVERIFY(start.waitForFinished(30000));
        const QString output = QString::fromLocal8Bit(start.readAll());
        if (start.exitCode() == 77)
            QSKIP(qPrintable("no PulseAudio server can be started here: " + output));
        QVERIFY2(start.exitCode() == 0, qPrintable("PulseAudio did not start: " + output));
        started_ = true;
    }

    void cleanupTestCase() { stopServer(); }

    void playsTheToneOnTheDefaultOutput() {
        velmora::test::ToneShape shape;
        // The monitor misses the first milliseconds after a stream starts
        // (the sink rewinds to mix it in), so the tone comes after a silence.
        shape.leadingSilence = 0.25;
        shape.seconds = shape.leadingSilence + kSeconds;
        shape.amplitude = kAmplitude;
        QString error;
        const QString tone = velmora::test::makeTone(files_.path(), "a440", shape, &error);
        QVERIFY2(!tone.isEmpty(), qPrintable(error));

        const QString recording = files_.filePath("monitor.raw");
        QProcess parec;
        parec.setStandardOutputFile(recording);
        parec.start("parec", {"--latency-msec=20", "--device=velmora_test.monitor",
                              "--format=s16le", "--rate=44100", "--channels=2", "--raw"});
        QVERIFY2(parec.waitForStarted(5000), qPrintable(parec.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(QFile(recording).size() > 0, 5000);

        TAudioFile2 file;
        TAudioPlayer2 player;
        int blocksRead = 0;
        const auto load = [&] {
            AudioBlock block = file.ReadBlock(kRate);
            blocksRead += !block.isEmpty();
            player.PlayArray(block);
        };
        qint64 recordedAtEnd = -1;
        QObject::connect(&player, &TAudioPlayer2::OnEndArrayPlay, load);
        QObject::connect(&player, &TAudioPlayer2::OnRequestOnLoadArray, load);
        QObject::connect(&player, &TAudioPlayer2::OnEndPlay,
                         [&] { recordedAtEnd = QFile(recording).size() / 4; });

        file.Open(tone, 0, 1);
        player.SetFormat(file.FormatValue2(), file.FormatValue1());
        player.Play();
        QVERIFY2(player.UsesDevice(), "the player did not reach the PulseAudio sink");
        load();
        load();
        QTRY_VERIFY_WITH_TIMEOUT(recordedAtEnd >= 0, 15000);
        QTest::qWait(300);
        ::kill(pid_t(parec.processId()), SIGINT);
        QVERIFY(parec.waitForFinished(5000));

        QFile raw(recording);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray audio = raw.readAll();
        for (int channel = 0; channel < 2; ++channel) {
            const auto samples = velmora::test::channelOf(audio, channel);
            const int threshold = 1000;
            const velmora::test::Stretch tone = velmora::test::loudStretch(samples, threshold);
            const QString where = QString("channel %1: tone from %2 to %3 of %4 frames")
                                      .arg(channel)
                                      .arg(tone.begin)
                                      .arg(tone.end)
                                      .arg(samples.size());
            // The whole tone, give or take the half periods below the threshold.
            QVERIFY2(std::abs(double(tone.length()) - kSeconds * kRate) < 0.005 * kRate,
                     qPrintable(where));
            // No gap: near a zero crossing a 440 Hz tone stays below the
            // threshold for a few samples only.
            std::size_t quiet = 0;
            std::size_t longestQuiet = 0;
            for (std::size_t i = tone.begin; i < tone.end; ++i) {
                quiet = std::abs(int(samples[i])) <= threshold ? quiet + 1 : 0;
                longestQuiet = std::max(longestQuiet, quiet);
            }
            QVERIFY2(longestQuiet < 20,
                     qPrintable(where + QString(", a gap of %1 samples").arg(longestQuiet)));
            const double frequency = velmora::test::toneFrequency(samples, tone, kRate);
            QVERIFY2(std::abs(frequency - 440) < 1, qPrintable(QString::number(frequency)));
            const velmora::test::Stretch middle{tone.begin + 2205, tone.end - 2205};
            const double expectedRms = kAmplitude * 32767 / std::sqrt(2.0);
            const double level = velmora::test::rms(samples, middle);
            QVERIFY2(std::abs(level - expectedRms) < 0.05 * expectedRms,
                     qPrintable(QString("rms %1, expected %2").arg(level).arg(expectedRms)));
            // The end of play came once the tone had been played out: by then
            // the monitor had recorded all of it, give or take its own delay (a
            // player that ended once the last block was handed over would end
            // with the device buffer, 750 ms, still to play).
            QVERIFY2(qint64(tone.end) <= recordedAtEnd + kRate * 3 / 10,
                     qPrintable(where + QString(", end of play at %1").arg(recordedAtEnd)));
        }
        QCOMPARE(blocksRead, 2); // 1.25 s: one full block and a part
    }

    // Runs last: it takes the server away in the middle of a file.
    void playsOnSilentlyWhenTheServerGoesAway() {
        velmora::test::ToneShape shape;
        shape.seconds = 2;
        const QString tone = velmora::test::makeTone(files_.path(), "long", shape);
        QVERIFY(!tone.isEmpty());
        TAudioFile2 file;
        TAudioPlayer2 player;
        const auto load = [&] {
            AudioBlock block = file.ReadBlock(kRate);
            player.PlayArray(block);
        };
        QObject::connect(&player, &TAudioPlayer2::OnEndArrayPlay, load);
        QObject::connect(&player, &TAudioPlayer2::OnRequestOnLoadArray, load);
        QSignalSpy ends(&player, &TAudioPlayer2::OnEndPlay);
        file.Open(tone, 0, 1);
        player.SetFormat(file.FormatValue2(), file.FormatValue1());
        player.Play();
        load();
        load();
        QVERIFY(player.UsesDevice());
        QTest::qWait(500);
        stopServer();
        QTRY_VERIFY_WITH_TIMEOUT(!player.UsesDevice(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(ends.size(), 1, 10000);
    }

private:
    void stopServer() {
        if (!started_)
            return;
        QProcess stop;
        stop.start("sh", {kScript, "stop", runtime_.path()});
        stop.waitForFinished(10000);
        started_ = false;
    }

    QTemporaryDir runtime_;
    QTemporaryDir files_;
    bool started_ = false;
};

QTEST_GUILESS_MAIN(RealOutputTest)
#include "RealOutputTest.moc"
