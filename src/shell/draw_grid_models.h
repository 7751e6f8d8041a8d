#pragma once

#include "plan/hit_replay.h"
#include "plan/plan_table.h"

#include <QAbstractTableModel>
#include <QStringList>

class QTableView;

// A read-only grid of three text columns whose first column looks like a fixed header column,
// as the statistics grids always have.
class ThreeColumnGridModel : public QAbstractTableModel {
public:
    explicit ThreeColumnGridModel(QStringList headers, QObject* parent = nullptr);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    virtual QString cell(int row, int column) const = 0;

private:
    QStringList m_headers;
};

// 中奖统计: 记录期号, 开奖号码, 是否中奖 for every draw.
class HitTableModel : public ThreeColumnGridModel {
public:
    explicit HitTableModel(QObject* parent = nullptr);
    const HitTable& table() const { return m_table; }
    void setTable(HitTable table);
    int rowCount(const QModelIndex& parent = {}) const override;

protected:
    QString cell(int row, int column) const override;

private:
    HitTable m_table;
};

// 计划统计: 投注期号, 追号期数, 计划成功 for every plan.
class PlanTableModel : public ThreeColumnGridModel {
public:
    explicit PlanTableModel(QObject* parent = nullptr);
    const PlanTable& table() const { return m_table; }
    void setTable(PlanTable table);
    int rowCount(const QModelIndex& parent = {}) const override;

protected:
    QString cell(int row, int column) const override;

private:
    PlanTable m_table;
};

// Look and behaviour shared by the statistics grids: read only, whole rows selected, rows of
// one height so that ten thousand of them cost nothing to lay out.
void setUpStatisticsGrid(QTableView* grid, QAbstractTableModel* model);

// Widens a column to show `sample` whole when the font needs more than its design width.
void fitColumnTo(QTableView* grid, int column, int designWidth, const QString& sample);
