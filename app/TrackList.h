// The list view lv_id3: a report-style list with a column per field (sorted by
// a header click), grid lines, rows coloured by the window before they are
// drawn, and files or folders dropped from a file manager.
#pragma once

#include <QByteArray>
#include <QList>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <functional>

// The list's columns, in order.
enum TrackColumn : int {
    FileNameColumn,
    TitleColumn,
    ArtistColumn,
    AlbumColumn,
    TrackColumn,
    YearColumn,
    GenreColumn,
    FormatColumn,
    TrackColumnCount
};
// Where a row keeps its data: the file list's row id in the file name
// column's user role, the path's exact bytes in this column's user role.
inline constexpr int PathColumn = TitleColumn;

// A list row. Sorting compares the track and year columns by their leading
// number, the others as text without regard to case; equal rows keep their order.
class TrackRowItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override;
    // Every column's tool tip is the row's path, as shown, made when asked.
    QVariant data(int column, int role) const override;
};

class TrackListView : public QTreeWidget {
    Q_OBJECT
public:
    // Called for each row before it is drawn, with the row's style options.
    using CustomDraw = std::function<void(int row, QStyleOptionViewItem& option)>;

    explicit TrackListView(QWidget* parent = nullptr);
    void setCustomDraw(CustomDraw customDraw);

signals:
    // Local files and folders dropped onto the list, in the order of the drop,
    // as the file system's bytes.
    void pathsDropped(const QList<QByteArray>& paths);
    // A left click or double-click, after the list updated its selection.
    void leftClicked();
    void leftDoubleClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// Draws each cell with the window's row colour and a grid line.
class TrackRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    TrackListView::CustomDraw customDraw;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    // Room above and below the text, so descenders and underscores stay clear
    // of the grid line.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
