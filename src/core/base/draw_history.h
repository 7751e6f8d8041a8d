#pragma once

#include <QString>
#include <cstdint>
#include <span>
#include <vector>

// The draws of one lottery in memory, oldest first. Record i holds element 0, the period id as
// an integer, and elements 1..digitCount, the drawn digits. Kept flat: the replay walks it
// once per draw and 10000 small vectors would only scatter it.
class DrawHistory {
public:
    DrawHistory() = default;
    explicit DrawHistory(int digitCount);

    int digitCount() const { return m_digitCount; }
    int size() const { return m_digitCount == 0 ? 0 : int(m_elements.size()) / (m_digitCount + 1); }
    bool empty() const { return m_elements.empty(); }

    int32_t element(int record, int element) const
    {
        return m_elements[std::size_t(record) * (m_digitCount + 1) + element];
    }
    int32_t periodId(int record) const { return element(record, 0); }
    int digit(int record, int position) const { return element(record, position); }

    void reserve(int records);
    void append(int32_t periodId, std::span<const int> digits);

private:
    int m_digitCount = 0;
    std::vector<int32_t> m_elements;
};
