#pragma once

#include "gui/lottery_overview.h"

#include <QFutureWatcher>
#include <QWidget>
#include <vector>

class QLabel;
class QStandardItemModel;
class QTableView;

// The 总览 tab: every lottery under both modes side by side, with the figures the summary shows
// for the selected one. Reading and replaying five full lotteries takes longer than a click
// should wait, so it runs away from the window's thread while the tab keeps what it showed.
class OverviewTab : public QWidget {
    Q_OBJECT

public:
    // Reads the draws stored in the database under `dataDir`.
    explicit OverviewTab(const QString& dataDir, QWidget* parent = nullptr);
    ~OverviewTab() override;

    // The 计划期数 the plans are judged against; applied to the figures already computed.
    void setPlanPeriods(int planPeriods);
    // The stored draws may have changed: computed afresh at once when in view.
    void drawsChanged();

    bool isComputing() const;

    // Its controls in the order Tab reaches them.
    QList<QWidget*> tabChain() const;

signals:
    // A computation has ended and its figures are shown.
    void computed();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void compute();
    void computationEnded();
    void fill();

    const QString m_dataDir;
    QLabel* lblzonglan;
    QTableView* grdzonglan;
    QStandardItemModel* m_model;
    QFutureWatcher<std::vector<OverviewRow>> m_watcher;
    std::vector<OverviewRow> m_rows;
    int m_planPeriods = 5;
    // From the start of a computation until its figures are shown.
    bool m_computing = false;
    bool m_computeAgain = false;
};
