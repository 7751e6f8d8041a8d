#include "core/base/user_error.h"
#include "core/plan/hit_replay.h"
#include "core/plan/plan_table.h"
#include "support/draw_fixtures.h"

#include <QTest>

using fixtures::historyOf;

namespace {

// A history of `size` three-digit draws with period ids 1001, 1002, … and the hit marks
// written as 'x' (hit) and '.' (missed).
struct MarkedHistory {
    DrawHistory history;
    HitTable hits;
};

MarkedHistory marked(const QString& marks)
{
    MarkedHistory m{DrawHistory(3), {}};
    for (int i = 0; i < marks.size(); ++i) {
        const int digits[] = {1, 2, 3};
        m.history.append(1001 + i, digits);
        m.hits.push_back({1001 + i, 123, 3, marks[i] == 'x'});
    }
    return m;
}

}  // namespace

class TestPlanTable : public QObject {
    Q_OBJECT

private slots:
    void planTable();
    void planOutcomeAtTheLimit_data();
    void planOutcomeAtTheLimit();
    void newestDrawHit();
    void shortHistoryPlans();
    void summaryLinesCases_data();
    void summaryLinesCases();
    void planPeriodCount_data();
    void planPeriodCount();
    void badPlanPeriodCount_data();
    void badPlanPeriodCount();
};

void TestPlanTable::planTable()
{
    const MarkedHistory m = marked("xx..x.");
    const PlanTable plans = buildPlanTable(m.history, m.hits, 2);
    QCOMPARE(int(plans.size()), 4);
    const QStringList expected[] = {
        {"1001期-1001期", "1期中", "中"},
        {"1002期-1002期", "1期中", "中"},
        {"1003期-1005期", "3期中", "X"},
        {"1006期-1007期", "2期未开", ""},
    };
    for (int p = 0; p < 4; ++p)
        QCOMPARE((QStringList{spanText(plans[p]), lengthText(plans[p]), outcomeText(plans[p])}), expected[p]);

    // Plans after each hit: 1 period (中), 3 periods (挂), and the open one of 2 so far (中).
    const PlanSummary summary = summarizePlans(m.hits, 2);
    QCOMPARE(summary.successes, 2);
    QCOMPARE(summary.failures, 1);
}

void TestPlanTable::planOutcomeAtTheLimit_data()
{
    QTest::addColumn<int>("planPeriods");
    QTest::addColumn<QString>("threePeriodPlan");
    QTest::addColumn<QString>("fourPeriodPlan");
    QTest::newRow("N = 3") << 3 << "中"
                           << "X";
    QTest::newRow("N = 4") << 4 << "中"
                           << "中";
    QTest::newRow("N = 2") << 2 << "X"
                           << "X";
    QTest::newRow("N = 0") << 0 << "X"
                           << "X";
    QTest::newRow("N negative") << -5 << "X"
                                << "X";
}

void TestPlanTable::planOutcomeAtTheLimit()
{
    QFETCH(int, planPeriods);
    QFETCH(QString, threePeriodPlan);
    QFETCH(QString, fourPeriodPlan);
    const MarkedHistory m = marked("x..x...x");
    const PlanTable plans = buildPlanTable(m.history, m.hits, planPeriods);
    QCOMPARE(lengthText(plans[1]), QStringLiteral("3期中"));
    QCOMPARE(outcomeText(plans[1]), threePeriodPlan);
    QCOMPARE(lengthText(plans[2]), QStringLiteral("4期中"));
    QCOMPARE(outcomeText(plans[2]), fourPeriodPlan);
}

void TestPlanTable::newestDrawHit()
{
    const MarkedHistory m = marked("x.x");
    const PlanTable plans = buildPlanTable(m.history, m.hits, 1);
    QCOMPARE(spanText(plans.back()), QStringLiteral("1004期-1004期"));
    QCOMPARE(lengthText(plans.back()), QStringLiteral("1期未开"));
    // The 2-period plan fails, the open one of one period succeeds.
    const PlanSummary summary = summarizePlans(m.hits, 1);
    QCOMPARE(summary.successes, 1);
    QCOMPARE(summary.failures, 1);
}

void TestPlanTable::shortHistoryPlans()
{
    const DrawHistory history = historyOf({"111", "111", "111"}, 261209118);
    const HitTable hits = replayHits(history, 1);
    const PlanTable plans = buildPlanTable(history, hits, 5);
    QCOMPARE(int(plans.size()), 4);
    QCOMPARE(spanText(plans[0]), QStringLiteral("261209118期-261209118期"));
    QCOMPARE(spanText(plans[2]), QStringLiteral("261209120期-261209120期"));
    QCOMPARE(lengthText(plans[2]), QStringLiteral("1期中"));
    QCOMPARE(spanText(plans[3]), QStringLiteral("261209121期-261209121期"));
    QCOMPARE(lengthText(plans[3]), QStringLiteral("1期未开"));
    QCOMPARE(outcomeText(plans[3]), QString());
    QCOMPARE(summarizePlans(hits, 5).successes, 3);

    QVERIFY(buildPlanTable(DrawHistory(3), {}, 5).empty());
}

void TestPlanTable::summaryLinesCases_data()
{
    QTest::addColumn<QString>("marks");
    QTest::addColumn<int>("planPeriods");
    QTest::addColumn<QStringList>("lines");
    // Hits 0..7, 9 and 11: seven plans of one period, two of two, and the open one of one.
    QTest::newRow("8 and 2") << "xxxxxxxx.x.x" << 1 << QStringList{"中：8次", "挂：2次", "计划成功率：80.0%"};
    QTest::newRow("one third") << "xx..x." << 2 << QStringList{"中：2次", "挂：1次", "计划成功率：66.7%"};
    QTest::newRow("N of zero") << "xx..x." << 0 << QStringList{"中：0次", "挂：3次", "计划成功率：0.0%"};
    QTest::newRow("empty history") << "" << 5 << QStringList{"中：0次", "挂：0次", "计划成功率：0.0%"};
}

void TestPlanTable::summaryLinesCases()
{
    QFETCH(QString, marks);
    QFETCH(int, planPeriods);
    QFETCH(QStringList, lines);
    QCOMPARE(summaryLines(summarizePlans(marked(marks).hits, planPeriods)), lines);
}

void TestPlanTable::planPeriodCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::newRow("plain") << "5" << 5;
    QTest::newRow("spaces around") << " 12 " << 12;
    QTest::newRow("negative") << "-1" << -1;
}

void TestPlanTable::planPeriodCount()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    QCOMPARE(planPeriodCountFromText(text), count);
}

void TestPlanTable::badPlanPeriodCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("trailing letter") << "5x";
    QTest::newRow("Chinese numeral") << "五";
    QTest::newRow("fraction") << "1.5";
    QTest::newRow("too large") << "99999999999";
}

void TestPlanTable::badPlanPeriodCount()
{
    QFETCH(QString, text);
    try {
        planPeriodCountFromText(text);
        QFAIL("accepted");
    } catch (const UserError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("“%1”").arg(text)), qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(TestPlanTable)
#include "test_plan_table.moc"
