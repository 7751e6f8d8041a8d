#include "core/base/u_public.h"
#include "core/plan/bet_output.h"
#include "core/plan/chance_figures.h"
#include "core/plan/hit_replay.h"
#include "gui/dialogs.h"
#include "gui/u_main.h"
#include "support/draw_fixtures.h"
#include "support/find_control.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
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
HitTable replayed()
{
    return ReplayHits(u_public::drawHistory(), u_public::planSelection().digitOffset);
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
    const HitTable hits = replayed();
    const QStringList lines = mem->toPlainText().split(u'\n');
    QCOMPARE(lines.mid(0, 3), SummaryLines(SummarizePlans(hits, 5)));
    QCOMPARE(lines.size(), 10);
    QCOMPARE(lines[3], QStringLiteral("随机基准：99.4%"));
    QVERIFY2(lines[4].startsWith(QStringLiteral("单期命中：")) && lines[4].endsWith(QStringLiteral("/9900期")),
             qPrintable(lines[4]));
    QVERIFY2(lines[5].endsWith(QStringLiteral("（随机64.0%）")), qPrintable(lines[5]));
    QVERIFY(!mem->toPlainText().contains(QStringLiteral("nan"), Qt::CaseInsensitive));

    // No line wraps; the box scrolls to show them all.
    for (QTextBlock block = mem->document()->begin(); block.isValid(); block = block.next()) {
        mem->document()->documentLayout()->blockBoundingRect(block);
        QVERIFY2(block.layout()->lineCount() == 1, qPrintable(block.text()));
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
    QCOMPARE(page->count(), 3);
    QCOMPARE(page->tabText(2), QStringLiteral("图表"));
    QCOMPARE(page->indexOf(chartTab), 2);

    // Not drawn until it is in view.
    QVERIFY(chartState(w).observed.empty());
    page->setCurrentWidget(chartTab);
    ChartState shown = chartState(w);
    PlanLengthCounts counts = CountPlanLengths(replayed());
    QVERIFY(counts.plans > 100);
    QCOMPARE(shown.observed, counts.observed);
    QCOMPARE(shown.expected, counts.expected);
    QCOMPARE(shown.cutName, QStringLiteral("计划期数5"));
    QCOMPARE(shown.cut.at(0).x(), 4.5);
    // 300 tested draws: windows of 100 end at the 200th to the 400th draw.
    QCOMPARE(shown.movingRate.size(), 201);
    QCOMPARE(shown.movingRate, MovingHitRate(replayed()));

    // A lottery change while the tab is in view redraws it at once.
    auto* lottery = control<QComboBox>(&w, "comcaipiao");
    lottery->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(lottery, Qt::Key_Down);
    QCOMPARE(u_public::planSelection().lotteryName, QStringLiteral("中国福彩3D"));
    shown = chartState(w);
    QCOMPARE(shown.observed, CountPlanLengths(replayed()).observed);
    QCOMPARE(shown.movingRate.size(), 101);
    QCOMPARE(shown.movingRate, MovingHitRate(replayed()));

    // Out of view, a new mode and count wait until the tab is shown again.
    page->setCurrentIndex(0);
    control<QWidget>(&w, "optFront2")->setFocus();
    QTest::keyClick(control<QWidget>(&w, "optFront2"), Qt::Key_Space);
    QCOMPARE(u_public::planSelection().digitOffset, 0);
    pressStatistics(w, "2");
    QCOMPARE(chartState(w).cutName, QStringLiteral("计划期数5"));
    QCOMPARE(chartState(w).movingRate, shown.movingRate);
    page->setCurrentWidget(chartTab);
    const ChartState front = chartState(w);
    QCOMPARE(front.cutName, QStringLiteral("计划期数2"));
    QCOMPARE(front.cut.at(0).x(), 1.5);
    QCOMPARE(front.observed, CountPlanLengths(replayed()).observed);
    QCOMPARE(front.movingRate, MovingHitRate(replayed()));
    QVERIFY(front.movingRate != shown.movingRate);

    // A lottery with too few draws for the moving window shows none, and says so.
    fixtures::storeDraws(m_folder->path(), "上海时时彩", fixtures::syntheticDraws("上海时时彩", 150, 24));
    lottery->setFocus();
    QTest::keyClick(lottery, Qt::Key_Up);
    QCOMPARE(u_public::planSelection().lotteryName, QStringLiteral("上海时时彩"));
    QVERIFY(chartState(w).movingRate.isEmpty());
    auto* rate = qobject_cast<QLineSeries*>(control<QChartView>(&w, "chtmingzhong")->chart()->series().at(0));
    QCOMPARE(rate->name(), QStringLiteral("近100期命中率（不足100期）"));
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
