#include "app/Dialogs.h"

#include "app/dir.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

QStringList QtDialogs::getOpenFileNames(QWidget* parent, const QString& filter) {
    // Several files at once, no read-only box, resizable: the Qt dialog's defaults.
    // It opens where the last choice was made in this run.
    const QStringList files = QFileDialog::getOpenFileNames(parent, QString(), lastFolder_, filter);
    if (!files.isEmpty())
        lastFolder_ = QFileInfo(files.first()).absolutePath();
    return files;
}

void QtDialogs::runFolderDialog(Tfm_dir& dialog) {
    dialog.exec();
}

void QtDialogs::information(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Information"), text);
}

bool QtDialogs::question(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Yes"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Velmora"), text);
}

void QtDialogs::openUrl(const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
}
