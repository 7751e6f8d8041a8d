#pragma once

#include "core/base/today_clock.h"

#include <QDate>
#include <QString>

// A period id names the day or year of its draw: the 10- and 11-character ids of the 时时彩
// lotteries begin with YYYYMMDD, the 7-character ids of 3D and 排列3 with the year. Only later
// periods than the newest stored one are ever stored, so one far in the future (a damaged page,
// a typing slip) would shut out every real draw after it for good.

// A non-empty text of the digits 0 to 9 only, as every period id is.
bool isDigitString(QStringView text);

// Why the period cannot be a draw already made: its date part is no date, or lies more than one
// day after `today`. Empty when it can, and for texts of other lengths or with other characters,
// which other checks refuse.
QString periodDateProblem(const QString& periodId, const QDate& today = today_clock::today());

// The same check on the newest stored period, which writers continue from: empty when it is
// fine, otherwise what is wrong and how to mend it.
QString newestStoredProblem(const QString& newestPeriod, const QDate& today = today_clock::today());
