// An album fixed through the window as a person does it, on MP3 files ffmpeg
// encoded, mid3v2 tagged and mutagen gave pictures: a cover set on every file
// from the popup, titles filled from the file names, a mistake undone with
// Ctrl+Z, everything written with Ctrl+S, the files renamed from their tags,
// the cover removed again. mutagen judges every file after each write.
#include "WindowFixture.h"
#include "app/CoverPanel.h"
#include "app/PatternDialog.h"
#include "tests/cli/SampleFiles.h"
#include "tests/common/TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <filesystem>

namespace test = velmora::test;

namespace {

std::string python(const std::string& script, const std::string& arguments) {
    std::string output;
    const std::string command = "/usr/bin/python3 " +
                                test::shellQuote(std::string(VELMORA_SOURCE_DIR) + script) + " " +
                                arguments;
    if (test::run(command, output) != 0)
        qFatal("%s failed", command.c_str());
    return output;
}

// The pictures mutagen lists: "TYPE MIME DESCRIPTION SHA1" lines.
std::string picturesOf(const std::string& path) {
    return python("/tests/covers/pictures.py", "list " + test::shellQuote(path));
}

std::string sha1Of(const std::string& path) {
    std::string output;
    test::run("sha1sum " + test::shellQuote(path), output);
    return output.substr(0, 40);
}

// Right-clicks the list and clicks the entry, as a mouse does.
void choose(Tfm_main& w, const QString& entry) {
    QWidget* viewport = w.lv_id3->viewport();
    const QPoint at(20, 8);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &event);
    QTRY_VERIFY(w.PopupMenu1->isVisible());
    for (QAction* action : w.PopupMenu1->actions())
        if (action->text() == entry) {
            QVERIFY2(action->isEnabled(), qPrintable(entry));
            QTest::mouseClick(w.PopupMenu1, Qt::LeftButton, {},
                              w.PopupMenu1->actionGeometry(action).center());
            return;
        }
    QFAIL(qPrintable("no entry " + entry));
}

// Types a pattern into the dialog the popup opened and applies it.
void applyPattern(Tfm_main& w, const QString& pattern) {
    PatternDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = w.findChild<PatternDialog*>()) && dialog->isVisible());
    dialog->patternField()->selectAll();
    QTest::keyClicks(dialog->patternField(), pattern);
    QTest::mouseClick(dialog->applyButton(), Qt::LeftButton);
}

// Keys go to the active window: a closed dialog may have left none active.
void press(QWidget* widget, QKeySequence keys) {
    QApplication::setActiveWindow(widget->window());
    QTest::keySequence(widget, keys);
}

} // namespace

class EditJourneyTest : public QObject {
    Q_OBJECT

private slots:
    void anAlbumFixedThroughTheWindow() {
        test::TempDir samples, album;
        QVERIFY2(test::makeSampleFiles(samples.path()), "ffmpeg or mid3v2");
        std::string output;
        const std::string cover = samples.file("cover.png"), back = samples.file("back.jpg");
        QCOMPARE(test::run("ffmpeg -nostdin -loglevel error -f lavfi -i color=red:s=64x48 "
                           "-frames:v 1 " +
                               test::shellQuote(cover) +
                               " && ffmpeg -nostdin -loglevel error -f lavfi -i "
                               "color=blue:s=32x40 -frames:v 1 " +
                               test::shellQuote(back),
                           output),
                 0);
        const std::vector<std::string> names{"01 - Ann - One.mp3", "02 - Bo Ek - Två sånger.mp3",
                                             "liner notes.mp3"};
        QStringList paths;
        for (const std::string& name : names) {
            test::writeFile(album.file(name), test::readFile(samples.file("tagged.mp3")));
            paths << QString::fromStdString(album.file(name));
        }
        const std::string second = album.file(names[1]);
        python("/tests/covers/pictures.py",
               "add " + test::shellQuote(second) + " 4 image/jpeg back " + test::shellQuote(back));
        const std::string backLine = picturesOf(second);
        const std::vector<std::string> before = test::tagDump(album.file(names[2]));

        WindowFixture f;
        Tfm_main& w = *f.window;
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        f.dialogs->openAnswers = {paths};
        press(&w, QKeySequence(Qt::CTRL | Qt::Key_O));
        QTRY_COMPARE(w.RowCount(), 3);
        w.lv_id3->setFocus();
        press(w.lv_id3, QKeySequence::SelectAll);

        // A file that is no image is refused with its name, and nothing changes.
        f.dialogs->openAnswers = {{paths[0]}};
        choose(w, "Set cover\u2026");
        QCOMPARE(f.log.errors.size(), 1);
        QVERIFY(f.log.errors[0].contains("01 - Ann - One.mp3"));
        QCOMPARE(w.RowsWithUnwrittenEdits(), 0);
        f.log.errors.clear();
        f.dialogs->openAnswers = {{QString::fromStdString(cover)}};
        choose(w, "Set cover\u2026");
        QCOMPARE(w.CoverPanel1->caption(),
                 QString("64\u00D748 px, %1 bytes").arg(test::readFile(cover).size()));
        choose(w, "Fill tags from file names\u2026");
        applyPattern(w, "%track% - %artist% - %title%");
        QTRY_VERIFY(!w.findChild<PatternDialog*>());
        QApplication::setActiveWindow(&w);
        QCOMPARE(w.edt_tatal->placeholderText(), QString("(several values)"));

        // A mistake: a title typed into the first row, then applied to all;
        // each is one step of its own.
        const auto title = [&w](int row) {
            return w.Files().find(w.RowIdAt(row))->current[velmora::Field::Title];
        };
        f.clickRow(0);
        w.edt_tatal->setFocus();
        w.edt_tatal->selectAll();
        QTest::keyClicks(w.edt_tatal, "Oops");
        QTest::mouseClick(w.Button1, Qt::LeftButton);
        QCOMPARE(title(2), "Oops");
        w.lv_id3->setFocus();
        press(w.lv_id3, QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(title(0), "Oops");
        QCOMPARE(title(1), "Två sånger");
        QCOMPARE(title(2), "Sample Title");
        press(w.lv_id3, QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(title(0), "One");
        QCOMPARE(w.edt_tatal->text(), QString("One"));
        QVERIFY(w.CoverPanel1->showsPicture()); // the cover change is a step of its own

        press(&w, QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(f.log.errors, QStringList());
        const std::string front = "3 image/png - " + sha1Of(cover) + "\n";
        QCOMPARE(picturesOf(album.file(names[0])), front);
        QCOMPARE(picturesOf(second), backLine + front);
        const auto dump = test::tagDump(second);
        QCOMPARE(test::valuesOf(dump, "TIT2"), std::vector<std::string>{"Två sånger"});
        QCOMPARE(test::valuesOf(dump, "TPE1"), std::vector<std::string>{"Bo Ek"});
        QCOMPARE(test::valuesOf(dump, "TRCK"), std::vector<std::string>{"02/12"});
        // The file whose name did not match keeps every value; only its cover is new.
        QCOMPARE(test::withoutKey(test::tagDump(album.file(names[2])), "APIC:"), before);

        // Renamed from the tags: a name that exists already is refused with
        // the reason, and nothing of the batch is renamed.
        test::writeFile(album.file("Ann - One.mp3"), "someone else's file");
        press(w.lv_id3, QKeySequence::SelectAll);
        choose(w, "Rename files from tags\u2026");
        applyPattern(w, "%artist% - %title%");
        QCOMPARE(f.log.reports.size(), 1);
        QVERIFY(f.log.reports[0].join('\n').contains("Ann - One.mp3"));
        QCOMPARE(test::namesIn(album.path()).size(), 4u);
        w.findChild<PatternDialog*>()->reject();
        std::filesystem::remove(album.file("Ann - One.mp3"));
        choose(w, "Rename files from tags\u2026");
        applyPattern(w, "%artist% - %title%");
        QCOMPARE(test::namesIn(album.path()),
                 (std::vector<std::string>{"Ann - One.mp3", "Bo Ek - Två sånger.mp3",
                                           "Sample Artist - Sample Title.mp3"}));
        QCOMPARE(QString::fromStdString(w.RowCaption(1)), QString("Bo Ek - Två sånger"));

        choose(w, "Remove cover");
        press(&w, QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(f.log.errors, QStringList());
        QCOMPARE(picturesOf(album.file("Bo Ek - Två sånger.mp3")), backLine);
        QCOMPARE(picturesOf(album.file("Ann - One.mp3")), std::string());
    }
};

QTEST_MAIN(EditJourneyTest)
#include "EditJourneyTest.moc"
