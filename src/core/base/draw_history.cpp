#include "core/base/draw_history.h"

#include <cassert>

DrawHistory::DrawHistory(int digitCount) : m_digitCount(digitCount) {}

void DrawHistory::reserve(int records)
{
    m_elements.reserve(std::size_t(records) * (m_digitCount + 1));
}

void DrawHistory::append(int32_t periodId, std::span<const int> digits)
{
    assert(int(digits.size()) == m_digitCount);
    m_elements.push_back(periodId);
    m_elements.insert(m_elements.end(), digits.begin(), digits.end());
}
