// What the window remembers between runs, in Qt's settings in the user's
// configuration folder (on Linux ~/.config/Velmora/Velmora.conf): the window's
// place and size (maximized or not), the list's column widths and sort order,
// and the folders the file dialog and the folder dialog showed last.
#pragma once

#include <QByteArray>
#include <QString>

namespace velmora::settings {

// The window's geometry as QWidget::saveGeometry gives it; empty when none was kept.
QByteArray WindowGeometry();
void SetWindowGeometry(const QByteArray& geometry);

// The list header's state (QHeaderView::saveState) and the number of columns
// it was saved with; empty when none was kept or when the list now has
// another number of columns (a state of another layout is not applied).
QByteArray ListHeaderState(int columns);
void SetListHeaderState(const QByteArray& state, int columns);

// The folder where the file dialog last chose files, and the folder last
// chosen in the folder dialog; empty when none was kept.
QString LastFileFolder();
void SetLastFileFolder(const QString& folder);
QString LastChosenFolder();
void SetLastChosenFolder(const QString& folder);

} // namespace velmora::settings
