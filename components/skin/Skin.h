// The skin engine: TSkin draws a window's frame (title bar with caption, drag
// to move, minimize, maximize and close, resize edges and corners), its
// background and the objects of one form of a skin file, keeps the objects and
// the window's own anchored widgets in place when the window resizes, and
// reports clicks on button objects with OnClick. Labels (TSkinLabel) take the
// skin's font and colour; dialogs and menus can take its colours.
#pragma once

#include "components/skin/SkinFile.h"

#include <QAbstractButton>
#include <QPalette>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

// A clickable object: a skinned button, or a plain push button when the window
// runs without a skin. Its name selects the program's command.
class TSkinObject : public QAbstractButton {
    Q_OBJECT
public:
    // A plain push button named name.
    TSkinObject(const QString& name, const QString& caption, QWidget* parent);
    // A skinned object drawn as the skin file describes it.
    TSkinObject(const velmora::skin::SkinObject& object, QWidget* parent);

    QString ObjectName() const { return name_; }
    bool IsSkinned() const { return look_.has_value(); }
    // The object as the skin file describes it; nullptr for a plain button.
    const velmora::skin::SkinObject* Look() const { return look_ ? &*look_ : nullptr; }
    // Shows another of the drawn icons (the maximize button becomes restore).
    void SetIcon(const QString& icon);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString name_;
    std::optional<velmora::skin::SkinObject> look_;
    bool hovered_ = false;
};

// A text label whose caption the program sets; drawn in the skin's font and colour.
class TSkinLabel : public QWidget {
    Q_OBJECT
public:
    explicit TSkinLabel(const QString& caption, QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // The skin's font and colour; without a call the window's palette is used.
    void SetLook(const QFont& font, const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    std::optional<QColor> color_;
};

class TSkinGrip;

class TSkin : public QWidget {
    Q_OBJECT
public:
    explicit TSkin(QWidget* parent = nullptr);
    ~TSkin() override;

    // Reads and checks the skin file. Raises velmora::skin::SkinError naming the
    // file and what is wrong (missing, unreadable, malformed).
    void LoadSkinFile(const QString& path);
    // Takes over the window's frame: the window loses the platform's frame.
    // Call before the window is first shown.
    void SkinWindow(QWidget* window);
    // Lays the named form over the window: size, background, objects, label
    // looks and field colours. A form with a resize border makes the window
    // resizable down to the form's minimum size and maximizable; otherwise the
    // window keeps the form's size. Raises SkinError when the file has no such form.
    void SkinWindowForm(QWidget* window, const QString& formName);

    // Keeps widget, a direct child of the skinned window, at its distance to
    // the given window edges whenever the window resizes (both edges of a
    // direction: it stretches; neither: it keeps its place to the centre). Its
    // geometry at the call is its place in a window of DesignSize(). Works with
    // or without a loaded skin; call again after moving the widget yourself.
    void AnchorWidget(QWidget* widget, Qt::Edges anchors);
    // The size the skin objects and anchored widgets were placed for: the laid
    // form's size, or 773 x 497 without a form.
    QSize DesignSize() const;
    // The smallest size of the window: the form's minimum size, or DesignSize().
    QSize MinimumSize() const;
    bool IsResizable() const { return form_ && form_->resizable(); }
    // Maximizes the window, or gives it back its size before; what the
    // maximize button and a double-click on the title bar do.
    void ToggleMaximized();

    // The skin's colours for message boxes, menus and dialogs: background,
    // text, fields, buttons and selection. The application's palette without a form.
    QPalette Palette() const;
    static QPalette PaletteOf(const velmora::skin::SkinForm& form);
    // Gives widget (a message box, menu or dialog, before it is shown) the
    // skin's colours and font; windows it opens follow it.
    void ApplyColours(QWidget* widget) const;

    bool IsLoaded() const { return document_.has_value(); }
    const velmora::skin::SkinForm* Form() const { return form_; }
    // The objects of the laid form.
    std::vector<TSkinObject*> Objects() const { return objects_; }
    TSkinObject* FindObject(const QString& name) const;

signals:
    // A button object was clicked.
    void OnClick(TSkinObject* Source);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct AnchoredWidget {
        QPointer<QWidget> widget;
        velmora::skin::Rect design;
        velmora::skin::Anchors anchors;
    };

    void applyLook(QWidget* window);
    void createObjects();
    void createGrips();
    void watch(QWidget* parent);
    void layOut();
    void layOutWidget(const AnchoredWidget& anchored) const;
    void updateFrame();
    velmora::skin::Rect placeOf(const velmora::skin::Rect& design, velmora::skin::Anchors anchors,
                                const QSize& size) const;

    QString path_;
    std::optional<velmora::skin::SkinDocument> document_;
    const velmora::skin::SkinForm* form_ = nullptr;
    QWidget* window_ = nullptr;
    bool frameTaken_ = false;
    std::vector<TSkinObject*> objects_;
    std::vector<TSkinGrip*> grips_;
    std::vector<AnchoredWidget> anchored_;
    std::vector<QPointer<QWidget>> watched_;
    // Title bar drag: where the press was, and the pointer's offset to the window.
    std::optional<QPoint> pressAt_;
    QPoint dragOffset_;
    bool moving_ = false;
};
