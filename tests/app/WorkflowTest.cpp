// The whole workflow through the real window on real files: adding by file
// dialog, folder and drop, removing, clearing, writing all tags (read back by
// TagLib), reset, renaming, the keyboard, and the mended faults: the row
// bound, a reader error in an add, files without a reader, the folder
// dialog's close box, commands during a folder scan, files other programs
// made left as they were unless edited, edits kept through adds and asked
// about before they go, and every failed write reported.
#include "AudioFixtures.h"
#include "WindowFixture.h"

#include "components/skin/Skin.h"
#include "tags/wma/WMAudioInfo.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

class WorkflowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void addShowsFirstFileAndCaptionsWithoutExtension();
    void addFileKeepsWholeNameFolderDropsExtension();
    void folderTakesOnlyAudioFilesAndNoSubfolders();
    void sameFileTwiceGivesTwoRows();
    void removeTakesEverySelectedRow();
    void discardingEditsIsAsked_data();
    void discardingEditsIsAsked();
    void removingLastRowEmptiesFields();
    void clearThenAddFillsFromIndexZero();
    void everyAddKeepsUnwrittenEdits_data();
    void everyAddKeepsUnwrittenEdits();
    void okWithoutEditLeavesFilesAsTheyWere_data();
    void okWithoutEditLeavesFilesAsTheyWere();
    void editOfOneFieldWritesOnlyThatField_data();
    void editOfOneFieldWritesOnlyThatField();
    void writeAllIsReadBackByTagLib();
    void writeAllSkipsWavAndAsksOnce();
    void writeAllKeepsLongWmaTextsWhole();
    void writeAllAnswerYesClearsList();
    void writeAllOnEmptyListAsksNothing();
    void okGoesOnAfterAFailure_data();
    void okGoesOnAfterAFailure();
    void writeAllStopsPlaybackFirst();
    void resetAfterWriteShowsValuesAsWritten();
    void closeWithUnwrittenEditsAsks_data();
    void closeWithUnwrittenEditsAsks();
    void escCancelsRename();
    void renameCases_data();
    void renameCases();
    void renameNeverReplacesAFile();
    void renameOfPlayingRowIsRefused();
    void readerErrorStillGivesListedRowsTheirEntries();
    void fileWithoutReaderGetsEmptyFields();
    void rowBoundAddsWhatFitsAndSaysWhy();
    void folderDialogCloseBoxCountsAsCancel();
    void commandsWaitDuringAnAdd_data();
    void commandsWaitDuringAnAdd();
    void droppedFilesAndFoldersAreAdded();
    void keyboardShortcutsRunTheirCommands();
    void spacePlaysAndPausesFromTheList();
    void popupItemsRunTheirHandlers();
    void cancelledFolderDialogChangesNothing();
    void latin1NamesKeepTheirBytes_data();
    void latin1NamesKeepTheirBytes();
    void latin1FolderKeepsItsBytesThroughPlayAndRename();

private:
    QString caseDir() const { return caseDir_->path(); }
    QString file(const QString& name, const QString& ext = {});
    QTemporaryDir fixturesDir_;
    std::unique_ptr<QTemporaryDir> caseDir_;
    AudioFixtures fixtures_;
};

void WorkflowTest::initTestCase() {
    QVERIFY(fixturesDir_.isValid());
    QVERIFY2(fixtures_.make(fixturesDir_.path()), "ffmpeg could not make the fixture files");
    WMAudioInfo::Bind();
}

// Removes the case folder by its bytes: Qt cannot name entries that are not UTF-8.
void WorkflowTest::cleanup() {
    std::error_code error;
    std::filesystem::remove_all(QFile::encodeName(caseDir()).toStdString(), error);
}

void WorkflowTest::cleanupTestCase() {
    WMAudioInfo::Unbind();
}

void WorkflowTest::init() {
    caseDir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(caseDir_->isValid());
}

namespace {

// The whole content of a file (empty when it cannot be read).
QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// A copy of the template of the name's extension (or of ext) in the case folder.
QString WorkflowTest::file(const QString& name, const QString& ext) {
    const QString path = caseDir() + "/" + name;
    const QString kind = ext.isEmpty() ? QFileInfo(name).suffix().toLower() : ext;
    if (!fixtures_.copy(kind, path))
        qWarning("could not copy %s", qPrintable(path));
    return path;
}

void WorkflowTest::addShowsFirstFileAndCaptionsWithoutExtension() {
    WindowFixture f;
    f.dialogs->openAnswers.push_back({file("a.mp3"), file("b.ogg")});
    f.window->RunSkinCommand("add");
    QCOMPARE(f.log.lastFilter, Tfm_main::OpenDialogFilter);
    QCOMPARE(f.window->RowCount(), 2);
    QCOMPARE(f.window->RowCaption(0), std::string("a"));
    QCOMPARE(f.window->RowCaption(1), std::string("b"));
    QCOMPARE(QString::fromStdString(f.window->RowPath(1)), caseDir() + "/b.ogg");
    QCOMPARE(f.window->FirstSelectedRow(), 0);
    QCOMPARE(f.window->edt_tatal->text(), QStringLiteral("Template mp3"));
    QCOMPARE(f.window->edt_art->text(), QStringLiteral("Fixture Artist"));
    QCOMPARE(f.window->edt_year->text(), QStringLiteral("1999"));
    QCOMPARE(f.window->edt_genre->currentText(), QStringLiteral("Jazz"));
    QCOMPARE(TrackTable[1].Title, std::string("Template ogg"));
    QCOMPARE(TrackTable[1].Year, std::string("1999"));
    QVERIFY(f.log.errors.isEmpty());
}

void WorkflowTest::addFileKeepsWholeNameFolderDropsExtension() {
    const QString song = file("Song.MP3", "mp3");
    WindowFixture f;
    f.dialogs->openAnswers.push_back({song});
    f.window->Remove1Click();
    QCOMPARE(f.window->RowCaption(0), std::string("Song.MP3"));
    f.dialogs->folderAnswers.push_back(caseDir());
    f.window->Clear1Click();
    QCOMPARE(f.window->RowCount(), 2);
    QCOMPARE(f.window->RowCaption(1), std::string("Song"));
    QCOMPARE(TrackTable[1].Title, std::string("Template mp3")); // read although in capitals
}

void WorkflowTest::folderTakesOnlyAudioFilesAndNoSubfolders() {
    file("a.mp3");
    file("b.wav");
    file("c.ogg");
    QFile text(caseDir() + "/d.txt");
    QVERIFY(text.open(QIODevice::WriteOnly));
    QVERIFY(QDir(caseDir()).mkdir("sub"));
    file("sub/e.mp3", "mp3");
    WindowFixture f;
    f.dialogs->folderAnswers.push_back(caseDir());
    f.window->RunSkinCommand("folder");
    QStringList captions;
    for (int i = 0; i < f.window->RowCount(); ++i)
        captions << QString::fromStdString(f.window->RowCaption(i));
    captions.sort();
    QCOMPARE(captions, QStringList({"a", "c"}));
    QCOMPARE(f.window->FirstSelectedRow(), 0);
}

void WorkflowTest::sameFileTwiceGivesTwoRows() {
    const QString a = file("a.mp3");
    WindowFixture f;
    f.dialogs->openAnswers.push_back({a});
    f.dialogs->openAnswers.push_back({a});
    f.window->RunSkinCommand("add");
    f.window->RunSkinCommand("add");
    QCOMPARE(f.window->RowCount(), 2);
    QCOMPARE(f.window->RowPath(0), f.window->RowPath(1));
    QCOMPARE(TrackTable[1], TrackTable[0]);
}

void WorkflowTest::removeTakesEverySelectedRow() {
    WindowFixture f;
    f.addRows({"r0", "r1", "r2", "r3", "r4"});
    f.clickRow(1);
    f.clickRow(3, Qt::ControlModifier);
    f.window->RunSkinCommand("remove");
    QCOMPARE(f.window->RowCount(), 3);
    QCOMPARE(f.window->RowCaption(1), std::string("r2"));
    QCOMPARE(TrackTable[1].Title, std::string("r2"));
    QCOMPARE(BaselineTable[2].Title, std::string("r4"));
    QVERIFY(f.window->IsRowSelected(1)); // the row that took the first one's place
    QCOMPARE(f.window->edt_tatal->text(), QStringLiteral("r2"));
    // The popup's Remove does the same.
    f.clickRow(0);
    f.clickRow(2, Qt::ShiftModifier);
    f.window->Remove2Click();
    QCOMPARE(f.window->RowCount(), 0);
    QVERIFY(f.log.questions.isEmpty()); // nothing unwritten went
}

void WorkflowTest::discardingEditsIsAsked_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("rowsAfter");
    QTest::newRow("remove, keep") << "remove" << false << 3;
    QTest::newRow("remove, discard") << "remove" << true << 2;
    QTest::newRow("clear, keep") << "clear" << false << 3;
    QTest::newRow("clear, discard") << "clear" << true << 0;
}

// Rows with unwritten edits go only when the user agrees.
void WorkflowTest::discardingEditsIsAsked() {
    QFETCH(QString, command);
    QFETCH(bool, answer);
    QFETCH(int, rowsAfter);
    WindowFixture f;
    f.addRows({"a", "b", "c"});
    f.clickRow(1);
    QTest::keyClicks(f.window->edt_tatal, "!");
    f.dialogs->questionAnswer = answer;
    f.window->RunSkinCommand(command);
    QCOMPARE(f.log.questions,
             QStringList{"The changes to 1 file have not been written. Discard them?"});
    QCOMPARE(f.window->RowCount(), rowsAfter);
    if (!answer)
        QCOMPARE(TrackTable[1].Title, std::string("b!"));
}

void WorkflowTest::removingLastRowEmptiesFields() {
    WindowFixture f;
    f.addRows({"only"});
    f.clickRow(0);
    QCOMPARE(f.window->edt_tatal->text(), QStringLiteral("only"));
    f.window->Remove2Click();
    QCOMPARE(f.window->RowCount(), 0);
    for (QLineEdit* edit :
         {f.window->edt_tatal, f.window->edt_art, f.window->edt_alb, f.window->edt_year})
        QCOMPARE(edit->text(), QString());
    QCOMPARE(f.window->edt_com->toPlainText(), QString());
    QCOMPARE(f.window->edt_genre->currentText(), QString());
    QCOMPARE(f.window->PathCaption(), QStringLiteral("Path: "));
}

void WorkflowTest::clearThenAddFillsFromIndexZero() {
    const QString a = file("a.mp3");
    const QString b = file("b.ogg");
    WindowFixture f;
    f.addRows({"x", "y", "z"});
    f.window->RunSkinCommand("clear");
    QCOMPARE(f.window->RowCount(), 0);
    QCOMPARE(f.window->PathCaption(), QStringLiteral("Path: "));
    QCOMPARE(TrackTable[2].Title, std::string("z")); // entries stay, belonging to no row
    f.dialogs->openAnswers.push_back({b, a});
    f.window->RunSkinCommand("add");
    QCOMPARE(TrackTable[0].Title, std::string("Template ogg"));
    QCOMPARE(TrackTable[1].Title, std::string("Template mp3"));
    QCOMPARE(f.window->edt_tatal->text(), QStringLiteral("Template ogg"));
}

void WorkflowTest::everyAddKeepsUnwrittenEdits_data() {
    QTest::addColumn<QString>("road");
    QTest::newRow("Add File") << "popup";
    QTest::newRow("skin add") << "add";
    QTest::newRow("drop") << "drop";
    QTest::newRow("Add Folder") << "folder";
}

void WorkflowTest::everyAddKeepsUnwrittenEdits() {
    QFETCH(QString, road);
    const QString a = file("a.mp3");
    QTemporaryDir other;
    QVERIFY(fixtures_.copy("ogg", other.path() + "/x.ogg"));
    WindowFixture f;
    f.dialogs->openAnswers.push_back({a});
    f.window->RunSkinCommand("add");
    QTest::keyClicks(f.window->edt_tatal, " edited");
    const QString added = other.path() + "/x.ogg";
    if (road == "popup") {
        f.dialogs->openAnswers.push_back({added});
        f.window->Remove1->trigger();
    } else if (road == "add") {
        f.dialogs->openAnswers.push_back({added});
        QTest::mouseClick(f.window->Skin1->FindObject("add"), Qt::LeftButton);
    } else if (road == "drop") {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(added)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(f.window->lv_id3->viewport(), &enter);
        QDropEvent drop(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.window->lv_id3->viewport(), &drop);
    } else {
        f.dialogs->folderAnswers.push_back(other.path());
        f.window->AddFolder();
    }
    QCOMPARE(f.window->RowCount(), 2);
    QCOMPARE(TrackTable[0].Title, std::string("Template mp3 edited"));
    QCOMPARE(BaselineTable[0].Title, std::string("Template mp3"));
    QCOMPARE(TrackTable[1].Title, std::string("Template ogg"));
    QVERIFY(f.window->RowHasUnwrittenEdits(0));
}

namespace {

// A file's bytes and modification time.
struct FileState {
    QByteArray bytes;
    timespec modified{};
    bool operator==(const FileState& other) const {
        return bytes == other.bytes && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

FileState stateOf(const QString& path) {
    FileState state;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        state.bytes = file.readAll();
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0)
        state.modified = status.st_mtim;
    return state;
}

} // namespace

void WorkflowTest::okWithoutEditLeavesFilesAsTheyWere_data() {
    QTest::addColumn<QString>("selecting");
    QTest::newRow("clicks") << "clicks";
    QTest::newRow("keys") << "keys";
    QTest::newRow("ctrl a, apply to all") << "all";
}

// However the rows are selected, "ok" without an edit opens no file for
// writing: every file keeps its bytes and its modification time.
void WorkflowTest::okWithoutEditLeavesFilesAsTheyWere() {
    QFETCH(QString, selecting);
    QStringList paths;
    for (const QString& kind : AudioFixtures::foreignKinds()) {
        paths << caseDir() + "/" + kind + "." + kind.left(3);
        QVERIFY2(fixtures_.makeForeign(kind, paths.last()), qPrintable(kind));
    }
    std::vector<FileState> before;
    for (const QString& path : paths)
        before.push_back(stateOf(path));
    WindowFixture f;
    f.dialogs->openAnswers.push_back(paths);
    f.window->RunSkinCommand("add");
    QVERIFY2(f.log.errors.isEmpty(), qPrintable(f.log.errors.join('\n')));
    const int rows = f.window->RowCount();
    if (selecting == "clicks") {
        for (int row = rows - 1; row > 0; row -= 2) {
            f.clickRow(row);
            f.clickRow(row - 1, Qt::ControlModifier);
            f.clickRow(0, Qt::ShiftModifier);
        }
    } else {
        f.window->lv_id3->setFocus();
        for (int row = 0; row < rows; ++row)
            QTest::keyClick(f.window->lv_id3, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(f.window->lv_id3, Qt::Key_Home);
        QTest::keyClick(f.window->lv_id3, Qt::Key_A, Qt::ControlModifier);
        if (selecting == "all")
            for (QPushButton* button : {f.window->Button1, f.window->Button2, f.window->Button3,
                                        f.window->Button4, f.window->Button5, f.window->Button6})
                QTest::mouseClick(button, Qt::LeftButton);
    }
    f.window->RunSkinCommand("ok");
    QVERIFY2(f.log.errors.isEmpty() && f.log.reports.isEmpty(),
             qPrintable(f.log.errors.join('\n')));
    for (std::size_t i = 0; i < before.size(); ++i)
        QVERIFY2(stateOf(paths[int(i)]) == before[i], qPrintable(paths[int(i)]));
}

void WorkflowTest::editOfOneFieldWritesOnlyThatField_data() {
    QTest::addColumn<QString>("kind");
    for (const QString& kind : AudioFixtures::foreignKinds())
        if (kind != "mp3-empty")
            QTest::newRow(qPrintable(kind)) << kind;
}

// A title typed over several selected files reaches each of them, and every
// other value TagLib reads stays as it was.
void WorkflowTest::editOfOneFieldWritesOnlyThatField() {
    QFETCH(QString, kind);
    const QString path = caseDir() + "/" + kind + "." + kind.left(3);
    const QString other = caseDir() + "/other.mp3";
    QVERIFY(fixtures_.makeForeign(kind, path));
    QVERIFY(fixtures_.makeForeign("mp3-v23", other));
    const std::string before = AudioFixtures::properties(path, "TITLE");
    WindowFixture f;
    f.dialogs->openAnswers.push_back({path, other});
    f.window->RunSkinCommand("add");
    f.window->lv_id3->setFocus();
    QTest::keyClick(f.window->lv_id3, Qt::Key_A, Qt::ControlModifier);
    f.window->edt_tatal->setFocus();
    QTest::keyClick(f.window->edt_tatal, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(f.window->edt_tatal, "New title");
    f.window->RunSkinCommand("ok");
    QVERIFY2(f.log.reports.isEmpty(), qPrintable(f.log.reports.value(0).join('\n')));
    QCOMPARE(AudioFixtures::read(path).title, std::string("New title"));
    QCOMPARE(QString::fromStdString(AudioFixtures::properties(path, "TITLE")),
             QString::fromStdString(before));
}

void WorkflowTest::writeAllIsReadBackByTagLib() {
    const QString mp3 = caseDir() + "/one.mp3";
    const QString ogg = caseDir() + "/two.ogg";
    const QString wma = caseDir() + "/three.wma";
    QVERIFY(fixtures_.copy("mp3", mp3, "One", 3));
    QVERIFY(fixtures_.copy("ogg", ogg, "Two", 9));
    QVERIFY(fixtures_.copy("wma", wma, "Three", 11));
    WindowFixture f;
    f.dialogs->openAnswers.push_back({mp3, ogg, wma});
    f.window->RunSkinCommand("add");
    f.clickRow(0);
    f.clickRow(2, Qt::ShiftModifier);
    QTest::keyClicks(f.window->edt_art, " & Friends");
    f.window->edt_alb->setText("Ünïcode Album ✓");
    f.window->edt_genre->setEditText("Chiptune");
    f.window->edt_com->setPlainText("new comment");
    f.window->edt_year->setText("2024");
    f.clickRow(1);
    f.window->edt_tatal->setText("Second");
    f.window->RunSkinCommand("ok");
    QVERIFY2(f.log.errors.isEmpty(), qPrintable(f.log.errors.join('\n')));
    const char* titles[] = {"One", "Second", "Three"};
    const unsigned tracks[] = {3, 9, 11};
    int i = 0;
    for (const QString& path : {mp3, ogg, wma}) {
        const TagLibTags tags = AudioFixtures::read(path);
        QCOMPARE(tags.title, std::string(titles[i]));
        QCOMPARE(tags.artist, std::string("Fixture Artist & Friends"));
        QCOMPARE(tags.album, std::string("Ünïcode Album ✓"));
        QCOMPARE(tags.genre, std::string("Chiptune"));
        QVERIFY2(tags.comment == "new comment", (path + ": " + tags.comment.c_str()).toUtf8());
        QCOMPARE(tags.year, 2024u);
        // Each file keeps its own track number.
        QCOMPARE(tags.track, tracks[i]);
        ++i;
    }
    QCOMPARE(f.log.questions,
             QStringList{"information has been written finished, clear the list now?"});
    QCOMPARE(f.window->RowCount(), 3); // answered No
}

void WorkflowTest::writeAllSkipsWavAndAsksOnce() {
    const QString wav = file("w.wav");
    const QString mp3 = file("m.mp3");
    const QByteArray wavBefore = bytesOf(wav);
    QVERIFY(!wavBefore.isEmpty());
    WindowFixture f;
    f.dialogs->openAnswers.push_back({wav, mp3});
    f.window->RunSkinCommand("add");
    f.window->edt_tatal->setText("Both");
    f.clickRow(0);
    f.clickRow(1, Qt::ControlModifier);
    // The titles differ, so the field starts empty and takes what is typed.
    QTest::keyClicks(f.window->edt_tatal, "!");
    f.window->RunSkinCommand("ok");
    QCOMPARE(bytesOf(wav), wavBefore);
    QCOMPARE(AudioFixtures::read(mp3).title, std::string("!"));
    QCOMPARE(f.log.questions.size(), 1);
}

void WorkflowTest::writeAllKeepsLongWmaTextsWhole() {
    const QString wma = file("w.wma");
    WindowFixture f;
    f.dialogs->openAnswers.push_back({wma});
    f.window->RunSkinCommand("add");
    f.window->edt_com->setPlainText(QString(300, QChar(0x00E9))); // é, two bytes each
    f.window->edt_genre->setEditText(QString(40, 'g'));
    f.window->edt_tatal->setText(QString(130, 't'));
    f.window->RunSkinCommand("ok");
    QVERIFY2(f.log.errors.isEmpty(), qPrintable(f.log.errors.join('\n')));
    const TagLibTags tags = AudioFixtures::read(wma);
    // Texts longer than the old fixed widths (255, 32, 128) come through whole.
    QCOMPARE(QString::fromStdString(tags.comment), QString(300, QChar(0x00E9)));
    QCOMPARE(QString::fromStdString(tags.genre), QString(40, 'g'));
    QCOMPARE(QString::fromStdString(tags.title), QString(130, 't'));
}

void WorkflowTest::writeAllAnswerYesClearsList() {
    const QString mp3 = file("m.mp3");
    WindowFixture f;
    f.dialogs->questionAnswer = true;
    f.dialogs->openAnswers.push_back({mp3});
    f.window->RunSkinCommand("add");
    f.window->RunSkinCommand("ok");
    QCOMPARE(f.window->RowCount(), 0);
    QCOMPARE(f.window->edt_tatal->text(), QString());
    QCOMPARE(f.window->PathCaption(), QStringLiteral("Path: "));
}

void WorkflowTest::writeAllOnEmptyListAsksNothing() {
    WindowFixture f;
    f.window->RunSkinCommand("ok");
    QVERIFY(f.log.questions.isEmpty());
    QVERIFY(f.log.errors.isEmpty());
}

namespace {

// Sets or clears a folder's immutable flag: an immutable folder takes no new
// file, so a writer that replaces the file through a new one fails there,
// also for root.
bool setImmutable(const QString& folder, bool on) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

} // namespace

void WorkflowTest::okGoesOnAfterAFailure_data() {
    QTest::addColumn<QString>("failing"); // the file in row 2 of 5
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("reason");
    QTest::newRow("mp3 gone") << "f2.mp3"
                              << "gone"
                              << "No such file or directory";
    QTest::newRow("ogg in a locked folder") << "f2.ogg"
                                            << "locked"
                                            << "Operation not permitted";
    QTest::newRow("wma save fails") << "f2.wma"
                                    << "locked"
                                    << "Operation not permitted";
}

// One file that cannot be written does not stop the others; one report names
// it with the reason, and the list is not offered for clearing.
void WorkflowTest::okGoesOnAfterAFailure() {
    QFETCH(QString, failing);
    QFETCH(QString, how);
    QFETCH(QString, reason);
    const QString locked = caseDir() + "/locked";
    QVERIFY(QDir().mkdir(locked));
    const QString failingPath = locked + "/" + failing;
    QVERIFY(fixtures_.copy(QFileInfo(failing).suffix(), failingPath));
    const QStringList paths{file("f0.mp3"), file("f1.ogg"), failingPath, file("f3.wma"),
                            file("f4.mp3")};
    WindowFixture f;
    f.dialogs->questionAnswer = true;
    f.dialogs->openAnswers.push_back(paths);
    f.window->RunSkinCommand("add");
    f.window->lv_id3->setFocus();
    QTest::keyClick(f.window->lv_id3, Qt::Key_A, Qt::ControlModifier);
    f.window->edt_alb->selectAll();
    QTest::keyClicks(f.window->edt_alb, "New album");
    const QByteArray failingBefore = bytesOf(failingPath);
    if (how == "gone")
        QVERIFY(QFile::remove(failingPath));
    else if (!setImmutable(locked, true))
        QSKIP("the file system cannot lock a folder here");
    QTest::mouseClick(f.window->Skin1->FindObject("ok"), Qt::LeftButton);
    if (how == "locked")
        QVERIFY(setImmutable(locked, false));
    QVERIFY2(f.log.errors.isEmpty(), qPrintable(f.log.errors.join('\n')));
    QCOMPARE(f.log.reports.size(), 1);
    const QStringList report = f.log.reports.front();
    QCOMPARE(report.size(), 2);
    QCOMPARE(report[0], QStringLiteral("4 files written, 1 file not written:"));
    QVERIFY2(report[1].contains(failingPath) && report[1].contains(reason), qPrintable(report[1]));
    QVERIFY(f.log.questions.isEmpty());
    QCOMPARE(f.window->RowCount(), 5);
    QCOMPARE(bytesOf(failingPath), how == "gone" ? QByteArray() : failingBefore);
    for (int row : {0, 1, 3, 4}) {
        QCOMPARE(AudioFixtures::read(paths[row]).album, std::string("New album"));
        QVERIFY(!f.window->RowHasUnwrittenEdits(row));
    }
    QVERIFY(f.window->RowHasUnwrittenEdits(2)); // still to be written
}

void WorkflowTest::writeAllStopsPlaybackFirst() {
    const QString mp3 = file("m.mp3");
    WindowFixture f;
    f.window->AudioPlayer21->SetOutput(TAudioPlayer2::Output::Silent);
    f.dialogs->openAnswers.push_back({mp3});
    f.window->RunSkinCommand("add");
    f.window->RunSkinCommand("play");
    QVERIFY(PlayingFlag);
    f.window->edt_tatal->setText("While playing");
    f.window->RunSkinCommand("ok");
    QVERIFY(!PlayingFlag && !PausedFlag);
    QCOMPARE(AudioFixtures::read(mp3).title, std::string("While playing"));
}

// After a write, reset shows the values as written: as the file now holds them.
void WorkflowTest::resetAfterWriteShowsValuesAsWritten() {
    const QString mp3 = file("m.mp3");
    WindowFixture f;
    f.dialogs->openAnswers.push_back({mp3});
    f.window->RunSkinCommand("add");
    f.window->edt_tatal->setText("Written");
    f.window->RunSkinCommand("ok");
    QTest::keyClicks(f.window->edt_tatal, " later");
    QVERIFY(f.window->RowHasUnwrittenEdits(0));
    f.window->RunSkinCommand("reset");
    QCOMPARE(f.window->edt_tatal->text(), QStringLiteral("Written"));
    QCOMPARE(TrackTable[0].Title, std::string("Written"));
    QVERIFY(!f.window->RowHasUnwrittenEdits(0));
    const QByteArray written = bytesOf(mp3);
    f.window->RunSkinCommand("ok"); // nothing left to write
    QCOMPARE(bytesOf(mp3), written);
    QCOMPARE(AudioFixtures::read(mp3).title, std::string("Written"));
}

void WorkflowTest::closeWithUnwrittenEditsAsks_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("title"); // on disk afterwards
    QTest::newRow("write") << int(Dialogs::CloseAnswer::Write) << true << "Template mp3!";
    QTest::newRow("discard") << int(Dialogs::CloseAnswer::Discard) << true << "Template mp3";
    QTest::newRow("cancel") << int(Dialogs::CloseAnswer::Cancel) << false << "Template mp3";
}

void WorkflowTest::closeWithUnwrittenEditsAsks() {
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(QString, title);
    const QString mp3 = file("m.mp3");
    WindowFixture f;
    f.dialogs->openAnswers.push_back({mp3});
    f.window->RunSkinCommand("add");
    f.dialogs->closeAnswer = Dialogs::CloseAnswer(answer);
    QVERIFY(f.window->close()); // nothing unwritten: no question
    QVERIFY(f.log.closeQuestions.isEmpty());
    f.window->show();
    QTest::keyClicks(f.window->edt_tatal, "!");
    QCOMPARE(f.window->close(), closed);
    QCOMPARE(f.log.closeQuestions, QStringList{"Write the changes before closing?"});
    QCOMPARE(f.window->isVisible(), !closed);
    QCOMPARE(QString::fromStdString(AudioFixtures::read(mp3).title), title);
    QVERIFY(f.log.questions.isEmpty()); // no offer to clear the list on the way out
}

void WorkflowTest::escCancelsRename() {
    const QString song = file("song.mp3");
    WindowFixture f;
    QApplication::setActiveWindow(f.window.get());
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.dialogs->openAnswers.push_back({song});
    f.window->RunSkinCommand("add");
    f.window->lv_id3->setFocus();
    QTest::keyClick(f.window->lv_id3, Qt::Key_F2);
    QVERIFY(f.window->edt_tit->isVisible());
    QTest::keyClicks(f.window->edt_tit, "other");
    QTest::keyClick(f.window->edt_tit, Qt::Key_Escape);
    QVERIFY(f.window->edt_tit->isHidden());
    f.window->edt_tatal->setFocus();
    QCOMPARE(f.window->RowCaption(0), std::string("song"));
    QCOMPARE(QDir(caseDir()).entryList(QDir::Files), QStringList{"song.mp3"});
}

namespace {

// Opens the rename editor on the first selected row, types text and presses Enter.
void renameTo(WindowFixture& f, const QString& text) {
    f.window->lv_id3DblClick();
    QVERIFY(f.window->edt_tit->isVisible());
    f.window->edt_tit->setText(text);
    QTest::keyClick(f.window->edt_tit, Qt::Key_Return);
}

} // namespace

void WorkflowTest::renameCases_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("caption");  // expected caption afterwards
    QTest::addColumn<QString>("fileName"); // expected file name afterwards
    // clang-format off
    QTest::newRow("live") << "live" << "live" << "live.mp3";
    QTest::newRow("forbidden characters") << "a:b?c" << "abc" << "abc.mp3";
    QTest::newRow("all nine") << "*?|:\"/\\<>x" << "x" << "x.mp3";
    QTest::newRow("extension typed") << "new.mp3" << "new.mp3" << "new.mp3.mp3";
    QTest::newRow("empty") << "" << "song" << "song.mp3";
    QTest::newRow("only removed characters") << "??" << "song" << "song.mp3";
    QTest::newRow("unchanged") << "song" << "song" << "song.mp3";
    QTest::newRow("spaces and dots kept") << " a. b " << " a. b " << " a. b .mp3";
    // clang-format on
}

void WorkflowTest::renameCases() {
    QFETCH(QString, typed);
    QFETCH(QString, caption);
    QFETCH(QString, fileName);
    const QString song = file("song.mp3");
    WindowFixture f;
    f.dialogs->openAnswers.push_back({song});
    f.window->RunSkinCommand("add");
    const Timerec tags = TrackTable[0];
    renameTo(f, typed);
    QVERIFY(f.window->edt_tit->isHidden());
    QCOMPARE(QString::fromStdString(f.window->RowCaption(0)), caption);
    QCOMPARE(QString::fromStdString(f.window->RowPath(0)), caseDir() + "/" + fileName);
    QVERIFY(QFile::exists(caseDir() + "/" + fileName));
    QCOMPARE(QDir(caseDir()).entryList(QDir::Files), QStringList{fileName});
    QCOMPARE(TrackTable[0], tags);
    QVERIFY(f.log.information.isEmpty());
}

void WorkflowTest::renameNeverReplacesAFile() {
    const QString song = file("song.mp3");
    const QString taken = file("taken.mp3");
    const QByteArray takenBytes = bytesOf(taken);
    WindowFixture f;
    f.dialogs->openAnswers.push_back({song});
    f.window->RunSkinCommand("add");
    renameTo(f, "taken");
    QCOMPARE(f.log.information.size(), 1);
    QVERIFY2(f.log.information[0].contains("\"song.mp3\"") &&
                 f.log.information[0].contains("\"taken.mp3\"") &&
                 f.log.information[0].contains("already exists"),
             qPrintable(f.log.information[0]));
    QCOMPARE(f.window->RowCaption(0), std::string("song"));
    QCOMPARE(QString::fromStdString(f.window->RowPath(0)), song);
    QVERIFY(QFile::exists(song));
    QCOMPARE(bytesOf(taken), takenBytes);

    // A rename the file system refuses names the file and the reason.
    QVERIFY(QFile::remove(song));
    renameTo(f, "gone");
    QCOMPARE(f.log.information.size(), 2);
    QVERIFY2(f.log.information[1].contains("\"song.mp3\"") &&
                 f.log.information[1].contains("No such file"),
             qPrintable(f.log.information[1]));
    QCOMPARE(f.window->RowCaption(0), std::string("song"));
}

void WorkflowTest::renameOfPlayingRowIsRefused() {
    WindowFixture f;
    f.addRows({"a", "b"});
    f.clickRow(1);
    PlayingFlag = true;
    PlayingRowIndex = 1;
    f.window->lv_id3DblClick();
    QCOMPARE(f.log.information, QStringList{"You can not rename a file while it is playing."});
    QVERIFY(f.window->edt_tit->isHidden());
    f.clickRow(0);
    f.window->lv_id3DblClick();
    QVERIFY(f.window->edt_tit->isVisible());
    QCOMPARE(f.window->edt_tit->text(), QStringLiteral("a"));
    QCOMPARE(f.window->edt_tit->parentWidget(), f.window->lv_id3->viewport());
    QCOMPARE(f.window->edt_tit->width(), 220);
    PlayingFlag = false;
}

void WorkflowTest::readerErrorStillGivesListedRowsTheirEntries() {
    const QString good = file("good.mp3");
    const QString bad = caseDir() + "/bad.ogg";
    QFile damaged(bad);
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("OggS this is not a Vorbis stream at all");
    damaged.close();
    const QString x = file("x.mp3");
    const QString y = file("y.mp3");
    WindowFixture f;
    f.addRows({"old0", "old1"}); // leave values in entries 0 and 1
    f.window->RunSkinCommand("clear");
    f.dialogs->openAnswers.push_back({good, bad, x, y});
    QTest::mouseClick(f.window->Skin1->FindObject("add"), Qt::LeftButton);
    QCOMPARE(f.log.errors.size(), 1);
    QCOMPARE(f.window->RowCount(), 2); // the damaged file keeps its row, x and y are not added
    QCOMPARE(f.window->RowCaption(1), std::string("bad"));
    QCOMPARE(TrackTable[0].Title, std::string("Template mp3"));
    QCOMPARE(TrackTable[1], Timerec{}); // not the values old1 left there
    QCOMPARE(f.window->FirstSelectedRow(), 0);
    QCOMPARE(f.window->edt_tatal->text(), QStringLiteral("Template mp3"));

    // A folder scan that meets the damaged file ends there the same way.
    const QString scan = caseDir() + "/scan";
    QVERIFY(QDir().mkdir(scan) && QFile::copy(bad, scan + "/bad.ogg"));
    f.window->RunSkinCommand("clear");
    f.dialogs->folderAnswers.push_back(scan);
    QTest::mouseClick(f.window->Skin1->FindObject("folder"), Qt::LeftButton);
    QCOMPARE(f.log.errors.size(), 2);
    QCOMPARE(f.window->RowCount(), 1);
    QCOMPARE(TrackTable[0], Timerec{}); // not the values good.mp3 left there
    QCOMPARE(f.window->edt_tatal->text(), QString());
    QVERIFY(!f.window->IsBusy());
}

void WorkflowTest::fileWithoutReaderGetsEmptyFields() {
    const QString wav = file("w.wav");
    WindowFixture f;
    f.addRows({"old"});
    f.window->RunSkinCommand("clear");
    f.dialogs->openAnswers.push_back({wav});
    f.window->Remove1Click();
    QCOMPARE(f.window->RowCaption(0), std::string("w.wav"));
    QCOMPARE(TrackTable[0], Timerec{});
    QCOMPARE(f.window->edt_tatal->text(), QString());
}

void WorkflowTest::rowBoundAddsWhatFitsAndSaysWhy() {
    const QString a = file("a.mp3");
    const QString b = file("b.mp3");
    const QString c = file("c.mp3");
    WindowFixture f;
    for (int i = 0; i < TrackTableCapacity - 1; ++i)
        f.window->AppendRow("row", "/music/row.mp3");
    f.dialogs->openAnswers.push_back({a, b, c});
    f.window->RunSkinCommand("add");
    QCOMPARE(f.window->RowCount(), TrackTableCapacity);
    QCOMPARE(f.window->RowCaption(TrackTableCapacity - 1), std::string("a"));
    QCOMPARE(TrackTable[TrackTableCapacity - 1].Title, std::string("Template mp3"));
    QCOMPARE(f.log.information,
             QStringList{"2 files were not added: the list holds at most 1001 files."});
    // A folder add at the bound adds nothing and says so too.
    f.dialogs->folderAnswers.push_back(caseDir());
    f.window->AddFolder();
    QCOMPARE(f.window->RowCount(), TrackTableCapacity);
    QCOMPARE(f.log.information.last(),
             QStringLiteral("3 files were not added: the list holds at most 1001 files."));
}

void WorkflowTest::folderDialogCloseBoxCountsAsCancel() {
    Tfm_dir dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Add File Directory"));
    QCOMPARE(dialog.SelectedFolder(), QDir::homePath());
    dialog.SelectFolder(caseDir());
    dialog.btn_okClick();
    QCOMPARE(QString::fromStdString(ChosenFolder), caseDir());
    // The tree keeps its selection for the next use.
    QCOMPARE(dialog.SelectedFolder(), caseDir());
    dialog.open();
    QVERIFY(dialog.isVisible());
    dialog.close(); // the frame's close box
    QVERIFY(!dialog.isVisible());
    QCOMPARE(ChosenFolder, std::string());
}

void WorkflowTest::commandsWaitDuringAnAdd_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("folder scan") << "folder";
    QTest::newRow("add file") << "add";
}

void WorkflowTest::commandsWaitDuringAnAdd() {
    QFETCH(QString, command);
    QStringList files;
    for (int i = 0; i < 20; ++i)
        files << file(QString("f%1.mp3").arg(i));
    WindowFixture f;
    const auto queueAnswer = [&] {
        if (command == "folder")
            f.dialogs->folderAnswers.push_back(caseDir());
        else
            f.dialogs->openAnswers.push_back(files);
    };
    f.addRows({"kept"});
    bool busySeen = false;
    // Commands arriving while the add handles pending events must not touch the list.
    QTimer::singleShot(0, f.window.get(), [&] {
        busySeen = f.window->IsBusy();
        f.window->RunSkinCommand("clear");
        f.window->RunSkinCommand("remove");
        f.window->Remove2Click();
        f.window->Clear2Click();
    });
    queueAnswer();
    f.window->RunSkinCommand(command);
    QVERIFY(busySeen);
    QVERIFY(!f.window->IsBusy());
    QCOMPARE(f.window->RowCount(), 21);
    QCOMPARE(f.window->RowCaption(0), std::string("kept"));
    for (int i = 1; i < 21; ++i)
        QCOMPARE(TrackTable[i].Title, std::string("Template mp3"));
    QVERIFY(f.window->Skin1->FindObject("clear")->isEnabled());

    // The progress dialog can cancel the add: the rows added so far stay.
    QTimer::singleShot(0, f.window.get(), [&] {
        if (auto* progress = f.window->findChild<QProgressDialog*>())
            progress->cancel();
    });
    queueAnswer();
    f.window->RunSkinCommand(command);
    QCOMPARE(f.window->RowCount(), 21); // cancelled at the first file
    QVERIFY(!f.window->IsBusy());
    QCOMPARE(f.window->findChild<QProgressDialog*>(), nullptr);
}

void WorkflowTest::droppedFilesAndFoldersAreAdded() {
    const QString single = file("single.mp3");
    QTemporaryDir folder;
    fixtures_.copy("ogg", folder.path() + "/inside.ogg");
    WindowFixture f;
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(single), QUrl::fromLocalFile(folder.path())});
    QWidget* viewport = f.window->lv_id3->viewport();
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QCOMPARE(f.window->RowCount(), 2);
    QCOMPARE(f.window->RowCaption(0), std::string("single.mp3"));
    QCOMPARE(f.window->RowCaption(1), std::string("inside"));
    QCOMPARE(TrackTable[1].Title, std::string("Template ogg"));
}

void WorkflowTest::keyboardShortcutsRunTheirCommands() {
    WindowFixture f;
    QApplication::setActiveWindow(f.window.get());
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QTest::keyClick(f.window.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(f.log.openDialogs, 1);
    f.addRows({"a", "b"});
    f.clickRow(0);
    f.window->lv_id3->setFocus();
    QTest::keyClick(f.window->lv_id3, Qt::Key_Delete);
    QCOMPARE(f.window->RowCount(), 1);
    QTest::keyClick(f.window->lv_id3, Qt::Key_F2);
    QVERIFY(f.window->edt_tit->isVisible());
    QTest::keyClick(f.window->edt_tit, Qt::Key_Escape);
    f.window->edt_tatal->setFocus();
    f.window->edt_tatal->setText("typed");
    QTest::keyClick(f.window.get(), Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(TrackTable[0].Title, std::string("b"));
    // Ctrl+S writes all; the listed path does not exist, so the writer's
    // error ends in the report.
    QTest::keyClicks(f.window->edt_tatal, "x");
    QTest::keyClick(f.window.get(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f.log.reports.size(), 1);
    QVERIFY2(f.log.reports[0].value(1).contains("Cannot open file") &&
                 f.log.reports[0].value(1).contains("/music/b.mp3"),
             qPrintable(f.log.reports[0].join('\n')));
    // The tooltips tell the keys.
    QVERIFY(f.window->Skin1->FindObject("add")->toolTip().contains("Ctrl+O"));
    QVERIFY(f.window->Skin1->FindObject("ok")->toolTip().contains("Ctrl+S"));
    QVERIFY(f.window->Skin1->FindObject("remove")->toolTip().contains("Delete"));
    QVERIFY(f.window->Skin1->FindObject("reset")->toolTip().contains("Ctrl+R"));
    QVERIFY(f.window->Skin1->FindObject("play")->toolTip().contains("Space"));
    QVERIFY(f.window->lv_id3->toolTip().startsWith(
        "You can rename a file by double clicking the file name."));
    QVERIFY(f.window->lv_id3->toolTip().contains("F2"));
}

void WorkflowTest::spacePlaysAndPausesFromTheList() {
    const QString mp3 = file("m.mp3");
    WindowFixture f;
    f.window->AudioPlayer21->SetOutput(TAudioPlayer2::Output::Silent);
    QApplication::setActiveWindow(f.window.get());
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.dialogs->openAnswers.push_back({mp3});
    f.window->RunSkinCommand("add");
    f.window->lv_id3->setFocus();
    QTest::keyClick(f.window->lv_id3, Qt::Key_Space);
    QVERIFY(PlayingFlag && !PausedFlag);
    QTest::keyClick(f.window->lv_id3, Qt::Key_Space);
    QVERIFY(PlayingFlag && PausedFlag);
    // In a field, Space is only a character.
    f.window->edt_tatal->setFocus();
    QTest::keyClick(f.window->edt_tatal, Qt::Key_Space);
    QVERIFY(PausedFlag);
    f.window->RunSkinCommand("stop");
    QVERIFY(!PlayingFlag);
}

void WorkflowTest::popupItemsRunTheirHandlers() {
    const QString a = file("a.mp3");
    WindowFixture f;
    f.dialogs->openAnswers.push_back({a});
    f.window->Remove1->trigger(); // "Add File"
    QCOMPARE(f.window->RowCount(), 1);
    QCOMPARE(f.window->RowCaption(0), std::string("a.mp3"));
    f.dialogs->folderAnswers.push_back(caseDir());
    f.window->Clear1->trigger(); // "Add Folder"
    QCOMPARE(f.window->RowCount(), 2);
    f.window->Remove2->trigger(); // "Remove"
    QCOMPARE(f.window->RowCount(), 1);
    f.window->Clear2->trigger(); // "Clear"
    QCOMPARE(f.window->RowCount(), 0);
    QVERIFY(f.log.errors.isEmpty());
}

void WorkflowTest::cancelledFolderDialogChangesNothing() {
    file("a.mp3");
    WindowFixture f;
    f.addRows({"x", "y"});
    f.clickRow(1);
    f.dialogs->folderAnswers.push_back(caseDir());
    f.window->AddFolder();
    QCOMPARE(f.window->RowCount(), 3);
    f.clickRow(1);
    f.window->edt_tatal->setText("edit");
    f.window->AddFolder(); // no answer queued: Cancel
    QCOMPARE(f.window->RowCount(), 3);
    QCOMPARE(CurrentRowIndex, 1);
    QCOMPARE(f.window->edt_tatal->text(), QStringLiteral("edit"));
    QCOMPARE(ChosenFolder, std::string());
}

namespace {

// Names as an old Latin-1 system wrote them: each accented letter is one byte
// that is not UTF-8.
const std::string Latin1Mp3 = "caf\xE9.mp3";
const std::string Latin1Ogg = "na\xEFve.ogg";
const std::string Latin1Folder = "d\xE9j\xE0";

// The entry names of a folder as bytes, sorted.
std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (std::string name = entry->d_name; name != "." && name != "..")
                names.push_back(std::move(name));
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A text with the bytes shown as escapes, for failure messages.
QByteArray escaped(const std::string& bytes) {
    return QByteArray::fromStdString(bytes).toPercentEncoding("/");
}

// Drops the byte paths onto the list as a file manager does: file URLs with
// every byte that is not plain ASCII percent-encoded.
void dropBytePaths(WindowFixture& f, const std::vector<std::string>& paths) {
    QByteArray uris;
    for (const std::string& path : paths)
        uris += "file://" + QByteArray::fromStdString(path).toPercentEncoding("/") + "\r\n";
    QMimeData mime;
    mime.setData(QStringLiteral("text/uri-list"), uris);
    QWidget* viewport = f.window->lv_id3->viewport();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
}

} // namespace

void WorkflowTest::latin1NamesKeepTheirBytes_data() {
    QTest::addColumn<QString>("road");
    QTest::newRow("folder scan") << "folder";
    QTest::newRow("file dialog") << "dialog";
    QTest::newRow("drop") << "drop";
}

// Files whose names are not UTF-8 are listed, read, edited and written under
// their own bytes, whichever way they come into the list.
void WorkflowTest::latin1NamesKeepTheirBytes() {
    QFETCH(QString, road);
    const std::string folder = QFile::encodeName(caseDir()).toStdString();
    const std::string mp3 = folder + "/" + Latin1Mp3;
    const std::string ogg = folder + "/" + Latin1Ogg;
    QVERIFY(fixtures_.copy("mp3", caseDir() + "/a.mp3", "Old mp3", 3));
    QVERIFY(fixtures_.copy("ogg", caseDir() + "/b.ogg", "Old ogg", 5));
    QCOMPARE(std::rename((folder + "/a.mp3").c_str(), mp3.c_str()), 0);
    QCOMPARE(std::rename((folder + "/b.ogg").c_str(), ogg.c_str()), 0);

    WindowFixture f;
    if (road == "folder") {
        f.dialogs->folderAnswers.push_back(caseDir());
        f.window->AddFolder();
    } else if (road == "dialog") {
        // The file dialog hands over names as text, with the bad bytes lost.
        f.dialogs->openAnswers.push_back(
            {QFile::decodeName(mp3.c_str()), QFile::decodeName(ogg.c_str())});
        f.window->Remove1Click();
    } else {
        dropBytePaths(f, {mp3, ogg});
    }
    QVERIFY2(f.log.information.isEmpty() && f.log.errors.isEmpty(),
             qPrintable((f.log.information + f.log.errors).join('\n')));
    QCOMPARE(f.window->RowCount(), 2);
    std::vector<std::string> listed = {f.window->RowPath(0), f.window->RowPath(1)};
    std::sort(listed.begin(), listed.end());
    QVERIFY2(listed == std::vector<std::string>({mp3, ogg}), escaped(listed[0] + " " + listed[1]));
    for (int row = 0; row < 2; ++row) {
        const bool isMp3 = f.window->RowPath(row) == mp3;
        QCOMPARE(TrackTable[row].Title, std::string(isMp3 ? "Old mp3" : "Old ogg"));
        QVERIFY(QString::fromStdString(f.window->RowCaption(row))
                    .contains(QChar::ReplacementCharacter));
    }

    f.clickRow(0);
    f.clickRow(1, Qt::ShiftModifier);
    f.window->edt_art->setText("Ünïcode Artist");
    f.window->RunSkinCommand("ok");
    QVERIFY2(f.log.errors.isEmpty(), qPrintable(f.log.errors.join('\n')));
    QCOMPARE(AudioFixtures::read(mp3).artist, std::string("Ünïcode Artist"));
    QCOMPARE(AudioFixtures::read(ogg).artist, std::string("Ünïcode Artist"));
    QCOMPARE(AudioFixtures::read(mp3).track, 3u);
    QVERIFY(entriesOf(folder) == std::vector<std::string>({Latin1Mp3, Latin1Ogg}));
}

// A file in a folder whose name is not UTF-8: added through the file dialog,
// played, renamed to a UTF-8 name typed by the user (the folder keeps its
// bytes), and written under its new name.
void WorkflowTest::latin1FolderKeepsItsBytesThroughPlayAndRename() {
    const std::string folder = QFile::encodeName(caseDir()).toStdString() + "/" + Latin1Folder;
    QCOMPARE(::mkdir(folder.c_str(), 0700), 0);
    const std::string song = folder + "/" + Latin1Mp3;
    QVERIFY(fixtures_.copy("mp3", caseDir() + "/a.mp3", "Song", 2));
    QCOMPARE(std::rename(QFile::encodeName(caseDir() + "/a.mp3").constData(), song.c_str()), 0);

    WindowFixture f;
    f.window->AudioPlayer21->SetOutput(TAudioPlayer2::Output::Silent);
    f.dialogs->openAnswers.push_back({QFile::decodeName(song.c_str())});
    f.window->Remove1Click();
    QCOMPARE(f.window->RowPath(0), song);

    f.window->Guard([&] { f.window->PlayFile(); });
    QVERIFY2(f.log.errors.isEmpty(), qPrintable(f.log.errors.join('\n')));
    QVERIFY(PlayingFlag);
    QCOMPARE(PlayingRowIndex, 0);
    f.window->StopPlay();

    renameTo(f, QStringLiteral("Café Noir"));
    QVERIFY2(f.log.information.isEmpty(), qPrintable(f.log.information.join('\n')));
    const std::string renamed = folder + "/Café Noir.mp3";
    QCOMPARE(f.window->RowPath(0), renamed);
    QVERIFY(entriesOf(folder) == std::vector<std::string>({"Café Noir.mp3"}));

    f.window->edt_tatal->setText("Renamed");
    f.window->RunSkinCommand("ok");
    QVERIFY2(f.log.errors.isEmpty(), qPrintable(f.log.errors.join('\n')));
    QCOMPARE(AudioFixtures::read(renamed).title, std::string("Renamed"));
    QVERIFY(entriesOf(folder) == std::vector<std::string>({"Café Noir.mp3"}));
    QVERIFY(entriesOf(QFile::encodeName(caseDir()).toStdString()) ==
            std::vector<std::string>({Latin1Folder}));
}

QTEST_MAIN(WorkflowTest)
#include "WorkflowTest.moc"
