#pragma once

#include "core/acquire/lottery_update.h"
#include "core/acquire/reader_hooks.h"

#include <QString>

class DrawDatabase;
struct LotteryInfo;

// The history readers: each fetches its lottery's pages, reads them and appends the new draws to
// the lottery's table in one transaction. None of them throws: a failure ends that lottery, keeps
// its reason for the caller to report, and leaves stored whatever was appended before it.

// How many pages the lottery's reader fetches in a run from `sources`: 1 for the trend and chart
// pages and for an address of its own, 50 for the draw lists, 0 for a name outside the catalogue.
int pagesPerRun(const QString& lottery, const Sources& sources);

// The 3D trend page or the 排列3 chart page: the lottery's recent history on one page, which is
// left in the scratch page file "号码.txt" of the data folder as the site sent it.
LotteryUpdate singlePageReader(DrawDatabase& db, const QString& dataDir, const LotteryInfo& lottery,
                               const ReaderHooks& hooks = {});

// Reads the draw lists of hooks.today and the 49 days before, all of them before the
// first draw is stored: one page that fails leaves the table as it was. The pages are fetched
// several at a time and read in order; the last one read is left in the scratch page file
// "号码.txt" of the data folder (program_paths.h). Counts the periods still missing on those days afterwards.
LotteryUpdate DrawListScan(DrawDatabase& db, const QString& dataDir, const QString& lottery,
                           const ReaderHooks& hooks = {});

// The reader of the lottery's own source: its address in [draws] when the hooks' sources have
// one, otherwise its site pages. The scratch page file goes first, so that after the run it holds
// the page this lottery's reader read, or nothing (an address of its own is not kept there).
LotteryUpdate runLotteryReader(DrawDatabase& db, const QString& dataDir, const QString& lottery,
                               const ReaderHooks& hooks = {});
