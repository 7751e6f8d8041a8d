#pragma once

#include <QString>
#include <QStringList>
#include <QTime>
#include <vector>

// Where a lottery's history download reads its draws.
enum class HistorySource {
    TrendPage,  // the 3D number trend page: one page per run
    ChartPage,  // the 排列3 overview chart page: one page per run
    DrawList,   // the 时时彩 day draw-list pages: one page a day
};

// Everything the program knows about one lottery. Windows, readers and the database all read
// this table, so a lottery is added or corrected in one place.
struct LotteryInfo {
    QString name;  // the display name: the only key of a lottery
    int digitCount;
    int periodIdLength;
    HistorySource historySource;
    int drawListPage;      // the lottery's number on the draw-list site; 0 when it has no day pages
    QString feedPath;      // on the feed site, from "/"; empty when the lottery has no feed
    int feedDigitsOffset;  // in the feed's joined text, the first digit's distance from "<row"
    bool liveUpdate;       // 实时开奖 can refresh it
    int mainListRank;      // its place in the main window's lottery box
    int downloadRunRank;   // its turn when 下载开奖 runs 所有彩票
    QString settingsKey;   // its short name in 数据源.ini ("fc3d"), where its own draw source is set
    // A lottery drawn once every evening: the draw's time, Beijing time, as the operator publishes
    // it. Invalid for the 时时彩 lotteries, drawn all day long.
    QTime drawTime;
    int periodsPerDay;  // a 时时彩's draws a day, numbered from 1; 0 for one drawn once a day, numbered
                        // through the year
};

// The five lotteries, in the order of the database's description and of the download choices.
const std::vector<LotteryInfo>& LotteryCatalogue();

// nullptr for a name outside the table.
const LotteryInfo* findLottery(const QString& name);

// The table's digit count; 5 for a name outside it, so a typed name that is no lottery still
// loads as a five-digit table.
int digitCountOf(const QString& lotteryName);

bool isLiveUpdateLottery(const QString& lotteryName);
// Drawn once a day at its drawTime (福彩3D, 排列3).
bool isDailyLottery(const QString& lotteryName);

QStringList lotteryNames();      // table order
QStringList mainListOrder();     // 重庆时时彩 first: the lottery selected at start
QStringList downloadRunOrder();  // the order 所有彩票 works through

inline const QString kLotteryTableSuffix = QStringLiteral("彩票号码表");

QString lotteryTableName(const QString& lotteryName);
