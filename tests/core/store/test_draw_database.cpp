#include "core/base/lottery_table.h"
#include "core/base/today_clock.h"
#include "core/base/u_public.h"
#include "core/base/user_error.h"
#include "core/store/database_refusal.h"
#include "core/store/draw_database.h"
#include "core/store/draw_row_set.h"
#include "core/store/history_loader.h"
#include "support/draw_fixtures.h"
#include "support/file_fixtures.h"

#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

using fixtures::errorOf;
using fixtures::ProgramFolder;
using fixtures::StoredDraw;

namespace {

QStringList columnsOf(DrawDatabase& db, const QString& table)
{
    QSqlQuery query(db.connection());
    QStringList columns;
    if (query.exec(QStringLiteral("select * from %1").arg(quoteIdentifier(table))))
        for (int i = 0; i < query.record().count(); ++i)
            columns << query.record().fieldName(i);
    return columns;
}

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
    u_public::setProgramDir(programDir);
    u_public::planSelection().lotteryName = lotteryName;
    const QString told = LoadHistory();
    if (notice)
        *notice = told;
    return u_public::drawHistory();
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

class TestDrawDatabase : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { today_clock::setToday(QDate(2026, 12, 9)); }
    void createsFolderFileAndTables();
    void creationKeepsStoredRows();
    void refusesMalformedDraws_data();
    void refusesMalformedDraws();
    void refusalsInTheUsersWords_data();
    void refusalsInTheUsersWords();
    void retentionCap_data();
    void retentionCap();
    void loadsOldestFirst();
    void newestStoredPeriod();
    void periodIdConversion_data();
    void periodIdConversion();
    void badPeriodIdText_data();
    void badPeriodIdText();
    void typedNameCannotChangeTheFile_data();
    void typedNameCannotChangeTheFile();
    void failedLoadKeepsTheHistory();
    void readOnlyOrLockedFileStillLoads_data();
    void readOnlyOrLockedFileStillLoads();
    void folderThatCannotHoldTheDatabase();
    void tableWithoutPeriodColumn();
    void rowSetOnTableWithoutRowid();
    void rowSetRefusesPeriodsNotDrawnYet();
};

void TestDrawDatabase::createsFolderFileAndTables()
{
    QTemporaryDir dir;
    const QString programDir = dir.path() + "/";
    DrawDatabase::create(programDir);
    QVERIFY(QFile::exists(dir.path() + "/数据库/彩票数据.mdb"));

    DrawDatabase db(programDir);
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        QStringList expected{"记录期号"};
        for (int k = 1; k <= lottery.digitCount; ++k)
            expected << QString::number(k);
        QCOMPARE(columnsOf(db, lottery.name + "彩票号码表"), expected);
    }
    QCOMPARE(db.tableNames().size(), 5);
}

void TestDrawDatabase::creationKeepsStoredRows()
{
    ProgramFolder folder;
    fixtures::storeDraws(folder.path(), "中国福彩3D", {{"2026001", {"1", "2", "3"}}});
    {
        // A table dropped by hand comes back; the others keep their rows.
        DrawDatabase db(folder.path());
        db.exec(QStringLiteral("drop table \"上海时时彩彩票号码表\""));
    }
    DrawDatabase::create(folder.path());
    DrawDatabase db(folder.path());
    QCOMPARE(rowCount(db, "中国福彩3D"), 1);
    QCOMPARE(rowCount(db, "上海时时彩"), 0);
}

void TestDrawDatabase::refusesMalformedDraws_data()
{
    QTest::addColumn<QString>("lottery");
    QTest::addColumn<QString>("periodId");
    QTest::addColumn<QStringList>("digits");
    QTest::addColumn<QString>("reason");  // part of the message the user sees

    const QStringList ok{"1", "2", "3"};
    QTest::newRow("duplicate period") << "中国福彩3D"
                                      << "2026001" << ok << "第2026001期已存在";
    QTest::newRow("period too short") << "中国福彩3D"
                                      << "202600" << ok << "记录期号须为7位数字（“202600”）";
    QTest::newRow("period too long") << "中国福彩3D"
                                     << "20260012" << ok << "记录期号须为7位数字";
    QTest::newRow("letter in period") << "中国福彩3D"
                                      << "2026a01" << ok << "记录期号须为7位数字";
    QTest::newRow("digit 10") << "中国福彩3D"
                              << "2026002" << QStringList{"1", "10", "3"} << "第2026002期：第2位须为0到9的数字";
    QTest::newRow("negative digit") << "中国福彩3D"
                                    << "2026002" << QStringList{"-1", "2", "3"} << "第1位";
    QTest::newRow("empty digit") << "中国福彩3D"
                                 << "2026002" << QStringList{"1", "2", ""} << "第3位";
    QTest::newRow("letter digit") << "中国福彩3D"
                                  << "2026002" << QStringList{"x", "2", "3"} << "第1位";
    QTest::newRow("fraction digit") << "中国福彩3D"
                                    << "2026002" << QStringList{"1", "2.5", "3"} << "第2位";
    QTest::newRow("too few digits") << "重庆时时彩"
                                    << "20261209001" << ok << "第20261209001期：号码个数与表不符（表有6列，给出4个值）";
    QTest::newRow("no such lottery") << "北京快乐8"
                                     << "2026002" << ok << "没有名为“北京快乐8”的彩票";
}

void TestDrawDatabase::refusesMalformedDraws()
{
    QFETCH(QString, lottery);
    QFETCH(QString, periodId);
    QFETCH(QStringList, digits);
    QFETCH(QString, reason);
    ProgramFolder folder;
    fixtures::storeDraws(folder.path(), "中国福彩3D", {{"2026001", {"1", "2", "3"}}});

    DrawDatabase db(folder.path());
    try {
        db.appendDraw(lottery, periodId, digits);
        QFAIL("the draw was stored");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
    }
    QCOMPARE(rowCount(db, "中国福彩3D"), 1);
}

void TestDrawDatabase::refusalsInTheUsersWords_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("periodId");
    QTest::addColumn<QString>("shown");
    QTest::newRow("rule of a table made elsewhere") << "CHECK constraint failed: x > 0"
                                                    << "2026001"
                                                    << "第2026001期：数据不符合表的规则（x > 0）";
    QTest::newRow("empty column") << "NOT NULL constraint failed: 中国福彩3D彩票号码表.2"
                                  << "2026001"
                                  << "第2026001期：“2”列不能为空";
    QTest::newRow("another program writing") << "database is locked"
                                             << ""
                                             << "数据库正被另一个程序使用，请稍后再试";
    QTest::newRow("read-only file") << "attempt to write a readonly database"
                                    << ""
                                    << "数据库文件是只读的，无法写入";
    QTest::newRow("no plain words: the engine's own") << "disk I/O error"
                                                      << ""
                                                      << "disk I/O error";
}

void TestDrawDatabase::refusalsInTheUsersWords()
{
    QFETCH(QString, engine);
    QFETCH(QString, periodId);
    QFETCH(QString, shown);
    QCOMPARE(refusalText(engine, QStringLiteral("中国福彩3D"), periodId), shown);
}

void TestDrawDatabase::retentionCap_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("kept");
    QTest::newRow("10003 draws") << 10003 << 10000;
    QTest::newRow("exactly 10000") << 10000 << 10000;
    QTest::newRow("fewer") << 20 << 20;
}

void TestDrawDatabase::retentionCap()
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

void TestDrawDatabase::loadsOldestFirst()
{
    ProgramFolder folder;
    // Stored newest first, as the day pages are read; the history comes back in period order.
    fixtures::storeDraws(
        folder.path(), "上海时时彩",
        {{"2026120903", {"7", "8", "9"}}, {"2026120901", {"1", "2", "3"}}, {"2026120902", {"4", "5", "6"}}});
    const DrawHistory history = loadAs(folder.path(), "上海时时彩");
    QCOMPARE(history.digitCount(), 3);
    QCOMPARE(u_public::planSelection().digitCount, 3);
    QCOMPARE(history.size(), 3);
    const int32_t expected[3][4] = {{26120901, 1, 2, 3}, {26120902, 4, 5, 6}, {26120903, 7, 8, 9}};
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 4; ++k)
            QCOMPARE(history.element(r, k), expected[r][k]);

    QCOMPARE(loadAs(folder.path(), "江西时时彩").digitCount(), 5);
    QCOMPARE(u_public::planSelection().digitCount, 5);
}

void TestDrawDatabase::newestStoredPeriod()
{
    ProgramFolder folder;
    DrawDatabase db(folder.path());
    QCOMPARE(db.newestPeriodId("重庆时时彩"), QStringLiteral("0"));
    QVERIFY(db.storedPeriodIds("重庆时时彩").isEmpty());
    fixtures::storeDraws(folder.path(), "重庆时时彩",
                         {{"20261209002", {"1", "2", "3", "4", "5"}}, {"20261209001", {"1", "2", "3", "4", "5"}}});
    QCOMPARE(db.newestPeriodId("重庆时时彩"), QStringLiteral("20261209002"));
    QCOMPARE(db.storedPeriodIds("重庆时时彩"), (QSet<QString>{"20261209001", "20261209002"}));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, db.newestPeriodId("北京"));
}

void TestDrawDatabase::periodIdConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("id");
    QTest::newRow("7 characters, whole") << "2026001" << 2026001;
    QTest::newRow("8 characters lose two") << "20260012" << 260012;
    QTest::newRow("10 characters") << "2026120901" << 26120901;
    QTest::newRow("11 characters") << "20261209001" << 261209001;
    QTest::newRow("leading zeros of the rest") << "20000000042" << 42;
}

void TestDrawDatabase::periodIdConversion()
{
    QFETCH(QString, text);
    QFETCH(int, id);
    QCOMPARE(periodIdFromText(text), id);
}

void TestDrawDatabase::badPeriodIdText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("letters") << "20A6001";
    QTest::newRow("beyond 32 bits") << "20999999999999";
}

void TestDrawDatabase::badPeriodIdText()
{
    QFETCH(QString, text);
    QVERIFY_THROWS_EXCEPTION(UserError, periodIdFromText(text));
}

void TestDrawDatabase::typedNameCannotChangeTheFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("closing quote and statement") << "重庆时时彩彩票号码表\"; drop table \"重庆时时彩";
    QTest::newRow("single quotes") << "x' or '1'='1";
    QTest::newRow("semicolon") << "中国福彩3D彩票号码表; delete from 中国福彩3D";
    QTest::newRow("comment") << "中国福彩3D彩票号码表 --";
}

void TestDrawDatabase::typedNameCannotChangeTheFile()
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

void TestDrawDatabase::failedLoadKeepsTheHistory()
{
    ProgramFolder folder;
    fixtures::storeDraws(folder.path(), "中国福彩3D", fixtures::syntheticDraws("中国福彩3D", 5));
    QCOMPARE(loadAs(folder.path(), "中国福彩3D").size(), 5);
    {
        // A lottery table made by hand, without the checks of ours, holding a bad digit.
        DrawDatabase db(folder.path());
        db.exec(
            QStringLiteral("create table \"自制彩票号码表\" (\"记录期号\" text, \"1\", \"2\", \"3\", \"4\", \"5\")"));
        db.exec(QStringLiteral("insert into \"自制彩票号码表\" values ('20261209001', 1, 2, 3, 4, 12)"));
    }
    try {
        loadAs(folder.path(), "自制");
        QFAIL("a digit of 12 was loaded");
    } catch (const UserError& e) {
        QVERIFY2(e.message().contains("“12”"), qPrintable(e.message()));
    }
    QCOMPARE(u_public::drawHistory().size(), 5);
    QCOMPARE(u_public::planSelection().digitCount, 3);
}

void TestDrawDatabase::readOnlyOrLockedFileStillLoads_data()
{
    QTest::addColumn<bool>("locked");  // another program holds the write lock; otherwise the file is read-only
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("reason");  // part of the notice; empty when there is none

    QTest::newRow("read-only, within the cap") << false << 20 << QString();
    QTest::newRow("read-only, over the cap") << false << 10003 << "数据库文件是只读的";
    QTest::newRow("locked, within the cap") << true << 20 << QString();
    QTest::newRow("locked, over the cap") << true << 10003 << "数据库正被另一个程序使用";
}

void TestDrawDatabase::readOnlyOrLockedFileStillLoads()
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

void TestDrawDatabase::folderThatCannotHoldTheDatabase()
{
    QTemporaryDir dir;
    const QString programDir = dir.path() + "/";
    QFile blocker(programDir + "数据库");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString folder = QDir::toNativeSeparators(programDir + "数据库");

    QString message = errorOf([&] { DrawDatabase::create(programDir); });
    QVERIFY2(message.contains(folder) && message.contains("同名的文件已经存在"), qPrintable(message));
    message = errorOf([&] { DrawDatabase db(programDir); });
    QVERIFY2(message.contains(folder) && message.contains("不是文件夹"), qPrintable(message));

    // Root writes wherever it likes, so only an ordinary user sees a read-only folder.
    if (geteuid() == 0)
        QSKIP("a read-only folder cannot be shown to root");
    QVERIFY(blocker.remove());
    QVERIFY(QDir().mkdir(programDir + "数据库"));
    QVERIFY(QFile::setPermissions(programDir + "数据库", QFile::ReadOwner | QFile::ExeOwner));
    message = errorOf([&] { DrawDatabase::create(programDir); });
    QFile::setPermissions(programDir + "数据库", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(message.contains(folder) && message.contains("是只读的"), qPrintable(message));
}

void TestDrawDatabase::tableWithoutPeriodColumn()
{
    ProgramFolder folder;
    {
        DrawDatabase db(folder.path());
        db.exec(QStringLiteral("drop table \"重庆时时彩彩票号码表\""));
        db.exec(
            QStringLiteral("create table \"重庆时时彩彩票号码表\" (\"期号\" text, \"1\", \"2\", \"3\", \"4\", \"5\")"));
        db.exec(QStringLiteral("insert into \"重庆时时彩彩票号码表\" values ('20261209001', 1, 2, 3, 4, 5)"));
    }
    const QString expected = QStringLiteral("表“重庆时时彩彩票号码表”没有“记录期号”列");
    DrawDatabase db(folder.path());
    QCOMPARE(errorOf([&] { db.newestPeriodId("重庆时时彩"); }), expected);
    QCOMPARE(errorOf([&] { loadAs(folder.path(), "重庆时时彩"); }), expected);
    DrawRowSet rows;
    QCOMPARE(errorOf([&] { rows.open(db, "重庆时时彩"); }), expected);
}

void TestDrawDatabase::rowSetOnTableWithoutRowid()
{
    ProgramFolder folder;
    DrawDatabase db(folder.path());
    db.exec(QStringLiteral("drop table \"上海时时彩彩票号码表\""));
    db.exec(
        QStringLiteral("create table \"上海时时彩彩票号码表\" (\"记录期号\" text primary key, \"1\" integer, "
                       "\"2\" integer, \"3\" integer) without rowid"));
    fixtures::storeDraws(folder.path(), "上海时时彩",
                         {{"2026120902", {"4", "5", "6"}}, {"2026120901", {"1", "2", "3"}}});
    auto stored = [&] {
        QStringList lines;
        QSqlQuery query(db.connection());
        query.exec(QStringLiteral("select * from \"上海时时彩彩票号码表\" order by 1"));
        while (query.next())
            lines << query.value(0).toString() + ":" + query.value(1).toString() + query.value(2).toString() +
                         query.value(3).toString();
        return lines;
    };

    DrawRowSet rows;
    rows.open(db, "上海时时彩");
    QCOMPARE(rows.rowCount(), 2);
    QCOMPARE(rows.current(), 1);
    rows.setEditable(true);
    rows.edit();
    rows.setValue(0, "2026120903");  // the period itself, the row's address, changes
    rows.setValue(3, "9");
    rows.post();
    QCOMPARE(stored(), (QStringList{"2026120901:123", "2026120903:459"}));
    rows.append();
    rows.setValue(0, "2026120904");
    for (int k = 1; k <= 3; ++k)
        rows.setValue(k, "7");
    rows.post();
    rows.moveTo(0);
    rows.deleteCurrent();
    QCOMPARE(stored(), (QStringList{"2026120903:459", "2026120904:777"}));
    rows.moveTo(1);
    rows.refresh();
    QCOMPARE(rows.index(rows.current(), 0).data().toString(), QStringLiteral("2026120904"));

    // Without 记录期号 as its only key, a row cannot be told apart safely: look, do not touch.
    db.exec(QStringLiteral("drop table \"上海时时彩彩票号码表\""));
    db.exec(
        QStringLiteral("create table \"上海时时彩彩票号码表\" (\"记录期号\" text, \"1\", \"2\", \"3\", "
                       "primary key (\"记录期号\", \"1\")) without rowid"));
    db.exec(QStringLiteral("insert into \"上海时时彩彩票号码表\" values ('2026120901', 1, 2, 3)"));
    rows.open(db, "上海时时彩");
    QCOMPARE(rows.rowCount(), 1);
    const QString message = errorOf([&] { rows.edit(); });
    QVERIFY2(message.contains("WITHOUT ROWID") && message.contains("不能修改"), qPrintable(message));
    QVERIFY(!rows.isPending());
    QVERIFY(!rows.setData(rows.index(0, 1), "5", Qt::EditRole));
}

void TestDrawDatabase::rowSetRefusesPeriodsNotDrawnYet()
{
    ProgramFolder folder;
    DrawDatabase db(folder.path());
    DrawRowSet rows;
    rows.open(db, "重庆时时彩");
    rows.setEditable(true);
    rows.append();
    rows.setValue(0, "99999999999");
    for (int k = 1; k <= 5; ++k)
        rows.setValue(k, "1");
    const QString message = errorOf([&] { rows.post(); });
    QVERIFY2(message.contains("99999999999") && message.contains("不存在"), qPrintable(message));
    QVERIFY(rows.isPending());
    QCOMPARE(db.newestPeriodId("重庆时时彩"), QStringLiteral("0"));
    rows.setValue(0, "20261209001");
    rows.post();
    QCOMPARE(db.newestPeriodId("重庆时时彩"), QStringLiteral("20261209001"));
}

QTEST_GUILESS_MAIN(TestDrawDatabase)
#include "test_draw_database.moc"
