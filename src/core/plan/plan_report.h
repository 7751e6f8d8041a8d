#pragma once

#include "core/base/draw_history.h"
#include "core/plan/chance_figures.h"
#include "core/plan/hit_replay.h"
#include "core/plan/plan_selection.h"
#include "core/plan/plan_table.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// What the rule did over one lottery's history under one selection: everything the main window
// shows of it (the hit grid, the plan grid, the summary box, the two charts) and the figures the
// 总览 tab lays beside the other lotteries'.
struct PlanReport {
    HitTable hits;
    ChanceFigures figures;
    std::pair<double, double> interval{0.0, 1.0};  // the single-period hit rate's 95% Wilson interval
    double p = 1.0;                                // its exact binomial test against chance's 64%
    PlanLengthCounts planLengths;                  // the plans by length beside chance (图表)
    QList<QPointF> hitRate;                        // the moving hit rate (图表)

    // Judged against the 计划期数:
    int planPeriods = 0;
    PlanTable plans;
    PlanSummary planSummary;
    // The summary box: the plan counts, then how the rule compares with chance. Empty without a
    // draw: rates of 0.0% would only mislead.
    QStringList summary;
};

// The report of `history` under `selection` (its digitOffset and planPeriods).
PlanReport makePlanReport(const DrawHistory& history, const PlanSelection& selection);

// The two halves of makePlanReport, for the main window, which shows the hit marks of a new
// selection even when the 计划期数 it reads next is refused. First the replay and what follows
// from the marks alone:
PlanReport replayReport(const DrawHistory& history, int digitOffset);
// then the plans and the summary of a report whose marks are in, judged against `planPeriods`.
void judgePlans(PlanReport& report, const DrawHistory& history, int planPeriods);

// How the rule fares on one lottery under one mode: the 总览 tab lays one beside the other for
// every lottery.
struct OverviewRow {
    QString lotteryName;
    PlanMode mode = PlanMode::Back2;
    int draws = 0;
    QString error;  // why the lottery's draws could not be read; empty when they were
    PlanReport report;
};

inline const QStringList kOverviewHeaders{
    QStringLiteral("彩票"),       QStringLiteral("玩法"),    QStringLiteral("开奖期数"), QStringLiteral("单期命中率"),
    QStringLiteral("95%区间"),    QStringLiteral("p"),       QStringLiteral("最长连挂"), QStringLiteral("当前未中"),
    QStringLiteral("计划成功率"), QStringLiteral("随机基准")};

// The row of a lottery whose draws were read, replayed under `mode` with the report the summary
// uses.
OverviewRow overviewRow(const QString& lotteryName, PlanMode mode, const DrawHistory& history, int planPeriods);
// The rows of a lottery whose draws could not be read: they say why.
OverviewRow unreadOverviewRow(const QString& lotteryName, PlanMode mode, const QString& error);

// The texts of a row's cells, one per kOverviewHeaders entry, with the plans judged against
// `planPeriods`. A lottery with nothing tested shows "—" for every figure.
QStringList overviewCells(const OverviewRow& row, int planPeriods);
