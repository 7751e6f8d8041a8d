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
    return PeriodDateCheck(today, periodsPerDay).problem(periodId);
}

PeriodDateCheck::PeriodDateCheck(const QDate& today, int periodsPerDay)
    : m_today(today),
      m_latest(today.addDays(1)),
      m_latestYear(m_latest.year()),
      m_latestDayOfYear(m_latest.dayOfYear()),
      m_periodsPerDay(periodsPerDay)
{
}

std::optional<QString> PeriodDateCheck::problem(const QString& periodId) const
{
    if (!isDigitString(periodId))
        return std::nullopt;
    if (periodId.size() == 7) {
        const int year = QStringView(periodId).left(4).toInt();
        const int number = QStringView(periodId).mid(4).toInt();
        if (year > m_latestYear)
            return QStringLiteral("期号“%1”的年份%2还没到（今天是%3）")
                .arg(periodId)
                .arg(year)
                .arg(dashedDate(m_today));
        if (number == 0)
            return QStringLiteral("期号“%1”的序号不能为0").arg(periodId);
        // One draw a day at most: a year's numbers cannot outrun its days.
        if (year == m_latestYear && number > m_latestDayOfYear)
            return QStringLiteral("期号“%1”的序号%2不可能：到%3为止，%4年最多开奖%5期")
                .arg(periodId)
                .arg(number)
                .arg(dashedDate(m_latest))
                .arg(year)
                .arg(m_latestDayOfYear);
        // The calendar has no year 0: its draws are as impossible as QDate(0, 1, 1).daysInYear() says.
        if (const int days = year == 0 ? 0 : QDate::isLeapYear(year) ? 366 : 365; number > days)
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
    if (date > m_latest)
        return QStringLiteral("期号“%1”的日期%2还没到（今天是%3）")
            .arg(periodId, dashedDate(date), dashedDate(m_today));
    const int number = QStringView(periodId).mid(8).toInt();
    if (number == 0)
        return QStringLiteral("期号“%1”的序号不能为0").arg(periodId);
    if (m_periodsPerDay > 0 && number > m_periodsPerDay)
        return QStringLiteral("期号“%1”的序号%2不可能：每天最多开奖%3期")
            .arg(periodId)
            .arg(number)
            .arg(m_periodsPerDay);
    return std::nullopt;
}

std::optional<QString> newestStoredProblem(const QString& newestPeriod, const QDate& today, int periodsPerDay)
{
    const std::optional<QString> problem = periodDateProblem(newestPeriod, today, periodsPerDay);
    if (!problem)
        return std::nullopt;
    return QStringLiteral("已存的最新期号有误：%1。请在“添加开奖”中改正或删除这一期，之后的开奖才能存入").arg(*problem);
}
