#include "components/audio/SilentOutput.h"

#include "components/audio/BlockQueue.h"

#include <QByteArray>

SilentOutput::SilentOutput(BlockQueue& queue, int sampleRate, int bytesPerFrame)
    : queue_(queue), sampleRate_(sampleRate), bytesPerFrame_(bytesPerFrame) {}

void SilentOutput::start() {
    clockBaseFrames_ = consumedFrames_;
    clock_.start();
    running_ = true;
}

void SilentOutput::suspend() {
    if (!running_)
        return;
    poll();
    clockBaseFrames_ = clockFrames();
    running_ = false;
}

void SilentOutput::resume() {
    if (running_)
        return;
    clock_.start();
    running_ = true;
}

qint64 SilentOutput::clockFrames() const {
    if (!running_)
        return clockBaseFrames_;
    return clockBaseFrames_ + clock_.nsecsElapsed() * sampleRate_ / 1000000000;
}

void SilentOutput::poll() {
    if (!running_)
        return;
    const qint64 due = clockFrames() - consumedFrames_;
    if (due <= 0)
        return;
    // After the GUI thread was held up for long, far more is due than the
    // bounded queue holds: take only what is there, never allocate for more.
    // A stray partial frame at the end is taken too, so the queue can empty.
    const qint64 available = queue_.bytesAvailable();
    const qint64 take = due > available / bytesPerFrame_ ? available : due * bytesPerFrame_;
    QByteArray sink(take, Qt::Uninitialized);
    const qint64 got = take > 0 ? queue_.read(sink.data(), take) / bytesPerFrame_ : 0;
    consumedFrames_ += got;
    if (got < due) {
        // The queue ran dry: the clock waits for it, as a device would.
        clockBaseFrames_ = consumedFrames_;
        clock_.start();
    }
}
