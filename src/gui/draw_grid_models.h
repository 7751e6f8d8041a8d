#pragma once

#include "core/plan/hit_replay.h"
#include "core/plan/plan_table.h"

#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

class QTableView;

// A read-only grid of three text columns over a table of rows, whose first column looks like a
// fixed header column, as the statistics grids always have. Texts are made only for the rows
// in view: a full history has 10000 of them.
class StatisticsGridModel : public QAbstractTableModel {
public:
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    StatisticsGridModel(QStringList headers, QObject* parent);
    virtual QString cell(int row, int column) const = 0;

private:
    QStringList m_headers;
};

template <class Row>
class RowTableModel : public StatisticsGridModel {
public:
    using CellText = QString (*)(const Row& row, int column);

    RowTableModel(QStringList headers, CellText cellText, QObject* parent = nullptr)
        : StatisticsGridModel(std::move(headers), parent), m_cellText(cellText)
    {
    }

    const std::vector<Row>& table() const { return m_table; }

    void setTable(std::vector<Row> table)
    {
        beginResetModel();
        m_table = std::move(table);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_table.size()); }

protected:
    QString cell(int row, int column) const override { return m_cellText(m_table[std::size_t(row)], column); }

private:
    CellText m_cellText;
    std::vector<Row> m_table;
};

// 中奖统计: 记录期号, 开奖号码, 是否中奖 for every draw.
using HitTableModel = RowTableModel<HitRow>;
HitTableModel* newHitTableModel(QObject* parent);

// 计划统计: 投注期号, 追号期数, 计划成功 for every plan.
using PlanTableModel = RowTableModel<PlanRow>;
PlanTableModel* newPlanTableModel(QObject* parent);

// The period ids of a history and the coming period, as the period box lists them: the numbers
// are kept and a text is made only when the box asks for it, so that a reload of 10000 draws
// does not build 10000 strings.
class PeriodListModel : public QAbstractListModel {
public:
    explicit PeriodListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    void setPeriods(std::vector<qint64> periods);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<qint64> m_periods;
};

// Look and behaviour shared by the statistics grids: read only, whole rows selected, rows of
// one height so that ten thousand of them cost nothing to lay out.
void setUpStatisticsGrid(QTableView* grid, QAbstractTableModel* model);

// Widens a column to show `sample` whole when the font needs more than the column's usual width.
void fitColumnTo(QTableView* grid, int column, int usualWidth, const QString& sample);
