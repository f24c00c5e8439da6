#include "app/dir.h"

#include "app/FilePaths.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>

std::string ChosenFolder;
Tfm_dir* fm_dir = nullptr;

Tfm_dir::Tfm_dir(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Add File Directory"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(287, 254);
    setModal(true);

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QDir::rootPath());

    ShellTreeView1 = new QTreeView(this);
    ShellTreeView1->setGeometry(14, 11, 259, 192);
    ShellTreeView1->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        ShellTreeView1->hideColumn(column);
    ShellTreeView1->header()->hide();
    ShellTreeView1->setIndentation(19);
    ShellTreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ShellTreeView1->setRootIndex(model_->index(QDir::rootPath()));

    btn_ok = new QPushButton(QStringLiteral("Ok"), this);
    btn_ok->setGeometry(36, 216, 75, 25);
    btn_ok->setDefault(true);
    btn_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    btn_cancel->setGeometry(172, 216, 75, 25);
    connect(btn_ok, &QPushButton::clicked, this, &Tfm_dir::btn_okClick);
    connect(btn_cancel, &QPushButton::clicked, this, &Tfm_dir::btn_cancelClick);

    SelectFolder(QDir::homePath());
}

QString Tfm_dir::SelectedFolder() const {
    const QModelIndex index = ShellTreeView1->currentIndex();
    return index.isValid() ? model_->filePath(index) : QString();
}

void Tfm_dir::SelectFolder(const QString& path) {
    const QModelIndex index = model_->index(path);
    if (!index.isValid())
        return;
    ShellTreeView1->setCurrentIndex(index);
    ShellTreeView1->scrollTo(index);
}

void Tfm_dir::btn_okClick() {
    ChosenFolder = FileSystemPath(SelectedFolder());
    accept();
}

void Tfm_dir::btn_cancelClick() {
    ChosenFolder.clear();
    QDialog::reject();
}

// The close box and Escape end the dialog the way Cancel does.
void Tfm_dir::reject() {
    btn_cancelClick();
}
