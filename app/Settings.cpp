#include "app/Settings.h"

#include <QSettings>

namespace velmora::settings {

namespace {

const QString WindowGeometryKey = QStringLiteral("window/geometry");
const QString HeaderStateKey = QStringLiteral("list/headerState");
const QString HeaderColumnsKey = QStringLiteral("list/columns");
const QString FileFolderKey = QStringLiteral("folders/fileDialog");
const QString ChosenFolderKey = QStringLiteral("folders/folderDialog");

// The user's own settings file; nothing from the system-wide defaults.
class Store : public QSettings {
public:
    Store() : QSettings(QStringLiteral("Velmora"), QStringLiteral("Velmora")) {
        setFallbacksEnabled(false);
    }
};

} // namespace

QByteArray WindowGeometry() {
    return Store().value(WindowGeometryKey).toByteArray();
}

void SetWindowGeometry(const QByteArray& geometry) {
    Store().setValue(WindowGeometryKey, geometry);
}

QByteArray ListHeaderState(int columns) {
    Store store;
    if (store.value(HeaderColumnsKey).toInt() != columns)
        return {};
    return store.value(HeaderStateKey).toByteArray();
}

void SetListHeaderState(const QByteArray& state, int columns) {
    Store store;
    store.setValue(HeaderStateKey, state);
    store.setValue(HeaderColumnsKey, columns);
}

QString LastFileFolder() {
    return Store().value(FileFolderKey).toString();
}

void SetLastFileFolder(const QString& folder) {
    Store().setValue(FileFolderKey, folder);
}

QString LastChosenFolder() {
    return Store().value(ChosenFolderKey).toString();
}

void SetLastChosenFolder(const QString& folder) {
    Store().setValue(ChosenFolderKey, folder);
}

} // namespace velmora::settings
