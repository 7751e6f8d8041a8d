#include "core/acquire/period_numbers.h"

#include "core/base/period_date.h"

#include <limits>

namespace period_numbers {

namespace {

char16_t unitOf(char c)
{
    return char16_t(static_cast<unsigned char>(c));
}

char16_t unitOf(QChar c)
{
    return c.unicode();
}

template <class Text>
std::optional<qint64> digitsValue(const Text& text)
{
    if (text.empty())
        return std::nullopt;
    qint64 value = 0;
    for (const auto c : text) {
        const char16_t unit = unitOf(c);
        if (!isAsciiDigit(unit))
            return std::nullopt;
        const int digit = unit - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

std::optional<qint64> wholeNumber(std::string_view text)
{
    return digitsValue(text);
}

std::optional<qint64> wholeNumber(QStringView text)
{
    return digitsValue(text);
}

std::optional<qint64> newestStored(const QString& newestPeriod, const QDate& today, int periodsPerDay,
                                   PageReading& reading)
{
    const auto value = wholeNumber(QStringView(newestPeriod));
    if (!value) {
        reading.failure = QStringLiteral("已存的最新期号“%1”不是数字").arg(newestPeriod);
        return value;
    }
    // One stored in the future would leave every real draw below it: say so rather than read
    // nothing new for ever.
    reading.failure = newestStoredProblem(newestPeriod, today, periodsPerDay);
    if (reading.failure)
        return std::nullopt;
    return value;
}

QString incompleteDigits(const QString& periodId)
{
    return QStringLiteral("第%1期的号码不完整").arg(periodId);
}

QString twoDraws(const QString& periodId, const QString& first, const QString& second, const QString& where)
{
    return QStringLiteral("第%1期在%2出现两次而号码不同（%3、%4）").arg(periodId, where, first, second);
}

bool ListedDraws::take(PageDraw draw, PageReading& reading)
{
    if (const auto earlier = m_digits.find(draw.periodId); earlier != m_digits.end()) {
        if (earlier->second == draw.digits)
            return true;
        reading.draws.clear();
        reading.failure =
            twoDraws(draw.periodId, earlier->second.join(QString()), draw.digits.join(QString()), m_where);
        return false;
    }
    if (!reading.failure) {
        m_digits.emplace(draw.periodId, draw.digits);
        reading.draws.push_back(std::move(draw));
    }
    return true;
}

}  // namespace period_numbers
