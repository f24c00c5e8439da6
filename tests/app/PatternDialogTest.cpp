// The pattern dialog driven as a person does: the pattern typed into its
// field, the preview read, Fill or Rename clicked; on copies of files that
// ffmpeg encoded and mid3v2 and vorbiscomment tagged, read back by mutagen.
#include "app/PatternDialog.h"
#include "core/PathParts.h"
#include "tests/cli/SampleFiles.h"
#include "tests/common/TestFiles.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <optional>

using velmora::Field;
using velmora::TagValues;
using velmora::core::FileList;
using velmora::core::RowId;
using velmora::test::TempDir;

Q_DECLARE_METATYPE(PatternDialog::RowIds)

class PatternDialogTest : public QObject {
    Q_OBJECT

private:
    std::optional<velmora::core::FormatLibraries> libraries_;
    std::optional<TempDir> samples_;

    // Copies a sample to a fresh folder under the given name.
    std::string copy(const TempDir& dir, const std::string& sample, const std::string& name) {
        const std::string path = dir.file(name);
        velmora::test::writeFile(path, velmora::test::readFile(samples_->file(sample)));
        return path;
    }

    static void typePattern(PatternDialog& dialog, const QString& pattern) {
        QLineEdit* field = dialog.patternField();
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, pattern);
    }

private slots:
    void initTestCase() {
        libraries_.emplace();
        samples_.emplace();
        QVERIFY2(velmora::test::makeSampleFiles(samples_->path()),
                 "ffmpeg, mid3v2 or vorbiscomment");
    }

    void fillPreviewsEachNameAndFillsAsOneStep_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("preview"); // track, artist, title; or the problem
        QTest::newRow("spaces, the last field takes the rest")
            << "01 - AC - DC - Song.mp3" << QStringList{"01", "AC", "DC - Song"};
        QTest::newRow("non-ASCII")
            << "07 - Björk - Jóga (Live) ☂.ogg" << QStringList{"07", "Björk", "Jóga (Live) ☂"};
        QTest::newRow("track with total") << "4of - x.mp3" << QStringList{"problem"};
        QTest::newRow("no match") << "Intro.mp3" << QStringList{"problem"};
        QTest::newRow("empty field") << "02 -  - Title.ogg" << QStringList{"problem"};
    }
    void fillPreviewsEachNameAndFillsAsOneStep() {
        QFETCH(QString, name);
        QFETCH(QStringList, preview);
        TempDir dir;
        const std::string fileName = name.toStdString();
        const std::string sample = "tagged" + std::string(velmora::core::extensionOf(fileName));
        const std::string path = copy(dir, sample, fileName);
        // A second file that always matches, so the fill has work to do.
        const std::string other = copy(dir, "tagged.mp3", "09 - Other Artist - Other Title.mp3");
        const auto before = velmora::test::tagDump(path);

        FileList list;
        const std::vector<RowId> ids = list.add({path, other});
        PatternDialog dialog(list, ids, {}, PatternDialog::Mode::Fill);
        dialog.show();
        typePattern(dialog, "%track% - %artist% - %title%");

        const bool matches = preview.size() == 3;
        QCOMPARE(dialog.previewRowHasProblem(0), !matches);
        QCOMPARE(dialog.previewText(0, 0), name);
        if (matches) {
            for (int column = 0; column < 3; ++column)
                QCOMPARE(dialog.previewText(0, column + 1), preview[column]);
        } else {
            QVERIFY2(dialog.previewText(0, 1).startsWith("The name does not match the pattern"),
                     qPrintable(dialog.previewText(0, 1)));
        }
        QCOMPARE(dialog.statusText(),
                 QString("%1 of 2 files match the pattern.").arg(matches ? 2 : 1));

        QSignalSpy filled(&dialog, &PatternDialog::rowsFilled);
        QTest::mouseClick(dialog.applyButton(), Qt::LeftButton);
        QCOMPARE(filled.size(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const TagValues& values = list.find(ids[0])->current;
        if (matches) {
            QCOMPARE(QString::fromStdString(values[Field::Artist]), preview[1]);
            QCOMPARE(QString::fromStdString(values[Field::Title]), preview[2]);
        }
        QCOMPARE(list.find(ids[1])->current[Field::Title], std::string("Other Title"));

        // One step undoes the whole fill.
        QVERIFY(!list.undo().empty());
        QVERIFY(!list.canUndo());
        QCOMPARE(list.find(ids[1])->current, list.find(ids[1])->baseline);
        list.redo();

        // Written, only the filled fields change on disk; a name that did not
        // match leaves its file as it was.
        for (const auto& result : list.writeAll())
            QVERIFY2(result.reason.empty(), result.reason.c_str());
        const auto after = velmora::test::tagDump(path);
        if (!matches) {
            QCOMPARE(after, before);
        } else {
            const std::string titleKey = sample == "tagged.mp3" ? "TIT2" : "title";
            QCOMPARE(velmora::test::valuesOf(after, titleKey),
                     std::vector<std::string>{preview[2].toStdString()});
            QCOMPARE(velmora::test::withoutKey(
                         velmora::test::withoutKey(velmora::test::withoutKey(after, titleKey),
                                                   sample == "tagged.mp3" ? "TPE1" : "artist"),
                         sample == "tagged.mp3" ? "TRCK" : "tracknumber"),
                     velmora::test::withoutKey(
                         velmora::test::withoutKey(velmora::test::withoutKey(before, titleKey),
                                                   sample == "tagged.mp3" ? "TPE1" : "artist"),
                         sample == "tagged.mp3" ? "TRCK" : "tracknumber"));
        }
    }

    void anUnusablePatternSaysWhyAndCannotBeApplied_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown placeholder") << 0 << "%titel%"
                                             << "unknown placeholder";
        QTest::newRow("no placeholder") << 1 << "name"
                                        << "no placeholder";
        QTest::newRow("fields side by side") << 0 << "%artist%%title%"
                                             << "no text between";
        QTest::newRow("a folder in a name") << 1 << "%artist%/%title%"
                                            << "within its folder";
    }
    void anUnusablePatternSaysWhyAndCannotBeApplied() {
        QFETCH(int, mode);
        QFETCH(QString, pattern);
        QFETCH(QString, reason);
        TempDir dir;
        FileList list;
        const std::vector<RowId> ids{list.add(copy(dir, "tagged.mp3", "01 - A - B.mp3"))};
        PatternDialog dialog(list, ids, {}, PatternDialog::Mode(mode));
        dialog.show();
        typePattern(dialog, pattern);
        QVERIFY2(dialog.statusText().startsWith("The pattern cannot be used: ") &&
                     dialog.statusText().contains(reason),
                 qPrintable(dialog.statusText()));
        QVERIFY(!dialog.applyButton()->isEnabled());
    }

    void renameShowsNewNamesAndRenamesOnDisk() {
        TempDir dir;
        const std::string first = copy(dir, "tagged.mp3", "track one.mp3");
        const std::string second = copy(dir, "tagged.ogg", "track two.ogg");
        FileList list;
        const auto ids = list.add({first, second});
        // Titles the user typed and has not written yet; characters a name
        // may not hold are left out.
        list.setField(std::span(&ids[1], 1), Field::Title, "Ünïcode: “Song” / Ä?");
        PatternDialog dialog(list, ids, {}, PatternDialog::Mode::Fill);
        dialog.show();
        QTest::mouseClick(dialog.renameButton(), Qt::LeftButton);
        QCOMPARE(dialog.applyButton()->text(), QString("Rename"));
        typePattern(dialog, "%track% %artist% - %title%");
        QCOMPARE(dialog.previewText(0, 1), QString("3 Sample Artist - Sample Title.mp3"));
        QCOMPARE(dialog.previewText(1, 1), QString("3 Sample Artist - Ünïcode “Song”  Ä.ogg"));
        QCOMPARE(dialog.statusText(), QString("2 of 2 files get a new name."));

        QSignalSpy renamed(&dialog, &PatternDialog::rowsRenamed);
        QTest::mouseClick(dialog.applyButton(), Qt::LeftButton);
        QCOMPARE(renamed.size(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dir.names(),
                 (std::vector<std::string>{"3 Sample Artist - Sample Title.mp3",
                                           "3 Sample Artist - Ünïcode “Song”  Ä.ogg"}));
        QCOMPARE(list.find(ids[0])->path, dir.file("3 Sample Artist - Sample Title.mp3"));
        // The unwritten title is still to be written, into the renamed file.
        QVERIFY(list.find(ids[1])->hasPendingChanges());
    }

    void renameRefusesTheWholeBatchAndReportsEachFile_data() {
        QTest::addColumn<QString>("refused"); // which rows: "clash", "exists", "playing"
        QTest::newRow("two files get one name") << "clash";
        QTest::newRow("a file of the new name exists") << "exists";
        QTest::newRow("the playing file") << "playing";
    }
    void renameRefusesTheWholeBatchAndReportsEachFile() {
        QFETCH(QString, refused);
        TempDir dir;
        const std::string a = copy(dir, "tagged.mp3", "a.mp3");
        const std::string b = copy(dir, "tagged.mp3", "b.mp3");
        const std::string c = copy(dir, "tagged.ogg", "c.ogg");
        FileList list;
        const auto ids = list.add({a, b, c});
        list.setField(std::span(&ids[2], 1), Field::Title, "Third");
        std::vector<RowId> playing;
        int expectedProblems = 1;
        if (refused == "clash") {
            expectedProblems = 2;
        } else {
            // Different titles, so only the refusal under test is left.
            list.setField(std::span(&ids[1], 1), Field::Title, "Second");
            if (refused == "exists")
                copy(dir, "tagged.mp3", "Second.mp3");
            else
                playing.push_back(ids[1]);
        }
        const auto before = dir.names();

        PatternDialog dialog(list, ids, playing, PatternDialog::Mode::Rename);
        QStringList reported;
        QString summary;
        dialog.setFailureReport([&](const QString& line, const QStringList& failures) {
            summary = line;
            reported = failures;
        });
        dialog.show();
        typePattern(dialog, "%title%");
        int shownProblems = 0;
        for (int row = 0; row < 3; ++row)
            shownProblems += dialog.previewRowHasProblem(row);
        QCOMPARE(shownProblems, expectedProblems);
        QVERIFY(dialog.statusText().contains("refused"));

        QTest::mouseClick(dialog.applyButton(), Qt::LeftButton);
        QCOMPARE(summary, QString("No file was renamed."));
        QCOMPARE(reported.size(), expectedProblems);
        for (const QString& failure : reported)
            QVERIFY2(failure.startsWith("Cannot rename \"") && failure.contains(dir.path().c_str()),
                     qPrintable(failure));
        QCOMPARE(dir.names(), before);
        QVERIFY(dialog.isVisible()); // left open, the problems in view
    }
};

QTEST_MAIN(PatternDialogTest)
#include "PatternDialogTest.moc"
