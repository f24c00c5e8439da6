// TAudioPlayer2 on the silent output: blocks are played in real time with one
// OnEndArrayPlay each and one OnEndPlay after the last; the queue is bounded;
// a new format drops what was queued; Stop holds the place; a starving queue
// asks for more once; and with no sound server the automatic output falls
// back to silence and behaves the same.
#include "components/audio/AudioPlayer2.h"
#include "components/audio/BlockQueue.h"
#include "components/audio/SilentOutput.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <cmath>
#include <cstring>

namespace {

constexpr int kRate = 44100;
constexpr int kAmplitude = 8000;

// A block of frames of a 441 Hz tone (a whole number of periods per 100
// frames) on the left channel and half of it on the right.
AudioBlock toneBlock(int frames) {
    AudioBlock block(qsizetype(frames) * 4, Qt::Uninitialized);
    for (int i = 0; i < frames; ++i) {
        const auto left = int16_t(std::lround(kAmplitude * std::sin(2 * M_PI * i / 100.0)));
        const auto right = int16_t(left / 2);
        std::memcpy(block.data() + i * 4, &left, 2);
        std::memcpy(block.data() + i * 4 + 2, &right, 2);
    }
    return block;
}

void queue(TAudioPlayer2& player, int blocks, int frames) {
    for (int i = 0; i < blocks; ++i) {
        AudioBlock block = toneBlock(frames);
        player.PlayArray(block);
    }
}

void queueEnd(TAudioPlayer2& player) {
    AudioBlock end;
    player.PlayArray(end);
}

struct Spies {
    explicit Spies(TAudioPlayer2& player)
        : blocks(&player, &TAudioPlayer2::OnEndArrayPlay),
          requests(&player, &TAudioPlayer2::OnRequestOnLoadArray),
          ends(&player, &TAudioPlayer2::OnEndPlay), timer(&player, &TAudioPlayer2::OnTimer) {}
    QSignalSpy blocks;
    QSignalSpy requests;
    QSignalSpy ends;
    QSignalSpy timer;

    int lastPosition() const { return timer.isEmpty() ? -1 : timer.last().at(1).toInt(); }
};

} // namespace

class AudioPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // No sound server: the automatic output must fall back to silence.
        qputenv("PULSE_SERVER", "unix:/nonexistent/velmora/pulse/native");
    }

    void playsBlocksInRealTimeAndEndsOnce_data() {
        QTest::addColumn<bool>("automatic");
        QTest::newRow("silent") << false;
        QTest::newRow("automatic without a server") << true;
    }

    void playsBlocksInRealTimeAndEndsOnce() {
        QFETCH(bool, automatic);
        TAudioPlayer2 player;
        if (!automatic)
            player.SetOutput(TAudioPlayer2::Output::Silent);
        Spies spies(player);
        player.SetFormat(2, kRate);
        queue(player, 5, 4410); // 0.5 s
        queueEnd(player);
        QElapsedTimer clock;
        clock.start();
        player.Play();
        QVERIFY(!player.UsesDevice());
        QTRY_COMPARE_WITH_TIMEOUT(spies.ends.size(), 1, 5000);
        QVERIFY2(clock.elapsed() >= 480, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(spies.blocks.size(), 5);
        QCOMPARE(spies.requests.size(), 0);
        // Position rises to the frames played; levels follow each channel.
        int previous = 0;
        int loudestLeft = 0;
        int loudestRight = 0;
        for (const QList<QVariant>& tick : spies.timer) {
            QCOMPARE(tick.at(0).value<QObject*>(), &player);
            QVERIFY(tick.at(1).toInt() >= previous);
            previous = tick.at(1).toInt();
            loudestLeft = std::max(loudestLeft, tick.at(2).toInt());
            loudestRight = std::max(loudestRight, tick.at(3).toInt());
        }
        QCOMPARE(spies.lastPosition(), 22050);
        QCOMPARE(loudestLeft, kAmplitude);
        QCOMPARE(loudestRight, kAmplitude / 2);
        // Nothing more after the end, not even when asked to play again.
        player.Play();
        QTest::qWait(150);
        QCOMPARE(spies.ends.size(), 1);
        QCOMPARE(spies.blocks.size(), 5);
    }

    void boundsTheQueue() {
        TAudioPlayer2 player;
        player.SetOutput(TAudioPlayer2::Output::Silent);
        Spies spies(player);
        player.SetFormat(2, kRate);
        queue(player, 20, 441);
        queueEnd(player);
        player.Play();
        QTRY_COMPARE_WITH_TIMEOUT(spies.ends.size(), 1, 5000);
        QCOMPARE(spies.blocks.size(), 16);
        QCOMPARE(spies.lastPosition(), 16 * 441);
    }

    void newFormatDropsWhatWasQueued() {
        TAudioPlayer2 player;
        player.SetOutput(TAudioPlayer2::Output::Silent);
        Spies spies(player);
        player.SetFormat(2, kRate);
        queue(player, 3, 44100);
        player.Play();
        QTest::qWait(120);
        player.Stop();
        player.SetFormat(2, kRate);
        queue(player, 1, 441);
        queueEnd(player);
        spies.blocks.clear();
        spies.timer.clear();
        player.Play();
        QTRY_COMPARE_WITH_TIMEOUT(spies.ends.size(), 1, 5000);
        QCOMPARE(spies.blocks.size(), 1);
        QCOMPARE(spies.lastPosition(), 441);
    }

    void stopHoldsThePlace() {
        TAudioPlayer2 player;
        player.SetOutput(TAudioPlayer2::Output::Silent);
        Spies spies(player);
        player.SetFormat(2, kRate);
        queue(player, 3, 4410); // 0.3 s
        queueEnd(player);
        QElapsedTimer clock;
        clock.start();
        player.Play();
        QTest::qWait(100);
        player.Stop();
        const int position = spies.lastPosition();
        const qsizetype events = spies.blocks.size() + spies.timer.size();
        QTest::qWait(500);
        QCOMPARE(spies.blocks.size() + spies.timer.size(), events); // silent while stopped
        QCOMPARE(spies.ends.size(), 0);
        player.Stop(); // twice is harmless
        player.Play();
        QTRY_COMPARE_WITH_TIMEOUT(spies.ends.size(), 1, 5000);
        QVERIFY(clock.elapsed() >= 780); // 0.3 s of audio plus the 0.5 s stop
        QVERIFY(spies.lastPosition() > position);
        QCOMPARE(spies.lastPosition(), 13230);
        QCOMPARE(spies.blocks.size(), 3);
    }

    void restartHearsTheNewPlaceFromItsFrame_data() {
        QTest::addColumn<bool>("paused");
        QTest::newRow("playing") << false;
        QTest::newRow("paused") << true;
    }

    // A jump: what was queued for the old place is never heard, the position
    // goes on from the new frame, and a paused player waits for Play.
    void restartHearsTheNewPlaceFromItsFrame() {
        QFETCH(bool, paused);
        constexpr qint64 kJump = 441000;
        TAudioPlayer2 player;
        player.SetOutput(TAudioPlayer2::Output::Silent);
        player.SetFormat(2, kRate);
        queue(player, 5, 4410);
        player.Play();
        QTRY_VERIFY(player.Position() > 0);
        if (paused)
            player.Stop();
        player.Restart(kJump);
        QCOMPARE(player.Position(), kJump);
        Spies spies(player);
        queue(player, 2, 4410);
        queueEnd(player);
        if (paused) {
            QTest::qWait(150);
            QCOMPARE(player.Position(), kJump);
            QCOMPARE(spies.timer.size(), 0);
            player.Play();
        }
        QTRY_COMPARE_WITH_TIMEOUT(spies.ends.size(), 1, 5000);
        QCOMPARE(spies.blocks.size(), 2);
        QCOMPARE(spies.lastPosition(), int(kJump + 8820));
        QCOMPARE(player.Position(), kJump + 8820);
        // A new file starts from 0 again.
        player.SetFormat(2, kRate);
        QCOMPARE(player.Position(), 0);
    }

    void asksOnceWhenTheQueueRunsDry() {
        TAudioPlayer2 player;
        player.SetOutput(TAudioPlayer2::Output::Silent);
        Spies spies(player);
        player.SetFormat(2, kRate);
        player.Play();
        QTRY_COMPARE_WITH_TIMEOUT(spies.requests.size(), 1, 2000);
        QTest::qWait(200);
        QCOMPARE(spies.requests.size(), 1);
        queue(player, 1, 441);
        QTRY_COMPARE_WITH_TIMEOUT(spies.requests.size(), 2, 2000);
        QCOMPARE(spies.blocks.size(), 1);
        queueEnd(player);
        QTRY_COMPARE_WITH_TIMEOUT(spies.ends.size(), 1, 2000);
        QCOMPARE(spies.requests.size(), 2);
    }

    void harmlessCalls() {
        TAudioPlayer2 player;
        player.SetOutput(TAudioPlayer2::Output::Silent);
        Spies spies(player);
        player.Stop(); // nothing plays
        player.Play(); // no format set: the default one
        queue(player, 1, 441);
        queueEnd(player);
        queue(player, 1, 441); // after the end: ignored
        QTRY_COMPARE_WITH_TIMEOUT(spies.ends.size(), 1, 2000);
        QCOMPARE(spies.blocks.size(), 1);
        player.SetFormat(0, -5); // nonsense: the default format
        queue(player, 2, 441);
        queueEnd(player);
        player.Play();
        QTRY_COMPARE_WITH_TIMEOUT(spies.ends.size(), 2, 2000);
        QCOMPARE(spies.lastPosition(), 882);
        // Destroyed while playing, with blocks queued.
        auto doomed = std::make_unique<TAudioPlayer2>();
        doomed->SetOutput(TAudioPlayer2::Output::Silent);
        doomed->SetFormat(2, kRate);
        queue(*doomed, 2, 44100);
        doomed->Play();
        QTest::qWait(60);
        doomed.reset();
    }

    void silentOutputFarBehindTakesOnlyWhatIsQueued() {
        // A clock far ahead of the queue (the GUI thread held up for long):
        // the output takes the few queued frames (and a stray partial one)
        // and allocates for no more.
        BlockQueue queue;
        queue.push(QByteArray((4 << 16) + 3, 'x'));
        SilentOutput output(queue, 2'000'000'000, 1 << 16);
        output.start();
        QThread::msleep(20);
        output.poll();
        QCOMPARE(output.heardFrames(), 4);
        QVERIFY(queue.empty());
    }
};

QTEST_GUILESS_MAIN(AudioPlayerTest)
#include "AudioPlayerTest.moc"
