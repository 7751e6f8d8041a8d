#pragma once

#include <QColor>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace fixtures {

// Fusion's own light palette, the one the program shows on a desktop without a theme.
inline QPalette lightPalette()
{
    QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    const QPalette palette = fusion->standardPalette();
    delete fusion;
    return palette;
}

// A dark palette as dark desktop themes give Fusion: light text on dark grey.
inline QPalette darkPalette()
{
    QPalette p;
    const QColor window(53, 53, 53);
    const QColor base(42, 42, 42);
    const QColor text(230, 230, 230);
    const QColor disabled(127, 127, 127);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(66, 66, 66));
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Light, QColor(80, 80, 80));
    p.setColor(QPalette::Midlight, QColor(66, 66, 66));
    p.setColor(QPalette::Mid, QColor(90, 90, 90));
    p.setColor(QPalette::Dark, QColor(35, 35, 35));
    p.setColor(QPalette::Shadow, QColor(20, 20, 20));
    p.setColor(QPalette::Link, QColor(42, 130, 218));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

}  // namespace fixtures
