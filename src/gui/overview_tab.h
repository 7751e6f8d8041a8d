#pragma once

#include "core/plan/plan_report.h"
#include "core/store/draw_origins.h"

#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class QLabel;
class QStandardItem;
class QStandardItemModel;
class QTableView;
class WorkRunner;

// Reads the stored draws of every lottery (the newest 10000 each, deleting nothing) and reports
// the rule on both modes: two rows per lottery, in the order of the lottery box, 前二 first. A
// lottery that cannot be read gets rows that say why. Stops early, with fewer rows, once
// `cancelled` says so.
std::vector<OverviewRow> readOverview(const QString& dataDir, int planPeriods,
                                      const std::function<bool()>& cancelled = {});

// How far each lottery's stored draws are confirmed by a second source (已核对), by lottery name;
// nothing for a lottery whose table cannot be read. Reads only.
std::map<QString, std::optional<ConfirmationTally>> readConfirmations(const QString& dataDir);

// The 总览 tab: every lottery under both modes side by side, with the figures the summary shows
// for the selected one. Reading and replaying five full lotteries takes longer than a click
// should wait, so it runs through the window's runner, silently, while the tab keeps what it
// showed; a newer request or leaving the tab cancels it, and a cancelled run's figures are
// never shown.
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
    void hideEvent(QHideEvent* event) override;

private:
    void compute();
    void computationEnded();
    void fill();
    // The 已核对 cell of a lottery: confirmed / stored, or the disagreements in red.
    QStandardItem* confirmationItem(const QString& lottery) const;

    const QString m_dataDir;
    QLabel* lblzonglan;
    QTableView* grdzonglan;
    QStandardItemModel* m_model;
    WorkRunner* m_runner;
    std::vector<OverviewRow> m_rows;
    std::map<QString, std::optional<ConfirmationTally>> m_confirmations;
    int m_planPeriods = 5;
    // From the start of a computation until its figures are shown, or until it was cancelled
    // with no newer one to follow.
    bool m_computing = false;
    bool m_computeAgain = false;
};
