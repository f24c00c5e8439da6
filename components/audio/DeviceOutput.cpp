#include "components/audio/DeviceOutput.h"

#include "components/audio/BlockQueue.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QCoreApplication>
#include <QList>
#include <QMediaDevices>
#include <QPointer>
#include <utility>

namespace {

constexpr qint64 kBufferUs = 750000;

// Deleting a sink runs the event loop for a moment (Qt's PulseAudio sink does
// that when it goes), which must not happen inside a handler or while a window
// is being torn down. Sinks that are done with wait here and are deleted from
// the event loop, or when the application ends, whichever comes first.
QList<QPointer<QAudioSink>>& retiredSinks() {
    static QList<QPointer<QAudioSink>> sinks;
    return sinks;
}

void deleteRetiredSinks() {
    const QList<QPointer<QAudioSink>> sinks = std::exchange(retiredSinks(), {});
    for (const QPointer<QAudioSink>& sink : sinks)
        delete sink.data();
}

void retire(QAudioSink* sink) {
    static const bool registered = [] {
        qAddPostRoutine(deleteRetiredSinks);
        return true;
    }();
    Q_UNUSED(registered);
    sink->stop();
    sink->setParent(nullptr);
    retiredSinks().removeAll(nullptr);
    retiredSinks().append(sink);
    sink->deleteLater();
}

} // namespace

std::unique_ptr<DeviceOutput> DeviceOutput::open(BlockQueue& queue, const QAudioFormat& format) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(format))
        return nullptr;
    return std::unique_ptr<DeviceOutput>(
        new DeviceOutput(queue, format, new QAudioSink(device, format)));
}

DeviceOutput::DeviceOutput(BlockQueue& queue, const QAudioFormat& format, QAudioSink* sink)
    : queue_(queue), format_(format), sink_(sink) {}

DeviceOutput::~DeviceOutput() {
    retire(sink_);
}

void DeviceOutput::start() {
    // The sink is fed on the GUI thread; a generous buffer carries the sound
    // over the moments that thread is busy (reading tags, writing files).
    sink_->setBufferSize(format_.bytesForDuration(kBufferUs));
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
    // An underrun only means the queue ran dry; anything else is the end of
    // this device (no server, or the server went away).
    const QAudio::Error error = sink_->error();
    return error != QAudio::NoError && error != QAudio::UnderrunError;
}
