// Playback of the listed files through the two audio components.
#include "app/Tageditor.h"

void Tfm_main::PlayFile() {}

void Tfm_main::LoadBuffer() {}

void Tfm_main::StopPlay() {
    PlayingFlag = false;
    PausedFlag = false;
}

void Tfm_main::pause() {}

void Tfm_main::brackplay() {}

void Tfm_main::nextplay() {}

void Tfm_main::Play1Click() {
    PlayFile();
}

void Tfm_main::Stop1Click() {
    StopPlay();
}

void Tfm_main::AudioPlayer21EndArrayPlay(QObject*) {
    LoadBuffer();
}

void Tfm_main::AudioPlayer21RequestOnLoadArray(QObject*) {
    LoadBuffer();
}

void Tfm_main::AudioPlayer21EndPlay(QObject*) {
    StopPlay();
}
