#pragma once
// Dialog units to pixels. One horizontal unit is a quarter of the font's average character
// width, one vertical unit an eighth of its line height, so a window laid out in dialog units
// grows with the font and with the screen's resolution.

#include <QFontMetrics>
#include <QRect>

struct DialogBaseUnits {
    int width = 0;   // average width of the letters A..Z and a..z, in pixels
    int height = 0;  // line height, in pixels

    int toPixelsX(int dialogUnits) const;
    int toPixelsY(int dialogUnits) const;
    // Maps the edges, not the sizes, so that controls that touch in dialog units touch in pixels.
    QRect toPixels(int x, int y, int width, int height) const;
};

DialogBaseUnits measureBaseUnits(const QFontMetrics& metrics);
