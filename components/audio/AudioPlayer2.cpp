#include "components/audio/AudioPlayer2.h"

#include "components/audio/BlockQueue.h"
#include "components/audio/DeviceOutput.h"
#include "components/audio/SilentOutput.h"

#include <QAudioFormat>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <climits>

namespace {

constexpr int kTickMs = 50;
// The last block counts as heard when the device is this close to its end.
constexpr int kEndToleranceMs = 10;
// A device whose position stands still this long at the end is taken as done.
constexpr int kStallMs = 2000;

} // namespace

struct TAudioPlayer2::Impl {
    enum class State { Ready, Playing, Paused, Finished };

    TAudioPlayer2& owner;
    Output choice = Output::Automatic;
    QAudioFormat format;
    BlockQueue queue;
    std::unique_ptr<AudioOutput> output; // destroyed before the queue it reads
    QTimer tick;
    State state = State::Ready;
    // Bumped for every new file, so that a tick knows when a handler of one
    // of its events has moved on to another file.
    quint64 generation = 0;
    qint64 blocksReported = 0;
    qint64 heardBefore = 0; // frames heard on an output given up for the silent one
    qint64 startFrame = 0;  // the frame of the file the output started at
    bool loadRequested = false;
    qint64 lastHeard = -1;
    QElapsedTimer standing; // since the device position last moved

    explicit Impl(TAudioPlayer2& player) : owner(player) {
        tick.setInterval(kTickMs);
        QObject::connect(&tick, &QTimer::timeout, &owner, [this] { onTick(); });
    }

    int bytesPerFrame() const { return format.bytesPerFrame(); }

    void prepare(int channels, int sampleRate) {
        tick.stop();
        output.reset();
        queue.clearAll();
        ++generation;
        blocksReported = 0;
        heardBefore = 0;
        startFrame = 0;
        loadRequested = false;
        lastHeard = -1;
        state = State::Ready;
        format.setChannelCount(channels >= 1 && channels <= 8 ? channels : 2);
        format.setSampleRate(sampleRate >= 8000 && sampleRate <= 192000 ? sampleRate : 44100);
        format.setSampleFormat(QAudioFormat::Int16);
        if (choice == Output::Automatic)
            output = DeviceOutput::open(queue, format);
        if (!output)
            output = silent();
    }

    std::unique_ptr<AudioOutput> silent() {
        return std::make_unique<SilentOutput>(queue, format.sampleRate(), bytesPerFrame());
    }

    void start() {
        output->start();
        fallBackIfDeviceFailed();
    }

    // When the device cannot play (no sound server after all, or the server
    // went away), playback goes on silently in real time from where it was:
    // what the device took counts as heard.
    void fallBackIfDeviceFailed() {
        auto* device = dynamic_cast<DeviceOutput*>(output.get());
        if (!device || !device->failed())
            return;
        heardBefore = queue.bytesRead() / bytesPerFrame();
        output = silent();
        output->start();
    }

    qint64 heard() const { return heardBefore + output->heardFrames(); }
    qint64 position() const { return startFrame + (output ? heard() : 0); }

    // Emits one event; false when its handler moved the player on (another
    // file, a pause, a stop, or the player is gone), so the tick must end.
    template <typename Signal>
    bool send(Signal signal, const QPointer<TAudioPlayer2>& self, quint64 started) {
        emit(owner.*signal)(&owner);
        return self && generation == started && state == State::Playing;
    }

    void onTick() {
        const QPointer<TAudioPlayer2> self(&owner);
        const quint64 started = generation;
        fallBackIfDeviceFailed();
        output->poll();
        while (blocksReported < queue.blocksFinished()) {
            ++blocksReported;
            if (!send(&TAudioPlayer2::OnEndArrayPlay, self, started))
                return;
        }
        const qint64 position = heard();
        const auto [left, right] = queue.takePeaks();
        emit owner.OnTimer(&owner, int(std::min<qint64>(startFrame + position, INT_MAX)), left,
                           right);
        if (!self || generation != started || state != State::Playing)
            return;
        if (queue.empty() && !queue.ended() && !loadRequested) {
            loadRequested = true;
            if (!send(&TAudioPlayer2::OnRequestOnLoadArray, self, started))
                return;
        }
        if (queue.ended() && queue.empty() && allHeard(position)) {
            state = State::Finished;
            tick.stop();
            emit owner.OnEndPlay(&owner);
        }
    }

    bool allHeard(qint64 position) {
        if (position != lastHeard) {
            lastHeard = position;
            standing.start();
        }
        const qint64 fed = queue.bytesRead() / bytesPerFrame();
        const qint64 tolerance = qint64(format.sampleRate()) * kEndToleranceMs / 1000;
        return position + tolerance >= fed || standing.elapsed() >= kStallMs;
    }
};

TAudioPlayer2::TAudioPlayer2(QObject* parent)
    : QObject(parent), impl_(std::make_unique<Impl>(*this)) {}

TAudioPlayer2::~TAudioPlayer2() = default;

void TAudioPlayer2::SetOutput(Output output) {
    impl_->choice = output;
}

void TAudioPlayer2::SetFormat(int channels, int sampleRate) {
    impl_->prepare(channels, sampleRate);
}

void TAudioPlayer2::Play() {
    if (!impl_->output)
        impl_->prepare(2, 44100);
    switch (impl_->state) {
    case Impl::State::Ready:
        impl_->start();
        break;
    case Impl::State::Paused:
        impl_->output->resume();
        break;
    case Impl::State::Playing:
    case Impl::State::Finished:
        return;
    }
    impl_->state = Impl::State::Playing;
    impl_->lastHeard = -1;
    impl_->tick.start();
}

void TAudioPlayer2::PlayArray(AudioBlock& block) {
    impl_->queue.push(block);
    impl_->loadRequested = false;
}

void TAudioPlayer2::Stop() {
    if (impl_->state != Impl::State::Playing)
        return;
    impl_->output->suspend();
    impl_->state = Impl::State::Paused;
    impl_->tick.stop();
}

// A fresh output for the same format: what the old one buffered is not heard.
void TAudioPlayer2::Restart(qint64 frame) {
    const bool playing = impl_->state == Impl::State::Playing;
    impl_->prepare(impl_->format.channelCount(), impl_->format.sampleRate());
    impl_->startFrame = std::max<qint64>(frame, 0);
    if (playing)
        Play();
}

qint64 TAudioPlayer2::Position() const {
    return impl_->position();
}

bool TAudioPlayer2::UsesDevice() const {
    return impl_->output && impl_->output->isDevice();
}
