#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

struct LotteryInfo;

// Period ids count up within a year (中国福彩3D, 中国体彩排列3: YYYY + NNN) or within a day
// (时时彩: YYYYMMDD + NNN, 上海 + NN). A gap is a run of numbers missing between two stored
// periods of the same year or day, or before the first stored period of a year or day (from 1),
// except in the oldest one stored, whose start the retention cap may have cut. Numbers after the
// last stored period of a year or day are not counted, since nothing says how many draws that
// year or day had.

struct PeriodGap {
    QString group;  // "2026" or "20261115": what the numbers count within
    int first = 0;  // the first and last missing number
    int last = 0;
    int count() const { return last - first + 1; }
};

// 8 (a day) for the lotteries with day pages, 4 (a year) for the others.
int periodGroupLength(const LotteryInfo& lottery);

// The gaps among `periodIds` (any order), oldest first. Ids not of the lottery's length or not
// all digits are passed over: they have no place in the count.
std::vector<PeriodGap> findGaps(const QStringList& periodIds, const LotteryInfo& lottery);

int missingCount(const std::vector<PeriodGap>& gaps);

// The missing period ids of a gap, in order.
QStringList missingPeriodIds(const PeriodGap& gap, const LotteryInfo& lottery);

// How many missing periods lie between `from` and `to` (period ids, both included).
int missingBetween(const std::vector<PeriodGap>& gaps, const LotteryInfo& lottery, const QString& from,
                   const QString& to);

// The day of a day-counted group ("20261115"); invalid for a year.
QDate groupDay(const QString& group);

// "2026-11-15" for a day, "2026年" for a year.
QString groupText(const QString& group);

// "2026-11-15：第031–035期，共5期", "2026年：第104期".
QString gapText(const PeriodGap& gap, const LotteryInfo& lottery);

// One line per gap and the total, or "没有缺期".
QStringList gapReport(const std::vector<PeriodGap>& gaps, const LotteryInfo& lottery);
