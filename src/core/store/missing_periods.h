#pragma once

#include "core/store/period_gaps.h"

#include <QDate>
#include <QString>
#include <vector>

class DrawDatabase;
struct LotteryInfo;

// How many periods a lottery's table lacks, read from what the table holds now: the hint under
// the result of a download ("仍缺N期"), the check after a fill and the data window's 缺期.

// The gaps among the lottery's stored periods.
std::vector<PeriodGap> storedGaps(DrawDatabase& db, const LotteryInfo& lottery);

// Between stored periods of the days `first` to `last`; 0 for a lottery not counted by day.
int missingOnDays(DrawDatabase& db, const QString& lottery, const QDate& first, const QDate& last);

// Between the period ids `from` and `to` (both included).
int missingBetweenPeriods(DrawDatabase& db, const QString& lottery, const QString& from, const QString& to);
