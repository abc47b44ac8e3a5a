#include "shell/qt/meter_bar.h"

#include <QPainter>

#include <algorithm>

MeterBar::MeterBar(QWidget* parent) : QProgressBar(parent)
{
    setTextVisible(false);
    // Every pixel is painted below: Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MeterBar::showLevel(int level)
{
    level = std::clamp(level, minimum(), maximum());
    if (level == value()) {
        return;
    }
    // QProgressBar::setValue repaints at once; with updates off it only stores the value, and
    // turning them on again asks for the deferred paint that gathers all changed meters.
    setUpdatesEnabled(false);
    setValue(level);
    setUpdatesEnabled(true);
}

void MeterBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(inside, palette().color(QPalette::Base));
    // The bar keeps a pixel of the background between itself and the frame.
    const QRect track = inside.adjusted(1, 1, -1, -1);
    const int range = std::max(1, maximum() - minimum());
    const int filled = track.width() * (value() - minimum()) / range;
    if (filled > 0) {
        painter.fillRect(QRect(track.left(), track.top(), filled, track.height()), palette().color(QPalette::Highlight));
    }
}
