// Adding files (file dialog, folder scan, drop), removing rows and clearing
// the list, as calls into the window's file list. Rows already listed keep
// their unwritten edits through every add; removing or clearing rows with
// unwritten edits asks first.
#include "app/Tageditor.h"

#include "app/FilePaths.h"
#include "app/TrackList.h"
#include "app/dir.h"
#include "base/FileLayer.h"
#include "core/FolderScan.h"
#include "core/PathParts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QProgressDialog>
#include <algorithm>
#include <filesystem>
#include <numeric>

namespace {

// The progress of an add that may take a while: a window-modal dialog with
// Cancel, shown only when the add lasts longer than 400 ms. Pending events
// (paints, the Cancel button) are handled between files, at most every 25 ms:
// often enough to stay responsive, rare enough that repainting does not
// dominate a big add.
class AddProgress {
public:
    AddProgress(QWidget* window, const QString& title, const QString& label)
        : dialog_(label, QStringLiteral("Cancel"), 0, 0, window) {
        dialog_.setWindowTitle(title);
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(400);
        sinceEvents_.start();
    }

    // Handles pending events when due; false once the add was cancelled.
    bool goOn() {
        if (std::exchange(first_, false) || sinceEvents_.hasExpired(25)) {
            QCoreApplication::processEvents();
            sinceEvents_.restart();
        }
        return !dialog_.wasCanceled();
    }

    void setLabelText(const QString& text) { dialog_.setLabelText(text); }

private:
    QProgressDialog dialog_;
    QElapsedTimer sinceEvents_;
    bool first_ = true;
};

QString fromBytes(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The row's caption: the file name, or the name without its extension.
std::string captionOf(const std::string& path, bool withoutExtension) {
    const std::string_view name = velmora::core::fileNamePart(path);
    if (!withoutExtension)
        return std::string(name);
    return std::string(name.substr(0, name.size() - velmora::core::extensionOf(name).size()));
}

} // namespace

// New rows come at the end, so the list is no longer in the order its
// header showed.
void Tfm_main::finishAdd() {
    if (sortColumn_ >= 0) {
        sortColumn_ = -1;
        lv_id3->header()->setSortIndicatorShown(false);
    }
    if (RowCount() > 0 && FirstSelectedRow() < 0)
        SelectRow(0);
    if (RowCount() > 0)
        CurrentRowIndex = FirstSelectedRow();
    lv_id3Click();
}

void Tfm_main::reportRowsNotAdded(int notAdded) {
    if (notAdded <= 0)
        return;
    dialogs_->information(
        this, QStringLiteral("%1 %2 not added: the list holds at most %3 files.")
                  .arg(notAdded)
                  .arg(notAdded == 1 ? QStringLiteral("file was") : QStringLiteral("files were"))
                  .arg(TrackTableCapacity));
}

// Reads each file into a new row, as soon as it is read, so a row shows its
// own tags also while the add goes on. A file whose interrupted write can be
// finished is finished first (by the read; a row whose write cannot be
// finished shows why). Many files show progress and can be cancelled; the
// rows added so far stay.
int Tfm_main::appendFiles(const std::vector<std::string>& files, bool captionWithoutExtension,
                          const QString& title, const QString& label) {
    const int room = std::max(0, TrackTableCapacity - RowCount());
    const int added = std::min<int>(static_cast<int>(files.size()), room);
    QStringList problems;
    {
        BusyScope busy(*this);
        AddProgress progress(this, title, label);
        for (int i = 0; i < added && progress.goOn(); ++i) {
            const std::string& path = files[static_cast<std::size_t>(i)];
            const int row =
                AppendRow(captionOf(path, captionWithoutExtension), velmora::core::readRow(path));
            if (const auto* entry = Files().find(RowIdAt(row)); entry && !entry->problem.empty())
                problems << fromBytes(entry->problem);
            ShowProgress(title == QStringLiteral("Add Folder") ? QStringLiteral("Adding a folder")
                                                               : QStringLiteral("Adding files"),
                         i + 1, added);
            if ((i + 1) % 25 == 0)
                progress.setLabelText(
                    QStringLiteral("%1 %2 of %3").arg(label).arg(i + 1).arg(added));
        }
    }
    finishAdd();
    if (!problems.isEmpty())
        dialogs_->error(this, problems.join(QLatin1Char('\n')));
    return static_cast<int>(files.size()) - added;
}

// The files chosen in the file dialog (or dropped), in their order. The skin
// command "add" captions a row with the name less its extension, the popup's
// Add File with the whole name.
void Tfm_main::addChosenFiles(const std::vector<std::string>& files, bool captionWithoutExtension) {
    reportRowsNotAdded(appendFiles(files, captionWithoutExtension, QStringLiteral("Add File"),
                                   QStringLiteral("Adding the files...")));
}

// The audio files of one folder, in the order the file system lists them;
// subfolders are not entered. Interrupted writes in the folder are finished
// and our stale temporary files removed first.
void Tfm_main::addFolderEntries(const std::string& folder) {
    QStringList problems;
    for (const velmora::FileError& error : velmora::tidyFolder(folder))
        problems << fromBytes(error.what());
    if (!problems.isEmpty())
        dialogs_->error(this, problems.join(QLatin1Char('\n')));
    const velmora::core::FolderScan scan = velmora::core::scanFolder(folder);
    if (!scan.error.empty())
        dialogs_->information(this, fromBytes(scan.error));
    reportRowsNotAdded(appendFiles(scan.paths, true, QStringLiteral("Add Folder"),
                                   QStringLiteral("Scanning the folder...")));
}

void Tfm_main::Remove1Click() {
    if (busy_)
        return;
    const QStringList files = dialogs_->getOpenFileNames(this, OpenDialogFilter);
    if (!files.isEmpty())
        addChosenFiles(FileSystemPaths(files), false);
}

void Tfm_main::Clear1Click() {
    AddFolder();
}

void Tfm_main::AddFolder() {
    if (busy_)
        return;
    dialogs_->runFolderDialog(*folderDialog());
    if (ChosenFolder.empty())
        return;
    addFolderEntries(ChosenFolder);
}

void Tfm_main::Remove2Click() {
    if (!busy_)
        removeSelectedRows();
}

void Tfm_main::Clear2Click() {
    if (!busy_)
        clearList();
}

namespace {

QString filesText(int count) {
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

} // namespace

bool Tfm_main::discardEditsOf(const std::vector<int>& rows) {
    const auto edited = std::count_if(rows.begin(), rows.end(),
                                      [this](int row) { return RowHasUnwrittenEdits(row); });
    return edited == 0 ||
           dialogs_->question(this, QStringLiteral("The changes to %1 have not been written. "
                                                   "Discard them?")
                                        .arg(filesText(static_cast<int>(edited))));
}

// Removes every selected row; both tables move up with the rows. The row that
// took the place of the first removed one is selected.
void Tfm_main::removeSelectedRows() {
    const std::vector<int> rows = selectedRows();
    if (!rows.empty()) {
        if (!discardEditsOf(rows))
            return;
        CurrentRowIndex = rows.front();
        listChanging_ = true;
        list_.remove(selectedIds());
        for (auto row = rows.rbegin(); row != rows.rend(); ++row)
            delete lv_id3->takeTopLevelItem(*row);
        syncAllRows();
        listChanging_ = false;
    }
    if (RowCount() > 0) {
        if (CurrentRowIndex > RowCount() - 1)
            CurrentRowIndex = RowCount() - 1;
        SelectRow(CurrentRowIndex);
        lv_id3Click();
    } else {
        emptyFields();
        setPathCaption(QStringLiteral("Path: "));
    }
}

// Removes every row; the table entries stay, belonging to no row.
void Tfm_main::clearList() {
    std::vector<int> rows(static_cast<std::size_t>(std::min(RowCount(), TrackTableCapacity)));
    std::iota(rows.begin(), rows.end(), 0);
    if (!discardEditsOf(rows))
        return;
    listChanging_ = true;
    lv_id3->clear();
    list_.clear();
    listChanging_ = false;
    emptyFields();
    setPathCaption(QStringLiteral("Path: "));
}

// Dropped files are added as Add File adds them, dropped folders as Add Folder.
void Tfm_main::addDroppedPaths(const QList<QByteArray>& paths) {
    if (busy_)
        return;
    std::vector<std::string> files;
    for (const QByteArray& bytes : paths) {
        std::string path = bytes.toStdString();
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            if (!files.empty())
                addChosenFiles(std::exchange(files, {}), false);
            addFolderEntries(path);
        } else {
            files.push_back(std::move(path));
        }
    }
    if (!files.empty())
        addChosenFiles(files, false);
}
