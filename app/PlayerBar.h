// The player's line under the list: whether a file plays, is paused or
// playback stopped, the position and the length of the playing file, and a
// slider to move within it (drag the handle, click the groove, or the keys:
// arrows by 5 seconds, Page Up and Page Down by 30, Home and End).
#pragma once

#include <QSlider>
#include <QWidget>

class QLabel;

// A slider that jumps to the place clicked, rather than a page towards it.
class SeekSlider : public QSlider {
    Q_OBJECT
public:
    explicit SeekSlider(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class PlayerBar : public QWidget {
    Q_OBJECT
public:
    enum class State { Stopped, Playing, Paused };

    explicit PlayerBar(QWidget* parent = nullptr);

    // Shows the state, with the position and length in milliseconds (a
    // length of 0: not known, and the slider stays still). While the user
    // holds the handle, the slider stays where the user put it.
    void showState(State state, qint64 position, qint64 length);
    // The playing file's name, for the tooltip of the state.
    void setFileName(const QString& name);

    // "m:ss", or "h:mm:ss" from an hour on.
    static QString timeText(qint64 milliseconds);

    QLabel* stateLabel() const { return state_; }
    QLabel* positionLabel() const { return position_; }
    QLabel* lengthLabel() const { return length_; }
    SeekSlider* slider() const { return slider_; }

signals:
    // The user moved to milliseconds: the handle let go, a click, a key, the wheel.
    void seekRequested(qint64 milliseconds);

private:
    QLabel* state_;
    QLabel* position_;
    SeekSlider* slider_;
    QLabel* length_;
};
