#pragma once

#include "support/draw_fixtures.h"

#include <QByteArray>
#include <QString>
#include <vector>

// Feed documents shaped the way the feed reader looks at them. A row names its period in
// "expect", then its digits separated by commas: in "opencode" for the five-digit feeds, in
// "code" for 上海时时彩, whose digits stand 29 characters after the row's "<" once the blanks
// are gone.
namespace fixtures {

QByteArray feedRow(const QString& lottery, const QByteArray& periodId, const QByteArray& digits);

// A UTF-8 document listing the draws in the given order (the site lists the newest first), one
// indented row per line.
QByteArray feedDocument(const QString& lottery, const std::vector<StoredDraw>& drawsInFeedOrder);

// The feed's path on its site.
QString feedPathOf(const QString& lottery);

}  // namespace fixtures
