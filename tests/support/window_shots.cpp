// Pictures of every window, to look at by hand: what a player sees at larger type or under a dark
// palette. Usage: window_shots <program folder> <picture folder> [type scale] [dark]
// The folder's draws are what the windows show (fill_demo fills one). Run on a display, or with
// QT_QPA_PLATFORM=offscreen.
#include "gui/dialogs.h"
#include "gui/program_look.h"
#include "gui/session.h"
#include "support/every_window.h"
#include "support/look_fixtures.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

namespace {

void save(QWidget* window, const QString& file)
{
    // The window's own frame is the desktop's; the picture is of what the program draws.
    QTest::qWait(300);
    if (!window->grab().save(file))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    else
        std::printf("%s\n", qPrintable(file));
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("usage: window_shots <program folder> <picture folder> [type scale] [dark]\n", stderr);
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
    const QDir pictures(QString::fromLocal8Bit(argv[2]));
    const double scale = argc > 3 ? QString::fromLatin1(argv[3]).toDouble() : 1.0;
    const bool dark = argc > 4 && QString::fromLatin1(argv[4]) == QLatin1String("dark");
    setUpLook(app, scale);
    if (dark)
        QApplication::setPalette(fixtures::darkPalette());
    const QString suffix = QStringLiteral("-%1%2.png").arg(scale).arg(dark ? QStringLiteral("-dark") : QString());

    // Messages a window would show (a missing side file) are kept, not waited on.
    const dialogs::testing::Recorder recorder;
    const auto windows = fixtures::everyWindow();
    for (auto it = windows.begin(); it != windows.end(); ++it) {
        Session session(folder);
        const std::unique_ptr<QWidget> window = it.value()(session);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            continue;
        auto* tabs = window->findChild<QTabWidget*>(QStringLiteral("page"));
        if (!tabs) {
            save(window.get(), pictures.filePath(it.key() + suffix));
            continue;
        }
        for (int tab = 0; tab < tabs->count(); ++tab) {
            tabs->setCurrentIndex(tab);
            // The 总览 tab computes away from the window's thread.
            QTest::qWait(tab == tabs->count() - 1 ? 2000 : 200);
            save(window.get(), pictures.filePath(QStringLiteral("%1-tab%2%3").arg(it.key()).arg(tab + 1).arg(suffix)));
        }
    }
    return 0;
}
