#pragma once

#include <QString>
#include <QStringList>
#include <vector>

struct LotteryInfo {
    QString name;  // the display name: the only key of a lottery
    int digitCount;
    int periodIdLength;
};

// The five lotteries the program knows, in the order of the database's description.
const std::vector<LotteryInfo>& LotteryCatalogue();

// nullptr for a name outside the catalogue.
const LotteryInfo* findLottery(const QString& name);

// 3 for 上海时时彩, 中国福彩3D and 中国体彩排列3; 5 for any other name, known or not.
int digitCountOf(const QString& lotteryName);

// The three 时时彩 lotteries, the only ones the live update can refresh.
bool isLiveUpdateLottery(const QString& lotteryName);

inline const QString kLotteryTableSuffix = QStringLiteral("彩票号码表");

QString lotteryTableName(const QString& lotteryName);
