#include "core/base/lottery_table.h"
#include "core/base/today_clock.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"
#include "core/store/draw_import.h"
#include "core/store/draw_row_set.h"
#include "core/store/history_loader.h"
#include "support/draw_fixtures.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using fixtures::ProgramFolder;
using fixtures::StoredDraw;

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

QStringList exported(DrawDatabase& db, const QString& lottery)
{
    DrawRowSet rows;
    rows.open(db, lottery);
    QStringList lines;
    for (const QByteArray& line : rows.exportLines())
        lines << QString::fromUtf8(line);
    return lines;
}

}  // namespace

class TestDrawImport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { today_clock::setToday(QDate(2026, 12, 9)); }
    void parses_data();
    void parses();
    void refusedFiles_data();
    void refusedFiles();
    void summaryOfAnImport();
    void parseTellsItsProgressAndStopsWhenAsked();
    void importBeyondTheCapSaysWhatStays();
    void writesNewAndOverwritesOnlyWhenAsked();
    void refusalLeavesTheTableAsItWas();
    void tableWithoutADigitColumnIsNamed();
    void exportImportRoundTrip();
    void unreadableFileIsNamed();
};

void TestDrawImport::parses_data()
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
                                     << QStringList{"20261115001 12345", "20261115007 77777"}
                                     << QStringList{"2: 期号“2026111500x”不是数字",
                                                    "3: 期号应为11位（或省去年份前两位的9位）",
                                                    "4: 期号中的日期“20261332”无效",
                                                    "5: 期号的序号不能为0",
                                                    "6: 缺少开奖号码",
                                                    "7: 开奖号码应为5个0到9的数字",
                                                    "8: 开奖号码应为5个0到9的数字",
                                                    "9: 开奖号码应为5个0到9的数字",
                                                    "10: 与第1行重复",
                                                    "11: 与第1行的期号相同而号码不同"};
    QTest::newRow("periods not drawn yet")
        << kChongqing << QByteArray("20261210001 12345\n20261211001 12345\n99999999999 12345\n")
        << QStringList{"20261210001 12345"}
        << QStringList{"2: 期号“20261211001”的日期2026-12-11还没到（今天是2026-12-09）",
                       "3: 期号中的日期“99999999”无效"};
    QTest::newRow("a line of words after the draws") << kThreeD << QByteArray("2026224 862\n期号 号码\n2026225 015\n")
                                                     << two3D << QStringList{"2: 期号“期号”不是数字"};
    QTest::newRow("CSV line short of columns")
        << kThreeD << QByteArray("期号,日期,号码\n2026224,2026-08-20\n2026225,x,015\n") << QStringList{"2026225 015"}
        << QStringList{"2: 列数不足"};
}

void TestDrawImport::parses()
{
    QFETCH(QString, lottery);
    QFETCH(QByteArray, file);
    QFETCH(QStringList, draws);
    QFETCH(QStringList, malformed);
    QVERIFY2(!file.isEmpty(), "no GBK encoder on this machine");
    ParsedDrawFile parsed;
    try {
        parsed = parseDrawFile(file, *findLottery(lottery));
    } catch (const UserError& e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(drawsOf(parsed), draws);
    QCOMPARE(malformedOf(parsed), malformed);
}

void TestDrawImport::summaryOfAnImport()
{
    const QHash<QString, QString> stored{{"2026001", "123"}, {"2026002", "456"}, {"2026003", "789"}};
    QByteArray file = "2026001 123\n2026002 450\n2026004 000\n2026005 111\n";
    for (int i = 0; i < 22; ++i)
        file += "bad line " + QByteArray::number(i) + "\n";
    const ImportPlan plan = planImport(parseDrawFile(file, *findLottery(kThreeD)), stored);
    QCOMPARE(int(plan.fresh.size()), 2);
    QCOMPARE(plan.identical, 1);
    QCOMPARE(int(plan.conflicts.size()), 1);
    QCOMPARE(int(plan.malformed.size()), 20);
    QCOMPARE(plan.malformedCount, 22);

    const QStringList summary = importSummary(plan);
    QCOMPARE(summary.mid(0, 5), (QStringList{"新的开奖：2期", "已存且相同（跳过）：1期", "期号已存而号码不同：1期",
                                             "    第2026002期：已存 456，文件中 450（第2行）", "无法识别的行：22行"}));
    QCOMPARE(summary[5], QStringLiteral("    第5行“bad line 0”：期号“bad”不是数字"));
    QCOMPARE(summary.size(), 5 + 20 + 1);
    QCOMPARE(summary.last(), QStringLiteral("    另有2行未列出"));
}

void TestDrawImport::refusedFiles_data()
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

void TestDrawImport::refusedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    try {
        parseDrawFile(file, *findLottery(kThreeD));
        QFAIL("the file was read");
    } catch (const UserError& e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
}

void TestDrawImport::parseTellsItsProgressAndStopsWhenAsked()
{
    // About 3 MB of lines that are no draw: told now and then, and at the end.
    const QByteArray file = QByteArray("x\n").repeated(1536 * 1024);
    std::vector<qint64> told;
    const ParsedDrawFile parsed = parseDrawFile(file, *findLottery(kThreeD), [&](qint64 done, qint64 total) {
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
        parseDrawFile(file, *findLottery(kThreeD), [&](qint64, qint64) { return ++calls < 2; });
    } catch (const ParseCancelled&) {
        cancelled = true;
    }
    QVERIFY(cancelled);
    QCOMPARE(calls, 2);
}

void TestDrawImport::importBeyondTheCapSaysWhatStays()
{
    // The file holds five draws older than the 10000 stored and five newer.
    const std::vector<StoredDraw> all = fixtures::syntheticDraws(kChongqing, kRetainedDraws + 10);
    ProgramFolder folder;
    fixtures::storeDraws(folder.path(), kChongqing, {all.begin() + 5, all.end() - 5});
    QByteArray file;
    for (auto it : {all.begin(), all.end() - 5}) {
        for (auto draw = it; draw != it + 5; ++draw)
            file += draw->periodId.toLatin1() + ' ' + draw->digits.join(QString()).toLatin1() + '\n';
    }
    const LotteryInfo& info = *findLottery(kChongqing);
    DrawDatabase db(folder.path());
    const ImportPlan plan = planImport(parseDrawFile(file, info), storedDigits(db, info));
    QCOMPARE(importSummary(plan).mid(importSummary(plan).size() - 2),
             (QStringList{
                 QStringLiteral("表只保留最新10000期：将保留第%1期至第%2期").arg(all[10].periodId, all.back().periodId),
                 "    新的开奖中存入5期，较早的5期不存入，已存的5期将被删去"}));
    const ImportResult result = writeImport(db, info, plan, false);
    QCOMPARE(importResultText(result),
             QStringLiteral("成功导入5期！\n表只保留最新10000期：文件中较早的5期未存入，已存的5期已删去。"));
    const QStringList stored = exported(db, kChongqing);
    QCOMPARE(stored.size(), kRetainedDraws);
    QVERIFY(stored.first().startsWith(all[10].periodId));
    QVERIFY(stored.last().startsWith(all.back().periodId));
}

void TestDrawImport::writesNewAndOverwritesOnlyWhenAsked()
{
    ProgramFolder folder;
    fixtures::storeDraws(folder.path(), kThreeD, {{"2026001", {"1", "2", "3"}}, {"2026002", {"4", "5", "6"}}});
    const LotteryInfo& info = *findLottery(kThreeD);
    const QByteArray file = "2026001 123\n2026002 450\n2026003 789\n";
    for (const bool overwrite : {false, true}) {
        DrawDatabase db(folder.path());
        const ImportPlan plan = planImport(parseDrawFile(file, info), storedDigits(db, info));
        const ImportResult result = writeImport(db, info, plan, overwrite);
        QCOMPARE(result.added, overwrite ? 0 : 1);
        QCOMPARE(result.overwritten, overwrite ? 1 : 0);
        QCOMPARE(exported(db, kThreeD),
                 (QStringList{"2026001 123", overwrite ? "2026002 450" : "2026002 456", "2026003 789"}));
    }
}

void TestDrawImport::refusalLeavesTheTableAsItWas()
{
    ProgramFolder folder;
    fixtures::storeDraws(folder.path(), kThreeD, {{"2026001", {"1", "2", "3"}}});
    DrawDatabase db(folder.path());
    db.exec(
        QStringLiteral("create trigger refuse before insert on \"中国福彩3D彩票号码表\" "
                       "when new.\"记录期号\" = '2026004' begin select raise(abort, '不收此期'); end"));
    const LotteryInfo& info = *findLottery(kThreeD);
    // Enough draws that the refused one goes in with many others in one statement.
    QByteArray file;
    for (int period = 2026002; period <= 2026250; ++period)
        file += QByteArray::number(period) + " 111\n";
    const ImportPlan plan = planImport(parseDrawFile(file, info), storedDigits(db, info));
    try {
        writeImport(db, info, plan, false);
        QFAIL("the refused draw was not reported");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().contains("2026004") && e.message().contains("不收此期"), qPrintable(e.message()));
    }
    QCOMPARE(exported(db, kThreeD), QStringList{"2026001 123"});
}

void TestDrawImport::tableWithoutADigitColumnIsNamed()
{
    ProgramFolder folder;
    DrawDatabase db(folder.path());
    // Made by hand without the units column: no stored draw may seem to end in "3".
    db.exec(QStringLiteral("drop table \"中国福彩3D彩票号码表\""));
    db.exec(
        QStringLiteral("create table \"中国福彩3D彩票号码表\" (\"记录期号\" text primary key, \"1\" integer, "
                       "\"2\" integer)"));
    db.exec(QStringLiteral("insert into \"中国福彩3D彩票号码表\" values ('2026001', 1, 2)"));
    try {
        storedDigits(db, *findLottery(kThreeD));
        QFAIL("a table without column 3 was read");
    } catch (const DatabaseError& e) {
        QCOMPARE(e.message(), QStringLiteral("表“中国福彩3D彩票号码表”没有“3”列"));
    }
}

void TestDrawImport::exportImportRoundTrip()
{
    ProgramFolder from;
    ProgramFolder to;
    fixtures::storeDraws(from.path(), kChongqing, fixtures::syntheticDraws(kChongqing, 600));
    DrawDatabase source(from.path());
    const QStringList lines = exported(source, kChongqing);
    const QByteArray file = lines.join("\r\n").toUtf8() + "\r\n";

    DrawDatabase target(to.path());
    const LotteryInfo& info = *findLottery(kChongqing);
    const ImportPlan plan = planImport(parseDrawFile(file, info), storedDigits(target, info));
    QCOMPARE(int(plan.fresh.size()), 600);
    QVERIFY(plan.malformed.empty());
    writeImport(target, info, plan, false);
    QCOMPARE(exported(target, kChongqing).join("\r\n").toUtf8() + "\r\n", file);
}

void TestDrawImport::unreadableFileIsNamed()
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

QTEST_GUILESS_MAIN(TestDrawImport)
#include "test_draw_import.moc"
