// Adding files (file dialog, folder scan, drop), removing a row and clearing
// the list.
#include "app/Tageditor.h"

#include "app/FileKind.h"
#include "app/TrackList.h"
#include "app/dir.h"
#include "tags/id3/Unit2.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <filesystem>

namespace {

// Restores the busy state when a scan or a write ends, also through an error.
class BusyScope {
public:
    BusyScope(bool& busy, std::function<void()> changed)
        : busy_(busy), changed_(std::move(changed)) {
        busy_ = true;
        changed_();
    }
    ~BusyScope() {
        busy_ = false;
        changed_();
    }

private:
    bool& busy_;
    std::function<void()> changed_;
};

// A WMA text ends at its first zero character.
std::string untilZero(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

std::string toPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

// Reads a file's tags through the reader of its kind into the format's shared
// record and takes the six fields into entry. A file without a reader gets an
// empty entry, never the values an earlier row left there.
void Tfm_main::readTagsInto(const std::string& path, Timerec& entry) {
    const std::string ext = LowerExtension(path);
    if (ext == ".mp3") {
        ReadMP3Tag(path);
        entry = {ID3Tag.Title, ID3Tag.Artist,  ID3Tag.Year,
                 ID3Tag.Album, ID3Tag.Comment, ID3Tag.Genre};
    } else if (ext == ".ogg") {
        OGGTag tag;
        ReadOGGTag(path, tag);
        SharedOGGTag = tag;
        entry = {tag.Title, tag.Artist, tag.Date, tag.Album, tag.Comment, tag.Genre};
    } else if (ext == ".wma") {
        SharedWMATag = ReadWMATag(path);
        const WMATagRec& tag = SharedWMATag;
        entry = {untilZero(tag.Title), untilZero(tag.Artist),  untilZero(tag.Year),
                 untilZero(tag.Album), untilZero(tag.Comment), untilZero(tag.Genre)};
    } else {
        entry = {};
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
// the popup's Add File with the whole name. Afterwards the whole baseline
// table is copied into the track table, so unwritten edits of older rows go.
void Tfm_main::addChosenFiles(const QStringList& files, bool captionWithoutExtension) {
    const int c = RowCount();
    int notAdded = 0;
    int i = 0;
    for (const QString& file : files) {
        if (c + i >= TrackTableCapacity) {
            ++notAdded;
            continue;
        }
        const std::string path = toPath(file);
        const std::string name = QFileInfo(file).fileName().toStdString();
        AppendRow(captionWithoutExtension ? DropLastChars(name, 4) : name, path);
        try {
            readTagsInto(path, BaselineTable[c + i]);
        } catch (...) {
            // The add ends at this file, but the rows already listed get their
            // entries first, so none of them shows another file's values.
            BaselineTable[c + i] = {};
            TrackTable = BaselineTable;
            finishAdd();
            throw;
        }
        ++i;
    }
    TrackTable = BaselineTable;
    finishAdd();
    reportRowsNotAdded(notAdded);
}

// The audio files of one folder, in the order the file system lists them;
// subfolders are not entered. Only the new rows' entries go into the track
// table. The window stays painted and shows progress; the commands that change
// the list wait until the scan ends, or the scan is cancelled.
void Tfm_main::addFolderEntries(const std::string& folder) {
    const int c = RowCount();
    int n = 0;
    int notAdded = 0;
    auto takeNewRows = [&] {
        std::copy(BaselineTable.begin() + c, BaselineTable.begin() + c + n, TrackTable.begin() + c);
    };
    {
        BusyScope busy(busy_, [this] { updateBusyState(); });
        QProgressDialog progress(QStringLiteral("Scanning the folder..."), QStringLiteral("Cancel"),
                                 0, 0, this);
        progress.setWindowTitle(QStringLiteral("Add Folder"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(400);
        const std::string separator = !folder.empty() && folder.back() == '/' ? "" : "/";
        std::error_code error;
        std::filesystem::directory_iterator entry(folder, error), end;
        // Pending events (paints, the Cancel button) are handled between
        // entries, at most every 25 ms: often enough to stay responsive, rare
        // enough that repainting does not dominate a big scan.
        QElapsedTimer sinceEvents;
        sinceEvents.start();
        bool firstEntry = true;
        for (; !error && entry != end; entry.increment(error)) {
            if (std::exchange(firstEntry, false) || sinceEvents.hasExpired(25)) {
                QCoreApplication::processEvents();
                sinceEvents.restart();
            }
            if (progress.wasCanceled())
                break;
            const std::string name = entry->path().filename().string();
            if (name == "." || name == ".." || !HasTagReader(name))
                continue;
            if (c + n >= TrackTableCapacity) {
                ++notAdded;
                continue;
            }
            const std::string path = folder + separator + name;
            AppendRow(DropLastChars(name, 4), path);
            try {
                readTagsInto(path, BaselineTable[c + n]);
            } catch (...) {
                BaselineTable[c + n] = {};
                ++n;
                takeNewRows();
                finishAdd();
                throw;
            }
            ++n;
            if (n % 25 == 0)
                progress.setLabelText(
                    QStringLiteral("Scanning the folder... %1 files added").arg(n));
        }
    }
    takeNewRows();
    finishAdd();
    reportRowsNotAdded(notAdded);
}

void Tfm_main::Remove1Click() {
    if (busy_)
        return;
    const QStringList files = dialogs_->getOpenFileNames(this, OpenDialogFilter);
    if (!files.isEmpty())
        addChosenFiles(files, false);
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
        removeFirstSelectedRow();
}

void Tfm_main::Clear2Click() {
    if (!busy_)
        clearList();
}

// Removes the first selected row only; both tables move up with the rows.
void Tfm_main::removeFirstSelectedRow() {
    const int count = RowCount();
    const int r = FirstSelectedRow();
    if (r >= 0) {
        for (int j = r; j + 1 < count; ++j) {
            TrackTable[j] = TrackTable[j + 1];
            BaselineTable[j] = BaselineTable[j + 1];
        }
        delete lv_id3->takeTopLevelItem(r);
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
    lv_id3->clear();
    emptyFields();
    setPathCaption(QStringLiteral("Path: "));
}

// Dropped files are added as Add File adds them, dropped folders as Add Folder.
void Tfm_main::addDroppedPaths(const QStringList& paths) {
    if (busy_)
        return;
    QStringList files;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir()) {
            if (!files.isEmpty())
                addChosenFiles(std::exchange(files, {}), false);
            addFolderEntries(toPath(path));
        } else {
            files << path;
        }
    }
    if (!files.isEmpty())
        addChosenFiles(files, false);
}
