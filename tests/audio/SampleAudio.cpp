#include "tests/audio/SampleAudio.h"

#include <QDir>
#include <QProcess>
#include <cmath>
#include <cstring>

namespace velmora::test {

QString makeTone(const QString& folder, const QString& name, const ToneShape& shape,
                 QString* error) {
    const QString path = QDir(folder).filePath(name + "." + shape.extension);
    const QString wave = QString("%1*sin(2*PI*%2*(t-%3))*gte(t\\,%3)")
                             .arg(shape.amplitude)
                             .arg(shape.frequency)
                             .arg(shape.leadingSilence);
    QStringList waves;
    for (int c = 0; c < shape.channels; ++c)
        waves << wave;
    QString source = QString("aevalsrc=exprs=%1:s=%2:d=%3")
                         .arg(waves.join('|'))
                         .arg(shape.sampleRate)
                         .arg(shape.seconds);
    if (shape.samplesPerPacket > 0)
        source += QString(":n=%1").arg(shape.samplesPerPacket);
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start("ffmpeg", {"-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi",
                            "-i", source, "-c:a", shape.codec, path});
    const bool ok = ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
                    ffmpeg.exitCode() == 0;
    if (!ok) {
        if (error)
            *error = "ffmpeg failed: " + ffmpeg.errorString() + " " +
                     QString::fromLocal8Bit(ffmpeg.readAll());
        return {};
    }
    return path;
}

std::vector<int16_t> channelOf(const QByteArray& stereo, int channel) {
    std::vector<int16_t> samples(std::size_t(stereo.size() / 4));
    for (std::size_t i = 0; i < samples.size(); ++i)
        std::memcpy(&samples[i], stereo.constData() + i * 4 + channel * 2, 2);
    return samples;
}

Stretch loudStretch(const std::vector<int16_t>& samples, int threshold) {
    Stretch part;
    std::size_t i = 0;
    while (i < samples.size() && std::abs(int(samples[i])) <= threshold)
        ++i;
    part.begin = part.end = i;
    for (; i < samples.size(); ++i)
        if (std::abs(int(samples[i])) > threshold)
            part.end = i + 1;
    return part;
}

double toneFrequency(const std::vector<int16_t>& samples, Stretch part, int sampleRate) {
    std::size_t first = 0;
    std::size_t last = 0;
    int crossings = 0;
    for (std::size_t i = part.begin + 1; i < part.end; ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (crossings == 0)
                first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return double(crossings - 1) * sampleRate / double(last - first);
}

double rms(const std::vector<int16_t>& samples, Stretch part) {
    if (part.length() == 0)
        return 0;
    double sum = 0;
    for (std::size_t i = part.begin; i < part.end; ++i)
        sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(part.length()));
}

} // namespace velmora::test
