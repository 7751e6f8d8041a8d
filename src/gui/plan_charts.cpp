#include "gui/plan_charts.h"

#include "core/base/user_error.h"
#include "core/base/whole_file.h"
#include "core/plan/chance_figures.h"
#include "gui/accessible_names.h"
#include "gui/dialogs.h"
#include "gui/messages.h"
#include "gui/readable_colours.h"
#include "gui/run_command.h"
#include "gui/shell_folder.h"
#include "gui/widget_placement.h"

#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLegend>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPen>
#include <QPixmap>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace {

// The charts take the window's CJK face, a size smaller, so that the Chinese of their labels,
// legends and titles is drawn whole rather than glyph by glyph from a fallback.
QFont chartFont(const QWidget* widget)
{
    QFont font = widget->font();
    font.setPixelSize(scaled(11));
    return font;
}

void setAxisFonts(QAbstractAxis* axis, const QFont& font)
{
    axis->setLabelsFont(font);
    axis->setTitleFont(font);
}

QChart* newChart(const QFont& font)
{
    auto* chart = new QChart;
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(2, 2, 6, 2));
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->legend()->setFont(font);
    return chart;
}

// The charts stand on the palette's base with its text, light or dark, rather than on the chart
// theme's fixed white; their lines take colours readable on that base.
void axisFollowsPalette(QAbstractAxis* axis, const QPalette& palette)
{
    axis->setLabelsColor(palette.color(QPalette::Text));
    axis->setTitleBrush(palette.text());
    axis->setGridLineColor(palette.color(QPalette::Mid));
    axis->setMinorGridLineColor(palette.color(QPalette::Midlight));
    axis->setLinePenColor(palette.color(QPalette::Mid));
}

void followPalette(QChart* chart, const QPalette& palette)
{
    chart->setBackgroundBrush(palette.base());
    chart->setTitleBrush(palette.text());
    chart->legend()->setLabelColor(palette.color(QPalette::Text));
    for (QAbstractAxis* axis : chart->axes())
        axisFollowsPalette(axis, palette);
}

QPen dashedPen(const QColor& colour)
{
    QPen pen(colour);
    pen.setWidth(2);
    pen.setStyle(Qt::DashLine);
    return pen;
}

// A value range in whole tens around the values and chance's own rate, within 0..100.
std::pair<double, double> rateRange(const QList<QPointF>& points)
{
    double low = kChanceHitRate * 100.0;
    double high = low;
    for (const QPointF& p : points) {
        low = std::min(low, p.y());
        high = std::max(high, p.y());
    }
    return {std::max(0.0, std::floor(low / 10.0) * 10.0), std::min(100.0, std::ceil(high / 10.0) * 10.0)};
}

// The floor of the logarithmic count axis: below the half plan down to which chance's bars are
// drawn, so that they still show. A length no plan took has no bar there.
constexpr double kLogFloor = 0.1;

// A tick interval of 1, 2 or 5 times a power of ten that gives about four ticks up to `last`.
double tickInterval(double last)
{
    const double rough = std::max(1.0, last / 4.0);
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double step : {1.0, 2.0, 5.0})
        if (step * power >= rough)
            return step * power;
    return 10.0 * power;
}

}  // namespace

// How long the plans ran beside what chance predicts, with the 计划期数 cut, the counts on a
// logarithmic axis or on a linear one from 0.
class PlanLengthChart : public QChartView {
public:
    explicit PlanLengthChart(QWidget* parent);

    // Puts the axis asked for under the bars and the cut; draw() then fills them again.
    // Starts logarithmic; the tick box beside the charts starts as the chart does.
    bool isLogarithmic() const { return m_logarithmic; }
    void setLogarithmic(bool logarithmic);
    void draw(const PlanLengthCounts& counts, int planPeriods);

private:
    void chooseCountAxis();

    QBarSet* m_observed;
    QBarSet* m_expected;
    QBarSeries* m_bars;
    QLineSeries* m_cut;
    QBarCategoryAxis* m_lengthAxis;
    QValueAxis* m_planCountAxis;
    QLogValueAxis* m_logCountAxis;
    bool m_logarithmic = true;
};

PlanLengthChart::PlanLengthChart(QWidget* parent) : QChartView(newChart(chartFont(parent)), parent)
{
    const QFont font = chartFont(parent);
    QChart* lengths = chart();
    m_observed = new QBarSet(QStringLiteral("实际计划数"));
    m_expected = new QBarSet(QStringLiteral("随机期望"));
    m_bars = new QBarSeries;
    m_bars->append(m_observed);
    m_bars->append(m_expected);
    lengths->addSeries(m_bars);
    // On the category axis the k-th length stands at k − 1: the cut between N and N + 1 periods
    // is drawn at N − 0.5.
    m_cut = new QLineSeries;
    m_cut->setPen(dashedPen(chartLineColours(palette()).cut));
    lengths->addSeries(m_cut);
    m_lengthAxis = new QBarCategoryAxis;
    m_lengthAxis->setTitleText(QStringLiteral("追号期数"));
    // The count axis not in use is kept by this view for the next switch.
    m_planCountAxis = new QValueAxis(this);
    m_planCountAxis->setTitleText(QStringLiteral("计划数"));
    m_planCountAxis->setLabelFormat(QStringLiteral("%d"));
    m_logCountAxis = new QLogValueAxis(this);
    m_logCountAxis->setTitleText(QStringLiteral("计划数（对数）"));
    m_logCountAxis->setLabelFormat(QStringLiteral("%g"));
    m_logCountAxis->setBase(10);
    m_logCountAxis->setMinorTickCount(-1);
    for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(m_lengthAxis), static_cast<QAbstractAxis*>(m_planCountAxis),
                                static_cast<QAbstractAxis*>(m_logCountAxis)})
        setAxisFonts(axis, font);
    lengths->addAxis(m_lengthAxis, Qt::AlignBottom);
    for (QAbstractSeries* series : {static_cast<QAbstractSeries*>(m_bars), static_cast<QAbstractSeries*>(m_cut)})
        series->attachAxis(m_lengthAxis);
    setRenderHint(QPainter::Antialiasing);
    chooseCountAxis();
    followPalette(lengths, palette());
    // The count axis not shown now is kept aside in the palette's colours too.
    for (QAbstractAxis* axis :
         {static_cast<QAbstractAxis*>(m_planCountAxis), static_cast<QAbstractAxis*>(m_logCountAxis)})
        axisFollowsPalette(axis, palette());
}

void PlanLengthChart::setLogarithmic(bool logarithmic)
{
    // Off the series while the axis changes: a count of nothing cannot stand on a logarithmic
    // axis even for a moment.
    m_bars->take(m_expected);
    m_bars->take(m_observed);
    m_cut->clear();
    m_logarithmic = logarithmic;
    chooseCountAxis();
}

void PlanLengthChart::chooseCountAxis()
{
    QChart* lengths = chart();
    QAbstractAxis* wanted = m_logarithmic ? static_cast<QAbstractAxis*>(m_logCountAxis) : m_planCountAxis;
    QAbstractAxis* other = wanted == m_logCountAxis ? static_cast<QAbstractAxis*>(m_planCountAxis) : m_logCountAxis;
    if (lengths->axes(Qt::Vertical).contains(other)) {
        lengths->removeAxis(other);
        // The chart gives a removed axis back; this view keeps it for the next switch.
        other->setParent(this);
    }
    if (!lengths->axes(Qt::Vertical).contains(wanted)) {
        lengths->addAxis(wanted, Qt::AlignLeft);
        m_bars->attachAxis(wanted);
        m_cut->attachAxis(wanted);
    }
}

void PlanLengthChart::draw(const PlanLengthCounts& counts, int planPeriods)
{
    const int lengths = int(counts.observed.size());

    QList<qreal> observed(counts.observed.begin(), counts.observed.end());
    QList<qreal> expected(counts.expected.begin(), counts.expected.end());
    double top = 0;
    for (int k = 0; k < lengths; ++k)
        top = std::max({top, observed[k], expected[k]});
    double bottom = 0;
    if (m_logarithmic) {
        // Nothing is below the floor: a length no plan took stands there, as a bar of no height.
        bottom = kLogFloor;
        for (QList<qreal>* values : {&observed, &expected})
            for (qreal& value : *values)
                value = std::max(value, kLogFloor);
        m_logCountAxis->setRange(bottom, std::pow(10.0, std::ceil(std::log10(std::max(10.0, top * 1.5)))));
    } else {
        // A few plans still get whole-numbered ticks.
        m_planCountAxis->setRange(0, std::max(4.0, std::ceil(top * 1.1)));
        m_planCountAxis->applyNiceNumbers();
    }
    const double axisTop = m_logarithmic ? m_logCountAxis->max() : m_planCountAxis->max();
    // Both sets are refilled off the series: a length one set has and the other lacks yet would
    // be drawn as a count of nothing, which a logarithmic axis cannot place.
    m_bars->take(m_expected);
    m_bars->take(m_observed);
    m_observed->remove(0, m_observed->count());
    m_observed->append(observed);
    m_expected->remove(0, m_expected->count());
    m_expected->append(expected);
    m_bars->append(QList<QBarSet*>{m_observed, m_expected});
    // The sets' legend entries came back after the cut's: the cut goes to the end again.
    chart()->removeSeries(m_cut);
    chart()->addSeries(m_cut);
    for (QAbstractAxis* axis : chart()->axes())
        m_cut->attachAxis(axis);

    QStringList categories;
    for (int k = 1; k <= lengths; ++k)
        categories << QString::number(k);
    m_lengthAxis->clear();
    m_lengthAxis->append(categories);

    // Plans left of the line succeeded, those right of it failed; a count beyond every length
    // seen puts it at the right edge, one of zero or below at the left.
    m_cut->setName(QStringLiteral("计划期数") + QString::number(planPeriods));
    if (lengths == 0) {
        m_cut->clear();
        return;
    }
    const double at = std::clamp(double(planPeriods), 0.0, double(lengths)) - 0.5;
    m_cut->replace(QList<QPointF>{{at, bottom}, {at, axisTop}});
}

// The hit rate over a moving window of draws beside chance's 64%.
class HitRateChart : public QChartView {
public:
    explicit HitRateChart(QWidget* parent);

    // The points of movingHitRate: none when the history is too short for one window.
    void draw(const QList<QPointF>& points);

private:
    QLineSeries* m_movingRate;
    QLineSeries* m_chanceRate;
    QValueAxis* m_drawAxis;
    QValueAxis* m_rateAxis;
};

HitRateChart::HitRateChart(QWidget* parent) : QChartView(newChart(chartFont(parent)), parent)
{
    const QFont font = chartFont(parent);
    QChart* rate = chart();
    m_movingRate = new QLineSeries;
    m_chanceRate = new QLineSeries;
    m_chanceRate->setName(QStringLiteral("随机") + percentText(kChanceHitRate, 0));
    // The window's rate is drawn thin so that chance's line stays in sight through it.
    const ChartLineColours colours = chartLineColours(palette());
    m_movingRate->setPen(QPen(colours.movingRate, 1));
    m_chanceRate->setPen(dashedPen(colours.chanceRate));
    rate->addSeries(m_movingRate);
    rate->addSeries(m_chanceRate);
    m_drawAxis = new QValueAxis;
    m_drawAxis->setTitleText(QStringLiteral("期序"));
    m_drawAxis->setLabelFormat(QStringLiteral("%d"));
    m_rateAxis = new QValueAxis;
    m_rateAxis->setTitleText(QStringLiteral("命中率%"));
    m_rateAxis->setLabelFormat(QStringLiteral("%d"));
    setAxisFonts(m_drawAxis, font);
    setAxisFonts(m_rateAxis, font);
    rate->addAxis(m_drawAxis, Qt::AlignBottom);
    rate->addAxis(m_rateAxis, Qt::AlignLeft);
    for (QLineSeries* series : {m_movingRate, m_chanceRate}) {
        series->attachAxis(m_drawAxis);
        series->attachAxis(m_rateAxis);
    }
    setRenderHint(QPainter::Antialiasing);
    followPalette(rate, palette());
}

void HitRateChart::draw(const QList<QPointF>& points)
{
    const QString name = QStringLiteral("近%1期命中率").arg(kMovingWindow);
    const double chance = kChanceHitRate * 100.0;
    if (points.isEmpty()) {
        m_movingRate->setName(name + QStringLiteral("（不足%1期）").arg(kMovingWindow));
        m_movingRate->clear();
        m_chanceRate->clear();
        m_drawAxis->setRange(0, 2 * kMovingWindow);
        m_drawAxis->setTickType(QValueAxis::TicksFixed);
        m_drawAxis->setTickCount(3);
        m_rateAxis->setRange(0, 100);
        m_rateAxis->setTickCount(3);
        return;
    }
    m_movingRate->setName(name);
    m_movingRate->replace(points);
    const double last = points.constLast().x();
    m_chanceRate->replace(QList<QPointF>{{points.constFirst().x(), chance}, {last, chance}});
    // The axis runs from the history's start (the first draws are untested, which the gap shows)
    // to the newest draw, with ticks at round numbers in between.
    m_drawAxis->setRange(0, last);
    m_drawAxis->setTickType(QValueAxis::TicksDynamic);
    m_drawAxis->setTickAnchor(0);
    m_drawAxis->setTickInterval(tickInterval(last));
    const auto [low, high] = rateRange(points);
    m_rateAxis->setRange(low, high);
    m_rateAxis->setTickCount(int((high - low) / 10.0) + 1);
}

PlanCharts::PlanCharts(QWidget* parent) : QWidget(parent)
{
    chtjihua = named<PlanLengthChart>(this, "chtjihua");
    chtmingzhong = named<HitRateChart>(this, "chtmingzhong");
    chklog = named<QCheckBox>(this, "chklog");
    chklog->setText(QStringLiteral("计划数用对数坐标"));
    chklog->setFont(chartFont(this));
    chklog->setChecked(chtjihua->isLogarithmic());
    nameControl(chtjihua, QStringLiteral("计划长度图"),
                QStringLiteral("各追号期数的实际计划数与随机期望，虚线为计划期数；右键可保存图片"));
    nameControl(chtmingzhong, QStringLiteral("命中率图"),
                QStringLiteral("近%1期的命中率与随机命中率；右键可保存图片").arg(kMovingWindow));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(chklog, 0, Qt::AlignRight);
    layout->addWidget(chtjihua, 1);
    layout->addWidget(chtmingzhong, 1);
    connect(chklog, &QCheckBox::toggled, this, [this](bool logarithmic) {
        chtjihua->setLogarithmic(logarithmic);
        rebuildPlanLengths();
    });
    createMenu();
    rebuild();
}

QList<QWidget*> PlanCharts::tabChain() const
{
    return {chklog, chtjihua, chtmingzhong};
}

void PlanCharts::createMenu()
{
    m_saveAction = new QAction(QStringLiteral("保存图片…"), this);
    m_saveAction->setObjectName(QStringLiteral("actsavepicture"));
    connect(m_saveAction, &QAction::triggered, this, &PlanCharts::savePicture);
    for (QWidget* widget :
         {static_cast<QWidget*>(this), static_cast<QWidget*>(chtjihua), static_cast<QWidget*>(chtmingzhong)}) {
        widget->addAction(m_saveAction);
        widget->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
}

void PlanCharts::setReport(const PlanReport& report)
{
    m_planLengths = report.planLengths;
    m_hitRate = report.hitRate;
    m_planPeriods = report.planPeriods;
    m_stale = true;
    if (isVisible())
        rebuild();
}

void PlanCharts::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_stale)
        rebuild();
}

void PlanCharts::rebuild()
{
    m_stale = false;
    rebuildPlanLengths();
    chtmingzhong->draw(m_hitRate);
}

void PlanCharts::rebuildPlanLengths()
{
    chtjihua->draw(m_planLengths, m_planPeriods);
}

void PlanCharts::savePicture()
{
    runCommand(this, [&] {
        const QString fileName =
            dialogs::getSaveFileName(this, QStringLiteral("保存图片"), ShellFolderPath(QStringLiteral("Desktop")),
                                     QStringLiteral("PNG 图片(*.png)"), QStringLiteral("png"));
        if (fileName.isEmpty())
            return;
        // What is saved is what the tab shows, drawn afresh if it was waiting to be.
        if (m_stale)
            rebuild();
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!grab().save(&buffer, "PNG"))
            throw UserError(QStringLiteral("无法保存文件 %1：图片无法编码为PNG").arg(fileName));
        writeWholeFile(fileName, png);
        dialogs::showMessage(this, messages::kSaved);
    });
}
