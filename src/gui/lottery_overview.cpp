#include "gui/lottery_overview.h"

#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/plan/plan_table.h"
#include "core/store/draw_database.h"
#include "core/store/history_loader.h"

namespace {

const QString kNoFigure = QStringLiteral("—");

// The reason in the user's words; a library's own text never reaches the window.
template <class Work>
QString failureOf(Work&& work)
{
    try {
        work();
    } catch (const UserError& e) {
        return e.message();
    } catch (...) {
        return QStringLiteral("无法读取开奖数据。");
    }
    return {};
}

}  // namespace

std::vector<OverviewRow> computeOverview(const QString& dataDir)
{
    std::vector<OverviewRow> rows;
    std::unique_ptr<DrawDatabase> db;
    const QString unopened = failureOf([&] { db = std::make_unique<DrawDatabase>(dataDir); });
    for (const QString& lottery : mainListOrder()) {
        DrawHistory history;
        const QString error = db ? failureOf([&] { history = readDrawHistory(*db, lottery); }) : unopened;
        for (PlanMode mode : {PlanMode::Front2, PlanMode::Back2}) {
            OverviewRow row;
            row.lotteryName = lottery;
            row.mode = mode;
            row.error = error;
            if (error.isEmpty()) {
                row.draws = history.size();
                row.hits = replayHits(history, digitOffsetFor(mode, history.digitCount()));
                row.figures = computeChanceFigures(row.hits);
                row.interval = wilsonInterval(row.figures.hits, row.figures.tested);
                row.p = binomialTestP(row.figures.hits, row.figures.tested, kChanceHitRate);
            }
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

QStringList overviewCells(const OverviewRow& row, int planPeriods)
{
    QStringList cells{row.lotteryName, planModeName(row.mode)};
    if (!row.error.isEmpty())
        cells << QStringLiteral("读取失败");
    else
        cells << QString::number(row.draws);
    const ChanceFigures& figures = row.figures;
    if (!row.error.isEmpty() || figures.tested == 0) {
        while (cells.size() < kOverviewHeaders.size())
            cells << kNoFigure;
        return cells;
    }
    const PlanSummary plans = summarizePlans(row.hits, planPeriods);
    const int judged = plans.successes + plans.failures;
    // The interval's bounds without their signs: the column is narrow, and its header says 95%.
    cells << percentText(double(figures.hits) / figures.tested)
          << QString::asprintf("%.1f–%.1f", row.interval.first * 100.0, row.interval.second * 100.0)
          << pValueText(row.p) << QString::number(figures.longestMissRun) << QString::number(figures.currentMissRun)
          << (judged > 0 ? percentText(double(plans.successes) / judged) : kNoFigure)
          << percentText(chanceBaseline(planPeriods));
    return cells;
}
