// Decoding through TAudioFile2: files of each format made by ffmpeg come out as
// the expected number of S16 stereo 44100 frames, carrying the same tone;
// files that cannot be played raise an error naming the file and the reason;
// the cases the program leaves to the component stay harmless.
#include "components/audio/AudioFile2.h"
#include "tests/audio/SampleAudio.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using velmora::test::ToneShape;

namespace {

constexpr int kBlock = 44100;
constexpr int kBytesPerFrame = 4;

struct Decoded {
    QByteArray audio;
    QList<qsizetype> blockSizes;
};

Decoded decodeAll(TAudioFile2& file) {
    Decoded out;
    for (int guard = 0; guard < 1000; ++guard) {
        const AudioBlock block = file.ReadBlock(kBlock);
        if (block.isEmpty())
            break;
        out.blockSizes << block.size();
        out.audio += block;
    }
    return out;
}

} // namespace

class AudioFileTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void decodesEachFormatToTheExpectedFrames_data() {
        QTest::addColumn<QString>("codec");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("tolerance"); // frames

        // WAV, and MP3 with its encoder-delay header, and Ogg with its granule
        // positions, come out sample exact; WMA pads its last frame; a
        // converted rate may differ by the converter's rounding.
        QTest::newRow("wav") << "pcm_s16le"
                             << "wav" << 44100 << 2 << 0;
        QTest::newRow("wav 22050 mono") << "pcm_s16le"
                                        << "wav" << 22050 << 1 << 2;
        QTest::newRow("wav 48000 stereo") << "pcm_s16le"
                                          << "wav" << 48000 << 2 << 2;
        QTest::newRow("wav 8-bit mono") << "pcm_u8"
                                        << "wav" << 44100 << 1 << 0;
        QTest::newRow("wav 5.1 48000") << "pcm_s16le"
                                       << "wav" << 48000 << 6 << 2;
        QTest::newRow("mp3") << "libmp3lame"
                             << "mp3" << 44100 << 2 << 0;
        QTest::newRow("mp3 22050 mono") << "libmp3lame"
                                        << "mp3" << 22050 << 1 << 2;
        QTest::newRow("ogg") << "libvorbis"
                             << "ogg" << 44100 << 2 << 0;
        QTest::newRow("ogg 48000 mono") << "libvorbis"
                                        << "ogg" << 48000 << 1 << 2;
        QTest::newRow("wma") << "wmav2"
                             << "wma" << 44100 << 2 << 4096;
        QTest::newRow("wma 22050 mono") << "wmav2"
                                        << "wma" << 22050 << 1 << 4096;
    }

    void decodesEachFormatToTheExpectedFrames() {
        QFETCH(QString, codec);
        QFETCH(QString, extension);
        QFETCH(int, sampleRate);
        QFETCH(int, channels);
        QFETCH(int, tolerance);
        ToneShape shape;
        shape.codec = codec;
        shape.extension = extension;
        shape.sampleRate = sampleRate;
        shape.channels = channels;
        shape.seconds = 1.5;
        QString error;
        const QString path =
            velmora::test::makeTone(dir_.path(), QTest::currentDataTag(), shape, &error);
        QVERIFY2(!path.isEmpty(), qPrintable(error));

        TAudioFile2 file;
        file.SetOption(-1);
        file.Open(path, 0, 1);
        QVERIFY(file.IsOpen());
        QCOMPARE(file.FormatValue1(), 44100);
        QCOMPARE(file.FormatValue2(), 2);
        const qint64 expected = 66150; // 1.5 s at 44100
        // The length the file tells before decoding (an MP3's header counts
        // the encoder's delay and padding too), exact once decoded.
        QVERIFY2(std::abs(file.Length() - expected) <= tolerance + 4410,
                 qPrintable(QString("told %1 frames").arg(file.Length())));
        QCOMPARE(file.Position(), 0);
        const Decoded decoded = decodeAll(file);

        const qint64 frames = decoded.audio.size() / kBytesPerFrame;
        QVERIFY2(std::abs(frames - expected) <= tolerance,
                 qPrintable(QString("%1 frames, expected %2").arg(frames).arg(expected)));
        QCOMPARE(file.Position(), frames);
        QCOMPARE(file.Length(), frames);
        // Every block but the last is full; none is empty.
        for (int i = 0; i + 1 < decoded.blockSizes.size(); ++i)
            QCOMPARE(decoded.blockSizes[i], qsizetype(kBlock * kBytesPerFrame));
        QVERIFY(decoded.blockSizes.last() > 0);
        // Reading on past the end stays harmless and empty.
        QVERIFY(file.ReadBlock(kBlock).isEmpty());
        QVERIFY(file.ReadBlock(kBlock).isEmpty());
        QVERIFY(file.IsOpen());

        // The same tone on both channels, at the level it was made with
        // (a mono file plays on both channels, not 3 dB down; lossy codecs at
        // low rates lose a few per cent).
        for (int channel = 0; channel < 2; ++channel) {
            const auto samples = velmora::test::channelOf(decoded.audio, channel);
            const velmora::test::Stretch middle{samples.size() / 4, samples.size() * 3 / 4};
            QVERIFY(std::abs(velmora::test::toneFrequency(samples, middle, 44100) - 440) < 1.0);
            const double expectedRms = 0.25 * 32767 / std::sqrt(2.0);
            const double level = velmora::test::rms(samples, middle);
            QVERIFY2(std::abs(level - expectedRms) < expectedRms * 0.1,
                     qPrintable(QString("rms %1, expected %2").arg(level).arg(expectedRms)));
        }
        file.Close();
        QVERIFY(!file.IsOpen());
        QVERIFY(file.ReadBlock(kBlock).isEmpty());
    }

    void refusesFilesItCannotPlay_data() {
        QTest::addColumn<QString>("name");
        // The file's bytes; none: the path does not exist; "<dir>": a folder;
        // "<fifo>": a named pipe (which must not block the open).
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");

        QTest::newRow("missing") << "missing.mp3" << QByteArray() << "No such file or directory";
        QTest::newRow("empty") << "empty.ogg" << QByteArray("") << "";
        QTest::newRow("text") << "notes.mp3" << QByteArray("just some words, no audio\n") << "";
        QTest::newRow("random") << "noise.wma" << QByteArray(4000, '\x5a') << "";
        QTest::newRow("ogg header only") << "cut.ogg" << QByteArray("OggS\0\x02", 6) << "";
        QTest::newRow("picture")
            << "cover.mp3"
            << QByteArray::fromHex(
                   "89504e470d0a1a0a0000000d4948445200000002000000020802000000fdd49a"
                   "7300000009704859730000000100000001004f25c4d60000001049444154789c"
                   "63f8cbc000440c100a001fae03f5f6182a590000000049454e44ae426082")
            << "the file holds no audio";
        QTest::newRow("folder") << "folder.mp3" << QByteArray("<dir>") << "not a regular file";
        QTest::newRow("named pipe") << "pipe.ogg" << QByteArray("<fifo>") << "not a regular file";
    }

    void refusesFilesItCannotPlay() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const QString path = dir_.filePath(name);
        if (content == "<dir>") {
            QVERIFY(QDir(dir_.path()).mkdir(name));
        } else if (content == "<fifo>") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (!content.isNull()) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }
        TAudioFile2 file;
        try {
            file.Open(path, 0, 1);
            QFAIL("Open accepted a file that cannot be played");
        } catch (const AudioError& error) {
            const QString message = QString::fromStdString(error.what());
            const QString prefix = "Cannot play \"" + path + "\": ";
            QVERIFY2(message.startsWith(prefix), qPrintable(message));
            QVERIFY2(message.size() > prefix.size() + 3, qPrintable(message));
            if (!reason.isEmpty())
                QVERIFY2(message.contains(reason), qPrintable(message));
        }
        QVERIFY(!file.IsOpen());
        QVERIFY(file.ReadBlock(kBlock).isEmpty());
    }

    void hugePacketsAreConvertedAsNeeded() {
        // One 2 MB packet of 1000 Hz audio is 176 MB once converted: reading
        // a block must not convert (and hold) all of it at once.
        ToneShape shape;
        shape.extension = "mka";
        shape.sampleRate = 1000;
        shape.channels = 1;
        shape.frequency = 100;
        shape.seconds = 1000;
        shape.samplesPerPacket = 1000000;
        const QString path = velmora::test::makeTone(dir_.path(), "huge-packet", shape);
        QVERIFY(!path.isEmpty());
        const auto peakKb = [] {
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            return usage.ru_maxrss;
        };
        const long before = peakKb();
        TAudioFile2 file;
        file.Open(path, 0, 1);
        QCOMPARE(file.ReadBlock(kBlock).size(), qsizetype(kBlock * kBytesPerFrame));
        QVERIFY2(peakKb() - before < 64 * 1024, qPrintable(QString::number(peakKb() - before)));
    }

    void opensByTheFileSystemsBytes() {
        // A name that is not UTF-8 opens by its bytes; a named pipe under
        // such a name is refused without blocking; a zero byte cannot cut a
        // name down to another file's.
        const QString made = velmora::test::makeTone(dir_.path(), "bytes", ToneShape{});
        QVERIFY(!made.isEmpty());
        const std::string folder = QFile::encodeName(dir_.path()).toStdString();
        const std::string latin1 = folder + "/t\xe9ne.wav";
        const std::string pipe = folder + "/p\xe9pe.ogg";
        QCOMPARE(::rename(QFile::encodeName(made).constData(), latin1.c_str()), 0);
        QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
        TAudioFile2 file;
        file.Open(latin1, 0, 1);
        QCOMPARE(decodeAll(file).audio.size() / kBytesPerFrame, 66150);
        const std::pair<std::string, QString> refused[] = {
            {pipe, "/p\uFFFDpe.ogg\": not a regular file"},
            {latin1 + std::string("\0.mp3", 5), "/t\uFFFDne.wav?.mp3\": not a valid file name"}};
        for (const auto& [bad, reason] : refused) {
            QVERIFY_THROWS_EXCEPTION(AudioError, file.Open(bad, 0, 1));
            try {
                file.Open(bad, 0, 1);
            } catch (const AudioError& error) {
                QCOMPARE(QString::fromUtf8(error.what()), "Cannot play \"" + dir_.path() + reason);
            }
            QVERIFY(!file.IsOpen());
        }
        // Removed here: the temporary folder cannot name them as text.
        ::unlink(latin1.c_str());
        ::unlink(pipe.c_str());
    }

    void failedOpenClosesThePreviousFile() {
        const QString good = velmora::test::makeTone(dir_.path(), "good", ToneShape{});
        QVERIFY(!good.isEmpty());
        TAudioFile2 file;
        file.Open(good, 0, 1);
        QVERIFY(file.IsOpen());
        QVERIFY_THROWS_EXCEPTION(AudioError, file.Open(dir_.filePath("absent.wav"), 0, 1));
        QVERIFY(!file.IsOpen());
        QVERIFY(file.ReadBlock(kBlock).isEmpty());
    }

    void harmlessWithoutAFile() {
        TAudioFile2 file;
        QVERIFY(!file.IsOpen());
        QVERIFY(file.ReadBlock(kBlock).isEmpty());
        file.Close();
        file.Close();
        QVERIFY(!file.IsOpen());
        QVERIFY(file.ReadBlock(0).isEmpty());
    }

    void seeksToTheFrameAsked_data() {
        QTest::addColumn<QString>("codec");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<int>("tolerance"); // frames
        QTest::newRow("wav") << "pcm_s16le"
                             << "wav" << 44100 << 2;
        QTest::newRow("wav 22050") << "pcm_s16le"
                                   << "wav" << 22050 << 4;
        QTest::newRow("mp3") << "libmp3lame"
                             << "mp3" << 44100 << 1200;
        QTest::newRow("ogg") << "libvorbis"
                             << "ogg" << 44100 << 600;
        QTest::newRow("wma") << "wmav2"
                             << "wma" << 44100 << 4096;
    }

    // Four seconds, silent for the first two: after a seek, the tone starts
    // where the file's own time says, and the rest of the file follows.
    void seeksToTheFrameAsked() {
        QFETCH(QString, codec);
        QFETCH(QString, extension);
        QFETCH(int, sampleRate);
        QFETCH(int, tolerance);
        ToneShape shape;
        shape.codec = codec;
        shape.extension = extension;
        shape.sampleRate = sampleRate;
        shape.seconds = 4;
        shape.leadingSilence = 2;
        const QString path =
            velmora::test::makeTone(dir_.path(), QString("seek-") + QTest::currentDataTag(), shape);
        QVERIFY(!path.isEmpty());
        TAudioFile2 file;
        file.Open(path, 0, 1);
        // Where the tone starts when the file is decoded from its start.
        const QByteArray whole = decodeAll(file).audio;
        const qint64 length = file.Length();
        QCOMPARE(length, qint64(whole.size() / kBytesPerFrame));
        const auto reference = velmora::test::loudStretch(velmora::test::channelOf(whole, 0), 2000);
        const qint64 tone = qint64(reference.begin);
        QVERIFY(std::abs(tone - 88200) <= tolerance + 8);

        // Each seek follows the reads of the one before, forwards and back.
        for (const qint64 target :
             {qint64(44100), qint64(132300), qint64(22050), tone - 4410, qint64(0), qint64(-5)}) {
            file.Seek(target);
            const qint64 at = file.Position();
            QVERIFY2(std::abs(at - std::max<qint64>(target, 0)) <= tolerance,
                     qPrintable(QString("%1 for %2").arg(at).arg(target)));
            const QByteArray rest = decodeAll(file).audio;
            const qint64 frames = rest.size() / kBytesPerFrame;
            const auto loud = velmora::test::loudStretch(velmora::test::channelOf(rest, 0), 2000);
            const QString where =
                QString("from %1: tone at %2, %3 frames left").arg(at).arg(loud.begin).arg(frames);
            // The audio after the seek is the file's own from the position
            // told: the tone starts where it should and sounds right away
            // (within its first quarter wave) when the seek lands in it.
            const qint64 expectedTone = std::max<qint64>(tone - at, 0);
            QVERIFY2(std::abs(qint64(loud.begin) - expectedTone) <= tolerance + 30,
                     qPrintable(where));
            QVERIFY2(std::abs(frames - (length - at)) <= tolerance, qPrintable(where));
            QCOMPARE(file.Position(), at + frames);
        }
        // At or past the end: the next block is the end's empty one.
        for (const qint64 target : {file.Length(), file.Length() + 44100}) {
            file.Seek(target);
            QCOMPARE(file.Position(), file.Length());
            QVERIFY(file.ReadBlock(kBlock).isEmpty());
        }
        file.Seek(0);
        QCOMPARE(file.Length(), length);
        QCOMPARE(decodeAll(file).audio, whole);
        file.Close();
        file.Seek(1000); // harmless without a file
        QCOMPARE(file.Position(), 0);
        QCOMPARE(file.Length(), 0);
    }

    void oddBlockSizesAddUpToTheWholeFile() {
        const QString path = velmora::test::makeTone(dir_.path(), "odd", ToneShape{});
        QVERIFY(!path.isEmpty());
        TAudioFile2 file;
        file.Open(path, 0, 1);
        QVERIFY(file.ReadBlock(0).isEmpty());
        QVERIFY(file.ReadBlock(-7).isEmpty());
        qint64 frames = 0;
        for (int size : {1, 1000, 44100, 3, 100000}) {
            const AudioBlock block = file.ReadBlock(size);
            QVERIFY(block.size() <= qsizetype(size) * kBytesPerFrame);
            frames += block.size() / kBytesPerFrame;
        }
        frames += decodeAll(file).audio.size() / kBytesPerFrame;
        QCOMPARE(frames, qint64(66150));
    }

    void damagedFilesDecodeWhatIsLeft_data() {
        QTest::addColumn<QString>("codec");
        QTest::addColumn<QString>("extension");
        QTest::newRow("mp3") << "libmp3lame"
                             << "mp3";
        QTest::newRow("ogg") << "libvorbis"
                             << "ogg";
        QTest::newRow("wma") << "wmav2"
                             << "wma";
    }

    void damagedFilesDecodeWhatIsLeft() {
        QFETCH(QString, codec);
        QFETCH(QString, extension);
        ToneShape shape;
        shape.codec = codec;
        shape.extension = extension;
        shape.seconds = 4; // long enough that the damage misses the headers
        const QString path = velmora::test::makeTone(
            dir_.path(), QString("damaged-") + QTest::currentDataTag(), shape);
        QVERIFY(!path.isEmpty());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const qint64 size = f.size();
        // Scribble over a stretch in the middle, then cut the last quarter off.
        f.seek(size / 2);
        f.write(QByteArray(int(size / 10), '\xff'));
        QVERIFY(f.resize(size * 3 / 4));
        f.close();

        TAudioFile2 file;
        file.Open(path, 0, 1);
        const qint64 frames = decodeAll(file).audio.size() / kBytesPerFrame;
        QVERIFY2(frames > 176400 / 4 && frames <= 176400 + 4096,
                 qPrintable(QString::number(frames)));
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(AudioFileTest)
#include "AudioFileTest.moc"
