#include "core/acquire/history_readers.h"
#include "core/acquire/site_paths.h"
#include "core/acquire/source_hosts.h"
#include "core/store/draw_database.h"
#include "support/file_fixtures.h"
#include "support/local_http_server.h"
#include "support/page_fixtures.h"

#include <QFile>
#include <QSqlQuery>
#include <QTest>
#include <atomic>
#include <memory>

using namespace fixtures;

namespace {

const QString kChongqing = QStringLiteral("重庆时时彩");
// Requests a reader may have under way or waiting beyond the page it reads: the fetcher's places
// per host and its read-ahead.
constexpr int kMostAhead = 8;

QStringList idsOf(const std::vector<StoredDraw>& draws)
{
    QStringList ids;
    for (const StoredDraw& draw : draws)
        ids << draw.periodId;
    return ids;
}

}  // namespace

class TestHistoryReaders : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void drawListScanReadsFiftyDaysBeforeStoring();
    void failingDrawListPageLeavesTableUnchanged_data();
    void failingDrawListPageLeavesTableUnchanged();
    void trendAndChartFillAnEmptyTableOnce_data();
    void trendAndChartFillAnEmptyTableOnce();
    void trendReaderKeepsDrawsBeforeAFailure();
    void pageWithoutDrawsIsAFailure_data();
    void pageWithoutDrawsIsAFailure();
    void cancelStoresNothingOfTheLottery_data();
    void cancelStoresNothingOfTheLottery();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<LocalHttpServer> m_server;
    // What each reader is handed: the server as the trend, chart and draw-list sites, short
    // time-outs and kToday.
    ReaderHooks m_hooks;
};

void TestHistoryReaders::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_server = std::make_unique<LocalHttpServer>();
    m_hooks = hooksOnServer(*m_server);
}

void TestHistoryReaders::cleanup()
{
    m_server.reset();
    m_folder.reset();
}

void TestHistoryReaders::drawListScanReadsFiftyDaysBeforeStoring()
{
    // 60 draws on 2026-12-07, 120 on each of the next two days; the first 100 are stored.
    const auto draws = syntheticDraws(kChongqing, 300);
    storeDraws(m_folder->path(), kChongqing, {draws.begin(), draws.begin() + 100});
    auto site = drawListSite(kChongqing, draws, kToday);
    // Yesterday's last draw stands on today's page as well.
    std::vector<StoredDraw> todays(draws.rbegin(), draws.rbegin() + 120);
    todays.push_back(draws[179]);
    site[drawListPath(200, kToday)] = drawListPage(todays);
    for (const auto& [path, page] : site)
        m_server->serve(path, page);

    QList<int> storedWhileReading;
    ReaderHooks hooks = m_hooks;
    hooks.pageRead = [&] { storedWhileReading << storedPeriodIds(m_folder->path(), kChongqing).size(); };
    DrawDatabase db(m_folder->path());
    const LotteryUpdate update = DrawListScan(db, m_folder->path(), kChongqing, hooks);

    QVERIFY2(update.outcome.succeeded(), qPrintable(outcomeLine(update)));
    QCOMPARE(update.outcome.stored(), 200);
    QCOMPARE(storedPeriodIds(m_folder->path(), kChongqing), idsOf(draws));
    QCOMPARE(storedWhileReading, QList<int>(kDrawListDays, 100));
    // The 50 days once each, from today back to 2026-10-21; the last one read stays in 号码.txt.
    QStringList requests = m_server->requests();
    requests.sort();
    QCOMPARE(requests.size(), kDrawListDays);
    QCOMPARE(requests.removeDuplicates(), 0);
    QCOMPARE(requests.first(), "/lottery/draw/list/200?d=2026-10-21");
    QCOMPARE(requests.last(), "/lottery/draw/list/200?d=2026-12-09");
    QFile scratch(scratchPageFile(m_folder->path()));
    QVERIFY(scratch.open(QIODevice::ReadOnly));
    QCOMPARE(scratch.readAll(), site.at(drawListPath(200, kToday.addDays(1 - kDrawListDays))));
}

void TestHistoryReaders::failingDrawListPageLeavesTableUnchanged_data()
{
    QTest::addColumn<int>("failingDay");
    QTest::addColumn<bool>("closeWithoutAnswer");
    QTest::newRow("today's page, HTTP 500") << 0 << false;
    QTest::newRow("a middle page, closed") << 17 << true;
    QTest::newRow("the 50th page, HTTP 500") << 49 << false;
}

void TestHistoryReaders::failingDrawListPageLeavesTableUnchanged()
{
    QFETCH(int, failingDay);
    QFETCH(bool, closeWithoutAnswer);
    const auto draws = syntheticDraws(kChongqing, 300);
    storeDraws(m_folder->path(), kChongqing, {draws.begin(), draws.begin() + 100});
    for (const auto& [path, page] : drawListSite(kChongqing, draws, kToday))
        m_server->serve(path, page);
    const QDate day = kToday.addDays(-failingDay);
    if (closeWithoutAnswer)
        m_server->closeWithoutAnswer(drawListPath(200, day));
    else
        m_server->failWithStatus(drawListPath(200, day), 500);

    DrawDatabase db(m_folder->path());
    const LotteryUpdate update = DrawListScan(db, m_folder->path(), kChongqing, m_hooks);

    QVERIFY(!update.outcome.succeeded());
    QVERIFY2(update.outcome.failure() && update.outcome.failure()->contains(day.toString(Qt::ISODate)),
             qPrintable(outcomeLine(update)));
    QCOMPARE(update.outcome.stored(), 0);
    QCOMPARE(storedPeriodIds(m_folder->path(), kChongqing), idsOf({draws.begin(), draws.begin() + 100}));
    // The pages after the failing one that were already asked for are abandoned. (A kept-alive
    // connection closed without an answer is tried once more on a fresh one.)
    QStringList pagesAsked = m_server->requests();
    pagesAsked.removeDuplicates();
    QVERIFY(pagesAsked.contains(drawListPath(200, day)));
    QVERIFY(pagesAsked.size() <= std::min(failingDay + 1 + kMostAhead, kDrawListDays));
    QVERIFY(!QFile::exists(scratchPageFile(m_folder->path())));
}

void TestHistoryReaders::trendAndChartFillAnEmptyTableOnce_data()
{
    QTest::addColumn<QString>("lottery");
    QTest::newRow("中国福彩3D") << "中国福彩3D";
    QTest::newRow("中国体彩排列3") << "中国体彩排列3";
}

void TestHistoryReaders::trendAndChartFillAnEmptyTableOnce()
{
    QFETCH(QString, lottery);
    const auto draws = syntheticDraws(lottery, 30);
    const bool trend = lottery == QStringLiteral("中国福彩3D");
    const QByteArray page = trend ? trendPage(draws) : chartPage(draws);
    m_server->serve(trend ? "/trend/analyse3d.do?operator=codeTrend" : "/Pls/ZongheZs-200.html", page);
    // An earlier run's day page must not pass for this one's.
    const QString scratch = scratchPageFile(m_folder->path());
    writeFile(scratch, "a day page of an earlier run");

    DrawDatabase db(m_folder->path());
    const LotteryUpdate first = runLotteryReader(db, m_folder->path(), lottery, m_hooks);
    QVERIFY2(first.outcome.succeeded(), qPrintable(outcomeLine(first)));
    QCOMPARE(first.outcome.stored(), 30);
    QCOMPARE(storedPeriodIds(m_folder->path(), lottery), idsOf(draws));
    QFile written(scratch);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), page);

    const LotteryUpdate again = runLotteryReader(db, m_folder->path(), lottery, m_hooks);
    QVERIFY2(again.outcome.succeeded(), qPrintable(outcomeLine(again)));
    QCOMPARE(again.outcome.stored(), 0);
    QCOMPARE(storedPeriodIds(m_folder->path(), lottery).size(), 30);

    // An address of its own is not kept there: nothing is left of the site's page.
    m_server->serve("/own", "2026001 123\n");
    ReaderHooks own = m_hooks;
    own.sources.drawUrls.insert(lottery, QStringLiteral("http://%1/own").arg(m_server->hostAndPort()));
    runLotteryReader(db, m_folder->path(), lottery, own);
    QVERIFY(!QFile::exists(scratch));
}

void TestHistoryReaders::trendReaderKeepsDrawsBeforeAFailure()
{
    const auto draws = syntheticDraws(QStringLiteral("中国福彩3D"), 3);
    // The rows after the failure list the same draws again, alike: no second listing to refuse.
    m_server->serve("/trend/analyse3d.do?operator=codeTrend",
                    trendPage(draws) + trendLine("2026999") + "<td>-</td>\n" + trendPage(draws));

    DrawDatabase db(m_folder->path());
    const LotteryUpdate update = runLotteryReader(db, m_folder->path(), QStringLiteral("中国福彩3D"), m_hooks);
    QVERIFY2(update.outcome.failure() && update.outcome.failure()->contains("2026999"),
             qPrintable(outcomeLine(update)));
    QCOMPARE(update.outcome.stored(), 3);
    QCOMPARE(storedPeriodIds(m_folder->path(), QStringLiteral("中国福彩3D")), idsOf(draws));
}

void TestHistoryReaders::pageWithoutDrawsIsAFailure_data()
{
    QTest::addColumn<QString>("lottery");
    QTest::addColumn<bool>("redesigned");  // pages without a draw the reader knows; else all stored already
    QTest::addColumn<QString>("outcome");
    const QString failed = QStringLiteral("：失败，页面中没有找到开奖号码（页面格式可能已改变）；未存入开奖");
    for (const QString lottery : {"中国福彩3D", "中国体彩排列3", "重庆时时彩"}) {
        QTest::addRow("%s, redesigned page", qPrintable(lottery)) << lottery << true << lottery + failed;
        QTest::addRow("%s, nothing new", qPrintable(lottery))
            << lottery << false << lottery + QStringLiteral("：已是最新，没有新的开奖");
    }
}

void TestHistoryReaders::pageWithoutDrawsIsAFailure()
{
    QFETCH(QString, lottery);
    QFETCH(bool, redesigned);
    QFETCH(QString, outcome);
    const auto draws = syntheticDraws(lottery, 30);
    storeDraws(m_folder->path(), lottery, draws);
    // An error page as a site shows it with HTTP 200: nothing of the markers the readers look for.
    const QByteArray errorPage =
        "<html>\n<head><title>\xcf\xb5\xcd\xb3\xce\xac\xbb\xa4</title></head>\n"
        "<body><div class=\"notice\">ball height cpdata onclick</div></body>\n</html>\n";
    if (lottery == QStringLiteral("中国福彩3D")) {
        m_server->serve("/trend/analyse3d.do?operator=codeTrend", redesigned ? errorPage : trendPage(draws));
    } else if (lottery == QStringLiteral("中国体彩排列3")) {
        m_server->serve("/Pls/ZongheZs-200.html", redesigned ? errorPage : chartPage(draws));
    } else {
        for (const auto& [path, page] : drawListSite(lottery, draws, kToday))
            m_server->serve(path, redesigned ? errorPage : page);
    }

    DrawDatabase db(m_folder->path());
    const LotteryUpdate update = runLotteryReader(db, m_folder->path(), lottery, m_hooks);
    QCOMPARE(outcomeLine(update), outcome);
    QCOMPARE(update.outcome.succeeded(), !redesigned);
    QCOMPARE(storedPeriodIds(m_folder->path(), lottery), idsOf(draws));
}

void TestHistoryReaders::cancelStoresNothingOfTheLottery_data()
{
    QTest::addColumn<QString>("lottery");
    QTest::addColumn<int>("stalledDay");  // the day page that never answers; -1: every page answers
    QTest::addColumn<int>("cancelAfterPages");
    QTest::addColumn<int>("requests");
    QTest::newRow("draw lists, after the 10th page") << kChongqing << -1 << 10 << 10 + kMostAhead;
    QTest::newRow("draw lists, while a page never answers") << kChongqing << 3 << 1000 << 4 + kMostAhead;
    QTest::newRow("trend page, read but not yet stored") << "中国福彩3D" << -1 << 1 << 1;
}

void TestHistoryReaders::cancelStoresNothingOfTheLottery()
{
    QFETCH(QString, lottery);
    QFETCH(int, stalledDay);
    QFETCH(int, cancelAfterPages);
    QFETCH(int, requests);
    // Long enough that a cancel which does not reach the waiting download shows as a time-out.
    ReaderHooks hooks = m_hooks;
    hooks.fetchSettings.totalTimeout = std::chrono::milliseconds(60000);
    const auto draws = syntheticDraws(lottery, 150);
    storeDraws(m_folder->path(), lottery, {draws.begin(), draws.begin() + 100});
    if (lottery == kChongqing) {
        for (const auto& [path, page] : drawListSite(lottery, draws, kToday))
            m_server->serve(path, page);
        if (stalledDay >= 0)
            m_server->stall(drawListPath(200, kToday.addDays(-stalledDay)));
    } else {
        m_server->serve("/trend/analyse3d.do?operator=codeTrend", trendPage(draws));
    }

    // The cancel comes from another thread, as the window's does, while the reader waits for a
    // page that never answers, or between pages.
    std::atomic<int> pages = 0;
    hooks.pageRead = [&] { ++pages; };
    hooks.cancelled = [&] {
        return pages >= cancelAfterPages ||
               (stalledDay >= 0 && m_server->requests().contains(drawListPath(200, kToday.addDays(-stalledDay))));
    };
    DrawDatabase db(m_folder->path());
    const LotteryUpdate update = runLotteryReader(db, m_folder->path(), lottery, hooks);

    QVERIFY(update.outcome.cancelled());
    QVERIFY2(!update.outcome.failure(), qPrintable(outcomeLine(update)));
    QCOMPARE(update.outcome.stored(), 0);
    QCOMPARE(outcomeLine(update), lottery + QStringLiteral("：已取消，未存入开奖"));
    QVERIFY(m_server->requests().size() <= requests);
    QCOMPARE(storedPeriodIds(m_folder->path(), lottery), idsOf({draws.begin(), draws.begin() + 100}));
}

QTEST_GUILESS_MAIN(TestHistoryReaders)
#include "test_history_readers.moc"
