#pragma once

#include "core/plan/hit_replay.h"

#include <QWidget>

class QAction;
class QBarCategoryAxis;
class QBarSet;
class QChart;
class QChartView;
class QCheckBox;
class QLineSeries;
class QLogValueAxis;
class QValueAxis;

// The 图表 tab: how long the plans ran beside what chance predicts, with the 计划期数 cut, and
// the hit rate over a moving window of draws beside chance's 64%. The plan counts are drawn on a
// logarithmic axis unless the user unticks it: chance leaves a few plans at each length beyond
// 计划期数, next to thousands at one period, and on a linear axis those failures vanish. Drawing 10000 points is work
// a user who never looks should not wait for, so the charts are redrawn only while in view.
class PlanCharts : public QWidget {
    Q_OBJECT

public:
    explicit PlanCharts(QWidget* parent = nullptr);

    // The replay's marks and the 计划期数 they were judged with. The table is the caller's and
    // must outlive this widget; it is read when the charts are next drawn.
    void setFigures(const HitTable* hits, int planPeriods);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuild();
    void rebuildPlanLengths();
    void rebuildMovingRate();
    void savePicture();
    // Puts the axis the tick box asks for under the bars and the cut.
    void chooseCountAxis();

    QChartView* chtjihua;
    QChartView* chtmingzhong;
    QAction* m_saveAction;

    QBarSet* m_observed;
    QBarSet* m_expected;
    QBarCategoryAxis* m_lengthAxis;
    QCheckBox* chklog;
    QValueAxis* m_planCountAxis;
    QLogValueAxis* m_logCountAxis;
    class QBarSeries* m_bars;
    QLineSeries* m_cut;

    QLineSeries* m_movingRate;
    QLineSeries* m_chanceRate;
    QValueAxis* m_drawAxis;
    QValueAxis* m_rateAxis;

    const HitTable* m_hits = nullptr;
    int m_planPeriods = 0;
    bool m_stale = false;
};
