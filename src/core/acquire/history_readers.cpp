#include "core/acquire/history_readers.h"

#include "core/acquire/site_paths.h"
#include "core/acquire/source_hosts.h"
#include "core/acquire/sources/source_reader.h"
#include "core/acquire/url_source.h"
#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/base/whole_file.h"
#include "core/store/draw_database.h"
#include "core/store/missing_periods.h"

#include <QFile>

namespace {

// The sites that give a lottery's whole recent history on one page.
struct SinglePageSource {
    PageSite site;
    const char* pageName;
    PageReading (*read)(const QByteArray&, const QString&, const QDate&);
};

const SinglePageSource& singlePageSource(HistorySource source)
{
    static const SinglePageSource trend = {PageSite::Trend, "走势页面", readTrendPage};
    static const SinglePageSource chart = {PageSite::Chart, "图表页面", readChartPage};
    return source == HistorySource::TrendPage ? trend : chart;
}

const QString kScratchFailure = QStringLiteral("无法写入页面文件");

void pageDone(const ReaderHooks& hooks)
{
    if (hooks.pageRead)
        hooks.pageRead();
    stopIfCancelled(hooks);
}

}  // namespace

int pagesPerRun(const QString& lottery, const Sources& sources)
{
    const LotteryInfo* info = findLottery(lottery);
    if (!info)
        return 0;
    if (!sources.drawUrl(lottery).isEmpty() || sources.describedSource(lottery))
        return 1;
    return info->historySource == HistorySource::DrawList ? kDrawListDays : 1;
}

LotteryUpdate singlePageReader(DrawDatabase& db, const QString& dataDir, const LotteryInfo& lottery,
                               const ReaderHooks& hooks)
{
    const SinglePageSource& page = singlePageSource(lottery.historySource);
    const DrawDatabase::SourceScope named(db, QString::fromUtf8(page.pageName));
    return readAndStore(db, lottery.name, hooks, [&] {
        const SinglePageSource& source = page;
        const QString newest = db.newestPeriodId(lottery.name);
        ReaderFetcher fetcher(hooks);
        const QByteArray page = fetcher.fetch(hooks.sources.pageUrl(source.site, singlePagePath(lottery.historySource)),
                                              QString::fromUtf8(source.pageName));
        writeWholeFile(scratchPageFile(dataDir), page, kScratchFailure);
        PageReading reading = source.read(page, newest, hooks.today);
        pageDone(hooks);
        return reading;
    });
}

LotteryUpdate DrawListScan(DrawDatabase& db, const QString& dataDir, const QString& lottery, const ReaderHooks& hooks)
{
    const QDate& today = hooks.today;
    const QString scratch = scratchPageFile(dataDir);
    QFile::remove(scratch);
    const DrawDatabase::SourceScope named(db, kDayPagesSource);
    LotteryUpdate update = readAndStore(db, lottery, hooks, [&] {
        const LotteryInfo* info = findLottery(lottery);
        const int pageNumber = info ? info->drawListPage : 0;
        if (!pageNumber)
            throw UserError(QStringLiteral("“%1”没有开奖列表页面").arg(lottery));
        const QString newest = db.newestPeriodId(lottery);
        // Every page is asked for at once; the fetcher keeps a few under way and hands them out in
        // this order, so the draws are gathered exactly as one page after the other would.
        ReaderFetcher fetcher(hooks);
        std::vector<int> tickets;
        for (int offset = 0; offset < kDrawListDays; ++offset)
            tickets.push_back(fetcher.request(
                hooks.sources.pageUrl(PageSite::DrawList, drawListPath(pageNumber, today.addDays(-offset)))));
        QByteArray gathered;
        QByteArray page;
        for (int offset = 0; offset < kDrawListDays; ++offset) {
            page = fetcher.take(tickets[std::size_t(offset)], drawListPageName(today.addDays(-offset)));
            gatherDrawListPage(page, info->periodIdLength, gathered);
            pageDone(hooks);
        }
        writeWholeFile(scratch, page, kScratchFailure);
        return drawsFromGathered(gathered, info->periodIdLength, info->digitCount, info->periodsPerDay, newest, today);
    });
    update.stillMissing = missingOnDays(db, lottery, today.addDays(1 - kDrawListDays), today);
    return update;
}

LotteryUpdate runLotteryReader(DrawDatabase& db, const QString& dataDir, const QString& lottery,
                               const ReaderHooks& hooks)
{
    QFile::remove(scratchPageFile(dataDir));
    const LotteryInfo* info = findLottery(lottery);
    if (const QString url = hooks.sources.drawUrl(lottery); info && !url.isEmpty())
        return urlSourceReader(db, *info, url, hooks);
    if (const SourceDescription* source = hooks.sources.describedSource(lottery); info && source)
        return sourceReader(db, *info, *source, hooks.sources.descriptions, hooks);
    if (info && info->historySource != HistorySource::DrawList)
        return singlePageReader(db, dataDir, *info, hooks);
    return DrawListScan(db, dataDir, lottery, hooks);
}
