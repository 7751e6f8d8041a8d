#include "core/store/draw_origins.h"

#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/store/database_refusal.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// A record says a second source was read for the draw.
const QString kChecked = QStringLiteral("s.\"核对来源\" is not null and s.\"核对来源\" <> ''");

QString confirmation(const DrawDatabase::DrawOrigin& origin, bool withTime)
{
    const QString when =
        withTime && !origin.confirmedAt.isEmpty() ? QStringLiteral("于") + origin.confirmedAt : QString();
    if (origin.disagreeing())
        return QStringLiteral("与%1不符（%1%2为%3）").arg(origin.confirmedBy, when, origin.otherDigits);
    if (origin.confirmed())
        return QStringLiteral("已由%1%2核对").arg(origin.confirmedBy, when);
    return QStringLiteral("未核对");
}

}  // namespace

ConfirmationTally confirmationTally(DrawDatabase& db, const QString& lotteryName)
{
    const QString table = quoteIdentifier(lotteryTableName(lotteryName));
    const QSqlRecord columns = db.connection().record(kSourceTable);
    QString sql;
    if (columns.contains(QStringLiteral("核对来源"))) {
        const QString differs = columns.contains(kDisagreementColumn)
                                    ? QStringLiteral("coalesce(s.\"核对不符\", '') <> ''")
                                    : QStringLiteral("0");
        sql = QStringLiteral(
                  "select count(*), coalesce(sum(%2 and not %3), 0), coalesce(sum(%2 and %3), 0) "
                  "from %1 d left join \"开奖来源\" s on s.\"彩票\" = ? and s.\"记录期号\" = d.\"记录期号\"")
                  .arg(table, kChecked, differs);
    } else {
        sql = QStringLiteral("select count(*), 0, 0 from %1 where ? is not null").arg(table);
    }
    QSqlQuery query(db.connection());
    if (!query.prepare(sql))
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    query.addBindValue(lotteryName);
    if (!query.exec() || !query.next())
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    return {query.value(0).toInt(), query.value(1).toInt(), query.value(2).toInt()};
}

QString confirmationText(const ConfirmationTally& tally)
{
    if (tally.disagreeing > 0)
        return QStringLiteral("%1期不符").arg(tally.disagreeing);
    return QStringLiteral("%1/%2").arg(tally.confirmed).arg(tally.stored);
}

QHash<QString, QString> recordedSources(DrawDatabase& db, const QString& lotteryName)
{
    QHash<QString, QString> sources;
    db.requirePeriodColumn(lotteryName);
    QSqlQuery query(db.connection());
    query.setForwardOnly(true);
    if (!query.prepare(
            QStringLiteral("select * from (select d.\"记录期号\", %1 as source from %2 d) where source is not null")
                .arg(db.recordedSourceSql(QStringLiteral("d.\"记录期号\"")),
                     quoteIdentifier(lotteryTableName(lotteryName)))))
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    query.addBindValue(lotteryName);
    query.addBindValue(lotteryName);
    if (!query.exec())
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    while (query.next())
        sources.insert(query.value(0).toString(), query.value(1).toString());
    return sources;
}

QString originLine(const DrawDatabase::DrawOrigin& origin)
{
    return QStringLiteral("来源：%1；%2").arg(origin.source, confirmation(origin, false));
}

QString originDetail(const QString& periodId, const DrawDatabase::DrawOrigin& origin)
{
    const QString stored = origin.storedAt.isEmpty() ? QString() : QStringLiteral("，%1存入").arg(origin.storedAt);
    return QStringLiteral("第%1期来源：%2%3；%4").arg(periodId, origin.source, stored, confirmation(origin, true));
}
