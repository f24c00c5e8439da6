#include "components/skin/Skin.h"

#include <QFile>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

using velmora::skin::ObjectKind;
using velmora::skin::SkinError;

namespace {

QColor toQColor(const velmora::skin::Color& c) {
    return QColor(c.r, c.g, c.b, c.a);
}

QString quoted(const QString& text) {
    return QStringLiteral("\"") + text + QStringLiteral("\"");
}

} // namespace

TSkin::TSkin(QWidget* parent) : QWidget(parent) {
    hide();
}

TSkin::~TSkin() = default;

void TSkin::LoadSkinFile(const QString& path) {
    path_ = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SkinError(("Cannot load the skin file " + quoted(path) + ": " + file.errorString())
                            .toStdString());
    if (file.size() > static_cast<qint64>(velmora::skin::MaxSkinFileBytes))
        throw SkinError(("Cannot load the skin file " + quoted(path) + ": it is larger than 1 MiB")
                            .toStdString());
    const QByteArray bytes = file.readAll();
    try {
        document_ = velmora::skin::parseSkin(std::string_view(bytes.constData(), bytes.size()));
    } catch (const SkinError& e) {
        throw SkinError(
            ("The skin file " + quoted(path) + " is damaged: " + QString::fromUtf8(e.what()))
                .toStdString());
    }
}

void TSkin::SkinWindow(QWidget* window) {
    if (!document_)
        throw SkinError("No skin file is loaded.");
    window_ = window;
    frameTaken_ = true;
    window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowSystemMenuHint);
}

void TSkin::SkinWindowForm(QWidget* window, const QString& formName) {
    if (!document_)
        throw SkinError("No skin file is loaded.");
    const auto* form = document_->findForm(formName.toStdString());
    if (!form)
        throw SkinError(
            ("The skin file " + quoted(path_) + " has no form " + quoted(formName) + ".")
                .toStdString());
    form_ = form;
    window_ = window;
    setParent(window);
    watch(window);
    if (form->resizable()) {
        window->setMinimumSize(MinimumSize());
        window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        window->resize(DesignSize());
        if (frameTaken_ && !(window->windowFlags() & Qt::WindowMaximizeButtonHint)) {
            const bool shown = window->isVisible(); // new flags hide a window
            window->setWindowFlag(Qt::WindowMaximizeButtonHint);
            if (shown)
                window->show();
        }
    } else {
        window->setFixedSize(DesignSize());
    }
    window->setWindowTitle(QString::fromStdString(form->caption));
    applyLook(window);
    createObjects();
    createGrips();
    layOut();
    lower();
    show();
}

TSkinObject* TSkin::FindObject(const QString& name) const {
    for (auto* object : objects_)
        if (object->ObjectName() == name)
            return object;
    return nullptr;
}

// Fonts and colours of the form go to the labels and the window's palette, so
// the lists and fields match the skin.
void TSkin::applyLook(QWidget* window) {
    QFont font(QString::fromStdString(form_->fontFamily), form_->fontSize);
    window->setFont(font);
    // The window itself: labels in their colour on the background.
    QPalette palette = PaletteOf(*form_);
    palette.setColor(QPalette::Window, toQColor(form_->backgroundBottom));
    palette.setColor(QPalette::WindowText, toQColor(form_->labelText));
    window->setPalette(palette);
    QFont labelFont = font;
    if (!form_->labelFontFamily.empty())
        labelFont = QFont(QString::fromStdString(form_->labelFontFamily), form_->labelFontSize);
    for (auto* label : window->findChildren<TSkinLabel*>())
        label->SetLook(labelFont, toQColor(form_->labelText));
}

void TSkin::createObjects() {
    qDeleteAll(objects_);
    objects_.clear();
    for (const auto& object : form_->objects) {
        if (object.kind == ObjectKind::Panel)
            continue;
        auto* button = new TSkinObject(object, this);
        objects_.push_back(button);
        if (object.kind == ObjectKind::System) {
            const std::string name = object.name;
            connect(button, &QAbstractButton::clicked, this, [this, name] {
                if (name == "close")
                    window_->close();
                else if (name == "maximize")
                    ToggleMaximized();
                else
                    window_->showMinimized();
            });
        } else {
            connect(button, &QAbstractButton::clicked, this,
                    [this, button] { emit OnClick(button); });
        }
        // Only a resizable window can be maximized.
        button->setVisible(object.name != "maximize" || object.kind != ObjectKind::System ||
                           form_->resizable());
    }
}

void TSkin::paintEvent(QPaintEvent* event) {
    if (!form_)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF whole = rect();

    QLinearGradient background(whole.topLeft(), whole.bottomLeft());
    background.setColorAt(0, toQColor(form_->backgroundTop));
    background.setColorAt(1, toQColor(form_->backgroundBottom));
    p.fillRect(whole, background);

    if (form_->titleHeight > 0) {
        const QRectF title(0, 0, width(), form_->titleHeight);
        QLinearGradient bar(title.topLeft(), title.bottomLeft());
        bar.setColorAt(0, toQColor(form_->titleTop));
        bar.setColorAt(1, toQColor(form_->titleBottom));
        p.fillRect(title, bar);
        p.setPen(QPen(QColor(0, 0, 0, 90), 1));
        p.drawLine(title.bottomLeft(), title.bottomRight());
        QFont captionFont = font();
        captionFont.setBold(true);
        captionFont.setPointSizeF(captionFont.pointSizeF() + 1);
        p.setFont(captionFont);
        p.setPen(toQColor(form_->titleText));
        p.drawText(title.adjusted(14, 0, -90, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   QString::fromStdString(form_->caption));
    }

    // Panels: rounded areas behind groups of controls, with an optional heading.
    QFont headingFont = font();
    headingFont.setBold(true);
    for (const auto& object : form_->objects) {
        if (object.kind != ObjectKind::Panel)
            continue;
        const auto place = placeOf(object.rect, object.anchors, size());
        // Antialiased rounded outlines are dear: a repaint of one control
        // draws only the panels it touches, and within a panel's outline only
        // its face.
        const QRect outer(place.x, place.y, place.width, place.height);
        const QRect dirty = event->rect();
        if (!dirty.intersects(outer))
            continue;
        const QRectF box(place.x + 0.5, place.y + 0.5, place.width - 1, place.height - 1);
        const int corner = object.radius + 1;
        if (outer.adjusted(corner, corner, -corner, -corner).contains(dirty)) {
            p.fillRect(dirty, toQColor(object.face));
        } else {
            p.setBrush(toQColor(object.face));
            p.setPen(QPen(toQColor(object.border), 1));
            p.drawRoundedRect(box, object.radius, object.radius);
        }
        if (!object.caption.empty()) {
            p.setFont(headingFont);
            p.setPen(toQColor(object.text));
            p.drawText(box.adjusted(12, 6, -12, 0), Qt::AlignTop | Qt::AlignLeft,
                       QString::fromStdString(object.caption));
        }
    }

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(toQColor(form_->frame), 1));
    p.drawRect(whole.adjusted(0.5, 0.5, -0.5, -0.5));
}
