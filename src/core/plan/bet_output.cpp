#include "core/plan/bet_output.h"

QString formatBetList(const BetSet& set)
{
    QString text;
    text.reserve(int(set.size()) * 3);
    for (int n : set)
        text += QString::asprintf("%.2d ", n);
    return text;
}

QByteArray betListFileBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + " \r\n";
    return bytes;
}
