#include "core/acquire/gap_fill.h"
#include "core/acquire/history_readers.h"
#include "core/acquire/json_draws.h"
#include "core/acquire/page_fetch.h"
#include "core/acquire/url_source.h"
#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "support/file_fixtures.h"
#include "support/local_http_server.h"
#include "support/page_fixtures.h"

#include <QTest>
#include <memory>

using namespace fixtures;

namespace {

const QString kChongqing = QStringLiteral("重庆时时彩");
const QString k3D = QStringLiteral("中国福彩3D");

// A JSON list as the web sources give it: {"data":[{"expect":…,"opencode":"d,d,d,d,d"},…]}.
QByteArray jsonOf(const std::vector<StoredDraw>& draws, const QByteArray& more = {})
{
    QByteArrayList rows;
    for (const StoredDraw& draw : draws)
        rows << R"({"expect":")" + draw.periodId.toLatin1() + R"(","opencode":")" + draw.digits.join(u',').toLatin1() +
                    R"(","opentime":"2026-12-09 10:00:00"})";
    if (!more.isEmpty())
        rows << more;
    return R"({"code":0,"data":[)" + rows.join(',') + "]}";
}

QStringList drawsOf(const ParsedDrawFile& parsed)
{
    QStringList rows;
    for (const ImportedDraw& draw : parsed.draws)
        rows << draw.periodId + u' ' + draw.digits;
    return rows;
}

std::vector<StoredDraw> without(std::vector<StoredDraw> draws, const QStringList& ids)
{
    std::erase_if(draws, [&](const StoredDraw& draw) { return ids.contains(draw.periodId); });
    return draws;
}

}  // namespace

class TestUrlSource : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readsEveryShape_data();
    void readsEveryShape();
    void refusesWhatIsNoDrawList_data();
    void refusesWhatIsNoDrawList();
    void storesOnlyWhatTheTableLacks();
    void readsADrawFile();
    void readsADrawListOverHttps();
    void sizeCap_data();
    void sizeCap();
    void failures_data();
    void failures();
    void hostileDocuments_data();
    void hostileDocuments();
    void cancelStoresNothing();
    void drawsBeyondTheTablesKeepAreNotNew();
    void fillGapsReadsTheAddressOnce();
    void fillGapsFromAFailingAddressSaysWhy();

private:
    QString serve(const QByteArray& body);

    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<LocalHttpServer> m_server;
    // What each reader is handed: the server as every site, and the addresses the tests set.
    ReaderHooks m_hooks;
};

void TestUrlSource::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_server = std::make_unique<LocalHttpServer>();
    m_hooks = {};
    m_hooks.today = kToday;
    m_hooks.fetchSettings.connectTimeout = std::chrono::milliseconds(2000);
    m_hooks.fetchSettings.totalTimeout = std::chrono::milliseconds(5000);
    // No site is asked: a request to one would fail the comparisons of the requests.
    m_hooks.sources.hosts.fill(m_server->hostAndPort());
}

void TestUrlSource::cleanup()
{
    m_server.reset();
    m_folder.reset();
}

QString TestUrlSource::serve(const QByteArray& body)
{
    m_server->serve("/draws?lottery=cqssc", body);
    return QStringLiteral("http://%1/draws?lottery=cqssc").arg(m_server->hostAndPort());
}

void TestUrlSource::readsEveryShape_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("draws");
    const QStringList one{"20261209001 12345"};
    QTest::newRow("list at the top") << QByteArray(R"([{"expect":"20261209001","opencode":"1,2,3,4,5"}])") << one;
    QTest::newRow("under data, digits apart by blanks")
        << QByteArray(R"({"data":[{"expect":"20261209001","opencode":"1 2 3 4 5"}]})") << one;
    QTest::newRow("under list, issue and code run together")
        << QByteArray(R"({"list":[{"issue":"20261209001","code":"12345"}]})") << one;
    QTest::newRow("under result, numbers as a list, period a number")
        << QByteArray(R"({"result":[{"period":20261209001,"numbers":[1,2,3,4,5]}]})") << one;
    QTest::newRow("under rows, Chinese keys, dashed period")
        << QByteArray(R"({"rows":[{"期号":"20261209-001","号码":"1,2,3,4,5"}]})") << one;
    QTest::newRow("one object deeper") << QByteArray(
                                              R"({"result":{"data":[{"expect":"20261209001","opencode":"12345"}]}})")
                                       << one;
    QTest::newRow("keys in any case, year without its century")
        << QByteArray(R"({"Data":[{"Expect":"261209001","openCode":"1,2,3,4,5"}]})") << one;
    QTest::newRow("byte order mark and blanks before")
        << QByteArray(
               "\xEF\xBB\xBF  \n"
               R"([{"expect":"20261209001","opencode":["1","2","3","4","5"]}])")
        << one;
    QTest::newRow("a status field named result beside the list")
        << QByteArray(R"({"result":"ok","rows":[{"expect":"20261209001","opencode":"1,2,3,4,5"}]})") << one;
    QTest::newRow("draw file as exported") << QByteArray("20261209001 12345\n20261209002 5,4,3,2,1\n")
                                           << QStringList{"20261209001 12345", "20261209002 54321"};
    QTest::newRow("CSV with a header") << QByteArray("期号,开奖号码\n20261209001,1 2 3 4 5\n") << one;
}

void TestUrlSource::readsEveryShape()
{
    QFETCH(QByteArray, document);
    QFETCH(QStringList, draws);
    const ParsedDrawFile parsed = readDrawDocument(document, *findLottery(kChongqing), kToday);
    QCOMPARE(drawsOf(parsed), draws);
    QCOMPARE(parsed.malformed.size(), std::size_t(0));
}

void TestUrlSource::refusesWhatIsNoDrawList_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("message");
    QTest::newRow("broken JSON") << QByteArray(R"({"data":[{"expect":"20261209001",}]})")
                                 << "内容不是有效的JSON（第35个字节处有误）";
    QTest::newRow("no list where one is looked for")
        << QByteArray(R"({"draws":[{"expect":"20261209001","opencode":"12345"}]})")
        << "JSON中没有开奖列表（应在顶层或 data、list、result、rows 之下）";
    QTest::newRow("list two objects deep") << QByteArray(R"({"data":{"result":{"list":[]}}})")
                                           << "JSON中没有开奖列表（应在顶层或 data、list、result、rows 之下）";
}

void TestUrlSource::refusesWhatIsNoDrawList()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, message);
    QCOMPARE(errorOf([&] { readDrawDocument(document, *findLottery(kChongqing), kToday); }), message);
}

void TestUrlSource::storesOnlyWhatTheTableLacks()
{
    const auto draws = syntheticDraws(kChongqing, 6);  // 20261209115 … 120
    storeDraws(m_folder->path(), kChongqing, {draws[0], draws[1], draws[2]});
    auto served = draws;
    served[1].digits = QStringList{"9", "9", "9", "9", "9"};
    // Besides the new and the conflicting: a period of a day not drawn yet, one that is no
    // number, a row without digits, digits too few, a row that is no object.
    const QByteArray refused = R"({"expect":"20261211001","opencode":"1,2,3,4,5"},)"
                               R"({"expect":"第一期","opencode":"1,2,3,4,5"},)"
                               R"({"expect":"20261209099"},)"
                               R"({"expect":"20261209098","opencode":[1,2,3]},)"
                               R"("20261209097 12345")";
    m_hooks.sources.drawUrls.insert(kChongqing, serve(jsonOf(served, refused)));

    DrawDatabase db(m_folder->path());
    const LotteryUpdate first = runLotteryReader(db, m_folder->path(), kChongqing, m_hooks);
    // The first rows refused are told with their reasons, the rest counted.
    const QString unreadable = QStringLiteral(
        "5行无法识别（第7行：期号“20261211001”的日期2026-12-11还没到（今天是2026-12-09）；第8行：期号“第一期”不是数字；"
        "第9行：缺少开奖号码（opencode、code、numbers 或 号码）；另有2行）");
    QCOMPARE(outcomeLine(first), QStringLiteral("重庆时时彩：新增3期；1期与已存号码不同（未改动）；") + unreadable);
    QCOMPARE(QStringList(rowsOf(storedDraws(m_folder->path(), kChongqing))), rowsOf(draws));
    const LotteryUpdate again = runLotteryReader(db, m_folder->path(), kChongqing, m_hooks);
    QCOMPARE(outcomeLine(again),
             QStringLiteral("重庆时时彩：已是最新，没有新的开奖；1期与已存号码不同（未改动）；") + unreadable);
    QCOMPARE(m_server->requests(), QStringList(2, "/draws?lottery=cqssc"));
}

void TestUrlSource::readsADrawFile()
{
    storeDraws(m_folder->path(), k3D, {{"2026001", {"1", "2", "3"}}});
    m_server->serve("/3d.txt", "# 福彩3D\n2026001 123\n2026002 4,5,6\n26003 789\n");
    m_hooks.sources.drawUrls.insert(k3D, QStringLiteral("http://%1/3d.txt").arg(m_server->hostAndPort()));
    DrawDatabase db(m_folder->path());
    const LotteryUpdate update = runLotteryReader(db, m_folder->path(), k3D, m_hooks);
    QCOMPARE(outcomeLine(update), QStringLiteral("中国福彩3D：新增2期"));
    QCOMPARE(storedPeriodIds(m_folder->path(), k3D), (QStringList{"2026001", "2026002", "2026003"}));
    QCOMPARE(pagesPerRun(k3D, m_hooks.sources), 1);
}

void TestUrlSource::readsADrawListOverHttps()
{
    // Behind HTTPS, from a server whose certificate the tests' own authority signed; one no
    // authority vouches for is refused, naming its host, and stores nothing.
    m_hooks.fetchSettings.caFile = LocalHttpServer::tlsAuthorityFile();
    LocalHttpServer trusted(LocalHttpServer::Tls::Trusted);
    LocalHttpServer stranger(LocalHttpServer::Tls::Stranger);
    const auto draws = syntheticDraws(kChongqing, 3);
    trusted.serve("/draws.json", jsonOf(draws, {}));
    stranger.serve("/draws.json", jsonOf(draws, {}));
    DrawDatabase db(m_folder->path());
    m_hooks.sources.drawUrls.insert(kChongqing, stranger.hostAndPort() + "/draws.json");
    const LotteryUpdate refused = runLotteryReader(db, m_folder->path(), kChongqing, m_hooks);
    m_hooks.sources.drawUrls.insert(kChongqing, trusted.hostAndPort() + "/draws.json");
    const LotteryUpdate read = runLotteryReader(db, m_folder->path(), kChongqing, m_hooks);

    QVERIFY2(refused.outcome.failure() && refused.outcome.failure()->contains(stranger.hostAndPort().mid(8) +
                                                                              QStringLiteral(" 的证书未通过验证")),
             qPrintable(outcomeLine(refused)));
    QVERIFY(stranger.requests().isEmpty());
    QCOMPARE(outcomeLine(read), QStringLiteral("重庆时时彩：新增3期"));
    QCOMPARE(QStringList(rowsOf(storedDraws(m_folder->path(), kChongqing))), rowsOf(draws));
}

void TestUrlSource::sizeCap_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("line");
    QTest::newRow("20 MB is read") << kMaxDrawDocumentBytes << "重庆时时彩：新增1期";
    QTest::newRow("a byte more is refused")
        << kMaxDrawDocumentBytes + 1 << "重庆时时彩：失败，开奖数据网址的内容过大（超过20 MB），未读取；未存入开奖";
}

void TestUrlSource::sizeCap()
{
    QFETCH(qint64, size);
    QFETCH(QString, line);
    const QByteArray head = R"([{"expect":"20261209001","opencode":"1,2,3,4,5","note":")";
    const QByteArray tail = R"("}])";
    m_hooks.sources.drawUrls.insert(kChongqing, serve(head + QByteArray(size - head.size() - tail.size(), 'x') + tail));
    DrawDatabase db(m_folder->path());
    QCOMPARE(outcomeLine(runLotteryReader(db, m_folder->path(), kChongqing, m_hooks)), line);
}

void TestUrlSource::failures_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("line");
    QTest::newRow("not found") << 404 << QByteArray()
                               << "重庆时时彩：失败，开奖数据网址无法下载（服务器答复 HTTP 404）；未存入开奖";
    QTest::newRow("an HTML page")
        << 200 << QByteArray("<html>\n<body>维护中</body>\n</html>\n")
        << "重庆时时彩：失败，网址的内容中没有找到开奖号码；未存入开奖；2行无法识别（第2行：期号"
           "“<body>维护中</body>”不是数字；第3行：期号“</html>”不是数字）";
    QTest::newRow("an empty list") << 200 << QByteArray(R"({"data":[]})")
                                   << "重庆时时彩：失败，网址的内容中没有找到开奖号码；未存入开奖";
    QTest::newRow("broken JSON") << 200 << QByteArray("[{")
                                 << "重庆时时彩：失败，内容不是有效的JSON（第3个字节处有误）；未存入开奖";
}

void TestUrlSource::failures()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, line);
    const auto stored = syntheticDraws(kChongqing, 3);
    storeDraws(m_folder->path(), kChongqing, stored);
    const QString url = serve(body);
    if (status != 200)
        m_server->failWithStatus("/draws?lottery=cqssc", status);
    m_hooks.sources.drawUrls.insert(kChongqing, url);
    DrawDatabase db(m_folder->path());
    QCOMPARE(outcomeLine(runLotteryReader(db, m_folder->path(), kChongqing, m_hooks)), line);
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), kChongqing)), rowsOf(stored));
}

void TestUrlSource::hostileDocuments_data()
{
    QTest::addColumn<QString>("lottery");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("encoding");  // the Content-Encoding the server says
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("line");
    // A period that cannot exist yet would shut out every real draw after it.
    QTest::newRow("a 3D period beyond the days of the year")
        << k3D << QByteArray(R"({"data":[{"expect":"2026999","opencode":"1,2,3"}]})") << QByteArray() << QStringList()
        << "中国福彩3D：失败，网址的内容中没有找到开奖号码；未存入开奖；1行无法识别（第1行：期号“2026999”的序号999不可"
           "能：到"
           "2026-12-10为止，2026年最多开奖344期）";
    QTest::newRow("a 时时彩 period beyond the day's count")
        << kChongqing
        << QByteArray(R"({"data":[{"expect":"20261209999","opencode":"1,2,3,4,5"},)"
                      R"({"expect":"20261209001","opencode":"1,2,3,4,5"}]})")
        << QByteArray() << QStringList{"20261209001 12345"}
        << "重庆时时彩：新增1期；1行无法识别（第1行：期号“20261209999”的序号999不可能：每天最多开奖120期）";
    // Either listing may be the wrong one.
    QTest::newRow("a period listed twice with other digits")
        << kChongqing
        << QByteArray(R"([{"expect":"20261209001","opencode":"1,2,3,4,5"},{"expect":"20261209002","opencode":"22222"},)"
                      R"({"expect":"20261209001","opencode":"9,9,9,9,9"}])")
        << QByteArray() << QStringList{"20261209002 22222"}
        << "重庆时时彩：新增1期；2行无法识别（第1行：第20261209001期在第3行另有不同的号码，两行都不存入；第3行：第20261"
           "209001期"
           "与第1行的号码不同（12345、99999），两行都不存入）";
    QTest::newRow("JSON nested too deep to read")
        << kChongqing << QByteArray(100000, '[') + QByteArray(100000, ']') << QByteArray() << QStringList()
        << "重庆时时彩：失败，JSON嵌套过深（第1026个字节处超过了可读的层数），不是开奖列表；未存入开奖";
    QTest::newRow("gzip the server says")
        << kChongqing << gzipped(R"([{"expect":"20261209001","opencode":"1,2,3,4,5"}])") << QByteArray("gzip")
        << QStringList{"20261209001 12345"} << "重庆时时彩：新增1期";
    QTest::newRow("gzip the server does not say")
        << kChongqing << gzipped(R"([{"expect":"20261209001","opencode":"1,2,3,4,5"}])") << QByteArray()
        << QStringList()
        << "重庆时时彩：失败，开奖数据网址的内容是gzip压缩数据，而服务器没有声明压缩（Content-Encoding），无法读取；"
           "未存入开奖";
}

void TestUrlSource::hostileDocuments()
{
    QFETCH(QString, lottery);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, encoding);
    QFETCH(QStringList, stored);
    QFETCH(QString, line);
    m_server->serveEncoded("/draws?lottery=cqssc", body, encoding);
    m_hooks.sources.drawUrls.insert(lottery,
                                    QStringLiteral("http://%1/draws?lottery=cqssc").arg(m_server->hostAndPort()));
    DrawDatabase db(m_folder->path());
    QCOMPARE(outcomeLine(runLotteryReader(db, m_folder->path(), lottery, m_hooks)), line);
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), lottery)), stored);
}

void TestUrlSource::cancelStoresNothing()
{
    m_server->stall("/draws?lottery=cqssc");
    m_hooks.sources.drawUrls.insert(kChongqing,
                                    QStringLiteral("http://%1/draws?lottery=cqssc").arg(m_server->hostAndPort()));
    ReaderHooks hooks = m_hooks;
    hooks.cancelled = [&] { return m_server->requests().size() == 1; };
    DrawDatabase db(m_folder->path());
    const LotteryUpdate update = runLotteryReader(db, m_folder->path(), kChongqing, hooks);
    QVERIFY(update.outcome.cancelled());
    QCOMPARE(outcomeLine(update), QStringLiteral("重庆时时彩：已取消，未存入开奖"));
    QVERIFY(storedDraws(m_folder->path(), kChongqing).empty());
}

void TestUrlSource::drawsBeyondTheTablesKeepAreNotNew()
{
    // The table is full: 100 older draws would be deleted at the next load, only the newest counts;
    // the others are said to be left out.
    const auto draws = syntheticDraws(kChongqing, 10101);
    storeDraws(m_folder->path(), kChongqing, std::vector<StoredDraw>(draws.begin() + 100, draws.end() - 1));
    m_hooks.sources.drawUrls.insert(kChongqing, serve(jsonOf(draws)));
    DrawDatabase db(m_folder->path());
    QCOMPARE(outcomeLine(runLotteryReader(db, m_folder->path(), kChongqing, m_hooks)),
             QStringLiteral("重庆时时彩：新增1期；较早的100期超出保留的最新10000期，未存入"));
    QCOMPARE(storedPeriodIds(m_folder->path(), kChongqing).constLast(), draws.back().periodId);
}

void TestUrlSource::fillGapsReadsTheAddressOnce()
{
    // 2026-12-08 and 2026-12-09; the address also disagrees about a stored draw and has one the
    // table lacks after its newest: 补齐 stores the missing ones only.
    const auto draws = syntheticDraws(kChongqing, 240);
    const QStringList missing{"20261208010", "20261208011", "20261209050"};
    storeDraws(m_folder->path(), kChongqing, without(without(draws, missing), {draws.back().periodId}));
    auto served = draws;
    served[3].digits = QStringList{"9", "9", "9", "9", "9"};
    m_hooks.sources.drawUrls.insert(kChongqing, serve(jsonOf(served)));
    DrawDatabase db(m_folder->path());
    const GapFill fill = fillGaps(db, kChongqing, m_hooks);
    QCOMPARE(gapFillReport(fill),
             (QStringList{"补齐完成！", "", "2026-12-08：补齐2期", "2026-12-09：补齐1期", "", "共补齐3期，仍缺0期"}));
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), kChongqing)), rowsOf(without(draws, {draws.back().periodId})));
    QCOMPARE(m_server->requests(), QStringList{"/draws?lottery=cqssc"});
}

void TestUrlSource::fillGapsFromAFailingAddressSaysWhy()
{
    const auto draws = syntheticDraws(kChongqing, 20);
    const auto stored = without(draws, {"20261209105"});
    storeDraws(m_folder->path(), kChongqing, stored);
    m_hooks.sources.drawUrls.insert(kChongqing, serve({}));
    m_server->failWithStatus("/draws?lottery=cqssc", 500);
    DrawDatabase db(m_folder->path());
    QCOMPARE(errorOf([&] { fillGaps(db, kChongqing, m_hooks); }),
             QStringLiteral("开奖数据网址无法下载（服务器答复 HTTP 500）"));
    QCOMPARE(rowsOf(storedDraws(m_folder->path(), kChongqing)), rowsOf(stored));
}

QTEST_MAIN(TestUrlSource)
#include "test_url_source.moc"
