#include "components/audio/DeviceOutput.h"

#include "components/audio/BlockQueue.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>

std::unique_ptr<DeviceOutput> DeviceOutput::open(BlockQueue& queue, const QAudioFormat& format,
                                                 QObject* owner) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(format))
        return nullptr;
    return std::unique_ptr<DeviceOutput>(
        new DeviceOutput(queue, format, new QAudioSink(device, format, owner)));
}

DeviceOutput::DeviceOutput(BlockQueue& queue, const QAudioFormat& format, QAudioSink* sink)
    : queue_(queue), format_(format), sink_(sink) {}

DeviceOutput::~DeviceOutput() {
    // The player never destroys an output from inside one of the sink's own
    // callbacks, so the sink can go at once.
    sink_->stop();
    delete sink_;
}

void DeviceOutput::start() {
    sink_->start(&queue_);
}

void DeviceOutput::suspend() {
    sink_->suspend();
}

void DeviceOutput::resume() {
    sink_->resume();
}

qint64 DeviceOutput::heardFrames() const {
    // The sink counts the time of the audio the server has played out.
    return sink_->processedUSecs() * format_.sampleRate() / 1000000;
}

bool DeviceOutput::failed() const {
    const QAudio::Error error = sink_->error();
    return error == QAudio::OpenError || error == QAudio::FatalError;
}
