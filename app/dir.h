// The folder dialog fm_dir ("Add File Directory"): a tree of the file system's
// folders with "Ok" and "Cancel". It lives for the whole run, so the tree keeps
// its expansion and selection between uses; it starts with the home folder
// selected. Closing it with the frame's close box counts as Cancel.
#pragma once

#include <QDialog>
#include <string>

class QFileSystemModel;
class QPushButton;
class QTreeView;

// The folder chosen by the last use of the dialog: empty after Cancel.
extern std::string ChosenFolder;

class Tfm_dir : public QDialog {
    Q_OBJECT
public:
    explicit Tfm_dir(QWidget* parent = nullptr);

    QTreeView* ShellTreeView1 = nullptr;
    QPushButton* btn_ok = nullptr;
    QPushButton* btn_cancel = nullptr;

    // The folder selected in the tree (its full path), or empty.
    QString SelectedFolder() const;
    // Selects path in the tree and scrolls to it.
    void SelectFolder(const QString& path);

    void btn_okClick();
    void btn_cancelClick();

    void reject() override;

private:
    QFileSystemModel* model_ = nullptr;
};

extern Tfm_dir* fm_dir;
