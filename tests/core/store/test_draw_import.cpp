#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"
#include "core/store/draw_import.h"
#include "core/store/draw_row_set.h"
#include "core/store/history_loader.h"
#include "support/draw_fixtures.h"
#include "support/file_fixtures.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using fixtures::kToday;
using fixtures::ProgramFolder;
using fixtures::StoredDraw;

namespace {

const QString kThreeD = QStringLiteral("中国福彩3D");
const QString kChongqing = QStringLiteral("重庆时时彩");

QStringList exported(DrawDatabase& db, const QString& lottery)
{
    DrawRowSet rows;
    rows.open(db, lottery, [] { return kToday; });
    return QString::fromUtf8(rows.exportFileBytes()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

}  // namespace

class TestDrawImport : public QObject {
    Q_OBJECT

private slots:
    void summaryOfAnImport();
    void importBeyondTheCapSaysWhatStays();
    void writesNewAndOverwritesOnlyWhenAsked();
    void refusalLeavesTheTableAsItWas();
    void tableWithoutADigitColumnIsNamed();
    void storedDigitsOfASpan();
    void tableRulesHoldForEveryRow_data();
    void tableRulesHoldForEveryRow();
    void writesEveryDrawAsGiven_data();
    void writesEveryDrawAsGiven();
    void exportImportRoundTrip();
    void progressShownAfterASecondAndOnChange_data();
    void progressShownAfterASecondAndOnChange();
    void cancelledReadGivesNothing();
};

void TestDrawImport::summaryOfAnImport()
{
    const QHash<QString, QString> stored{{"2026001", "123"}, {"2026002", "456"}, {"2026003", "789"}};
    QByteArray file = "2026001 123\n2026002 450\n2026004 000\n2026005 111\n";
    for (int i = 0; i < 22; ++i)
        file += "bad line " + QByteArray::number(i) + "\n";
    const ImportPlan plan = planImport(parseDrawFile(file, *findLottery(kThreeD), kToday), stored);
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
    const ImportPlan plan = planImport(parseDrawFile(file, info, kToday), storedDigits(db, info));
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
        const ImportPlan plan = planImport(parseDrawFile(file, info, kToday), storedDigits(db, info));
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
    const ImportPlan plan = planImport(parseDrawFile(file, info, kToday), storedDigits(db, info));
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
    fixtures::handMadeTable(folder.path(), "中国福彩3D彩票号码表",
                            "\"记录期号\" text primary key, " + fixtures::digitColumns(2, "integer"),
                            {"'2026001', 1, 2"});
    try {
        storedDigits(db, *findLottery(kThreeD));
        QFAIL("a table without column 3 was read");
    } catch (const DatabaseError& e) {
        QCOMPARE(e.message(), QStringLiteral("表“中国福彩3D彩票号码表”没有“3”列"));
    }
}

// Reading only the stored draws among some periods: a table made by hand may hold a period as a
// number or a blob, which compare unlike text; those are read too, never taken for missing.
void TestDrawImport::storedDigitsOfASpan()
{
    ProgramFolder folder;
    DrawDatabase db(folder.path());
    fixtures::handMadeTable(folder.path(), "中国福彩3D彩票号码表",
                            "\"记录期号\" primary key, " + fixtures::digitColumns(3, "integer"),
                            {"2026002, 1, 2, 3", "'2026003', 4, 5, 6", "cast('2026004' as blob), 7, 8, 9",
                             "'2026001', 0, 0, 0", "'2026009', 9, 9, 9"});
    const QHash<QString, QString> stored = storedDigits(db, *findLottery(kThreeD), "2026002", "2026004");
    QCOMPARE(stored.value("2026002"), QStringLiteral("123"));
    QCOMPARE(stored.value("2026003"), QStringLiteral("456"));
    QCOMPARE(stored.value("2026004"), QStringLiteral("789"));
    QVERIFY(!stored.contains("2026001") && !stored.contains("2026009"));
}

void TestDrawImport::tableRulesHoldForEveryRow_data()
{
    // The table as the program makes it, or with a rule of its own that another tool gave it.
    QTest::addColumn<QString>("columns");  // empty: the program's own table
    QTest::addColumn<QStringList>("periods");
    QTest::addColumn<QStringList>("digits");
    QTest::addColumn<bool>("stored");
    QTest::newRow("the program's table, draws that keep its rules")
        << "" << QStringList{"2026001", "2026002"} << QStringList{"123", "456"} << true;
    QTest::newRow("the program's table, periods all of another length")
        << "" << QStringList{"20260001", "20260002"} << QStringList{"123", "456"} << false;
    QTest::newRow("a table's own rule") << "\"记录期号\" text primary key, \"1\" integer check (\"1\" < 5), "
                                           "\"2\" integer, \"3\" integer"
                                        << QStringList{"2026001", "2026002"} << QStringList{"123", "756"} << false;
}

// Many draws go in one statement, some of whose checks the writer has already made: a draw that
// breaks a rule of the table is still refused, and nothing of the import stays.
void TestDrawImport::tableRulesHoldForEveryRow()
{
    QFETCH(QString, columns);
    QFETCH(QStringList, periods);
    QFETCH(QStringList, digits);
    QFETCH(bool, stored);
    ProgramFolder folder;
    if (columns.isEmpty())
        DrawDatabase::create(folder.path());
    else
        fixtures::handMadeTable(folder.path(), "中国福彩3D彩票号码表", columns);
    DrawDatabase db(folder.path());
    const LotteryInfo& info = *findLottery(kThreeD);
    ParsedDrawFile file;
    for (qsizetype i = 0; i < periods.size(); ++i)
        file.draws.push_back({periods[i], digits[i], int(i + 1), {}});
    const ImportPlan plan = planImport(std::move(file), storedDigits(db, info));
    const QString refusal = fixtures::errorOf([&] { writeImport(db, info, plan, false); });
    QCOMPARE(refusal.isEmpty(), stored);
    QCOMPARE(exported(db, kThreeD).size(), stored ? periods.size() : 0);
}

void TestDrawImport::writesEveryDrawAsGiven_data()
{
    QTest::addColumn<QStringList>("periods");
    QTest::addColumn<QStringList>("digits");
    QTest::addColumn<QStringList>("stored");
    QTest::newRow("one width, digits 0-9") << QStringList{"2026001", "2026002"} << QStringList{"123", "450"}
                                           << QStringList{"2026001 1 2 3", "2026002 4 5 0"};
    // Cut at one width, the longer period would lose a character and shift the digits after it.
    // Written as whole numbers, "007" loses its zeros; its places must not.
    QTest::newRow("digits that start with zeros") << QStringList{"2026001", "2026002"} << QStringList{"007", "000"}
                                                  << QStringList{"2026001 0 0 7", "2026002 0 0 0"};
    QTest::newRow("a period of another length among them")
        << QStringList{"2026001", "20260002", "2026003"} << QStringList{"123", "456", "789"}
        << QStringList{"2026001 1 2 3", "20260002 4 5 6", "2026003 7 8 9"};
    QTest::newRow("a digit written in another script")
        << QStringList{"2026001", "2026002"} << QStringList{"123", QStringLiteral("4") + QChar(0x0665) + u'6'}
        << QStringList{"2026001 1 2 3", "2026002 4 5 6"};
    QTest::newRow("a quote and a backslash in a period")
        << QStringList{"2026001", "2026\"0\\2"} << QStringList{"123", "456"}
        << QStringList{"2026001 1 2 3", "2026\"0\\2 4 5 6"};
}

// A table a user made without the program's checks takes whatever a writer gives it: every draw
// goes in as it was read, with its source recorded.
void TestDrawImport::writesEveryDrawAsGiven()
{
    QFETCH(QStringList, periods);
    QFETCH(QStringList, digits);
    QFETCH(QStringList, stored);
    ProgramFolder folder;
    fixtures::handMadeTable(folder.path(), "中国福彩3D彩票号码表",
                            "\"记录期号\" text primary key, " + fixtures::digitColumns(3, "integer"));
    DrawDatabase db(folder.path());
    const DrawDatabase::SourceScope named(db, QStringLiteral("测试来源"));
    ImportPlan plan;
    for (qsizetype i = 0; i < periods.size(); ++i)
        plan.fresh.push_back({periods[i], digits[i], int(i + 1), {}});
    QCOMPARE(writeImport(db, *findLottery(kThreeD), plan, false).added, int(periods.size()));
    QSqlQuery query(db.connection());
    QVERIFY(query.exec(QStringLiteral("select * from \"中国福彩3D彩票号码表\" order by rowid")));
    QStringList rows;
    while (query.next())
        rows << QStringList{query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                            query.value(3).toString()}
                    .join(u' ');
    QCOMPARE(rows, stored);
    for (const QString& period : periods)
        QCOMPARE(db.drawOrigin(kThreeD, period).source, QStringLiteral("测试来源"));
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
    const ImportPlan plan = planImport(parseDrawFile(file, info, kToday), storedDigits(target, info));
    QCOMPARE(int(plan.fresh.size()), 600);
    QVERIFY(plan.malformed.empty());
    writeImport(target, info, plan, false);
    QCOMPARE(exported(target, kChongqing).join("\r\n").toUtf8() + "\r\n", file);
}

void TestDrawImport::progressShownAfterASecondAndOnChange_data()
{
    // Each step: milliseconds since the read began, bytes done, bytes in all; and what is shown
    // (-1: nothing).
    QTest::addColumn<QList<QList<qint64>>>("steps");
    QTest::addColumn<QList<int>>("shown");
    QTest::newRow("quiet for the first second")
        << QList<QList<qint64>>{{0, 10, 100}, {999, 90, 100}, {1000, 90, 100}} << QList<int>{-1, -1, 90};
    QTest::newRow("only when the percent changes")
        << QList<QList<qint64>>{{1500, 500, 1000}, {1600, 504, 1000}, {1700, 510, 1000}, {1800, 1000, 1000}}
        << QList<int>{50, -1, 51, 100};
    QTest::newRow("an empty file is read whole") << QList<QList<qint64>>{{2000, 0, 0}} << QList<int>{100};
}

void TestDrawImport::progressShownAfterASecondAndOnChange()
{
    QFETCH(QList<QList<qint64>>, steps);
    QFETCH(QList<int>, shown);
    ReadProgressThrottle throttle;
    QList<int> seen;
    for (const QList<qint64>& step : steps)
        seen << throttle.percentToShow(step[0], step[1], step[2]).value_or(-1);
    QCOMPARE(seen, shown);
}

void TestDrawImport::cancelledReadGivesNothing()
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath("3D.txt");
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("2026224 862\n").repeated(200 * 1024));
    file.close();
    const LotteryInfo& info = *findLottery(kThreeD);

    int asked = 0;
    const auto read = readDrawFileCancellable(fileName, info, kToday, {}, [&] { return ++asked >= 2; });
    QVERIFY(!read);
    QCOMPARE(asked, 2);

    const auto whole = readDrawFileCancellable(fileName, info, kToday, {}, [] { return false; });
    QVERIFY(whole);
    QCOMPARE(int(whole->draws.size()), 1);
    QCOMPARE(whole->malformedCount, 200 * 1024 - 1);
}

QTEST_GUILESS_MAIN(TestDrawImport)
#include "test_draw_import.moc"
