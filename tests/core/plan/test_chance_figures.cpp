#include "core/plan/chance_figures.h"

#include <QTest>
#include <cmath>

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

// Tested marks made of finished plans: `plans[k − 1]` plans of k periods, each k − 1 misses and
// then a hit.
QString plansOfLengths(const std::vector<int>& plans)
{
    QString marks;
    for (std::size_t k = 1; k <= plans.size(); ++k)
        marks += repeated(QString(int(k) - 1, u'.') + u'x', plans[k - 1]);
    return marks;
}

// The figures beside chance come from other tools: each is matched to 1e-9 of itself.
bool near(double actual, double expected)
{
    return std::abs(actual - expected) <= 1e-9 * std::max(std::abs(expected), 1e-300);
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
    void movingHitRateCases();
    void binomialTest_data();
    void binomialTest();
    void wilsonIntervalCases_data();
    void wilsonIntervalCases();
    void planLengthTest_data();
    void planLengthTest();
    void testLines_data();
    void testLines();
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
    QCOMPARE(chanceLines(computeChanceFigures(testedMarks("x.")), planPeriods).constFirst(), line);
}

void TestChanceFigures::figures_data()
{
    QTest::addColumn<QString>("tested");
    QTest::addColumn<QStringList>("lines");
    // Every row: the lines after 随机基准 (N = 5).
    QTest::newRow("nothing tested") << ""
                                    << QStringList{"单期命中：0/0期", "命中率—（随机64.0%）", "最长连挂：0期",
                                                   "当前未中：0期",   "近100期：不足100期",   "近500期：不足500期"};
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
    QCOMPARE(chanceLines(computeChanceFigures(testedMarks(tested)), 5).mid(1), lines);
}

void TestChanceFigures::linesOfAShortHistory()
{
    // Fewer draws than the untested ones, and none at all: nothing was tested, no figure made up.
    for (int size : {0, 1, 60}) {
        const QStringList lines = chanceLines(computeChanceFigures(testedMarks({}, size)), 5);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines[1], QStringLiteral("单期命中：0/0期"));
        QCOMPARE(lines[4], QStringLiteral("当前未中：0期"));
        QCOMPARE(lines.last(), QStringLiteral("近500期：不足500期"));
        QVERIFY(!lines.join(u'|').contains(QStringLiteral("nan"), Qt::CaseInsensitive));
        QCOMPARE(countPlanLengths(testedMarks({}, size)).plans, 0);
        QVERIFY(movingHitRate(testedMarks({}, size)).isEmpty());
    }
}

void TestChanceFigures::planLengths()
{
    // Tested hits at 0, 3, 5 and 9 after the hit on the last untested draw: finished plans of
    // 1, 3, 2 and 4 periods; the open plan of two so far does not count, nor do the one-period
    // plans among the untested draws.
    const PlanLengthCounts counts = countPlanLengths(testedMarks("x..x.x...x.."));
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
    const PlanLengthCounts counts = countPlanLengths(testedMarks(QString(20, u'x')));
    QCOMPARE(counts.plans, 20);
    QCOMPARE(counts.observed, (std::vector<int>{20, 0, 0, 0}));
    QCOMPARE(int(counts.expected.size()), 4);
    QVERIFY(qAbs(counts.expected[3] - 0.5971968) < 1e-9);
}

void TestChanceFigures::movingHitRateCases()
{
    // 64 hits and 36 misses, then two misses: windows ending at the 200th, 201st and 202nd draw.
    const HitTable hits = testedMarks(QString(64, u'x') + QString(36, u'.') + "..");
    const QList<QPointF> points = movingHitRate(hits);
    QCOMPARE(points, (QList<QPointF>{{200, 64.0}, {201, 63.0}, {202, 62.0}}));

    QVERIFY(movingHitRate(testedMarks(QString(99, u'x'))).isEmpty());
}

void TestChanceFigures::binomialTest_data()
{
    QTest::addColumn<int>("successes");
    QTest::addColumn<int>("trials");
    QTest::addColumn<double>("probability");
    QTest::addColumn<double>("expected");
    // Each expected value is scipy.stats.binomtest(successes, trials, probability).pvalue
    // (SciPy 1.10.1).
    QTest::newRow("4886 of 7631: chance's own rate") << 4886 << 7631 << 0.64 << 0.9619598775696294;
    QTest::newRow("3 of 9, below the mean") << 3 << 9 << 0.64 << 0.07922913996360906;
    QTest::newRow("none of 4") << 0 << 4 << 0.64 << 0.016796159999999997;
    QTest::newRow("all of 500, far out") << 500 << 500 << 0.64 << 1.6567135763671334e-97;
    QTest::newRow("16 of 25, the mean itself") << 16 << 25 << 0.64 << 1.0;
    QTest::newRow("6200 of 9900") << 6200 << 9900 << 0.64 << 0.004549814084487042;
    QTest::newRow("55 of 100") << 55 << 100 << 0.64 << 0.07593263312529228;
    QTest::newRow("40 of 50 plans against 1 - 0.36^2") << 40 << 50 << 1 - 0.36 * 0.36 << 0.14024784055644002;
    // Outcomes as likely as the observed one in exact arithmetic count, whatever the rounding.
    QTest::newRow("3 of 10 at one half") << 3 << 10 << 0.5 << 0.34375;
    QTest::newRow("7 of 10 at one half") << 7 << 10 << 0.5 << 0.34375;
    // A plan count of zero or below, and one so long that chance always succeeds.
    QTest::newRow("none at probability 0") << 0 << 5 << 0.0 << 1.0;
    QTest::newRow("one at probability 0") << 1 << 5 << 0.0 << 0.0;
    QTest::newRow("all at probability 1") << 5 << 5 << 1.0 << 1.0;
    QTest::newRow("one short at probability 1") << 4 << 5 << 1.0 << 0.0;
}

void TestChanceFigures::binomialTest()
{
    QFETCH(int, successes);
    QFETCH(int, trials);
    QFETCH(double, probability);
    QFETCH(double, expected);
    const double p = binomialTestP(successes, trials, probability);
    QVERIFY2(near(p, expected), qPrintable(QString::number(p, 'g', 17)));
}

void TestChanceFigures::wilsonIntervalCases_data()
{
    QTest::addColumn<int>("successes");
    QTest::addColumn<int>("trials");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    // scipy.stats.binomtest(successes, trials).proportion_ci(method='wilson') (SciPy 1.10.1).
    QTest::newRow("3 of 9") << 3 << 9 << 0.12058381838691096 << 0.6457978644196036;
    QTest::newRow("none of 4") << 0 << 4 << 0.0 << 0.4898908364545973;
    QTest::newRow("all of 500") << 500 << 500 << 0.9923756595384479 << 1.0;
    QTest::newRow("4886 of 7631") << 4886 << 7631 << 0.6294472290255353 << 0.6509777164756523;
    QTest::newRow("1 of 1") << 1 << 1 << 0.20654931437723745 << 1.0;
}

void TestChanceFigures::wilsonIntervalCases()
{
    QFETCH(int, successes);
    QFETCH(int, trials);
    QFETCH(double, low);
    QFETCH(double, high);
    const auto [actualLow, actualHigh] = wilsonInterval(successes, trials);
    QVERIFY2(std::abs(actualLow - low) < 1e-12, qPrintable(QString::number(actualLow, 'g', 17)));
    QVERIFY2(std::abs(actualHigh - high) < 1e-12, qPrintable(QString::number(actualHigh, 'g', 17)));
}

void TestChanceFigures::planLengthTest_data()
{
    QTest::addColumn<std::vector<int>>("plans");
    QTest::addColumn<double>("expected");  // negative: too few plans
    // scipy.stats.chisquare(observed, expected).pvalue (SciPy 1.10.1), over the bins 1 … K − 1
    // and "K or longer", expected P · 0.64 · 0.36^(L − 1) and P · 0.36^(K − 1).
    QTest::newRow("61 plans, a 6 in the tail: K = 3") << std::vector<int>{40, 12, 6, 2, 0, 1} << 0.7884353098135279;
    QTest::newRow("14 plans of one: K = 2, the fewest to test") << std::vector<int>{14} << 0.00501228714548868;
    QTest::newRow("13 plans: K = 1") << std::vector<int>{13} << -1.0;
    QTest::newRow("no plan") << std::vector<int>{} << -1.0;
    QTest::newRow("14 plans up to 3: K = 2") << std::vector<int>{10, 3, 1} << 0.5625446241828542;
    QTest::newRow("500 plans of one: K = 5") << std::vector<int>{500} << 1.198059549631736e-59;
    QTest::newRow("6329 plans: K = 7") << std::vector<int>{4048, 1436, 547, 199, 69, 15, 12, 3} << 0.46973108139648345;
}

void TestChanceFigures::planLengthTest()
{
    QFETCH(std::vector<int>, plans);
    QFETCH(double, expected);
    const std::optional<double> p = planLengthTestP(countPlanLengths(testedMarks(plansOfLengths(plans))));
    QCOMPARE(p.has_value(), expected >= 0);
    if (p)
        QVERIFY2(near(*p, expected), qPrintable(QString::number(*p, 'g', 17)));
}

void TestChanceFigures::testLines_data()
{
    QTest::addColumn<QString>("tested");
    QTest::addColumn<int>("planPeriods");
    QTest::addColumn<QStringList>("lines");
    // The figures: scipy.stats.binomtest(hits, tested, 0.64) for 95%区间 (its
    // proportion_ci(method='wilson')) and 检验; binomtest(successes, plans, 1 - 0.36**N) for
    // 计划检验; scipy.stats.chisquare for 长度检验 (SciPy 1.10.1).
    QTest::newRow("nothing tested") << "" << 5
                                    << QStringList{"95%区间：—", "检验：—", "计划检验：—", "长度检验：计划太少"};
    // No hit: no plan has finished.
    QTest::newRow("four misses") << "...." << 5
                                 << QStringList{"95%区间：0.0%–49.0%", "检验：p=0.017（显著低于随机）", "计划检验：—",
                                                "长度检验：计划太少"};
    // Plans of 1, 3 and 4 periods, all within 5: binomtest(3, 3, 0.99395) is 1.
    QTest::newRow("3 of 9") << "x..x...x." << 5
                            << QStringList{"95%区间：12.1%–64.6%", "检验：p=0.079（与随机无显著差异）",
                                           "计划检验：p=1.000", "长度检验：计划太少"};
    QTest::newRow("all of 500") << QString(500, u'x') << 5
                                << QStringList{"95%区间：99.2%–100.0%", "检验：p<0.001（显著高于随机）",
                                               "计划检验：p=0.082", "长度检验：p<0.001"};
    QTest::newRow("74 of 100: significantly above")
        << QString(74, u'x') + QString(26, u'.') << 5
        << QStringList{"95%区间：64.6%–81.6%", "检验：p=0.037（显著高于随机）", "计划检验：p=1.000",
                       "长度检验：p<0.001"};
    QTest::newRow("53 of 100: significantly below")
        << QString(53, u'x') + QString(47, u'.') << 5
        << QStringList{"95%区间：43.3%–62.5%", "检验：p=0.028（显著低于随机）", "计划检验：p=1.000",
                       "长度检验：p<0.001"};
    // One plan of 1 and 199 of 2, judged with N = 1: binomtest(1, 200, 0.64).
    QTest::newRow("every other, N = 1") << repeated("x.", 200) << 1
                                        << QStringList{"95%区间：45.1%–54.9%", "检验：p<0.001（显著低于随机）",
                                                       "计划检验：p<0.001", "长度检验：p<0.001"};
    // 58 of 61 plans within 3: binomtest(58, 61, 1 - 0.36**3).
    QTest::newRow("61 plans, N = 3") << plansOfLengths({40, 12, 6, 2, 0, 1}) << 3
                                     << QStringList{"95%区间：53.6%–72.5%", "检验：p=0.916（与随机无显著差异）",
                                                    "计划检验：p=0.762", "长度检验：p=0.788"};
}

void TestChanceFigures::testLines()
{
    QFETCH(QString, tested);
    QFETCH(int, planPeriods);
    QFETCH(QStringList, lines);
    const HitTable hits = testedMarks(tested);
    QCOMPARE(chanceTestLines(computeChanceFigures(hits), countPlanLengths(hits), planPeriods), lines);
}

QTEST_GUILESS_MAIN(TestChanceFigures)
#include "test_chance_figures.moc"
