// The audio player component: plays queued blocks through the default audio
// output (Qt Multimedia), or through a silent output that keeps real time when
// the machine has no sound server or output device. Its events arrive on the
// GUI thread as ordinary signals, from a timer that runs while output plays:
// OnEndArrayPlay for each block that has been played out of the queue,
// OnRequestOnLoadArray when the queue ran dry before the end of the file,
// OnTimer with the position (as Position(), capped to int) and peak levels, and OnEndPlay once the
// last block has been heard. The queue holds at most 16 blocks; more are refused.
#pragma once

#include "components/audio/AudioFile2.h"

#include <QObject>
#include <memory>

class TAudioPlayer2 : public QObject {
    Q_OBJECT
public:
    enum class Output { Automatic, Silent };

    explicit TAudioPlayer2(QObject* parent = nullptr);
    ~TAudioPlayer2() override;

    // Chooses the output for the next SetFormat (tests use Silent).
    void SetOutput(Output output);
    // Prepares output afresh for audio of channels and sampleRate; blocks queued
    // for an earlier file are dropped.
    void SetFormat(int channels, int sampleRate);
    // Starts output of the queued blocks, or resumes it after Stop.
    void Play();
    // Queues a copy of the block (an empty block marks the end of the file).
    void PlayArray(AudioBlock& block);
    // Halts output so that Play resumes it; harmless when nothing plays.
    void Stop();
    // For a jump within the file: drops the queued blocks and what the output
    // still holds; the blocks queued next are heard as from frame. Output that
    // plays goes on with them; paused output starts with them at Play.
    void Restart(qint64 frame);
    // The sample frame of the file being heard: the frame of the last Restart
    // (0 after SetFormat) plus the frames heard since.
    qint64 Position() const;
    // True when the current output is the audio device, false for the silent
    // output (chosen, or fallen back to when there is no device).
    bool UsesDevice() const;

signals:
    void OnEndArrayPlay(QObject* sender);
    void OnTimer(QObject* sender, int CurrentSamples, int LevelLeft, int LevelRight);
    void OnRequestOnLoadArray(QObject* sender);
    void OnEndPlay(QObject* sender);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
