// The list view lv_id3: a report-style list with two columns (the caption and
// the hidden full path), grid lines, rows coloured by the window before they
// are drawn, and files or folders dropped from a file manager.
#pragma once

#include <QByteArray>
#include <QList>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <functional>

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
