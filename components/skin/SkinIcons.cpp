#include "components/skin/SkinIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QStringList>

namespace velmora::skin {
namespace {

// Icons are drawn in a 24 x 24 design grid scaled into the box.
void setGrid(QPainter& p, const QRectF& box) {
    const qreal side = std::min(box.width(), box.height());
    p.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    p.scale(side / 24.0, side / 24.0);
}

// Straight lines through the points, closed back to the first when asked.
QPainterPath polyline(std::initializer_list<QPointF> points, bool closed = false) {
    QPainterPath path;
    for (const QPointF& point : points) {
        if (path.elementCount() == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    if (closed)
        path.closeSubpath();
    return path;
}

QPainterPath triangle(qreal left, qreal right, qreal top, qreal bottom, bool pointRight) {
    const qreal mid = (top + bottom) / 2;
    if (pointRight)
        return polyline({{left, top}, {right, mid}, {left, bottom}}, true);
    return polyline({{right, top}, {left, mid}, {right, bottom}}, true);
}

} // namespace

bool isKnownIcon(const QString& name) {
    static const QStringList names{"play",   "pause",    "stop",  "prev",     "next",   "add",
                                   "folder", "remove",   "clear", "save",     "reset",  "globe",
                                   "home",   "minimize", "close", "maximize", "restore"};
    return names.contains(name);
}

void drawIcon(QPainter& p, const QString& name, const QRectF& box, const QColor& color) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    setGrid(p, box);
    QPen pen(color, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (name == "play") {
        p.setBrush(color);
        p.drawPath(triangle(7, 19, 4, 20, true));
    } else if (name == "pause") {
        p.setBrush(color);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(6, 5, 4.5, 14), 1, 1);
        p.drawRoundedRect(QRectF(13.5, 5, 4.5, 14), 1, 1);
    } else if (name == "stop") {
        p.setBrush(color);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(6, 6, 12, 12), 1.5, 1.5);
    } else if (name == "prev" || name == "next") {
        const bool right = name == "next";
        p.setBrush(color);
        p.setPen(Qt::NoPen);
        p.drawPath(right ? triangle(5, 16, 5, 19, true) : triangle(8, 19, 5, 19, false));
        p.drawRect(right ? QRectF(16, 5, 3, 14) : QRectF(5, 5, 3, 14));
    } else if (name == "add") {
        // A note with a plus: add files.
        p.drawLine(QPointF(9, 17), QPointF(9, 5));
        p.drawLine(QPointF(9, 5), QPointF(15, 7));
        p.setBrush(color);
        p.drawEllipse(QPointF(6.5, 17.5), 2.6, 2.1);
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(18, 13), QPointF(18, 21));
        p.drawLine(QPointF(14, 17), QPointF(22, 17));
    } else if (name == "folder") {
        p.drawPath(polyline({{3, 19}, {3, 6}, {9, 6}, {11, 8}, {21, 8}, {21, 19}}, true));
        p.drawLine(QPointF(3, 11), QPointF(21, 11));
    } else if (name == "remove") {
        p.drawRoundedRect(QRectF(4, 4, 16, 16), 3, 3);
        p.drawLine(QPointF(8, 12), QPointF(16, 12));
    } else if (name == "clear") {
        // A waste bin.
        p.drawLine(QPointF(4, 7), QPointF(20, 7));
        p.drawPath(polyline({{10, 7}, {10, 4}, {14, 4}, {14, 7}}));
        p.drawPath(polyline({{6, 7}, {7, 20}, {17, 20}, {18, 7}}));
        p.drawLine(QPointF(10, 11), QPointF(10, 16));
        p.drawLine(QPointF(14, 11), QPointF(14, 16));
    } else if (name == "save") {
        // A check mark: write the tags.
        pen.setWidthF(3);
        p.setPen(pen);
        p.drawPath(polyline({{4, 13}, {9.5, 18.5}, {20, 6}}));
    } else if (name == "reset") {
        p.drawArc(QRectF(4, 4, 16, 16), 100 * 16, 290 * 16);
        p.setBrush(color);
        p.setPen(Qt::NoPen);
        p.drawPath(polyline({{9, 1.5}, {14.5, 4.3}, {9.5, 8.5}}, true));
    } else if (name == "globe") {
        p.drawEllipse(QRectF(3, 3, 18, 18));
        p.drawEllipse(QRectF(8, 3, 8, 18));
        p.drawLine(QPointF(3, 12), QPointF(21, 12));
    } else if (name == "home") {
        p.drawPath(polyline({{3, 12}, {12, 4}, {21, 12}}));
        p.drawPath(polyline({{6, 10}, {6, 20}, {18, 20}, {18, 10}}));
        p.drawRect(QRectF(10, 14, 4, 6));
    } else if (name == "all") {
        // Two chevrons pointing down: copy into every row.
        p.drawPath(polyline({{6, 5}, {12, 11}, {18, 5}}));
        p.drawPath(polyline({{6, 12}, {12, 18}, {18, 12}}));
    } else if (name == "minimize") {
        p.drawLine(QPointF(6, 16), QPointF(18, 16));
    } else if (name == "maximize") {
        p.drawRect(QRectF(6, 6, 12, 12));
    } else if (name == "restore") {
        // Two overlapping windows: the front one whole, the back one behind it.
        p.drawRect(QRectF(5, 9, 10, 10));
        p.drawPath(polyline({{9, 9}, {9, 5}, {19, 5}, {19, 15}, {15, 15}}));
    } else if (name == "close") {
        p.drawLine(QPointF(7, 7), QPointF(17, 17));
        p.drawLine(QPointF(17, 7), QPointF(7, 17));
    }
    p.restore();
}

} // namespace velmora::skin
