#pragma once

#include "core/acquire/lottery_update.h"
#include "core/acquire/reader_hooks.h"
#include "core/acquire/sources/source_description.h"
#include "core/store/draw_file_parser.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>

class DrawDatabase;
struct LotteryInfo;

// The one reader of every described source (source_description.h): it asks for pages newest
// first and stops at the page that reaches the newest stored period, so that a daily update is one
// request; on a first download (or a gap wider than a page) it reads the lottery's whole-history
// source once and asks the list only for the periods that file lacks. Every refusal names the
// source and what it answered: an HTML page, an empty list, a list older than the stored history,
// a list whose rows all lack a field, 403, 429 (a Retry-After of up to a minute is waited for once)
// and a redirect to a login page. Nothing is stored before the whole reading has gone through.

// A range of periods to ask for, where the source's address takes one ({from}, {to}).
struct PeriodRange {
    QString from;
    QString to;
};

// What a reading gave, with how many requests it took.
struct SourceReading {
    ParsedDrawFile document;
    int requests = 0;
    int total = -1;  // what the source says it holds (its "total"), -1 when it does not say
    // For the result line: a whole-history file that failed and what the list gave in its place,
    // periods the list and the file give with other digits (the list's are kept).
    QStringList notes;
    // readSourceOver: the periods the reading covered, oldest and newest (within the range asked
    // for); both empty when it listed none. A period of the range outside it was not reached (a
    // capped reading) or not yet published (a source that lags), rather than missing from it.
    PeriodRange covered;
    // readSourceOver: it stopped at `maxPages` before reaching the range's start, the list going
    // on; otherwise a covered range that starts later is all the source listed of it.
    bool capped = false;
};

// The draws of `lottery` newer than `stopAt` (all when empty) that `source` lists, read as said
// above, with `all` holding the whole-history sources it may fill from. With `range`, the range
// is asked for and no whole-history source is read. `firstPageOnly` reads one page, as 测试 does.
// UserError naming the source on every refusal; Cancelled on a cancel.
SourceReading readSource(const SourceDescription& source, const SourceDescriptions& all, const LotteryInfo& lottery,
                         const QString& stopAt, const ReaderHooks& hooks, const PeriodRange* range = nullptr,
                         bool firstPageOnly = false);

// The draws `source` lists for `lottery` from `from` to `to` inclusive (period ids at the table's
// length), oldest first, in as few requests as the source allows: a whole-history source in its one
// document; a source whose address takes a range ({from}, {to}) asked for that range; any other
// list newest first until a page reaches `from`. At most `maxPages` pages (0: no cap), so that a
// check after an update never pages through a whole history. A range the source lists nothing of
// (it has not published yet) is no refusal: the reading then covers nothing. UserError naming the
// source on every other refusal; Cancelled on a cancel.
SourceReading readSourceOver(const SourceDescription& source, const LotteryInfo& lottery, const QString& from,
                             const QString& to, const ReaderHooks& hooks, int maxPages = 0);

// Asks `fetcher` at once for what the described sources of `lotteries` will be asked first (each
// list's first page, and the whole-history file of a lottery whose table is empty), so that a run
// over several lotteries waits for one round of answers rather than one after the other; the
// tickets go into `prefetched` by address, for the readers to take (ReaderHooks::prefetched).
void prefetchSources(PageFetcher& fetcher, const Sources& sources, const QStringList& lotteries,
                     const std::function<QString(const QString&)>& newestStored, std::map<QString, int>& prefetched);

// Reads `source` for `lottery` and stores, in one transaction, the periods the table lacks; never
// changes a stored draw. Like the other readers it does not throw.
LotteryUpdate sourceReader(DrawDatabase& db, const LotteryInfo& lottery, const SourceDescription& source,
                           const SourceDescriptions& all, const ReaderHooks& hooks = {});
