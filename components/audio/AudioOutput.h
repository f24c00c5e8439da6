// Where the player's queue is played: the default audio device, or a silent
// output that consumes the queue in real time.
#pragma once

#include <QtGlobal>

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Begins taking audio from the queue.
    virtual void start() = 0;
    virtual void suspend() = 0;
    virtual void resume() = 0;
    // Called by the player a few times a second while playing.
    virtual void poll() {}
    // Sample frames that have reached the listener since start.
    virtual qint64 heardFrames() const = 0;
    // True for the output that reaches a real device.
    virtual bool isDevice() const = 0;
};
