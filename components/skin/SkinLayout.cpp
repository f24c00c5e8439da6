// Anchored layout: the skin's objects and the window's own widgets keep their
// distances to the window edges they are anchored to when the window resizes.
#include "components/skin/Skin.h"

#include <algorithm>

using velmora::skin::Anchors;
using velmora::skin::Rect;

namespace {

Anchors anchorsOf(Qt::Edges edges) {
    Anchors anchors = 0;
    if (edges & Qt::LeftEdge)
        anchors |= velmora::skin::AnchorLeft;
    if (edges & Qt::TopEdge)
        anchors |= velmora::skin::AnchorTop;
    if (edges & Qt::RightEdge)
        anchors |= velmora::skin::AnchorRight;
    if (edges & Qt::BottomEdge)
        anchors |= velmora::skin::AnchorBottom;
    return anchors;
}

} // namespace

QSize TSkin::DesignSize() const {
    if (form_)
        return QSize(form_->width, form_->height);
    const velmora::skin::SkinForm defaults;
    return QSize(defaults.width, defaults.height);
}

QSize TSkin::MinimumSize() const {
    if (form_)
        return QSize(form_->minimumWidth(), form_->minimumHeight());
    return DesignSize();
}

Rect TSkin::placeOf(const Rect& design, Anchors anchors, const QSize& size) const {
    const QSize designSize = DesignSize();
    return velmora::skin::anchoredRect(design, anchors, designSize.width(), designSize.height(),
                                       size.width(), size.height());
}

void TSkin::watch(QWidget* parent) {
    for (const auto& watched : watched_)
        if (watched == parent)
            return;
    std::erase_if(watched_, [](const QPointer<QWidget>& watched) { return watched.isNull(); });
    watched_.emplace_back(parent);
    parent->installEventFilter(this);
}

void TSkin::AnchorWidget(QWidget* widget, Qt::Edges anchors) {
    if (!widget || !widget->parentWidget())
        return;
    std::erase_if(anchored_, [widget](const AnchoredWidget& anchored) {
        return anchored.widget.isNull() || anchored.widget == widget;
    });
    const QRect g = widget->geometry();
    anchored_.push_back({widget, Rect{g.x(), g.y(), g.width(), g.height()}, anchorsOf(anchors)});
    watch(widget->parentWidget());
    layOutWidget(anchored_.back());
}

void TSkin::layOutWidget(const AnchoredWidget& anchored) const {
    if (!anchored.widget)
        return;
    const Rect r =
        placeOf(anchored.design, anchored.anchors, anchored.widget->parentWidget()->size());
    anchored.widget->setGeometry(r.x, r.y, r.width, r.height);
}

// Follows the window's size: the skin covers the whole window, its objects
// and the anchored widgets move to their places, the grips to the edges.
void TSkin::layOut() {
    if (form_ && window_) {
        setGeometry(window_->rect());
        for (auto* object : objects_) {
            const Rect r = placeOf(object->Look()->rect, object->Look()->anchors, size());
            object->setGeometry(r.x, r.y, r.width, r.height);
        }
        updateFrame();
        update();
    }
    for (const auto& anchored : anchored_)
        layOutWidget(anchored);
}
