#include "core/acquire/history_readers.h"

#include "core/acquire/gap_fill.h"
#include "core/acquire/page_fetch.h"
#include "core/acquire/source_hosts.h"
#include "core/acquire/url_source.h"
#include "core/base/lottery_table.h"
#include "core/base/today_clock.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"

namespace {

// The sites that give a lottery's whole recent history on one page.
struct SinglePageSource {
    PageSite site;
    const char* path;
    const char* pageName;
    PageReading (*read)(const QByteArray&, const QString&, const LineTurn&);
};

const SinglePageSource& singlePageSource(HistorySource source)
{
    static const SinglePageSource trend = {PageSite::Trend, "/trend/analyse3d.do?operator=codeTrend", "走势页面",
                                           readTrendPage};
    static const SinglePageSource chart = {PageSite::Chart, "/Pls/ZongheZs-200.html", "图表页面", readChartPage};
    return source == HistorySource::TrendPage ? trend : chart;
}

QByteArray fetchAndRead(PageSite site, const QString& path, const QString& pageName, const QString& dataDir,
                        const ReaderHooks& hooks)
{
    const QString file = scratchPageFile(dataDir);
    try {
        fetchPage(pageUrl(site, path), file, hooks.lineTurn, hooks.cancelled);
    } catch (const FetchCancelled&) {
        throw ReadCancelled();
    } catch (const FetchError& e) {
        throw UserError(QStringLiteral("%1无法下载（%2）").arg(pageName, e.message()));
    }
    return readPageFile(file);
}

template <class Read>
LotteryUpdate runReader(DrawDatabase& db, const QString& lottery, const ReaderHooks& hooks, Read&& read)
{
    LotteryUpdate update;
    update.lottery = lottery;
    try {
        PageReading reading = read();
        // A cancel that came while the last page was read still keeps the lottery unstored.
        stopIfCancelled(hooks);
        if (reading.failure.isEmpty() && reading.found == 0)
            reading.failure = kNoDrawsOnPage;
        storeReading(db, reading, update);
    } catch (const ReadCancelled&) {
        update.cancelled = true;
    } catch (const std::exception& e) {
        update.failure = QString::fromUtf8(e.what());
    }
    return update;
}

void pageDone(const ReaderHooks& hooks)
{
    if (hooks.pageRead)
        hooks.pageRead();
    stopIfCancelled(hooks);
}

}  // namespace

int appendDraws(DrawDatabase& db, const QString& lottery, const std::vector<PageDraw>& draws, QString& failure)
{
    int stored = 0;
    db.beginTransaction();
    try {
        for (const PageDraw& draw : draws) {
            try {
                db.appendDraw(lottery, draw.periodId, draw.digits);
            } catch (const DatabaseError& e) {
                // The refusal mostly names the period itself ("第…期已存在").
                const QString reason = e.message();
                failure = reason.startsWith(QStringLiteral("第%1期").arg(draw.periodId))
                              ? reason + QStringLiteral("，未能存入")
                              : QStringLiteral("第%1期未能存入：%2").arg(draw.periodId, reason);
                break;
            }
            ++stored;
        }
        db.commit();
    } catch (...) {
        db.rollback();
        throw;
    }
    return stored;
}

void storeReading(DrawDatabase& db, const PageReading& reading, LotteryUpdate& update)
{
    update.stored = appendDraws(db, update.lottery, reading.draws, update.failure);
    if (update.failure.isEmpty())
        update.failure = reading.failure;
}

QString progressText(const QString& lottery)
{
    return QStringLiteral("正在更新") + lottery + QStringLiteral("。。。");
}

QString outcomeLine(const LotteryUpdate& update)
{
    if (update.cancelled)
        return QStringLiteral("%1：已取消，未存入开奖").arg(update.lottery);
    QString line;
    if (update.succeeded()) {
        line = update.stored ? QStringLiteral("%1：新增%2期").arg(update.lottery).arg(update.stored)
                             : QStringLiteral("%1：已是最新，没有新的开奖").arg(update.lottery);
    } else {
        const QString kept =
            update.stored ? QStringLiteral("之前的%1期已存入").arg(update.stored) : QStringLiteral("未存入开奖");
        line = QStringLiteral("%1：失败，%2；%3").arg(update.lottery, update.failure, kept);
    }
    if (update.conflicting > 0)
        line += QStringLiteral("；%1期与已存号码不同（未改动）").arg(update.conflicting);
    if (update.unreadable > 0)
        line += QStringLiteral("；%1行无法识别").arg(update.unreadable);
    if (update.stillMissing > 0)
        line += QStringLiteral("；仍缺%1期，可在数据窗口补齐").arg(update.stillMissing);
    return line;
}

int pagesPerRun(const QString& lottery)
{
    const LotteryInfo* info = findLottery(lottery);
    if (!info)
        return 0;
    if (!drawUrl(lottery).isEmpty())
        return 1;
    return info->historySource == HistorySource::DrawList ? kDrawListDays : 1;
}

QString drawListPath(int pageNumber, const QDate& day)
{
    return QStringLiteral("/lottery/draw/list/%1?d=").arg(pageNumber) +
           QString::asprintf("%.4d-%.2d-%.2d", day.year(), day.month(), day.day());
}

void stopIfCancelled(const ReaderHooks& hooks)
{
    if (hooks.cancelled && hooks.cancelled())
        throw ReadCancelled();
}

QString singlePagePath(HistorySource source)
{
    return QString::fromUtf8(singlePageSource(source).path);
}

QByteArray fetchDrawListPage(const QString& dataDir, int pageNumber, const QDate& day, const ReaderHooks& hooks)
{
    const QString pageName =
        QString::asprintf("%.4d-%.2d-%.2d", day.year(), day.month(), day.day()) + QStringLiteral("的开奖页面");
    return fetchAndRead(PageSite::DrawList, drawListPath(pageNumber, day), pageName, dataDir, hooks);
}

LotteryUpdate SinglePageReader(DrawDatabase& db, const QString& dataDir, const LotteryInfo& lottery,
                               const ReaderHooks& hooks)
{
    return runReader(db, lottery.name, hooks, [&] {
        const SinglePageSource& source = singlePageSource(lottery.historySource);
        const QString newest = db.newestPeriodId(lottery.name);
        const QByteArray page = fetchAndRead(source.site, QString::fromUtf8(source.path),
                                             QString::fromUtf8(source.pageName), dataDir, hooks);
        PageReading reading = source.read(page, newest, hooks.lineTurn);
        pageDone(hooks);
        return reading;
    });
}

LotteryUpdate DrawListScan(DrawDatabase& db, const QString& dataDir, const QString& lottery, const ReaderHooks& hooks)
{
    const QDate today = today_clock::today();
    LotteryUpdate update = runReader(db, lottery, hooks, [&] {
        const LotteryInfo* info = findLottery(lottery);
        const int pageNumber = info ? info->drawListPage : 0;
        if (!pageNumber)
            throw UserError(QStringLiteral("“%1”没有开奖列表页面").arg(lottery));
        const QString newest = db.newestPeriodId(lottery);
        QByteArray gathered;
        for (int offset = 0; offset < kDrawListDays; ++offset) {
            const QByteArray page = fetchDrawListPage(dataDir, pageNumber, today.addDays(-offset), hooks);
            gatherDrawListPage(page, info->periodIdLength, gathered, hooks.lineTurn);
            pageDone(hooks);
        }
        return drawsFromGathered(gathered, info->periodIdLength, info->digitCount, newest);
    });
    update.stillMissing = missingOnDays(db, lottery, today.addDays(1 - kDrawListDays), today);
    return update;
}

LotteryUpdate runLotteryReader(DrawDatabase& db, const QString& dataDir, const QString& lottery,
                               const ReaderHooks& hooks)
{
    const LotteryInfo* info = findLottery(lottery);
    if (info && !drawUrl(lottery).isEmpty())
        return UrlSourceReader(db, *info, drawUrl(lottery), hooks);
    if (info && info->historySource != HistorySource::DrawList)
        return SinglePageReader(db, dataDir, *info, hooks);
    return DrawListScan(db, dataDir, lottery, hooks);
}
