// Undo and redo of the list's edits for a window: two actions, "Undo"
// (Ctrl+Z) and "Redo" (Ctrl+Shift+Z), for its popup menu and its keys. Inside
// a text field that has the focus the keys first undo and redo the typing
// there, as in every text field; only when the field has nothing to undo (or
// redo) do they go to the list. The edits made from entering a text field of
// the window to leaving it are one step.
#pragma once

#include "core/FileList.h"

#include <QObject>
#include <QPointer>
#include <vector>

class QAction;
class QMenu;
class QWidget;

class UndoRedo : public QObject {
    Q_OBJECT
public:
    using RowIds = std::vector<velmora::core::RowId>;

    // window: the actions' keys work inside it.
    UndoRedo(velmora::core::FileList& list, QWidget* window);
    ~UndoRedo() override;

    QAction* undoAction() const { return undo_; }
    QAction* redoAction() const { return redo_; }
    // Adds both actions to a menu; they are enabled as the history allows
    // each time it opens.
    void addTo(QMenu* menu);
    // Enables the actions as the history allows.
    void refresh();

    // What the actions do: the list's undo / redo. Return the rows changed.
    RowIds undo();
    RowIds redo();

signals:
    // After an undo or redo: the rows whose values changed, ascending.
    void rowsChanged(const UndoRedo::RowIds& ids);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reopenFieldStep();

    velmora::core::FileList& list_;
    QWidget* window_;
    QAction* undo_;
    QAction* redo_;
    // The text field whose step is open: it has the focus.
    QPointer<QWidget> fieldInStep_;
};
