// The playback commands of the main window, run through the real window, its
// popup items and the real audio components on the silent output: a state
// table of command scripts (with what the player bar shows), end of play,
// pause, renaming while playing, and moving within the playing file with the
// slider and the keys.
#include "app/PlayerBar.h"
#include "app/Tageditor.h"
#include "app/TrackList.h"
#include "tests/audio/SampleAudio.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kFiles = 3;
constexpr double kSeconds = 2.5; // 110250 frames: two blocks and a bit
constexpr qint64 kLeftAfterStart = 110250 - 2 * 44100;
constexpr int kSongSeconds = 40;

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
        velmora::test::ToneShape songShape;
        songShape.codec = "libmp3lame";
        songShape.extension = "mp3";
        songShape.seconds = kSongSeconds;
        song_ = velmora::test::makeTone(dir_.path(), "song", songShape);
        QVERIFY(!song_.isEmpty());
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
        // The player bar tells the state and the playing file's length.
        QCOMPARE(w.PlayerBar1->stateLabel()->text(), !playing ? "Stopped"
                                                     : paused ? "Paused"
                                                              : "Playing");
        QCOMPARE(w.PlayerBar1->lengthLabel()->text(), playing ? "0:02" : "0:00");
        QCOMPARE(w.PlayerBar1->slider()->isEnabled(), playing);

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
        QCOMPARE(w.PlayerBar1->stateLabel()->text(), "Stopped");
        QCOMPARE(w.PlayerBar1->positionLabel()->text(), "0:00");
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

    void positionAdvancesWhilePlaying() {
        Tfm_main& w = *window_;
        addRow(song_);
        run("play");
        QCOMPARE(w.PlayerBar1->lengthLabel()->text(), "0:40");
        QCOMPARE(w.PlayerBar1->positionLabel()->text(), "0:00");
        QTRY_COMPARE_WITH_TIMEOUT(w.PlayerBar1->positionLabel()->text(), "0:01", 3000);
        QVERIFY(w.PlayerBar1->slider()->value() >= 1000);
        run("pause");
        const int held = w.PlayerBar1->slider()->value();
        QTest::qWait(300);
        QCOMPARE(w.PlayerBar1->slider()->value(), held);
        QCOMPARE(w.PlayerBar1->stateLabel()->text(), "Paused");
    }

    // How the user moves: a click on the groove, a drag of the handle, the
    // slider's keys, Ctrl and the arrows in the list. The player goes on from
    // there, its bar shows it, and a paused file stays paused.
    void movingWithinThePlayingFile_data() {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<int>("expectedMs"); // -1: where the slider says
        QTest::newRow("click at three quarters") << "click" << false << -1;
        QTest::newRow("click while paused") << "click" << true << -1;
        QTest::newRow("drag to a quarter") << "drag" << false << -1;
        QTest::newRow("right arrow on the slider") << "right" << false << 5000;
        QTest::newRow("page up on the slider") << "pageup" << true << 30000;
        QTest::newRow("end and back home") << "endhome" << false << 0;
        QTest::newRow("ctrl+right in the list") << "list-right" << false << 5000;
        QTest::newRow("ctrl+left in the list") << "list-left" << true << 0;
    }

    void movingWithinThePlayingFile() {
        QFETCH(QString, gesture);
        QFETCH(bool, paused);
        QFETCH(int, expectedMs);
        Tfm_main& w = *window_;
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        addRow(song_);
        run("play");
        if (paused)
            run("pause");
        PlayerBar& bar = *w.PlayerBar1;
        QSlider& slider = *bar.slider();
        const int grooveY = slider.height() / 2;
        if (gesture == "click") {
            QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(slider.width() * 3 / 4, grooveY));
        } else if (gesture == "drag") {
            const QPoint handle = handleCentre(slider);
            const qint64 before = w.AudioFile21->Position();
            QTest::mousePress(&slider, Qt::LeftButton, {}, handle);
            QTest::mouseMove(&slider, QPoint(slider.width() / 4, grooveY));
            // While held, only the handle and the position shown move.
            QVERIFY(slider.isSliderDown());
            QCOMPARE(w.AudioFile21->Position(), before);
            QCOMPARE(bar.positionLabel()->text(), PlayerBar::timeText(slider.sliderPosition()));
            QVERIFY(slider.sliderPosition() > 5000);
            QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(slider.width() / 4, grooveY));
        } else if (gesture == "right" || gesture == "pageup" || gesture == "endhome") {
            slider.setFocus();
            if (gesture == "endhome") {
                QTest::keyClick(&slider, Qt::Key_End);
                QCOMPARE(bar.positionLabel()->text(), "0:40");
                QTest::keyClick(&slider, Qt::Key_Home);
            } else {
                QTest::keyClick(&slider, gesture == "right" ? Qt::Key_Right : Qt::Key_PageUp);
            }
        } else {
            w.lv_id3->setFocus();
            QTest::keyClick(w.lv_id3, gesture == "list-right" ? Qt::Key_Right : Qt::Key_Left,
                            Qt::ControlModifier);
        }
        if (expectedMs < 0) {
            expectedMs = slider.value();
            const int quarter = kSongSeconds * 1000 / 4;
            QVERIFY2(std::abs(expectedMs - (gesture == "click" ? 3 * quarter : quarter)) < 2000,
                     qPrintable(QString::number(expectedMs)));
        }
        QVERIFY(dialogs_->errors.isEmpty());
        QVERIFY(PlayingFlag);
        QCOMPARE(PausedFlag, paused);
        QCOMPARE(bar.stateLabel()->text(), paused ? "Paused" : "Playing");
        // The player hears the file from there, and the bar shows it.
        const auto near = [&](qint64 ms) { return ms >= expectedMs && ms < expectedMs + 400; };
        QVERIFY2(near(w.PlayingPosition()), qPrintable(QString::number(w.PlayingPosition())));
        QVERIFY(near(slider.value()));
        QCOMPARE(bar.positionLabel()->text(), PlayerBar::timeText(slider.value()));
        // Two blocks of the new place are queued (an MP3 lands where its
        // table of contents says, up to 20 ms off).
        const qint64 decodedFrom = w.AudioFile21->Position() - 2 * 44100;
        QVERIFY2(std::abs(decodedFrom - qint64(expectedMs) * 441 / 10) < 882,
                 qPrintable(QString::number(decodedFrom)));
        if (paused) {
            const qint64 held = w.PlayingPosition();
            QTest::qWait(200);
            QCOMPARE(w.PlayingPosition(), held);
            run("pause");
        }
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayingPosition() > expectedMs + 100, 3000);
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
    static QPoint handleCentre(QSlider& slider) {
        QStyleOptionSlider option;
        option.initFrom(&slider);
        option.orientation = slider.orientation();
        option.minimum = slider.minimum();
        option.maximum = slider.maximum();
        option.sliderPosition = slider.sliderPosition();
        option.sliderValue = slider.value();
        return slider.style()
            ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider)
            .center();
    }

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
    QString song_;
    QString bad_;
    std::unique_ptr<Tfm_main> window_;
    RecordingDialogs* dialogs_ = nullptr;
};

QTEST_MAIN(PlaybackTest)
#include "PlaybackTest.moc"
