#include "support/feed_fixtures.h"

#include "support/page_fixtures.h"

#include <stdexcept>

namespace fixtures {

QByteArray feedRow(const QString& lottery, const QByteArray& periodId, const QByteArray& digits)
{
    QByteArray code;
    for (char digit : digits)
        code += (code.isEmpty() ? "" : ",") + QByteArray(1, digit);
    const QByteArray attribute = lottery == QStringLiteral("上海时时彩") ? "code" : "opencode";
    return "<row expect=\"" + periodId + "\" " + attribute + "=\"" + code + "\" opentime=\"2026-12-09 10:20:00\"/>";
}

QByteArray feedDocument(const QString& lottery, const std::vector<StoredDraw>& drawsInFeedOrder)
{
    QByteArray document = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<xml>\n";
    for (const StoredDraw& draw : drawsInFeedOrder)
        document += "  " + feedRow(lottery, draw.periodId.toLatin1(), digitsOf(draw)) + "\n";
    return document + "</xml>\n";
}

QString feedPathOf(const QString& lottery)
{
    if (lottery == QStringLiteral("重庆时时彩"))
        return QStringLiteral("/static/ssc/newlyopenlist.xml");
    if (lottery == QStringLiteral("江西时时彩"))
        return QStringLiteral("/static/jxssc/newlyopenlist.xml");
    if (lottery == QStringLiteral("上海时时彩"))
        return QStringLiteral("/static/ssl/newlyopenlist.xml");
    throw std::invalid_argument("no feed for this lottery");
}

}  // namespace fixtures
