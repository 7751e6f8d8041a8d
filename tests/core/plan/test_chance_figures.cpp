#include "core/plan/chance_figures.h"

#include <QTest>

namespace {

// The replay's marks of a history: the 100 untested draws, all marked, and then the tested
// draws written as 'x' (hit) and '.' (missed).
HitTable testedMarks(const QString& tested, int untested = kUntestedDraws)
{
    HitTable hits;
    const QString marks = QString(untested, u'x') + tested;
    for (int i = 0; i < marks.size(); ++i)
        hits.push_back({1001 + i, 123, 3, marks[i] == u'x'});
    return hits;
}

QString repeated(const QString& pattern, int times)
{
    return pattern.repeated(times);
}

}  // namespace

class TestChanceFigures : public QObject {
    Q_OBJECT

private slots:
    void baseline_data();
    void baseline();
    void figures_data();
    void figures();
    void linesOfAShortHistory();
    void planLengths();
    void planLengthsOfFewPlans();
    void movingHitRate();
};

void TestChanceFigures::baseline_data()
{
    QTest::addColumn<int>("planPeriods");
    QTest::addColumn<QString>("line");
    QTest::newRow("N = 1") << 1 << "随机基准：64.0%";
    QTest::newRow("N = 2: 1 - 0.1296") << 2 << "随机基准：87.0%";
    QTest::newRow("N = 3: 1 - 0.046656") << 3 << "随机基准：95.3%";
    QTest::newRow("N = 5: 1 - 0.0060466") << 5 << "随机基准：99.4%";
    QTest::newRow("N of zero") << 0 << "随机基准：0.0%";
    QTest::newRow("N negative") << -4 << "随机基准：0.0%";
    QTest::newRow("N huge") << 2000000000 << "随机基准：100.0%";
}

void TestChanceFigures::baseline()
{
    QFETCH(int, planPeriods);
    QFETCH(QString, line);
    QCOMPARE(ChanceLines(ComputeChanceFigures(testedMarks("x.")), planPeriods).constFirst(), line);
}

void TestChanceFigures::figures_data()
{
    QTest::addColumn<QString>("tested");
    QTest::addColumn<QStringList>("lines");
    // Every row: the lines after 随机基准 (N = 5).
    QTest::newRow("nothing tested") << ""
                                    << QStringList{"单期命中：0/0期", "命中率0.0%（随机64.0%）", "最长连挂：0期",
                                                   "当前未中：0期",   "近100期：不足100期",      "近500期：不足500期"};
    QTest::newRow("runs of 2 and 3, the newest missed")
        << "x..x...x." << QStringList{"单期命中：3/9期", "命中率33.3%（随机64.0%）", "最长连挂：3期",
                                      "当前未中：1期",   "近100期：不足100期",       "近500期：不足500期"};
    QTest::newRow("nothing hit") << "...."
                                 << QStringList{"单期命中：0/4期", "命中率0.0%（随机64.0%）", "最长连挂：4期",
                                                "当前未中：4期",   "近100期：不足100期",      "近500期：不足500期"};
    QTest::newRow("newest hit") << "..x"
                                << QStringList{"单期命中：1/3期", "命中率33.3%（随机64.0%）", "最长连挂：2期",
                                               "当前未中：0期",   "近100期：不足100期",       "近500期：不足500期"};
    // 50 misses, then 25 × "xxx.": 75 hits, all of them in the newest 100.
    QTest::newRow("150 tested") << QString(50, u'.') + repeated("xxx.", 25)
                                << QStringList{"单期命中：75/150期", "命中率50.0%（随机64.0%）", "最长连挂：50期",
                                               "当前未中：1期",      "近100期：75.0%",           "近500期：不足500期"};
    // 100 misses, 300 hits, 100 × "x.": 400 hits; the newest 100 hold 50, the newest 500 hold 400.
    QTest::newRow("600 tested") << QString(100, u'.') + QString(300, u'x') + repeated("x.", 100)
                                << QStringList{"单期命中：400/600期", "命中率66.7%（随机64.0%）", "最长连挂：100期",
                                               "当前未中：1期",       "近100期：50.0%",           "近500期：80.0%"};
    QTest::newRow("exactly 500 tested, all hit")
        << QString(500, u'x') << QStringList{"单期命中：500/500期", "命中率100.0%（随机64.0%）", "最长连挂：0期",
                                             "当前未中：0期",       "近100期：100.0%",           "近500期：100.0%"};
}

void TestChanceFigures::figures()
{
    QFETCH(QString, tested);
    QFETCH(QStringList, lines);
    QCOMPARE(ChanceLines(ComputeChanceFigures(testedMarks(tested)), 5).mid(1), lines);
}

void TestChanceFigures::linesOfAShortHistory()
{
    // Fewer draws than the untested ones, and none at all: nothing was tested, no figure made up.
    for (int size : {0, 1, 60}) {
        const QStringList lines = ChanceLines(ComputeChanceFigures(testedMarks({}, size)), 5);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines[1], QStringLiteral("单期命中：0/0期"));
        QCOMPARE(lines[4], QStringLiteral("当前未中：0期"));
        QCOMPARE(lines.last(), QStringLiteral("近500期：不足500期"));
        QVERIFY(!lines.join(u'|').contains(QStringLiteral("nan"), Qt::CaseInsensitive));
        QCOMPARE(CountPlanLengths(testedMarks({}, size)).plans, 0);
        QVERIFY(MovingHitRate(testedMarks({}, size)).isEmpty());
    }
}

void TestChanceFigures::planLengths()
{
    // Tested hits at 0, 3, 5 and 9 after the hit on the last untested draw: finished plans of
    // 1, 3, 2 and 4 periods; the open plan of two so far does not count, nor do the one-period
    // plans among the untested draws.
    const PlanLengthCounts counts = CountPlanLengths(testedMarks("x..x.x...x.."));
    QCOMPARE(counts.plans, 4);
    QCOMPARE(counts.observed, (std::vector<int>{1, 1, 1, 1}));
    const double expected[] = {2.56, 0.9216, 0.331776, 0.11943936};
    QCOMPARE(int(counts.expected.size()), 4);
    for (int k = 0; k < 4; ++k)
        QVERIFY2(qAbs(counts.expected[std::size_t(k)] - expected[k]) < 1e-9, qPrintable(QString::number(k + 1)));
}

void TestChanceFigures::planLengthsOfFewPlans()
{
    // 20 plans of one period: chance expects 12.8, 4.608, 1.65888 and 0.5971968 plans of 1 to 4
    // periods and 0.21499 of 5, so the lengths run to 4 though no plan took more than 1.
    const PlanLengthCounts counts = CountPlanLengths(testedMarks(QString(20, u'x')));
    QCOMPARE(counts.plans, 20);
    QCOMPARE(counts.observed, (std::vector<int>{20, 0, 0, 0}));
    QCOMPARE(int(counts.expected.size()), 4);
    QVERIFY(qAbs(counts.expected[3] - 0.5971968) < 1e-9);
}

void TestChanceFigures::movingHitRate()
{
    // 64 hits and 36 misses, then two misses: windows ending at the 200th, 201st and 202nd draw.
    const HitTable hits = testedMarks(QString(64, u'x') + QString(36, u'.') + "..");
    const QList<QPointF> points = MovingHitRate(hits);
    QCOMPARE(points, (QList<QPointF>{{200, 64.0}, {201, 63.0}, {202, 62.0}}));

    QVERIFY(MovingHitRate(testedMarks(QString(99, u'x'))).isEmpty());
}

QTEST_GUILESS_MAIN(TestChanceFigures)
#include "test_chance_figures.moc"
