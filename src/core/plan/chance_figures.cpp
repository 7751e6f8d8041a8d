#include "core/plan/chance_figures.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kChanceMissRate = 1.0 - kChanceHitRate;

// A share of nothing reads 0.0%, as the plan summary's rate does: never "nan".
QString percentText(int part, int whole)
{
    const double percent = whole <= 0 ? 0.0 : part * 100.0 / whole;
    return QString::asprintf("%.1f", percent) + u'%';
}

QString percentText(double fraction)
{
    return QString::asprintf("%.1f", fraction * 100.0) + u'%';
}

std::size_t firstTested(const HitTable& hits)
{
    return std::min(hits.size(), std::size_t(kUntestedDraws));
}

}  // namespace

ChanceFigures ComputeChanceFigures(const HitTable& hits)
{
    ChanceFigures figures;
    const std::size_t first = firstTested(hits);
    figures.tested = int(hits.size() - first);
    int run = 0;
    for (std::size_t r = first; r < hits.size(); ++r) {
        if (hits[r].hit) {
            ++figures.hits;
            run = 0;
        } else {
            figures.longestMissRun = std::max(figures.longestMissRun, ++run);
        }
    }
    figures.currentMissRun = run;

    for (int window : kRecentWindows) {
        if (figures.tested < window) {
            figures.recentHits.push_back(std::nullopt);
            continue;
        }
        const auto from = hits.end() - window;
        figures.recentHits.push_back(int(std::count_if(from, hits.end(), [](const HitRow& row) { return row.hit; })));
    }
    return figures;
}

double ChanceBaseline(int planPeriods)
{
    return planPeriods <= 0 ? 0.0 : 1.0 - std::pow(kChanceMissRate, planPeriods);
}

QStringList ChanceLines(const ChanceFigures& figures, int planPeriods)
{
    QStringList lines{
        QStringLiteral("随机基准：") + percentText(ChanceBaseline(planPeriods)),
        QStringLiteral("单期命中：%1/%2期").arg(figures.hits).arg(figures.tested),
        QStringLiteral("命中率") + percentText(figures.hits, figures.tested) + QStringLiteral("（随机") +
            percentText(kChanceHitRate) + QStringLiteral("）"),
        QStringLiteral("最长连挂：%1期").arg(figures.longestMissRun),
        QStringLiteral("当前未中：%1期").arg(figures.currentMissRun),
    };
    for (std::size_t i = 0; i < std::size(kRecentWindows); ++i) {
        const int window = kRecentWindows[i];
        const std::optional<int> recent = i < figures.recentHits.size() ? figures.recentHits[i] : std::nullopt;
        lines << QStringLiteral("近%1期：").arg(window) +
                     (recent ? percentText(*recent, window) : QStringLiteral("不足%1期").arg(window));
    }
    return lines;
}

PlanLengthCounts CountPlanLengths(const HitTable& hits)
{
    PlanLengthCounts counts;
    // A plan starts after a hit; it starts at a tested draw when the hit is the last untested
    // draw or a later one. The open plan after the newest hit has not ended and is left out.
    int previousHit = -1;
    for (int r = 0; r < int(hits.size()); ++r) {
        if (!hits[std::size_t(r)].hit)
            continue;
        if (previousHit >= kUntestedDraws - 1) {
            const std::size_t length = std::size_t(r - previousHit);
            if (counts.observed.size() < length)
                counts.observed.resize(length, 0);
            ++counts.observed[length - 1];
            ++counts.plans;
        }
        previousHit = r;
    }

    std::size_t lengths = counts.observed.size();
    auto expectedAt = [&](std::size_t k) {
        return counts.plans * kChanceHitRate * std::pow(kChanceMissRate, double(k) - 1.0);
    };
    while (counts.plans > 0 && expectedAt(lengths + 1) >= 0.5)
        ++lengths;
    counts.observed.resize(lengths, 0);
    for (std::size_t k = 1; k <= lengths; ++k)
        counts.expected.push_back(expectedAt(k));
    return counts;
}

QList<QPointF> MovingHitRate(const HitTable& hits)
{
    QList<QPointF> points;
    const std::size_t first = firstTested(hits);
    if (hits.size() - first < std::size_t(kMovingWindow))
        return points;
    points.reserve(qsizetype(hits.size() - first) - kMovingWindow + 1);
    int inWindow = 0;
    for (std::size_t r = first; r < hits.size(); ++r) {
        inWindow += hits[r].hit ? 1 : 0;
        if (r >= first + kMovingWindow)
            inWindow -= hits[r - kMovingWindow].hit ? 1 : 0;
        if (r + 1 >= first + kMovingWindow)
            points.append(QPointF(double(r + 1), inWindow * 100.0 / kMovingWindow));
    }
    return points;
}
