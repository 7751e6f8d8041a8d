#include "core/plan/hit_replay.h"

#include "core/plan/bet_rule.h"

namespace {

int32_t digitsNumber(const DrawHistory& history, int record)
{
    int32_t number = 0;
    for (int k = 1; k <= history.digitCount(); ++k)
        number = number * 10 + history.digit(record, k);
    return number;
}

bool excludes(ExcludedDigits excluded, int digit)
{
    return digit == excluded.last || digit == excluded.derived;
}

}  // namespace

QString periodText(const HitRow& row)
{
    return QString::number(row.period);
}

QString digitsText(const HitRow& row)
{
    QString text(row.digitCount, Qt::Uninitialized);
    int32_t rest = row.digits;
    for (int k = row.digitCount - 1; k >= 0; --k) {
        text[k] = QChar(u'0' + rest % 10);
        rest /= 10;
    }
    return text;
}

HitTable replayHits(const DrawHistory& history, int digitOffset, const ReplayProgress& progress)
{
    const int tensElement = digitOffset + 1;
    const int unitsElement = digitOffset + 2;
    PositionTracker tens;
    PositionTracker units;

    // Digits are packed into one 32-bit number; no lottery draws more than nine.
    Q_ASSERT(history.digitCount() <= 9);
    HitTable table;
    table.reserve(std::size_t(history.size()));
    for (int r = 0; r < history.size(); ++r) {
        if (progress)
            progress(r);
        const int t = history.digit(r, tensElement);
        const int u = history.digit(r, unitsElement);
        const bool hit = r < kUntestedDraws || !(excludes(tens.excluded(), t) || excludes(units.excluded(), u));
        table.push_back({history.periodId(r), digitsNumber(history, r), int8_t(history.digitCount()), hit});
        tens.feed(t);
        units.feed(u);
    }
    return table;
}
