#include "core/acquire/feed_reader.h"
#include "core/acquire/gap_fill.h"
#include "core/acquire/history_readers.h"
#include "core/acquire/page_fetch.h"
#include "core/acquire/site_paths.h"
#include "core/acquire/source_hosts.h"
#include "core/store/draw_database.h"
#include "support/feed_fixtures.h"
#include "support/local_http_server.h"
#include "support/page_fixtures.h"

#include <QSqlQuery>
#include <QTest>
#include <future>
#include <memory>

using namespace fixtures;

namespace {

const QString kChongqing = QStringLiteral("重庆时时彩");

// 重庆时时彩 of 2026-12-07 to 2026-12-09, 120 draws a day.
std::vector<StoredDraw> threeDays()
{
    return syntheticDraws(kChongqing, 360);
}

QStringList rowsOf(const QString& programDir)
{
    DrawDatabase db(programDir);
    QSqlQuery query = db.selectDraws(kChongqing);
    QStringList rows;
    while (query.next()) {
        QString row = query.value(0).toString() + u' ';
        for (int k = 1; k <= 5; ++k)
            row += query.value(k).toString();
        rows << row;
    }
    return rows;
}

std::vector<StoredDraw> without(const std::vector<StoredDraw>& draws, const QStringList& ids)
{
    std::vector<StoredDraw> kept;
    for (const StoredDraw& draw : draws) {
        if (!ids.contains(draw.periodId))
            kept.push_back(draw);
    }
    return kept;
}

}  // namespace

class TestGapFill : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fillsMissingPeriodsDayByDay();
    void fillsTheStartOfALaterDayOnly();
    void fillsFromAWorkerThread();
    void cancelKeepsTheDaysFinishedBeforeIt();
    void downloadLineTellsOfGapsInItsDays();
    void feedJump_data();
    void feedJump();

private:
    void serveSite(const std::vector<StoredDraw>& draws);

    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<LocalHttpServer> m_server;
    // What each reader is handed: the server as the day pages and the feed, short time-outs and
    // kToday.
    ReaderHooks m_hooks;
};

void TestGapFill::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_server = std::make_unique<LocalHttpServer>();
    m_hooks = hooksOnServer(*m_server, {PageSite::DrawList, PageSite::Feed});
}

void TestGapFill::cleanup()
{
    m_server.reset();
    m_folder.reset();
}

void TestGapFill::serveSite(const std::vector<StoredDraw>& draws)
{
    for (const auto& [path, page] : drawListSite(kChongqing, draws, kToday))
        m_server->serve(path, page);
}

void TestGapFill::fillsMissingPeriodsDayByDay()
{
    const auto draws = threeDays();
    const QStringList missing{"20261207010", "20261207011", "20261207012", "20261208050", "20261209100", "20261209101"};
    storeDraws(m_folder->path(), kChongqing, without(draws, missing));
    // The site disagrees about a stored draw: what is stored stays.
    auto site = draws;
    site[4].digits = QStringList{"9", "9", "9", "9", "9"};
    serveSite(site);
    m_server->failWithStatus(drawListPath(200, QDate(2026, 12, 8)), 500);

    DrawDatabase db(m_folder->path());
    const GapFill fill = fillGaps(db, kChongqing, m_hooks);
    QCOMPARE(gapFillReport(fill),
             (QStringList{
                 "补齐完成！", "", "2026-12-07：补齐3期",
                 "2026-12-08：失败（2026-12-08的开奖页面无法下载（服务器答复 HTTP 500）），补齐0期，仍缺1期（第050期）",
                 "2026-12-09：补齐2期", "", "共补齐5期，仍缺1期"}));
    QCOMPARE(rowsOf(m_folder->path()), rowsOf(without(draws, {"20261208050"})));
    QCOMPARE(m_server->requests().size(), 3);
}

void TestGapFill::fillsTheStartOfALaterDayOnly()
{
    // The oldest stored day may have been cut by the cap: its start is not asked for.
    const auto draws = threeDays();
    storeDraws(m_folder->path(), kChongqing, without(draws, {"20261207001", "20261209001", "20261209002"}));
    serveSite(draws);
    DrawDatabase db(m_folder->path());
    QCOMPARE(gapFillReport(fillGaps(db, kChongqing, m_hooks)),
             (QStringList{"补齐完成！", "", "2026-12-09：补齐2期", "", "共补齐2期，仍缺0期"}));
    QCOMPARE(rowsOf(m_folder->path()), rowsOf(without(draws, {"20261207001"})));
}

void TestGapFill::fillsFromAWorkerThread()
{
    // The data window's own connection stays open on its thread meanwhile; the fill must not use it.
    const auto draws = threeDays();
    storeDraws(m_folder->path(), kChongqing, without(draws, {"20261208050"}));
    serveSite(draws);
    DrawDatabase windows(m_folder->path());
    auto fill =
        std::async(std::launch::async, [&] { return fillGapsInDataFolder(m_folder->path(), kChongqing, m_hooks); });
    QCOMPARE(fill.get().filled(), 1);
    QCOMPARE(windows.storedPeriodIds(kChongqing).size(), 360);
}

void TestGapFill::cancelKeepsTheDaysFinishedBeforeIt()
{
    const auto draws = threeDays();
    const QStringList missing{"20261207010", "20261208050", "20261208051", "20261209100"};
    storeDraws(m_folder->path(), kChongqing, without(draws, missing));
    serveSite(draws);

    // The cancel comes while the second day's page is read: that day is dropped whole, the third
    // is abandoned, asked for or not.
    int pagesRead = 0;
    ReaderHooks hooks = m_hooks;
    hooks.pageRead = [&] { ++pagesRead; };
    hooks.cancelled = [&] { return pagesRead >= 2; };
    DrawDatabase db(m_folder->path());
    const GapFill fill = fillGaps(db, kChongqing, hooks);
    QCOMPARE(gapFillReport(fill), (QStringList{"补齐已取消！", "", "2026-12-07：补齐1期",
                                               "已取消，余下的2天未补（缺3期）", "", "共补齐1期，仍缺3期"}));
    QCOMPARE(rowsOf(m_folder->path()), rowsOf(without(draws, missing.mid(1))));
}

void TestGapFill::downloadLineTellsOfGapsInItsDays()
{
    const auto draws = threeDays();
    storeDraws(m_folder->path(), kChongqing, without(draws, {"20261209007", "20261209008"}));
    serveSite(draws);
    DrawDatabase db(m_folder->path());
    const LotteryUpdate update = DrawListScan(db, m_folder->path(), kChongqing, m_hooks);
    QCOMPARE(outcomeLine(update), QStringLiteral("重庆时时彩：已是最新，没有新的开奖；仍缺2期，可在数据窗口补齐"));
}

void TestGapFill::feedJump_data()
{
    QTest::addColumn<QString>("storedUpTo");
    QTest::addColumn<QStringList>("notInFeed");
    QTest::addColumn<bool>("pageFails");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("stillMissing");
    QTest::addColumn<QString>("line");
    // The feed lists 2026-12-09 021 to 040; the table stops before it.
    QTest::newRow("across a day") << "20261208030" << QStringList{} << false << 20 + 90 + 20 << 0
                                  << "重庆时时彩：新增130期";
    QTest::newRow("a hole in the feed, day page failing")
        << "20261209020" << QStringList{"20261209025"} << true << 19 << 1
        << "重庆时时彩：失败，补齐2026-12-09时2026-12-09的开奖页面无法下载（服务器答复 HTTP 503）；之前的19期已存入；"
           "仍缺1期，可在数据窗口补齐";
    QTest::newRow("follows on: no page read")
        << "20261209020" << QStringList{} << true << 20 << 0 << "重庆时时彩：新增20期";
}

void TestGapFill::feedJump()
{
    QFETCH(QString, storedUpTo);
    QFETCH(QStringList, notInFeed);
    QFETCH(bool, pageFails);
    QFETCH(int, stored);
    QFETCH(int, stillMissing);
    QFETCH(QString, line);
    const auto draws = between(threeDays(), "20261207001", "20261209040");
    storeDraws(m_folder->path(), kChongqing, between(draws, "20261207001", storedUpTo));
    const auto inFeed = without(between(draws, "20261209021", "20261209040"), notInFeed);
    m_server->serve(feedPathOf(kChongqing), feedDocument(kChongqing, {inFeed.rbegin(), inFeed.rend()}));
    serveSite(draws);
    if (pageFails)
        m_server->failWithStatus(drawListPath(200, kToday), 503);

    DrawDatabase db(m_folder->path());
    const QString newest = db.newestPeriodId(kChongqing);
    LotteryUpdate update = readLotteryFeed(db, kChongqing, newest, m_hooks);
    fillFeedJump(db, newest, update, m_hooks);
    QCOMPARE(update.outcome.stored(), stored);
    QCOMPARE(update.stillMissing, stillMissing);
    QCOMPARE(outcomeLine(update), line);
    if (!pageFails)
        QCOMPARE(rowsOf(m_folder->path()), rowsOf(draws));
    if (notInFeed.isEmpty() && pageFails)
        QCOMPARE(m_server->requests(), QStringList{feedPathOf(kChongqing)});
}

QTEST_GUILESS_MAIN(TestGapFill)
#include "test_gap_fill.moc"
