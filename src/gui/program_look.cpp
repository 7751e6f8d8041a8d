#include "gui/program_look.h"

#include "gui/widget_placement.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStyleFactory>
#include <algorithm>

namespace {

// 9 points are the 12 pixels the windows are laid out for, at the usual 96 dots an inch.
constexpr double kUsualPoints = 9.0;

}  // namespace

double desktopTypeScale(const QFont& desktopFont)
{
    const double points = desktopFont.pointSizeF();
    return points > 0 ? std::max(1.0, points / kUsualPoints) : 1.0;
}

void setUpLook(QApplication& app, double typeScale)
{
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font = app.font();
    for (const QString& family : {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")}) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setPixelSize(qRound(kLayoutFontPixels * std::max(1.0, typeScale)));
    app.setFont(font);
}
