// Points Qt's settings (the window's own and those Qt's dialogs keep) at a
// fresh temporary folder while it lives, so a test starts with nothing
// remembered and never touches the user's configuration.
#pragma once

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

struct TemporarySettings {
    QTemporaryDir dir;

    TemporarySettings() {
        QStandardPaths::setTestModeEnabled(true);
        for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            for (auto scope : {QSettings::UserScope, QSettings::SystemScope})
                QSettings::setPath(format, scope, dir.path());
    }
    // The file the window's settings go to.
    QString file() const { return dir.filePath(QStringLiteral("Velmora/Velmora.conf")); }
};
