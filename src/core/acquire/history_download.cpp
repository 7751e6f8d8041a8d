#include "core/acquire/history_download.h"

#include "core/acquire/history_readers.h"
#include "core/acquire/page_fetch.h"
#include "core/acquire/sources/source_reader.h"
#include "core/acquire/update_check.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"

std::vector<LotteryUpdate> downloadHistories(const QString& dataDir, const QStringList& lotteries, ReaderHooks hooks,
                                             const DownloadProgress& progress)
{
    DrawDatabase db(dataDir);
    PageFetcher fetcher(hooks.fetchSettings, hooks.cancelled);
    hooks.fetcher = &fetcher;
    // The described sources' first requests go out together; what no reader takes goes with the
    // fetcher.
    std::map<QString, int> prefetched;
    prefetchSources(
        fetcher, hooks.sources, lotteries,
        [&db](const QString& lottery) {
            try {
                return db.newestPeriodId(lottery);
            } catch (const UserError&) {
                return QString();
            }
        },
        prefetched);
    hooks.prefetched = &prefetched;
    std::vector<LotteryUpdate> updates;
    int pagesDone = 0;
    for (const QString& lottery : lotteries) {
        if (hooks.cancelled && hooks.cancelled()) {
            LotteryUpdate& skipped = updates.emplace_back();
            skipped.lottery = lottery;
            skipped.outcome = StoreOutcome::userCancelled();
            continue;
        }
        if (progress.lotteryStarted)
            progress.lotteryStarted(lottery);
        const StoredBefore before = storedBeforeUpdate(db, lottery, hooks);
        LotteryUpdate& update = updates.emplace_back(runLotteryReader(db, dataDir, lottery, hooks));
        confirmStoredDraws(db, before, update, hooks);
        pagesDone += pagesPerRun(lottery, hooks.sources);
        if (progress.lotteryEnded)
            progress.lotteryEnded(pagesDone);
    }
    return updates;
}

LotteryUpdate downloadHistory(const QString& dataDir, const QString& lottery, const ReaderHooks& hooks)
{
    return downloadHistories(dataDir, {lottery}, hooks).front();
}
