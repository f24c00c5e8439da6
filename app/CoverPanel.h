// The front cover beside the tag fields: the picture of the selected row,
// scaled, with its size ("500×500 px, 48213 bytes"); "(several covers)" when
// the selected rows show different ones; nothing without a cover. "Set cover…"
// puts a JPEG or PNG file the user picks into every selected row as an
// unwritten edit, "Remove cover" marks their front covers for removal. A file
// that is no usable cover is refused with the reason, and nothing changes.
#pragma once

#include "core/FileList.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QTimer;

class CoverPanel : public QWidget {
    Q_OBJECT
public:
    using RowIds = std::vector<velmora::core::RowId>;
    // Asks the user for an image file; empty when cancelled.
    using Chooser = std::function<QString()>;

    // The filter of the image file dialog.
    static const QString ImageFilter;

    explicit CoverPanel(velmora::core::FileList& list, QWidget* parent = nullptr);
    ~CoverPanel() override;

    // Replaces the file dialog "Set cover…" opens (the window's dialog seam).
    void setChooser(Chooser chooser) { chooser_ = std::move(chooser); }

    // Shows the cover of these rows (the selection, in list order); reads the
    // first row's cover now, and compares the others' with it in slices of
    // the event loop until one differs ("(several covers)").
    void showRows(RowIds ids);
    // Shows the same rows again (after an undo, a write, a reset).
    void refresh() { showRows(ids_); }

    // What "Set cover…" and "Remove cover" do; setCover takes the image file
    // (the file system's bytes) instead of asking.
    void setCover(const std::string& imagePath);
    void removeCover();

    // As shown: "W×H px, N bytes", "(several covers)", a reason the cover
    // cannot be shown, or empty.
    QString caption() const;
    // The latest refusal of "Set cover…", naming the file; empty after a change.
    QString refusal() const;
    // A picture is drawn.
    bool showsPicture() const;
    // The picture shown (null for none or several).
    std::shared_ptr<const velmora::Picture> picture() const { return picture_; }
    QPushButton* setButton() const { return set_; }
    QPushButton* removeButton() const { return remove_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

signals:
    // After "Set cover…" or "Remove cover" changed these rows.
    void coverChanged(const CoverPanel::RowIds& ids);
    // "Set cover…" refused the file: the reason, naming it.
    void refused(const QString& reason);

private:
    void chooseCover();
    // Compares the next covers of the selection with the first one's for a
    // while, and goes on later when some are left.
    void compareSlice();
    void showPicture(std::shared_ptr<const velmora::Picture> picture);
    void showText(const QString& text);
    // Draws the picture as large as the panel's room allows.
    void fitPicture();
    // The rows among ids_ whose formats hold covers.
    RowIds coverRows() const;

    velmora::core::FileList& list_;
    RowIds ids_;
    // The rows still being compared with the first one's cover, and how far.
    RowIds comparing_;
    std::size_t compared_ = 0;
    velmora::core::CoverView first_;
    QTimer* comparison_ = nullptr;
    std::shared_ptr<const velmora::Picture> picture_;
    // The shown picture decoded, at most as large as it is ever drawn.
    QImage scaled_;
    Chooser chooser_;
    QLabel* image_ = nullptr;
    QLabel* caption_ = nullptr;
    QLabel* refusal_ = nullptr;
    QPushButton* set_ = nullptr;
    QPushButton* remove_ = nullptr;
};
