#include "core/base/program_paths.h"
#include "core/store/draw_database.h"
#include "gui/dialogs.h"
#include "gui/overview_tab.h"
#include "gui/readable_colours.h"
#include "gui/u_data.h"
#include "gui/u_main.h"
#include "support/draw_fixtures.h"
#include "support/find_control.h"
#include "support/main_window.h"
#include "support/modal_answer.h"

#include <QBrush>
#include <QDir>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <memory>

using fixtures::control;
using fixtures::openMainWindow;
using fixtures::pressStatistics;
using fixtures::ProgramFolder;

class TestOverviewTab : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void overviewOfEveryLottery();
    void overviewReadsTheDataFolder();

private:
    Tfrmmain& open();

    dialogs::testing::Recorder m_dialogs;  // the user, answering in advance; outlives the windows
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<Tfrmmain> m_window;
};

void TestOverviewTab::cleanup()
{
    m_window.reset();
    m_folder.reset();
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
}

Tfrmmain& TestOverviewTab::open()
{
    m_window = openMainWindow(m_folder->path());
    return *m_window;
}

void TestOverviewTab::overviewOfEveryLottery()
{
    m_folder = std::make_unique<ProgramFolder>();
    fixtures::storeDraws(m_folder->path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", 10000, 23));
    fixtures::storeDraws(m_folder->path(), "中国福彩3D", fixtures::syntheticDraws("中国福彩3D", 7731, 22));
    fixtures::storeDraws(m_folder->path(), "上海时时彩", fixtures::syntheticDraws("上海时时彩", 150, 24));
    fixtures::storeDraws(m_folder->path(), "江西时时彩", fixtures::syntheticDraws("江西时时彩", 100, 25));
    {
        // A second source has agreed on 重庆's newest five and differs from 3D on two draws.
        DrawDatabase db(m_folder->path());
        std::vector<DrawDatabase::CheckMark> agreed;
        for (int period = 116; period <= 120; ++period)
            agreed.push_back({QStringLiteral("20261209%1").arg(period), {}, {}});
        db.markChecked("重庆时时彩", "中彩网", agreed);
        db.markDisagreeing("中国福彩3D", "2026343", "中彩网", "124");
        db.markDisagreeing("中国福彩3D", "2026342", "中彩网", "000");
    }
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
    // The last column, 已核对: confirmed of stored, or the draws a second source lists otherwise.
    const QString none = QStringLiteral("|—|—|—|—|—|—|—");
    QStringList expected{
        "重庆时时彩|前二|10000|63.8%|62.9–64.8|0.753|12|0|99.4%|99.4%|5/10000",
        "重庆时时彩|后二|10000|63.9%|63.0–64.9|0.883|7|0|99.5%|99.4%|5/10000",
        "江西时时彩|前二|100" + none + "|0/100",
        "江西时时彩|后二|100" + none + "|0/100",
        "上海时时彩|前二|150|66.0%|52.2–77.6|0.883|2|0|100.0%|99.4%|0/150",
        "上海时时彩|后二|150|56.0%|42.3–68.8|0.242|4|0|100.0%|99.4%|0/150",
        "中国福彩3D|前二|7731|64.2%|63.1–65.3|0.738|7|0|99.5%|99.4%|2期不符",
        "中国福彩3D|后二|7731|64.3%|63.2–65.3|0.650|9|0|99.4%|99.4%|2期不符",
        "中国体彩排列3|前二|0" + none + "|0/0",
        "中国体彩排列3|后二|0" + none + "|0/0",
    };
    QCOMPARE(rowsShown(), expected);
    const QModelIndex disagreeing = grid->model()->index(6, 10);
    QCOMPARE(disagreeing.data(Qt::ForegroundRole).value<QBrush>().color(), warningTextColour(grid->palette()));
    QVERIFY(!grid->model()->index(0, 10).data(Qt::ForegroundRole).isValid());
    QCOMPARE(grid->rowSpan(6, 10), 2);
    // The selected lottery's row says what its summary says.
    const QStringList memo = control<QPlainTextEdit>(&w, "mem")->toPlainText().split(u'\n');
    QVERIFY(memo.contains(QStringLiteral("检验：p=0.883（与随机无显著差异）")));
    QVERIFY(memo.contains(QStringLiteral("计划成功率：99.5%")));
    fixtures::keepShot(&w, QStringLiteral("overview"));
    // Every column is in view.
    QVERIFY2(grid->horizontalHeader()->length() <= grid->viewport()->width(),
             qPrintable(QString::number(grid->horizontalHeader()->length())));

    // A new 计划期数 judges the plans afresh without reading the draws again.
    pressStatistics(w, "2");
    QVERIFY(!overview->isComputing());
    const QString planRate = control<QPlainTextEdit>(&w, "mem")->toPlainText().split(u'\n').at(2);
    QCOMPARE(planRate, QStringLiteral("计划成功率：86.9%"));
    QCOMPARE(rowsShown().at(1).section(u'|', 8, 9), QStringLiteral("86.9%|87.0%"));

    // Draws stored in the data window, and a table without its period column: the overview in view reads them when the
    // window closes; the table's rows say why they are empty.
    fixtures::storeDraws(m_folder->path(), "中国体彩排列3", fixtures::syntheticDraws("中国体彩排列3", 120, 26));
    fixtures::handMadeTable(m_folder->path(), "江西时时彩彩票号码表", "x integer");
    bool seen = false;
    fixtures::answerModal<Tfrmdata>(seen, [](Tfrmdata* data) { data->reject(); });
    QTest::mouseClick(control<QPushButton>(&w, "btnedit"), Qt::LeftButton);
    QVERIFY(seen);
    QVERIFY(overview->isComputing());
    QTRY_VERIFY_WITH_TIMEOUT(!overview->isComputing(), 20000);
    const QStringList rows = rowsShown();
    QVERIFY2(rows.at(8).startsWith(QStringLiteral("中国体彩排列3|前二|120|")), qPrintable(rows.at(8)));
    QVERIFY(!rows.at(8).contains(u'—'));
    QCOMPARE(rows.at(2), QStringLiteral("江西时时彩|前二|读取失败") + none + "|—");
    const QString why = grid->model()->index(2, 2).data(Qt::ToolTipRole).toString();
    QVERIFY2(why.contains(QStringLiteral("江西时时彩彩票号码表")), qPrintable(why));
}

void TestOverviewTab::overviewReadsTheDataFolder()
{
    // A program folder the user cannot write to keeps the draws in the user's data folder: the
    // overview reads them there, as the rest of the window does.
    QStandardPaths::setTestModeEnabled(true);
    m_folder = std::make_unique<ProgramFolder>();
    const QString programDir = m_folder->path() + QStringLiteral("没有的程序文件夹/");
    const QString dataDir = program_paths::dataDirFor(programDir);
    QVERIFY(dataDir != programDir);
    const auto removeData = qScopeGuard([&] { QDir(dataDir).removeRecursively(); });
    DrawDatabase::create(dataDir);
    fixtures::storeDraws(dataDir, "上海时时彩", fixtures::syntheticDraws("上海时时彩", 150, 24));
    m_window = openMainWindow(programDir);
    auto* overview = control<OverviewTab>(m_window.get(), "TabSheet4");
    control<QTabWidget>(m_window.get(), "page")->setCurrentWidget(overview);
    QTRY_VERIFY_WITH_TIMEOUT(!overview->isComputing(), 20000);
    const QAbstractItemModel* rows = control<QTableView>(m_window.get(), "grdzonglan")->model();
    QCOMPARE(rows->index(4, 0).data().toString().remove(u'\n'), QStringLiteral("上海时时彩"));
    QCOMPARE(rows->index(4, 2).data().toString(), QStringLiteral("150"));
}

QTEST_MAIN(TestOverviewTab)
#include "test_overview_tab.moc"
