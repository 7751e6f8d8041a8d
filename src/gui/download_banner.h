#pragma once

#include <QColor>
#include <QDialog>
#include <QPalette>

// Both download windows are the same small borderless green banner, titled "数据下载" (a title
// no frame shows).
inline void setUpDownloadBanner(QDialog* window, const char* name)
{
    window->setObjectName(QLatin1String(name));
    window->setWindowTitle(QStringLiteral("数据下载"));
    window->setFixedSize(354, 74);
    window->setAutoFillBackground(true);
    QPalette green = window->palette();
    green.setColor(QPalette::Window, QColor(0, 128, 0));
    window->setPalette(green);
}
