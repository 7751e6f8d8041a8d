#include "core/acquire/site_paths.h"

#include "core/acquire/source_hosts.h"
#include "core/base/lottery_table.h"
#include "core/base/period_date.h"

QString drawListPath(int pageNumber, const QDate& day)
{
    return QStringLiteral("/lottery/draw/list/%1?d=").arg(pageNumber) + dashedDate(day);
}

QString singlePagePath(HistorySource source)
{
    return source == HistorySource::TrendPage ? QStringLiteral("/trend/analyse3d.do?operator=codeTrend")
                                              : QStringLiteral("/Pls/ZongheZs-200.html");
}

QString knownPagePath(PageSite site, const QDate& today)
{
    // The lottery selected at start stands for the day-page and feed sites: it has both.
    const LotteryInfo* live = findLottery(mainListOrder().constFirst());
    switch (site) {
        case PageSite::Trend:
            return singlePagePath(HistorySource::TrendPage);
        case PageSite::Chart:
            return singlePagePath(HistorySource::ChartPage);
        case PageSite::DrawList:
            return drawListPath(live->drawListPage, today);
        case PageSite::Feed:
            return live->feedPath;
    }
    return {};
}

QString drawListPageName(const QDate& day)
{
    return dashedDate(day) + QStringLiteral("的开奖页面");
}
