#include "core/acquire/live_update.h"

#include "core/acquire/feed_reader.h"
#include "core/acquire/gap_fill.h"
#include "core/acquire/history_readers.h"
#include "core/acquire/update_check.h"
#include "core/store/draw_database.h"

LotteryUpdate runLiveUpdate(DrawDatabase& db, const QString& dataDir, const QString& lottery, bool catchUp,
                            const ReaderHooks& hooks)
{
    const StoredBefore before = storedBeforeUpdate(db, lottery, hooks);
    // A lottery with a draw address of its own reads it instead of the day pages and the feed.
    LotteryUpdate update = !hooks.sources.drawUrl(lottery).isEmpty() ? runLotteryReader(db, dataDir, lottery, hooks)
                           : catchUp                                 ? UpdateFromDayPages(db, dataDir, lottery, hooks)
                                                                     : UpdateFromFeed(db, lottery, hooks);
    confirmStoredDraws(db, before, update, hooks);
    return update;
}

LotteryUpdate UpdateFromDayPages(DrawDatabase& db, const QString& dataDir, const QString& lottery,
                                 const ReaderHooks& hooks)
{
    return DrawListScan(db, dataDir, lottery, hooks);
}

LotteryUpdate UpdateFromFeed(DrawDatabase& db, const QString& lottery, const ReaderHooks& hooks)
{
    // Taken once, before the feed is loaded: the draws appended while it is read do not move it.
    const QString newest = db.newestPeriodId(lottery);
    LotteryUpdate update = readLotteryFeed(db, lottery, newest, hooks);
    // The feed lists the latest draws only: periods it jumps over come from their day pages.
    if (!update.outcome.cancelled())
        fillFeedJump(db, newest, update, hooks);
    return update;
}

bool liveUpdateCatchesUp(bool historyCaughtUp, const QString& lottery, const Sources& sources)
{
    return !historyCaughtUp && sources.drawUrl(lottery).isEmpty();
}

bool caughtUpBy(bool catchUp, const LotteryUpdate& update)
{
    return catchUp && update.outcome.succeeded();
}
