// Audio files made for the tests by the ffmpeg command-line tool, and the
// measurements the tests take of decoded or recorded audio.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace velmora::test {

struct ToneShape {
    QString codec = "pcm_s16le"; // ffmpeg encoder: pcm_s16le, libmp3lame, libvorbis, wmav2
    QString extension = "wav";
    double seconds = 1.5;
    double frequency = 440;
    double amplitude = 0.25;   // of full scale
    double leadingSilence = 0; // seconds of silence before the tone, within seconds
    int sampleRate = 44100;
    int channels = 2;
    int samplesPerPacket = 0; // 0: the generator's default
};

// Writes a sine tone file as described into folder; returns its path, or an
// empty string (with the tool's output in error) when ffmpeg failed.
QString makeTone(const QString& folder, const QString& name, const ToneShape& shape,
                 QString* error = nullptr);

// The samples of one channel of interleaved 16-bit stereo audio.
std::vector<int16_t> channelOf(const QByteArray& stereo, int channel);

// The first and one-past-last index of the part of samples that is louder
// than threshold (begin == end when nothing is).
struct Stretch {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t length() const { return end - begin; }
};
Stretch loudStretch(const std::vector<int16_t>& samples, int threshold);

// The frequency of a pure tone, from its rising zero crossings.
double toneFrequency(const std::vector<int16_t>& samples, Stretch part, int sampleRate);
// Root mean square of the samples in part.
double rms(const std::vector<int16_t>& samples, Stretch part);

} // namespace velmora::test
