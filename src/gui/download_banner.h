#pragma once

#include "gui/readable_colours.h"
#include "gui/widget_placement.h"

#include <QColor>
#include <QDialog>
#include <QPalette>

// Both download windows are the same small borderless green banner, titled "数据下载" (a title
// no frame shows). Its captions are white, readable on the green whatever the palette.
inline void setUpDownloadBanner(QDialog* window, const char* name)
{
    window->setObjectName(QLatin1String(name));
    window->setWindowTitle(QStringLiteral("数据下载"));
    window->setFixedSize(scaled(354, 74));
    window->setAutoFillBackground(true);
    QPalette green = window->palette();
    green.setColor(QPalette::Window, kBannerBackground);
    green.setColor(QPalette::WindowText, kBannerText);
    window->setPalette(green);
}
