#pragma once
// A level meter: a QProgressBar (so it is found, read and announced as one) that draws itself
// as a frame and a flat bar, and takes new levels with the window's next paint. The style's own
// progress bar draws rounded, shaded shapes and repaints at once on every change, each meter
// on its own; seventeen meters that change sixteen times a second then cost more than the
// conference they show.
// Threading: GUI thread.

#include <QProgressBar>

class MeterBar : public QProgressBar {
public:
    explicit MeterBar(QWidget* parent);

    // Shows level (clamped to the meter's range); drawn with the window's next paint, together
    // with every other meter changed before it.
    void showLevel(int level);

protected:
    void paintEvent(QPaintEvent* event) override;
};
