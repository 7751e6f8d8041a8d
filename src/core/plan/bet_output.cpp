#include "core/plan/bet_output.h"

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
