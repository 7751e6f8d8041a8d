#include "core/base/lottery_table.h"
#include "core/base/program_paths.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"
#include "core/store/draw_row_set.h"
#include "core/store/history_loader.h"
#include "support/draw_fixtures.h"
#include "support/file_fixtures.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

using fixtures::errorOf;
using fixtures::ProgramFolder;

namespace {

int rowCount(DrawDatabase& db, const QString& lotteryName)
{
    QSqlQuery query(db.connection());
    query.exec(QStringLiteral("select count(*) from %1").arg(quoteIdentifier(lotteryTableName(lotteryName))));
    return query.next() ? query.value(0).toInt() : -1;
}

// Every table and row of the file, in a stable order, for before-and-after comparisons.
QStringList dump(const QString& programDir)
{
    DrawDatabase db(programDir);
    QStringList lines;
    QStringList tables = db.tableNames();
    tables.sort();
    for (const QString& table : tables) {
        QSqlQuery query(db.connection());
        query.exec(QStringLiteral("select * from %1 order by 1").arg(quoteIdentifier(table)));
        while (query.next()) {
            QStringList row{table};
            for (int i = 0; i < query.record().count(); ++i)
                row << query.value(i).toString();
            lines << row.join(QLatin1Char('|'));
        }
        lines << table;
    }
    return lines;
}

DrawHistory loadAs(const QString& programDir, const QString& lotteryName, QString* notice = nullptr)
{
    return LoadHistory(program_paths::dataDirFor(programDir), lotteryName, notice);
}

// SQLite treats a file whose header asks for a newer writer than itself as read-only: a
// read-only file that even root cannot write to. No connection may be open.
void makeReadOnly(const QString& databasePath)
{
    QFile file(databasePath);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(18));
    QVERIFY(file.write("\x03", 1) == 1);
}

}  // namespace

// Loading a lottery's history: period order and period numbers, the newest 10000 periods kept, a
// stored digit that fails the load, a file that is read-only or held by another program, and
// names and tables that are not ours.
class TestHistoryLoader : public QObject {
    Q_OBJECT

private slots:
    void retentionCap_data();
    void retentionCap();
    void loadsOldestFirst();
    void periodIdConversion_data();
    void periodIdConversion();
    void badPeriodIdText_data();
    void badPeriodIdText();
    void typedNameCannotChangeTheFile_data();
    void typedNameCannotChangeTheFile();
    void badStoredDigitFailsTheLoad();
    void readOnlyOrLockedFileStillLoads_data();
    void readOnlyOrLockedFileStillLoads();
    void tableWithoutPeriodColumn();
};

void TestHistoryLoader::retentionCap_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("kept");
    QTest::newRow("10003 draws") << 10003 << 10000;
    QTest::newRow("exactly 10000") << 10000 << 10000;
    QTest::newRow("fewer") << 20 << 20;
}

void TestHistoryLoader::retentionCap()
{
    QFETCH(int, stored);
    QFETCH(int, kept);
    ProgramFolder folder;
    const auto draws = fixtures::syntheticDraws("重庆时时彩", stored);
    fixtures::storeDraws(folder.path(), "重庆时时彩", draws);

    const DrawHistory history = loadAs(folder.path(), "重庆时时彩");
    QCOMPARE(history.size(), kept);
    const int dropped = stored - kept;
    QCOMPARE(history.periodId(0), periodIdFromText(draws[std::size_t(dropped)].periodId));
    QCOMPARE(history.periodId(kept - 1), periodIdFromText(draws.back().periodId));

    DrawDatabase db(folder.path());
    QCOMPARE(rowCount(db, "重庆时时彩"), kept);
    QSqlQuery query(db.connection());
    query.exec(QStringLiteral("select min(\"记录期号\") from \"重庆时时彩彩票号码表\""));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), draws[std::size_t(dropped)].periodId);
}

void TestHistoryLoader::loadsOldestFirst()
{
    ProgramFolder folder;
    // Stored newest first, as the day pages are read; the history comes back in period order.
    fixtures::storeDraws(
        folder.path(), "上海时时彩",
        {{"2026120903", {"7", "8", "9"}}, {"2026120901", {"1", "2", "3"}}, {"2026120902", {"4", "5", "6"}}});
    const DrawHistory history = loadAs(folder.path(), "上海时时彩");
    QCOMPARE(history.digitCount(), 3);
    QCOMPARE(history.size(), 3);
    const int32_t expected[3][4] = {{26120901, 1, 2, 3}, {26120902, 4, 5, 6}, {26120903, 7, 8, 9}};
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 4; ++k)
            QCOMPARE(history.element(r, k), expected[r][k]);

    QCOMPARE(loadAs(folder.path(), "江西时时彩").digitCount(), 5);
}

void TestHistoryLoader::periodIdConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("id");
    QTest::newRow("7 characters, whole") << "2026001" << 2026001;
    QTest::newRow("8 characters lose two") << "20260012" << 260012;
    QTest::newRow("10 characters") << "2026120901" << 26120901;
    QTest::newRow("11 characters") << "20261209001" << 261209001;
    QTest::newRow("leading zeros of the rest") << "20000000042" << 42;
}

void TestHistoryLoader::periodIdConversion()
{
    QFETCH(QString, text);
    QFETCH(int, id);
    QCOMPARE(periodIdFromText(text), id);
}

void TestHistoryLoader::badPeriodIdText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("letters") << "20A6001";
    QTest::newRow("beyond 32 bits") << "20999999999999";
}

void TestHistoryLoader::badPeriodIdText()
{
    QFETCH(QString, text);
    QVERIFY_THROWS_EXCEPTION(UserError, periodIdFromText(text));
}

void TestHistoryLoader::typedNameCannotChangeTheFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("closing quote and statement") << "重庆时时彩彩票号码表\"; drop table \"重庆时时彩";
    QTest::newRow("single quotes") << "x' or '1'='1";
    QTest::newRow("semicolon") << "中国福彩3D彩票号码表; delete from 中国福彩3D";
    QTest::newRow("comment") << "中国福彩3D彩票号码表 --";
}

void TestHistoryLoader::typedNameCannotChangeTheFile()
{
    QFETCH(QString, name);
    ProgramFolder folder;
    fixtures::storeDraws(folder.path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", 12));
    fixtures::storeDraws(folder.path(), "中国福彩3D", fixtures::syntheticDraws("中国福彩3D", 12001));
    const QStringList before = dump(folder.path());

    try {
        loadAs(folder.path(), name);
        QFAIL("a name that is no lottery loaded");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().startsWith("没有名为“"), qPrintable(e.message()));
    }
    QCOMPARE(dump(folder.path()), before);
}

void TestHistoryLoader::badStoredDigitFailsTheLoad()
{
    ProgramFolder folder;
    fixtures::storeDraws(folder.path(), "中国福彩3D", fixtures::syntheticDraws("中国福彩3D", 5));
    QCOMPARE(loadAs(folder.path(), "中国福彩3D").size(), 5);
    // A lottery table made by hand, without the checks of ours, holding a bad digit.
    fixtures::handMadeTable(folder.path(), "自制彩票号码表", "\"记录期号\" text, " + fixtures::digitColumns(5),
                            {"'20261209001', 1, 2, 3, 4, 12"});
    try {
        loadAs(folder.path(), "自制");
        QFAIL("a digit of 12 was loaded");
    } catch (const UserError& e) {
        QVERIFY2(e.message().contains("“12”"), qPrintable(e.message()));
    }
}

void TestHistoryLoader::readOnlyOrLockedFileStillLoads_data()
{
    QTest::addColumn<bool>("locked");  // another program holds the write lock; otherwise the file is read-only
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("reason");  // part of the notice; empty when there is none

    QTest::newRow("read-only, within the cap") << false << 20 << QString();
    QTest::newRow("read-only, over the cap") << false << 10003 << "数据库文件是只读的";
    QTest::newRow("locked, within the cap") << true << 20 << QString();
    QTest::newRow("locked, over the cap") << true << 10003 << "数据库正被另一个程序使用";
}

void TestHistoryLoader::readOnlyOrLockedFileStillLoads()
{
    QFETCH(bool, locked);
    QFETCH(int, stored);
    QFETCH(QString, reason);
    ProgramFolder folder;
    const auto draws = fixtures::syntheticDraws("重庆时时彩", stored);
    fixtures::storeDraws(folder.path(), "重庆时时彩", draws);

    std::unique_ptr<DrawDatabase> otherProgram;
    if (locked) {
        otherProgram = std::make_unique<DrawDatabase>(folder.path());
        otherProgram->exec(QStringLiteral("begin immediate"));
    } else {
        makeReadOnly(folder.databasePath());
        DrawDatabase::create(folder.path());  // as at every start
    }

    QString notice;
    const DrawHistory history = loadAs(folder.path(), "重庆时时彩", &notice);
    const int shown = std::min(stored, kRetainedDraws);
    QCOMPARE(history.size(), shown);
    QCOMPARE(history.periodId(0), periodIdFromText(draws[std::size_t(stored - shown)].periodId));
    QCOMPARE(history.periodId(shown - 1), periodIdFromText(draws.back().periodId));
    if (reason.isEmpty()) {
        QCOMPARE(notice, QString());
    } else {
        QVERIFY2(notice.contains(reason) && notice.contains("10003") && notice.contains("最新的10000期"),
                 qPrintable(notice));
    }
    otherProgram.reset();
    DrawDatabase db(folder.path());
    QCOMPARE(rowCount(db, "重庆时时彩"), stored);
}

void TestHistoryLoader::tableWithoutPeriodColumn()
{
    ProgramFolder folder;
    fixtures::handMadeTable(folder.path(), "重庆时时彩彩票号码表", "\"期号\" text, " + fixtures::digitColumns(5),
                            {"'20261209001', 1, 2, 3, 4, 5"});
    const QString expected = QStringLiteral("表“重庆时时彩彩票号码表”没有“记录期号”列");
    DrawDatabase db(folder.path());
    QCOMPARE(errorOf([&] { db.newestPeriodId("重庆时时彩"); }), expected);
    QCOMPARE(errorOf([&] { loadAs(folder.path(), "重庆时时彩"); }), expected);
    DrawRowSet rows;
    QCOMPARE(errorOf([&] { rows.open(db, "重庆时时彩", [] { return fixtures::kToday; }); }), expected);
}

QTEST_GUILESS_MAIN(TestHistoryLoader)
#include "test_history_loader.moc"
