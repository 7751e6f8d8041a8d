#pragma once

#include "core/acquire/reader_hooks.h"
#include "support/draw_fixtures.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <initializer_list>
#include <map>
#include <vector>

// Fixture pages shaped the way the readers look at them: markers, line lengths and byte
// positions as the readers expect, everything else free. Lines end in "\n".
namespace fixtures {

// The 3D trend page: a 90-byte "onclick" line with the period id at bytes 69 to 75, then a line
// with the digits as "d,d,d" in the five bytes starting 16 from its end.
QByteArray trendLine(const QByteArray& periodId);
QByteArray trendDigitsLine(const QByteArray& digits);
QByteArray trendPage(const std::vector<StoredDraw>& draws);

// The 排列3 chart page: a "cpdata" line, then per draw a "height" line ending in the period id
// without its "20" and "</td>", then one line per digit, each ending in the digit and "</td>".
QByteArray chartHeaderLine();
QByteArray chartDrawLines(const QByteArray& periodId, const QByteArray& digits);
QByteArray chartPage(const std::vector<StoredDraw>& draws);

// A 时时彩 draw-list page: per draw, its period id alone on a line, then one line of ball spans.
QByteArray drawListDrawLines(const QByteArray& periodId, const QByteArray& digits);
QByteArray drawListPage(const std::vector<StoredDraw>& drawsInPageOrder);

// The 50 draw-list pages of a lottery, by path and query, from `today` back: each day's page lists
// that day's draws (by the date in their period ids) newest first; days without draws get a page
// without any.
std::map<QString, QByteArray> drawListSite(const QString& lottery, const std::vector<StoredDraw>& draws,
                                           const QDate& today);

QByteArray digitsOf(const StoredDraw& draw);

// The site's page number of a 时时彩 lottery's day pages, as the site numbers them.
int drawListPageNumber(const QString& lottery);

// Every lottery reading its site pages, as the tests of the pages want them.
SourceChoices sitePagesForAll();

// Writes the program folder's 数据源.ini naming `host` (a local server's) for every site, and
// every lottery reading its site pages: the windows read it when a run starts.
void pointSourcesAt(const QString& programDir, const QString& host);

// `bytes` compressed as a gzip file is, as a server sends them with "Content-Encoding: gzip".
QByteArray gzipped(const QByteArray& bytes);

class LocalHttpServer;

// What a reader is handed in the tests: `server` as each of `sites`, time-outs of a second, and
// kToday.
ReaderHooks hooksOnServer(const LocalHttpServer& server, std::initializer_list<PageSite> sites = {
                                                             PageSite::Trend, PageSite::Chart, PageSite::DrawList});

}  // namespace fixtures
