#include "core/acquire/history_download.h"

#include "core/acquire/history_readers.h"
#include "core/acquire/page_fetch.h"
#include "core/acquire/sources/source_reader.h"
#include "core/acquire/update_check.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"

#include <memory>

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
    std::unique_ptr<SourceReadAhead> ahead;  // the next lottery's reading, begun on another thread
    for (qsizetype i = 0; i < lotteries.size(); ++i) {
        const QString& lottery = lotteries[i];
        const std::unique_ptr<SourceReadAhead> readAhead = std::move(ahead);
        if (hooks.cancelled && hooks.cancelled()) {
            LotteryUpdate& skipped = updates.emplace_back();
            skipped.lottery = lottery;
            skipped.outcome = StoreOutcome::userCancelled();
            continue;
        }
        if (progress.lotteryStarted)
            progress.lotteryStarted(lottery);
        const StoredBefore before = storedBeforeUpdate(db, lottery, hooks);
        ReaderHooks own = hooks;
        if (readAhead) {
            own.taken = &readAhead->answers();
            own.readAhead = readAhead.get();
        }
        // While this lottery is stored, the next one's answers, if in, are read on another thread.
        if (i + 1 < lotteries.size()) {
            own.beforeStore = [&, next = lotteries[i + 1]] {
                try {
                    ahead = SourceReadAhead::startIfArrived(next, db.newestPeriodId(next), hooks);
                } catch (const std::exception&) {
                    // Then the next lottery is read in its turn, where the failure is told.
                }
            };
        }
        LotteryUpdate& update = updates.emplace_back(runLotteryReader(db, dataDir, lottery, own));
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
