#include "core/plan/plan_report.h"
#include "support/draw_fixtures.h"

#include <QTest>

namespace {

// `count` three-digit draws "000", "111", … "999", "000", …
DrawHistory cyclingHistory(int count)
{
    QStringList draws;
    for (int i = 0; i < count; ++i)
        draws << QString(3, QChar(u'0' + i % 10));
    return fixtures::historyOf(draws);
}

PlanSelection selectionOf(int planPeriods)
{
    PlanSelection selection;
    selection.lotteryName = QStringLiteral("中国福彩3D");
    selection.digitCount = 3;
    selection.digitOffset = digitOffsetFor(PlanMode::Back2, 3);
    selection.planPeriods = planPeriods;
    return selection;
}

}  // namespace

class TestPlanReport : public QObject {
    Q_OBJECT

private slots:
    void reportOfAHistory_data();
    void reportOfAHistory();
    void hitMarksStandWithoutThePlans();
    void overviewCellsCases_data();
    void overviewCellsCases();
};

void TestPlanReport::reportOfAHistory_data()
{
    QTest::addColumn<int>("draws");
    QTest::addColumn<int>("planPeriods");
    QTest::addColumn<int>("plans");
    QTest::addColumn<QStringList>("summaryStart");

    // Nothing to sum up without a draw: rates of 0.0% would only mislead.
    QTest::newRow("no draw") << 0 << 5 << 0 << QStringList();
    // The first 100 draws count as hits: 100 plans of one period, and the open one.
    QTest::newRow("untested draws") << 100 << 5 << 101 << QStringList{"中：100次", "挂：0次", "计划成功率：100.0%"};
    QTest::newRow("no plan can succeed") << 100 << 0 << 101 << QStringList{"中：0次", "挂：100次", "计划成功率：0.0%"};
    // In a cycle the digit the rule derives from the last draw's earlier showing is the one to
    // come: every tested draw misses, and the plan after the 100th draw is still open after 31.
    QTest::newRow("tested draws") << 130 << 5 << 101 << QStringList{"中：99次", "挂：1次", "计划成功率：99.0%"};
}

void TestPlanReport::reportOfAHistory()
{
    QFETCH(int, draws);
    QFETCH(int, planPeriods);
    QFETCH(int, plans);
    QFETCH(QStringList, summaryStart);
    const DrawHistory history = cyclingHistory(draws);
    const PlanReport report = makePlanReport(history, selectionOf(planPeriods));
    QCOMPARE(int(report.hits.size()), draws);
    QCOMPARE(int(report.plans.size()), plans);
    QCOMPARE(report.planPeriods, planPeriods);
    QCOMPARE(report.summary.mid(0, summaryStart.size()), summaryStart);
    // The summary goes on with the figures beside chance, which both charts draw as well.
    if (draws == 0)
        QVERIFY(report.summary.isEmpty());
    else
        QVERIFY(report.summary.size() > summaryStart.size());
    QCOMPARE(report.figures.tested, std::max(0, draws - kUntestedDraws));
    QCOMPARE(report.hitRate, movingHitRate(report.hits));
    QCOMPARE(report.planLengths.observed, countPlanLengths(report.hits).observed);
}

void TestPlanReport::hitMarksStandWithoutThePlans()
{
    // The window shows the marks of a new selection before it reads 计划期数, which may be refused.
    const DrawHistory history = cyclingHistory(150);
    PlanReport report = replayReport(history, 1);
    QCOMPARE(int(report.hits.size()), 150);
    QVERIFY(report.plans.empty());
    QVERIFY(report.summary.isEmpty());
    judgePlans(report, history, 5);
    const PlanReport whole = makePlanReport(history, selectionOf(5));
    QCOMPARE(report.summary, whole.summary);
    QCOMPARE(report.plans.size(), whole.plans.size());
}

void TestPlanReport::overviewCellsCases_data()
{
    QTest::addColumn<int>("draws");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("cells");

    const QString none = QStringLiteral("|—|—|—|—|—|—|—");
    QTest::newRow("no draw") << 0 << QString() << "中国福彩3D|后二|0" + none;
    QTest::newRow("nothing tested") << 100 << QString() << "中国福彩3D|后二|100" + none;
    QTest::newRow("not read") << 0 << QStringLiteral("表不存在。") << "中国福彩3D|后二|读取失败" + none;
    // 30 tested draws, all missed: the Wilson interval of 0 of 30 reaches 3.84 / 33.84.
    QTest::newRow("tested") << 130 << QString() << "中国福彩3D|后二|130|0.0%|0.0–11.4|<0.001|30|30|99.0%|99.4%";
}

void TestPlanReport::overviewCellsCases()
{
    QFETCH(int, draws);
    QFETCH(QString, error);
    QFETCH(QString, cells);
    const QString lottery = QStringLiteral("中国福彩3D");
    const OverviewRow row = error.isEmpty() ? overviewRow(lottery, PlanMode::Back2, cyclingHistory(draws), 5)
                                            : unreadOverviewRow(lottery, PlanMode::Back2, error);
    QCOMPARE(overviewCells(row, 5).join(u'|'), cells);
}

QTEST_MAIN(TestPlanReport)
#include "test_plan_report.moc"
