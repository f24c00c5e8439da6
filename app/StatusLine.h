// The status line at the foot of the window: how many files are listed, how
// many are selected and how many have unwritten changes, and, while long work
// runs (adding files or a folder, writing the tags), what it does and how far
// it got.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

class StatusLine : public QWidget {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);

    void showCounts(int files, int selected, int unwritten);
    // Shows the work and its progress: done of total, or only done when the
    // total is not known (0). A step is shown when it is the first or the last
    // of its work, or at least 25 ms after the step shown before it: the bar
    // repaints at once, and faster steps than that nobody sees.
    void showProgress(const QString& work, int done, int total);
    void endProgress();

    QLabel* countsLabel() const { return counts_; }
    QLabel* workLabel() const { return work_; }
    QProgressBar* progressBar() const { return bar_; }

private:
    QLabel* counts_;
    QLabel* work_;
    QProgressBar* bar_;
    QString shownWork_;
    QElapsedTimer sinceShown_; // invalid while no work is shown
};
