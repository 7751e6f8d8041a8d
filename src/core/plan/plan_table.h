#pragma once

#include "core/base/draw_history.h"
#include "core/plan/hit_replay.h"

#include <QString>
#include <QStringList>
#include <vector>

// One chased plan: from the draw after a hit up to the next hit (or, for the last plan, up to
// the period still to come).
// Kept as numbers; the grid makes the texts of the rows it shows.
struct PlanRow {
    enum class Outcome : int8_t { Success, Failure, Open };
    qint64 first;  // the period ids the plan spans
    qint64 last;
    int length;  // periods chased until the hit, or so far for the open plan
    Outcome outcome;
};
using PlanTable = std::vector<PlanRow>;

// "<first>期-<last>期"
QString spanText(const PlanRow& row);
// "<n>期中", or "<n>期未开" for the open plan
QString lengthText(const PlanRow& row);
// "中", "X", or empty for the open plan
QString outcomeText(const PlanRow& row);

struct PlanSummary {
    int successes = 0;
    int failures = 0;
};

// 计划期数 as typed; raises UserError naming the text when it is not a whole number.
int planPeriodCountFromText(const QString& text);

// One row per hit (the plan that ends on it) and the open plan after the last hit.
// An empty history has no plans.
PlanTable buildPlanTable(const DrawHistory& history, const HitTable& hits, int planPeriods);

// Judges the plan that starts after each hit, the open one included (counted by its length so
// far plus the coming period); the plan that ends on the first hit is not counted.
PlanSummary summarizePlans(const HitTable& hits, int planPeriods);

// "中：…次", "挂：…次", "计划成功率：…%"; a summary of no plans reads 0.0%.
QStringList summaryLines(const PlanSummary& summary);
