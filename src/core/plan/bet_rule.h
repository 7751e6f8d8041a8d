#pragma once

#include "core/base/draw_history.h"

#include <array>
#include <cstdint>
#include <vector>

// The two digits the rule excludes at one position for the coming draw: the last drawn digit
// and the derived one. They always differ.
struct ExcludedDigits {
    int last;
    int derived;
};

// One digit position followed draw by draw, so that the derived digit before the next draw is
// known at once however long a digit has been repeating: the replay asks at every draw, and a
// look-back walked anew each time would make it quadratic on a stuck position.
class PositionTracker {
public:
    PositionTracker() { m_follower.fill(-1); }

    void feed(int digit);
    int drawsSeen() const { return m_drawsSeen; }

    // Needs at least two draws fed.
    ExcludedDigits excluded() const;

private:
    int m_drawsSeen = 0;
    int m_last = -1;
    int m_previous = -1;
    // m_follower[v]: the digit after the most recent v that was not followed by v again.
    std::array<int8_t, 10> m_follower;
    // The digit just before the current run of equal digits; -1 when the run opens the history.
    int m_beforeRun = -1;
};

// The derived digit of the record element `element` before draw m (from records 0..m-1).
// Needs 2 <= m <= history size.
int DeriveDigit(const DrawHistory& history, int m, int element);

// The numbers 00..99, ascending, whose tens digit (element digitOffset + 1) and units digit
// (element digitOffset + 2) both escape exclusion.
using BetSet = std::vector<int>;
BetSet betSetExcluding(ExcludedDigits tens, ExcludedDigits units);

// The bet set before draw m. Raises UserError when there are fewer than two draws to work from.
BetSet ComputeBetSet(const DrawHistory& history, int m, int digitOffset);
