#include "core/base/period_date.h"

namespace {

QString shownDate(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

}  // namespace

bool isDigitString(QStringView text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return !text.isEmpty();
}

QString periodDateProblem(const QString& periodId, const QDate& today)
{
    if (!isDigitString(periodId))
        return {};
    // A draw of tomorrow may already be listed where the sites' clocks run ahead of this one.
    const QDate latest = today.addDays(1);
    if (periodId.size() == 7) {
        const int year = periodId.left(4).toInt();
        if (year > latest.year())
            return QStringLiteral("期号“%1”的年份%2还没到（今天是%3）").arg(periodId).arg(year).arg(shownDate(today));
        return {};
    }
    if (periodId.size() != 10 && periodId.size() != 11)
        return {};
    // Read by hand: QDate::fromString costs more than the rest of an import's check of a line.
    const auto number = [&](int from, int length) { return QStringView(periodId).mid(from, length).toInt(); };
    const QDate date(number(0, 4), number(4, 2), number(6, 2));
    if (!date.isValid())
        return QStringLiteral("期号“%1”的日期%2不存在").arg(periodId, periodId.left(8));
    if (date > latest)
        return QStringLiteral("期号“%1”的日期%2还没到（今天是%3）").arg(periodId, shownDate(date), shownDate(today));
    return {};
}

QString newestStoredProblem(const QString& newestPeriod, const QDate& today)
{
    const QString problem = periodDateProblem(newestPeriod, today);
    if (problem.isEmpty())
        return {};
    return QStringLiteral("已存的最新期号有误：%1。请在“添加开奖”中改正或删除这一期，之后的开奖才能存入").arg(problem);
}
