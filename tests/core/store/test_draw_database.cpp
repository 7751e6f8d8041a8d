#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"
#include "core/store/draw_import.h"
#include "core/store/draw_origins.h"
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
#include <algorithm>
#include <optional>

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

}  // namespace

class TestDrawDatabase : public QObject {
    Q_OBJECT

private slots:
    void createsFolderFileAndTables();
    void creationKeepsStoredRows();
    void refusesMalformedDraws_data();
    void refusesMalformedDraws();
    void newestStoredPeriod();
    void transactionKeepsRowsOnlyWhenCommitted_data();
    void transactionKeepsRowsOnlyWhenCommitted();
    void folderThatCannotHoldTheDatabase();
    void drawsKeepWhereTheyCameFrom();
    void runsOfPeriodsStoredTogether_data();
    void runsOfPeriodsStoredTogether();
    void sideTableDroppedByAnotherTool_data();
    void sideTableDroppedByAnotherTool();
    void overwriteOfADrawDeletedSinceThePlan();
    void fileFromBeforeSourcesReadsUnknown();
    void tallyOfWhatSecondSourcesSaid_data();
    void tallyOfWhatSecondSourcesSaid();
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
    QCOMPARE(db.tableNames().size(), 7);
    QVERIFY(db.tableNames().contains(kSourceTable));
    QVERIFY(db.tableNames().contains(kRunTable));
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

void TestDrawDatabase::transactionKeepsRowsOnlyWhenCommitted_data()
{
    QTest::addColumn<bool>("commit");
    QTest::addColumn<bool>("refusedOnTheWay");
    QTest::addColumn<int>("rows");
    QTest::newRow("committed") << true << false << 3;
    QTest::newRow("left without commit") << false << false << 1;
    // The refused row throws past commit(): the row before it must go too.
    QTest::newRow("left by a refusal") << true << true << 1;
}

void TestDrawDatabase::transactionKeepsRowsOnlyWhenCommitted()
{
    QFETCH(bool, commit);
    QFETCH(bool, refusedOnTheWay);
    QFETCH(int, rows);
    ProgramFolder folder;
    fixtures::storeDraws(folder.path(), "中国福彩3D", {{"2026001", {"1", "2", "3"}}});
    DrawDatabase db(folder.path());
    try {
        DrawDatabase::Transaction transaction(db);
        db.appendDraw("中国福彩3D", "2026002", {"4", "5", "6"});
        db.appendDraw("中国福彩3D", refusedOnTheWay ? "2026001" : "2026003", {"7", "8", "9"});
        if (commit)
            transaction.commit();
    } catch (const DatabaseError&) {
        QVERIFY(refusedOnTheWay);
    }
    QCOMPARE(rowCount(db, "中国福彩3D"), rows);
    // The connection is free for the next transaction either way.
    DrawDatabase::Transaction next(db);
    db.appendDraw("中国福彩3D", "2026009", {"0", "0", "0"});
    next.commit();
    QCOMPARE(rowCount(db, "中国福彩3D"), rows + 1);
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
    QVERIFY2(message.contains(folder) && message.contains("是一个文件，不是文件夹"), qPrintable(message));
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

void TestDrawDatabase::drawsKeepWhereTheyCameFrom()
{
    ProgramFolder folder;
    DrawDatabase db(folder.path());
    {
        const DrawDatabase::SourceScope named(db, "中国福利彩票");
        DrawDatabase::Transaction transaction(db);
        for (int period = 2026001; period <= 2026003; ++period)
            db.appendDraw("中国福彩3D", QString::number(period), {"1", "2", "3"});
        transaction.commit();
    }
    {
        // A second writer of the same period replaces the record rather than adding one.
        const DrawDatabase::SourceScope named(db, importSourceName("/tmp/历史.txt"));
        db.recordSources("中国福彩3D", {"2026003"});
    }
    QCOMPARE(db.source(), kUnknownSource);
    QCOMPARE(db.drawOrigin("中国福彩3D", "2026001").source, QString("中国福利彩票"));
    QVERIFY(!db.drawOrigin("中国福彩3D", "2026001").storedAt.isEmpty());
    QVERIFY(db.drawOrigin("中国福彩3D", "2026001").confirmedBy.isEmpty());
    QCOMPARE(db.drawOrigin("中国福彩3D", "2026003").source, QString("导入：历史.txt"));
    QCOMPARE(db.drawOrigin("中国体彩排列3", "2026001").source, kUnknownSource);

    // A refused draw leaves no record of its own.
    QVERIFY(!errorOf([&] { db.appendDraw("中国福彩3D", "2026004", {"1", "x", "3"}); }).isEmpty());
    QCOMPARE(db.drawOrigin("中国福彩3D", "2026004").source, kUnknownSource);

    // The retention cap takes the records of the draws it deletes.
    QCOMPARE(db.trimToNewest("中国福彩3D", 1), 2);
    QSqlQuery query(db.connection());
    QVERIFY(query.exec("select \"记录期号\" from \"开奖来源\""));
    QStringList recorded;
    while (query.next())
        recorded << query.value(0).toString();
    QCOMPARE(recorded, QStringList{"2026003"});
}

void TestDrawDatabase::runsOfPeriodsStoredTogether_data()
{
    // Steps, one after the other, on 3D's periods 2026001…: "store 1-10 甲" (new draws, one
    // transaction), "type 5 乙" (one draw alone), "rewrite 3-7 丙" (other digits over stored
    // draws), "delete 4-6", "check 2" (a second source agrees). Then what each stored period
    // reads as ("1-3 甲"), and how many runs say it.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("runs");
    QTest::newRow("one run") << QStringList{"store 1-10 甲"} << QStringList{"1-10 甲"} << 1;
    QTest::newRow("a draw typed within a run")
        << QStringList{"store 1-10 甲", "delete 5", "type 5 乙"} << QStringList{"1-4 甲", "5 乙", "6-10 甲"} << 1;
    QTest::newRow("a newer run cuts the older") << QStringList{"store 1-10 甲", "delete 4-6", "store 4-6 乙"}
                                                << QStringList{"1-3 甲", "4-6 乙", "7-10 甲"} << 3;
    QTest::newRow("a run over an older one's end and a gap")
        << QStringList{"store 1-5 甲", "store 8-9 乙", "delete 4-5", "store 4-7 丙"}
        << QStringList{"1-3 甲", "4-7 丙", "8-9 乙"} << 3;
    QTest::newRow("a run over an older one whole")
        << QStringList{"store 3-4 甲", "store 1-2 乙", "rewrite 1-4 丙"} << QStringList{"1-4 丙"} << 1;
    QTest::newRow("draws among others stored before are recorded one by one")
        << QStringList{"store 2 甲", "store 1 乙", "store 3 乙", "rewrite 1-3 丙", "rewrite 1 丁", "rewrite 3 丁"}
        << QStringList{"1 丁", "2 丙", "3 丁"} << 1;
    QTest::newRow("scattered draws are not one run")
        << QStringList{"store 1 甲", "store 3 甲", "store 2 乙", "rewrite 1 丙", "rewrite 3 丙"}
        << QStringList{"1 丙", "2 乙", "3 丙"} << 0;
    QTest::newRow("a checked draw keeps its run's source; written anew, loses the check")
        << QStringList{"store 1-4 甲", "check 2", "check 3", "rewrite 3-4 乙"}
        << QStringList{"1 甲", "2 甲 checked", "3-4 乙"} << 2;
    QTest::newRow("a run whose draws are all deleted goes")
        << QStringList{"store 1-3 甲", "store 4-6 乙", "delete 4-6", "type 5 丙"} << QStringList{"1-3 甲", "5 丙"} << 1;
}

void TestDrawDatabase::runsOfPeriodsStoredTogether()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    QFETCH(int, runs);
    const QString lottery = QStringLiteral("中国福彩3D");
    const auto periodsOf = [](const QString& span) {
        const QStringList ends = span.split(u'-');
        QStringList periods;
        for (int n = ends.front().toInt(); n <= ends.back().toInt(); ++n)
            periods << QStringLiteral("2026%1").arg(n, 3, 10, QLatin1Char('0'));
        return periods;
    };
    ProgramFolder folder;
    DrawDatabase::create(folder.path());
    DrawDatabase db(folder.path());
    for (const QString& step : steps) {
        const QStringList words = step.split(u' ');
        const QStringList periods = periodsOf(words[1]);
        const DrawDatabase::SourceScope named(db, words.value(2));
        if (words[0] == u"store" || words[0] == u"type") {
            std::optional<DrawDatabase::Transaction> transaction;
            if (words[0] == u"store")
                transaction.emplace(db);
            for (const QString& period : periods)
                db.appendDraw(lottery, period, {"1", "2", "3"});
            if (transaction)
                transaction->commit();
        } else if (words[0] == u"rewrite") {
            DrawDatabase::Transaction transaction(db);
            db.exec(
                QStringLiteral("update \"中国福彩3D彩票号码表\" set \"1\" = 9 where \"记录期号\" between '%1' and '%2'")
                    .arg(periods.front(), periods.back()));
            db.recordSources(lottery, periods);
            transaction.commit();
        } else if (words[0] == u"delete") {
            db.exec(QStringLiteral("delete from \"中国福彩3D彩票号码表\" where \"记录期号\" between '%1' and '%2'")
                        .arg(periods.front(), periods.back()));
            db.forgetDeletedSources(lottery);
        } else {
            db.markChecked(lottery, QStringLiteral("中彩网"), {{periods.front(), {}, {}}});
        }
    }
    QStringList wanted;
    for (const QString& span : expected) {
        const QStringList words = span.split(u' ');
        for (const QString& period : periodsOf(words[0]))
            wanted << period + u' ' + words.mid(1).join(u' ');
    }
    // Each draw as the data window and 核对 read it, one by one and all at once.
    const QHash<QString, QString> sources = recordedSources(db, lottery);
    QStringList read;
    QStringList periods = db.storedPeriodIds(lottery).values();
    std::sort(periods.begin(), periods.end());
    for (const QString& period : periods) {
        const DrawDatabase::DrawOrigin origin = db.drawOrigin(lottery, period);
        QCOMPARE(sources.value(period), origin.source);
        QVERIFY(!origin.storedAt.isEmpty());
        read << period + u' ' + origin.source + (origin.confirmed() ? QStringLiteral(" checked") : QString());
    }
    QCOMPARE(read, wanted);
    QSqlQuery query(db.connection());
    QVERIFY(query.exec("select count(*) from \"开奖来源批次\"") && query.next());
    QCOMPARE(query.value(0).toInt(), runs);
}

void TestDrawDatabase::sideTableDroppedByAnotherTool_data()
{
    QTest::addColumn<QString>("table");
    QTest::newRow("runs") << QStringLiteral("开奖来源批次");
    QTest::newRow("rows") << QStringLiteral("开奖来源");
}

void TestDrawDatabase::sideTableDroppedByAnotherTool()
{
    // Another SQLite tool drops a side table while Quorlin has the file open: the draws still
    // read, deleting one still works, 核对 still marks.
    QFETCH(QString, table);
    const QString lottery = QStringLiteral("中国福彩3D");
    ProgramFolder folder;
    DrawDatabase::create(folder.path());
    DrawDatabase db(folder.path());
    {
        const DrawDatabase::SourceScope named(db, "甲");
        DrawDatabase::Transaction transaction(db);
        for (const QString period : {"2026001", "2026002", "2026003"})
            db.appendDraw(lottery, period, {"1", "2", "3"});
        transaction.commit();
    }
    {
        DrawDatabase other(folder.path());
        other.exec(QStringLiteral("drop table %1").arg(quoteIdentifier(table)));
    }
    const QString read = errorOf([&] { recordedSources(db, lottery); });
    db.exec("delete from \"中国福彩3D彩票号码表\" where \"记录期号\" = '2026003'");
    const QString forgot = errorOf([&] { db.forgetDeletedSources(lottery); });
    const QString marked = errorOf([&] { db.markChecked(lottery, "中彩网", {{"2026001", {}, {}}}); });
    const QString stored = errorOf([&] {
        const DrawDatabase::SourceScope named(db, "乙");
        DrawDatabase::Transaction transaction(db);
        for (const QString period : {"2026004", "2026005"})
            db.appendDraw(lottery, period, {"1", "2", "3"});
        transaction.commit();
    });
    QCOMPARE((QStringList{read, forgot, marked, stored}).join(u'|'), QStringLiteral("|||"));
}

void TestDrawDatabase::overwriteOfADrawDeletedSinceThePlan()
{
    // The import was planned over 001..003 (001 and 003 differ from the file); before the user
    // said to overwrite, another instance deleted 001. 002 was typed by hand and is no part of
    // the import: it must still read as typed.
    const QString lottery = QStringLiteral("中国福彩3D");
    ProgramFolder folder;
    DrawDatabase::create(folder.path());
    DrawDatabase db(folder.path());
    {
        const DrawDatabase::SourceScope named(db, kTypedSource);
        for (const QString period : {"2026001", "2026002", "2026003"})
            db.appendDraw(lottery, period, {"1", "2", "3"});
    }
    ImportPlan plan;
    plan.conflicts = {{"2026001", "123", "456", 1}, {"2026003", "123", "456", 3}};
    {
        DrawDatabase other(folder.path());
        other.exec("delete from \"中国福彩3D彩票号码表\" where \"记录期号\" = '2026001'");
        other.forgetDeletedSources(lottery);
    }
    const DrawDatabase::SourceScope named(db, importSourceName("/tmp/a.txt"));
    writeImport(db, *findLottery(lottery), plan, true);
    QCOMPARE(db.drawOrigin(lottery, "2026003").source, QString("导入：a.txt"));
    QCOMPARE(db.drawOrigin(lottery, "2026002").source, kTypedSource);
}

void TestDrawDatabase::fileFromBeforeSourcesReadsUnknown()
{
    ProgramFolder folder;
    fixtures::storeDraws(folder.path(), "中国福彩3D", {{"2026001", {"1", "2", "3"}}});
    {
        DrawDatabase db(folder.path());
        db.exec(QStringLiteral("drop table \"开奖来源\""));
        db.exec(QStringLiteral("drop table \"开奖来源批次\""));
    }
    {
        // Read-only: the table cannot be added, the draws still read, each as "未知", and a
        // writer is refused with the database's word rather than a missing table.
        draw_database_testing::openReadOnly(true);
        DrawDatabase db(folder.path());
        draw_database_testing::openReadOnly(false);
        QVERIFY(!db.tableNames().contains(kSourceTable));
        QCOMPARE(db.drawCount("中国福彩3D"), 1);
        QCOMPARE(db.drawOrigin("中国福彩3D", "2026001").source, kUnknownSource);
        const QString refusal = errorOf([&] { db.appendDraw("中国福彩3D", "2026002", {"4", "5", "6"}); });
        QVERIFY2(refusal.contains("只读"), qPrintable(refusal));
    }
    DrawDatabase db(folder.path());
    QVERIFY(db.tableNames().contains(kSourceTable));
    QVERIFY(db.tableNames().contains(kRunTable));
    QCOMPARE(columnsOf(db, "中国福彩3D彩票号码表"), (QStringList{"记录期号", "1", "2", "3"}));
    QCOMPARE(db.drawOrigin("中国福彩3D", "2026001").source, kUnknownSource);

    // Lost again while the file is open (another tool): the next draw's record makes it anew, and
    // the draw is stored, not refused.
    db.exec(QStringLiteral("drop table \"开奖来源\""));
    const DrawDatabase::SourceScope named(db, QStringLiteral("中国福利彩票"));
    db.appendDraw("中国福彩3D", "2026002", {"4", "5", "6"});
    QCOMPARE(db.drawOrigin("中国福彩3D", "2026002").source, QStringLiteral("中国福利彩票"));
}

void TestDrawDatabase::tallyOfWhatSecondSourcesSaid_data()
{
    QTest::addColumn<QString>("sideTable");  // as the file has it: "today", "first" (without 核对不符), "none"
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("a file of today") << "today" << false;
    QTest::newRow("a file with the first side table") << "first" << false;
    QTest::newRow("the first side table, read-only") << "first" << true;
    QTest::newRow("no side table, read-only") << "none" << true;
}

void TestDrawDatabase::tallyOfWhatSecondSourcesSaid()
{
    QFETCH(QString, sideTable);
    QFETCH(bool, readOnly);
    ProgramFolder folder;
    std::vector<StoredDraw> draws;
    for (int period = 2026001; period <= 2026006; ++period)
        draws.push_back({QString::number(period), {"1", "2", "3"}});
    fixtures::storeDraws(folder.path(), "中国福彩3D", draws);
    {
        DrawDatabase db(folder.path());
        // Confirmed: 001 and 002; 003 listed otherwise; 004 listed otherwise, then stored anew
        // (which leaves it unchecked); a record of a period the table does not hold counts for nothing.
        db.markChecked("中国福彩3D", "中彩网", {{"2026001", {}, {}}, {"2026002", {}, {}}});
        db.markDisagreeing("中国福彩3D", "2026003", "中彩网", "124");
        db.markDisagreeing("中国福彩3D", "2026004", "中彩网", "124");
        db.recordSources("中国福彩3D", {"2026004"});
        db.markDisagreeing("中国福彩3D", "2026099", "中彩网", "124");
        if (sideTable == u"first") {
            // As the first files with the table have it: the disagreement is not kept there.
            db.exec(
                "create table \"旧来源\" as select \"彩票\", \"记录期号\", \"来源\", \"存入时间\", "
                "\"核对来源\", \"核对时间\" from \"开奖来源\"");
            db.exec("drop table \"开奖来源\"");
            db.exec("alter table \"旧来源\" rename to \"开奖来源\"");
        } else if (sideTable == u"none") {
            db.exec("drop table \"开奖来源\"");
        }
    }
    draw_database_testing::openReadOnly(readOnly);
    DrawDatabase db(folder.path());
    draw_database_testing::openReadOnly(false);
    QCOMPARE(db.connection().record(kSourceTable).contains(kDisagreementColumn), sideTable == u"today" || !readOnly);
    const ConfirmationTally tally = confirmationTally(db, "中国福彩3D");
    QCOMPARE(tally.stored, 6);
    if (sideTable == u"none") {
        QCOMPARE(tally.confirmed, 0);
        QCOMPARE(tally.disagreeing, 0);
        QCOMPARE(confirmationText(tally), QStringLiteral("0/6"));
    } else if (sideTable == u"first") {
        // Without the column the checked draws all read as confirmed: what that file could say.
        QCOMPARE(tally.confirmed, 3);
        QCOMPARE(tally.disagreeing, 0);
    } else {
        QCOMPARE(tally.confirmed, 2);
        QCOMPARE(tally.disagreeing, 1);
        QCOMPARE(confirmationText(tally), QStringLiteral("1期不符"));
        QVERIFY(db.drawOrigin("中国福彩3D", "2026003").disagreeing());
        QVERIFY(!db.drawOrigin("中国福彩3D", "2026004").disagreeing());
        QVERIFY(db.drawOrigin("中国福彩3D", "2026001").confirmed());
    }
    QCOMPARE(confirmationTally(db, "中国体彩排列3").stored, 0);
}

QTEST_GUILESS_MAIN(TestDrawDatabase)
#include "test_draw_database.moc"
