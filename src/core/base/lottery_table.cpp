#include "core/base/lottery_table.h"

#include <algorithm>

const std::vector<LotteryInfo>& LotteryCatalogue()
{
    // 重庆 draws every 10 minutes by day and every 5 by night (120 a day), 江西 every 10 minutes from
    // 9:00 to 23:00 (84), 上海 every half hour from 10:30 to 21:30 (23).
    // The 上海 feed's rows carry a shorter attribute name before the digits, hence offset 29.
    static const std::vector<LotteryInfo> lotteries = {
        {QStringLiteral("中国福彩3D"), 3, 7, HistorySource::TrendPage, 0, QString(), 0, false, 3, 0,
         QStringLiteral("fc3d"), QTime(21, 15), 0},
        {QStringLiteral("中国体彩排列3"), 3, 7, HistorySource::ChartPage, 0, QString(), 0, false, 4, 1,
         QStringLiteral("pl3"), QTime(21, 25), 0},
        {QStringLiteral("重庆时时彩"), 5, 11, HistorySource::DrawList, 200,
         QStringLiteral("/static/ssc/newlyopenlist.xml"), 34, true, 0, 2, QStringLiteral("cqssc"), QTime(), 120},
        {QStringLiteral("上海时时彩"), 3, 10, HistorySource::DrawList, 201,
         QStringLiteral("/static/ssl/newlyopenlist.xml"), 29, true, 2, 4, QStringLiteral("shssc"), QTime(), 23},
        {QStringLiteral("江西时时彩"), 5, 11, HistorySource::DrawList, 202,
         QStringLiteral("/static/jxssc/newlyopenlist.xml"), 34, true, 1, 3, QStringLiteral("jxssc"), QTime(), 84},
    };
    return lotteries;
}

const LotteryInfo* findLottery(const QString& name)
{
    const auto& all = LotteryCatalogue();
    const auto it = std::find_if(all.begin(), all.end(), [&](const LotteryInfo& l) { return l.name == name; });
    return it == all.end() ? nullptr : &*it;
}

int digitCountOf(const QString& lotteryName)
{
    const LotteryInfo* info = findLottery(lotteryName);
    return info ? info->digitCount : 5;
}

bool isLiveUpdateLottery(const QString& lotteryName)
{
    const LotteryInfo* info = findLottery(lotteryName);
    return info && info->liveUpdate;
}

bool isDailyLottery(const QString& lotteryName)
{
    const LotteryInfo* info = findLottery(lotteryName);
    return info && info->drawTime.isValid();
}

namespace {

QStringList namesBy(int LotteryInfo::*rank)
{
    std::vector<const LotteryInfo*> sorted;
    for (const LotteryInfo& lottery : LotteryCatalogue())
        sorted.push_back(&lottery);
    std::sort(sorted.begin(), sorted.end(), [&](auto* a, auto* b) { return a->*rank < b->*rank; });
    QStringList names;
    for (const LotteryInfo* lottery : sorted)
        names << lottery->name;
    return names;
}

}  // namespace

QStringList lotteryNames()
{
    QStringList names;
    for (const LotteryInfo& lottery : LotteryCatalogue())
        names << lottery.name;
    return names;
}

QStringList mainListOrder()
{
    return namesBy(&LotteryInfo::mainListRank);
}

QStringList downloadRunOrder()
{
    return namesBy(&LotteryInfo::downloadRunRank);
}

QString lotteryTableName(const QString& lotteryName)
{
    return lotteryName + kLotteryTableSuffix;
}
