#include "components/audio/AudioPlayer2.h"

// Placeholder until the Qt Multimedia output lands.
struct TAudioPlayer2::Impl {};

TAudioPlayer2::TAudioPlayer2(QObject* parent) : QObject(parent) {}
TAudioPlayer2::~TAudioPlayer2() = default;
void TAudioPlayer2::SetOutput(Output) {}
void TAudioPlayer2::SetFormat(int, int) {}
void TAudioPlayer2::Play() {}
void TAudioPlayer2::PlayArray(AudioBlock&) {}
void TAudioPlayer2::Stop() {}
