// The window's chrome as a person meets it: dragging the edges and
// maximizing (every control stays inside, the list and the comment box take
// the room), a second window opening as the first was left, Tab down the
// fields, the folder dialog's path field, the dialogs of the real program in
// the skin's colours and where the last files or folder were chosen, and the
// popup's Rename and Write Tags.
#include "AudioFixtures.h"
#include "WindowFixture.h"

#include "app/CoverPanel.h"
#include "app/Settings.h"
#include "components/skin/Skin.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <functional>

namespace {

// Presses at a point of widget, drags by delta in four steps and lets go.
void drag(QWidget* widget, const QPoint& at, const QPoint& delta) {
    QWidget* target = widget->childAt(at) ? widget->childAt(at) : widget;
    const QPoint global = widget->mapToGlobal(at);
    QTest::mousePress(target, Qt::LeftButton, {}, target->mapFromGlobal(global));
    for (int step = 1; step <= 4; ++step) {
        const QPointF g = global + delta * step / 4;
        QMouseEvent move(QEvent::MouseMove, target->mapFromGlobal(g), g, Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    }
    QTest::mouseRelease(target, Qt::LeftButton, {}, target->mapFromGlobal(global + delta));
}

// Every visible widget of the window lies inside it; the list and the fields
// do not overlap.
void checkInside(const Tfm_main& w) {
    for (const QWidget* child : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisible())
            QVERIFY2(w.rect().contains(child->geometry()), child->metaObject()->className());
    QVERIFY(w.lv_id3->geometry().right() < w.SkinLabel1->geometry().left());
}

// Runs act on the next modal dialog or popup once it is up; one left open
// after five seconds is closed, so a failed step cannot hang the test.
void whenUp(const std::function<void(QWidget*)>& act) {
    QTimer::singleShot(50, [act] {
        QWidget* up = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                        : QApplication::activeModalWidget();
        QVERIFY(up);
        act(up);
    });
    QTimer::singleShot(5000, [] {
        if (QWidget* left = QApplication::activeModalWidget())
            left->close();
    });
}

// A right click on the list at at (in its viewport).
void openPopup(Tfm_main& w, const QPoint& at) {
    QWidget* viewport = w.lv_id3->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &event);
}

bool nearColour(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
           std::abs(a.blue() - b.blue()) < 12;
}

} // namespace

class ChromeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void dragsKeepEveryControlInside_data();
    void dragsKeepEveryControlInside();
    void secondWindowOpensAsTheFirstWasLeft_data();
    void secondWindowOpensAsTheFirstWasLeft();
    void tabGoesDownTheFields();
    void folderDialogGoesToTypedPath_data();
    void folderDialogGoesToTypedPath();
    void dialogsTakeSkinColoursAndLastFolder_data();
    void dialogsTakeSkinColoursAndLastFolder();
    void popupRenamesAndWrites_data();
    void popupRenamesAndWrites();

private:
    QTemporaryDir files_;
    AudioFixtures fixtures_;
};

void ChromeTest::initTestCase() {
    QVERIFY2(fixtures_.make(files_.path()), "ffmpeg could not make the fixture files");
    QDir(files_.path()).mkpath("Albums/Blue");
    for (const char* name : {"Albums/Blue/one.mp3", "Albums/Blue/two.mp3"})
        QVERIFY(fixtures_.copy("mp3", files_.filePath(name)));
    QFile notes(files_.filePath("Albums/notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
}

void ChromeTest::dragsKeepEveryControlInside_data() {
    QTest::addColumn<QPoint>("grab"); // empty: the maximize button
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QSize>("growth");
    QTest::newRow("corner") << QPoint(771, 495) << QPoint(150, 90) << QSize(150, 90);
    QTest::newRow("top left") << QPoint(1, 1) << QPoint(-60, -40) << QSize(60, 40);
    QTest::newRow("below minimum") << QPoint(771, 495) << QPoint(-90, -60) << QSize(0, 0);
    QTest::newRow("maximize") << QPoint() << QPoint() << QSize(-1, -1);
}

void ChromeTest::dragsKeepEveryControlInside() {
    QFETCH(QPoint, grab);
    QFETCH(QPoint, delta);
    QFETCH(QSize, growth);
    WindowFixture f;
    Tfm_main& w = *f.window;
    const QRect list = w.lv_id3->geometry(), title = w.edt_tatal->geometry();
    const QRect comment = w.edt_com->geometry(), last = w.Button6->geometry();
    if (grab.isNull()) {
        QTest::mouseClick(w.Skin1->FindObject("maximize"), Qt::LeftButton);
        QVERIFY(w.isMaximized());
        growth = w.screen()->availableGeometry().size() - QSize(773, 497);
        QVERIFY(growth.width() > 0 || growth.height() > 0);
        QTRY_COMPARE(w.size(), QSize(773, 497) + growth);
    } else {
        drag(&w, grab, delta);
    }
    QCOMPARE(w.size(), QSize(773, 497) + growth);
    checkInside(w);
    QCOMPARE(w.lv_id3->size(), list.size() + growth);
    QCOMPARE(w.edt_tatal->geometry(), title.translated(growth.width(), 0));
    QCOMPARE(w.edt_com->geometry(),
             comment.translated(growth.width(), 0).adjusted(0, 0, 0, growth.height()));
    QCOMPARE(w.Button6->geometry(), last.translated(growth.width(), growth.height()));
}

void ChromeTest::secondWindowOpensAsTheFirstWasLeft_data() {
    QTest::addColumn<bool>("maximized");
    QTest::newRow("normal") << false;
    QTest::newRow("maximized") << true;
}

void ChromeTest::secondWindowOpensAsTheFirstWasLeft() {
    QFETCH(bool, maximized);
    WindowFixture f;
    Tfm_main& first = *f.window;
    drag(&first, QPoint(771, 495), QPoint(17, 43));    // grow
    drag(&first, QPoint(300, 15), QPoint(-200, -150)); // move by the title bar
    QHeaderView* header = first.lv_id3->header();
    const QPoint divider(header->sectionViewportPosition(0) + header->sectionSize(0) - 1, 5);
    drag(header->viewport(), divider, QPoint(-60, 0));
    header->setSortIndicator(0, Qt::DescendingOrder);
    const QRect normal = first.geometry();
    const int width = header->sectionSize(0);
    QVERIFY(normal.size() == QSize(790, 540) && width < 220);
    if (maximized)
        QTest::mouseClick(first.Skin1->FindObject("maximize"), Qt::LeftButton);
    QVERIFY(first.close());

    Tfm_main second;
    second.setDialogs(std::make_unique<TestDialogs>(f.log));
    second.show();
    QCOMPARE(second.isMaximized(), maximized);
    if (maximized)
        QTest::mouseClick(second.Skin1->FindObject("maximize"), Qt::LeftButton);
    QCOMPARE(second.geometry(), normal);
    QCOMPARE(second.lv_id3->header()->sectionSize(0), width);
    QCOMPARE(second.lv_id3->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    QVERIFY(f.log.errors.isEmpty());
}

void ChromeTest::tabGoesDownTheFields() {
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.addRows({"a", "b"});
    f.clickRow(0);
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.edt_tatal->setFocus();
    // The cover panel's buttons come last; a disabled one is passed over.
    QList<QWidget*> expected{w.edt_tatal, w.edt_art, w.edt_alb, w.edt_year, w.edt_track,
                             w.edt_genre, w.edt_com, w.Button1, w.Button2,  w.Button3,
                             w.Button4,   w.Button5, w.Button6};
    for (QWidget* button : {w.CoverPanel1->setButton(), w.CoverPanel1->removeButton()})
        if (button->isEnabled())
            expected << button;
    expected << w.lv_id3 << w.edt_tatal;
    QList<QWidget*> visited{QApplication::focusWidget()};
    while (visited.size() < expected.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QCOMPARE(visited, expected);
    QCOMPARE(w.edt_com->toPlainText(), QString()); // Tab moved on, typed nothing
}

void ChromeTest::folderDialogGoesToTypedPath_data() {
    QTest::addColumn<QString>("typed");  // <root>: the fixtures' folder
    QTest::addColumn<QString>("goesTo"); // empty: reported and stays
    QTest::addColumn<QString>("message");
    QTest::newRow("full path") << "<root>/Albums/Blue"
                               << "<root>/Albums/Blue"
                               << "";
    QTest::newRow("relative") << "Blue"
                              << "<root>/Albums/Blue"
                              << "";
    QTest::newRow("home") << "~" << QDir::homePath() << "";
    QTest::newRow("missing") << "<root>/Albums/Red"
                             << ""
                             << "There is no folder \"<root>/Albums/Red\".";
    QTest::newRow("a file") << "<root>/Albums/notes.txt"
                            << ""
                            << "\"<root>/Albums/notes.txt\" is not a folder.";
}

void ChromeTest::folderDialogGoesToTypedPath() {
    QFETCH(QString, typed);
    QFETCH(QString, goesTo);
    QFETCH(QString, message);
    const QString root = files_.path();
    const auto in = [&](QString text) { return text.replace("<root>", root); };
    TemporarySettings settings;
    Tfm_dir dialog;
    dialog.SelectFolder(root + "/Albums");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.edt_path->text(), root + "/Albums");
    QTest::keyClicks(dialog.edt_path, in(typed)); // types over the selected text
    QTest::keyClick(dialog.edt_path, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    if (goesTo.isEmpty()) {
        QCOMPARE(dialog.lb_message->text(), in(message));
        QVERIFY(dialog.lb_message->isVisible());
        QCOMPARE(dialog.SelectedFolder(), root + "/Albums");
        QTest::mouseClick(dialog.btn_ok, Qt::LeftButton); // Ok refuses it too
        QVERIFY(dialog.isVisible());
        QTest::mouseClick(dialog.btn_cancel, Qt::LeftButton);
        QVERIFY(ChosenFolder.empty());
        return;
    }
    QCOMPARE(dialog.SelectedFolder(), in(goesTo));
    QVERIFY(dialog.lb_message->isHidden());
    QTest::keyClick(dialog.edt_path, Qt::Key_Return); // a second Enter takes it
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(QString::fromStdString(ChosenFolder), in(goesTo));
    QCOMPARE(Tfm_dir().SelectedFolder(), in(goesTo)); // the next run starts there
}

void ChromeTest::dialogsTakeSkinColoursAndLastFolder_data() {
    QTest::addColumn<QString>("which");
    QTest::newRow("message box") << "message";
    QTest::newRow("popup menu") << "menu";
    QTest::newRow("folder dialog") << "folder";
    QTest::newRow("file dialog") << "file";
}

// The real program's dialogs, answered by typing as a person does.
void ChromeTest::dialogsTakeSkinColoursAndLastFolder() {
    QFETCH(QString, which);
    const QString blue = files_.path() + "/Albums/Blue";
    WindowFixture f;
    Tfm_main& w = *f.window;
    w.setDialogs(std::make_unique<QtDialogs>());
    const QColor background = w.Skin1->Palette().color(QPalette::Window);
    velmora::settings::SetLastFileFolder(blue);
    bool seen = false;
    whenUp([&](QWidget* up) {
        const QImage look = up->grab().toImage();
        QVERIFY2(nearColour(look.pixelColor(3, look.height() / 2), background),
                 qPrintable(look.pixelColor(3, look.height() / 2).name()));
        if (auto* dir = qobject_cast<Tfm_dir*>(up)) {
            QTest::keyClicks(dir->edt_path, blue);
            QTest::keyClick(dir->edt_path, Qt::Key_Return);
            QTest::keyClick(dir->edt_path, Qt::Key_Return);
        } else if (auto* files = qobject_cast<QFileDialog*>(up)) {
            QCOMPARE(files->directory().absolutePath(), blue);
            auto* name = files->findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(name);
            QTest::keyClicks(name, "two.mp3");
            QTest::keyClick(name, Qt::Key_Return);
        } else {
            up->close();
        }
        seen = true;
    });
    if (which == "message") {
        w.dialogs().information(&w, "Done.");
    } else if (which == "menu") {
        openPopup(w, QPoint(20, 20));
        QTRY_VERIFY(seen);
    } else {
        QTest::mouseClick(w.Skin1->FindObject(which == "file" ? "add" : "folder"), Qt::LeftButton);
        QStringList listed; // the file typed; the folder's two
        for (int row = 0; row < w.RowCount(); ++row)
            listed << QString::fromStdString(w.RowPath(row)).section('/', -2);
        listed.sort();
        const QStringList expected = which == "file" ? QStringList{"Blue/two.mp3"}
                                                     : QStringList{"Blue/one.mp3", "Blue/two.mp3"};
        QCOMPARE(listed, expected);
    }
    QVERIFY(seen);
}

void ChromeTest::popupRenamesAndWrites_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("rename") << "Rename" << QKeySequence(Qt::Key_F2);
    QTest::newRow("write tags") << "Write Tags" << QKeySequence(Qt::CTRL | Qt::Key_S);
}

void ChromeTest::popupRenamesAndWrites() {
    QFETCH(QString, item);
    QFETCH(QKeySequence, keys);
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.addRows({"a", "b"});
    f.clickRow(1);
    openPopup(w, f.rowCenter(1));
    QTRY_VERIFY(w.PopupMenu1->isVisible());
    QAction* action = nullptr;
    for (QAction* a : w.PopupMenu1->actions())
        if (a->text() == item)
            action = a;
    QVERIFY(action);
    QCOMPARE(action->shortcut(), keys);
    QTest::mouseClick(w.PopupMenu1, Qt::LeftButton, {},
                      w.PopupMenu1->actionGeometry(action).center());
    if (item == "Rename") {
        QVERIFY(w.edt_tit->isVisible());
        QCOMPARE(w.edt_tit->text(), QString("b"));
    } else {
        QCOMPARE(f.log.questions,
                 QStringList{"information has been written finished, clear the list now?"});
    }
}

QTEST_MAIN(ChromeTest)
#include "ChromeTest.moc"
