#include "core/plan/chance_figures.h"

#include <algorithm>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <numeric>

namespace {

constexpr double kChanceMissRate = 1.0 - kChanceHitRate;

// "p=0.123", or "p<0.001".
QString pText(double p)
{
    const QString figure = pValueText(p);
    return figure.startsWith(u'<') ? u'p' + figure : QStringLiteral("p=") + figure;
}

// What a figure of nothing reads, so that no made-up 0.0% stands for it.
const QString kNoFigure = QStringLiteral("—");

// The level below which a test calls the difference from chance significant.
constexpr double kSignificance = 0.05;

std::size_t firstTested(const HitTable& hits)
{
    return std::min(hits.size(), std::size_t(kUntestedDraws));
}

}  // namespace

ChanceFigures computeChanceFigures(const HitTable& hits)
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

double chanceBaseline(int planPeriods)
{
    return planPeriods <= 0 ? 0.0 : 1.0 - std::pow(kChanceMissRate, planPeriods);
}

QStringList chanceLines(const ChanceFigures& figures, int planPeriods)
{
    QStringList lines{
        QStringLiteral("随机基准：") + percentText(chanceBaseline(planPeriods)),
        QStringLiteral("单期命中：%1/%2期").arg(figures.hits).arg(figures.tested),
        QStringLiteral("命中率") + (figures.tested > 0 ? percentText(figures.hits, figures.tested) : kNoFigure) +
            QStringLiteral("（随机") + percentText(kChanceHitRate) + QStringLiteral("）"),
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

std::pair<double, double> wilsonInterval(int successes, int trials)
{
    if (trials <= 0)
        return {0.0, 1.0};
    const double z = boost::math::quantile(boost::math::complement(boost::math::normal(), 0.025));
    const double n = trials;
    const double rate = successes / n;
    const double z2 = z * z;
    const double centre = (rate + z2 / (2 * n)) / (1 + z2 / n);
    const double half = z / (1 + z2 / n) * std::sqrt(rate * (1 - rate) / n + z2 / (4 * n * n));
    return {std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

double binomialTestP(int successes, int trials, double probability)
{
    if (trials <= 0)
        return 1.0;
    const boost::math::binomial law(trials, probability);
    const double mean = trials * probability;
    if (successes == mean)
        return 1.0;
    // The outcomes count as no more likely than the observed one within a relative 1e-7, so
    // that outcomes equally likely in exact arithmetic are not split by rounding.
    const double observed = boost::math::pdf(law, successes) * (1 + 1e-7);
    auto noMoreLikely = [&](int k) { return boost::math::pdf(law, k) <= observed; };
    // The probabilities fall away from the mean on either side, so the outcomes no more likely
    // on the far side form one run that a bisection finds: [first, trials] above the mean,
    // [0, first) below it.
    double p = 0;
    if (successes < mean) {
        int first = int(std::ceil(mean));
        int last = trials + 1;
        while (first < last) {
            const int middle = first + (last - first) / 2;
            if (noMoreLikely(middle))
                last = middle;
            else
                first = middle + 1;
        }
        p = boost::math::cdf(law, successes) +
            (first <= trials ? boost::math::cdf(boost::math::complement(law, first - 1)) : 0.0);
    } else {
        int first = 0;
        int last = int(std::floor(mean)) + 1;
        while (first < last) {
            const int middle = first + (last - first) / 2;
            if (noMoreLikely(middle))
                first = middle + 1;
            else
                last = middle;
        }
        p = (first > 0 ? boost::math::cdf(law, first - 1) : 0.0) +
            boost::math::cdf(boost::math::complement(law, successes - 1));
    }
    return std::min(1.0, p);
}

std::optional<double> planLengthTestP(const PlanLengthCounts& counts)
{
    const double plans = counts.plans;
    int longest = 0;
    while (plans * std::pow(kChanceMissRate, longest) >= 5.0)
        ++longest;
    if (longest < 2)
        return std::nullopt;
    double statistic = 0;
    int shorter = 0;
    auto add = [&](double observed, double expected) {
        statistic += (observed - expected) * (observed - expected) / expected;
    };
    for (int length = 1; length < longest; ++length) {
        const int observed =
            std::size_t(length) <= counts.observed.size() ? counts.observed[std::size_t(length) - 1] : 0;
        add(observed, plans * kChanceHitRate * std::pow(kChanceMissRate, length - 1));
        shorter += observed;
    }
    add(counts.plans - shorter, plans * std::pow(kChanceMissRate, longest - 1));
    return boost::math::cdf(boost::math::complement(boost::math::chi_squared(longest - 1), statistic));
}

int planSuccesses(const PlanLengthCounts& counts, int planPeriods)
{
    const std::size_t within = std::size_t(std::clamp<qint64>(planPeriods, 0, qint64(counts.observed.size())));
    return std::accumulate(counts.observed.begin(), counts.observed.begin() + qsizetype(within), 0);
}

QString pValueText(double p)
{
    return p < 0.001 ? QStringLiteral("<0.001") : QString::asprintf("%.3f", p);
}

namespace {

QString percentFigure(double percent, int decimals = 1)
{
    return QString::asprintf("%.*f", decimals, percent) + u'%';
}

}  // namespace

QString percentText(double fraction, int decimals)
{
    return percentFigure(fraction * 100.0, decimals);
}

QString percentText(int part, int whole)
{
    return percentFigure(whole <= 0 ? 0.0 : part * 100.0 / whole);
}

QString intervalText(const std::pair<double, double>& interval)
{
    return percentText(interval.first) + u'–' + percentText(interval.second);
}

QStringList chanceTestLines(const ChanceFigures& figures, const PlanLengthCounts& counts, int planPeriods)
{
    QStringList lines;
    if (figures.tested > 0) {
        const double p = binomialTestP(figures.hits, figures.tested, kChanceHitRate);
        const QString verdict = p >= kSignificance ? QStringLiteral("与随机无显著差异")
                                : figures.hits > kChanceHitRate * figures.tested ? QStringLiteral("显著高于随机")
                                                                                 : QStringLiteral("显著低于随机");
        lines << QStringLiteral("95%区间：") + intervalText(wilsonInterval(figures.hits, figures.tested))
              << QStringLiteral("检验：") + pText(p) + QStringLiteral("（") + verdict + QStringLiteral("）");
    } else {
        lines << QStringLiteral("95%区间：") + kNoFigure << QStringLiteral("检验：") + kNoFigure;
    }
    lines << QStringLiteral("计划检验：") + (counts.plans > 0
                                                 ? pText(binomialTestP(planSuccesses(counts, planPeriods), counts.plans,
                                                                       chanceBaseline(planPeriods)))
                                                 : kNoFigure);
    const std::optional<double> lengths = planLengthTestP(counts);
    lines << QStringLiteral("长度检验：") + (lengths ? pText(*lengths) : QStringLiteral("计划太少"));
    return lines;
}

PlanLengthCounts countPlanLengths(const HitTable& hits)
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

QList<QPointF> movingHitRate(const HitTable& hits)
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
