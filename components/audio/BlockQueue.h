// The blocks waiting to be played, read by the audio output as one stream of
// bytes. Bounded: it holds at most kMaxBlocks blocks. It counts the blocks read
// to their end and keeps the peak level of what was read, for the player's
// events.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <deque>

class BlockQueue : public QIODevice {
    Q_OBJECT
public:
    static constexpr int kMaxBlocks = 16;

    explicit BlockQueue(QObject* parent = nullptr);

    // Drops everything queued and all counts, ready for a new file.
    void clearAll();
    // Appends a block; an empty block marks the end of the file. Returns false
    // when the block was not taken (the queue is full or already ended).
    bool push(const QByteArray& block);

    bool ended() const { return ended_; }
    bool empty() const { return blocks_.empty(); }
    int blockCount() const { return int(blocks_.size()); }
    // Bytes read out since the last reset.
    qint64 bytesRead() const { return bytesRead_; }
    // Blocks read to their end since the last reset.
    qint64 blocksFinished() const { return blocksFinished_; }
    // Peak magnitudes (0 to 32767) of the left and right samples read since
    // the last call; clears them.
    std::pair<int, int> takePeaks();

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    void notePeaks(const char* data, qint64 size);

    std::deque<QByteArray> blocks_;
    qint64 offset_ = 0; // read position within the front block
    qint64 queuedBytes_ = 0;
    qint64 bytesRead_ = 0;
    qint64 blocksFinished_ = 0;
    bool ended_ = false;
    int peakLeft_ = 0;
    int peakRight_ = 0;
};
