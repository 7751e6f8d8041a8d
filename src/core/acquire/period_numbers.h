#pragma once

#include "core/acquire/page_readers.h"

#include <QDate>
#include <QString>
#include <QStringView>
#include <optional>
#include <string_view>
#include <unordered_map>

// What the page readers and the feed reader share about period ids and draw digits: both
// compare period ids as whole numbers and refuse what cannot be stored in the same words.
namespace period_numbers {

// A period id read as a whole number: decimal digits only, and small enough for 64 bits.
std::optional<qint64> wholeNumber(std::string_view text);
std::optional<qint64> wholeNumber(QStringView text);

// The newest stored period id as a number; when it is none, or is one the calendar does not
// allow by `today` (periodDateProblem), the reading fails with that reason.
std::optional<qint64> newestStored(const QString& newestPeriod, const QDate& today, int periodsPerDay,
                                   PageReading& reading);

// Why a draw cannot be stored: its digits are missing or not digits.
QString incompleteDigits(const QString& periodId);

// One period listed with two different draws, `where` the reading found them ("页面上").
QString twoDraws(const QString& periodId, const QString& first, const QString& second, const QString& where);

// The new draws of a reading taken in order, each period once. A period listed again with other
// digits fails the whole reading: either listing may be the wrong one, and the draws taken so far
// came with them. Once a row has ended the reading nothing more is taken, but a later row is still
// looked at for such a second listing.
class ListedDraws {
public:
    explicit ListedDraws(QString where) : m_where(std::move(where)) {}
    // False when `draw` contradicts an earlier listing: the reading is over and stores nothing.
    bool take(PageDraw draw, PageReading& reading);

private:
    QString m_where;
    std::unordered_map<QString, QStringList> m_digits;
};

}  // namespace period_numbers
