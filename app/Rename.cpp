// Renaming a listed file in place with the editor edt_tit over its row.
#include "app/Tageditor.h"

#include "app/FileKind.h"
#include "app/TrackList.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

const QString RefusalWhilePlaying =
    QStringLiteral("You can not rename a file while it is playing.");

// Renames within the folder, never replacing an existing file. Returns 0 or
// the errno of the failure.
int renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without no-replace renames: check, then rename.
    struct stat status {};
    if (::lstat(to.c_str(), &status) == 0)
        return EEXIST;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

QString quoted(const std::string& text) {
    return QStringLiteral("\"") + QString::fromStdString(text) + QStringLiteral("\"");
}

} // namespace

std::string Tfm_main::CleanFileName(const std::string& text) {
    static constexpr char removed[] = {'*', '?', '|', ':', '"', '/', '\\', '<', '>'};
    std::string result = text;
    for (char c : removed)
        std::erase(result, c);
    return result;
}

void Tfm_main::lv_id3DblClick() {
    if (busy_)
        return;
    const int r = FirstSelectedRow();
    if (r < 0)
        return;
    if (PlayingFlag && r == PlayingRowIndex) {
        dialogs_->information(this, RefusalWhilePlaying);
        return;
    }
    QTreeWidgetItem* item = lv_id3->topLevelItem(r);
    const QRect rowRect = lv_id3->visualItemRect(item);
    edt_tit->setGeometry(1, rowRect.top() - 1, lv_id3->columnWidth(0), 21);
    edt_tit->setText(item->text(0));
    renameRow_ = r;
    renamePath_ = RowPath(r);
    renameOpen_ = true;
    edt_tit->show();
    edt_tit->selectAll();
    edt_tit->setFocus();
}

void Tfm_main::edt_titKeyUp(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    edt_tit->hide();
    edt_titExit();
}

// Esc closes the editor and the file keeps its name.
void Tfm_main::cancelRename() {
    renameOpen_ = false;
    edt_tit->hide();
    lv_id3->setFocus();
}

void Tfm_main::edt_titExit() {
    if (!renameOpen_)
        return;
    renameOpen_ = false;
    const std::string text = CleanFileName(edt_tit->text().toStdString());
    edt_tit->setText(QString::fromStdString(text));
    edt_tit->hide();
    if (text.empty())
        return;
    // The row the editor opened on, provided it still lists the same file.
    const int r = renameRow_;
    if (r < 0 || r >= RowCount() || RowPath(r) != renamePath_)
        return;
    const std::string oldPath = renamePath_;
    const std::string newPath = FolderPart(oldPath) + text + Extension(oldPath);
    const std::string newName = FileNamePart(newPath);
    if (PlayingFlag && r == PlayingRowIndex) {
        dialogs_->information(this, RefusalWhilePlaying);
        return;
    }
    if (newPath != oldPath) {
        if (const int err = renameWithoutReplacing(oldPath, newPath); err != 0) {
            const QString reason = err == EEXIST
                                       ? QStringLiteral("a file of that name already exists")
                                       : QString::fromLocal8Bit(std::strerror(err));
            dialogs_->information(this,
                                  QStringLiteral("Cannot rename %1 to %2: %3.")
                                      .arg(quoted(FileNamePart(oldPath)), quoted(newName), reason));
            return;
        }
    }
    QTreeWidgetItem* item = lv_id3->topLevelItem(r);
    item->setText(0, QString::fromStdString(text));
    SetRowPath(r, newPath);
    if (r == CurrentRowIndex && FirstSelectedRow() == r)
        showRowPath(r);
}
