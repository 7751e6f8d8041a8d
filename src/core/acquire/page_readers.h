#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The readers of the three kinds of history pages. They work on the page's bytes as the site
// sent them: lines end at line feeds, each line is trimmed of bytes of 32 or less at both ends,
// and every position counts bytes, so GBK text around the markers is never decoded.

// One draw to store: the period id and the digits, as the table takes them.
struct PageDraw {
    QString periodId;
    QStringList digits;
    bool operator==(const PageDraw&) const = default;
};

// What a reading gave: the draws to append, in the order to append them, and, when the reading
// had to stop at a draw that cannot be stored, why. The draws before that point still go in,
// unless the page lists one new period twice with different digits: then none does.
struct PageReading {
    std::vector<PageDraw> draws;
    std::optional<QString> failure;
    // Draws recognised on the page, stored before or not: none at all means the page is not
    // what the reader knows (a new design, an error page), not that nothing is new.
    int found = 0;
};

// In `newestPeriod`, the newest stored period id ("0" for an empty table): only later draws are
// read, each period once. `today` is the day the run counts as today: a new period dated more
// than a day after it cannot have been drawn yet and ends the reading (period_date.h).

// The 3D trend page: a draw is a 90-byte line with "onclick", its period id at bytes 69 to 75,
// and its digits in the next line.
PageReading readTrendPage(const QByteArray& page, const QString& newestPeriod, const QDate& today);

// The 排列3 chart page: after the "cpdata" line, a draw is a "height" line ending in the period id
// without its "20", followed by one line per digit.
PageReading readChartPage(const QByteArray& page, const QString& newestPeriod, const QDate& today);

// The 时时彩 day draw-list pages. Each page adds its period ids (each after a "*") and its ball
// digits to `gathered`; the draws are taken from the whole once every page has been read.
inline constexpr char kBallMarker[] = "span class=\"ball";
void gatherDrawListPage(const QByteArray& page, int periodIdLength, QByteArray& gathered);
// Draws of the earliest page first and, within a page, in the reverse of the page's order.
// `periodsPerDay` is the lottery table's: a period numbered beyond it cannot exist.
PageReading drawsFromGathered(const QByteArray& gathered, int periodIdLength, int digitCount, int periodsPerDay,
                              const QString& newestPeriod, const QDate& today);
