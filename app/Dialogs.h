// The one seam between the window and the person in front of it: file dialogs,
// the folder dialog, message boxes and the browser. The window asks through this
// interface; the program uses QtDialogs, tests install one that answers at once.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;
class Tfm_dir;

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The files chosen in the open dialog; empty when the user cancels.
    virtual QStringList getOpenFileNames(QWidget* parent, const QString& filter) = 0;
    // Shows the folder dialog modally; its result is its chosen folder.
    virtual void runFolderDialog(Tfm_dir& dialog) = 0;
    // A modal message of the information kind with an OK button.
    virtual void information(QWidget* parent, const QString& text) = 0;
    // A modal Yes/No question of the information kind; true on Yes.
    virtual bool question(QWidget* parent, const QString& text) = 0;
    // The default error handler's message box.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // Opens a web address in the desktop's browser.
    virtual void openUrl(const QString& url) = 0;
};

// The real dialogs of Qt.
class QtDialogs : public Dialogs {
public:
    QStringList getOpenFileNames(QWidget* parent, const QString& filter) override;
    void runFolderDialog(Tfm_dir& dialog) override;
    void information(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    void openUrl(const QString& url) override;

private:
    QString lastFolder_;
};
