#include "core/base/period_date.h"

#include <algorithm>

bool isDigitString(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isAsciiDigit);
}

QString notDigitsPeriodText(QStringView periodId)
{
    return QStringLiteral("期号“%1”不是数字").arg(periodId);
}

QString dayKey(const QDate& day)
{
    return day.toString(QStringLiteral("yyyyMMdd"));
}

QDate dayOfKey(QStringView key)
{
    if (key.size() != 8 || !isDigitString(key))
        return {};
    // Read by hand: QDate::fromString costs more than the rest of an import's check of a line.
    const auto number = [&](int from, int length) { return key.mid(from, length).toInt(); };
    return QDate(number(0, 4), number(4, 2), number(6, 2));
}

QString dashedDate(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

std::optional<QString> periodDateProblem(const QString& periodId, const QDate& today, int periodsPerDay)
{
    if (!isDigitString(periodId))
        return std::nullopt;
    // A draw of tomorrow may already be listed where the sites' clocks run ahead of this one.
    const QDate latest = today.addDays(1);
    if (periodId.size() == 7) {
        const int year = periodId.left(4).toInt();
        const int number = periodId.mid(4).toInt();
        if (year > latest.year())
            return QStringLiteral("期号“%1”的年份%2还没到（今天是%3）").arg(periodId).arg(year).arg(dashedDate(today));
        if (number == 0)
            return QStringLiteral("期号“%1”的序号不能为0").arg(periodId);
        // One draw a day at most: a year's numbers cannot outrun its days.
        if (year == latest.year() && number > latest.dayOfYear())
            return QStringLiteral("期号“%1”的序号%2不可能：到%3为止，%4年最多开奖%5期")
                .arg(periodId)
                .arg(number)
                .arg(dashedDate(latest))
                .arg(year)
                .arg(latest.dayOfYear());
        if (const int days = QDate(year, 1, 1).daysInYear(); number > days)
            return QStringLiteral("期号“%1”的序号%2不可能：%3年最多开奖%4期")
                .arg(periodId)
                .arg(number)
                .arg(year)
                .arg(days);
        return std::nullopt;
    }
    if (periodId.size() != 10 && periodId.size() != 11)
        return std::nullopt;
    const QDate date = dayOfKey(QStringView(periodId).left(8));
    if (!date.isValid())
        return QStringLiteral("期号“%1”的日期%2不存在").arg(periodId, periodId.left(8));
    if (date > latest)
        return QStringLiteral("期号“%1”的日期%2还没到（今天是%3）").arg(periodId, dashedDate(date), dashedDate(today));
    const int number = QStringView(periodId).mid(8).toInt();
    if (number == 0)
        return QStringLiteral("期号“%1”的序号不能为0").arg(periodId);
    if (periodsPerDay > 0 && number > periodsPerDay)
        return QStringLiteral("期号“%1”的序号%2不可能：每天最多开奖%3期").arg(periodId).arg(number).arg(periodsPerDay);
    return std::nullopt;
}

std::optional<QString> newestStoredProblem(const QString& newestPeriod, const QDate& today, int periodsPerDay)
{
    const std::optional<QString> problem = periodDateProblem(newestPeriod, today, periodsPerDay);
    if (!problem)
        return std::nullopt;
    return QStringLiteral("已存的最新期号有误：%1。请在“添加开奖”中改正或删除这一期，之后的开奖才能存入").arg(*problem);
}
