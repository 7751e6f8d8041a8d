#pragma once

#include "core/base/draw_history.h"
#include "core/plan/chance_figures.h"
#include "core/plan/hit_replay.h"
#include "core/plan/plan_selection.h"

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// How the rule fares on one lottery under one mode, as far as the 计划期数 leaves it alone:
// the 总览 tab lays one beside the other for every lottery.
struct OverviewRow {
    QString lotteryName;
    PlanMode mode = PlanMode::Back2;
    int draws = 0;
    QString error;  // why the lottery's draws could not be read; empty when they were
    HitTable hits;  // kept for the plan summary at whatever 计划期数 comes next
    ChanceFigures figures;
    std::pair<double, double> interval{0.0, 1.0};
    double p = 1.0;
};

inline const QStringList kOverviewHeaders{
    QStringLiteral("彩票"),       QStringLiteral("玩法"),    QStringLiteral("开奖期数"), QStringLiteral("单期命中率"),
    QStringLiteral("95%区间"),    QStringLiteral("p"),       QStringLiteral("最长连挂"), QStringLiteral("当前未中"),
    QStringLiteral("计划成功率"), QStringLiteral("随机基准")};

// Reads the stored draws of every lottery (the newest 10000 each, deleting nothing) and replays
// the rule on both modes, with the functions the summary uses: two rows per lottery, in the
// order of the lottery box, 前二 first. A lottery that cannot be read gets rows that say why;
// this never throws, so that it can run away from the window's thread.
std::vector<OverviewRow> computeOverview(const QString& dataDir);

// The texts of a row's cells, one per kOverviewHeaders entry, with the plans judged against
// `planPeriods`. A lottery with nothing tested shows "—" for every figure.
QStringList overviewCells(const OverviewRow& row, int planPeriods);
