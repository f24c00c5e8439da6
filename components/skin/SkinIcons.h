// The icons the skin engine draws itself, by name (see SKIN-FORMAT.md).
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace velmora::skin {

// True when name is one of the drawn icons.
bool isKnownIcon(const QString& name);
// Draws the icon into box in color; unknown names draw nothing.
void drawIcon(QPainter& painter, const QString& name, const QRectF& box, const QColor& color);

} // namespace velmora::skin
