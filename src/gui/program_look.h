#pragma once

class QApplication;
class QFont;

// How much larger than the usual 9 points the desktop asks type to be: 1 at the least, so that
// a desktop with small type still gets the windows as they are laid out.
double desktopTypeScale(const QFont& desktopFont);

// The program's look: the Fusion style, a CJK face so that no caption falls back glyph by glyph,
// and type of 12 pixels times `typeScale`, which the windows' layout follows (layoutScale).
void setUpLook(QApplication& app, double typeScale);
