#include "core/plan/chance_figures.h"
#include "gui/dialogs.h"
#include "gui/shell_folder.h"
#include "gui/u_main.h"
#include "support/draw_fixtures.h"
#include "support/find_control.h"
#include "support/main_window.h"
#include "support/modal_answer.h"

#include <QAction>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <memory>

using fixtures::control;
using fixtures::openMainWindow;
using fixtures::pressStatistics;
using fixtures::ProgramFolder;
using fixtures::replayed;

namespace {

// What the 图表 tab holds right now: the bars, the cut and the moving rate.
struct ChartState {
    std::vector<int> observed;
    std::vector<double> expected;
    QString cutName;
    QList<QPointF> cut;
    QList<QPointF> movingRate;
};

ChartState chartState(const QWidget& window)
{
    ChartState state;
    QChart* lengths = control<QChartView>(&window, "chtjihua")->chart();
    auto* bars = qobject_cast<QBarSeries*>(lengths->series().at(0));
    auto* cut = qobject_cast<QLineSeries*>(lengths->series().at(1));
    for (int k = 0; k < bars->barSets().at(0)->count(); ++k) {
        state.observed.push_back(int(bars->barSets().at(0)->at(k)));
        state.expected.push_back(bars->barSets().at(1)->at(k));
    }
    state.cutName = cut->name();
    state.cut = cut->points();
    state.movingRate =
        qobject_cast<QLineSeries*>(control<QChartView>(&window, "chtmingzhong")->chart()->series().at(0))->points();
    return state;
}

}  // namespace

class TestPlanCharts : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void chartTabFollowsTheSelection();
    void planLengthsOnALogarithmicAxis();
    void savePicture_data();
    void savePicture();

private:
    Tfrmmain& open();

    dialogs::testing::Recorder m_dialogs;  // the user, answering in advance; outlives the windows
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<Tfrmmain> m_window;
};

void TestPlanCharts::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    fixtures::storeDraws(m_folder->path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", 400, 21));
    fixtures::storeDraws(m_folder->path(), "中国福彩3D", fixtures::syntheticDraws("中国福彩3D", 300, 22));
}

void TestPlanCharts::cleanup()
{
    m_window.reset();
    m_folder.reset();
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
}

Tfrmmain& TestPlanCharts::open()
{
    m_window = openMainWindow(m_folder->path());
    return *m_window;
}

void TestPlanCharts::chartTabFollowsTheSelection()
{
    Tfrmmain& w = open();
    auto* page = control<QTabWidget>(&w, "page");
    QWidget* chartTab = control<QWidget>(&w, "TabSheet3");
    QCOMPARE(page->count(), 4);
    QCOMPARE(page->tabText(2), QStringLiteral("图表"));
    QCOMPARE(page->indexOf(chartTab), 2);

    // Not drawn until it is in view.
    QVERIFY(chartState(w).observed.empty());
    page->setCurrentWidget(chartTab);
    ChartState shown = chartState(w);
    PlanLengthCounts counts = countPlanLengths(replayed(w));
    QVERIFY(counts.plans > 100);
    QCOMPARE(shown.observed, counts.observed);
    QCOMPARE(shown.expected, counts.expected);
    QCOMPARE(shown.cutName, QStringLiteral("计划期数5"));
    QCOMPARE(shown.cut.at(0).x(), 4.5);
    // 300 tested draws: windows of 100 end at the 200th to the 400th draw, where the axis ends.
    QCOMPARE(shown.movingRate.size(), 201);
    QCOMPARE(shown.movingRate, movingHitRate(replayed(w)));
    auto* drawAxis =
        qobject_cast<QValueAxis*>(control<QChartView>(&w, "chtmingzhong")->chart()->axes(Qt::Horizontal).constFirst());
    QCOMPARE(drawAxis->max(), 400.0);
    // Chance's line beside it is named by its whole percentage.
    QCOMPARE(control<QChartView>(&w, "chtmingzhong")->chart()->series().at(1)->name(), QStringLiteral("随机64%"));

    // A lottery change while the tab is in view redraws it at once.
    auto* lottery = control<QComboBox>(&w, "comcaipiao");
    lottery->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(lottery, Qt::Key_Down);
    QCOMPARE(w.session().planSelection().lotteryName, QStringLiteral("中国福彩3D"));
    shown = chartState(w);
    QCOMPARE(shown.observed, countPlanLengths(replayed(w)).observed);
    QCOMPARE(shown.movingRate.size(), 101);
    QCOMPARE(shown.movingRate, movingHitRate(replayed(w)));
    QCOMPARE(drawAxis->max(), 300.0);

    // Out of view, a new mode and count wait until the tab is shown again.
    page->setCurrentIndex(0);
    control<QWidget>(&w, "optFront2")->setFocus();
    QTest::keyClick(control<QWidget>(&w, "optFront2"), Qt::Key_Space);
    QCOMPARE(w.session().planSelection().digitOffset, 0);
    pressStatistics(w, "2");
    QCOMPARE(chartState(w).cutName, QStringLiteral("计划期数5"));
    QCOMPARE(chartState(w).movingRate, shown.movingRate);
    page->setCurrentWidget(chartTab);
    const ChartState front = chartState(w);
    QCOMPARE(front.cutName, QStringLiteral("计划期数2"));
    QCOMPARE(front.cut.at(0).x(), 1.5);
    QCOMPARE(front.observed, countPlanLengths(replayed(w)).observed);
    QCOMPARE(front.movingRate, movingHitRate(replayed(w)));
    QVERIFY(front.movingRate != shown.movingRate);

    // A lottery with too few draws for the moving window shows none, and says so.
    fixtures::storeDraws(m_folder->path(), "上海时时彩", fixtures::syntheticDraws("上海时时彩", 150, 24));
    lottery->setFocus();
    QTest::keyClick(lottery, Qt::Key_Up);
    QCOMPARE(w.session().planSelection().lotteryName, QStringLiteral("上海时时彩"));
    QVERIFY(chartState(w).movingRate.isEmpty());
    auto* rate = qobject_cast<QLineSeries*>(control<QChartView>(&w, "chtmingzhong")->chart()->series().at(0));
    QCOMPARE(rate->name(), QStringLiteral("近100期命中率（不足100期）"));
}

void TestPlanCharts::planLengthsOnALogarithmicAxis()
{
    // A count of nothing placed on the logarithmic axis, even for a moment, is a fault Qt reports.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("Logarithms")));
    m_folder = std::make_unique<ProgramFolder>();
    fixtures::storeDraws(m_folder->path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", 10000, 23));
    Tfrmmain& w = open();
    control<QTabWidget>(&w, "page")->setCurrentWidget(control<QWidget>(&w, "TabSheet3"));
    QChart* lengths = control<QChartView>(&w, "chtjihua")->chart();
    auto* logScale = control<QCheckBox>(&w, "chklog");
    const PlanLengthCounts counts = countPlanLengths(replayed(w));
    // Thousands of one-period plans and a few failures beyond 计划期数 5, one of 8 periods.
    QVERIFY(counts.observed.size() >= 8 && counts.observed[0] > 1000 && counts.observed[7] > 0);

    QVERIFY(logScale->isChecked());
    auto* logAxis = qobject_cast<QLogValueAxis*>(lengths->axes(Qt::Vertical).constFirst());
    QVERIFY(logAxis);
    QCOMPARE(lengths->axes(Qt::Vertical).size(), 1);
    QVERIFY(logAxis->max() >= counts.observed[0]);
    // Every length some plan took stands above the axis floor, beside chance's bar; one no plan
    // took stands at the floor.
    ChartState shown = chartState(w);
    QCOMPARE(shown.observed, counts.observed);
    for (std::size_t k = 0; k < counts.observed.size(); ++k) {
        auto* observed = qobject_cast<QBarSeries*>(lengths->series().at(0))->barSets().at(0);
        QVERIFY(observed->at(qsizetype(k)) >= logAxis->min());
        QCOMPARE(observed->at(qsizetype(k)) > logAxis->min(), counts.observed[k] > 0);
    }
    QCOMPARE(shown.cut.at(0).y(), logAxis->min());
    QCOMPARE(shown.cut.at(1).y(), logAxis->max());

    // Unticked, the counts go back to a linear axis from 0.
    logScale->click();
    QVERIFY(qobject_cast<QValueAxis*>(lengths->axes(Qt::Vertical).constFirst()));
    QCOMPARE(lengths->axes(Qt::Vertical).size(), 1);
    shown = chartState(w);
    QCOMPARE(shown.observed, counts.observed);
    QCOMPARE(shown.expected, counts.expected);
    QCOMPARE(shown.cut.at(0).y(), 0.0);
    logScale->click();
    QCOMPARE(lengths->axes(Qt::Vertical).constFirst(), logAxis);
    fixtures::keepShot(control<QWidget>(&w, "TabSheet3")->window(), QStringLiteral("chart-log"));
}

void TestPlanCharts::savePicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("savedAs");
    QTest::addColumn<QString>("message");
    QTest::newRow("suffix added") << "图表"
                                  << "图表.png"
                                  << "成功保存！";
    QTest::newRow("cancelled") << ""
                               << ""
                               << "";
    QTest::newRow("no such folder") << "no/such/folder/图表.png"
                                    << ""
                                    << "无法保存文件";
}

void TestPlanCharts::savePicture()
{
    QFETCH(QString, name);
    QFETCH(QString, savedAs);
    QFETCH(QString, message);
    Tfrmmain& w = open();
    QWidget* chartTab = control<QWidget>(&w, "TabSheet3");
    control<QTabWidget>(&w, "page")->setCurrentWidget(chartTab);
    QTemporaryDir dir;
    m_dialogs.setNextSaveFileName(name.isEmpty() ? QString() : dir.filePath(name));

    // The command the right-click menu of the tab and of both charts offers.
    auto* save = control<QAction>(&w, "actsavepicture");
    QCOMPARE(save->text(), QStringLiteral("保存图片…"));
    for (const char* widget : {"TabSheet3", "chtjihua", "chtmingzhong"}) {
        QWidget* target = control<QWidget>(&w, widget);
        QCOMPARE(target->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(target->actions().contains(save));
    }
    save->trigger();

    const QStringList messages = m_dialogs.takeMessages();
    QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(messages[0].startsWith(message), qPrintable(messages[0]));
    QCOMPARE(m_dialogs.lastSaveDirectory(), ShellFolderPath("Desktop"));
    QCOMPARE(m_dialogs.lastSaveFilter(), QStringLiteral("PNG 图片(*.png)"));
    if (!savedAs.isEmpty()) {
        const QImage picture(dir.filePath(savedAs), "PNG");
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), chartTab->size() * chartTab->devicePixelRatio());
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), savedAs.isEmpty() ? 0 : 1);
}

QTEST_MAIN(TestPlanCharts)
#include "test_plan_charts.moc"
