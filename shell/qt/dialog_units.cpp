#include "shell/qt/dialog_units.h"

namespace {

// value * base / divisor, rounded to the nearest integer (values are never negative).
int scaleRounded(int value, int base, int divisor)
{
    return (2 * value * base + divisor) / (2 * divisor);
}

}  // namespace

int DialogBaseUnits::toPixelsX(int dialogUnits) const
{
    return scaleRounded(dialogUnits, width, 4);
}

int DialogBaseUnits::toPixelsY(int dialogUnits) const
{
    return scaleRounded(dialogUnits, height, 8);
}

QRect DialogBaseUnits::toPixels(int x, int y, int controlWidth, int controlHeight) const
{
    const int left = toPixelsX(x);
    const int top = toPixelsY(y);
    return {left, top, toPixelsX(x + controlWidth) - left, toPixelsY(y + controlHeight) - top};
}

DialogBaseUnits measureBaseUnits(const QFontMetrics& metrics)
{
    constexpr int letterCount = 52;
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {scaleRounded(letters, 1, letterCount), metrics.height()};
}
