// An output without a device: on each poll it takes from the queue as many
// sample frames as the time since start allows, so playback keeps real time.
#pragma once

#include "components/audio/AudioOutput.h"

#include <QElapsedTimer>

class BlockQueue;

class SilentOutput : public AudioOutput {
public:
    SilentOutput(BlockQueue& queue, int sampleRate, int bytesPerFrame);

    void start() override;
    void suspend() override;
    void resume() override;
    void poll() override;
    qint64 heardFrames() const override { return consumedFrames_; }
    bool isDevice() const override { return false; }

private:
    qint64 clockFrames() const;

    BlockQueue& queue_;
    int sampleRate_;
    int bytesPerFrame_;
    QElapsedTimer clock_;
    qint64 clockBaseFrames_ = 0; // clock frames before the running stretch
    qint64 consumedFrames_ = 0;
    bool running_ = false;
};
