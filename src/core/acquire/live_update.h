#pragma once

#include "core/acquire/lottery_update.h"
#include "core/acquire/reader_hooks.h"

#include <QString>

class DrawDatabase;

// The live update of a 时时彩 lottery. Until the history has been caught up in this run
// (`catchUp`) it reads the draw lists of the last 50 days (DrawListScan, which leaves the last
// page in "号码.txt"); from then on the lottery's short XML feed, and the day pages of any periods
// the feed jumps over. A lottery with a draw address of its own (url_source.h) reads that address
// instead, and that is no catch-up. Only a catch-up that went through has caught the history up: the caller
// keeps that for the next update. New draws are confirmed by the lottery's 核对来源 where it has one
// (update_check.h).
LotteryUpdate runLiveUpdate(DrawDatabase& db, const QString& dataDir, const QString& lottery, bool catchUp,
                            const ReaderHooks& hooks = {});

// The two ways runLiveUpdate reads a 时时彩 lottery's own sites. The day-page catch-up: the draw
// lists of today and the 49 days before, the draws newer than the newest stored one appended.
LotteryUpdate UpdateFromDayPages(DrawDatabase& db, const QString& dataDir, const QString& lottery,
                                 const ReaderHooks& hooks = {});
// The feed: the draws newer than the newest stored one, then the day pages of the periods the
// feed jumps over. A table that cannot be read stops it with the database's own message.
LotteryUpdate UpdateFromFeed(DrawDatabase& db, const QString& lottery, const ReaderHooks& hooks = {});

// Whether the next live update of `lottery` is a catch-up: the history has not been caught up in
// this run (`historyCaughtUp`), and the lottery has no draw address of its own in `sources`
// (reading that catches nothing up).
bool liveUpdateCatchesUp(bool historyCaughtUp, const QString& lottery, const Sources& sources);
// Whether an update has caught the history up, for the caller to keep for the next one: only a
// catch-up that went through has; after a failure the next live update tries the day pages again.
bool caughtUpBy(bool catchUp, const LotteryUpdate& update);
