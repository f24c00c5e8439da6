// The edit commands a window offers in its popup menu: "Undo", "Redo", "Fill
// tags from file names…", "Rename files from tags…", "Set cover…" and "Remove
// cover", with the undo keys and the cover panel they share. The window tells
// which rows are selected and playing, and is told when rows changed.
#pragma once

#include "app/CoverPanel.h"
#include "app/PatternDialog.h"
#include "app/UndoRedo.h"

#include <QObject>
#include <functional>

class Dialogs;
class QAction;
class QMenu;

class EditCommands : public QObject {
    Q_OBJECT
public:
    using RowIds = std::vector<velmora::core::RowId>;
    struct Window {
        QWidget* widget = nullptr; // the window: keys, the panel's parent, dialogs' parent
        std::function<Dialogs&()> dialogs;
        std::function<RowIds()> selected; // in list order
        std::function<RowIds()> playing;
        std::function<void()> rowsChanged; // values, covers or names changed
    };

    // Adds the entries to menu and makes the cover panel, a child of the window.
    EditCommands(velmora::core::FileList& list, QMenu* menu, Window window);

    UndoRedo* undoRedo() const { return undoRedo_; }
    CoverPanel* coverPanel() const { return cover_; }
    QAction* fillAction() const { return fill_; }
    QAction* renameAction() const { return rename_; }
    QAction* setCoverAction() const { return setCover_; }
    QAction* removeCoverAction() const { return removeCover_; }

    // The window's selection changed: the panel shows its cover.
    void selectionChanged();
    // Opens the pattern dialog (window-modal) on the selected rows.
    PatternDialog* openPatternDialog(PatternDialog::Mode mode);

private:
    velmora::core::FileList& list_;
    Window window_;
    // The selection the cover panel was last shown for.
    RowIds shownSelection_;
    UndoRedo* undoRedo_;
    CoverPanel* cover_;
    QAction* fill_;
    QAction* rename_;
    QAction* setCover_;
    QAction* removeCover_;
};
