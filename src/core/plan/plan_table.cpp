#include "core/plan/plan_table.h"

#include "core/plan/chance_figures.h"

#include "core/base/user_error.h"

namespace {

std::vector<int> hitIndices(const HitTable& hits)
{
    std::vector<int> indices;
    for (int i = 0; i < int(hits.size()); ++i)
        if (hits[std::size_t(i)].hit)
            indices.push_back(i);
    return indices;
}

PlanRow finishedPlan(qint64 first, qint64 last, int length, int planPeriods)
{
    return {first, last, length, length <= planPeriods ? PlanRow::Outcome::Success : PlanRow::Outcome::Failure};
}

}  // namespace

QString spanText(const PlanRow& row)
{
    return QString::number(row.first) + QStringLiteral("期-") + QString::number(row.last) + u'期';
}

QString lengthText(const PlanRow& row)
{
    return QString::number(row.length) +
           (row.outcome == PlanRow::Outcome::Open ? QStringLiteral("期未开") : QStringLiteral("期中"));
}

QString outcomeText(const PlanRow& row)
{
    switch (row.outcome) {
        case PlanRow::Outcome::Success:
            return QStringLiteral("中");
        case PlanRow::Outcome::Failure:
            return QStringLiteral("X");
        case PlanRow::Outcome::Open:
            break;
    }
    return QString();
}

int planPeriodCountFromText(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw UserError(QStringLiteral("计划期数“%1”不是整数，请输入一个整数。").arg(text));
    return value;
}

PlanTable buildPlanTable(const DrawHistory& history, const HitTable& hits, int planPeriods)
{
    const std::vector<int> h = hitIndices(hits);
    PlanTable table;
    if (h.empty())
        return table;
    table.reserve(h.size() + 1);
    // Period ids are added to in 64 bits: the newest id plus one must not wrap.
    auto period = [&](int record) { return qint64(history.periodId(record)); };

    table.push_back(finishedPlan(period(0), period(h[0]), h[0] + 1, planPeriods));
    for (std::size_t k = 1; k < h.size(); ++k)
        table.push_back(finishedPlan(period(h[k - 1]) + 1, period(h[k]), h[k] - h[k - 1], planPeriods));

    const int size = history.size();
    table.push_back({period(h.back()) + 1, period(size - 1) + 1, size - h.back(), PlanRow::Outcome::Open});
    return table;
}

PlanSummary summarizePlans(const HitTable& hits, int planPeriods)
{
    const std::vector<int> h = hitIndices(hits);
    PlanSummary summary;
    for (std::size_t i = 0; i < h.size(); ++i) {
        const int next = i + 1 < h.size() ? h[i + 1] : int(hits.size());
        if (next - h[i] <= planPeriods)
            ++summary.successes;
        else
            ++summary.failures;
    }
    return summary;
}

QStringList summaryLines(const PlanSummary& summary)
{
    const int plans = summary.successes + summary.failures;
    return {QStringLiteral("中：%1次").arg(summary.successes), QStringLiteral("挂：%1次").arg(summary.failures),
            QStringLiteral("计划成功率：") + percentText(summary.successes, plans)};
}
