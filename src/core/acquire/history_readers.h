#pragma once

#include "core/acquire/page_readers.h"

#include <QDate>
#include <QString>
#include <functional>

class DrawDatabase;
enum class HistorySource;
struct LotteryInfo;

// The three history readers: each fetches its lottery's pages into the scratch page file
// "号码.txt" of the data folder, reads them and appends the new draws to the lottery's
// table in one transaction. None of them throws: a failure ends that lottery, keeps its reason
// for the caller to report, and leaves stored whatever was appended before it.

struct ReaderHooks {
    LineTurn lineTurn;               // before each scanned line, and now and then during a download
    std::function<void()> pageRead;  // after each page has been fetched and read
    // Asked after every page and while a download waits: once it says yes, the reader stops
    // at once and stores nothing of its lottery.
    std::function<bool()> cancelled;
};

// Raised inside a reader when the user cancels: the page being read is dropped. Derived from
// std::exception only so that a catch-all still ends the command; a reader that goes on after a
// failure must catch this first, as it is no failure to report.
class ReadCancelled : public std::exception {};

// Throws ReadCancelled once the hooks say the user has cancelled.
void stopIfCancelled(const ReaderHooks& hooks);

struct LotteryUpdate {
    QString lottery;
    int stored = 0;
    QString failure;         // empty when the reader went through to the end
    bool cancelled = false;  // stopped by the user before anything was stored
    int stillMissing = 0;    // periods the table still lacks inside the range the run covered
    int conflicting = 0;     // periods read with other digits than stored: the stored ones stay
    int unreadable = 0;      // rows of a draw source no draw could be read from
    bool succeeded() const { return failure.isEmpty() && !cancelled; }
};

// A page with draws the reader knows, none of them new, is "已是最新"; one without any is a failure.
inline const QString kNoDrawsOnPage = QStringLiteral("页面中没有找到开奖号码（页面格式可能已改变）");

inline constexpr int kDrawListDays = 50;

// Appends the draws in order, in one transaction, until the database refuses one: the draws
// before it stay stored and `failure` says which draw was refused and why.
int appendDraws(DrawDatabase& db, const QString& lottery, const std::vector<PageDraw>& draws, QString& failure);

// Stores what a reading gave and keeps in `update` how many went in and, from the database or
// the reading, why it stopped.
void storeReading(DrawDatabase& db, const PageReading& reading, LotteryUpdate& update);

// "正在更新<lottery>。。。" while a lottery is worked on.
QString progressText(const QString& lottery);

// What one lottery got, for the line under the closing message: new draws, nothing new, the
// failure and what was stored before it, or that the user cancelled it; and when periods are
// still missing in the range the run covered, how many, and where to fill them. Periods read
// with other digits than stored and rows that could not be read are counted after it.
QString outcomeLine(const LotteryUpdate& update);

// How many pages the lottery's reader fetches in one run: 1 for the trend and chart pages, 50 for
// the draw lists, 0 for a name outside the catalogue.
int pagesPerRun(const QString& lottery);

// "/lottery/draw/list/<page number>?d=yyyy-mm-dd"
QString drawListPath(int pageNumber, const QDate& day);

// The path of the trend or the chart page on its site.
QString singlePagePath(HistorySource source);

// The lottery's draw-list page of `day` (its site's page number), fetched into the scratch page
// file and read back; UserError naming the page when it cannot be had.
QByteArray fetchDrawListPage(const QString& dataDir, int pageNumber, const QDate& day, const ReaderHooks& hooks = {});

// The 3D trend page or the 排列3 chart page: the lottery's recent history on one page.
LotteryUpdate SinglePageReader(DrawDatabase& db, const QString& dataDir, const LotteryInfo& lottery,
                               const ReaderHooks& hooks = {});

// Reads the draw lists of today (today_clock) and the 49 days before, all of them before the
// first draw is stored: one page that fails leaves the table as it was. Counts the periods still
// missing on those days afterwards.
LotteryUpdate DrawListScan(DrawDatabase& db, const QString& dataDir, const QString& lottery,
                           const ReaderHooks& hooks = {});

// The reader of the lottery's own source: its address in [draws] when one is set, otherwise its
// site pages.
LotteryUpdate runLotteryReader(DrawDatabase& db, const QString& dataDir, const QString& lottery,
                               const ReaderHooks& hooks = {});
