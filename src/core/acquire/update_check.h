#pragma once

#include "core/acquire/lottery_update.h"
#include "core/acquire/reader_hooks.h"

#include <QString>

class DrawDatabase;

// Confirmation after each update: when the lottery has a 核对来源 (数据源.ini [confirm]), the
// draws an update just stored are read again from it and compared (draw_comparison.h). The
// stored draws stay as the first source gave them; what agreed is marked confirmed, what differs
// disagreeing, for the user to decide in 核对. The check is a good client: the periods just stored
// in as few requests as the source allows (its whole-history file, a range, or at most
// kCheckPages pages of a list, newest first), never a whole history page by page.

inline constexpr int kCheckPages = 2;

// Disagreements named one by one in the result line; the rest are counted.
inline constexpr int kNamedDisagreements = 3;

// Where the lottery's table stood before an update, for confirmStoredDraws to find what the
// update stored: the new periods and the older ones it filled into gaps.
struct StoredBefore {
    QString newestPeriod;  // "0" for an empty table; empty: nothing to check (see below)
    qint64 lastRow = -1;   // the highest rowid; -1 for a table made without rowids
};

// Empty when the lottery has no 核对来源 or its table cannot be read (the update then fails on it
// by itself).
StoredBefore storedBeforeUpdate(DrawDatabase& db, const QString& lottery, const ReaderHooks& hooks);

// Reads the lottery's 核对来源 for the periods stored since `before` and says in
// `update.confirmation` what it found: all agreed, each disagreement ("第2026335期：中国福利彩票
// 123，中彩网 124"), periods it has not listed yet, or that it could not be read. Draws stored from
// the 核对来源 itself are not confirmed by it. Marks the records unless the file is read-only. Never
// throws and never changes the update's outcome: a cancel or failure here leaves the draws
// unconfirmed and says so. Does nothing when the update stored nothing or the lottery has no
// 核对来源, or when that is the very source the lottery reads.
void confirmStoredDraws(DrawDatabase& db, const StoredBefore& before, LotteryUpdate& update, const ReaderHooks& hooks);
