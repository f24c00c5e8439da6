// Skin objects (buttons) and skin labels.
#include "components/skin/Skin.h"
#include "components/skin/SkinIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

QColor toQColor(const velmora::skin::Color& c) {
    return QColor(c.r, c.g, c.b, c.a);
}

} // namespace

TSkinObject::TSkinObject(const QString& name, const QString& caption, QWidget* parent)
    : QAbstractButton(parent), name_(name) {
    setText(caption);
    setObjectName(name);
}

TSkinObject::TSkinObject(const velmora::skin::SkinObject& object, QWidget* parent)
    : QAbstractButton(parent), name_(QString::fromStdString(object.name)), look_(object) {
    setObjectName(name_);
    setText(QString::fromStdString(object.caption));
    setToolTip(QString::fromStdString(object.tooltip));
    setGeometry(object.rect.x, object.rect.y, object.rect.width, object.rect.height);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void TSkinObject::SetIcon(const QString& icon) {
    if (!look_ || look_->icon == icon.toStdString())
        return;
    look_->icon = icon.toStdString();
    update();
}

QSize TSkinObject::sizeHint() const {
    if (look_)
        return QSize(look_->rect.width, look_->rect.height);
    QStyleOptionButton option;
    option.initFrom(this);
    option.text = text();
    const QSize textSize = fontMetrics().size(Qt::TextShowMnemonic, text());
    return style()->sizeFromContents(QStyle::CT_PushButton, &option, textSize, this);
}

void TSkinObject::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TSkinObject::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void TSkinObject::paintEvent(QPaintEvent*) {
    if (!look_) {
        QStylePainter painter(this);
        QStyleOptionButton option;
        option.initFrom(this);
        option.text = text();
        if (isDown())
            option.state |= QStyle::State_Sunken;
        else
            option.state |= QStyle::State_Raised;
        painter.drawControl(QStyle::CE_PushButton, option);
        return;
    }
    const auto& look = *look_;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(0.45);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor face = toQColor(isDown() ? look.pressed : hovered_ ? look.hover : look.face);
    const QColor text = toQColor(look.text);

    if (look.kind != velmora::skin::ObjectKind::Panel) {
        QLinearGradient gradient(box.topLeft(), box.bottomLeft());
        gradient.setColorAt(0, isDown() ? face : face.lighter(118));
        gradient.setColorAt(1, isDown() ? face.lighter(110) : face);
        p.setBrush(gradient);
        p.setPen(QPen(toQColor(look.border), 1));
        if (face.alpha() == 0 && !hovered_)
            p.setPen(Qt::NoPen);
        p.drawRoundedRect(box, look.radius, look.radius);
        if (!isDown() && face.alpha() != 0) {
            // A thin highlight along the top edge gives the face some depth.
            p.setPen(QPen(QColor(255, 255, 255, 40), 1));
            p.drawLine(box.topLeft() + QPointF(look.radius, 1),
                       box.topRight() + QPointF(-look.radius, 1));
        }
    }

    const QString icon = QString::fromStdString(look.icon);
    const QString caption = QAbstractButton::text();
    const int shift = isDown() ? 1 : 0;
    QRectF inner = box.adjusted(6, 4 + shift, -6, -4 + shift);
    p.setPen(text);
    if (!icon.isEmpty() && !caption.isEmpty() && inner.height() >= 40) {
        // Icon above the caption.
        const qreal captionHeight = fontMetrics().height();
        QRectF iconBox(inner.left(), inner.top(), inner.width(),
                       inner.height() - captionHeight - 2);
        velmora::skin::drawIcon(p, icon, iconBox, text);
        p.setPen(text);
        p.drawText(
            QRectF(inner.left(), inner.bottom() - captionHeight, inner.width(), captionHeight),
            Qt::AlignCenter, caption);
    } else if (!icon.isEmpty() && !caption.isEmpty()) {
        // Icon left of the caption.
        const qreal side = inner.height();
        const qreal textWidth = fontMetrics().horizontalAdvance(caption);
        const qreal left = inner.center().x() - (side + 6 + textWidth) / 2;
        velmora::skin::drawIcon(p, icon, QRectF(left, inner.top(), side, side), text);
        p.setPen(text);
        p.drawText(QRectF(left + side + 6, inner.top(), textWidth + 2, inner.height()),
                   Qt::AlignVCenter | Qt::AlignLeft, caption);
    } else if (!icon.isEmpty()) {
        velmora::skin::drawIcon(p, icon, inner, text);
    } else {
        p.drawText(inner, Qt::AlignCenter, caption);
    }
}

TSkinLabel::TSkinLabel(const QString& caption, QWidget* parent)
    : QWidget(parent), caption_(caption) {}

void TSkinLabel::SetCaption(const QString& caption) {
    caption_ = caption;
    setToolTip(fontMetrics().horizontalAdvance(caption) > width() ? caption.trimmed() : QString());
    update();
}

void TSkinLabel::SetLook(const QFont& font, const QColor& color) {
    setFont(font);
    color_ = color;
    update();
}

void TSkinLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(color_.value_or(palette().color(QPalette::WindowText)));
    // Trailing blanks only pad the caption; they must not force an ellipsis.
    QString trimmed = caption_;
    while (trimmed.endsWith(QLatin1Char(' ')))
        trimmed.chop(1);
    const int textWidth = fontMetrics().horizontalAdvance(trimmed);
    if (textWidth > width() && textWidth * 0.7 <= width()) {
        // A little too wide: squeeze it rather than cut it.
        const qreal squeeze = qreal(width()) / textWidth;
        p.scale(squeeze, 1.0);
        p.drawText(QRectF(0, 0, textWidth, height()), Qt::AlignVCenter | Qt::AlignLeft, trimmed);
        return;
    }
    const QString shown = fontMetrics().elidedText(trimmed, Qt::ElideMiddle, width());
    p.drawText(rect(), Qt::AlignVCenter | Qt::AlignLeft, shown);
}
