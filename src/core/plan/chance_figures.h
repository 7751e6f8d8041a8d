#pragma once

#include "core/plan/hit_replay.h"

#include <QList>
#include <QPointF>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

// The bet covers 64 of the 100 two-digit numbers: a period hits by chance with this probability.
inline constexpr double kChanceHitRate = 0.64;

// The windows of the newest tested draws whose hit rate the summary shows.
inline constexpr int kRecentWindows[] = {100, 500};

// The window of the moving hit rate along the history.
inline constexpr int kMovingWindow = 100;

// How the replay fared period by period, counted over the tested draws only (from the 101st
// draw on): the first draws are marked without a test and would flatter every figure.
struct ChanceFigures {
    int tested = 0;
    int hits = 0;
    int longestMissRun = 0;  // consecutive tested draws without a hit
    int currentMissRun = 0;  // the run that the newest draw ends; 0 when it was hit
    // Hits among the newest tested draws, one per kRecentWindows entry; none where fewer draws
    // than the window were tested.
    std::vector<std::optional<int>> recentHits;
};

ChanceFigures computeChanceFigures(const HitTable& hits);

// The success rate of a plan of `planPeriods` periods if every period hits by chance:
// 1 − 0.36^N, and 0 for N ≤ 0.
double chanceBaseline(int planPeriods);

// The lines shown below the plan summary: 随机基准, 单期命中 with its rate beside chance,
// 最长连挂, 当前未中 and the recent windows. Each is short enough for the summary box.
QStringList chanceLines(const ChanceFigures& figures, int planPeriods);

// The finished plans that start at a tested draw, counted by length: observed[k − 1] plans took
// k periods, against expected[k − 1] = plans × 0.64 × 0.36^(k − 1) by chance. The lengths run
// to the longest observed plan, or further while chance still expects half a plan or more.
struct PlanLengthCounts {
    int plans = 0;
    std::vector<int> observed;
    std::vector<double> expected;
};

PlanLengthCounts countPlanLengths(const HitTable& hits);

// Whether the rule does better than chance, by the standard tests. Under fair draws every period
// hits with probability 0.64 whatever the rule, independently of the draws the rule looked at,
// so the exact tests below hold.

// The Wilson score interval of `successes` out of `trials` at 95% confidence, as fractions;
// [0, 1] for no trials.
std::pair<double, double> wilsonInterval(int successes, int trials);

// The two-sided exact binomial test of `successes` out of `trials` against `probability`, as R's
// binom.test and SciPy's binomtest give it: the probability of every outcome no more likely than
// the one observed (within a relative 1e-7). 1 for no trials.
double binomialTestP(int successes, int trials, double probability);

// Pearson's chi-square test of the plans' lengths against the geometric law
// P(L) = 0.64 · 0.36^(L − 1): lengths 1 … K − 1 one by one and K or longer together, K the
// longest length whose tail P · 0.36^(K − 1) chance still puts 5 or more plans in (P plans);
// K − 1 degrees of freedom. None when K < 2: too few plans to test.
std::optional<double> planLengthTestP(const PlanLengthCounts& counts);

// The finished plans counted by PlanLengthCounts that took at most `planPeriods` periods.
int planSuccesses(const PlanLengthCounts& counts, int planPeriods);

// A p-value with three decimals ("0.123"), or "<0.001".
QString pValueText(double p);

// A fraction as a percentage with one decimal: "64.0%", or with `decimals` ("64%" with none).
// Every rate the program shows goes through these two.
QString percentText(double fraction, int decimals = 1);
// `part` of `whole` as a percentage with one decimal; a share of nothing reads "0.0%", never "nan".
QString percentText(int part, int whole);

// The interval as "62.9%–65.0%", one decimal.
QString intervalText(const std::pair<double, double>& interval);

// The lines below chanceLines: 95%区间, 检验 with its verdict, 计划检验 and 长度检验. A figure
// of nothing tested reads "—".
QStringList chanceTestLines(const ChanceFigures& figures, const PlanLengthCounts& counts, int planPeriods);

// The hit rate in percent over each run of kMovingWindow tested draws, at the newest draw of the
// run: x is that draw's position in the history counted from 1. Empty while fewer draws were
// tested than the window holds.
QList<QPointF> movingHitRate(const HitTable& hits);
