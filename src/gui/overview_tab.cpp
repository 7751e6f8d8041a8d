#include "gui/overview_tab.h"

#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"
#include "core/store/history_loader.h"
#include "gui/accessible_names.h"
#include "gui/readable_colours.h"
#include "gui/widget_placement.h"
#include "gui/work_runner.h"

#include <QHeaderView>
#include <QLabel>
#include <QProxyStyle>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <memory>

namespace {

// Ten columns share the tab's width: the cells keep a pixel on either side of their text, not
// the style's usual few.
class NarrowCellStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_FocusFrameHMargin)
            return 1;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// A lottery's name stands on its two rows in two lines, the place first: "重庆" over "时时彩".
QString shownName(const QString& name)
{
    return name.left(2) + u'\n' + name.mid(2);
}

// Columns whose figures are read across the rows are right-aligned, the names left.
constexpr int kFirstFigureColumn = 2;
// The 95% interval stands in two lines, its bounds one above the other: the room it gives up
// holds the 已核对 column.
constexpr int kIntervalColumn = 4;

QString shownCell(int column, const QString& text)
{
    if (column == 0)
        return shownName(text);
    if (column == kIntervalColumn)
        return QString(text).replace(QStringLiteral("–"), QStringLiteral("–\n"));
    return text;
}

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

std::vector<OverviewRow> readOverview(const QString& dataDir, int planPeriods, const std::function<bool()>& cancelled)
{
    std::vector<OverviewRow> rows;
    std::unique_ptr<DrawDatabase> db;
    const QString unopened = failureOf([&] { db = std::make_unique<DrawDatabase>(dataDir); });
    for (const QString& lottery : mainListOrder()) {
        if (cancelled && cancelled())
            break;
        DrawHistory history;
        const QString error = db ? failureOf([&] { history = readDrawHistory(*db, lottery); }) : unopened;
        for (PlanMode mode : {PlanMode::Front2, PlanMode::Back2})
            rows.push_back(error.isEmpty() ? overviewRow(lottery, mode, history, planPeriods)
                                           : unreadOverviewRow(lottery, mode, error));
    }
    return rows;
}

std::map<QString, std::optional<ConfirmationTally>> readConfirmations(const QString& dataDir)
{
    std::map<QString, std::optional<ConfirmationTally>> tallies;
    std::unique_ptr<DrawDatabase> db;
    failureOf([&] { db = std::make_unique<DrawDatabase>(dataDir); });
    for (const QString& lottery : mainListOrder()) {
        std::optional<ConfirmationTally>& tally = tallies[lottery];
        if (db)
            failureOf([&] { tally = confirmationTally(*db, lottery); });
    }
    return tallies;
}

OverviewTab::OverviewTab(const QString& dataDir, QWidget* parent) : QWidget(parent), m_dataDir(dataDir)
{
    lblzonglan = named<QLabel>(this, "lblzonglan");
    lblzonglan->setWordWrap(true);
    grdzonglan = named<QTableView>(this, "grdzonglan");
    nameControl(
        grdzonglan, QStringLiteral("各彩票总览表"),
        QStringLiteral("每种彩票前二和后二的开奖期数、命中率、检验和计划成功率，以及开奖号码经第二个来源核对的期数"));
    m_model = new QStandardItemModel(0, int(kOverviewHeaders.size()) + 1, this);
    // The longer headers break in two so that eleven columns share the tab's width. The last says
    // how far a second source has confirmed the lottery's draws.
    QStringList headers = kOverviewHeaders + QStringList{QStringLiteral("已核对")};
    for (QString& header : headers)
        header.replace(QRegularExpression(QStringLiteral("^(开奖|单期|最长|当前|计划|随机|95%|已)")),
                       QStringLiteral("\\1\n"));
    m_model->setHorizontalHeaderLabels(headers);
    grdzonglan->setModel(m_model);
    auto* style = new NarrowCellStyle;
    style->setParent(grdzonglan);
    grdzonglan->setStyle(style);
    grdzonglan->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdzonglan->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdzonglan->setTabKeyNavigation(false);
    grdzonglan->verticalHeader()->hide();
    grdzonglan->setWordWrap(true);
    // The names and figures are set a size smaller.
    QFont font = grdzonglan->font();
    font.setPixelSize(scaled(10));
    grdzonglan->setFont(font);
    grdzonglan->horizontalHeader()->setFont(font);
    grdzonglan->horizontalHeader()->setMinimumSectionSize(scaled(20));
    grdzonglan->verticalHeader()->setDefaultSectionSize(scaled(28));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(lblzonglan);
    layout->addWidget(grdzonglan, 1);

    // Silent: the figures come in the background of a window that goes on being used, and
    // readOverview says its failures in the rows.
    m_runner = new WorkRunner(this);
    m_runner->setSilent([this](const QString& failure) { lblzonglan->setText(failure); });
    fill();
}

// The runner, a child of this widget, cancels a computation still going and waits for it.
OverviewTab::~OverviewTab() = default;

QList<QWidget*> OverviewTab::tabChain() const
{
    return {grdzonglan};
}

void OverviewTab::setPlanPeriods(int planPeriods)
{
    if (planPeriods == m_planPeriods)
        return;
    m_planPeriods = planPeriods;
    fill();
}

void OverviewTab::drawsChanged()
{
    if (isVisible())
        compute();
}

bool OverviewTab::isComputing() const
{
    return m_computing;
}

void OverviewTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    compute();
    // What was computed before is shown laid out for the tab's width while the new figures come.
    fill();
}

void OverviewTab::hideEvent(QHideEvent* event)
{
    // Out of view the figures are not wanted; the tab reads them afresh when shown again.
    m_computeAgain = false;
    m_runner->cancel();
    QWidget::hideEvent(event);
}

void OverviewTab::compute()
{
    // One computation at a time: a request during one cancels it and starts another when it
    // has ended, so that the figures shown are never older than the last change.
    m_computing = true;
    if (m_runner->isRunning()) {
        m_computeAgain = true;
        m_runner->cancel();
        return;
    }
    m_computeAgain = false;
    lblzonglan->setText(QStringLiteral("正在计算各彩票的统计…"));
    using Figures = std::pair<std::vector<OverviewRow>, std::map<QString, std::optional<ConfirmationTally>>>;
    m_runner->start<Figures>(
        [dataDir = m_dataDir, planPeriods = m_planPeriods, cancelled = m_runner->cancelFlag()] {
            Figures figures{readOverview(dataDir, planPeriods, cancelled), {}};
            if (!cancelled())
                figures.second = readConfirmations(dataDir);
            return figures;
        },
        [this](Figures& figures) {
            if (!m_runner->cancelRequested()) {
                m_rows = std::move(figures.first);
                m_confirmations = std::move(figures.second);
            }
        },
        {}, [this] { computationEnded(); });
}

void OverviewTab::computationEnded()
{
    if (m_computeAgain) {
        compute();
        return;
    }
    const bool shown = !m_runner->cancelRequested();
    m_computing = false;
    fill();
    if (shown)
        emit computed();
}

void OverviewTab::fill()
{
    if (!m_computing)
        lblzonglan->setText(
            m_rows.empty()
                ? QString()
                : QStringLiteral("各彩票至多最新%1期开奖，第%2期起检验；p：单期命中与随机%3的二项检验；计划期数%4。")
                      .arg(kRetainedDraws)
                      .arg(kUntestedDraws + 1)
                      .arg(percentText(kChanceHitRate))
                      .arg(m_planPeriods));
    m_model->setRowCount(int(m_rows.size()));
    grdzonglan->clearSpans();
    for (int r = 0; r < int(m_rows.size()); ++r) {
        const OverviewRow& row = m_rows[std::size_t(r)];
        const QStringList cells = overviewCells(row, m_planPeriods);
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QStandardItem(shownCell(c, cells[c]));
            item->setTextAlignment(c < kFirstFigureColumn ? Qt::AlignLeft | Qt::AlignVCenter
                                                          : Qt::AlignRight | Qt::AlignVCenter);
            if (!row.error.isEmpty())
                item->setToolTip(row.error);
            m_model->setItem(r, c, item);
        }
        const int confirmedColumn = int(cells.size());
        m_model->setItem(r, confirmedColumn, confirmationItem(row.lotteryName));
        // A lottery's two rows share its name and its draws' confirmation.
        if (r + 1 < int(m_rows.size()) && m_rows[std::size_t(r + 1)].lotteryName == row.lotteryName) {
            grdzonglan->setSpan(r, 0, 2, 1);
            grdzonglan->setSpan(r, confirmedColumn, 2, 1);
        }
    }
    grdzonglan->resizeColumnsToContents();
    // Wider figures (a rate of 100.0%) would push the last column out of view: the names give
    // up the room and break within their two rows.
    const int overflow = grdzonglan->horizontalHeader()->length() - grdzonglan->viewport()->width();
    if (overflow > 0 && grdzonglan->isVisible())
        grdzonglan->setColumnWidth(0, std::max(grdzonglan->columnWidth(0) - overflow,
                                               3 * QFontMetrics(grdzonglan->font()).horizontalAdvance(u'字') + 4));
}

QStandardItem* OverviewTab::confirmationItem(const QString& lottery) const
{
    const auto found = m_confirmations.find(lottery);
    const std::optional<ConfirmationTally> tally = found == m_confirmations.end() ? std::nullopt : found->second;
    // In two lines within the lottery's two rows, so that eleven columns share the tab's width.
    QString text = tally ? confirmationText(*tally) : QStringLiteral("—");
    text.replace(QRegularExpression(QStringLiteral("(/|期)")), QStringLiteral("\\1\n"));
    auto* item = new QStandardItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (!tally)
        return item;
    if (tally->disagreeing > 0) {
        // Draws a second source lists otherwise: every figure of the row may be wrong until decided.
        item->setForeground(warningTextColour(grdzonglan->palette()));
        item->setToolTip(QStringLiteral("%1期与核对来源的号码不符，请在数据窗口核对；已核对%2期，共%3期")
                             .arg(tally->disagreeing)
                             .arg(tally->confirmed)
                             .arg(tally->stored));
    } else {
        item->setToolTip(QStringLiteral("经第二个来源核对相同的%1期，共%2期").arg(tally->confirmed).arg(tally->stored));
    }
    return item;
}
