// The status line and the player bar in the real window: where they sit as the
// window grows, the counts as a person selects rows with Ctrl- and
// Shift-clicks and edits them, and the progress shown while a folder is added
// and the tags are written.
#include "AudioFixtures.h"
#include "WindowFixture.h"

#include "app/PlayerBar.h"
#include "app/StatusLine.h"
#include "components/skin/Skin.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString counts(Tfm_main& w) {
    QCoreApplication::processEvents(); // the status counts once the event is handled
    return w.StatusLine1->countsLabel()->text();
}

// Replaces the title field's text by typing, as a person does.
void typeTitle(Tfm_main& w, const QString& text) {
    w.edt_tatal->setFocus();
    w.edt_tatal->selectAll();
    QTest::keyClick(w.edt_tatal, Qt::Key_Backspace);
    typeText(w.edt_tatal, text);
}

// The progress shown of one piece of work of `total` steps: at least its first
// and its last step, in order (steps in between are shown when time has passed).
void expectSteps(const QStringList& shown, const QString& work, int total) {
    QVERIFY(shown.size() >= 2);
    QCOMPARE(shown.front(), QStringLiteral("%1: 1 of %2").arg(work).arg(total));
    QCOMPARE(shown.back(), QStringLiteral("%1: %2 of %2").arg(work).arg(total));
    int before = 0;
    for (const QString& text : shown) {
        const int step =
            text.section(QStringLiteral(": "), 1).section(QLatin1Char(' '), 0, 0).toInt();
        QVERIFY2(step > before, qPrintable(shown.join(QStringLiteral(", "))));
        before = step;
    }
}

} // namespace

class StatusTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void sitsBesideThePlayButtonsAsTheWindowGrows_data();
    void sitsBesideThePlayButtonsAsTheWindowGrows();
    void countsFollowSelectionAndEdits_data();
    void countsFollowSelectionAndEdits();
    void showsProgressWhileAddingAFolderAndWriting();

private:
    QTemporaryDir dir_;
    AudioFixtures fixtures_;
};

void StatusTest::initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY2(fixtures_.make(dir_.path()), "ffmpeg could not make the fixture files");
}

void StatusTest::sitsBesideThePlayButtonsAsTheWindowGrows_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("smallest") << QSize(773, 497);
    QTest::newRow("grown") << QSize(1180, 760);
}

// Inside the window, over no other control or skin button, the longest
// counts readable, and at the same distance from the bottom at every size.
void StatusTest::sitsBesideThePlayButtonsAsTheWindowGrows() {
    QFETCH(QSize, size);
    WindowFixture f;
    Tfm_main& w = *f.window;
    w.resize(size);
    QCOMPARE(w.size(), size);
    const QList<QWidget*> ours{w.PlayerBar1, w.StatusLine1};
    QList<QWidget*> others;
    for (QWidget* child : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != w.Skin1 && !ours.contains(child) && child->isVisible())
            others << child;
    for (TSkinObject* object : w.Skin1->Objects())
        if (object->isVisible())
            others << object; // the skin covers the window: same coordinates
    QVERIFY(others.size() > 10);
    for (QWidget* line : ours) {
        QVERIFY(line->isVisible());
        QVERIFY(w.rect().contains(line->geometry()));
        QCOMPARE(w.height() - line->geometry().bottom(), line == w.PlayerBar1 ? 54 : 24);
        for (QWidget* other : others)
            QVERIFY2(
                !line->geometry().intersects(other->geometry()),
                qPrintable(other->metaObject()->className() + QString(" ") + other->objectName()));
    }
    QVERIFY(!w.PlayerBar1->geometry().intersects(w.StatusLine1->geometry()));
    QCOMPARE(w.PlayerBar1->width(), size.width() - 362);
    w.StatusLine1->showCounts(1000, 1000, 1000);
    QLabel& label = *w.StatusLine1->countsLabel();
    QVERIFY(label.sizeHint().width() <= label.width());
}

void StatusTest::countsFollowSelectionAndEdits_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    const QString dot = QStringLiteral("  ·  ");
    const QString five = "5 files" + dot;
    // clang-format off
    QTest::newRow("nothing selected") << "" << five + "0 selected";
    QTest::newRow("one click") << "click:1" << five + "1 selected";
    QTest::newRow("shift-click") << "click:0;shift:3" << five + "4 selected";
    QTest::newRow("ctrl-clicks") << "click:0;ctrl:2;ctrl:4" << five + "3 selected";
    QTest::newRow("ctrl-click twice") << "click:0;ctrl:2;ctrl:2" << five + "1 selected";
    QTest::newRow("shift then ctrl") << "click:0;shift:4;ctrl:2" << five + "4 selected";
    QTest::newRow("typed into two rows") << "click:1;ctrl:3;type:New" << five + "2 selected" + dot + "2 with unwritten changes";
    QTest::newRow("typed row by row") << "click:1;type:X;click:2;type:Y" << five + "1 selected" + dot + "2 with unwritten changes";
    QTest::newRow("typed back as read") << "click:1;type:X;type:b" << five + "1 selected";
    QTest::newRow("applied to all") << "click:1;type:X;apply" << five + "1 selected" + dot + "5 with unwritten changes";
    QTest::newRow("reset") << "click:1;ctrl:2;type:X;skin:reset" << five + "2 selected";
    QTest::newRow("cleared") << "click:1;skin:clear" << "0 files";
    // clang-format on
}

void StatusTest::countsFollowSelectionAndEdits() {
    QFETCH(QString, script);
    QFETCH(QString, expected);
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.addRows({"a", "b", "c", "d", "e"});
    for (const QString& step : script.split(';', Qt::SkipEmptyParts)) {
        const QString name = step.section(':', 0, 0);
        const QString argument = step.section(':', 1);
        if (name == "click")
            f.clickRow(argument.toInt());
        else if (name == "ctrl")
            f.clickRow(argument.toInt(), Qt::ControlModifier);
        else if (name == "shift")
            f.clickRow(argument.toInt(), Qt::ShiftModifier);
        else if (name == "type")
            typeTitle(w, argument);
        else if (name == "apply")
            QTest::mouseClick(w.Button1, Qt::LeftButton);
        else if (name == "skin")
            w.RunSkinCommand(argument);
        else
            QFAIL(qPrintable("unknown step " + step));
    }
    QCOMPARE(counts(w), expected);
    QVERIFY(w.StatusLine1->progressBar()->isHidden());
}

// The work's steps show as they happen; when the work is done the
// progress goes and the counts tell the outcome, and the files hold the edit.
void StatusTest::showsProgressWhileAddingAFolderAndWriting() {
    QTemporaryDir folder;
    const QStringList names{"one.mp3", "two.ogg", "three.mp3"};
    for (const QString& name : names)
        QVERIFY(fixtures_.copy(name.section('.', 1), folder.filePath(name)));
    WindowFixture f;
    Tfm_main& w = *f.window;
    QStringList shown;
    connect(w.StatusLine1->progressBar(), &QProgressBar::valueChanged, this, [&](int value) {
        if (value >= 0)
            shown << w.StatusLine1->workLabel()->text();
    });

    f.dialogs->folderAnswers.push_back(folder.path());
    w.RunSkinCommand("folder");
    expectSteps(shown, "Adding a folder", 3);
    QVERIFY(counts(w).startsWith("3 files  ·  "));
    QVERIFY(w.StatusLine1->progressBar()->isHidden());
    QVERIFY(w.StatusLine1->workLabel()->isHidden());

    shown.clear();
    f.clickRow(0);
    f.clickRow(2, Qt::ShiftModifier);
    typeTitle(w, "Status Title");
    QCOMPARE(counts(w), "3 files  ·  3 selected  ·  3 with unwritten changes");
    w.RunSkinCommand("ok"); // the question to clear the list is answered No
    expectSteps(shown, "Writing tags", 3);
    QCOMPARE(counts(w), "3 files  ·  3 selected");
    QVERIFY(w.StatusLine1->progressBar()->isHidden());
    QVERIFY(f.log.reports.isEmpty());
    for (const QString& name : names)
        QCOMPARE(AudioFixtures::read(folder.filePath(name)).title, "Status Title");
}

QTEST_MAIN(StatusTest)
#include "StatusTest.moc"
