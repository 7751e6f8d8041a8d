#include "core/acquire/feed_reader.h"
#include "core/acquire/source_hosts.h"
#include "core/store/draw_database.h"
#include "support/feed_fixtures.h"
#include "support/local_http_server.h"
#include "support/optional_text.h"

#include <QTest>

using namespace fixtures;

namespace {

const QString kChongqing = QStringLiteral("重庆时时彩");
const QString kJiangxi = QStringLiteral("江西时时彩");
const QString kShanghai = QStringLiteral("上海时时彩");

QByteArray documentOf(const QByteArrayList& rows, const QByteArray& root = "xml")
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<" + root + ">\n  " + rows.join("\n  ") + "\n</" + root + ">\n";
}

// "period digits" per draw, in the order they would be appended.
QStringList shown(const std::vector<PageDraw>& draws)
{
    QStringList lines;
    for (const PageDraw& draw : draws)
        lines << draw.periodId + QLatin1Char(' ') + draw.digits.join(QString());
    return lines;
}

}  // namespace

class TestFeedReader : public QObject {
    Q_OBJECT

private slots:
    void joinedTextIsTheWrittenDocumentWithoutBlanks();
    void rowScan_data();
    void rowScan();
    void documentThatIsNotWellFormed_data();
    void documentThatIsNotWellFormed();
    void nothingOutsideTheDocumentIsFetched();
    void feedWithoutDrawsIsAFailure_data();
    void feedWithoutDrawsIsAFailure();
};

void TestFeedReader::joinedTextIsTheWrittenDocumentWithoutBlanks()
{
    // Single quotes, blanks around "=" and a line break inside the tag are gone once the parser
    // has written the document back out.
    const QByteArray document =
        "<?xml version='1.0'?>\r\n<xml>\n\t<row\n   expect = '20261209001'\topencode='1,2,3,4,5' "
        "/>\n</xml>\n";
    QCOMPARE(
        feedJoinedText(document),
        QStringLiteral(
            "<?xmlversion=\"1.0\"encoding=\"UTF-8\"?><xml><rowexpect=\"20261209001\"opencode=\"1,2,3,4,5\"/></xml>"));
}

void TestFeedReader::rowScan_data()
{
    QTest::addColumn<QString>("lottery");
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("newest");
    QTest::addColumn<QStringList>("draws");
    QTest::addColumn<QString>("failure");

    QTest::newRow("five digits, empty table: every row in feed order")
        << kChongqing
        << documentOf({feedRow(kChongqing, "20261209003", "31415"), feedRow(kChongqing, "20261209002", "92653"),
                       feedRow(kChongqing, "20261209001", "58979")})
        << "0" << QStringList{"20261209003 31415", "20261209002 92653", "20261209001 58979"} << QString();
    QTest::newRow("上海: ten-character periods, three digits from offset 29")
        << kShanghai << documentOf({feedRow(kShanghai, "2026120923", "271"), feedRow(kShanghai, "2026120922", "828")})
        << "2026120921" << QStringList{"2026120923 271", "2026120922 828"} << QString();
    QTest::newRow("written with single quotes and line breaks")
        << kJiangxi
        << QByteArray(
               "<?xml version='1.0' encoding='utf-8'?><xml>\n<row\n\texpect='20261209084'\n\topencode = "
               "'0,9,8,7,6'\n\topentime='2026-12-09 23:00:00'/></xml>")
        << "0" << QStringList{"20261209084 09876"} << QString();
    QTest::newRow("GBK document with Chinese around the rows")
        << kChongqing
        << QByteArray(
               "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<xml lottery=\"\xd6\xd8\xc7\xec\xca\xb1\xca\xb1\xb2\xca\">\n"
               "  <row expect=\"20261209002\" opencode=\"1,1,2,3,5\" note=\"\xbf\xaa\xbd\xb1\"/>\n"
               "  <!-- \xd7\xee\xd0\xc2 -->\n</xml>\n")
        << "0" << QStringList{"20261209002 11235"} << QString();
    QTest::newRow("rows whose period is not a number are passed over")
        << kChongqing
        << documentOf({feedRow(kChongqing, "2026120900A", "11111"), feedRow(kChongqing, "", "22222"),
                       feedRow(kChongqing, "20261209004", "44444"), feedRow(kChongqing, "-2026120900", "55555")},
                      "rows")
        << "20261209001" << QStringList{"20261209004 44444"} << QString();
    QTest::newRow("periods equal to and below the newest stored are not stored, gaps behind stay")
        << kChongqing
        << documentOf({feedRow(kChongqing, "20261209005", "55555"), feedRow(kChongqing, "20261209004", "44444"),
                       feedRow(kChongqing, "20261209003", "33333"), feedRow(kChongqing, "20261209001", "11111")})
        << "20261209003" << QStringList{"20261209005 55555", "20261209004 44444"} << QString();
    QTest::newRow("a period listed twice alike is taken once")
        << kJiangxi
        << documentOf({feedRow(kJiangxi, "20261209003", "12345"), feedRow(kJiangxi, "20261209003", "12345"),
                       feedRow(kJiangxi, "20261209002", "24680")})
        << "0" << QStringList{"20261209003 12345", "20261209002 24680"} << QString();
    // Either row may be the wrong one: nothing of the feed is stored.
    QTest::newRow("a period listed twice with other digits stores nothing")
        << kJiangxi
        << documentOf({feedRow(kJiangxi, "20261209003", "12345"), feedRow(kJiangxi, "20261209003", "67890"),
                       feedRow(kJiangxi, "20261209002", "24680")})
        << "0" << QStringList() << QString("第20261209003期在最新开奖数据中出现两次而号码不同（12345、67890）");
    QTest::newRow("a second listing behind the row that ended the reading still stores nothing")
        << kJiangxi
        << documentOf({feedRow(kJiangxi, "20261209003", "12345"), feedRow(kJiangxi, "20261209002", "123"),
                       feedRow(kJiangxi, "20261209003", "67890")})
        << "0" << QStringList() << QString("第20261209003期在最新开奖数据中出现两次而号码不同（12345、67890）");
    QTest::newRow("a period beyond the lottery's count a day ends the reading")
        << kJiangxi
        << documentOf({feedRow(kJiangxi, "20261209085", "12345"), feedRow(kJiangxi, "20261209084", "24680")}) << "0"
        << QStringList() << QString("期号“20261209085”的序号85不可能：每天最多开奖84期");
    QTest::newRow("no rows") << kShanghai << QByteArray("<xml/>") << "0" << QStringList() << QString();
    QTest::newRow("a row with too few digits ends the reading, the rows before it stay")
        << kChongqing
        << documentOf({feedRow(kChongqing, "20261209003", "12345"), feedRow(kChongqing, "20261209002", "123"),
                       feedRow(kChongqing, "20261209001", "12345")})
        << "0" << QStringList{"20261209003 12345"} << "第20261209002期的号码不完整";
    QTest::newRow("a newest stored period that is not a number stores nothing")
        << kChongqing << documentOf({feedRow(kChongqing, "20261209003", "12345")}) << "2026120900x" << QStringList()
        << "已存的最新期号“2026120900x”不是数字";
    QTest::newRow("a period two days ahead ends the reading, the rows before it stay")
        << kChongqing
        << documentOf({feedRow(kChongqing, "20261209003", "12345"), feedRow(kChongqing, "20261211001", "11111"),
                       feedRow(kChongqing, "20261209002", "12345")})
        << "20261209001" << QStringList{"20261209003 12345"}
        << "期号“20261211001”的日期2026-12-11还没到（今天是2026-12-09）";
    QTest::newRow("a newest stored period in the future is named")
        << kShanghai << documentOf({feedRow(kShanghai, "2026120923", "271")}) << "9999999999" << QStringList()
        << "已存的最新期号有误：期号“9999999999”的日期99999999不存在。请在“添加开奖”中改正或删除这一期，之后的开奖才能"
           "存入";
}

void TestFeedReader::rowScan()
{
    QFETCH(QString, lottery);
    QFETCH(QByteArray, document);
    QFETCH(QString, newest);
    QFETCH(QStringList, draws);
    QFETCH(QString, failure);

    const auto layout = feedLayoutOf(lottery);
    QVERIFY(layout);
    const PageReading reading = FeedRowScan(feedJoinedText(document), *layout, newest, kToday);
    QCOMPARE(shown(reading.draws), draws);
    QCOMPARE(reading.failure, fixtures::noneIfEmpty(failure));
}

void TestFeedReader::documentThatIsNotWellFormed_data()
{
    QTest::addColumn<QByteArray>("document");
    const QByteArray row = feedRow(kChongqing, "20261209003", "12345");
    QTest::newRow("cut off") << documentOf({row}).left(60);
    QTest::newRow("end tag that does not match") << "<xml>" + row + "</xm>";
    QTest::newRow("two root elements") << row + row;
    QTest::newRow("empty answer") << QByteArray();
    QTest::newRow("HTML error page") << QByteArray("<html><body><p>Service busy<br></body></html>");
}

void TestFeedReader::documentThatIsNotWellFormed()
{
    QFETCH(QByteArray, document);
    try {
        feedJoinedText(document);
        QFAIL("a document that is not well-formed was read");
    } catch (const FeedError& e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("最新开奖数据不是格式正确的XML")), qPrintable(e.message()));
    }
}

void TestFeedReader::nothingOutsideTheDocumentIsFetched()
{
    // A feed may name an outside DTD and outside entities; reading it must not reach out for them.
    LocalHttpServer server;
    const QByteArray outside = "http://" + server.hostAndPort().toLatin1();
    server.serve(QStringLiteral("/feed.dtd"), "<!ENTITY more \"x\">");
    server.serve(QStringLiteral("/rows"), feedRow(kChongqing, "20261209009", "99999"));
    const QByteArray document = "<?xml version=\"1.0\"?>\n<!DOCTYPE xml SYSTEM \"" + outside +
                                "/feed.dtd\" [\n<!ENTITY rows SYSTEM \"" + outside + "/rows\">\n]>\n<xml>&rows;" +
                                feedRow(kChongqing, "20261209001", "12345") + "</xml>\n";

    const auto layout = feedLayoutOf(kChongqing);
    QVERIFY(layout);
    const PageReading reading = FeedRowScan(feedJoinedText(document), *layout, QStringLiteral("0"), kToday);
    QCOMPARE(shown(reading.draws), QStringList{"20261209001 12345"});
    QCOMPARE(server.requests(), QStringList());
}

void TestFeedReader::feedWithoutDrawsIsAFailure_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("line");
    QTest::newRow("no row at all") << documentOf({"<message>maintenance</message>"})
                                   << QStringLiteral(
                                          "重庆时时彩：失败，页面中没有找到开奖号码（页面格式可能已改变）；未存入开奖");
    // Draws the table already holds are still draws: nothing new, and no failure.
    QTest::newRow("every draw stored") << documentOf({feedRow(kChongqing, "20261209001", "12345")})
                                       << QStringLiteral("重庆时时彩：已是最新，没有新的开奖");
}

void TestFeedReader::feedWithoutDrawsIsAFailure()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, line);
    LocalHttpServer server;
    server.serve(feedPathOf(kChongqing), document);
    ReaderHooks hooks;
    hooks.sources.hosts[std::size_t(PageSite::Feed)] = server.hostAndPort();
    hooks.today = kToday;
    ProgramFolder folder;
    DrawDatabase db(folder.path());
    const LotteryUpdate update = readLotteryFeed(db, kChongqing, QStringLiteral("20261209001"), hooks);
    QCOMPARE(outcomeLine(update), line);
    QCOMPARE(update.outcome.stored(), 0);
}

QTEST_GUILESS_MAIN(TestFeedReader)
#include "test_feed_reader.moc"
