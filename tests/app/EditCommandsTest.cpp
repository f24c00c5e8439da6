// The popup's edit entries on a window, on copies of a file ffmpeg encoded and
// mid3v2 tagged: the entries in order, a cover set and refused through the
// window's dialogs, and a fill through the pattern dialog they open.
#include "app/EditCommands.h"
#include "tests/app/TestDialogs.h"
#include "tests/cli/SampleFiles.h"
#include "tests/common/TestFiles.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using velmora::test::TempDir;

class EditCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void theEntriesActOnTheSelectedRows() {
        velmora::core::FormatLibraries libraries;
        TempDir dir;
        QVERIFY2(velmora::test::makeSampleFiles(dir.path()), "ffmpeg or mid3v2");
        velmora::test::writeFile(dir.file("01 - Ann - One.mp3"),
                                 velmora::test::readFile(dir.file("tagged.mp3")));
        velmora::core::FileList list;
        const std::vector<velmora::core::RowId> ids{list.add(dir.file("01 - Ann - One.mp3"))};
        QWidget window;
        QMenu menu(&window);
        TestDialogs::Log log;
        TestDialogs dialogs(log);
        int changes = 0;
        EditCommands commands(list, &menu,
                              {&window, [&]() -> Dialogs& { return dialogs; }, [&] { return ids; },
                               [] { return EditCommands::RowIds{}; }, [&] { ++changes; }});
        QStringList entries;
        for (QAction* action : menu.actions())
            if (!action->isSeparator())
                entries << action->text();
        QCOMPARE(entries,
                 (QStringList{"Undo", "Redo", "Fill tags from file names\u2026",
                              "Rename files from tags\u2026", "Set cover\u2026", "Remove cover"}));
        window.show();
        commands.selectionChanged();

        dialogs.openAnswers = {{QString::fromStdString(dir.file("tagged.mp3"))}};
        commands.setCoverAction()->trigger();
        QCOMPARE(log.errors.size(), 1); // an MP3 is no picture
        QVERIFY(log.errors[0].contains("tagged.mp3"));
        QCOMPARE(changes, 0);

        PatternDialog* dialog = commands.openPatternDialog(PatternDialog::Mode::Fill);
        QVERIFY(dialog->isVisible());
        dialog->patternField()->selectAll();
        QTest::keyClicks(dialog->patternField(), "%track% - %artist% - %title%");
        QTest::mouseClick(dialog->applyButton(), Qt::LeftButton);
        QCOMPARE(changes, 1);
        QCOMPARE(list.find(ids[0])->current[velmora::Field::Artist], std::string("Ann"));
        commands.undoRedo()->undoAction()->trigger();
        QCOMPARE(changes, 2);
        QCOMPARE(list.find(ids[0])->current[velmora::Field::Artist], std::string("Sample Artist"));
    }
};

QTEST_MAIN(EditCommandsTest)
#include "EditCommandsTest.moc"
