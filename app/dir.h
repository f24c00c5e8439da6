// The folder dialog fm_dir ("Add File Directory"): a path field, a tree of the
// file system's folders, "Ok" and "Cancel". The path field shows the folder
// selected in the tree; a folder typed there and Enter select it in the tree
// (a second Enter takes it), a path that is no folder is reported in the
// dialog. The dialog lives for the whole run, so the tree keeps its expansion
// and selection between uses; it starts at the folder chosen last (kept
// between runs), or the home folder. Closing it with the frame's close box
// counts as Cancel.
#pragma once

#include <QDialog>
#include <string>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

// The folder chosen by the last use of the dialog: empty after Cancel.
extern std::string ChosenFolder;

class Tfm_dir : public QDialog {
    Q_OBJECT
public:
    explicit Tfm_dir(QWidget* parent = nullptr);

    QLineEdit* edt_path = nullptr;
    QLabel* lb_message = nullptr;
    QTreeView* ShellTreeView1 = nullptr;
    QPushButton* btn_ok = nullptr;
    QPushButton* btn_cancel = nullptr;

    // The folder selected in the tree (its full path), or empty.
    QString SelectedFolder() const;
    // Selects path in the tree and scrolls to it.
    void SelectFolder(const QString& path);
    // Selects the folder typed in the path field; reports a path that is no
    // folder and returns false.
    bool GoToTypedFolder();

    // Takes the selected folder (or the typed one, when it differs) and closes;
    // a typed path that is no folder keeps the dialog open.
    void btn_okClick();
    void btn_cancelClick();

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The typed text as an absolute path: "~" is the home folder, a relative
    // path starts at the selected folder.
    QString typedPath() const;
    void report(const QString& message);

    QFileSystemModel* model_ = nullptr;
};

extern Tfm_dir* fm_dir;
