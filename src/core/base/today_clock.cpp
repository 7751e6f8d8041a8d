#include "core/base/today_clock.h"

namespace today_clock {
namespace {
QDate g_fixed;
}  // namespace

QDate today()
{
    return g_fixed.isValid() ? g_fixed : QDate::currentDate();
}

void setToday(const QDate& date)
{
    g_fixed = date;
}

}  // namespace today_clock
