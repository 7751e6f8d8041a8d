#pragma once

#include <QString>
#include <QTest>
#include <optional>

// A text that may be absent (a check's problem, a reading's failure), as QCOMPARE shows it: the
// text, or "(none)". Found by argument-dependent lookup, beside QString.
inline char* toString(const std::optional<QString>& text)
{
    return text ? QTest::toString(*text) : qstrdup("(none)");
}

namespace fixtures {

// A column of a case table where "" stands for no text at all.
inline std::optional<QString> noneIfEmpty(const QString& text)
{
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

}  // namespace fixtures
