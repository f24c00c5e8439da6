#include "components/audio/AudioFile2.h"

// Placeholder until the FFmpeg decoder lands.
struct TAudioFile2::Decoder {};

TAudioFile2::TAudioFile2(QObject* parent) : QObject(parent) {}
TAudioFile2::~TAudioFile2() = default;
void TAudioFile2::SetOption(int) {}
bool TAudioFile2::IsOpen() const {
    return false;
}
void TAudioFile2::Open(const QString& path, int, int) {
    throw AudioError("Cannot play \"" + path.toStdString() + "\": no decoder yet");
}
int TAudioFile2::FormatValue1() const {
    return 44100;
}
int TAudioFile2::FormatValue2() const {
    return 2;
}
AudioBlock TAudioFile2::ReadBlock(int) {
    return {};
}
void TAudioFile2::Close() {}
