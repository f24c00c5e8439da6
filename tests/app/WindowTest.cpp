// The main window driven through its real widgets: selection and the fields
// (display only, several values, values shown whole), apply-to-all, the marks
// of unwritten edits, the path label, the playing row's colour, the genre
// list, the dispatch of skin commands by name and start-up with a missing or
// bad skin.
#include "WindowFixture.h"

#include "app/WebPages.h"
#include "components/skin/Skin.h"

#include <QClipboard>
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
    void keyboardMovesFillTheFields_data();
    void keyboardMovesFillTheFields();
    void selectingShowsAndNeverStores_data();
    void selectingShowsAndNeverStores();
    void severalValuesChangeOnlyByAnEdit();
    void applyToAllCopiesEvenEmptyText_data();
    void applyToAllCopiesEvenEmptyText();
    void commentKeepsItsLineBreaks_data();
    void commentKeepsItsLineBreaks();
    void longValuesAreNotCut();
    void genreKeepsWhatIsTyped_data();
    void genreKeepsWhatIsTyped();
    void rowsWithUnwrittenEditsAreBold();
    void rowsAreTallEnoughForUnderscores();
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
    QStringList columns;
    for (int column = 0; column < w.lv_id3->columnCount(); ++column)
        columns << w.lv_id3->headerItem()->text(column);
    QCOMPARE(columns, QStringList({"File name", "Title", "Artist", "Album", "Track", "Year",
                                   "Genre", "Format"}));
    for (QPushButton* b : {w.Button1, w.Button2, w.Button3, w.Button4, w.Button5, w.Button6}) {
        QVERIFY(b->text().isEmpty());
        QVERIFY(b->toolTip().startsWith("Apply the "));
    }
    QStringList popup;
    for (QAction* a : w.PopupMenu1->actions())
        popup << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(popup, QStringList({"Play",
                                 "Stop",
                                 "-",
                                 "Add File",
                                 "Add Folder",
                                 "-",
                                 "Remove",
                                 "Clear",
                                 "-",
                                 "Rename",
                                 "Write Tags",
                                 "Number the selected rows",
                                 "-",
                                 "Undo",
                                 "Redo",
                                 "Fill tags from file names\u2026",
                                 "Rename files from tags\u2026",
                                 "-",
                                 "Set cover\u2026",
                                 "Remove cover"}));
    // One skin button per command, each explained by a tooltip.
    for (const char* name : {"add", "remove", "ok", "reset", "clear", "web", "cont", "folder",
                             "play", "stop", "pause", "brack", "next"}) {
        TSkinObject* object = w.Skin1->FindObject(QLatin1String(name));
        QVERIFY2(object, name);
        QVERIFY2(!object->toolTip().isEmpty(), name);
        QVERIFY2(object->isVisible(), name);
    }
    QVERIFY(Tfm_main::OpenDialogFilter.startsWith(
        "All Supported Files (*.mp3 *.wav *.wma *.ogg *.oga *.opus *.flac *.m4a *.mp4);;"
        "MP3 Files(*.mp3) (*.mp3)"));
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
    f.addRows({"a", "b", "c", "d", "e", "f"}, [](int, Timerec& values) { values.Title.clear(); });
    f.clickRow(2);
    f.clickRow(5, Qt::ControlModifier);
    QVERIFY(f.window->IsRowSelected(2) && f.window->IsRowSelected(5));
    QTest::keyClicks(f.window->edt_tatal, "x");
    for (int i = 0; i < 6; ++i)
        QCOMPARE(TrackTable[i].Title, std::string(i == 2 || i == 5 ? "x" : ""));
    // The other fields of those rows keep their values; the baseline is untouched.
    QCOMPARE(TrackTable[5].Artist, std::string("Artist f"));
    QCOMPARE(BaselineTable[5].Title, std::string());
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

using Rows = QList<int>;

namespace {

Rows selectedRows(const Tfm_main& w) {
    Rows rows;
    for (int row = 0; row < w.RowCount(); ++row)
        if (w.IsRowSelected(row))
            rows << row;
    return rows;
}

const QString Several = QStringLiteral("(several values)");

} // namespace

void WindowTest::keyboardMovesFillTheFields_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<Rows>("selected");
    QTest::addColumn<QString>("title"); // shown after the move; empty: several values
    // clang-format off
    QTest::newRow("down") << int(Qt::Key_Down) << Qt::KeyboardModifiers() << Rows{3} << "d";
    QTest::newRow("up") << int(Qt::Key_Up) << Qt::KeyboardModifiers() << Rows{1} << "b";
    QTest::newRow("end") << int(Qt::Key_End) << Qt::KeyboardModifiers() << Rows{5} << "f";
    QTest::newRow("home") << int(Qt::Key_Home) << Qt::KeyboardModifiers() << Rows{0} << "a";
    QTest::newRow("page down") << int(Qt::Key_PageDown) << Qt::KeyboardModifiers() << Rows{5} << "f";
    QTest::newRow("page up") << int(Qt::Key_PageUp) << Qt::KeyboardModifiers() << Rows{0} << "a";
    QTest::newRow("shift down") << int(Qt::Key_Down) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                << Rows{2, 3} << "";
    QTest::newRow("ctrl a") << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::ControlModifier)
                            << Rows{0, 1, 2, 3, 4, 5} << "";
    // clang-format on
}

// Moving the selection by key fills the fields as a click does, and typing
// then goes into exactly the rows now selected.
void WindowTest::keyboardMovesFillTheFields() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(Rows, selected);
    QFETCH(QString, title);
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.addRows({"a", "b", "c", "d", "e", "f"});
    f.clickRow(2);
    w.lv_id3->setFocus();
    QTest::keyClick(w.lv_id3, Qt::Key(key), modifiers);
    QCOMPARE(selectedRows(w), selected);
    QCOMPARE(w.edt_tatal->text(), title);
    QCOMPARE(w.edt_tatal->placeholderText(), title.isEmpty() ? Several : QString());
    QCOMPARE(w.edt_alb->text(), QStringLiteral("Album"));
    QCOMPARE(QString::fromStdString(w.RowPath(selected.front())),
             w.PathCaption().split(' ', Qt::SkipEmptyParts).at(1));
    QTest::keyClicks(w.edt_art, "Z");
    for (int row = 0; row < 6; ++row) {
        const std::string own = "Artist " + std::string(1, char('a' + row));
        const std::string expected = !selected.contains(row) ? own
                                     : selected.size() == 1  ? own + "Z"
                                                             : "Z";
        QCOMPARE(TrackTable[row].Artist, expected);
        QCOMPARE(TrackTable[row].Title, BaselineTable[row].Title);
    }
}

void WindowTest::selectingShowsAndNeverStores_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("title");
    // clang-format off
    QTest::newRow("ctrl-click above") << 2 << 0 << Qt::KeyboardModifiers(Qt::ControlModifier) << "";
    QTest::newRow("ctrl-click below") << 0 << 3 << Qt::KeyboardModifiers(Qt::ControlModifier) << "";
    QTest::newRow("shift-click above") << 3 << 1 << Qt::KeyboardModifiers(Qt::ShiftModifier) << "";
    QTest::newRow("click another") << 0 << 3 << Qt::KeyboardModifiers() << "d";
    QTest::newRow("ctrl-click off") << 1 << 1 << Qt::KeyboardModifiers(Qt::ControlModifier) << "b";
    // clang-format on
}

// Clicks and the focus moving through the fields only show values: no
// row's values change. Values the selected rows share are shown, the others
// are empty with a grey placeholder.
void WindowTest::selectingShowsAndNeverStores() {
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, title);
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.addRows({"a", "b", "c", "d"}, [](int row, Timerec& values) {
        if (row == 1)
            values.Comment = "own\r\ncomment";
    });
    f.clickRow(first);
    f.clickRow(second, modifiers);
    QCOMPARE(w.edt_tatal->text(), title);
    QCOMPARE(w.edt_tatal->placeholderText(), title.isEmpty() ? Several : QString());
    QCOMPARE(w.edt_art->text().isEmpty(), title.isEmpty());
    QCOMPARE(w.edt_year->text(), QStringLiteral("2001"));
    QCOMPARE(w.edt_year->placeholderText(), QString());
    QCOMPARE(w.edt_genre->currentText(), QStringLiteral("Rock"));
    // The focus passes through every field and back to the list.
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    for (QWidget* field : std::initializer_list<QWidget*>{w.edt_tatal, w.edt_art, w.edt_alb,
                                                          w.edt_year, w.edt_genre, w.edt_com})
        field->setFocus();
    w.lv_id3->setFocus();
    for (int row = 0; row < 4; ++row)
        QVERIFY2(TrackTable[row] == BaselineTable[row], qPrintable(QString::number(row)));
    QCOMPARE(w.RowsWithUnwrittenEdits(), 0);
}

// A field showing several values copies nothing; an edit, even one that ends
// empty, sets that text in every selected row, and then its button copies it.
void WindowTest::severalValuesChangeOnlyByAnEdit() {
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.addRows({"a", "b", "c"});
    f.clickRow(0);
    f.clickRow(2, Qt::ControlModifier);
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QTest::mouseClick(w.Button2, Qt::LeftButton);
    for (int row = 0; row < 3; ++row)
        QVERIFY(TrackTable[row] == BaselineTable[row]);
    QTest::keyClicks(w.edt_tatal, "x");
    QCOMPARE(TrackTable[0].Title, std::string("x"));
    QTest::keyClick(w.edt_tatal, Qt::Key_Backspace);
    QCOMPARE(TrackTable[0].Title, std::string());
    QCOMPARE(TrackTable[2].Title, std::string());
    QCOMPARE(TrackTable[1].Title, std::string("b"));
    QCOMPARE(TrackTable[0].Artist, std::string("Artist a"));
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QCOMPARE(TrackTable[1].Title, std::string());
    QCOMPARE(TrackTable[2].Artist, std::string("Artist c"));
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
    f.addRows({"a", "b", "c"}, [](int row, Timerec& values) {
        if (row == 1)
            values.Comment = "shown";
    });
    f.clickRow(1);
    // Button n copies field n into every row; the field is typed over and the
    // button clicked as a person would.
    QWidget* const edits[] = {
        w.edt_tatal, w.edt_art, w.edt_alb, w.edt_year, w.edt_genre->lineEdit(), w.edt_com};
    QPushButton* const buttons[] = {w.Button1, w.Button2, w.Button3,
                                    w.Button4, w.Button5, w.Button6};
    std::string Timerec::*const fields[] = {&Timerec::Title, &Timerec::Artist, &Timerec::Album,
                                            &Timerec::Year,  &Timerec::Genre,  &Timerec::Comment};
    QWidget* edit = edits[button - 1];
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
    QTest::mouseClick(buttons[button - 1], Qt::LeftButton);
    std::string Timerec::*field = fields[button - 1];
    for (int i = 0; i < 3; ++i)
        QCOMPARE(QString::fromStdString(TrackTable[i].*field), text);
    QCOMPARE(QString::fromStdString(TrackTable[3].*field), QString()); // no row, untouched
    QCOMPARE(BaselineTable[0].Title, std::string("a"));
}

void WindowTest::commentKeepsItsLineBreaks_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("atEnd");
    QTest::addColumn<QString>("typed"); // \n presses Return, \b Backspace
    QTest::addColumn<QString>("expected");
    // clang-format off
    QTest::newRow("CR LF, typed at the end") << "one\r\ntwo\r\nthree" << true << "X" << "one\r\ntwo\r\nthreeX";
    QTest::newRow("lone CR, typed at the start") << "one\rtwo\rthree" << false << "X" << "Xone\rtwo\rthree";
    QTest::newRow("mixed, new line") << "a\r\nb\rc\nd" << true << "\ne" << "a\r\nb\rc\nd\r\ne";
    QTest::newRow("CR LF, last line erased") << "one\r\ntwo\r\nthree" << true << "\b\b\b\b\b\b" << "one\r\ntwo";
    QTest::newRow("no break, new line") << "one" << true << "\ntwo" << "one\ntwo";
    QTest::newRow("no-break space, line separator") << QString::fromUtf8("a\u00A0b\u2028c") << true << "X"
                                                    << QString::fromUtf8("a\u00A0b\u2028cX");
    // clang-format on
}

// The comment comes back as stored, in the lines the user did not touch too.
void WindowTest::commentKeepsItsLineBreaks() {
    QFETCH(QString, stored);
    QFETCH(bool, atEnd);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.addRows({"a", "b"}, [&](int, Timerec& values) { values.Comment = stored.toStdString(); });
    f.clickRow(0);
    f.clickRow(1, Qt::ShiftModifier);
    w.edt_com->setFocus();
    QTest::keyClick(w.edt_com, atEnd ? Qt::Key_End : Qt::Key_Home, Qt::ControlModifier);
    for (const QChar c : typed) {
        if (c == '\n')
            QTest::keyClick(w.edt_com, Qt::Key_Return);
        else if (c == '\b')
            QTest::keyClick(w.edt_com, Qt::Key_Backspace);
        else
            typeText(w.edt_com, c);
    }
    for (int row : {0, 1})
        QCOMPARE(QString::fromStdString(TrackTable[row].Comment), expected);
}

// A 40,000-character title is shown whole and an edit keeps it whole; a
// pasted value as long is kept whole too.
void WindowTest::longValuesAreNotCut() {
    WindowFixture f;
    Tfm_main& w = *f.window;
    const std::string longTitle(40000, 't');
    f.addRows({"a"}, [&](int, Timerec& values) { values.Title = longTitle; });
    f.clickRow(0);
    QCOMPARE(w.edt_tatal->text().size(), 40000);
    w.edt_tatal->setFocus();
    QTest::keyClick(w.edt_tatal, Qt::Key_End);
    QTest::keyClicks(w.edt_tatal, "!");
    QCOMPARE(TrackTable[0].Title, longTitle + "!");
    QApplication::clipboard()->setText(QString(40000, 'p'));
    for (QLineEdit* edit : {w.edt_art, w.edt_genre->lineEdit()}) {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    }
    QCOMPARE(TrackTable[0].Artist, std::string(40000, 'p'));
    QCOMPARE(TrackTable[0].Genre, std::string(40000, 'p'));
}

void WindowTest::genreKeepsWhatIsTyped_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("endKey"); // 0: the focus moves on
    QTest::newRow("Electro, Enter") << "Electro" << int(Qt::Key_Return);
    QTest::newRow("rock, Enter") << "rock" << int(Qt::Key_Return);
    QTest::newRow("rock, Tab") << "rock" << int(Qt::Key_Tab);
    QTest::newRow("Electro, focus moves") << "Electro" << 0;
}

// Typed key by key, the genre stays as typed: suggestions never complete or
// re-case it unless one is chosen.
void WindowTest::genreKeepsWhatIsTyped() {
    QFETCH(QString, typed);
    QFETCH(int, endKey);
    WindowFixture f;
    Tfm_main& w = *f.window;
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    f.addRows({"a"});
    f.clickRow(0);
    QLineEdit* edit = w.edt_genre->lineEdit();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, typed);
    if (endKey != 0)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(endKey));
    w.edt_tatal->setFocus();
    QCOMPARE(w.edt_genre->currentText(), typed);
    QCOMPARE(QString::fromStdString(TrackTable[0].Genre), typed);
}

void WindowTest::rowsWithUnwrittenEditsAreBold() {
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.addRows({"a", "b", "c"});
    const auto bold = [&](int row) {
        QStyleOptionViewItem option;
        w.lv_id3CustomDrawItem(row, option);
        return option.font.bold();
    };
    f.clickRow(1);
    QVERIFY(!bold(0) && !bold(1) && !bold(2));
    QTest::keyClicks(w.edt_year, "9");
    QVERIFY(!bold(0) && bold(1) && !bold(2));
    QTest::keyClick(w.edt_year, Qt::Key_Backspace); // back to the value as read
    QVERIFY(!bold(1));
}

// Descenders and underscores are drawn inside the row, clear of its grid line.
void WindowTest::rowsAreTallEnoughForUnderscores() {
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.addRows({"c_bad", "next"});
    const QRect row = w.lv_id3->visualItemRect(w.lv_id3->topLevelItem(0));
    const QFontMetrics metrics(w.lv_id3->font());
    QVERIFY2(row.height() >= metrics.height() + 4,
             qPrintable(QString("row %1, font %2").arg(row.height()).arg(metrics.height())));
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
    // Right of the file name, clear of the grid lines.
    return image.pixelColor(w.lv_id3->columnWidth(0) - 6, rect.center().y());
}

} // namespace

// Only the playing row is painted; the others keep the skin's colours.
void WindowTest::playingRowIsPaintedSkyBlue() {
    WindowFixture f;
    f.addRows({"a", "b", "c"});
    const QColor normal = rowColour(*f.window, 2);
    PlayingFlag = true;
    PlayingRowIndex = 1;
    f.window->lv_id3->viewport()->update();
    QCOMPARE(rowColour(*f.window, 1), QColor(166, 202, 240));
    QCOMPARE(rowColour(*f.window, 0), normal);
    QCOMPARE(rowColour(*f.window, 2), normal);
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
