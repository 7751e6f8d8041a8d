#pragma once

#include <QColor>

class QPalette;
class QWidget;

// Colours the program fixes itself rather than taking from the palette. Each keeps a contrast of
// at least 4.5:1 (WCAG 2.1, level AA for text) against what it stands on: a colour meant for the
// window's own background is chosen for a light or a dark palette, a colour on a background of
// its own is chosen with that background.

// The relative luminance of WCAG 2.1 (0 black, 1 white) and the contrast ratio of two colours
// (1 to 21), whichever is lighter.
double relativeLuminance(const QColor& colour);
double contrastRatio(const QColor& first, const QColor& second);

// A palette whose window is darker than mid grey.
bool isDarkPalette(const QPalette& palette);

// Text that warns or reports a failure (注意：期期换号！, a site 测试 could not reach): red.
QColor warningTextColour(const QPalette& palette);
// Text that reports success (a site 测试 reached): green.
QColor goodTextColour(const QPalette& palette);

// The lines the charts draw over their background (the palette's base): the 计划期数 cut, the
// moving hit rate and chance's rate.
struct ChartLineColours {
    QColor cut;
    QColor movingRate;
    QColor chanceRate;
};
ChartLineColours chartLineColours(const QPalette& palette);

// Gives a label's text `colour`, through its palette so that it holds in any style.
void setTextColour(QWidget* widget, const QColor& colour);

// The download banners: white on the half-intensity green they have always had.
inline const QColor kBannerBackground{0, 128, 0};
inline const QColor kBannerText{255, 255, 255};
// The about box's panel, its title and its lines.
inline const QColor kAboutPanel{192, 192, 192};
inline const QColor kAboutTitle{160, 0, 0};
inline const QColor kAboutLine{0, 0, 255};
// The splash's background (where its picture leaves any), its title and its lines.
inline const QColor kSplashBackground{0x0b, 0x1a, 0x33};
inline const QColor kSplashTitle{255, 72, 72};
inline const QColor kSplashLine{255, 255, 0};
