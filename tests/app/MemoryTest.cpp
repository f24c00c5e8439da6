// The window's peak resident memory while Add Folder lists 1,001 MP3 files that
// each carry a 2 MiB front cover: below 64 MiB, so a read never holds covers.
// The files are hard links to one file ffmpeg made (a noise picture compresses
// badly and stays large), so the folder costs the disk one file. Alone in its
// binary: the peak is the whole process's.
#include "TestDialogs.h"
#include "WindowFixture.h"

#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <string>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_UNDER_SANITIZER 1
#endif
#endif

namespace {

// VmHWM or VmRSS of this process, in KiB; -1 when not known.
long statusKiB(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string name;
    while (status >> name) {
        if (name == key + ":") {
            long kib = -1;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 20, '\n');
    }
    return -1;
}

bool run(const QStringList& arguments) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", QStringList{"-nostdin", "-v", "error", "-y"} + arguments);
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0;
}

} // namespace

class MemoryTest : public QObject {
    Q_OBJECT
private slots:
    void addFolderOfLargeCoversStaysBelow64MiB();
};

void MemoryTest::addFolderOfLargeCoversStaysBelow64MiB() {
#ifdef VELMORA_UNDER_SANITIZER
    QSKIP("the sanitizers' shadow memory counts as resident");
#endif
    QTemporaryDir work;
    const QString cover = work.filePath("cover.jpg");
    const QString first = work.filePath("first.mp3");
    QVERIFY(run({"-f", "lavfi", "-i", "nullsrc=s=1800x1800,geq=random(1)*255:128:128", "-frames:v",
                 "1", "-q:v", "2", cover}));
    QVERIFY(QFile(cover).size() > 2 * 1024 * 1024);
    QVERIFY(run({"-f",
                 "lavfi",
                 "-i",
                 "sine=duration=1",
                 "-i",
                 cover,
                 "-map",
                 "0",
                 "-map",
                 "1",
                 "-c:a",
                 "libmp3lame",
                 "-c:v",
                 "copy",
                 "-id3v2_version",
                 "3",
                 "-disposition:v",
                 "attached_pic",
                 "-metadata",
                 "title=Memory",
                 "-metadata",
                 "artist=Velmora",
                 first}));
    const QString folder = work.filePath("library");
    QVERIFY(QDir().mkpath(folder));
    for (int i = 0; i < TrackTableCapacity; ++i) {
        const QString link = folder + QString("/track%1.mp3").arg(i, 4, 10, QChar('0'));
        QVERIFY(::link(QFile::encodeName(first).constData(), QFile::encodeName(link).constData()) ==
                0);
    }

    WindowFixture f;
    QCoreApplication::processEvents();
    const long before = statusKiB("VmRSS");
    f.dialogs->folderAnswers.push_back(folder);
    f.window->AddFolder();
    QCoreApplication::processEvents();
    QCOMPARE(f.window->RowCount(), TrackTableCapacity);
    QCOMPARE(f.window->edt_tatal->text(), QString("Memory"));
    const long peak = statusKiB("VmHWM");
    QVERIFY(peak > 0);
    qInfo("peak %ld KiB; %ld KiB with the window alone", peak, before);
    QVERIFY2(
        peak < 64 * 1024,
        qPrintable(QString("peak %1 KiB; %2 KiB with the window alone").arg(peak).arg(before)));
}

QTEST_MAIN(MemoryTest)
#include "MemoryTest.moc"
