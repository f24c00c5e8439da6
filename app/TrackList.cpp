#include "app/TrackList.h"

#include "app/FilePaths.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <algorithm>

TrackListView::TrackListView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(TrackColumnCount);
    setHeaderLabels({QStringLiteral("File name"), QStringLiteral("Title"), QStringLiteral("Artist"),
                     QStringLiteral("Album"), QStringLiteral("Track"), QStringLiteral("Year"),
                     QStringLiteral("Genre"), QStringLiteral("Format")});
    const int widths[] = {220, 160, 130, 130, 50, 50, 90, 80};
    for (int column = 0; column < TrackColumnCount; ++column)
        setColumnWidth(column, widths[column]);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setItemDelegate(new TrackRowDelegate(this));
}

namespace {

// The number a text starts with ("4/12" gives 4), or -1 when it starts with none.
long long leadingNumber(const QString& text) {
    long long number = -1;
    for (const QChar c : text.trimmed()) {
        if (!c.isDigit() || number > 1'000'000'000'000LL)
            break;
        number = (number < 0 ? 0 : number * 10) + c.digitValue();
    }
    return number;
}

} // namespace

bool TrackRowItem::operator<(const QTreeWidgetItem& other) const {
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    const QString mine = text(column);
    const QString theirs = other.text(column);
    if (column == TrackColumn || column == YearColumn) {
        const long long a = leadingNumber(mine);
        const long long b = leadingNumber(theirs);
        if (a != b)
            return a < b;
    }
    return mine.compare(theirs, Qt::CaseInsensitive) < 0;
}

QVariant TrackRowItem::data(int column, int role) const {
    if (role == Qt::ToolTipRole)
        return DisplayPath(
            QTreeWidgetItem::data(PathColumn, Qt::UserRole).toByteArray().toStdString());
    return QTreeWidgetItem::data(column, role);
}

void TrackListView::setCustomDraw(CustomDraw customDraw) {
    static_cast<TrackRowDelegate*>(itemDelegate())->customDraw = std::move(customDraw);
}

void TrackListView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit leftClicked();
}

void TrackListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit leftDoubleClicked();
}

void TrackListView::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedLocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TrackListView::dragMoveEvent(QDragMoveEvent* event) {
    if (!DroppedLocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TrackListView::dropEvent(QDropEvent* event) {
    const QList<QByteArray> paths = DroppedLocalPaths(event->mimeData());
    if (paths.isEmpty())
        return event->ignore();
    event->acceptProposedAction();
    emit pathsDropped(paths);
}

void TrackRowDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (customDraw)
        customDraw(index.row(), *option);
}

QSize TrackRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), option.fontMetrics.height() + 6));
    return size;
}

void TrackRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // A set row colour fills the whole cell, also under a selection.
    if (opt.backgroundBrush.style() != Qt::NoBrush)
        painter->fillRect(opt.rect, opt.backgroundBrush);
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawLine(opt.rect.bottomLeft(), opt.rect.bottomRight());
    painter->drawLine(opt.rect.topRight(), opt.rect.bottomRight());
    painter->restore();
}
