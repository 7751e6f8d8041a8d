#include "core/store/draw_database.h"
#include "core/store/draw_row_set.h"
#include "support/draw_fixtures.h"
#include "support/file_fixtures.h"

#include <QSqlQuery>
#include <QTest>

using fixtures::errorOf;
using fixtures::kToday;
using fixtures::ProgramFolder;

namespace {
}  // namespace

// The data window's row set edits the stored rows: tables shaped by hand, and periods whose date
// has not come.
class TestDrawRowSet : public QObject {
    Q_OBJECT

private slots:
    void rowSetOnTableWithoutRowid();
    void rowSetRefusesPeriodsNotDrawnYet();
    void savingWhatWasStoredKeepsItsSource();
};

void TestDrawRowSet::rowSetOnTableWithoutRowid()
{
    ProgramFolder folder;
    DrawDatabase db(folder.path());
    fixtures::handMadeTable(folder.path(), "上海时时彩彩票号码表",
                            "\"记录期号\" text primary key, " + fixtures::digitColumns(3, "integer"), {},
                            "without rowid");
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
    rows.open(db, "上海时时彩", [] { return kToday; });
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
    fixtures::handMadeTable(folder.path(), "上海时时彩彩票号码表",
                            "\"记录期号\" text, " + fixtures::digitColumns(3) + ", primary key (\"记录期号\", \"1\")",
                            {"'2026120901', 1, 2, 3"}, "without rowid");
    rows.open(db, "上海时时彩", [] { return kToday; });
    QCOMPARE(rows.rowCount(), 1);
    const QString message = errorOf([&] { rows.edit(); });
    QVERIFY2(message.contains("WITHOUT ROWID") && message.contains("不能修改"), qPrintable(message));
    QVERIFY(!rows.isPending());
    QVERIFY(!rows.setData(rows.index(0, 1), "5", Qt::EditRole));
}

void TestDrawRowSet::rowSetRefusesPeriodsNotDrawnYet()
{
    ProgramFolder folder;
    DrawDatabase db(folder.path());
    DrawRowSet rows;
    QDate today = kToday;
    rows.open(db, "重庆时时彩", [&today] { return today; });
    rows.setEditable(true);
    rows.append();
    rows.setValue(0, "99999999999");
    for (int k = 1; k <= 5; ++k)
        rows.setValue(k, "1");
    const QString message = errorOf([&] { rows.post(); });
    QVERIFY2(message.contains("99999999999") && message.contains("不存在"), qPrintable(message));
    QVERIFY(rows.isPending());
    // Two days after the window's day, whatever the computer's date.
    rows.setValue(0, "20261211001");
    QCOMPARE(errorOf([&] { rows.post(); }),
             QStringLiteral("期号“20261211001”的日期2026-12-11还没到（今天是2026-12-09），不能存入。"));
    QVERIFY(rows.isPending());
    // A day has 120 periods and no more.
    rows.setValue(0, "20261209999");
    QCOMPARE(errorOf([&] { rows.post(); }),
             QStringLiteral("期号“20261209999”的序号999不可能：每天最多开奖120期，不能存入。"));
    QCOMPARE(db.newestPeriodId("重庆时时彩"), QStringLiteral("0"));
    rows.setValue(0, "20261209001");
    rows.post();
    QCOMPARE(db.newestPeriodId("重庆时时彩"), QStringLiteral("20261209001"));
    // A window left open into the next day takes what the day before refused.
    today = kToday.addDays(1);
    rows.append();
    rows.setValue(0, "20261211001");
    for (int k = 1; k <= 5; ++k)
        rows.setValue(k, "2");
    rows.post();
    QCOMPARE(db.newestPeriodId("重庆时时彩"), QStringLiteral("20261211001"));
}

void TestDrawRowSet::savingWhatWasStoredKeepsItsSource()
{
    ProgramFolder folder;
    DrawDatabase db(folder.path());
    {
        const DrawDatabase::SourceScope named(db, QStringLiteral("中国福利彩票"));
        db.appendDraw(QStringLiteral("中国福彩3D"), QStringLiteral("2026001"), {"1", "2", "3"});
    }
    DrawRowSet rows;
    rows.open(db, "中国福彩3D", [] { return kToday; });
    rows.setEditable(true);
    // 编辑 then 保存, and the same digit typed again: the draw is still the list's.
    rows.edit();
    rows.post();
    rows.edit();
    QVERIFY(rows.setData(rows.index(0, 2), " 2 ", Qt::EditRole));
    rows.post();
    QVERIFY(!rows.isPending());
    QCOMPARE(db.drawOrigin("中国福彩3D", "2026001").source, QStringLiteral("中国福利彩票"));
    rows.edit();
    rows.setValue(2, "7");
    rows.post();
    QCOMPARE(db.drawOrigin("中国福彩3D", "2026001").source, kTypedSource);
}

QTEST_GUILESS_MAIN(TestDrawRowSet)
#include "test_draw_row_set.moc"
