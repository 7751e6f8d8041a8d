#include "core/plan/bet_output.h"

#include <QDir>
#include <QStandardPaths>

QString FormatBetList(const BetSet& set)
{
    QString text;
    text.reserve(int(set.size()) * 3);
    for (int n : set)
        text += QString::asprintf("%.2d ", n);
    return text;
}

QByteArray BetListFileBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + " \r\n";
    return bytes;
}

QString ShellFolderPath(const QString& name)
{
    // The XDG user folders stand in for the Windows shell folders; only the desktop is asked for.
    if (name != QLatin1String("Desktop"))
        return {};
    const QString path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return QDir(path).exists() ? path : QString();
}
