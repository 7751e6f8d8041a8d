#include "core/store/missing_periods.h"

#include "core/base/lottery_table.h"
#include "core/base/period_date.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"
#include "core/store/period_gaps.h"

std::vector<PeriodGap> storedGaps(DrawDatabase& db, const LotteryInfo& lottery)
{
    const QSet<QString> stored = db.storedPeriodIds(lottery.name);
    return findGaps(QStringList(stored.begin(), stored.end()), lottery);
}

int missingOnDays(DrawDatabase& db, const QString& lottery, const QDate& first, const QDate& last)
{
    const LotteryInfo* info = findLottery(lottery);
    if (!info || info->historySource != HistorySource::DrawList)
        return 0;
    return missingBetweenPeriods(db, lottery, dayKey(first), dayKey(last) + QStringLiteral("999"));
}

int missingBetweenPeriods(DrawDatabase& db, const QString& lottery, const QString& from, const QString& to)
{
    const LotteryInfo* info = findLottery(lottery);
    if (!info)
        return 0;
    try {
        return missingBetween(storedGaps(db, *info), *info, from, to);
    } catch (const DatabaseError&) {
        // Only a hint under the result: a table that cannot be read has said so already.
        return 0;
    }
}
