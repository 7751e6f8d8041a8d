#include "core/plan/chance_figures.h"
#include "core/plan/hit_replay.h"
#include "core/store/draw_database.h"
#include "gui/dialogs.h"
#include "gui/overview_tab.h"
#include "gui/shell_folder.h"
#include "gui/u_data.h"
#include "gui/u_main.h"
#include "support/draw_fixtures.h"
#include "support/find_control.h"
#include "support/modal_answer.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QValueAxis>
#include <memory>

using fixtures::control;
using fixtures::ProgramFolder;

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

// The series the charts should show for the loaded history under the current mode.
HitTable replayed(Tfrmmain& w)
{
    return replayHits(w.session().drawHistory(), w.session().planSelection().digitOffset);
}

void pressStatistics(QWidget& window, const QString& planPeriods)
{
    control<QLineEdit>(&window, "edtjihuaqishu")->setText(planPeriods);
    QTest::mouseClick(control<QPushButton>(&window, "btntongji"), Qt::LeftButton);
}

}  // namespace

class TestPlanFigures : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void summaryKeepsItsLinesAndAddsChance();
    void chartTabFollowsTheSelection();
    void planLengthsOnALogarithmicAxis();
    void overviewOfEveryLottery();
    void savePicture_data();
    void savePicture();

private:
    Tfrmmain& open();

    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<Tfrmmain> m_window;
};

void TestPlanFigures::init()
{
    dialogs::testing::setRecording(true);
    m_folder = std::make_unique<ProgramFolder>();
    fixtures::storeDraws(m_folder->path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", 400, 21));
    fixtures::storeDraws(m_folder->path(), "中国福彩3D", fixtures::syntheticDraws("中国福彩3D", 300, 22));
}

void TestPlanFigures::cleanup()
{
    m_window.reset();
    m_folder.reset();
    QCOMPARE(dialogs::testing::takeMessages(), QStringList());
}

Tfrmmain& TestPlanFigures::open()
{
    m_window = std::make_unique<Tfrmmain>(m_folder->path());
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("window not exposed");
    return *m_window;
}

void TestPlanFigures::summaryKeepsItsLinesAndAddsChance()
{
    // The widest figures come with a full history: 9900 tested draws.
    m_folder = std::make_unique<ProgramFolder>();
    fixtures::storeDraws(m_folder->path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", 10000, 23));
    Tfrmmain& w = open();
    auto* mem = control<QPlainTextEdit>(&w, "mem");
    const HitTable hits = replayed(w);
    const QStringList lines = mem->toPlainText().split(u'\n');
    QCOMPARE(lines.mid(0, 3), summaryLines(summarizePlans(hits, 5)));
    QCOMPARE(lines.size(), 14);
    // 6329 hits in 9900 tested draws; 6299 of 6329 plans within 5 periods; plan lengths 4048,
    // 1436, 547, 199, 69, 15, 12, 3. The figures: scipy.stats.binomtest(6329, 9900, 0.64) (its
    // pvalue and proportion_ci(method='wilson')), binomtest(6299, 6329, 1 - 0.36**5).pvalue,
    // scipy.stats.chisquare over lengths 1 … 6 and 7 or longer (SciPy 1.10.1).
    QCOMPARE(lines.mid(10), (QStringList{"95%区间：63.0%–64.9%", "检验：p=0.883（与随机无显著差异）",
                                         "计划检验：p=0.195", "长度检验：p=0.470"}));
    QCOMPARE(lines[3], QStringLiteral("随机基准：99.4%"));
    QVERIFY2(lines[4].startsWith(QStringLiteral("单期命中：")) && lines[4].endsWith(QStringLiteral("/9900期")),
             qPrintable(lines[4]));
    QVERIFY2(lines[5].endsWith(QStringLiteral("（随机64.0%）")), qPrintable(lines[5]));
    QVERIFY(!mem->toPlainText().contains(QStringLiteral("nan"), Qt::CaseInsensitive));

    // No line wraps but the verdict, too long for the box's width, which takes two; the box
    // scrolls to show them all.
    for (QTextBlock block = mem->document()->begin(); block.isValid(); block = block.next()) {
        mem->document()->documentLayout()->blockBoundingRect(block);
        const int wrapped = block.text().startsWith(QStringLiteral("检验：")) ? 2 : 1;
        QVERIFY2(block.layout()->lineCount() <= wrapped, qPrintable(block.text()));
    }
    QVERIFY(mem->verticalScrollBar()->maximum() > 0);

    // The baseline follows 计划期数 at the next 统计.
    pressStatistics(w, "3");
    QCOMPARE(mem->toPlainText().split(u'\n').at(3), QStringLiteral("随机基准：95.3%"));
    pressStatistics(w, "0");
    QCOMPARE(mem->toPlainText().split(u'\n').at(3), QStringLiteral("随机基准：0.0%"));
}

void TestPlanFigures::chartTabFollowsTheSelection()
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

void TestPlanFigures::planLengthsOnALogarithmicAxis()
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

void TestPlanFigures::overviewOfEveryLottery()
{
    m_folder = std::make_unique<ProgramFolder>();
    fixtures::storeDraws(m_folder->path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", 10000, 23));
    fixtures::storeDraws(m_folder->path(), "中国福彩3D", fixtures::syntheticDraws("中国福彩3D", 7731, 22));
    fixtures::storeDraws(m_folder->path(), "上海时时彩", fixtures::syntheticDraws("上海时时彩", 150, 24));
    fixtures::storeDraws(m_folder->path(), "江西时时彩", fixtures::syntheticDraws("江西时时彩", 100, 25));
    Tfrmmain& w = open();
    auto* page = control<QTabWidget>(&w, "page");
    auto* overview = control<OverviewTab>(&w, "TabSheet4");
    auto* grid = control<QTableView>(&w, "grdzonglan");
    QCOMPARE(page->tabText(3), QStringLiteral("总览"));
    auto rowsShown = [&] {
        QStringList rows;
        for (int r = 0; r < grid->model()->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid->model()->columnCount(); ++c)
                cells << grid->model()->index(r, c).data().toString().remove(u'\n');
            rows << cells.join(u'|');
        }
        return rows;
    };

    // Computed when shown, away from the window, which answers at once.
    QVERIFY(!overview->isComputing());
    page->setCurrentWidget(overview);
    QVERIFY(overview->isComputing());
    QVERIFY(rowsShown().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!overview->isComputing(), 20000);

    // Hits in tested draws: 重庆 6321 and 6329 of 9900, 上海 33 and 28 of 50, 3D 4898 and 4903 of
    // 7631 (前二, 后二). 单期命中率, 95%区间 and p: scipy.stats.binomtest(hits, tested, 0.64), its
    // pvalue and proportion_ci(method='wilson') (SciPy 1.10.1); 计划成功率 is the summary's own.
    // 江西 has nothing tested and 排列3 no draw.
    const QString none = QStringLiteral("|—|—|—|—|—|—|—");
    QStringList expected{
        "重庆时时彩|前二|10000|63.8%|62.9–64.8|0.753|12|0|99.4%|99.4%",
        "重庆时时彩|后二|10000|63.9%|63.0–64.9|0.883|7|0|99.5%|99.4%",
        "江西时时彩|前二|100" + none,
        "江西时时彩|后二|100" + none,
        "上海时时彩|前二|150|66.0%|52.2–77.6|0.883|2|0|100.0%|99.4%",
        "上海时时彩|后二|150|56.0%|42.3–68.8|0.242|4|0|100.0%|99.4%",
        "中国福彩3D|前二|7731|64.2%|63.1–65.3|0.738|7|0|99.5%|99.4%",
        "中国福彩3D|后二|7731|64.3%|63.2–65.3|0.650|9|0|99.4%|99.4%",
        "中国体彩排列3|前二|0" + none,
        "中国体彩排列3|后二|0" + none,
    };
    QCOMPARE(rowsShown(), expected);
    // The selected lottery's row says what its summary says.
    const QStringList memo = control<QPlainTextEdit>(&w, "mem")->toPlainText().split(u'\n');
    QVERIFY(memo.contains(QStringLiteral("检验：p=0.883（与随机无显著差异）")));
    QVERIFY(memo.contains(QStringLiteral("计划成功率：99.5%")));
    // Every column is in view.
    QVERIFY2(grid->horizontalHeader()->length() <= grid->viewport()->width(),
             qPrintable(QString::number(grid->horizontalHeader()->length())));
    fixtures::keepShot(&w, QStringLiteral("overview"));

    // A new 计划期数 judges the plans afresh without reading the draws again.
    pressStatistics(w, "2");
    QVERIFY(!overview->isComputing());
    const QString planRate = control<QPlainTextEdit>(&w, "mem")->toPlainText().split(u'\n').at(2);
    QCOMPARE(planRate, QStringLiteral("计划成功率：86.9%"));
    QCOMPARE(rowsShown().at(1).section(u'|', 8), QStringLiteral("86.9%|87.0%"));

    // Draws stored in the data window, and a table without its period column: the overview in view reads them when the
    // window closes; the table's rows say why they are empty.
    fixtures::storeDraws(m_folder->path(), "中国体彩排列3", fixtures::syntheticDraws("中国体彩排列3", 120, 26));
    {
        DrawDatabase db(m_folder->path());
        db.exec(QStringLiteral("DROP TABLE \"江西时时彩彩票号码表\""));
        db.exec(QStringLiteral("CREATE TABLE \"江西时时彩彩票号码表\" (x INTEGER)"));
    }
    bool seen = false;
    fixtures::answerModal<Tfrmdata>(seen, [](Tfrmdata* data) { data->reject(); });
    QTest::mouseClick(control<QPushButton>(&w, "btnedit"), Qt::LeftButton);
    QVERIFY(seen);
    QVERIFY(overview->isComputing());
    QTRY_VERIFY_WITH_TIMEOUT(!overview->isComputing(), 20000);
    const QStringList rows = rowsShown();
    QVERIFY2(rows.at(8).startsWith(QStringLiteral("中国体彩排列3|前二|120|")), qPrintable(rows.at(8)));
    QVERIFY(!rows.at(8).contains(u'—'));
    QCOMPARE(rows.at(2), QStringLiteral("江西时时彩|前二|读取失败") + none);
    const QString why = grid->model()->index(2, 2).data(Qt::ToolTipRole).toString();
    QVERIFY2(why.contains(QStringLiteral("江西时时彩彩票号码表")), qPrintable(why));
}

void TestPlanFigures::savePicture_data()
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

void TestPlanFigures::savePicture()
{
    QFETCH(QString, name);
    QFETCH(QString, savedAs);
    QFETCH(QString, message);
    Tfrmmain& w = open();
    QWidget* chartTab = control<QWidget>(&w, "TabSheet3");
    control<QTabWidget>(&w, "page")->setCurrentWidget(chartTab);
    QTemporaryDir dir;
    dialogs::testing::setNextSaveFileName(name.isEmpty() ? QString() : dir.filePath(name));

    // The command the right-click menu of the tab and of both charts offers.
    auto* save = control<QAction>(&w, "actsavepicture");
    QCOMPARE(save->text(), QStringLiteral("保存图片…"));
    for (const char* widget : {"TabSheet3", "chtjihua", "chtmingzhong"}) {
        QWidget* target = control<QWidget>(&w, widget);
        QCOMPARE(target->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(target->actions().contains(save));
    }
    save->trigger();

    const QStringList messages = dialogs::testing::takeMessages();
    QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(messages[0].startsWith(message), qPrintable(messages[0]));
    QCOMPARE(dialogs::testing::lastSaveDirectory(), ShellFolderPath("Desktop"));
    QCOMPARE(dialogs::testing::lastSaveFilter(), QStringLiteral("PNG 图片(*.png)"));
    if (!savedAs.isEmpty()) {
        const QImage picture(dir.filePath(savedAs), "PNG");
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), chartTab->size() * chartTab->devicePixelRatio());
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), savedAs.isEmpty() ? 0 : 1);
}

QTEST_MAIN(TestPlanFigures)
#include "test_plan_figures.moc"
