#include "gui/readable_colours.h"

#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

}  // namespace

double relativeLuminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double contrastRatio(const QColor& first, const QColor& second)
{
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

bool isDarkPalette(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor warningTextColour(const QPalette& palette)
{
    return isDarkPalette(palette) ? QColor(255, 128, 128) : QColor(192, 0, 0);
}

QColor goodTextColour(const QPalette& palette)
{
    return isDarkPalette(palette) ? QColor(112, 220, 112) : QColor(0, 112, 0);
}

ChartLineColours chartLineColours(const QPalette& palette)
{
    if (isDarkPalette(palette))
        return {QColor(255, 128, 128), QColor(100, 181, 246), palette.color(QPalette::Text)};
    return {QColor(192, 0, 0), QColor(21, 101, 192), palette.color(QPalette::Text)};
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}
