// The skin's colours as a palette, for the window's message boxes, menus and dialogs.
#include "components/skin/Skin.h"

#include <QApplication>
#include <QMenu>

namespace {

QColor toQColor(const velmora::skin::Color& c) {
    return QColor(c.r, c.g, c.b, c.a);
}

// Halfway between two colours: what a disabled text looks like on its background.
QColor between(const QColor& a, const QColor& b) {
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

} // namespace

QPalette TSkin::PaletteOf(const velmora::skin::SkinForm& form) {
    const QColor window = toQColor(form.dialogBackgroundColor());
    const QColor text = toQColor(form.dialogTextColor());
    const QColor base = toQColor(form.fieldBase);
    const QColor fieldText = toQColor(form.fieldText);
    const QColor button = toQColor(form.buttonFace);
    const QColor buttonText = toQColor(form.buttonText);
    const QColor frame = toQColor(form.frame);

    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, base.lighter(115));
    palette.setColor(QPalette::Text, fieldText);
    palette.setColor(QPalette::PlaceholderText, toQColor(form.labelText));
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, buttonText);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, toQColor(form.highlight));
    palette.setColor(QPalette::HighlightedText, toQColor(form.highlightText));
    palette.setColor(QPalette::Link, toQColor(form.highlight).lighter(130));
    palette.setColor(QPalette::Light, button.lighter(130));
    palette.setColor(QPalette::Midlight, button.lighter(115));
    palette.setColor(QPalette::Mid, frame.lighter(160));
    palette.setColor(QPalette::Dark, frame);
    palette.setColor(QPalette::Shadow, frame);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, fieldText);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, between(text, window));
    palette.setColor(QPalette::Disabled, QPalette::Text, between(fieldText, base));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, between(buttonText, button));
    return palette;
}

QPalette TSkin::Palette() const {
    return form_ ? PaletteOf(*form_) : QApplication::palette();
}

void TSkin::ApplyColours(QWidget* widget) const {
    if (!widget || !form_)
        return;
    QPalette palette = Palette();
    // Menus fill with the base colour; they look like the message boxes.
    if (qobject_cast<QMenu*>(widget))
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    widget->setPalette(palette);
    widget->setFont(QFont(QString::fromStdString(form_->fontFamily), form_->fontSize));
    widget->setAttribute(Qt::WA_WindowPropagation);
}
