#include "data/catalogue.h"

#include <algorithm>

const std::vector<LotteryInfo>& LotteryCatalogue()
{
    static const std::vector<LotteryInfo> lotteries = {
        {QStringLiteral("中国福彩3D"), 3, 7},
        {QStringLiteral("中国体彩排列3"), 3, 7},
        {QStringLiteral("重庆时时彩"), 5, 11},
        {QStringLiteral("上海时时彩"), 3, 10},
        {QStringLiteral("江西时时彩"), 5, 11},
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
    // Deliberately not a catalogue lookup: a typed name that is no lottery counts as five digits.
    static const QStringList threeDigit = {QStringLiteral("上海时时彩"), QStringLiteral("中国福彩3D"),
                                           QStringLiteral("中国体彩排列3")};
    return threeDigit.contains(lotteryName) ? 3 : 5;
}

bool isLiveUpdateLottery(const QString& lotteryName)
{
    static const QStringList live = {QStringLiteral("重庆时时彩"), QStringLiteral("江西时时彩"),
                                     QStringLiteral("上海时时彩")};
    return live.contains(lotteryName);
}

QString lotteryTableName(const QString& lotteryName)
{
    return lotteryName + kLotteryTableSuffix;
}
