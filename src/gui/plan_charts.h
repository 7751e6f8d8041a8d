#pragma once

#include "core/plan/plan_report.h"

#include <QWidget>

class QAction;
class QCheckBox;
class HitRateChart;
class PlanLengthChart;

// The 图表 tab: how long the plans ran beside what chance predicts, with the 计划期数 cut, and
// the hit rate over a moving window of draws beside chance's 64%. The plan counts are drawn on a
// logarithmic axis unless the user unticks it: chance leaves a few plans at each length beyond
// 计划期数, next to thousands at one period, and on a linear axis those failures vanish. Drawing 10000 points is work
// a user who never looks should not wait for, so the charts are redrawn only while in view.
class PlanCharts : public QWidget {
    Q_OBJECT

public:
    explicit PlanCharts(QWidget* parent = nullptr);

    // The series of a report and the 计划期数 it was judged with, drawn when the tab is next in
    // view.
    void setReport(const PlanReport& report);

    // Its controls in the order Tab reaches them: the tick box over the charts, then the charts.
    QList<QWidget*> tabChain() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Right-click anywhere on the tab offers the one command, 保存图片….
    void createMenu();
    void rebuild();
    void rebuildPlanLengths();
    void savePicture();

    PlanLengthChart* chtjihua;
    HitRateChart* chtmingzhong;
    QCheckBox* chklog;
    QAction* m_saveAction;

    PlanLengthCounts m_planLengths;
    QList<QPointF> m_hitRate;
    int m_planPeriods = 0;
    bool m_stale = false;
};
