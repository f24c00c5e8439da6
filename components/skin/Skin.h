// The skin engine: TSkin draws a window's frame (title bar with caption, drag
// to move, minimize and close), its background and the objects of one form of
// a skin file, and reports clicks on button objects with OnClick. Labels
// (TSkinLabel) take the skin's font and colour.
#pragma once

#include "components/skin/SkinFile.h"

#include <QAbstractButton>
#include <QPoint>
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

class TSkin : public QWidget {
    Q_OBJECT
public:
    explicit TSkin(QWidget* parent = nullptr);

    // Reads and checks the skin file. Raises velmora::skin::SkinError naming the
    // file and what is wrong (missing, unreadable, malformed).
    void LoadSkinFile(const QString& path);
    // Takes over the window's frame: the window loses the platform's frame.
    // Call before the window is first shown.
    void SkinWindow(QWidget* window);
    // Lays the named form over the window: size, background, objects, label
    // looks and field colours. Raises SkinError when the file has no such form.
    void SkinWindowForm(QWidget* window, const QString& formName);

    bool IsLoaded() const { return document_.has_value(); }
    const velmora::skin::SkinForm* Form() const { return form_; }
    // The objects of the laid form.
    std::vector<TSkinObject*> Objects() const { return objects_; }
    TSkinObject* FindObject(const QString& name) const;

signals:
    // A button object was clicked.
    void OnClick(TSkinObject* Source);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyLook(QWidget* window);
    void createObjects();

    QString path_;
    std::optional<velmora::skin::SkinDocument> document_;
    const velmora::skin::SkinForm* form_ = nullptr;
    QWidget* window_ = nullptr;
    std::vector<TSkinObject*> objects_;
    std::optional<QPoint> dragOffset_;
};
