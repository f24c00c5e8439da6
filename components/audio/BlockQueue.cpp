#include "components/audio/BlockQueue.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

BlockQueue::BlockQueue(QObject* parent) : QIODevice(parent) {
    // Unbuffered: the output reads exactly what it plays, no read-ahead.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void BlockQueue::clearAll() {
    blocks_.clear();
    offset_ = 0;
    queuedBytes_ = 0;
    bytesRead_ = 0;
    blocksFinished_ = 0;
    ended_ = false;
    peakLeft_ = peakRight_ = 0;
}

bool BlockQueue::push(const QByteArray& block) {
    if (ended_)
        return false;
    if (block.isEmpty()) {
        ended_ = true;
        return true;
    }
    if (int(blocks_.size()) >= kMaxBlocks)
        return false;
    blocks_.push_back(block);
    queuedBytes_ += block.size();
    emit readyRead();
    return true;
}

std::pair<int, int> BlockQueue::takePeaks() {
    const std::pair<int, int> peaks{peakLeft_, peakRight_};
    peakLeft_ = peakRight_ = 0;
    return peaks;
}

qint64 BlockQueue::bytesAvailable() const {
    return queuedBytes_ - offset_ + QIODevice::bytesAvailable();
}

qint64 BlockQueue::readData(char* data, qint64 maxSize) {
    qint64 done = 0;
    while (done < maxSize && !blocks_.empty()) {
        const QByteArray& front = blocks_.front();
        const qint64 count = std::min(maxSize - done, front.size() - offset_);
        std::memcpy(data + done, front.constData() + offset_, size_t(count));
        done += count;
        offset_ += count;
        if (offset_ == front.size()) {
            queuedBytes_ -= front.size();
            blocks_.pop_front();
            offset_ = 0;
            ++blocksFinished_;
        }
    }
    notePeaks(data, done);
    bytesRead_ += done;
    return done;
}

qint64 BlockQueue::writeData(const char*, qint64) {
    return -1;
}

void BlockQueue::notePeaks(const char* data, qint64 size) {
    // Samples alternate left, right from the first byte ever read; a sample
    // split between two reads is left out.
    for (qint64 i = (bytesRead_ & 1); i + 2 <= size; i += 2) {
        int16_t sample;
        std::memcpy(&sample, data + i, 2);
        const int magnitude = std::min(std::abs(int(sample)), 32767);
        int& peak = ((bytesRead_ + i) / 2) % 2 == 0 ? peakLeft_ : peakRight_;
        peak = std::max(peak, magnitude);
    }
}
