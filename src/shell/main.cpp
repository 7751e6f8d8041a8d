#include "shell/u_main.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>

namespace {

bool displayAvailable()
{
    // An explicit platform (offscreen, vnc, …) is the caller's choice; otherwise X11 or Wayland.
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return true;
    }
    return false;
}

void setUpLook(QApplication& app)
{
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The interface is Chinese: prefer a CJK face so that no caption falls back glyph by glyph.
    QFont font = app.font();
    for (const QString& family : {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")}) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setPixelSize(12);
    app.setFont(font);
}

}  // namespace

int main(int argc, char* argv[])
{
    if (!displayAvailable()) {
        std::fputs("Quorlin 需要图形界面，但没有可用的显示 (DISPLAY 未设置)。\n"
                   "Quorlin needs a display and found none (DISPLAY is not set).\n"
                   "Start it from a desktop session, or under a virtual display: xvfb-run ./quorlin\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlin"));
    setUpLook(app);

    Tfrmmain window(QApplication::applicationDirPath() + QLatin1Char('/'));
    window.show();
    return app.exec();
}
