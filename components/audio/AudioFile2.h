// The audio file component: opens a file and hands out its decoded audio block
// by block, always as interleaved signed 16-bit stereo at 44100 Hz.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <stdexcept>
#include <string>

// An error of the audio components; what() names the file and the reason.
class AudioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One decoded block, handed from the file component to the player.
using AudioBlock = QByteArray;

class TAudioFile2 : public QObject {
    Q_OBJECT
public:
    explicit TAudioFile2(QObject* parent = nullptr);
    ~TAudioFile2() override;

    // Decoder options; -1 (the only value the program passes) means defaults.
    void SetOption(int option);
    bool IsOpen() const;
    // Opens path for decoding; raises AudioError naming the file and the reason.
    void Open(const QString& path, int reserved1, int reserved2);
    // The same for a path given as the file system's bytes, which need not be
    // UTF-8; the error message shows it decoded as UTF-8.
    void Open(const std::string& path, int reserved1, int reserved2);
    // Format value 1: the sample rate of the decoded audio (44100).
    int FormatValue1() const;
    // Format value 2: the channel count of the decoded audio (2).
    int FormatValue2() const;
    // Decodes up to frames sample frames; empty after the end or with no file open.
    AudioBlock ReadBlock(int frames);
    // The length of the open file in sample frames of the decoded audio, as
    // the file tells it (0 when it does not, or no file is open); exact once
    // the end was decoded.
    qint64 Length() const;
    // The sample frame the next ReadBlock starts at.
    qint64 Position() const;
    // Moves so that the next ReadBlock starts at frame (kept within the file;
    // at the length, the next block is the empty one of the end). Raises
    // AudioError naming the file and the reason when the file cannot move
    // there; the position is then unchanged. Harmless with no file open.
    void Seek(qint64 frame);
    // Closes the open file; harmless when none is open.
    void Close();

private:
    struct Decoder;
    std::unique_ptr<Decoder> decoder_;
};
