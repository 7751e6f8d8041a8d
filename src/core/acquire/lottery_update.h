#pragma once

#include "core/acquire/page_readers.h"
#include "core/acquire/reader_hooks.h"
#include "core/acquire/store_outcome.h"
#include "core/base/user_error.h"

#include <QString>
#include <QStringList>
#include <vector>

class DrawDatabase;

// What the lottery's 核对来源 said of the draws an update just stored (update_check.h).
struct UpdateConfirmation {
    bool allAgreed = false;  // it listed every new draw, with the same digits
    // Where it differed, failed or had not listed them yet, a few words each; empty when it agreed
    // or the lottery has no 核对来源.
    QStringList notes;
};

// What one reader did for one lottery, and how it is told to the user.
struct LotteryUpdate {
    QString lottery;
    StoreOutcome outcome;   // the draws stored, and whether the reader went through, failed or was cancelled
    int stillMissing = 0;   // periods the table still lacks inside the range the run covered
    int conflicting = 0;    // periods read with other digits than stored: the stored ones stay
    int unreadable = 0;     // rows of a draw source no draw could be read from
    QString unreadableWhy;  // the first of them with their reasons (malformedSummary)
    int olderDropped = 0;   // new draws older than the table keeps (kRetainedDraws), not stored
    // What else the player must hear of the run, each in a few words: a source that failed and
    // what stood in for it, two sources that disagree.
    QStringList notes;
    UpdateConfirmation confirmation;
};

// A page with draws the reader knows, none of them new, is "已是最新"; one without any is a
// failure: the page is not what the reader knows (a new design, an error page).
inline const QString kNoDrawsOnPage = QStringLiteral("页面中没有找到开奖号码（页面格式可能已改变）");

// Makes a reading that recognised no draw at all a failure, unless it failed already.
void failIfNoDraws(PageReading& reading);

// Appends the draws in order, in one transaction, until the database refuses one: the draws
// before it stay stored, and the outcome fails saying which draw was refused and why.
StoreOutcome appendDraws(DrawDatabase& db, const QString& lottery, const std::vector<PageDraw>& draws);

// Stores what a reading gave: the draws appended, and why it stopped, from the database or, when
// the database took them all, from the reading.
StoreOutcome storeReading(DrawDatabase& db, const QString& lottery, const PageReading& reading);

// "正在更新<lottery>。。。" while a lottery is worked on.
QString progressText(const QString& lottery);

// What one lottery got, for the line under the closing message: new draws, nothing new, the
// failure and what was stored before it, or that the user cancelled it; and when periods are
// still missing in the range the run covered, how many, and where to fill them. New draws the
// 核对来源 agreed with all are "新增N期（已核对）"; what it said otherwise follows. Periods read
// with other digits than stored and rows that could not be read are counted after it, and the
// reader's notes follow.
QString outcomeLine(const LotteryUpdate& update);

// One reader's work for `lottery`, which never throws: `work` fills in the update; a cancel makes
// it cancelled, and any other error its failure, in the user's words. What was stored before an
// error stays stored and counted.
template <class Work>
LotteryUpdate guardedUpdate(const QString& lottery, Work&& work)
{
    LotteryUpdate update;
    update.lottery = lottery;
    try {
        work(update);
    } catch (const Cancelled&) {
        update.outcome = StoreOutcome::userCancelled();
    } catch (const std::exception& e) {
        update.outcome = StoreOutcome::failed(userMessageOf(e), update.outcome.stored());
    }
    return update;
}

// The readers that turn their pages into a PageReading: `read` fetches and reads them; what it
// gives is stored unless the user has cancelled meanwhile, and a reading without one draw is a
// failure.
template <class Read>
LotteryUpdate readAndStore(DrawDatabase& db, const QString& lottery, const ReaderHooks& hooks, Read&& read)
{
    return guardedUpdate(lottery, [&](LotteryUpdate& update) {
        PageReading reading = read();
        // A cancel that came while the last page was read still keeps the lottery unstored.
        stopIfCancelled(hooks);
        failIfNoDraws(reading);
        update.outcome = storeReading(db, lottery, reading);
    });
}
