#pragma once

#include "core/acquire/lottery_update.h"
#include "core/acquire/reader_hooks.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// What a history download over several lotteries tells the one who follows it.
struct DownloadProgress {
    // Before each lottery is begun.
    std::function<void(const QString& lottery)> lotteryStarted;
    // After each lottery, with the pages of all the lotteries dealt with so far: the pages a
    // failed lottery did not get to count as dealt with (pagesPerRun).
    std::function<void(int pagesDone)> lotteryEnded;
};

// Reads `lotteries` one after another, each through its own reader (runLotteryReader), with
// one connection to the database in `dataDir` and one fetcher whose kept-alive connections
// serve the whole run; a database that cannot be opened stops the run before any page. Once
// `hooks.cancelled` says yes, the lotteries not yet begun are reported cancelled along with the
// one being read. The run's fetcher is made here, in place of any the hooks name. Each lottery's
// new draws are confirmed by its 核对来源 where it has one (update_check.h).
std::vector<LotteryUpdate> downloadHistories(const QString& dataDir, const QStringList& lotteries, ReaderHooks hooks,
                                             const DownloadProgress& progress = {});

// One lottery's history download, as 下载开奖 reads it: the automatic update of a daily lottery.
LotteryUpdate downloadHistory(const QString& dataDir, const QString& lottery, const ReaderHooks& hooks);
