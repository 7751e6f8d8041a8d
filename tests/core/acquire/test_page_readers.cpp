#include "core/acquire/page_readers.h"
#include "support/file_fixtures.h"
#include "support/optional_text.h"
#include "support/page_fixtures.h"

#include <QStringEncoder>
#include <QTest>

using namespace fixtures;

namespace {

// "period:digits" per draw, in the order the reader would append them.
QStringList drawsText(const PageReading& reading)
{
    QStringList texts;
    for (const PageDraw& draw : reading.draws)
        texts << draw.periodId + QLatin1Char(':') + draw.digits.join(QString());
    return texts;
}

QByteArray crlf(QByteArray page)
{
    return page.replace("\n", "\r\n");
}

StoredDraw draw(const char* periodId, const char* digits)
{
    StoredDraw d{QString::fromLatin1(periodId), {}};
    for (const char* c = digits; *c; ++c)
        d.digits << QString(QLatin1Char(*c));
    return d;
}

void checkReading(const PageReading& reading)
{
    QFETCH(QStringList, expected);
    QFETCH(QString, failure);
    QCOMPARE(drawsText(reading), expected);
    if (failure.isEmpty())
        QCOMPARE(reading.failure, std::optional<QString>());
    else
        QVERIFY2(reading.failure && reading.failure->contains(failure), toString(reading.failure));
}

void addColumns()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("newest");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("failure");  // part of the reason; empty when the page reads through
}

}  // namespace

class TestPageReaders : public QObject {
    Q_OBJECT

private slots:
    void trendReader_data();
    void trendReader();
    void chartReader_data();
    void chartReader();
    void drawListReader_data();
    void drawListReader();
};

void TestPageReaders::trendReader_data()
{
    addColumns();
    const QByteArray two = trendPage({draw("2026101", "123"), draw("2026102", "456")});
    const QByteArray line90 = trendLine("2026101");
    QVERIFY(line90.size() == 91);  // with its line feed

    QTest::newRow("draws after the newest, in page order")
        << two << "2026100" << QStringList{"2026101:123", "2026102:456"} << QString();
    QTest::newRow("only periods above the newest") << two << "2026101" << QStringList{"2026102:456"} << QString();
    QTest::newRow("empty table starts from 0") << two << "0" << QStringList{"2026101:123", "2026102:456"} << QString();
    QTest::newRow("CR LF page") << crlf(two) << "2026100" << QStringList{"2026101:123", "2026102:456"} << QString();
    QTest::newRow("89 bytes is no draw") << QByteArray(line90.mid(1) + trendDigitsLine("123")) << "0" << QStringList()
                                         << QString();
    QTest::newRow("91 bytes is no draw") << QByteArray("x" + line90 + trendDigitsLine("123")) << "0" << QStringList()
                                         << QString();
    QTest::newRow("90 bytes without onclick is no draw")
        << QByteArray(QByteArray(line90).replace("onclick", "onClick") + trendDigitsLine("123")) << "0" << QStringList()
        << QString();
    QTest::newRow("blanks and tabs around a line are trimmed")
        << QByteArray("\t  " + line90.chopped(1) + " \t\n" + trendDigitsLine("789")) << "0"
        << QStringList{"2026101:789"} << QString();
    // Had the equal period taken the next line as its digits, the next draw would be lost.
    QTest::newRow("equal period leaves the next line to the scan")
        << QByteArray(trendLine("2026100") + trendLine("2026101") + trendDigitsLine("314")) << "2026100"
        << QStringList{"2026101:314"} << QString();
    QTest::newRow("a period listed twice alike is read once")
        << QByteArray(two + trendLine("2026102") + trendDigitsLine("456")) << "0"
        << QStringList{"2026101:123", "2026102:456"} << QString();
    // Either listing may be the wrong one, and the rest came with them.
    QTest::newRow("a period listed twice with other digits stores nothing")
        << QByteArray(two + trendLine("2026102") + trendDigitsLine("999")) << "0" << QStringList()
        << QString("第2026102期在页面上出现两次而号码不同（456、999）");
    QTest::newRow("a period beyond the days of the year ends the reading")
        << QByteArray(two + trendLine("2026999") + trendDigitsLine("999")) << "0"
        << QStringList{"2026101:123", "2026102:456"} << QString("期号“2026999”的序号999不可能");

    // 开奖 is four bytes in GBK and two characters: the period id stands where bytes say.
    QByteArray gbkLine = gbk(QStringLiteral("<tr onclick=\"x\" title=\"开奖\">"));
    gbkLine = gbkLine + QByteArray(68 - gbkLine.size(), '.') + "2026105" + "</td><td>-</td>";
    QTest::newRow("GBK bytes before the period id")
        << QByteArray(gbkLine + "\n" + gbk(QStringLiteral("<td>号码")) + "7,0,1</td> </tr>\n") << "0"
        << QStringList{"2026105:701"} << QString();

    QTest::newRow("period id not a number ends the page, earlier draws kept")
        << QByteArray(trendLine("2026101") + trendDigitsLine("123") + trendLine("20261a2") + trendDigitsLine("456"))
        << "0" << QStringList{"2026101:123"} << QString("20261a2");
    QTest::newRow("digit line too short ends the page, earlier draws kept")
        << QByteArray(trendLine("2026101") + trendDigitsLine("123") + trendLine("2026102") + "<td>4,5</td>\n" +
                      trendLine("2026103") + trendDigitsLine("777"))
        << "0" << QStringList{"2026101:123"} << QString("2026102");
    QTest::newRow("a second listing behind the row that ended the reading still stores nothing")
        << QByteArray(trendLine("2026101") + trendDigitsLine("123") + trendLine("2026102") + "<td>4,5</td>\n" +
                      trendLine("2026101") + trendDigitsLine("456"))
        << "0" << QStringList() << QString("第2026101期在页面上出现两次而号码不同（123、456）");
    QTest::newRow("page ending after a period id fails")
        << trendLine("2026101") << "0" << QStringList() << QString("2026101");
    QTest::newRow("a period of next year ends the page, earlier draws kept")
        << QByteArray(trendLine("2026101") + trendDigitsLine("123") + trendLine("2027001") + trendDigitsLine("456"))
        << "0" << QStringList{"2026101:123"} << QString("期号“2027001”的年份2027还没到");
    QTest::newRow("a newest stored period of next year is named")
        << two << "2099001" << QStringList() << QString("已存的最新期号有误：期号“2099001”的年份2099还没到");
}

void TestPageReaders::trendReader()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, newest);
    checkReading(readTrendPage(page, newest, kToday));
}

void TestPageReaders::chartReader_data()
{
    addColumns();
    const QByteArray two = chartPage({draw("2026101", "123"), draw("2026102", "456")});
    QTest::newRow("draws after cpdata get 20 in front")
        << two << "2026100" << QStringList{"2026101:123", "2026102:456"} << QString();
    QTest::newRow("only periods above the newest") << two << "2026101" << QStringList{"2026102:456"} << QString();
    QTest::newRow("empty table starts from 0") << two << "0" << QStringList{"2026101:123", "2026102:456"} << QString();
    QTest::newRow("CR LF page") << crlf(two) << "0" << QStringList{"2026101:123", "2026102:456"} << QString();
    QTest::newRow("a period listed twice with other digits stores nothing")
        << QByteArray(two + chartDrawLines("2026102", "999")) << "0" << QStringList()
        << QString("第2026102期在页面上出现两次而号码不同（456、999）");
    QTest::newRow("a period beyond the days of the year ends the reading")
        << chartPage({draw("2026101", "123"), draw("2026345", "456")}) << "0" << QStringList{"2026101:123"}
        << QString("期号“2026345”的序号345不可能");
    QTest::newRow("a second listing behind the row that ended the reading still stores nothing")
        << QByteArray(chartPage({draw("2026101", "123"), draw("2026345", "456")}) + chartDrawLines("2026101", "789"))
        << "0" << QStringList() << QString("第2026101期在页面上出现两次而号码不同（123、789）");
    QTest::newRow("no cpdata line yields nothing")
        << QByteArray(chartDrawLines("2026101", "123")) << "0" << QStringList() << QString();
    QTest::newRow("cpdata one byte off its place yields nothing")
        << QByteArray("<table  id=\"cpdata\">\n" + chartDrawLines("2026101", "123")) << "0" << QStringList()
        << QString();
    QTest::newRow("draws before cpdata are not read")
        << QByteArray(chartDrawLines("2026100", "999") + chartHeaderLine() + chartDrawLines("2026101", "123")) << "0"
        << QStringList{"2026101:123"} << QString();
    QTest::newRow("height line whose period is not a number is skipped")
        << QByteArray(chartHeaderLine() + "<tr height=\"22\"><td>合计</td>\n" + "<tr height=\"22\"><td>2610x</td>\n" +
                      chartDrawLines("2026101", "123"))
        << "0" << QStringList{"2026101:123"} << QString();
    QTest::newRow("equal period leaves its lines to the scan")
        << QByteArray(chartHeaderLine() + "<tr height=\"22\"><td>26100</td>\n" + chartDrawLines("2026101", "123"))
        << "2026100" << QStringList{"2026101:123"} << QString();
    QTest::newRow("GBK bytes around the markers")
        << QByteArray(
               gbk(QStringLiteral("<table id=\"cpdata\" title=\"排列三\">\n<tr height=\"22\" title=\"期号\"><td>")) +
               "26107</td>\n" + gbk(QStringLiteral("<td title=\"百位\">")) + "4</td>\n<td>0</td>\n<td>9</td>\n")
        << "0" << QStringList{"2026107:409"} << QString();
    QTest::newRow("page ending inside a draw fails, earlier draws kept")
        << QByteArray(chartHeaderLine() + chartDrawLines("2026101", "123") + "<tr height=\"22\"><td>26102</td>\n" +
                      "<td class=\"d\">4</td>\n")
        << "0" << QStringList{"2026101:123"} << QString("2026102");
    QTest::newRow("a period of next year ends the page, earlier draws kept")
        << QByteArray(chartHeaderLine() + chartDrawLines("2026101", "123") + chartDrawLines("2027001", "456")) << "0"
        << QStringList{"2026101:123"} << QString("期号“2027001”的年份2027还没到");
}

void TestPageReaders::chartReader()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, newest);
    checkReading(readChartPage(page, newest, kToday));
}

void TestPageReaders::drawListReader_data()
{
    QTest::addColumn<QList<QByteArray>>("pages");  // today first
    QTest::addColumn<int>("periodIdLength");
    QTest::addColumn<int>("digitCount");
    QTest::addColumn<QString>("newest");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("failure");

    const QByteArray today =
        drawListPage({draw("20261209003", "33333"), draw("20261209002", "22222"), draw("20261209001", "11111")});
    const QByteArray yesterday = drawListPage({draw("20261208120", "98765")});
    const QStringList all{"20261208120:98765", "20261209001:11111", "20261209002:22222", "20261209003:33333"};

    QTest::newRow("earlier day first, each day in reverse page order")
        << QList<QByteArray>{today, yesterday} << 11 << 5 << "0" << all << QString();
    QTest::newRow("only periods above the newest")
        << QList<QByteArray>{today, yesterday} << 11 << 5 << "20261209001"
        << QStringList{"20261209002:22222", "20261209003:33333"} << QString();
    QTest::newRow("CR LF pages") << QList<QByteArray>{crlf(today), crlf(yesterday)} << 11 << 5 << "0" << all
                                 << QString();
    QTest::newRow("上海时时彩: 10-digit ids, 3 digits")
        << QList<QByteArray>{drawListPage({draw("2026120902", "456"), draw("2026120901", "123")})} << 10 << 3 << "0"
        << QStringList{"2026120901:123", "2026120902:456"} << QString();
    // The newest stored period stays where it was while draws go in: 20261209005 comes first in
    // append order, and 20261209004 after it must still count as new.
    QTest::newRow("every piece above the newest, wherever it stands")
        << QList<QByteArray>{drawListPage(
               {draw("20261209004", "44444"), draw("20261209005", "55555"), draw("20261209002", "22222")})}
        << 11 << 5 << "20261209003" << QStringList{"20261209005:55555", "20261209004:44444"} << QString();
    QTest::newRow("the same draw on two day pages is stored once")
        << QList<QByteArray>{drawListPage({draw("20261209001", "11111"), draw("20261208120", "98765")}), yesterday}
        << 11 << 5 << "0" << QStringList{"20261208120:98765", "20261209001:11111"} << QString();
    QTest::newRow("one period listed twice alike is one draw")
        << QList<QByteArray>{drawListPage(
               {draw("20261209002", "22222"), draw("20261209001", "11111"), draw("20261209001", "11111")})}
        << 11 << 5 << "0" << QStringList{"20261209001:11111", "20261209002:22222"} << QString();
    QTest::newRow("one period listed with two draws stores nothing and names it")
        << QList<QByteArray>{drawListPage(
               {draw("20261209002", "22222"), draw("20261209001", "11111"), draw("20261209001", "99999")})}
        << 11 << 5 << "0" << QStringList() << QString("第20261209001期在页面上出现两次而号码不同");
    QTest::newRow("two listings of an old period are not looked at")
        << QList<QByteArray>{drawListPage(
               {draw("20261209002", "22222"), draw("20261209001", "11111"), draw("20261209001", "99999")})}
        << 11 << 5 << "20261209001" << QStringList{"20261209002:22222"} << QString();
    // The row of the ten-digit period owns its balls: the period before it has none of its own.
    QTest::newRow("a period of another length keeps its digits from the period before")
        << QList<QByteArray>{QByteArray("20261209002\n") + drawListDrawLines("2026120901", "12345") +
                             drawListDrawLines("20261209001", "11111")}
        << 11 << 5 << "0" << QStringList{"20261209001:11111"} << QString("第20261209002期的号码不完整");
    QTest::newRow("digits split over two ball lines")
        << QList<QByteArray>{QByteArray("20261209001\n<span class=\"ball_1\">1</span><span class=\"ball_1\">2</span>\n"
                                        "<td><span class=\"ball_2\">3</span>\n<span class=\"ball_2\">4</span>"
                                        "<span class=\"ball_2\">5</span></td>\n")}
        << 11 << 5 << "0" << QStringList{"20261209001:12345"} << QString();
    QTest::newRow("ball bytes after the draw's digits change nothing")
        << QList<QByteArray>{QByteArray(drawListDrawLines("20261209001", "12345") +
                                        "<p><span class=\"ball_9\">9</span><span class=\"ball_9\">8</span></p>\n")}
        << 11 << 5 << "0" << QStringList{"20261209001:12345"} << QString();
    QTest::newRow("ball digits before the first period id belong to no draw")
        << QList<QByteArray>{QByteArray("<span class=\"ball_0\">7</span><span class=\"ball_0\">7</span>\n") + today}
        << 11 << 5 << "20261208120" << QStringList{"20261209001:11111", "20261209002:22222", "20261209003:33333"}
        << QString();
    // Counted, the line without the marker would make up the fifth digit.
    QTest::newRow("a line without the ball marker adds nothing")
        << QList<QByteArray>{QByteArray("20261209001\n<i class=\"ball_1\">5</i>\n<span class=\"ball_1\">1</span>"
                                        "<span class=\"ball_1\">2</span><span class=\"ball_1\">3</span>"
                                        "<span class=\"ball_1\">4</span>\n")}
        << 11 << 5 << "0" << QStringList() << QString("20261209001");
    QTest::newRow("a ball word 8 bytes from the line end counts, one nearer adds nothing")
        << QList<QByteArray>{QByteArray("20261209001\n<span class=\"ball_1\">1</span><span class=\"ball_1\">2</span>"
                                        "<span class=\"ball_1\">\n<span class=\"ball_1\">3</span>"
                                        "<span class=\"ball_1\">4</span><span class=\"ball_1\">5\n")}
        << 11 << 5 << "0" << QStringList{"20261209001:12345"} << QString();
    QTest::newRow("lines of other lengths are no period ids")
        << QList<QByteArray>{QByteArray("202612090011\n2026120900\n") + drawListDrawLines("20261209001", "12345")} << 11
        << 5 << "0" << QStringList{"20261209001:12345"} << QString();
    QTest::newRow("GBK bytes around the marker")
        << QList<QByteArray>{QByteArray("20261209001\n") +
                             gbk(QStringLiteral("<td>开奖号码：<span class=\"ball_1\">1</span>二<span class=\"ball_1\">"
                                                "2</span><span class=\"ball_1\">3</span>号</td>\n"))}
        << 11 << 3 << "0" << QStringList{"20261209001:123"} << QString();
    // Today's newest period is listed before it is drawn: the draws before it still go in.
    QTest::newRow("a piece with too few digits ends the scan, earlier draws kept")
        << QList<QByteArray>{QByteArray("20261209002\n") + drawListDrawLines("20261209001", "11111"), yesterday} << 11
        << 5 << "0" << QStringList{"20261208120:98765", "20261209001:11111"} << QString("20261209002");
    // A ball showing "*" must not start a piece of its own: read as a period id, the one
    // character after it would be taken for a draw and its digits read past its end.
    QTest::newRow("a ball showing * after a whole draw changes nothing")
        << QList<QByteArray>{QByteArray(drawListDrawLines("20261209001", "12345") +
                                        "<span class=\"ball_1\">*</span><span class=\"ball_1\">7</span>\n")}
        << 11 << 5 << "0" << QStringList{"20261209001:12345"} << QString();
    QTest::newRow("a ball showing * as the page's last character")
        << QList<QByteArray>{QByteArray(drawListDrawLines("20261209001", "12345") + "<span class=\"ball_1\">*\n")} << 11
        << 5 << "0" << QStringList{"20261209001:12345"} << QString();
    QTest::newRow("a ball showing * among a draw's digits makes it incomplete")
        << QList<QByteArray>{yesterday, drawListDrawLines("20261209001", "12*45")} << 11 << 5 << "20261208120"
        << QStringList() << QString("第20261209001期的号码不完整");
    QTest::newRow("a period two days ahead ends the scan, earlier draws kept")
        << QList<QByteArray>{drawListPage({draw("20261211001", "55555"), draw("20261209001", "11111")})} << 11 << 5
        << "0" << QStringList{"20261209001:11111"} << QString("期号“20261211001”的日期2026-12-11还没到");
    QTest::newRow("a period beyond the day's count ends the scan")
        << QList<QByteArray>{drawListPage({draw("20261209999", "55555"), draw("20261209001", "11111")})} << 11 << 5
        << "0" << QStringList{"20261209001:11111"} << QString("期号“20261209999”的序号999不可能：每天最多开奖120期");
    QTest::newRow("a newest stored period beyond the day's count is named")
        << QList<QByteArray>{today} << 11 << 5 << "20261208999" << QStringList()
        << QString("已存的最新期号有误：期号“20261208999”的序号999不可能");
    QTest::newRow("a period of no date ends the scan")
        << QList<QByteArray>{drawListPage({draw("99999999999", "55555")})} << 11 << 5 << "20261209001" << QStringList()
        << QString("期号“99999999999”的日期99999999不存在");
    QTest::newRow("a newest stored period in the future is named")
        << QList<QByteArray>{today} << 11 << 5 << "99999999999" << QStringList()
        << QString("已存的最新期号有误：期号“99999999999”");
    QTest::newRow("a page without draws yields nothing")
        << QList<QByteArray>{QByteArray("<html>\n</html>\n"), QByteArray()} << 11 << 5 << "0" << QStringList()
        << QString();
}

void TestPageReaders::drawListReader()
{
    QFETCH(QList<QByteArray>, pages);
    QFETCH(int, periodIdLength);
    QFETCH(int, digitCount);
    QFETCH(QString, newest);
    QByteArray gathered;
    for (const QByteArray& page : pages)
        gatherDrawListPage(page, periodIdLength, gathered);
    // 重庆时时彩's count a day for the 11-character ids, 上海时时彩's for the 10-character ones.
    const int periodsPerDay = periodIdLength == 10 ? 23 : 120;
    checkReading(drawsFromGathered(gathered, periodIdLength, digitCount, periodsPerDay, newest, kToday));
}

QTEST_GUILESS_MAIN(TestPageReaders)
#include "test_page_readers.moc"
