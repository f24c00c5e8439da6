// The list with columns on real files: a folder of every format loads, edits
// and writes; sorting by a header keeps each row with its own file through
// edits and writes; the track field keeps a stored total; numbering follows
// the sorted order. Files are made by ffmpeg and TagLib and checked on disk
// with TagLib.
#include "AudioFixtures.h"
#include "WindowFixture.h"

#include "components/skin/Skin.h"
#include "tags/wma/WMAudioInfo.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

class ListTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void mixedFolderLoadsEditsAndWrites();
    void sortingKeepsEachRowWithItsFile();
    void typedTrackKeepsTheStoredTotal_data();
    void typedTrackKeepsTheStoredTotal();
    void numberingFollowsTheSortedOrder();

private:
    QString caseDir() const { return caseDir_->path(); }
    // A copy of the template of ext in the case folder, with its own title.
    QString file(const QString& name, const QString& ext, const QString& title = {});
    QTemporaryDir fixturesDir_;
    std::unique_ptr<QTemporaryDir> caseDir_;
    AudioFixtures fixtures_;
};

namespace {

// Clicks a column's header as a person does: scrolled into view first.
void clickHeader(Tfm_main& w, int column) {
    QHeaderView* header = w.lv_id3->header();
    w.lv_id3->horizontalScrollBar()->setValue(header->sectionPosition(column));
    const QPoint at(header->sectionViewportPosition(column) + 4, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    w.lv_id3->horizontalScrollBar()->setValue(0);
}

// Replaces a line field's text by typing, as a person does.
void typeOver(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void clickSkin(Tfm_main& w, const char* name) {
    QTest::mouseClick(w.Skin1->FindObject(QLatin1String(name)), Qt::LeftButton);
}

QString firstReport(const TestDialogs::Log& log) {
    return log.reports.isEmpty() ? QString() : log.reports.front().join('\n');
}

std::vector<std::string> column(Tfm_main& w, int column) {
    std::vector<std::string> texts;
    for (int row = 0; row < w.RowCount(); ++row)
        texts.push_back(w.lv_id3->topLevelItem(row)->text(column).toStdString());
    return texts;
}

// Every row shows the title its own file holds, and the tables agree.
void verifyRowsMatchTheirFiles(Tfm_main& w) {
    for (int row = 0; row < w.RowCount(); ++row) {
        const std::string path = w.RowPath(row);
        const std::string title = AudioFixtures::read(path).title;
        QCOMPARE(w.lv_id3->topLevelItem(row)->text(TitleColumn).toStdString(), title);
        QCOMPARE(TrackTable[row].Title, title);
        QCOMPARE(w.lv_id3->topLevelItem(row)->toolTip(FileNameColumn),
                 QString::fromStdString(path));
    }
}

} // namespace

void ListTest::initTestCase() {
    QVERIFY(fixturesDir_.isValid());
    QVERIFY2(fixtures_.make(fixturesDir_.path()), "ffmpeg could not make the fixture files");
    WMAudioInfo::Bind();
}

void ListTest::cleanupTestCase() {
    WMAudioInfo::Unbind();
}

void ListTest::init() {
    caseDir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(caseDir_->isValid());
}

QString ListTest::file(const QString& name, const QString& ext, const QString& title) {
    const QString path = caseDir() + "/" + name;
    if (!fixtures_.copy(ext, path) ||
        (!title.isEmpty() && !AudioFixtures::setProperty(path, "TITLE", title.toStdString())))
        qWarning("could not make %s", qPrintable(path));
    return path;
}

// A folder scan takes every format with tags; one edit over all rows reaches
// every file, and nothing else in them changes.
void ListTest::mixedFolderLoadsEditsAndWrites() {
    const std::map<QString, std::string> formats = {{"a.mp3", "MP3"},   {"b.ogg", "Ogg Vorbis"},
                                                    {"c.wma", "WMA"},   {"d.flac", "FLAC"},
                                                    {"e.opus", "Opus"}, {"f.m4a", "MP4/M4A"}};
    std::map<QString, std::string> before;
    for (const auto& [name, format] : formats) {
        const QString path = file(name, QFileInfo(name).suffix());
        before[path] = AudioFixtures::properties(path, "ALBUM");
    }
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.dialogs->folderAnswers.push_back(caseDir());
    clickSkin(w, "folder");
    QCOMPARE(w.RowCount(), 6);
    QVERIFY2(f.log.errors.isEmpty(), qPrintable(f.log.errors.join('\n')));
    for (int row = 0; row < w.RowCount(); ++row) {
        const QString name = QFileInfo(QString::fromStdString(w.RowPath(row))).fileName();
        QCOMPARE(w.lv_id3->topLevelItem(row)->text(FormatColumn).toStdString(), formats.at(name));
        QCOMPARE(w.lv_id3->topLevelItem(row)->text(TrackColumn), QStringLiteral("7"));
    }
    f.clickRow(0);
    QTest::keyClick(w.lv_id3, Qt::Key_End, Qt::ShiftModifier);
    typeOver(w.edt_alb, "Mixed");
    QCOMPARE(w.RowsWithUnwrittenEdits(), 6);
    clickSkin(w, "ok");
    QVERIFY2(f.log.reports.isEmpty(), qPrintable(firstReport(f.log)));
    QCOMPARE(w.RowsWithUnwrittenEdits(), 0);
    for (const auto& [path, properties] : before) {
        QCOMPARE(AudioFixtures::read(path).album, std::string("Mixed"));
        QCOMPARE(AudioFixtures::properties(path, "ALBUM"), properties);
    }
}

// A header click sorts, a second reverses; the fields, the tables, an edit
// and the write all follow the rows to their new places.
void ListTest::sortingKeepsEachRowWithItsFile() {
    file("1.mp3", "mp3", "Cherry");
    file("2.ogg", "ogg", "apple");
    file("3.flac", "flac", "Banana");
    file("4.m4a", "m4a", "date");
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.dialogs->folderAnswers.push_back(caseDir());
    clickSkin(w, "folder");
    QCOMPARE(w.RowCount(), 4);

    clickHeader(w, TitleColumn);
    QCOMPARE(column(w, TitleColumn),
             (std::vector<std::string>{"apple", "Banana", "Cherry", "date"}));
    verifyRowsMatchTheirFiles(w);
    clickHeader(w, TitleColumn);
    QCOMPARE(column(w, TitleColumn),
             (std::vector<std::string>{"date", "Cherry", "Banana", "apple"}));
    verifyRowsMatchTheirFiles(w);

    // Edit the second row (Cherry), then sort by file name: the edit stays
    // with Cherry's row, marked as unwritten, and is written into its file.
    f.clickRow(1);
    typeOver(w.edt_art, "Orchard");
    clickHeader(w, FileNameColumn);
    QCOMPARE(column(w, FileNameColumn), (std::vector<std::string>{"1", "2", "3", "4"}));
    QCOMPARE(TrackTable[0].Artist, std::string("Orchard"));
    QVERIFY(w.RowHasUnwrittenEdits(0));
    for (int row = 1; row < 4; ++row) {
        QCOMPARE(TrackTable[row].Artist, std::string("Fixture Artist"));
        QVERIFY(!w.RowHasUnwrittenEdits(row));
    }
    f.clickRow(2);
    QCOMPARE(w.edt_tatal->text(), QStringLiteral("Banana"));
    clickSkin(w, "ok");
    QVERIFY2(f.log.reports.isEmpty(), qPrintable(firstReport(f.log)));
    QCOMPARE(AudioFixtures::read(caseDir() + "/1.mp3").artist, std::string("Orchard"));
    for (const char* other : {"/2.ogg", "/3.flac", "/4.m4a"})
        QCOMPARE(AudioFixtures::read(caseDir() + other).artist, std::string("Fixture Artist"));
    clickHeader(w, ArtistColumn);
    QCOMPARE(column(w, ArtistColumn).back(), std::string("Orchard"));
    verifyRowsMatchTheirFiles(w);
}

void ListTest::typedTrackKeepsTheStoredTotal_data() {
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    for (const char* ext : {"mp3", "ogg", "flac", "opus", "m4a", "wma"}) {
        QTest::addRow("%s, number only", ext) << ext << "4"
                                              << "4/12";
        QTest::addRow("%s, number and total", ext) << ext << "4/10"
                                                   << "4/10";
    }
}

// "4" typed over "3/12" stores "4/12"; a typed total is stored as typed.
void ListTest::typedTrackKeepsTheStoredTotal() {
    QFETCH(QString, ext);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    const QString path = file("t." + ext, ext);
    QVERIFY(AudioFixtures::setProperty(path, "TRACKNUMBER", "3/12"));
    const std::string untouched = AudioFixtures::properties(path, "TRACKNUMBER");
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.dialogs->openAnswers.push_back({path});
    w.Remove1Click();
    QCOMPARE(w.edt_track->text(), QStringLiteral("3/12"));
    typeOver(w.edt_track, typed);
    clickSkin(w, "ok");
    QVERIFY2(f.log.reports.isEmpty(), qPrintable(firstReport(f.log)));
    QCOMPARE(QString::fromStdString(AudioFixtures::property(path, "TRACKNUMBER")), stored);
    QCOMPARE(AudioFixtures::properties(path, "TRACKNUMBER"), untouched);
    QCOMPARE(w.lv_id3->topLevelItem(0)->text(TrackColumn), stored);
}

// Sorted by title, the selected rows are numbered top to bottom; each keeps
// its total, and a row left out keeps its number.
void ListTest::numberingFollowsTheSortedOrder() {
    const QString b = file("1.mp3", "mp3", "b");
    const QString c = file("2.flac", "flac", "c");
    const QString a = file("3.ogg", "ogg", "a");
    const QString d = file("4.opus", "opus", "d");
    QVERIFY(AudioFixtures::setProperty(b, "TRACKNUMBER", "9/12"));
    QVERIFY(AudioFixtures::setProperty(a, "TRACKNUMBER", "5"));
    WindowFixture f;
    Tfm_main& w = *f.window;
    f.dialogs->folderAnswers.push_back(caseDir());
    clickSkin(w, "folder");
    QCOMPARE(w.RowCount(), 4);
    clickHeader(w, TitleColumn);
    QCOMPARE(column(w, TitleColumn), (std::vector<std::string>{"a", "b", "c", "d"}));
    f.clickRow(0);
    f.clickRow(2, Qt::ShiftModifier);
    w.NumberRows1->trigger();
    QCOMPARE(column(w, TrackColumn), (std::vector<std::string>{"1", "2/12", "3", "7"}));
    QCOMPARE(TrackTable[1].Track, std::string("2/12"));
    clickSkin(w, "ok");
    QVERIFY2(f.log.reports.isEmpty(), qPrintable(firstReport(f.log)));
    QCOMPARE(AudioFixtures::property(a, "TRACKNUMBER"), std::string("1"));
    QCOMPARE(AudioFixtures::property(b, "TRACKNUMBER"), std::string("2/12"));
    QCOMPARE(AudioFixtures::property(c, "TRACKNUMBER"), std::string("3"));
    QCOMPARE(AudioFixtures::property(d, "TRACKNUMBER"), std::string("7"));
}

QTEST_MAIN(ListTest)
#include "ListTest.moc"
