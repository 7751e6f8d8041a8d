#pragma once

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <QString>
#include <QWidget>

// The windows are laid out for the program's usual type of 12 pixels. Where the application's type
// is larger (a desktop whose font is set larger for reading), every place and size grows in
// proportion, so that each caption keeps its room and each control its place among the others.
inline constexpr int kLayoutFontPixels = 12;

inline double layoutScale()
{
    const int pixels = QGuiApplication::font().pixelSize();
    return pixels > kLayoutFontPixels ? double(pixels) / kLayoutFontPixels : 1.0;
}

inline int scaled(int length)
{
    return qRound(length * layoutScale());
}

inline QRect scaled(const QRect& rect)
{
    return {scaled(rect.left()), scaled(rect.top()), scaled(rect.width()), scaled(rect.height())};
}

inline QSize scaled(int width, int height)
{
    return {scaled(width), scaled(height)};
}

// Every control is made and named by its control name (so tests find it) in one call: named()
// where a layout or the owner's resizeEvent places it, place() where it stands at fixed geometry.
template <class W, class Parent>
W* named(Parent* parent, const char* name)
{
    auto* object = new W(parent);
    object->setObjectName(QLatin1String(name));
    return object;
}

// The windows have fixed geometry so that the controls sit where players expect them.
template <class W>
W* place(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* widget = named<W>(parent, name);
    widget->setGeometry(scaled(QRect(left, top, width, height)));
    return widget;
}

// A label shows its text as it is, never read as markup: some texts come from side files.
inline QLabel* placeLabel(QWidget* parent, const char* name, const QString& text, int left, int top, int width,
                          int height)
{
    auto* label = place<QLabel>(parent, name, left, top, width, height);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

inline QPushButton* namedButton(QWidget* parent, const char* name, const QString& text)
{
    auto* button = named<QPushButton>(parent, name);
    button->setText(text);
    return button;
}

inline QPushButton* placeButton(QWidget* parent, const char* name, const QString& text, int left, int top, int width,
                                int height)
{
    auto* button = namedButton(parent, name, text);
    button->setGeometry(scaled(QRect(left, top, width, height)));
    return button;
}

// The bold italic face of the splash and about texts: the chosen family first and, where it
// is not installed, the application's own CJK face.
inline QFont captionFont(const QFont& base, const QString& family, int pixelSize)
{
    QFont font = base;
    font.setFamilies({family, base.family()});
    font.setPixelSize(scaled(pixelSize));
    font.setBold(true);
    font.setItalic(true);
    return font;
}

// Puts a window in the middle of the screen's free area (the primary screen when the window has
// none yet).
inline void centreOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen)
        window->move(screen->availableGeometry().center() - window->rect().center());
}

// Centres a window the first time it is shown; a later showing leaves it where the user moved it.
inline void centreOnFirstShow(QWidget* window, bool& centred)
{
    if (!centred && window->screen()) {
        centred = true;
        centreOnScreen(window);
    }
}
