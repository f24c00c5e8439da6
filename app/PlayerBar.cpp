#include "app/PlayerBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <climits>

namespace {

constexpr int kStepMs = 5000;
constexpr int kPageMs = 30000;

QString stateText(PlayerBar::State state) {
    switch (state) {
    case PlayerBar::State::Playing:
        return QStringLiteral("Playing");
    case PlayerBar::State::Paused:
        return QStringLiteral("Paused");
    case PlayerBar::State::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

int toSlider(qint64 milliseconds) {
    return int(std::clamp<qint64>(milliseconds, 0, INT_MAX));
}

} // namespace

SeekSlider::SeekSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void SeekSlider::mousePressEvent(QMouseEvent* event) {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !handle.contains(at)) {
        // The handle comes under the pointer, so the press takes it and the
        // release moves there (or wherever it is dragged on to).
        const int span = groove.width() - handle.width();
        const int x = at.x() - groove.x() - handle.width() / 2;
        const QSignalBlocker quiet(this);
        setSliderPosition(
            QStyle::sliderValueFromPosition(minimum(), maximum(), x, span, option.upsideDown));
    }
    QSlider::mousePressEvent(event);
}

PlayerBar::PlayerBar(QWidget* parent)
    : QWidget(parent), state_(new QLabel(this)), position_(new QLabel(this)),
      slider_(new SeekSlider(this)), length_(new QLabel(this)) {
    setObjectName(QStringLiteral("playerBar"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    // Fixed widths, so that the slider does not move as the texts change.
    const QFontMetrics metrics(font());
    state_->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("Stopped")) + 12);
    for (QLabel* time : {position_, length_}) {
        time->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("0:00:00")) + 4);
        time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    length_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    position_->setToolTip(QStringLiteral("Position"));
    length_->setToolTip(QStringLiteral("Length"));
    slider_->setSingleStep(kStepMs);
    slider_->setPageStep(kPageMs);
    slider_->setFocusPolicy(Qt::StrongFocus);
    slider_->setToolTip(
        QStringLiteral("Drag or click to move in the playing file; the arrow keys move 5 "
                       "seconds, Page Up and Page Down 30"));
    row->addWidget(state_);
    row->addWidget(position_);
    row->addWidget(slider_, 1);
    row->addWidget(length_);

    connect(slider_, &QSlider::sliderMoved, this,
            [this](int value) { position_->setText(timeText(value)); });
    connect(slider_, &QSlider::sliderReleased, this,
            [this] { emit seekRequested(slider_->sliderPosition()); });
    // Keys, the wheel and a release away from the last value; a drag itself
    // moves only when let go.
    connect(slider_, &QAbstractSlider::actionTriggered, this, [this] {
        if (!slider_->isSliderDown())
            emit seekRequested(slider_->sliderPosition());
    });
    showState(State::Stopped, 0, 0);
}

void PlayerBar::showState(State state, qint64 position, qint64 length) {
    state_->setText(stateText(state));
    const bool known = state != State::Stopped && length > 0;
    slider_->setEnabled(known);
    length_->setText(state == State::Stopped ? timeText(0)
                     : known                 ? timeText(length)
                                             : QStringLiteral("--:--"));
    if (slider_->isSliderDown())
        return;
    position_->setText(timeText(state == State::Stopped ? 0 : position));
    const QSignalBlocker quiet(slider_);
    slider_->setRange(0, known ? toSlider(length) : 0);
    slider_->setValue(known ? toSlider(position) : 0);
}

void PlayerBar::setFileName(const QString& name) {
    state_->setToolTip(name);
}

QString PlayerBar::timeText(qint64 milliseconds) {
    const qint64 seconds = std::max<qint64>(milliseconds, 0) / 1000;
    const qint64 hours = seconds / 3600;
    const QString minutesAndSeconds = QStringLiteral("%1:%2")
                                          .arg(hours > 0 ? (seconds / 60 % 60) : seconds / 60,
                                               hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
                                          .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QStringLiteral("%1:%2").arg(hours).arg(minutesAndSeconds)
                     : minutesAndSeconds;
}
