#pragma once

#include "core/acquire/page_readers.h"

#include <QDate>
#include <QString>
#include <QStringView>
#include <optional>
#include <string_view>

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

}  // namespace period_numbers
