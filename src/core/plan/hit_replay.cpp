#include "core/plan/hit_replay.h"

#include "core/plan/bet_rule.h"

namespace {

QString digitsText(const DrawHistory& history, int record)
{
    QString text(history.digitCount(), Qt::Uninitialized);
    for (int k = 1; k <= history.digitCount(); ++k)
        text[k - 1] = QChar(u'0' + history.digit(record, k));
    return text;
}

bool excludes(ExcludedDigits excluded, int digit)
{
    return digit == excluded.last || digit == excluded.derived;
}

}  // namespace

HitTable ReplayHits(const DrawHistory& history, int digitOffset, const ReplayProgress& progress)
{
    const int tensElement = digitOffset + 1;
    const int unitsElement = digitOffset + 2;
    PositionTracker tens;
    PositionTracker units;

    HitTable table;
    table.reserve(std::size_t(history.size()));
    for (int r = 0; r < history.size(); ++r) {
        if (progress)
            progress(r);
        const int t = history.digit(r, tensElement);
        const int u = history.digit(r, unitsElement);
        const bool hit = r < kUntestedDraws || !(excludes(tens.excluded(), t) || excludes(units.excluded(), u));
        table.push_back({QString::number(history.periodId(r)), digitsText(history, r), hit});
        tens.feed(t);
        units.feed(u);
    }
    return table;
}
