// Adding files (file dialog, folder scan, drop), removing rows and clearing
// the list. Rows already listed keep their unwritten edits through every add;
// removing or clearing rows with unwritten edits asks first.
#include "app/Tageditor.h"

#include "app/FileKind.h"
#include "app/FilePaths.h"
#include "app/TagFields.h"
#include "app/TrackList.h"
#include "app/dir.h"
#include "tags/id3/Mp3Tags.h"
#include "tags/ogg/VorbisTags.h"
#include "tags/wma/WmaTags.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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

} // namespace

// Reads a file's tags through the unit of its kind and takes the six fields
// into entry. A file without a reader, or whose reader fails, gets an empty
// entry, never the values an earlier row left there.
void Tfm_main::readTagsInto(const std::string& path, Timerec& entry) {
    entry = {};
    const std::string ext = LowerExtension(path);
    if (ext == ".mp3") {
        entry = TimerecOf(velmora::mp3::readTags(path));
    } else if (ext == ".ogg") {
        entry = TimerecOf(velmora::vorbis::readTags(path));
    } else if (ext == ".wma") {
        entry = TimerecOf(velmora::wma::readTags(path));
        // A WMA text ends at its first zero character.
        for (std::string* text :
             {&entry.Title, &entry.Artist, &entry.Year, &entry.Album, &entry.Comment, &entry.Genre})
            if (const auto zero = text->find('\0'); zero != std::string::npos)
                text->resize(zero);
    }
}

void Tfm_main::finishAdd() {
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

// The files chosen in the file dialog (or dropped), in their order. The skin
// command "add" captions a row with the name less its last four characters,
// the popup's Add File with the whole name. Only the new rows' entries are
// set, so older rows keep their unwritten edits. A reader error ends the add at its file, but the
// rows already listed get their entries first, so none of them shows another file's values. Many
// files show progress and can be cancelled as a folder scan can; the rows
// added so far stay.
void Tfm_main::addChosenFiles(const std::vector<std::string>& files, bool captionWithoutExtension) {
    const int c = RowCount();
    const int added = std::min<int>(static_cast<int>(files.size()), TrackTableCapacity - c);
    try {
        BusyScope busy(*this);
        AddProgress progress(this, QStringLiteral("Add File"),
                             QStringLiteral("Adding the files..."));
        for (int i = 0; i < added && progress.goOn(); ++i) {
            const std::string& path = files[static_cast<std::size_t>(i)];
            const std::string name = FileNamePart(path);
            AppendRow(captionWithoutExtension ? DropLastChars(name, 4) : name, path);
            try {
                readTagsInto(path, BaselineTable[c + i]);
            } catch (...) {
                TrackTable[c + i] = BaselineTable[c + i];
                throw;
            }
            TrackTable[c + i] = BaselineTable[c + i];
            ShowProgress(QStringLiteral("Adding files"), i + 1, added);
            if ((i + 1) % 25 == 0)
                progress.setLabelText(
                    QStringLiteral("Adding the files... %1 of %2").arg(i + 1).arg(added));
        }
    } catch (...) {
        finishAdd();
        throw;
    }
    finishAdd();
    reportRowsNotAdded(static_cast<int>(files.size()) - added);
}

// The audio files of one folder, in the order the file system lists them;
// subfolders are not entered. Only the new rows' entries go into the track
// table, each as soon as it is read, so a row shows its own tags also while the
// scan goes on. The window stays painted and shows progress; the commands that
// change the list wait until the scan ends, or the scan is cancelled.
void Tfm_main::addFolderEntries(const std::string& folder) {
    const int c = RowCount();
    int n = 0;
    int notAdded = 0;
    std::error_code error;
    std::filesystem::directory_iterator entry(folder, error), end;
    if (error)
        dialogs_->information(
            this, QStringLiteral("Cannot read the folder \"%1\": %2.")
                      .arg(DisplayPath(folder), QString::fromStdString(error.message())));
    try {
        BusyScope busy(*this);
        AddProgress progress(this, QStringLiteral("Add Folder"),
                             QStringLiteral("Scanning the folder..."));
        const std::string separator = !folder.empty() && folder.back() == '/' ? "" : "/";
        for (; !error && entry != end && progress.goOn(); entry.increment(error)) {
            const std::string name = entry->path().filename().string();
            if (name == "." || name == ".." || !HasTagReader(name))
                continue;
            if (c + n >= TrackTableCapacity) {
                ++notAdded;
                continue;
            }
            const std::string path = folder + separator + name;
            AppendRow(DropLastChars(name, 4), path);
            const int row = c + n++;
            try {
                readTagsInto(path, BaselineTable[row]);
            } catch (...) {
                TrackTable[row] = BaselineTable[row];
                throw;
            }
            TrackTable[row] = BaselineTable[row];
            ShowProgress(QStringLiteral("Adding a folder"), n, 0);
            if (n % 25 == 0)
                progress.setLabelText(
                    QStringLiteral("Scanning the folder... %1 files added").arg(n));
        }
    } catch (...) {
        finishAdd();
        throw;
    }
    finishAdd();
    reportRowsNotAdded(notAdded);
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
        const int count = RowCount();
        int to = rows.front();
        for (int from = rows.front(); from < count && from < TrackTableCapacity; ++from) {
            if (std::binary_search(rows.begin(), rows.end(), from))
                continue;
            TrackTable[to] = TrackTable[from];
            BaselineTable[to] = BaselineTable[from];
            ++to;
        }
        for (auto row = rows.rbegin(); row != rows.rend(); ++row)
            delete lv_id3->takeTopLevelItem(*row);
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
