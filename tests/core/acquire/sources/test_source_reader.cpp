#include "core/acquire/history_download.h"
#include "core/acquire/history_readers.h"
#include "core/acquire/source_settings.h"
#include "core/acquire/sources/source_reader.h"
#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "support/page_fixtures.h"
#include "support/source_fixtures.h"

#include <QFile>
#include <QStringEncoder>
#include <QTest>
#include <algorithm>
#include <memory>

using namespace fixtures;

namespace {

const QString k3D = QStringLiteral("中国福彩3D");
const QString kPl3 = QStringLiteral("中国体彩排列3");

std::vector<StoredDraw> firstOf(const std::vector<StoredDraw>& draws, std::size_t count)
{
    return {draws.begin(), draws.begin() + std::ptrdiff_t(std::min(count, draws.size()))};
}

}  // namespace

// The built-in sources read as they publish, reached by their own host names on local servers.
class TestSourceReader : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstDownloadFillsBothAndThenAsksOncePerLottery();
    void secondLotteryReadsAsItWouldAlone_data();
    void secondLotteryReadsAsItWouldAlone();
    void cancelAcrossTheOverlapStoresNothingOfTheSecond_data();
    void cancelAcrossTheOverlapStoresNothingOfTheSecond();
    void fileLaggingMoreThanAPagePagesTheListToIt();
    void failedFileIsNamedAndTheListPagedInstead_data();
    void failedFileIsNamedAndTheListPagedInstead();
    void fileDifferingFromTheListIsTold_data();
    void fileDifferingFromTheListIsTold();
    void refusalsStoreNothing_data();
    void refusalsStoreNothing();
    void impossibleStoredNewestIsNamed();
    void pageAnsweredAgainEndsThePaging();
    void redirectToALoginPageIsRefused();
    void retryAfterIsWaitedForOnce();
    void cookiePageIsLoadedWhenTheListRefuses();
    void chosenSourceAnswersJsonp();
    void chosenSourceAnswersCsv_data();
    void chosenSourceAnswersCsv();
    void settingsChooseTheSources();

private:
    ReaderHooks hooks() const;
    std::vector<LotteryUpdate> download(const QStringList& lotteries) const;

    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<OperatorSites> m_sites;
    std::shared_ptr<CookieJar> m_cookies;  // kept across a test's runs, as the program's session keeps it
    std::vector<StoredDraw> m_3d;
    std::vector<StoredDraw> m_pl3;
};

void TestSourceReader::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_sites = std::make_unique<OperatorSites>();
    m_cookies = std::make_shared<CookieJar>();
    m_3d = syntheticDraws(k3D, 7700, 3);
    m_pl3 = syntheticDraws(kPl3, 7700, 4);
    m_sites->serveHistory(k3D, m_3d);
    m_sites->serveHistory(kPl3, m_pl3);
}

void TestSourceReader::cleanup()
{
    m_sites.reset();
    m_cookies.reset();
    m_folder.reset();
}

ReaderHooks TestSourceReader::hooks() const
{
    return m_sites->readerHooks(m_folder->path(), m_cookies);
}

std::vector<LotteryUpdate> TestSourceReader::download(const QStringList& lotteries) const
{
    return downloadHistories(m_folder->path(), lotteries, hooks());
}

void TestSourceReader::firstDownloadFillsBothAndThenAsksOncePerLottery()
{
    // No 数据源.ini: a first start. The operators' lists by default, the whole-history files for
    // what a page of them does not hold.
    const std::vector<LotteryUpdate> first = download({k3D, kPl3});
    QCOMPARE(outcomeLine(first[0]), QStringLiteral("中国福彩3D：新增7700期"));
    QCOMPARE(outcomeLine(first[1]), QStringLiteral("中国体彩排列3：新增7700期"));
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), k3D)), rowsOf(m_3d));
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), kPl3)), rowsOf(m_pl3));
    // A list's first page and a file per lottery.
    QCOMPARE(m_sites->requestCount(), 4);
    // Asked for together, so in either order; each with the headers its source names.
    const QList<QByteArray> heads = m_sites->lists().requestHeads();
    const auto cwl = std::find_if(heads.begin(), heads.end(), [](const QByteArray& head) {
        return head.startsWith("GET " + sourcePath("cwl", k3D, 1).toLatin1() + ' ');
    });
    QVERIFY(cwl != heads.end());
    QVERIFY(cwl->contains("Referer: https://www.cwl.gov.cn/ygkj/wqkjgg/fc3d/"));

    const std::vector<LotteryUpdate> again = download({k3D, kPl3});
    QCOMPARE(outcomeLine(again[0]), QStringLiteral("中国福彩3D：已是最新，没有新的开奖"));
    QCOMPARE(m_sites->requestCount(), 6);

    // The next evening (the 344th day of 2026): one new draw each, one request each.
    m_3d.push_back({QStringLiteral("2026344"), {"4", "5", "6"}});
    m_pl3.push_back({QStringLiteral("2026344"), {"1", "2", "3"}});
    m_sites->serveHistory(k3D, m_3d, 2);
    m_sites->serveHistory(kPl3, m_pl3, 2);
    const std::vector<LotteryUpdate> evening = download({k3D, kPl3});
    QCOMPARE(outcomeLine(evening[0]), QStringLiteral("中国福彩3D：新增1期"));
    QCOMPARE(outcomeLine(evening[1]), QStringLiteral("中国体彩排列3：新增1期"));
    QCOMPARE(m_sites->requestCount(), 8);
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), kPl3)), rowsOf(m_pl3));
}

void TestSourceReader::secondLotteryReadsAsItWouldAlone_data()
{
    // The second lottery's answers are read on another thread while the first is stored; what
    // needs more than those answers (paging on, a wait and a retry) is read again in its turn from
    // the same answers, without asking for them twice. A refused file leaves the list to give the
    // 150 draws it holds.
    QTest::addColumn<int>("fileStatus");  // 0: the file as served
    QTest::addColumn<int>("listStatus");  // 0: the list as served
    QTest::addColumn<QByteArray>("listHeaders");
    QTest::addColumn<QByteArray>("listBody");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("firstPageAsked");
    QTest::newRow("read ahead as is") << 0 << 0 << QByteArray() << QByteArray()
                                      << QStringLiteral("中国体彩排列3：新增7700期") << 1;
    QTest::newRow("file refused, list paged on")
        << 404 << 0 << QByteArray() << QByteArray()
        << QStringLiteral(
               "中国体彩排列3：新增150期；17500全部历史无法下载（服务器答复 HTTP 404），"
               "改从中国体育彩票的列表分页读取150期")
        << 1;
    QTest::newRow("list asks to wait a second")
        << 0 << 429 << QByteArray("Retry-After: 1") << QByteArray() << QStringLiteral("中国体彩排列3：新增7700期") << 2;
    QTest::newRow("list not JSON") << 0 << 200 << QByteArray() << QByteArray("{\"value\": [")
                                   << QStringLiteral(
                                          "中国体彩排列3：失败，中国体育彩票答复的不是有效的JSON（第"
                                          "12个字节处有误）；未存入开奖")
                                   << 1;
}

void TestSourceReader::secondLotteryReadsAsItWouldAlone()
{
    QFETCH(int, fileStatus);
    QFETCH(int, listStatus);
    QFETCH(QByteArray, listHeaders);
    QFETCH(QByteArray, listBody);
    QFETCH(QString, outcome);
    QFETCH(int, firstPageAsked);
    std::vector<StoredDraw> listed = m_pl3;
    if (fileStatus) {
        listed.erase(listed.begin(), listed.end() - 150);
        m_sites->serveHistory(kPl3, listed);
        m_sites->files().answerOnce(sourcePath("17500", kPl3, 1), fileStatus, {}, {});
    }
    if (listStatus)
        m_sites->lists().answerOnce(sourcePath("sporttery", kPl3, 1), listStatus, listHeaders, listBody);
    const std::vector<LotteryUpdate> updates = download({k3D, kPl3});
    QCOMPARE(outcomeLine(updates[0]), QStringLiteral("中国福彩3D：新增7700期"));
    QCOMPARE(outcomeLine(updates[1]), outcome);
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), k3D)), rowsOf(m_3d));
    if (updates[1].outcome.succeeded())
        QCOMPARE(rowsOf(storedDraws(m_folder->path(), kPl3)), rowsOf(listed));
    QCOMPARE(m_sites->files().requests().count(sourcePath("17500", kPl3, 1)), 1);
    QCOMPARE(m_sites->lists().requests().count(sourcePath("sporttery", kPl3, 1)), firstPageAsked);
}

void TestSourceReader::cancelAcrossTheOverlapStoresNothingOfTheSecond_data()
{
    QTest::addColumn<bool>("asSecondBegins");
    QTest::newRow("as the first ends") << false;
    QTest::newRow("as the second begins") << true;
}

void TestSourceReader::cancelAcrossTheOverlapStoresNothingOfTheSecond()
{
    QFETCH(bool, asSecondBegins);
    bool cancelled = false;
    ReaderHooks cancellable = hooks();
    cancellable.cancelled = [&cancelled] { return cancelled; };
    DownloadProgress progress;
    if (asSecondBegins)
        progress.lotteryStarted = [&cancelled](const QString& lottery) { cancelled = lottery == kPl3; };
    else
        progress.lotteryEnded = [&cancelled](int) { cancelled = true; };
    const std::vector<LotteryUpdate> updates = downloadHistories(m_folder->path(), {k3D, kPl3}, cancellable, progress);
    QCOMPARE(outcomeLine(updates[0]), QStringLiteral("中国福彩3D：新增7700期"));
    QVERIFY(updates[1].outcome.cancelled());
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), k3D)), rowsOf(m_3d));
    QVERIFY(storedDraws(m_folder->path(), kPl3).empty());
    QCOMPARE(m_sites->requestCount(), 4);
}

void TestSourceReader::fileLaggingMoreThanAPagePagesTheListToIt()
{
    m_sites->serveHistory(k3D, m_3d, 250);
    const std::vector<LotteryUpdate> updates = download({k3D});
    QCOMPARE(outcomeLine(updates[0]), QStringLiteral("中国福彩3D：新增7700期"));
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), k3D)), rowsOf(m_3d));
    // Three pages of 100 reach back past the file's newest period.
    const QStringList asked = m_sites->lists().requests();
    QCOMPARE(asked, (QStringList{sourcePath("cwl", k3D, 1), sourcePath("cwl", k3D, 2), sourcePath("cwl", k3D, 3)}));
}

void TestSourceReader::failedFileIsNamedAndTheListPagedInstead_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("failure");
    QTest::newRow("not found") << 404 << QByteArray() << QStringLiteral("17500全部历史无法下载（服务器答复 HTTP 404）");
    QTest::newRow("a web page") << 200 << QByteArray("<html>维护中</html>")
                                << QStringLiteral("17500全部历史答复的是网页而不是开奖数据（可能拒绝了本程序的访问）");
}

void TestSourceReader::failedFileIsNamedAndTheListPagedInstead()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, failure);
    const std::vector<StoredDraw> recent(m_3d.end() - 150, m_3d.end());
    m_sites->serveHistory(k3D, recent);
    m_sites->files().answerOnce(sourcePath("17500", k3D, 1), status, {}, body);
    const std::vector<LotteryUpdate> updates = download({k3D});
    QCOMPARE(outcomeLine(updates[0]),
             QStringLiteral("中国福彩3D：新增150期；%1，改从中国福利彩票的列表分页读取150期").arg(failure));
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), k3D)), rowsOf(recent));
    QCOMPARE(m_sites->lists().requests(), (QStringList{sourcePath("cwl", k3D, 1), sourcePath("cwl", k3D, 2)}));
}

void TestSourceReader::fileDifferingFromTheListIsTold_data()
{
    // How far the file lags, and which of its draws differs from the list (counted from its newest).
    QTest::addColumn<int>("fileLag");
    QTest::addColumn<int>("fromNewest");
    QTest::newRow("on the list's first page, read before the file") << 1 << 3;
    // The list's third page comes after the file and must still stand over it.
    QTest::newRow("on a page read after the file") << 250 << 0;
}

void TestSourceReader::fileDifferingFromTheListIsTold()
{
    QFETCH(int, fileLag);
    QFETCH(int, fromNewest);
    std::vector<StoredDraw> filed(m_3d.begin(), m_3d.end() - fileLag);
    StoredDraw& wrong = filed[filed.size() - 1 - std::size_t(fromNewest)];
    const QString listed = wrong.digits.join(QString());
    wrong.digits[0] = QString::number((wrong.digits[0].toInt() + 1) % 10);
    m_sites->files().serve(sourcePath("17500", k3D, 1), wholeHistoryFile(filed));
    const std::vector<LotteryUpdate> updates = download({k3D});
    QCOMPARE(outcomeLine(updates[0]),
             QStringLiteral("中国福彩3D：新增7700期；中国福利彩票与17500全部历史有1期号码不同，存入中国福利彩票的号码"
                            "（第%1期：中国福利彩票为%2，17500全部历史为%3）")
                 .arg(wrong.periodId, listed, wrong.digits.join(QString())));
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), k3D)), rowsOf(m_3d));
}

void TestSourceReader::refusalsStoreNothing_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("failure");
    QTest::newRow("web page with 200") << 200 << QByteArray() << QByteArray("<!DOCTYPE html><html>访问受限</html>")
                                       << QStringLiteral(
                                              "中国福利彩票答复的是网页而不是开奖数据（可能拒绝了本程序的访问）");
    QTest::newRow("empty list") << 200 << QByteArray()
                                << QByteArray(
                                       "{\"state\":0,\"message\":\"查询成功\",\"total\":0,\"pageNum\":0,\"result\":[]}")
                                << QStringLiteral("中国福利彩票答复的开奖列表是空的");
    QTest::newRow("older than stored")
        << 200 << QByteArray() << cwlPage({{"2026001", {"1", "2", "3"}}}, 1, 100)
        << QStringLiteral("中国福利彩票答复的最新一期（第2026001期）早于已存的第2026333期：列表可能已停止更新");
    QByteArray renamed = cwlPage({{"2026350", {"1", "2", "3"}}}, 1, 100);
    renamed.replace("\"code\"", "\"issueNo\"");
    QTest::newRow("field missing in every row")
        << 200 << QByteArray() << renamed
        << QStringLiteral("中国福利彩票答复的列表中每一行都没有“code”（期号）：列表的格式可能已改变");
    QByteArray unreadable = cwlPage({{"2026350", {"1", "2", "3"}}}, 1, 100);
    unreadable.replace("\"1,2,3\"", "[{\"n\":1},{\"n\":2},{\"n\":3}]");
    QTest::newRow("every row unreadable")
        << 200 << QByteArray() << unreadable
        << QStringLiteral(
               "中国福利彩票答复的每一行都读不出开奖（第1行：开奖号码应为文字、数字或数字的列表）：格式可能已改变");
    QTest::newRow("forbidden") << 403 << QByteArray() << QByteArray()
                               << QStringLiteral("中国福利彩票拒绝了访问（HTTP 403）");
    QTest::newRow("too many requests, long wait")
        << 429 << QByteArray("Retry-After: 120") << QByteArray()
        << QStringLiteral("中国福利彩票要求稍后再试（HTTP 429，120秒后），未再请求");
    QTest::newRow("no list") << 200 << QByteArray() << QByteArray("{\"state\":1,\"message\":\"系统繁忙\"}")
                             << QStringLiteral("中国福利彩票答复中没有开奖列表（result）");
}

void TestSourceReader::refusalsStoreNothing()
{
    QFETCH(int, status);
    QFETCH(QByteArray, headers);
    QFETCH(QByteArray, body);
    QFETCH(QString, failure);
    const std::vector<StoredDraw> stored = firstOf(m_3d, 7690);  // up to 2026333
    storeDraws(m_folder->path(), k3D, stored);
    // Every answer the same, the cookie page's retry included.
    for (int i = 0; i < 3; ++i)
        m_sites->lists().answerOnce(sourcePath("cwl", k3D, 1), status, headers, body);
    const std::vector<LotteryUpdate> updates = download({k3D});
    QCOMPARE(outcomeLine(updates[0]), QStringLiteral("中国福彩3D：失败，%1；未存入开奖").arg(failure));
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), k3D)), rowsOf(stored));
}

void TestSourceReader::impossibleStoredNewestIsNamed()
{
    // Stored before periods were checked against the calendar: the stored period is what to mend,
    // not the list that is rightly older than it.
    storeDraws(m_folder->path(), k3D, {{QStringLiteral("2026999"), {"1", "2", "3"}}});
    const std::vector<LotteryUpdate> updates = download({k3D});
    QCOMPARE(outcomeLine(updates[0]),
             QStringLiteral("中国福彩3D：失败，已存的最新期号有误：期号“2026999”的序号999不可能：到2026-12-10为止，"
                            "2026年最多开奖344期。请在“添加开奖”中改正或删除这一期，之后的开奖才能存入；未存入开奖"));
    QCOMPARE(m_sites->requestCount(), 0);
}

void TestSourceReader::pageAnsweredAgainEndsThePaging()
{
    // A source of the user's own whose server ignores the page asked for: the same newest 100
    // come back for every page. The whole-history file lags 250 draws behind.
    QFile added(m_folder->path() + QStringLiteral("开奖来源.json"));
    QVERIFY(added.open(QIODevice::WriteOnly));
    added.write(R"({"sources": [{"id": "same", "name": "同一页", "lotteries": {"fc3d": {"param": "3d"}},
        "url": "https://www.cwl.gov.cn/same.json?page={page}", "format": "json", "list": "result",
        "period": "code", "digits": "red", "periodLength": 7, "order": "newest-first", "pageSize": 100}]})");
    added.close();
    writeSourceSettings(m_folder->path(), defaultSiteHosts(), {}, {{k3D, QStringLiteral("same")}});
    m_sites->serveHistory(k3D, m_3d, 250);
    std::vector<StoredDraw> newestFirst(m_3d.rbegin(), m_3d.rend());
    for (int page = 1; page <= 3; ++page)
        m_sites->lists().serve(QStringLiteral("/same.json?page=%1").arg(page), cwlPage(newestFirst, 1, 100));
    storeDraws(m_folder->path(), k3D, firstOf(m_3d, 7000));
    const std::vector<LotteryUpdate> updates = download({k3D});
    QVERIFY2(outcomeLine(updates[0]).startsWith(QStringLiteral("中国福彩3D：新增550期")),
             qPrintable(outcomeLine(updates[0])));
    QCOMPARE(m_sites->lists().requests(), (QStringList{"/same.json?page=1", "/same.json?page=2"}));
}

void TestSourceReader::redirectToALoginPageIsRefused()
{
    const std::vector<StoredDraw> stored = firstOf(m_pl3, 7690);
    storeDraws(m_folder->path(), kPl3, stored);
    m_sites->lists().redirect(sourcePath("sporttery", kPl3, 1), "/passport/login?next=/history");
    m_sites->lists().serve("/passport/login?next=/history", "<html>请先登录</html>");
    const std::vector<LotteryUpdate> updates = download({kPl3});
    QCOMPARE(outcomeLine(updates[0]), QStringLiteral("中国体彩排列3：失败，中国体育彩票把请求转到了登录页面（/passport/"
                                                     "login），没有给出开奖数据；未存入开奖"));
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), kPl3)), rowsOf(stored));
}

void TestSourceReader::retryAfterIsWaitedForOnce()
{
    storeDraws(m_folder->path(), kPl3, firstOf(m_pl3, 7699));
    m_sites->lists().answerOnce(sourcePath("sporttery", kPl3, 1), 429, "Retry-After: 1", {});
    const std::vector<LotteryUpdate> updates = download({kPl3});
    QCOMPARE(outcomeLine(updates[0]), QStringLiteral("中国体彩排列3：新增1期"));
    QCOMPARE(m_sites->lists().requests(),
             (QStringList{sourcePath("sporttery", kPl3, 1), sourcePath("sporttery", kPl3, 1)}));
}

void TestSourceReader::cookiePageIsLoadedWhenTheListRefuses()
{
    storeDraws(m_folder->path(), k3D, firstOf(m_3d, 7699));
    m_sites->lists().answerOnce(sourcePath("cwl", k3D, 1), 200, {}, "<html><script>document.cookie=…</script></html>");
    m_sites->lists().answerOnce("/ygkj/wqkjgg/fc3d/", 200, "Set-Cookie: HMF_CI=abc123; Path=/", "<html></html>");
    const std::vector<LotteryUpdate> updates = download({k3D});
    QCOMPARE(outcomeLine(updates[0]), QStringLiteral("中国福彩3D：新增1期"));
    const QList<QByteArray> heads = m_sites->lists().requestHeads();
    QCOMPARE(heads.size(), 3);
    QVERIFY(heads[1].startsWith("GET /ygkj/wqkjgg/fc3d/ "));
    QVERIFY(heads[2].contains("Cookie: HMF_CI=abc123"));

    // The next run sends the cookies the page gave at once: one request, not the refusal again.
    const std::vector<LotteryUpdate> again = download({k3D});
    QCOMPARE(outcomeLine(again[0]), QStringLiteral("中国福彩3D：已是最新，没有新的开奖"));
    QCOMPARE(m_sites->lists().requestHeads().size(), 4);
    QVERIFY(m_sites->lists().requestHeads()[3].startsWith("GET " + sourcePath("cwl", k3D, 1).toLatin1() + ' '));
    QVERIFY(m_sites->lists().requestHeads()[3].contains("Cookie: HMF_CI=abc123"));
}

void TestSourceReader::chosenSourceAnswersJsonp()
{
    SourceChoices choices;
    choices.insert(k3D, QStringLiteral("zhcw"));
    writeSourceSettings(m_folder->path(), defaultSiteHosts(), {}, choices);
    storeDraws(m_folder->path(), k3D, firstOf(m_3d, 7680));
    const std::vector<LotteryUpdate> updates = download({k3D});
    QCOMPARE(outcomeLine(updates[0]), QStringLiteral("中国福彩3D：新增20期"));
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), k3D)), rowsOf(m_3d));
    QCOMPARE(m_sites->lists().requests(), QStringList{sourcePath("zhcw", k3D, 1)});
}

void TestSourceReader::chosenSourceAnswersCsv_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("columns found by their names")
        << QStringLiteral("开奖日期,试机号,期号,开奖号码") << QStringLiteral("中国福彩3D：新增2期");
    QTest::newRow("a named column missing")
        << QStringLiteral("开奖日期,试机号,期号,号码")
        << QStringLiteral(
               "中国福彩3D：失败，我的表格答复的表头（开奖日期、试机号、期号、号码）中没有“开奖号码”列；"
               "未存入开奖");
}

void TestSourceReader::chosenSourceAnswersCsv()
{
    // A source of the user's own that answers a GBK table with a header, the test draw beside the draw.
    QFETCH(QString, header);
    QFETCH(QString, outcome);
    QFile added(m_folder->path() + QStringLiteral("开奖来源.json"));
    QVERIFY(added.open(QIODevice::WriteOnly));
    added.write(R"({"sources": [{"id": "table", "name": "我的表格", "lotteries": {"fc3d": {"param": "3d"}},
        "url": "https://www.cwl.gov.cn/history/{param}.csv", "format": "csv", "encoding": "gbk",
        "period": "期号", "digits": "开奖号码", "order": "oldest-first"}]})");
    added.close();
    writeSourceSettings(m_folder->path(), defaultSiteHosts(), {}, {{k3D, QStringLiteral("table")}});
    storeDraws(m_folder->path(), k3D, firstOf(m_3d, 7698));
    QString table = header + u'\n';
    for (auto draw = m_3d.end() - 5; draw != m_3d.end(); ++draw)
        table += QStringLiteral("2026-01-01,000,%1,%2\n").arg(draw->periodId, draw->digits.join(QString()));
    QStringEncoder gbk("GBK");
    m_sites->lists().serve(QStringLiteral("/history/3d.csv"), gbk.encode(table));
    const std::vector<LotteryUpdate> updates = download({k3D});
    QCOMPARE(outcomeLine(updates[0]), outcome);
    if (outcome.contains(QStringLiteral("新增")))
        QCOMPARE(rowsOf(storedDraws(m_folder->path(), k3D)), rowsOf(m_3d));
}

void TestSourceReader::settingsChooseTheSources()
{
    // An address of its own stays; what the file says nothing of gets its operator's list.
    writeSourceSettings(m_folder->path(), defaultSiteHosts(), {{k3D, QStringLiteral("https://own.test/3d.json")}});
    Sources sources = readSources(m_folder->path());
    QCOMPARE(sources.describedSource(k3D), nullptr);
    QCOMPARE(sources.describedSource(kPl3)->id, QStringLiteral("sporttery"));
    QCOMPARE(sources.describedSource(QStringLiteral("重庆时时彩")), nullptr);
    QCOMPARE(pagesPerRun(QStringLiteral("重庆时时彩"), sources), 50);

    writeSourceSettings(m_folder->path(), defaultSiteHosts(), {}, {{kPl3, kSitePagesChoice}});
    sources = readSources(m_folder->path());
    QCOMPARE(sources.describedSource(kPl3), nullptr);
    QCOMPARE(sources.describedSource(k3D)->id, QStringLiteral("cwl"));

    writeSourceSettings(m_folder->path(), defaultSiteHosts(), {}, {{kPl3, QStringLiteral("cwl")}});
    try {
        readSources(m_folder->path());
        QFAIL("a source that does not serve the lottery was taken");
    } catch (const UserError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("[sources] pl3（中国体彩排列3）的来源“cwl”不提供这种彩票的开奖")),
                 qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(TestSourceReader)
#include "test_source_reader.moc"
