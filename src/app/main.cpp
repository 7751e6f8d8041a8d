#include "gui/program_look.h"
#include "gui/qt_translations.h"
#include "gui/u_flash.h"
#include "gui/u_main.h"

#include <QApplication>
#include <QIcon>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <memory>

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

}  // namespace

int main(int argc, char* argv[])
{
    if (!displayAvailable()) {
        std::fputs(
            "Quorlin 需要图形界面，但没有可用的显示 (DISPLAY 未设置)。\n"
            "Quorlin needs a display and found none (DISPLAY is not set).\n"
            "Start it from a desktop session, or under a virtual display: xvfb-run ./quorlin\n",
            stderr);
        return 1;
    }
    QApplication app(argc, argv);
    // Type as large as the desktop asks for, the windows growing with it.
    setUpLook(app, desktopTypeScale(app.font()));
    installQtChineseTranslations(app);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quorlin.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral("quorlin"));

    // The splash fills itself and stays up until its timer has ticked five times, then stops it.
    auto splash = std::make_unique<Tfrmflash>();
    splash->exec();
    splash->hide();
    QThread::msleep(100);

    // Only now does the program take its title: until the main window exists, no window of it
    // is called "Quorlin".
    QApplication::setApplicationName(QStringLiteral("Quorlin"));

    // The main window runs its first load and statistics while it is made, before it shows.
    Tfrmmain window(QApplication::applicationDirPath() + QLatin1Char('/'));
    splash.reset();
    window.show();
    return app.exec();
}
