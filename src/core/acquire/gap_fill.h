#pragma once

#include "core/acquire/lottery_update.h"
#include "core/acquire/reader_hooks.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

class DrawDatabase;

// Missing periods of the 时时彩 lotteries, filled from their day draw-list pages: the same pages
// and addresses as the history download, read with the same reader. Only periods the table
// lacks are stored; a stored draw is never changed.

// One day with gaps: what was filled (or why the page failed, or that the user stopped the fill
// before this day was stored) and the period ids still missing after it.
struct DayFill {
    QDate day;
    StoreOutcome outcome;
    QStringList stillMissing;
};

struct GapFill {
    QString lottery;
    std::vector<DayFill> days;  // every day with gaps, oldest first; after a cancel, the rest are cancelled
    int filled() const;
    int stillMissing() const;
    bool cancelled() const;
};

// Reads the day page of every day with gaps and stores the missing periods it lists, each day in
// a transaction of its own: a page that fails is reported and the other days still fill. A cancel
// (hooks.cancelled, asked between and during the pages) keeps the days already stored and skips
// the rest. The pages are fetched several at a time and stored day after day, oldest first.
GapFill fillGaps(DrawDatabase& db, const QString& lottery, const ReaderHooks& hooks = {});
// The same through a connection of its own to the draw database of `dataDir`, opened and closed
// on the calling thread: what a worker thread fills with, since a connection serves one thread.
GapFill fillGapsInDataFolder(const QString& dataDir, const QString& lottery, const ReaderHooks& hooks = {});

// "补齐完成！", then per day what was filled and what is still missing, and the totals.
QStringList gapFillReport(const GapFill& fill);

// After a feed read whose new draws do not follow on from `newestBefore` (the newest period stored
// before it): reads the day pages of the days in between (the latest kDrawListDays of them) and
// stores the periods there that the table lacks. Adds what it stored to `update`, and a page that
// fails, or a cancel that skips the days left, to its failure; then counts in `update` the periods still missing in the
// range the read covered.
void fillFeedJump(DrawDatabase& db, const QString& newestBefore, LotteryUpdate& update, const ReaderHooks& hooks = {});
