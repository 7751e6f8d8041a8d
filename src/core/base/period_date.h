#pragma once

#include <QDate>
#include <QString>
#include <optional>

// A period id names the day or year of its draw: the 10- and 11-character ids of the 时时彩
// lotteries begin with YYYYMMDD, the 7-character ids of 3D and 排列3 with the year. Only later
// periods than the newest stored one are ever stored, so one far in the future (a damaged page,
// a typing slip) would shut out every real draw after it for good.

// One of the digits 0 to 9, in any character type the readers hold (char, char16_t, QChar); other
// scripts' digits are no digits to a period id or a draw.
inline constexpr auto isAsciiDigit = [](auto c) { return c >= u'0' && c <= u'9'; };

// A non-empty text of the digits 0 to 9 only, as every period id is.
bool isDigitString(QStringView text);

// What a period id of other characters than digits is told as.
QString notDigitsPeriodText(QStringView periodId);

// The day as a 时时彩 period id begins with it: "20261210".
QString dayKey(const QDate& day);
// The day a "YYYYMMDD" text names; an invalid date for any other text.
QDate dayOfKey(QStringView key);
// The day as the program shows it and the draw-list pages ask for it: "2026-12-10".
QString dashedDate(const QDate& day);

// Why the period cannot be a draw already made: its date part is no date or lies more than one day
// after `today`, or its number is more than the calendar allows. A lottery drawn once a day
// (`periodsPerDay` 0, 7-character ids) has no period 0 and no more periods in a year than days
// gone by in it, tomorrow's included; a 时时彩 no more in a day than its `periodsPerDay`. None
// when it can, and for texts of other lengths or with other characters, which other checks
// refuse. `today` is the day the run counts as today, handed down from where the run starts (the
// session, or a test's fixed day). Every reader, the import and the data window ask this one
// check, so that no way in stores a period the others would refuse.
std::optional<QString> periodDateProblem(const QString& periodId, const QDate& today, int periodsPerDay);

// The same check for many periods against one day: a file's thousands of lines reckon tomorrow's
// year and day of the year once rather than at every line.
class PeriodDateCheck {
public:
    PeriodDateCheck(const QDate& today, int periodsPerDay);
    std::optional<QString> problem(const QString& periodId) const;

private:
    QDate m_today;
    QDate m_latest;  // a draw of tomorrow may already be listed where the sites' clocks run ahead
    int m_latestYear;
    int m_latestDayOfYear;
    int m_periodsPerDay;
};

// The same check on the newest stored period, which writers continue from: none when it is
// fine, otherwise what is wrong and how to mend it.
std::optional<QString> newestStoredProblem(const QString& newestPeriod, const QDate& today, int periodsPerDay);
