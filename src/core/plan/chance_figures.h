#pragma once

#include "core/plan/hit_replay.h"

#include <QList>
#include <QPointF>
#include <QStringList>
#include <optional>
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

ChanceFigures ComputeChanceFigures(const HitTable& hits);

// The success rate of a plan of `planPeriods` periods if every period hits by chance:
// 1 − 0.36^N, and 0 for N ≤ 0.
double ChanceBaseline(int planPeriods);

// The lines shown below the plan summary: 随机基准, 单期命中 with its rate beside chance,
// 最长连挂, 当前未中 and the recent windows. Each is short enough for the summary box.
QStringList ChanceLines(const ChanceFigures& figures, int planPeriods);

// The finished plans that start at a tested draw, counted by length: observed[k − 1] plans took
// k periods, against expected[k − 1] = plans × 0.64 × 0.36^(k − 1) by chance. The lengths run
// to the longest observed plan, or further while chance still expects half a plan or more.
struct PlanLengthCounts {
    int plans = 0;
    std::vector<int> observed;
    std::vector<double> expected;
};

PlanLengthCounts CountPlanLengths(const HitTable& hits);

// The hit rate in percent over each run of kMovingWindow tested draws, at the newest draw of the
// run: x is that draw's position in the history counted from 1. Empty while fewer draws were
// tested than the window holds.
QList<QPointF> MovingHitRate(const HitTable& hits);
