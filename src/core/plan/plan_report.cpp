#include "core/plan/plan_report.h"

namespace {

const QString kNoFigure = QStringLiteral("—");

}  // namespace

PlanReport makePlanReport(const DrawHistory& history, const PlanSelection& selection)
{
    PlanReport report = replayReport(history, selection.digitOffset);
    judgePlans(report, history, selection.planPeriods);
    return report;
}

PlanReport replayReport(const DrawHistory& history, int digitOffset)
{
    PlanReport report;
    report.hits = replayHits(history, digitOffset);
    report.figures = computeChanceFigures(report.hits);
    report.interval = wilsonInterval(report.figures.hits, report.figures.tested);
    report.p = binomialTestP(report.figures.hits, report.figures.tested, kChanceHitRate);
    report.planLengths = countPlanLengths(report.hits);
    report.hitRate = movingHitRate(report.hits);
    return report;
}

void judgePlans(PlanReport& report, const DrawHistory& history, int planPeriods)
{
    report.planPeriods = planPeriods;
    report.plans = buildPlanTable(history, report.hits, planPeriods);
    report.planSummary = summarizePlans(report.hits, planPeriods);
    report.summary.clear();
    if (history.empty())
        return;
    report.summary = summaryLines(report.planSummary);
    report.summary << chanceLines(report.figures, planPeriods)
                   << chanceTestLines(report.figures, report.planLengths, planPeriods);
}

OverviewRow overviewRow(const QString& lotteryName, PlanMode mode, const DrawHistory& history, int planPeriods)
{
    PlanSelection selection;
    selection.lotteryName = lotteryName;
    selection.digitCount = history.digitCount();
    selection.mode = mode;
    selection.digitOffset = digitOffsetFor(mode, history.digitCount());
    selection.planPeriods = planPeriods;
    return {lotteryName, mode, history.size(), QString(), makePlanReport(history, selection)};
}

OverviewRow unreadOverviewRow(const QString& lotteryName, PlanMode mode, const QString& error)
{
    OverviewRow row;
    row.lotteryName = lotteryName;
    row.mode = mode;
    row.error = error;
    return row;
}

QStringList overviewCells(const OverviewRow& row, int planPeriods)
{
    QStringList cells{row.lotteryName, planModeName(row.mode)};
    if (!row.error.isEmpty())
        cells << QStringLiteral("读取失败");
    else
        cells << QString::number(row.draws);
    const ChanceFigures& figures = row.report.figures;
    if (!row.error.isEmpty() || figures.tested == 0) {
        while (cells.size() < kOverviewHeaders.size())
            cells << kNoFigure;
        return cells;
    }
    const PlanSummary plans = summarizePlans(row.report.hits, planPeriods);
    const int judged = plans.successes + plans.failures;
    // The interval's bounds without their signs: the column is narrow, and its header says 95%.
    cells << percentText(double(figures.hits) / figures.tested)
          << QString::asprintf("%.1f–%.1f", row.report.interval.first * 100.0, row.report.interval.second * 100.0)
          << pValueText(row.report.p) << QString::number(figures.longestMissRun)
          << QString::number(figures.currentMissRun)
          << (judged > 0 ? percentText(double(plans.successes) / judged) : kNoFigure)
          << percentText(chanceBaseline(planPeriods));
    return cells;
}
