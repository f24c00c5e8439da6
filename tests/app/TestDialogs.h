// Dialogs that answer at once, for driving the real window in tests: the open
// dialog returns the queued file lists, the folder dialog presses Ok on the
// queued folder (or Cancel), questions get the queued answer, and every
// message is recorded.
#pragma once

#include "app/Dialogs.h"
#include "app/dir.h"

#include <QStringList>
#include <deque>
#include <optional>

class TestDialogs : public Dialogs {
public:
    struct Log {
        QStringList information;
        QStringList questions;
        QStringList errors;
        QStringList urls;
        // Each write report: the summary, then one entry per failed file.
        QList<QStringList> reports;
        QStringList closeQuestions;
        int openDialogs = 0;
        QString lastFilter;
    };

    explicit TestDialogs(Log& log) : log_(log) {}

    std::deque<QStringList> openAnswers; // one list per open dialog; empty = cancel
    std::deque<QString> folderAnswers;   // one per folder dialog; empty = Cancel
    bool questionAnswer = false;
    CloseAnswer closeAnswer = CloseAnswer::Cancel;

    QStringList getOpenFileNames(QWidget*, const QString& filter) override {
        ++log_.openDialogs;
        log_.lastFilter = filter;
        if (openAnswers.empty())
            return {};
        QStringList answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    void runFolderDialog(Tfm_dir& dialog) override {
        QString folder;
        if (!folderAnswers.empty()) {
            folder = folderAnswers.front();
            folderAnswers.pop_front();
        }
        if (folder.isEmpty()) {
            dialog.btn_cancelClick();
        } else {
            dialog.SelectFolder(folder);
            dialog.btn_okClick();
        }
    }
    void information(QWidget*, const QString& text) override { log_.information << text; }
    bool question(QWidget*, const QString& text) override {
        log_.questions << text;
        return questionAnswer;
    }
    void error(QWidget*, const QString& text) override { log_.errors << text; }
    void openUrl(const QString& url) override { log_.urls << url; }
    void writeReport(QWidget*, const QString& summary, const QStringList& failures) override {
        log_.reports << (QStringList{summary} + failures);
    }
    CloseAnswer askWriteDiscardCancel(QWidget*, const QString& text) override {
        log_.closeQuestions << text;
        return closeAnswer;
    }

private:
    Log& log_;
};
