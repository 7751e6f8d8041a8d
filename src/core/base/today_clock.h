#pragma once

#include <QDate>

// "Today" for the draw-list scan and the check of period dates: the computer's local date, unless a
// test has fixed it.
namespace today_clock {

QDate today();

// An invalid date gives the local date back.
void setToday(const QDate& date);

}  // namespace today_clock
