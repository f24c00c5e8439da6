// The playback commands of the main window, run through the real window, its
// popup items and the real audio components on the silent output: a state
// table of command scripts, end of play, pause, and renaming while playing.
#include "app/Tageditor.h"
#include "app/TrackList.h"
#include "tests/audio/SampleAudio.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kFiles = 3;
constexpr double kSeconds = 2.5; // 110250 frames: two blocks and a bit
constexpr qint64 kLeftAfterStart = 110250 - 2 * 44100;

double toneOf(int file) {
    return 300 + 200 * file;
}

// Answers every dialog at once and keeps the messages shown.
class RecordingDialogs : public Dialogs {
public:
    QStringList errors;
    QStringList informations;

    QStringList getOpenFileNames(QWidget*, const QString&) override { return {}; }
    void runFolderDialog(Tfm_dir&) override {}
    void information(QWidget*, const QString& text) override { informations << text; }
    bool question(QWidget*, const QString&) override { return false; }
    void error(QWidget*, const QString& text) override { errors << text; }
    void writeReport(QWidget*, const QString& summary, const QStringList& failures) override {
        errors << summary + '\n' + failures.join('\n');
    }
    CloseAnswer askWriteDiscardCancel(QWidget*, const QString&) override {
        return CloseAnswer::Discard;
    }
    void openUrl(const QString&) override {}
};

QString rowsText(const QList<int>& rows) {
    QStringList parts;
    for (int row : rows)
        parts << QString::number(row);
    return parts.join(',');
}

} // namespace

class PlaybackTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        for (int file = 0; file < kFiles; ++file) {
            velmora::test::ToneShape shape;
            shape.seconds = kSeconds;
            shape.frequency = toneOf(file);
            QString error;
            good_ << velmora::test::makeTone(dir_.path(), QString("tone%1").arg(file), shape,
                                             &error);
            QVERIFY2(!good_.last().isEmpty(), qPrintable(error));
        }
        velmora::test::ToneShape shortShape;
        shortShape.seconds = 0.3;
        short_ = velmora::test::makeTone(dir_.path(), "short", shortShape);
        velmora::test::ToneShape longerShape;
        longerShape.seconds = 1.2;
        longer_ = velmora::test::makeTone(dir_.path(), "longer", longerShape);
        QVERIFY(!short_.isEmpty() && !longer_.isEmpty());
        bad_ = dir_.filePath("broken.mp3");
        QFile bad(bad_);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("this is no audio at all");
    }

    void init() {
        ResetModuleState();
        window_ = std::make_unique<Tfm_main>();
        auto dialogs = std::make_unique<RecordingDialogs>();
        dialogs_ = dialogs.get();
        window_->setDialogs(std::move(dialogs));
        window_->AudioPlayer21->SetOutput(TAudioPlayer2::Output::Silent);
        window_->show();
        dialogs_->errors.clear(); // start-up (the skin) is not what is tested here
    }

    void cleanup() {
        window_.reset();
        ResetModuleState();
    }

    void stateTable_data() {
        QTest::addColumn<QString>("rows"); // g: the next tone file, x: a broken file
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("playing");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<int>("playingRow");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("openFile"); // tone file whose audio comes next; -1: none open
        QTest::addColumn<int>("painted");  // the row coloured as playing; -1: none
        QTest::addColumn<int>("errors");

        // clang-format off
        QTest::newRow("play, empty list") << "" << "play" << false << false << 0 << "" << -1 << -1 << 0;
        QTest::newRow("play, no selection") << "ggg" << "play" << true << false << 0 << "0" << 0 << 0 << 0;
        QTest::newRow("play, several selected") << "ggg" << "sel:1,2;play" << true << false << 1 << "1,2" << 1 << 1 << 0;
        QTest::newRow("play while playing") << "ggg" << "sel:0;play;sel:2;play" << true << false << 2 << "2" << 2 << 2 << 0;
        QTest::newRow("play while playing, same row") << "ggg" << "sel:1;play;play" << true << false << 1 << "1" << 1 << 1 << 0;
        QTest::newRow("play while paused resumes") << "ggg" << "sel:0;play;pause;sel:2;play" << true << false << 0 << "2" << 0 << 0 << 0;
        QTest::newRow("pause") << "ggg" << "play;pause" << true << true << 0 << "0" << 0 << 0 << 0;
        QTest::newRow("pause twice") << "ggg" << "play;pause;pause" << true << false << 0 << "0" << 0 << 0 << 0;
        QTest::newRow("pause while stopped") << "ggg" << "pause" << false << false << 0 << "" << -1 << -1 << 0;
        QTest::newRow("previous on row 0") << "ggg" << "sel:0;play;brack" << true << false << 0 << "0" << 0 << 0 << 0;
        QTest::newRow("previous") << "ggg" << "sel:2;play;brack" << true << false << 1 << "1" << 1 << 1 << 0;
        QTest::newRow("next on the last row") << "ggg" << "sel:2;play;next" << true << false << 2 << "2" << 2 << 2 << 0;
        QTest::newRow("next selects one row") << "ggg" << "sel:0,2;play;next" << true << false << 1 << "1" << 1 << 1 << 0;
        QTest::newRow("next while stopped") << "ggg" << "sel:0;next" << false << false << 0 << "0" << -1 << -1 << 0;
        QTest::newRow("next while paused resumes") << "ggg" << "sel:0;play;pause;next" << true << false << 0 << "1" << 0 << 0 << 0;
        QTest::newRow("stop while stopped") << "ggg" << "stop" << false << false << 0 << "" << -1 << -1 << 0;
        QTest::newRow("stop keeps the row index") << "ggg" << "sel:1;play;stop" << false << false << 1 << "1" << -1 << -1 << 0;
        QTest::newRow("stop while paused") << "ggg" << "sel:1;play;pause;stop" << false << false << 1 << "1" << -1 << -1 << 0;
        // A file that cannot be played: its error shown, playback stopped, no colour.
        QTest::newRow("broken file") << "gxg" << "sel:1;play" << false << false << 1 << "1" << -1 << -1 << 1;
        QTest::newRow("next onto a broken file") << "gxg" << "sel:0;play;next" << false << false << 1 << "1" << -1 << -1 << 1;
        QTest::newRow("play after a broken file") << "gxg" << "sel:1;play;sel:2;play" << true << false << 2 << "2" << 2 << 2 << 1;
        // Rows removed or cleared while playing: the colour stays on the
        // playing file's row, and previous and next stay inside the list.
        QTest::newRow("row above removed") << "ggg" << "sel:2;play;remove:0" << true << false << 1 << "1" << 2 << 1 << 0;
        QTest::newRow("row above removed, next") << "ggg" << "sel:2;play;remove:0;next" << true << false << 1 << "1" << 2 << 1 << 0;
        QTest::newRow("row above removed, previous") << "ggg" << "sel:2;play;remove:0;brack" << true << false << 0 << "0" << 1 << 0 << 0;
        QTest::newRow("rows below removed, next") << "ggg" << "sel:1;play;remove:2;next" << true << false << 1 << "1" << 1 << 1 << 0;
        QTest::newRow("playing row removed") << "ggg" << "sel:1;play;remove:1" << true << false << -1 << "" << 1 << -1 << 0;
        QTest::newRow("playing row removed, next") << "ggg" << "sel:1;play;remove:1;next;brack" << true << false << -1 << "" << 1 << -1 << 0;
        QTest::newRow("cleared, next, previous") << "ggg" << "sel:1;play;clear;next;brack" << true << false << -1 << "" << 1 << -1 << 0;
        QTest::newRow("playing row removed, listed again") << "ggg" << "sel:1;play;remove:1;add:1" << true << false << 2 << "" << 1 << 2 << 0;
        QTest::newRow("cleared and refilled") << "ggg" << "sel:2;play;clear;add:0;add:1;next" << true << false << -1 << "" << 2 << -1 << 0;
        QTest::newRow("cleared, refilled, play") << "ggg" << "sel:2;play;clear;add:0;add:1;sel:1;play" << true << false << 1 << "1" << 1 << 1 << 0;
        QTest::newRow("skin play, stop") << "ggg" << "sel:1;skin:play;skin:stop" << false << false << 1 << "1" << -1 << -1 << 0;
        QTest::newRow("skin remove above") << "ggg" << "sel:2;play;sel:0;skin:remove" << true << false << 1 << "*" << 2 << 1 << 0;
        QTest::newRow("skin remove playing row") << "ggg" << "sel:1;play;skin:remove;next" << true << false << -1 << "*" << 1 << -1 << 0;
        QTest::newRow("skin clear, next") << "ggg" << "sel:1;play;skin:clear;next;brack" << true << false << -1 << "" << 1 << -1 << 0;
        QTest::newRow("paused, row above removed") << "ggg" << "sel:1;play;pause;remove:0;brack" << true << true << 0 << "0" << 1 << 0 << 0;
        // clang-format on
    }

    void stateTable() {
        QFETCH(QString, rows);
        QFETCH(QString, script);
        QFETCH(bool, playing);
        QFETCH(bool, paused);
        QFETCH(int, playingRow);
        QFETCH(QString, selected);
        QFETCH(int, openFile);
        QFETCH(int, painted);
        QFETCH(int, errors);

        Tfm_main& w = *window_;
        for (int i = 0; i < rows.size(); ++i)
            addRow(rows[i] == 'x' ? bad_ : good_[i]);
        for (const QString& command : script.split(';'))
            run(command);

        QCOMPARE(PlayingFlag, playing);
        QCOMPARE(PausedFlag, paused);
        QCOMPARE(PlayingRowIndex, playingRow);
        if (selected != "*") // *: whatever the list's own commands leave selected
            QCOMPARE(rowsText(selectedRows()), selected);
        QCOMPARE(paintedRows(), painted < 0 ? QList<int>() : QList<int>{painted});
        QCOMPARE(dialogs_->errors.size(), errors);
        if (errors > 0)
            QVERIFY2(dialogs_->errors.first().contains(bad_), qPrintable(dialogs_->errors.first()));

        // Output runs exactly while playing and not paused.
        QSignalSpy ticks(w.AudioPlayer21, &TAudioPlayer2::OnTimer);
        if (playing && !paused) {
            QTRY_VERIFY_WITH_TIMEOUT(!ticks.isEmpty(), 5000);
        } else {
            QTest::qWait(150);
            QVERIFY(ticks.isEmpty());
        }

        // The file component holds the file started last, freshly opened
        // with two blocks read, or nothing.
        QCOMPARE(w.AudioFile21->IsOpen(), openFile >= 0);
        if (openFile >= 0) {
            const AudioBlock rest = w.AudioFile21->ReadBlock(1 << 20);
            QCOMPARE(rest.size() / 4, kLeftAfterStart);
            const auto samples = velmora::test::channelOf(rest, 0);
            const double tone = velmora::test::toneFrequency(
                samples, velmora::test::Stretch{0, samples.size()}, 44100);
            QVERIFY2(std::abs(tone - toneOf(openFile)) < 2, qPrintable(QString::number(tone)));
        }
    }

    void endOfPlayStopsWithoutStartingTheNextRow_data() {
        QTest::addColumn<bool>("longer");
        QTest::newRow("one block") << false;
        QTest::newRow("several blocks") << true;
    }

    void endOfPlayStopsWithoutStartingTheNextRow() {
        QFETCH(bool, longer);
        Tfm_main& w = *window_;
        addRow(longer ? longer_ : short_);
        addRow(good_[1]);
        QSignalSpy ends(w.AudioPlayer21, &TAudioPlayer2::OnEndPlay);
        QSignalSpy blocks(w.AudioPlayer21, &TAudioPlayer2::OnEndArrayPlay);
        QElapsedTimer clock;
        clock.start();
        run("sel:0");
        run("play");
        QVERIFY(PlayingFlag);
        QCOMPARE(paintedRows(), QList<int>{0});
        QTRY_VERIFY_WITH_TIMEOUT(!PlayingFlag, 10000);
        // The silent output keeps real time: the end comes after the audio.
        QVERIFY(clock.elapsed() >= (longer ? 1150 : 250));
        QCOMPARE(ends.size(), 1);
        QVERIFY(blocks.size() >= (longer ? 1 : 0));
        QVERIFY(!PausedFlag);
        QCOMPARE(PlayingRowIndex, 0);
        QCOMPARE(paintedRows(), QList<int>());
        QCOMPARE(selectedRows(), QList<int>{0});
        QVERIFY(!w.AudioFile21->IsOpen());
        QTest::qWait(200);
        QVERIFY(!PlayingFlag);
        QCOMPARE(ends.size(), 1);
        QVERIFY(dialogs_->errors.isEmpty());
    }

    void pausedPlaybackHoldsItsPlace() {
        Tfm_main& w = *window_;
        addRow(short_);
        QSignalSpy ends(w.AudioPlayer21, &TAudioPlayer2::OnEndPlay);
        run("play");
        run("pause");
        QTest::qWait(600); // twice the file's length
        QVERIFY(PlayingFlag && PausedFlag);
        QCOMPARE(ends.size(), 0);
        QCOMPARE(paintedRows(), QList<int>{0});
        run("pause");
        QTRY_VERIFY_WITH_TIMEOUT(!PlayingFlag, 5000);
        QCOMPARE(ends.size(), 1);
    }

    void renamingThePlayingRow_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("refused");
        QTest::newRow("playing") << "sel:1;play" << true;
        QTest::newRow("paused") << "sel:1;play;pause" << true;
        QTest::newRow("stopped") << "sel:1;play;stop" << false;
        QTest::newRow("another row") << "sel:1;play;sel:0" << false;
    }

    void renamingThePlayingRow() {
        QFETCH(QString, script);
        QFETCH(bool, refused);
        for (int i = 0; i < kFiles; ++i)
            addRow(good_[i]);
        for (const QString& command : script.split(';'))
            run(command);
        Tfm_main& w = *window_;
        w.Guard([&] { w.lv_id3DblClick(); });
        const QStringList refusal{"You can not rename a file while it is playing."};
        QCOMPARE(dialogs_->informations, refused ? refusal : QStringList());
    }

private:
    void addRow(const QString& path) {
        window_->AppendRow(QFileInfo(path).completeBaseName().toStdString(), path.toStdString());
    }

    // play and stop go through the popup items, "skin:<name>" through the
    // skin command of that name; pause, brack and next are skin commands.
    void run(const QString& command) {
        Tfm_main& w = *window_;
        const QString name = command.section(':', 0, 0);
        const QString argument = command.section(':', 1);
        if (name == "play") {
            w.Play1->trigger();
        } else if (name == "stop") {
            w.Stop1->trigger();
        } else if (name == "pause" || name == "brack" || name == "next") {
            w.Guard([&] { w.RunSkinCommand(name); });
        } else if (name == "skin") {
            w.Guard([&] { w.RunSkinCommand(argument); });
        } else if (name == "sel") {
            w.DeselectAllRows();
            for (const QString& row : argument.split(','))
                w.SelectRow(row.toInt());
        } else if (name == "remove") {
            delete w.lv_id3->takeTopLevelItem(argument.toInt());
        } else if (name == "clear") {
            w.lv_id3->clear();
        } else if (name == "add") {
            addRow(good_[argument.toInt()]);
        } else {
            QFAIL(qPrintable("unknown command " + command));
        }
    }

    QList<int> selectedRows() const {
        QList<int> rows;
        for (int row = 0; row < window_->RowCount(); ++row)
            if (window_->IsRowSelected(row))
                rows << row;
        return rows;
    }

    // The rows that the window colours as the playing row.
    QList<int> paintedRows() const {
        QList<int> rows;
        for (int row = 0; row < window_->RowCount(); ++row) {
            QStyleOptionViewItem option;
            window_->lv_id3CustomDrawItem(row, option);
            if (option.backgroundBrush.color() == QColor(166, 202, 240))
                rows << row;
        }
        return rows;
    }

    QTemporaryDir dir_;
    QStringList good_;
    QString short_;
    QString longer_;
    QString bad_;
    std::unique_ptr<Tfm_main> window_;
    RecordingDialogs* dialogs_ = nullptr;
};

QTEST_MAIN(PlaybackTest)
#include "PlaybackTest.moc"
