#include "gui/shell_folder.h"

#include <QDir>
#include <QStandardPaths>

QString ShellFolderPath(const QString& name)
{
    // The XDG user folders stand in for the Windows shell folders; only the desktop is asked for.
    if (name != QLatin1String("Desktop"))
        return {};
    const QString path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return QDir(path).exists() ? path : QString();
}
