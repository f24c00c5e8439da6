// The cover panel driven by its buttons on files other programs made: ffmpeg
// encodes and draws the images, mid3v2 and vorbiscomment tag, mutagen adds
// pictures; TagLib reads the written pictures back.
#include "app/CoverPanel.h"
#include "app/UndoRedo.h"
#include "tests/cli/SampleFiles.h"
#include "tests/common/TestFiles.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <optional>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

using velmora::core::FileList;
using velmora::core::RowId;
using velmora::test::TempDir;
namespace test = velmora::test;

namespace {

struct StoredPicture {
    int type = 0;
    std::string data;
    bool operator==(const StoredPicture&) const = default;
};

// The pictures TagLib reads from an MP3 or FLAC file, in file order.
std::vector<StoredPicture> picturesOf(const std::string& path) {
    std::vector<StoredPicture> pictures;
    if (path.ends_with(".mp3")) {
        TagLib::MPEG::File file(path.c_str());
        if (auto* tag = file.ID3v2Tag())
            for (auto* frame : tag->frameListMap()["APIC"])
                if (auto* apic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame))
                    pictures.push_back({int(apic->type()), std::string(apic->picture().data(),
                                                                       apic->picture().size())});
    } else {
        TagLib::FLAC::File file(path.c_str());
        for (auto* picture : file.pictureList())
            pictures.push_back({int(picture->type()),
                                std::string(picture->data().data(), picture->data().size())});
    }
    return pictures;
}

} // namespace

class CoverPanelTest : public QObject {
    Q_OBJECT

private:
    std::optional<velmora::core::FormatLibraries> libraries_;
    std::optional<TempDir> samples_;

    std::string sample(const std::string& name) const { return samples_->file(name); }
    std::string bytesOf(const std::string& name) const { return test::readFile(sample(name)); }

    // A copy of a sample audio file with mutagen's pictures added, in order
    // (each "TYPE IMAGE").
    std::string audio(const TempDir& dir, const std::string& sampleName, const std::string& name,
                      const std::vector<std::pair<int, std::string>>& pictures = {}) {
        const std::string path = dir.file(name);
        test::writeFile(path, bytesOf(sampleName));
        for (const auto& [type, image] : pictures) {
            std::string output;
            const std::string mime = image.ends_with(".png") ? "image/png" : "image/jpeg";
            const int status =
                test::run("/usr/bin/python3 " +
                              test::shellQuote(std::string(VELMORA_SOURCE_DIR) +
                                               "/tests/covers/pictures.py") +
                              " add " + test::shellQuote(path) + " " + std::to_string(type) + " " +
                              mime + " picture " + test::shellQuote(sample(image)),
                          output);
            if (status != 0)
                qFatal("pictures.py failed on %s", path.c_str());
        }
        return path;
    }

private slots:
    void initTestCase() {
        libraries_.emplace();
        samples_.emplace();
        QVERIFY2(test::makeSampleFiles(samples_->path()), "ffmpeg, mid3v2 or vorbiscomment");
        std::string output;
        QCOMPARE(test::run("ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=d=0.3 "
                           "-metadata 'title=Sample Title' -metadata 'artist=Sample Artist' " +
                               test::shellQuote(sample("tagged.flac")),
                           output),
                 0);
        for (const char* image : {"red.png color=red:s=64x48", "blue.jpg color=blue:s=32x40",
                                  "green.gif color=green:s=16x16", "wide.jpg testsrc=s=1200x600"}) {
            const QStringList parts = QString(image).split(' ');
            QCOMPARE(test::run("ffmpeg -nostdin -loglevel error -y -f lavfi -i " +
                                   parts[1].toStdString() + " -frames:v 1 " +
                                   test::shellQuote(sample(parts[0].toStdString())),
                               output),
                     0);
        }
        // A PNG of more than 16 MiB: a real image with data after its end.
        test::writeFile(sample("huge.png"),
                        bytesOf("red.png") +
                            std::string((16u << 20) + 1 - bytesOf("red.png").size() + 1, '\0'));
        test::writeFile(sample("notes.png"), "not an image\n");
    }

    void showsOneCoverOrSaysThereAreSeveral_data() {
        // Each file: the sample's extension, then its pictures in order ("TYPE:IMAGE").
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("canRemove");
        QTest::addColumn<bool>("canSet");
        const QString red = QString("64\u00D748 px, %1 bytes").arg(bytesOf("red.png").size());
        const QString blue = QString("32\u00D740 px, %1 bytes").arg(bytesOf("blue.jpg").size());
        const QString several = "(several covers)";
        QTest::newRow("front after a back cover")
            << QStringList{"mp3 4:blue.jpg 3:red.png"} << red << true << true;
        QTest::newRow("only a back cover") << QStringList{"mp3 4:blue.jpg"} << blue << true << true;
        QTest::newRow("FLAC") << QStringList{"flac 3:red.png"} << red << true << true;
        QTest::newRow("larger than the panel")
            << QStringList{"mp3 3:wide.jpg"}
            << QString("1200\u00D7600 px, %1 bytes").arg(bytesOf("wide.jpg").size()) << true
            << true;
        QTest::newRow("no picture") << QStringList{"mp3"} << QString() << false << true;
        QTest::newRow("no covers in WAV") << QStringList{"wav"} << QString() << false << false;
        QTest::newRow("same cover, and a WAV")
            << QStringList{"mp3 3:red.png", "flac 3:red.png", "wav"} << red << true << true;
        QTest::newRow("other cover")
            << QStringList{"mp3 3:red.png", "flac 3:blue.jpg"} << several << true << true;
        QTest::newRow("one without")
            << QStringList{"mp3 3:red.png", "flac"} << several << true << true;
    }
    void showsOneCoverOrSaysThereAreSeveral() {
        QFETCH(QStringList, files);
        QFETCH(QString, caption);
        QFETCH(bool, canRemove);
        QFETCH(bool, canSet);
        TempDir dir;
        FileList list;
        std::vector<RowId> ids;
        for (const QString& file : files) {
            QStringList parts = file.split(' ');
            const std::string ext = parts.takeFirst().toStdString();
            std::vector<std::pair<int, std::string>> pictures;
            for (const QString& picture : parts)
                pictures.push_back(
                    {picture.section(':', 0, 0).toInt(), picture.section(':', 1).toStdString()});
            const std::string name = std::to_string(ids.size()) + "." + ext;
            ids.push_back(
                list.add(audio(dir, ext == "wav" ? "plain.wav" : "tagged." + ext, name, pictures)));
        }
        CoverPanel panel(list);
        panel.show();
        panel.showRows(ids);
        QCOMPARE(panel.caption(), caption);
        QCOMPARE(panel.showsPicture(), !caption.isEmpty() && caption != "(several covers)");
        QCOMPARE(panel.removeButton()->isEnabled(), canRemove);
        QCOMPARE(panel.setButton()->isEnabled(), canSet);
    }

    void setWritesTheFrontCoverAndRemoveTakesOnlyIt() {
        TempDir dir;
        const std::string mp3 = audio(dir, "tagged.mp3", "a.mp3", {{4, "blue.jpg"}});
        const std::string flac =
            audio(dir, "tagged.flac", "b.flac", {{3, "blue.jpg"}, {4, "blue.jpg"}});
        const StoredPicture back{4, bytesOf("blue.jpg")};
        const StoredPicture red{3, bytesOf("red.png")};
        FileList list;
        const auto ids = list.add({mp3, flac});
        CoverPanel panel(list);
        panel.setChooser([&] { return QString::fromStdString(sample("red.png")); });
        panel.show();
        panel.showRows(ids);
        QCOMPARE(panel.caption(), QString("(several covers)"));
        QSignalSpy changed(&panel, &CoverPanel::coverChanged);

        QTest::mouseClick(panel.setButton(), Qt::LeftButton);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(panel.caption(), QString("64\u00D748 px, %1 bytes").arg(red.data.size()));
        QVERIFY(list.find(ids[0])->hasPendingChanges());
        QCOMPARE(picturesOf(mp3), std::vector<StoredPicture>{back}); // nothing written yet
        for (const auto& result : list.writeAll())
            QVERIFY2(result.reason.empty(), result.reason.c_str());
        QCOMPARE(picturesOf(mp3), (std::vector<StoredPicture>{back, red}));
        QCOMPARE(picturesOf(flac), (std::vector<StoredPicture>{red, back}));

        QTest::mouseClick(panel.removeButton(), Qt::LeftButton);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(panel.caption(), QString());
        for (const auto& result : list.writeAll())
            QVERIFY2(result.reason.empty(), result.reason.c_str());
        QCOMPARE(picturesOf(mp3), std::vector<StoredPicture>{back});
        QCOMPARE(picturesOf(flac), std::vector<StoredPicture>{back});
    }

    void theUndoKeysTakeBackACoverChangeAndApplyToAll() {
        TempDir dir;
        const std::vector<std::string> paths{
            audio(dir, "tagged.mp3", "a.mp3", {{3, "blue.jpg"}}),
            audio(dir, "tagged.flac", "b.flac", {{3, "blue.jpg"}})};
        FileList list;
        const auto rows = list.add(paths);
        QWidget window;
        auto* panel = new CoverPanel(list, &window);
        UndoRedo history(list, &window);
        connect(&history, &UndoRedo::rowsChanged, panel, &CoverPanel::refresh);
        panel->setChooser([&] { return QString::fromStdString(sample("red.png")); });
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        panel->showRows(rows);
        const QString blue = panel->caption();

        list.setFieldInAll(velmora::Field::Artist, "Everyone");
        QTest::mouseClick(panel->setButton(), Qt::LeftButton);
        const QString red = panel->caption();
        QVERIFY(red != blue);
        const auto press = [&](Qt::KeyboardModifiers modifiers) {
            QTest::keyClick(panel->setButton(), Qt::Key_Z, modifiers);
        };
        press(Qt::ControlModifier);
        QCOMPARE(panel->caption(), blue);
        QCOMPARE(list.find(rows[1])->current[velmora::Field::Artist], std::string("Everyone"));
        press(Qt::ControlModifier);
        QCOMPARE(list.pendingCount(), std::size_t{0});
        press(Qt::ControlModifier | Qt::ShiftModifier);
        press(Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(panel->caption(), red);
        for (const auto& result : list.writeAll())
            QVERIFY2(result.reason.empty(), result.reason.c_str());
        QCOMPARE(picturesOf(paths[1]), (std::vector<StoredPicture>{{3, bytesOf("red.png")}}));
    }

    void aFileThatIsNoCoverIsRefusedWithTheReason_data() {
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("reason");
        QTest::newRow("GIF") << "green.gif"
                             << "JPEG";
        QTest::newRow("larger than 16 MiB") << "huge.png"
                                            << "16 MiB";
        QTest::newRow("text named .png") << "notes.png"
                                         << "JPEG";
        QTest::newRow("missing") << "gone.jpg"
                                 << "gone.jpg";
    }
    void aFileThatIsNoCoverIsRefusedWithTheReason() {
        QFETCH(QString, image);
        QFETCH(QString, reason);
        TempDir dir;
        FileList list;
        const std::vector<RowId> ids{
            list.add(audio(dir, "tagged.mp3", "a.mp3", {{3, "blue.jpg"}}))};
        CoverPanel panel(list);
        const QString chosen = QString::fromStdString(sample(image.toStdString()));
        panel.setChooser([&] { return chosen; });
        panel.show();
        panel.showRows(ids);
        const QString before = panel.caption();
        QSignalSpy refused(&panel, &CoverPanel::refused);
        QSignalSpy changed(&panel, &CoverPanel::coverChanged);

        QTest::mouseClick(panel.setButton(), Qt::LeftButton);
        QCOMPARE(refused.size(), 1);
        QCOMPARE(changed.size(), 0);
        QVERIFY2(panel.refusal().contains(image) && panel.refusal().contains(reason),
                 qPrintable(panel.refusal()));
        QCOMPARE(panel.caption(), before);
        QVERIFY(!list.find(ids[0])->hasPendingChanges());
    }
};

QTEST_MAIN(CoverPanelTest)
#include "CoverPanelTest.moc"
