#include "app/StatusLine.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

namespace {

QString filesText(int files) {
    return files == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(files);
}

} // namespace

StatusLine::StatusLine(QWidget* parent)
    : QWidget(parent), counts_(new QLabel(this)), work_(new QLabel(this)),
      bar_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("statusLine"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    bar_->setFixedWidth(110);
    bar_->setMaximumHeight(14);
    bar_->setTextVisible(false);
    work_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(counts_, 1);
    row->addWidget(work_);
    row->addWidget(bar_);
    showCounts(0, 0, 0);
    endProgress();
}

void StatusLine::showCounts(int files, int selected, int unwritten) {
    QString text = filesText(files);
    if (files > 0)
        text += QStringLiteral("  ·  %1 selected").arg(selected);
    if (unwritten > 0)
        text += QStringLiteral("  ·  %1 with unwritten changes").arg(unwritten);
    counts_->setText(text);
}

void StatusLine::showProgress(const QString& work, int done, int total) {
    const bool last = total > 0 && done >= total;
    if (work == shownWork_ && sinceShown_.isValid() && !sinceShown_.hasExpired(25) && !last)
        return;
    shownWork_ = work;
    sinceShown_.start();
    work_->setText(total > 0 ? QStringLiteral("%1: %2 of %3").arg(work).arg(done).arg(total)
                             : QStringLiteral("%1: %2").arg(work, filesText(done)));
    // A busy bar when the total is not known.
    bar_->setRange(0, std::max(total, 0));
    bar_->setValue(total > 0 ? std::min(done, total) : done);
    work_->show();
    bar_->show();
}

void StatusLine::endProgress() {
    work_->hide();
    bar_->hide();
    bar_->reset();
    sinceShown_.invalidate();
}
