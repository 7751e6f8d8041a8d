#include "core/store/period_gaps.h"

#include "core/base/lottery_table.h"
#include "core/base/period_date.h"

#include <algorithm>
#include <utility>

namespace {

int numberWidth(const LotteryInfo& lottery)
{
    return lottery.periodIdLength - periodGroupLength(lottery);
}

QString numberText(int number, const LotteryInfo& lottery)
{
    return QStringLiteral("%1").arg(number, numberWidth(lottery), 10, QLatin1Char('0'));
}

}  // namespace

int periodGroupLength(const LotteryInfo& lottery)
{
    return lottery.historySource == HistorySource::DrawList ? 8 : 4;
}

std::vector<PeriodGap> findGaps(const QStringList& periodIds, const LotteryInfo& lottery)
{
    const int groupLength = periodGroupLength(lottery);
    std::vector<std::pair<QString, int>> periods;
    periods.reserve(std::size_t(periodIds.size()));
    for (const QString& id : periodIds) {
        if (id.size() == lottery.periodIdLength && isDigitString(id))
            periods.emplace_back(id.left(groupLength), id.mid(groupLength).toInt());
    }
    std::sort(periods.begin(), periods.end());
    std::vector<PeriodGap> gaps;
    for (std::size_t i = 1; i < periods.size(); ++i) {
        const auto& [group, number] = periods[i];
        const auto& [previousGroup, previous] = periods[i - 1];
        // A later day or year counts from 1: what it lacks before its first stored period is
        // missing too. The oldest stored one is left alone, since the cap trims from the start.
        const int from = group == previousGroup ? previous + 1 : 1;
        if (number > from)
            gaps.push_back({group, from, number - 1});
    }
    return gaps;
}

int missingCount(const std::vector<PeriodGap>& gaps)
{
    int count = 0;
    for (const PeriodGap& gap : gaps)
        count += gap.count();
    return count;
}

QStringList missingPeriodIds(const PeriodGap& gap, const LotteryInfo& lottery)
{
    QStringList ids;
    for (int n = gap.first; n <= gap.last; ++n)
        ids << gap.group + numberText(n, lottery);
    return ids;
}

int missingBetween(const std::vector<PeriodGap>& gaps, const LotteryInfo& lottery, const QString& from,
                   const QString& to)
{
    int count = 0;
    for (const PeriodGap& gap : gaps) {
        // Ids of one length compare as text the way they compare as numbers.
        const QString first = gap.group + numberText(gap.first, lottery);
        const QString last = gap.group + numberText(gap.last, lottery);
        if (last < from || first > to)
            continue;
        const int lo = first < from ? from.mid(gap.group.size()).toInt() : gap.first;
        const int hi = last > to ? to.mid(gap.group.size()).toInt() : gap.last;
        count += std::max(0, hi - lo + 1);
    }
    return count;
}

QDate groupDay(const QString& group)
{
    return dayOfKey(group);
}

QString groupText(const QString& group)
{
    if (group.size() == 8)
        return group.left(4) + u'-' + group.mid(4, 2) + u'-' + group.mid(6, 2);
    return group + QStringLiteral("年");
}

QString gapText(const PeriodGap& gap, const LotteryInfo& lottery)
{
    const QString where = groupText(gap.group) + QStringLiteral("：");
    if (gap.first == gap.last)
        return where + QStringLiteral("第%1期").arg(numberText(gap.first, lottery));
    return where + QStringLiteral("第%1–%2期，共%3期")
                       .arg(numberText(gap.first, lottery), numberText(gap.last, lottery))
                       .arg(gap.count());
}

QStringList gapReport(const std::vector<PeriodGap>& gaps, const LotteryInfo& lottery)
{
    if (gaps.empty())
        return {QStringLiteral("没有缺期")};
    QStringList lines;
    for (const PeriodGap& gap : gaps)
        lines << gapText(gap, lottery);
    lines << QStringLiteral("共缺%1期").arg(missingCount(gaps));
    return lines;
}
