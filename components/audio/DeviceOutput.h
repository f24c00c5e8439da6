// The output to the default audio device through Qt Multimedia. The sink pulls
// from the queue on the GUI thread.
#pragma once

#include "components/audio/AudioOutput.h"

#include <QAudioFormat>
#include <memory>

class BlockQueue;
class QAudioSink;

class DeviceOutput : public AudioOutput {
public:
    // Null when there is no output device or it cannot take the format.
    static std::unique_ptr<DeviceOutput> open(BlockQueue& queue, const QAudioFormat& format);
    ~DeviceOutput() override;

    void start() override;
    void suspend() override;
    void resume() override;
    qint64 heardFrames() const override;
    bool isDevice() const override { return true; }
    // True once the sink reported that it cannot play (no sound server).
    bool failed() const;

private:
    DeviceOutput(BlockQueue& queue, const QAudioFormat& format, QAudioSink* sink);

    BlockQueue& queue_;
    QAudioFormat format_;
    QAudioSink* sink_;
};
