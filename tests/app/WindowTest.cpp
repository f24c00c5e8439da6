// The main window driven through its real widgets: selection and the fields,
// apply-to-all, the path label, the playing row's colour, the genre list, the
// dispatch of skin commands by name and start-up with a missing or bad skin.
#include "WindowFixture.h"

#include "app/WebPages.h"
#include "components/skin/Skin.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void startsSkinnedWithEveryComponent();
    void genreListHolds148NamesInOrder();
    void typingStoresIntoEverySelectedRow();
    void clickingEmptyAreaReselectsCurrentRow();
    void keyboardMovesLeaveFieldsButTypingFollowsSelection();
    void shownTextCountsAsChangeForSelectedRows();
    void applyToAllCopiesEvenEmptyText_data();
    void applyToAllCopiesEvenEmptyText();
    void pathLabelFollowsRowAndEmptyList();
    void playingRowIsPaintedSkyBlue();
    void skinCommandsDispatchByExactName_data();
    void skinCommandsDispatchByExactName();
    void skinButtonClickRunsItsCommand();
    void brokenSkinReportsOnceAndWindowStaysUsable_data();
    void brokenSkinReportsOnceAndWindowStaysUsable();
    void handlerErrorsEndInOneMessageBox();
};

void WindowTest::startsSkinnedWithEveryComponent() {
    PlayingFlag = true;
    PausedFlag = true;
    WindowFixture f;
    Tfm_main& w = *f.window;
    QVERIFY2(f.log.errors.isEmpty(), qPrintable(f.log.errors.join('\n')));
    QVERIFY(w.IsSkinned());
    QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(w.size(), QSize(773, 497));
    QVERIFY(!PlayingFlag && !PausedFlag);
    QVERIFY(w.edt_tit->isHidden());
    QCOMPARE(w.PathCaption(), QStringLiteral("Path:  "));
    QCOMPARE(w.lv_id3->geometry(), QRect(9, 116, 238, 282));
    QCOMPARE(w.edt_tatal->geometry(), QRect(313, 144, 298, 21));
    QCOMPARE(w.edt_com->geometry(), QRect(315, 301, 298, 96));
    QCOMPARE(w.lv_id3->headerItem()->text(0), QStringLiteral("  File Name"));
    QCOMPARE(w.lv_id3->headerItem()->text(1), QStringLiteral("path"));
    QCOMPARE(w.lv_id3->columnWidth(1), 0);
    for (QPushButton* b : {w.Button1, w.Button2, w.Button3, w.Button4, w.Button5, w.Button6}) {
        QVERIFY(b->text().isEmpty());
        QVERIFY(b->toolTip().startsWith("Apply the "));
    }
    QStringList popup;
    for (QAction* a : w.PopupMenu1->actions())
        popup << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(popup,
             QStringList({"Play", "Stop", "-", "Add File", "Add Folder", "-", "Remove", "Clear"}));
    // One skin button per command, each explained by a tooltip.
    for (const char* name : {"add", "remove", "ok", "reset", "clear", "web", "cont", "folder",
                             "play", "stop", "pause", "brack", "next"}) {
        TSkinObject* object = w.Skin1->FindObject(QLatin1String(name));
        QVERIFY2(object, name);
        QVERIFY2(!object->toolTip().isEmpty(), name);
        QVERIFY2(object->isVisible(), name);
    }
    QVERIFY(Tfm_main::OpenDialogFilter.startsWith(
        "All Supported Files (*.mp3 *.wav *.wma *.ogg);;MP3 Files(*.mp3) (*.mp3)"));
}

void WindowTest::genreListHolds148NamesInOrder() {
    WindowFixture f;
    QComboBox* genre = f.window->edt_genre;
    QCOMPARE(genre->count(), 148);
    QCOMPARE(genre->itemText(0), QStringLiteral("Blues"));
    QCOMPARE(genre->itemText(136), QStringLiteral("Christian Gangsta"));
    QCOMPARE(genre->itemText(140), QStringLiteral("Contemporary C"));
    QCOMPARE(genre->itemText(147), QStringLiteral("SynthPop"));
    QCOMPARE(genre->currentText(), QString());
}

void WindowTest::typingStoresIntoEverySelectedRow() {
    WindowFixture f;
    f.addRows({"a", "b", "c", "d", "e", "f"});
    for (int i = 0; i < 6; ++i)
        TrackTable[i].Title.clear();
    f.clickRow(2);
    f.clickRow(5, Qt::ControlModifier);
    QVERIFY(f.window->IsRowSelected(2) && f.window->IsRowSelected(5));
    QTest::keyClicks(f.window->edt_tatal, "x");
    for (int i = 0; i < 6; ++i)
        QCOMPARE(TrackTable[i].Title, std::string(i == 2 || i == 5 ? "x" : ""));
    // The other fields of those rows keep their values; the baseline is untouched.
    QCOMPARE(TrackTable[5].Artist, std::string("Artist f"));
    QCOMPARE(BaselineTable[5].Title, std::string("f"));
}

void WindowTest::clickingEmptyAreaReselectsCurrentRow() {
    WindowFixture f;
    f.addRows({"a", "b", "c"});
    f.clickRow(1);
    QCOMPARE(CurrentRowIndex, 1);
    const QPoint empty(20, f.window->lv_id3->viewport()->height() - 5);
    QTest::mouseClick(f.window->lv_id3->viewport(), Qt::LeftButton, {}, empty);
    QCOMPARE(f.window->FirstSelectedRow(), 1);
    QCOMPARE(f.window->edt_tatal->text(), QStringLiteral("b"));
}

void WindowTest::keyboardMovesLeaveFieldsButTypingFollowsSelection() {
    WindowFixture f;
    f.addRows({"a", "b", "c"});
    f.clickRow(0);
    f.window->lv_id3->setFocus();
    QTest::keyClick(f.window->lv_id3, Qt::Key_Down);
    QCOMPARE(f.window->FirstSelectedRow(), 1);
    QCOMPARE(f.window->edt_tatal->text(), QStringLiteral("a"));
    QTest::keyClicks(f.window->edt_art, "Z");
    QCOMPARE(TrackTable[1].Artist, std::string("Artist aZ"));
    QCOMPARE(TrackTable[0].Artist, std::string("Artist a"));
}

void WindowTest::shownTextCountsAsChangeForSelectedRows() {
    WindowFixture f;
    f.addRows({"a", "b"});
    f.clickRow(1);
    f.clickRow(0, Qt::ControlModifier);
    // Showing row 0 changed the title field, which stored it into both rows.
    QCOMPARE(f.window->edt_tatal->text(), QStringLiteral("a"));
    QCOMPARE(TrackTable[1].Title, std::string("a"));
    // The year was equal already, so nothing else moved.
    QCOMPARE(TrackTable[1].Artist, std::string("Artist a"));
}

void WindowTest::applyToAllCopiesEvenEmptyText_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("text");
    for (int button = 1; button <= 6; ++button) {
        QTest::addRow("button %d empty", button) << button << QString();
        QTest::addRow("button %d text", button) << button << QStringLiteral("Ünïcode ✓");
    }
}

void WindowTest::applyToAllCopiesEvenEmptyText() {
    QFETCH(int, button);
    QFETCH(QString, text);
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.addRows({"a", "b", "c"});
    f.clickRow(1);
    const QSignalBlocker blockers[] = {QSignalBlocker(w.edt_tatal), QSignalBlocker(w.edt_art),
                                       QSignalBlocker(w.edt_alb),   QSignalBlocker(w.edt_year),
                                       QSignalBlocker(w.edt_genre), QSignalBlocker(w.edt_com)};
    // Button n copies field n into every row; it is clicked as a person would.
    QWidget* const edits[] = {w.edt_tatal, w.edt_art,   w.edt_alb,
                              w.edt_year,  w.edt_genre, w.edt_com};
    QPushButton* const buttons[] = {w.Button1, w.Button2, w.Button3,
                                    w.Button4, w.Button5, w.Button6};
    std::string Timerec::*const fields[] = {&Timerec::Title, &Timerec::Artist, &Timerec::Album,
                                            &Timerec::Year,  &Timerec::Genre,  &Timerec::Comment};
    QWidget* edit = edits[button - 1];
    if (auto* line = qobject_cast<QLineEdit*>(edit))
        line->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(edit))
        combo->setEditText(text);
    else
        static_cast<QPlainTextEdit*>(edit)->setPlainText(text);
    QTest::mouseClick(buttons[button - 1], Qt::LeftButton);
    std::string Timerec::*field = fields[button - 1];
    for (int i = 0; i < 3; ++i)
        QCOMPARE(QString::fromStdString(TrackTable[i].*field), text);
    QCOMPARE(QString::fromStdString(TrackTable[3].*field), QString()); // no row, untouched
    QCOMPARE(BaselineTable[0].Title, std::string("a"));
}

void WindowTest::pathLabelFollowsRowAndEmptyList() {
    WindowFixture f;
    f.addRows({"one", "two"});
    f.clickRow(1);
    QCOMPARE(f.window->PathCaption(), QStringLiteral("Path:       /music/two.mp3  "));
    f.window->RunSkinCommand("remove");
    QCOMPARE(f.window->PathCaption(), QStringLiteral("Path:       /music/one.mp3  "));
    f.window->RunSkinCommand("remove");
    QCOMPARE(f.window->PathCaption(), QStringLiteral("Path: "));
    QCOMPARE(f.window->edt_tatal->text(), QString());
}

namespace {

QColor rowColour(Tfm_main& w, int row) {
    const QImage image = w.lv_id3->viewport()->grab().toImage();
    const QRect rect = w.lv_id3->visualItemRect(w.lv_id3->topLevelItem(row));
    // Right of any text, clear of the grid lines.
    return image.pixelColor(rect.right() - 6, rect.center().y());
}

} // namespace

void WindowTest::playingRowIsPaintedSkyBlue() {
    WindowFixture f;
    f.addRows({"a", "b", "c"});
    const QColor normal = rowColour(*f.window, 2);
    PlayingFlag = true;
    PlayingRowIndex = 1;
    f.window->lv_id3->viewport()->update();
    QCOMPARE(rowColour(*f.window, 1), QColor(166, 202, 240));
    QCOMPARE(rowColour(*f.window, 0), QColor(255, 255, 255));
    QCOMPARE(rowColour(*f.window, 2), QColor(255, 255, 255));
    PlayingFlag = false;
    QCOMPARE(rowColour(*f.window, 1), normal);
    QVERIFY(normal != QColor(255, 255, 255));
}

void WindowTest::skinCommandsDispatchByExactName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("openDialogs");
    QTest::addColumn<QString>("url");
    QTest::newRow("add") << "add" << 1 << "";
    QTest::newRow("Add") << "Add" << 0 << "";
    QTest::newRow("ADD") << "ADD" << 0 << "";
    QTest::newRow("add ") << "add " << 0 << "";
    QTest::newRow("web") << "web" << 0 << AboutPageUrl;
    QTest::newRow("Web") << "Web" << 0 << "";
    QTest::newRow("cont") << "cont" << 0 << HomePageUrl;
    QTest::newRow("empty") << "" << 0 << "";
    QTest::newRow("unknown") << "minimize" << 0 << "";
}

void WindowTest::skinCommandsDispatchByExactName() {
    QFETCH(QString, name);
    QFETCH(int, openDialogs);
    QFETCH(QString, url);
    WindowFixture f;
    TSkinObject source(name, name, nullptr);
    f.window->Skin1Click(&source);
    QCOMPARE(f.log.openDialogs, openDialogs);
    QCOMPARE(f.log.urls, url.isEmpty() ? QStringList() : QStringList{url});
    QVERIFY(f.log.errors.isEmpty());
}

void WindowTest::skinButtonClickRunsItsCommand() {
    WindowFixture f;
    TSkinObject* web = f.window->Skin1->FindObject("web");
    QVERIFY(web);
    QTest::mouseClick(web, Qt::LeftButton);
    QCOMPARE(f.log.urls, QStringList{AboutPageUrl});
    f.addRows({"a", "b"});
    f.clickRow(0);
    QTest::mouseClick(f.window->Skin1->FindObject("remove"), Qt::LeftButton);
    QCOMPARE(f.window->RowCount(), 1);
    QCOMPARE(f.window->RowCaption(0), std::string("b"));
}

void WindowTest::brokenSkinReportsOnceAndWindowStaysUsable_data() {
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QByteArray() << "Cannot load the skin file";
    QTest::newRow("not a skin") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10) << "damaged";
    QTest::newRow("no form main") << QByteArray("velmora-skin 1\n[form other]\n")
                                  << "has no form \"main\"";
    QTest::newRow("bad colour") << QByteArray("velmora-skin 1\n[form main]\nbackground = #12\n")
                                << "line 3";
}

void WindowTest::brokenSkinReportsOnceAndWindowStaysUsable() {
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath("mp3enc.skn");
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    WindowFixture f(path);
    QCOMPARE(f.log.errors.size(), 1);
    QVERIFY2(f.log.errors[0].contains(path), qPrintable(f.log.errors[0]));
    QVERIFY2(f.log.errors[0].contains(reason), qPrintable(f.log.errors[0]));
    Tfm_main& w = *f.window;
    QVERIFY(!w.IsSkinned());
    QVERIFY(!(w.windowFlags() & Qt::FramelessWindowHint));
    QCOMPARE(w.edt_genre->count(), 148);
    QVERIFY(w.edt_tit->isHidden());
    // The thirteen commands are plain buttons through the same dispatch.
    const auto buttons = w.findChildren<TSkinObject*>();
    QCOMPARE(buttons.size(), 13);
    for (TSkinObject* button : buttons) {
        QVERIFY(!button->IsSkinned());
        QVERIFY(button->isVisible());
    }
    auto* cont = w.findChild<TSkinObject*>("cont");
    QVERIFY(cont);
    QTest::mouseClick(cont, Qt::LeftButton);
    QCOMPARE(f.log.urls, QStringList{HomePageUrl});
}

void WindowTest::handlerErrorsEndInOneMessageBox() {
    WindowFixture f;
    int after = 0;
    f.window->Guard([&] {
        throw velmora::skin::SkinError("boom");
        ++after;
    });
    f.window->Guard([] { throw 42; });
    QCOMPARE(after, 0);
    QCOMPARE(f.log.errors, QStringList({"boom", "An unknown error occurred."}));
}

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
