#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/store/draw_file_parser.h"
#include "support/draw_fixtures.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using fixtures::kToday;

namespace {

const QString kThreeD = QStringLiteral("中国福彩3D");
const QString kChongqing = QStringLiteral("重庆时时彩");
const QString kShanghai = QStringLiteral("上海时时彩");

QStringList drawsOf(const ParsedDrawFile& parsed)
{
    QStringList lines;
    for (const ImportedDraw& draw : parsed.draws)
        lines << draw.periodId + u' ' + draw.digits;
    return lines;
}

QStringList malformedOf(const ParsedDrawFile& parsed)
{
    QStringList lines;
    for (const MalformedLine& line : parsed.malformed)
        lines << QStringLiteral("%1: %2").arg(line.line).arg(line.reason);
    return lines;
}

QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GBK");
    return encoder.isValid() ? QByteArray(encoder.encode(text)) : QByteArray();
}

}  // namespace

class TestDrawFileParser : public QObject {
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
    void refusedFiles_data();
    void refusedFiles();
    void parseTellsItsProgressAndStopsWhenAsked();
    void unreadableFileIsNamed();
    void csvColumnsAreFoundByTheirNames_data();
    void csvColumnsAreFoundByTheirNames();
};

void TestDrawFileParser::parses_data()
{
    QTest::addColumn<QString>("lottery");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("draws");
    QTest::addColumn<QStringList>("malformed");

    const QStringList two3D{"2026224 862", "2026225 015"};
    QTest::newRow("export form") << kThreeD << QByteArray("2026224 862\r\n2026225 015\r\n") << two3D << QStringList{};
    QTest::newRow("digits apart by commas")
        << kThreeD << QByteArray("2026224 8,6,2\n2026225 0,1,5") << two3D << QStringList{};
    QTest::newRow("all apart by commas") << kThreeD << QByteArray("2026224,8,6,2\n2026225,0,1,5\n") << two3D
                                         << QStringList{};
    QTest::newRow("tabs and blanks") << kThreeD << QByteArray("2026224\t8 6 2\n  2026225\t0\t1\t5  \n") << two3D
                                     << QStringList{};
    QTest::newRow("without the century") << kThreeD << QByteArray("26224 862\n26225 015\n") << two3D << QStringList{};
    QTest::newRow("comments and blank lines")
        << kThreeD << QByteArray("# 福彩3D\n\n2026224 862\n   \n#2026001 000\n2026225 015\n") << two3D << QStringList{};
    QTest::newRow("CSV header, digits in one column")
        << kThreeD << QByteArray("期号,开奖日期,开奖号码\n2026224,2026-08-20,\"8,6,2\"\n2026225,2026-08-21,015\n")
        << two3D << QStringList{};
    QTest::newRow("CSV header, a column per digit")
        << kThreeD << QByteArray("\"期号\",\"百位\",\"十位\",\"个位\"\n\"2026224\",\"8\",\"6\",\"2\"\n2026225,0,1,5\n")
        << two3D << QStringList{};
    QTest::newRow("UTF-8 BOM and CR LF") << kThreeD
                                         << QByteArray("\xEF\xBB\xBF期号 号码\r\n2026224 862\r\n2026225 015\r\n")
                                         << two3D << QStringList{};
    QTest::newRow("GBK header") << kThreeD << gbk(QStringLiteral("期号,号码\r\n2026224,862\r\n2026225,015\r\n"))
                                << two3D << QStringList{};
    QTest::newRow("header, digits apart by blanks")
        << kThreeD << QByteArray("期号 号码\n2026224 8 6 2\n2026225 0 1 5\n") << two3D << QStringList{};
    QTest::newRow("CSV header, digits apart in the last column")
        << kThreeD << QByteArray("期号,号码\n2026224,8,6,2\n2026225,0,1,5\n") << two3D << QStringList{};
    QTest::newRow("重庆 periods, short and whole")
        << kChongqing << QByteArray("261115001 1 2 3 4 5\n20261115002 54321\n")
        << QStringList{"20261115001 12345", "20261115002 54321"} << QStringList{};
    QTest::newRow("上海 periods") << kShanghai << QByteArray("2026111501 123\n26111502 4,5,6\n")
                                  << QStringList{"2026111501 123", "2026111502 456"} << QStringList{};

    QTest::newRow("CSV header, the draw after a test-draw column")
        << kThreeD << QByteArray("期号,试机号码,开奖号码\n2026224,111,862\n2026225,999,015\n") << two3D
        << QStringList{};
    QTest::newRow("CSV header, digit columns in another order")
        << kThreeD << QByteArray("期号,个位,十位,百位\n2026224,2,6,8\n2026225,5,1,0\n") << two3D << QStringList{};
    QTest::newRow("CSV header, numbered digit columns beside 机球 and 和值")
        << kThreeD << QByteArray("期号,机球,第1位,第2位,第3位,和值\n2026224,3,8,6,2,16\n2026225,1,0,1,5,6\n") << two3D
        << QStringList{};
    QTest::newRow("CSV header, 万位 to 个位")
        << kChongqing << QByteArray("期号,万位,千位,百位,十位,个位\n20261115001,1,2,3,4,5\n")
        << QStringList{"20261115001 12345"} << QStringList{};
    QTest::newRow("CR alone ends lines") << kThreeD << QByteArray("2026224 862\r2026225 015\r") << two3D
                                         << QStringList{};
    QTest::newRow("CR alone after a header")
        << kThreeD << QByteArray("期号,开奖号码\r2026224,862\r\r2026225,015") << two3D << QStringList{};
    QTest::newRow("full-width digits") << kThreeD << QByteArray("２０２６２２４ ８６２\n2026225 ０,１,５\n") << two3D
                                       << QStringList{};
    QTest::newRow("a line too long for any draw")
        << kThreeD << QByteArray("2026224 862\n" + QByteArray(5000, '1').replace("11", "1,") + "\n2026225 015\n")
        << two3D << QStringList{"2: 行太长（5000字节），不是开奖"};
    QTest::newRow("malformed kinds") << kChongqing
                                     << QByteArray(
                                            "20261115001 12345\n"
                                            "2026111500x 12345\n"
                                            "2026111500 12345\n"
                                            "20261332001 12345\n"
                                            "20261115000 12345\n"
                                            "20261115003\n"
                                            "20261115004 1234\n"
                                            "20261115005 1,2,3,4,56\n"
                                            "20261115006 1 2 3 4 a\n"
                                            "20261115001 12345\n"
                                            "20261115001 99999\n"
                                            "20261115007 77777\n")
                                     << QStringList{"20261115007 77777"}
                                     << QStringList{
                                            "1: 第20261115001期在第11行另有不同的号码，两行都不存入",
                                            "2: 期号“2026111500x”不是数字",
                                            "3: 期号应为11位（或省去年份前两位的9位）",
                                            "4: 期号中的日期“20261332”无效",
                                            "5: 期号的序号不能为0",
                                            "6: 缺少开奖号码",
                                            "7: 开奖号码应为5个0到9的数字",
                                            "8: 开奖号码应为5个0到9的数字",
                                            "9: 开奖号码应为5个0到9的数字",
                                            "10: 与第1行重复",
                                            "11: 第20261115001期与第1行的号码不同（12345、99999），两行都不存入"};
    // Files in period order are read without looking each period up: one listed again out of
    // that order is still found, whichever way the file runs.
    QTest::newRow("a period again after later ones")
        << kThreeD << QByteArray("2026001 111\n2026002 222\n2026003 333\n2026001 111\n2026004 444\n")
        << QStringList{"2026001 111", "2026002 222", "2026003 333", "2026004 444"} << QStringList{"4: 与第1行重复"};
    QTest::newRow("newest first, a period again with other digits")
        << kThreeD << QByteArray("2026003 333\n2026002 222\n2026001 111\n2026003 999\n")
        << QStringList{"2026002 222", "2026001 111"}
        << QStringList{"1: 第2026003期在第4行另有不同的号码，两行都不存入",
                       "4: 第2026003期与第1行的号码不同（333、999），两行都不存入"};
    QTest::newRow("periods not drawn yet")
        << kChongqing << QByteArray("20261210001 12345\n20261211001 12345\n99999999999 12345\n")
        << QStringList{"20261210001 12345"}
        << QStringList{"2: 期号“20261211001”的日期2026-12-11还没到（今天是2026-12-09）",
                       "3: 期号中的日期“99999999”无效"};
    QTest::newRow("periods beyond what the calendar allows")
        << kThreeD << QByteArray("2026343 123\n2026345 456\n2026999 789\n2025366 012\n") << QStringList{"2026343 123"}
        << QStringList{"2: 期号“2026345”的序号345不可能：到2026-12-10为止，2026年最多开奖344期",
                       "3: 期号“2026999”的序号999不可能：到2026-12-10为止，2026年最多开奖344期",
                       "4: 期号“2025366”的序号366不可能：2025年最多开奖365期"};
    QTest::newRow("a 时时彩 period beyond its count a day")
        << kChongqing << QByteArray("20261209120 12345\n20261209121 12345\n") << QStringList{"20261209120 12345"}
        << QStringList{"2: 期号“20261209121”的序号121不可能：每天最多开奖120期"};
    QTest::newRow("a line of words after the draws") << kThreeD << QByteArray("2026224 862\n期号 号码\n2026225 015\n")
                                                     << two3D << QStringList{"2: 期号“期号”不是数字"};
    QTest::newRow("CSV line short of columns")
        << kThreeD << QByteArray("期号,日期,号码\n2026224,2026-08-20\n2026225,x,015\n") << QStringList{"2026225 015"}
        << QStringList{"2: 列数不足"};
}

void TestDrawFileParser::parses()
{
    QFETCH(QString, lottery);
    QFETCH(QByteArray, file);
    QFETCH(QStringList, draws);
    QFETCH(QStringList, malformed);
    QVERIFY2(!file.isEmpty(), "no GBK encoder on this machine");
    ParsedDrawFile parsed;
    try {
        parsed = parseDrawFile(file, *findLottery(lottery), kToday);
    } catch (const UserError& e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(drawsOf(parsed), draws);
    QCOMPARE(malformedOf(parsed), malformed);
}

void TestDrawFileParser::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    QTest::newRow("a header naming no draw column")
        << QByteArray("期号,试机号码,机球\n2026224,111,1\n")
        << QStringLiteral(
               "表头（期号、试机号码、机球）看不出哪一列是开奖号码：请把这一列命名为“开奖号码”，"
               "或把各位的列命名为百位、十位、个位");
    QTest::newRow("a header naming two draw columns")
        << QByteArray("期号,开奖号码,号码\n2026224,862,111\n")
        << QStringLiteral("表头（期号、开奖号码、号码）看不出哪一列是开奖号码");
    QTest::newRow("a header naming one digit column twice")
        << QByteArray("期号,百位,十位,个位,个位\n2026224,8,6,2,1\n")
        << QStringLiteral("表头（期号、百位、十位、个位、个位）看不出哪一列是开奖号码");
    QTest::newRow("a byte neither encoding reads")
        << QByteArray("2026224 862\n2026225 015\n2026226 \x81 1\n")
        << QStringLiteral("文件既不是UTF-8也不是GBK文本：第3行第33字节无法识别");
    QTest::newRow("GBK text with a bad byte") << gbk(QStringLiteral("期号 号码\n2026224 862\n")) + "2026225 0\x81\x35\n"
                                              << QStringLiteral("第3行第32字节无法识别");
    QTest::newRow("CR alone before the bad byte")
        << QByteArray("2026224 862\r2026225 015\r\n\x81") << QStringLiteral("第3行第26字节无法识别");
    QTest::newRow("UTF-16") << QByteArray(
                                   "\xff\xfe"
                                   "2\0"
                                   "0\0"
                                   "2\0"
                                   "6\0",
                                   10)
                            << QStringLiteral("第1行第1字节无法识别");
}

void TestDrawFileParser::refusedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    try {
        parseDrawFile(file, *findLottery(kThreeD), kToday);
        QFAIL("the file was read");
    } catch (const UserError& e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
}

void TestDrawFileParser::parseTellsItsProgressAndStopsWhenAsked()
{
    // About 3 MB of lines that are no draw: told now and then, and at the end.
    const QByteArray file = QByteArray("x\n").repeated(1536 * 1024);
    std::vector<qint64> told;
    const ParsedDrawFile parsed = parseDrawFile(file, *findLottery(kThreeD), kToday, [&](qint64 done, qint64 total) {
        if (total != file.size())
            return false;
        told.push_back(done);
        return true;
    });
    QCOMPARE(parsed.malformedCount, 1536 * 1024 - 1);  // the first line is taken for a header
    QVERIFY2(told.size() >= 3, qPrintable(QString::number(told.size())));
    QVERIFY(std::is_sorted(told.begin(), told.end()));
    QCOMPARE(told.back(), file.size());

    int calls = 0;
    bool cancelled = false;
    try {
        parseDrawFile(file, *findLottery(kThreeD), kToday, [&](qint64, qint64) { return ++calls < 2; });
    } catch (const Cancelled&) {
        cancelled = true;
    }
    QVERIFY(cancelled);
    QCOMPARE(calls, 2);
}

void TestDrawFileParser::unreadableFileIsNamed()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("没有这个文件.txt");
    try {
        readDrawFile(missing);
        QFAIL("no error");
    } catch (const UserError& e) {
        QVERIFY2(e.message().contains(missing), qPrintable(e.message()));
    }
}

void TestDrawFileParser::csvColumnsAreFoundByTheirNames_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("period");
    QTest::addColumn<QStringList>("digits");
    QTest::addColumn<QStringList>("digitColumns");
    QTest::addColumn<QStringList>("draws");
    QTest::addColumn<QString>("failure");
    // The test draw stands before the draw and shares its form: only the name tells them apart.
    const QByteArray published(
        "开奖日期,试机号,期号,开奖号码,销售额\n"
        "2026-08-13,111,2026224,862,100\n"
        "2026-08-14,222,2026225,\"0 1 5\",100\n");
    QTest::newRow("the draw in one column") << published << QStringList{"期号"} << QStringList{"开奖号码"}
                                            << QStringList() << QStringList{"2026224 862", "2026225 015"} << QString();
    QTest::newRow("names tried in turn, without case or blanks")
        << QByteArray("Draw Date;Issue_No;Winning Numbers\n2026-08-13;2026224;8 6 2\n")
        << QStringList{"期号", "issueno"} << QStringList{"winningnumbers"} << QStringList()
        << QStringList{"2026224 862"} << QString();
    QTest::newRow("one column per digit, in the draw's order")
        << QByteArray("\xEF\xBB\xBF个位,十位,百位,期号\n2,6,8,26224\n") << QStringList{"期号"} << QStringList()
        << QStringList{"百位", "十位", "个位"} << QStringList{"2026224 862"} << QString();
    QTest::newRow("GBK") << gbk(QStringLiteral("期号\t开奖号码\n2026224\t862\n")) << QStringList{"期号"}
                         << QStringList{"开奖号码"} << QStringList() << QStringList{"2026224 862"} << QString();
    QTest::newRow("a named column the header lacks")
        << published << QStringList{"期号"} << QStringList{"号码", "中奖号码"} << QStringList() << QStringList()
        << QStringLiteral("表头（开奖日期、试机号、期号、开奖号码、销售额）中没有“号码”或“中奖号码”列");
    QTest::newRow("digit columns for another lottery")
        << published << QStringList{"期号"} << QStringList() << QStringList{"万位", "千位", "百位", "十位", "个位"}
        << QStringList() << QStringLiteral("开奖号码有3位，而所列的号码列（万位、千位、百位、十位、个位）有5个");
}

void TestDrawFileParser::csvColumnsAreFoundByTheirNames()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, period);
    QFETCH(QStringList, digits);
    QFETCH(QStringList, digitColumns);
    QFETCH(QStringList, draws);
    QFETCH(QString, failure);
    try {
        const ParsedDrawFile parsed = parseDrawCsv(file, *findLottery(kThreeD), kToday, {period, digits, digitColumns});
        QCOMPARE(drawsOf(parsed), draws);
        QCOMPARE(parsed.malformedCount, 0);
        QVERIFY(failure.isEmpty());
    } catch (const UserError& e) {
        QCOMPARE(e.message(), failure);
    }
}

QTEST_GUILESS_MAIN(TestDrawFileParser)
#include "test_draw_file_parser.moc"
