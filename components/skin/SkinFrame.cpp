// The skinned window's frame: resize edges and corners, maximizing, and
// moving the window by its title bar.
#include "components/skin/Skin.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>
#include <algorithm>

// An invisible strip along one edge (or a square at one corner) of the
// skinned window: it shows the resize cursor and resizes the window when
// dragged, never below the window's minimum size.
class TSkinGrip : public QWidget {
public:
    TSkinGrip(Qt::Edges edges, QWidget* window) : QWidget(window), edges_(edges) {
        setObjectName(QStringLiteral("skinGrip"));
        setCursor(cursorFor(edges));
        setFocusPolicy(Qt::NoFocus);
    }

    Qt::Edges Edges() const { return edges_; }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        QWidget* window = parentWidget();
        if (event->button() != Qt::LeftButton || window->isMaximized())
            return;
        // The platform resizes the window where it can (it knows the screen's edges).
        if (QWindow* handle = window->windowHandle(); handle && handle->startSystemResize(edges_))
            return;
        pressAt_ = event->globalPosition().toPoint();
        start_ = window->geometry();
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (pressAt_)
            parentWidget()->setGeometry(resized(event->globalPosition().toPoint() - *pressAt_));
    }

    void mouseReleaseEvent(QMouseEvent*) override { pressAt_.reset(); }

private:
    static Qt::CursorShape cursorFor(Qt::Edges edges) {
        const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
        const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
        if (horizontal && vertical)
            return edges == (Qt::TopEdge | Qt::LeftEdge) ||
                           edges == (Qt::BottomEdge | Qt::RightEdge)
                       ? Qt::SizeFDiagCursor
                       : Qt::SizeBDiagCursor;
        return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
    }

    // The window's geometry after the pointer moved by delta since the press:
    // the dragged edges follow it, the opposite edges stay.
    QRect resized(const QPoint& delta) const {
        const QSize least = parentWidget()->minimumSize();
        const QSize most = parentWidget()->maximumSize();
        QRect r = start_;
        if (edges_ & Qt::LeftEdge)
            r.setLeft(start_.right() + 1 -
                      std::clamp(start_.width() - delta.x(), least.width(), most.width()));
        if (edges_ & Qt::RightEdge)
            r.setWidth(std::clamp(start_.width() + delta.x(), least.width(), most.width()));
        if (edges_ & Qt::TopEdge)
            r.setTop(start_.bottom() + 1 -
                     std::clamp(start_.height() - delta.y(), least.height(), most.height()));
        if (edges_ & Qt::BottomEdge)
            r.setHeight(std::clamp(start_.height() + delta.y(), least.height(), most.height()));
        return r;
    }

    Qt::Edges edges_;
    std::optional<QPoint> pressAt_;
    QRect start_;
};

// Grips only where the skin drew the frame and the form lets the window resize.
void TSkin::createGrips() {
    qDeleteAll(grips_);
    grips_.clear();
    if (!frameTaken_ || !form_->resizable())
        return;
    for (Qt::Edges edges :
         {Qt::Edges(Qt::TopEdge), Qt::Edges(Qt::BottomEdge), Qt::Edges(Qt::LeftEdge),
          Qt::Edges(Qt::RightEdge), Qt::TopEdge | Qt::LeftEdge, Qt::TopEdge | Qt::RightEdge,
          Qt::BottomEdge | Qt::LeftEdge, Qt::BottomEdge | Qt::RightEdge})
        grips_.push_back(new TSkinGrip(edges, window_));
}

// Places the grips along the window's edges (corners twice the border wide,
// so they are easy to catch), above every other widget, and hides them while
// the window is maximized; the maximize button shows what it would do.
void TSkin::updateFrame() {
    if (!window_ || !form_)
        return;
    const bool maximized = window_->isMaximized() || window_->isFullScreen();
    const int border = form_->resizeBorder;
    const int corner = 2 * border;
    const int w = window_->width();
    const int h = window_->height();
    for (auto* grip : grips_) {
        const Qt::Edges e = grip->Edges();
        const bool horizontal = e & (Qt::LeftEdge | Qt::RightEdge);
        const bool vertical = e & (Qt::TopEdge | Qt::BottomEdge);
        const int x = e & Qt::LeftEdge    ? 0
                      : e & Qt::RightEdge ? w - (vertical ? corner : border)
                                          : corner;
        const int y = e & Qt::TopEdge      ? 0
                      : e & Qt::BottomEdge ? h - (horizontal ? corner : border)
                                           : corner;
        const int width = horizontal ? (vertical ? corner : border) : w - 2 * corner;
        const int height = vertical ? (horizontal ? corner : border) : h - 2 * corner;
        grip->setGeometry(x, y, std::max(0, width), std::max(0, height));
        grip->setVisible(!maximized);
        grip->raise();
    }
    for (auto* object : objects_) {
        const auto* look = object->Look();
        if (look && look->kind == velmora::skin::ObjectKind::System && look->name == "maximize")
            object->SetIcon(maximized ? QStringLiteral("restore") : QStringLiteral("maximize"));
    }
}

void TSkin::ToggleMaximized() {
    if (!window_)
        return;
    if (window_->isMaximized())
        window_->showNormal();
    else
        window_->showMaximized();
}

bool TSkin::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        for (const auto& parent : watched_)
            if (parent == watched) {
                layOut();
                break;
            }
    } else if (event->type() == QEvent::WindowStateChange && watched == window_) {
        updateFrame();
    }
    return QWidget::eventFilter(watched, event);
}

// The title bar moves the window once the pointer went a little way with the
// button held (so a double-click stays a double-click).
void TSkin::mousePressEvent(QMouseEvent* event) {
    if (!form_ || !window_ || event->button() != Qt::LeftButton ||
        event->position().y() >= form_->titleHeight)
        return QWidget::mousePressEvent(event);
    pressAt_ = event->globalPosition().toPoint();
    dragOffset_ = *pressAt_ - window_->frameGeometry().topLeft();
    moving_ = false;
}

void TSkin::mouseMoveEvent(QMouseEvent* event) {
    if (!pressAt_ || !window_ || window_->isMaximized())
        return QWidget::mouseMoveEvent(event);
    const QPoint at = event->globalPosition().toPoint();
    if (!moving_) {
        if ((at - *pressAt_).manhattanLength() < QApplication::startDragDistance())
            return;
        // The platform moves the window where it can.
        if (QWindow* handle = window_->windowHandle(); handle && handle->startSystemMove()) {
            pressAt_.reset();
            return;
        }
        moving_ = true;
    }
    window_->move(at - dragOffset_);
}

void TSkin::mouseReleaseEvent(QMouseEvent* event) {
    pressAt_.reset();
    moving_ = false;
    QWidget::mouseReleaseEvent(event);
}

void TSkin::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!IsResizable() || event->button() != Qt::LeftButton ||
        event->position().y() >= form_->titleHeight)
        return QWidget::mouseDoubleClickEvent(event);
    pressAt_.reset();
    ToggleMaximized();
}
