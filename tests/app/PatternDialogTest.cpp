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

    void fillPreviewsEachNameAndFillsAsOneStep() {
        const struct {
            std::string name;
            QStringList preview; // track, artist, title; empty: the name does not match
        } files[] = {
            {"01 - AC - DC - Song.mp3", {"01", "AC", "DC - Song"}}, // the last field takes the rest
            {"07 - Björk - Jóga (Live) ☂.ogg", {"07", "Björk", "Jóga (Live) ☂"}},
            {"4of - x.mp3", {}},
            {"Intro.mp3", {}},
            {"02 -  - Title.ogg", {}}, // an empty artist
        };
        TempDir dir;
        std::vector<std::string> paths;
        for (const auto& file : files)
            paths.push_back(copy(dir, "tagged" + std::string(velmora::core::extensionOf(file.name)),
                                 file.name));
        FileList list;
        const std::vector<RowId> ids = list.add(paths);
        PatternDialog dialog(list, ids, {}, PatternDialog::Mode::Fill);
        dialog.show();
        typePattern(dialog, "%track% - %artist% - %title%");
        QCOMPARE(dialog.statusText(), QString("2 of 5 files match the pattern."));
        for (int row = 0; row < 5; ++row) {
            const QStringList& preview = files[row].preview;
            QCOMPARE(dialog.previewText(row, 0), QString::fromStdString(files[row].name));
            QCOMPARE(dialog.previewRowHasProblem(row), preview.isEmpty());
            for (int column = 0; column < preview.size(); ++column)
                QCOMPARE(dialog.previewText(row, column + 1), preview[column]);
            if (preview.isEmpty())
                QVERIFY2(dialog.previewText(row, 1).startsWith("The name does not match"),
                         qPrintable(dialog.previewText(row, 1)));
        }

        QSignalSpy filled(&dialog, &PatternDialog::rowsFilled);
        QTest::mouseClick(dialog.applyButton(), Qt::LeftButton);
        QCOMPARE(filled.size(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(list.pendingCount(), std::size_t{2});
        list.undo(); // one step undoes the whole fill
        QCOMPARE(list.pendingCount(), std::size_t{0});
        QVERIFY(!list.canUndo());
        list.redo();

        const auto untouched = velmora::test::tagDump(paths[3]);
        for (const auto& result : list.writeAll())
            QVERIFY2(result.reason.empty(), result.reason.c_str());
        QCOMPARE(velmora::test::valuesOf(velmora::test::tagDump(paths[0]), "TPE1"),
                 std::vector<std::string>{"AC"});
        QCOMPARE(velmora::test::valuesOf(velmora::test::tagDump(paths[1]), "title"),
                 std::vector<std::string>{"Jóga (Live) ☂"});
        QCOMPARE(velmora::test::tagDump(paths[3]), untouched);
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
