#include "core/plan/bet_rule.h"

#include "core/base/user_error.h"

#include <cassert>

void PositionTracker::feed(int digit)
{
    if (m_drawsSeen > 0 && digit != m_last) {
        m_follower[m_last] = int8_t(digit);
        m_beforeRun = m_last;
    }
    m_previous = m_last;
    m_last = digit;
    ++m_drawsSeen;
}

ExcludedDigits PositionTracker::excluded() const
{
    assert(m_drawsSeen >= 2);
    const int last = m_last;
    if (last != m_previous)
        return {last, (2 * last - m_previous + 10) % 10};
    if (m_follower[last] >= 0)
        return {last, m_follower[last]};
    // The digit has repeated ever since it first appeared, so no earlier appearance says what
    // follows it. Keep what the rule said when the run began: the step from the digit before
    // the run, as if that were still the previous draw. A history that opens with the run has
    // no such digit; the next digit up stands in. Either way the result differs from `last`.
    if (m_beforeRun >= 0)
        return {last, (2 * last - m_beforeRun + 10) % 10};
    return {last, (last + 1) % 10};
}

int DeriveDigit(const DrawHistory& history, int m, int element)
{
    assert(m >= 2 && m <= history.size());
    PositionTracker tracker;
    for (int r = 0; r < m; ++r)
        tracker.feed(history.digit(r, element));
    return tracker.excluded().derived;
}

BetSet betSetExcluding(ExcludedDigits tens, ExcludedDigits units)
{
    BetSet set;
    set.reserve(64);
    for (int n = 0; n <= 99; ++n) {
        const int t = n / 10;
        const int u = n % 10;
        if (t != tens.last && t != tens.derived && u != units.last && u != units.derived)
            set.push_back(n);
    }
    return set;
}

BetSet ComputeBetSet(const DrawHistory& history, int m, int digitOffset)
{
    if (m < 2 || m > history.size())
        throw UserError(QStringLiteral("至少需要两期开奖号码才能计算投注号码，目前只有%1期。").arg(history.size()));
    PositionTracker tens;
    PositionTracker units;
    for (int r = 0; r < m; ++r) {
        tens.feed(history.digit(r, digitOffset + 1));
        units.feed(history.digit(r, digitOffset + 2));
    }
    return betSetExcluding(tens.excluded(), units.excluded());
}
