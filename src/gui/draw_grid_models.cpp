#include "gui/draw_grid_models.h"

#include "gui/widget_placement.h"

#include <QApplication>
#include <QHeaderView>
#include <QPalette>
#include <QStyle>
#include <QTableView>
#include <algorithm>

StatisticsGridModel::StatisticsGridModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers))
{
}

int StatisticsGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant StatisticsGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
        case Qt::DisplayRole:
            return cell(index.row(), index.column());
        case Qt::TextAlignmentRole:
            return int(index.column() == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        case Qt::BackgroundRole:
            if (index.column() == 0)
                return QApplication::palette().button();
            return {};
        default:
            return {};
    }
}

QVariant StatisticsGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headers.size())
        return m_headers.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

HitTableModel* newHitTableModel(QObject* parent)
{
    auto text = [](const HitRow& hit, int column) {
        return column == 0 ? periodText(hit) : column == 1 ? digitsText(hit) : hit.hit ? kHitMark : QString();
    };
    return new HitTableModel({QStringLiteral("记录期号"), QStringLiteral("开奖号码"), QStringLiteral("是否中奖")}, text,
                             parent);
}

PlanTableModel* newPlanTableModel(QObject* parent)
{
    auto text = [](const PlanRow& plan, int column) {
        return column == 0 ? spanText(plan) : column == 1 ? lengthText(plan) : outcomeText(plan);
    };
    return new PlanTableModel({QStringLiteral("投注期号"), QStringLiteral("追号期数"), QStringLiteral("计划成功")},
                              text, parent);
}

void PeriodListModel::setPeriods(std::vector<qint64> periods)
{
    beginResetModel();
    m_periods = std::move(periods);
    endResetModel();
}

int PeriodListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_periods.size());
}

QVariant PeriodListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_periods.size()))
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return QString::number(m_periods[std::size_t(index.row())]);
    return {};
}

void setUpStatisticsGrid(QTableView* grid, QAbstractTableModel* model)
{
    grid->setModel(model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setWordWrap(false);
    // The arrows move within the grid; Tab moves on to the next control.
    grid->setTabKeyNavigation(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(scaled(20));
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setSectionsClickable(false);
    grid->horizontalHeader()->setHighlightSections(false);
}

void fitColumnTo(QTableView* grid, int column, int usualWidth, const QString& sample)
{
    // The usual widths suit an 8-point Latin face; the CJK face here is wider, and a
    // plan's periods cut short with "…" would hide the very ids the user reads the grid for.
    const int margins = 2 * grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 8;
    grid->setColumnWidth(column, std::max(scaled(usualWidth), grid->fontMetrics().horizontalAdvance(sample) + margins));
}
