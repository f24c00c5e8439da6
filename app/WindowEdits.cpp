// The window's edit commands: undo and redo, tags from file names and file
// names from tags, and the cover panel beside the fields. They work on the
// window's file list; the window shows what they changed.
#include "app/EditCommands.h"
#include "app/State.h"
#include "app/Tageditor.h"
#include "app/TrackList.h"
#include "components/skin/Skin.h"
#include "core/PathParts.h"

#include <QAction>
#include <QPushButton>

namespace {

// The name a row shows for its path: with the extension, or without it when
// the row was listed without (the file dialog's adds).
QString captionFor(const std::string& path, bool withExtension) {
    std::string_view name = velmora::core::fileNamePart(path);
    if (!withExtension)
        name.remove_suffix(velmora::core::extensionOf(name).size());
    return QString::fromStdString(std::string(name));
}

} // namespace

void Tfm_main::createEditCommands() {
    EditCommands::Window window;
    window.widget = this;
    window.dialogs = [this]() -> Dialogs& { return *dialogs_; };
    window.selected = [this] { return selectedIds(); };
    window.playing = [this] {
        const bool playing =
            (PlayingFlag || PausedFlag) && PlayingRowIndex >= 0 && PlayingRowIndex < RowCount();
        return playing ? EditCommands::RowIds{RowIdAt(PlayingRowIndex)} : EditCommands::RowIds{};
    };
    window.rowsChanged = [this] { Guard([&] { editedRowsChanged(); }); };
    EditCommands1 = new EditCommands(list_, PopupMenu1, std::move(window));
    CoverPanel1 = EditCommands1->coverPanel();
    CoverPanel1->setGeometry(656, 142, 106, 255);
    Skin1->AnchorWidget(CoverPanel1, Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
    for (QAction* action :
         {EditCommands1->undoRedo()->undoAction(), EditCommands1->undoRedo()->redoAction()})
        action->setShortcutVisibleInContextMenu(true);
}

void Tfm_main::editedRowsChanged() {
    // A rename from tags changed paths: the rows show their new names.
    for (int index = 0; index < RowCount(); ++index) {
        const velmora::core::Row* row = list_.find(RowIdAt(index));
        const std::string oldPath = RowPath(index);
        if (!row || row->path == oldPath)
            continue;
        QTreeWidgetItem* item = lv_id3->topLevelItem(index);
        const bool withExtension = item->text(FileNameColumn) == captionFor(oldPath, true);
        item->setText(FileNameColumn, captionFor(row->path, withExtension));
        SetRowPath(index, row->path);
    }
    syncAllRows();
    showSelection();
}
