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
    // The answers to the question asked before a window with unwritten edits closes.
    enum class CloseAnswer { Write, Discard, Cancel };

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
    // The outcome of a write that did not write every file: a summary line and
    // one entry per failed file (its name and the reason), in a box that scrolls.
    virtual void writeReport(QWidget* parent, const QString& summary,
                             const QStringList& failures) = 0;
    // A question with the buttons Write, Discard and Cancel.
    virtual CloseAnswer askWriteDiscardCancel(QWidget* parent, const QString& text) = 0;
    // Opens a web address in the desktop's browser.
    virtual void openUrl(const QString& url) = 0;
};

// The real dialogs of Qt: Qt's own file dialog rather than the desktop's, so
// it takes the application's colours (the skin's, once it is loaded) like the
// message boxes do.
class QtDialogs : public Dialogs {
public:
    QStringList getOpenFileNames(QWidget* parent, const QString& filter) override;
    void runFolderDialog(Tfm_dir& dialog) override;
    void information(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    void writeReport(QWidget* parent, const QString& summary, const QStringList& failures) override;
    CloseAnswer askWriteDiscardCancel(QWidget* parent, const QString& text) override;
    void openUrl(const QString& url) override;
};
