#include "app/Tageditor.h"

void Tfm_main::Skin1Click(TSkinObject*) {}
void Tfm_main::RunSkinCommand(const QString&) {}
void Tfm_main::Remove1Click() {}
void Tfm_main::Clear1Click() {}
void Tfm_main::Remove2Click() {}
void Tfm_main::Clear2Click() {}
void Tfm_main::AddFolder() {}
void Tfm_main::lv_id3DblClick() {}
void Tfm_main::edt_titKeyUp(int) {}
void Tfm_main::edt_titExit() {}
std::string Tfm_main::CleanFileName(const std::string& text) {
    return text;
}
void Tfm_main::addDroppedPaths(const QStringList&) {}
