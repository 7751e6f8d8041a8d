// Speed of the work a user waits for: the reload of a full lottery, the replay alone, the
// retention cap on an overgrown table, and what the figures beside chance add to them.
#include "core/base/lottery_table.h"
#include "core/plan/chance_figures.h"
#include "core/plan/hit_replay.h"
#include "core/plan/plan_table.h"
#include "core/store/draw_comparison.h"
#include "core/store/draw_database.h"
#include "core/store/draw_file_parser.h"
#include "core/store/history_loader.h"
#include "gui/dialogs.h"
#include "gui/overview_tab.h"
#include "gui/u_main.h"
#include "support/draw_fixtures.h"
#include "support/find_control.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>
#include <random>
#include <string>

namespace {

DrawHistory randomHistory(int size, bool stuckTens)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> digit(0, 9);
    DrawHistory history(5);
    for (int i = 0; i < size; ++i) {
        const int draw[] = {digit(random), digit(random), digit(random), stuckTens ? 4 : digit(random), digit(random)};
        history.append(261209001 + i, draw);
    }
    return history;
}

// 后二 of a five-digit lottery; "stuck" repeats one digit at the tens position throughout, the
// case where a look-back walked anew at each draw would go all the way to the first draw.
void BM_Replay(benchmark::State& state)
{
    const DrawHistory history = randomHistory(int(state.range(0)), state.range(1) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(replayHits(history, 3));
    state.SetItemsProcessed(state.iterations() * history.size());
    state.SetLabel(state.range(1) ? "stuck tens" : "ordinary");
}
BENCHMARK(BM_Replay)->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond);

void BM_RetentionCap(benchmark::State& state)
{
    fixtures::ProgramFolder folder;
    fixtures::storeDraws(folder.path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", int(state.range(0))));
    const QString original = folder.databasePath() + ".full";
    {
        DrawDatabase db(folder.path());
        db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    QFile::copy(folder.databasePath(), original);
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(folder.databasePath());
        QFile::copy(original, folder.databasePath());
        state.ResumeTiming();
        DrawDatabase db(folder.path());
        benchmark::DoNotOptimize(db.trimToNewest("重庆时时彩", kRetainedDraws));
    }
}
BENCHMARK(BM_RetentionCap)->Arg(60000)->Unit(benchmark::kMillisecond)->Iterations(10);

// Two lotteries of 10000 draws each, the most a table keeps.
void fillTwoLotteries(const fixtures::ProgramFolder& folder)
{
    fixtures::storeDraws(folder.path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", 10000, 1));
    fixtures::storeDraws(folder.path(), "江西时时彩", fixtures::syntheticDraws("江西时时彩", 10000, 2));
}

// The floor under a reload: the same 10000 rows read from SQLite and nothing else, through a
// connection of its own, every column of every row taken as a number.
qint64 readRowsFromSqlite(const fixtures::ProgramFolder& folder, const QString& lottery)
{
    DrawDatabase db(folder.path());
    QSqlQuery query = db.selectDraws(lottery);
    qint64 sum = 0;
    while (query.next()) {
        sum += query.value(0).toString().toLongLong();
        for (int k = 1; k <= 5; ++k)
            sum += query.value(k).toInt();
    }
    return sum;
}

void BM_ReadRowsFromSqlite(benchmark::State& state)
{
    fixtures::ProgramFolder folder;
    fillTwoLotteries(folder);
    const QString lotteries[] = {QStringLiteral("江西时时彩"), QStringLiteral("重庆时时彩")};
    int turn = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(readRowsFromSqlite(folder, lotteries[turn]));
        turn = 1 - turn;
    }
}
BENCHMARK(BM_ReadRowsFromSqlite)->Unit(benchmark::kMillisecond);

// The main window shown on a folder of two 10000-draw lotteries (or as `fillFolder` fills it),
// its lottery box focused: a key press in the box changes the lottery and runs the whole reload.
struct ReloadWindow {
    using Filler = void (*)(const fixtures::ProgramFolder&);

    dialogs::testing::Recorder recorder;  // boxes kept, not shown, from before the window is made
    fixtures::ProgramFolder folder;
    bool filled;
    Tfrmmain window;
    QComboBox* comcaipiao;
    bool down = true;

    explicit ReloadWindow(benchmark::State& state, Filler fillFolder = fillTwoLotteries)
        : filled(fill(folder, fillFolder)),
          window(folder.path()),
          comcaipiao(fixtures::control<QComboBox>(&window, "comcaipiao"))
    {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            state.SkipWithError("window not exposed");
        comcaipiao->setFocus();
    }

    static bool fill(const fixtures::ProgramFolder& folder, Filler fillFolder)
    {
        fillFolder(folder);
        return true;
    }

    // One lottery change, down and up the list in turns, with the paint that shows it.
    void reload()
    {
        QTest::keyClick(comcaipiao, down ? Qt::Key_Down : Qt::Key_Up);
        QCoreApplication::processEvents();
        down = !down;
    }
};

// CPU time of this thread: on a machine shared with other work, wall time also counts the waits
// for a core, which fall on either side of a comparison by chance.
qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Adds the wall and CPU time of `work` to the sums.
template <class Work>
void timed(qint64& wall, qint64& cpu, Work&& work)
{
    QElapsedTimer timer;
    timer.start();
    const qint64 cpuStart = threadCpuNs();
    work();
    wall += timer.nsecsElapsed();
    cpu += threadCpuNs() - cpuStart;
}

// Two works timed in turns: each one's wall and CPU time a run ("<name>_ms", "<name>_cpu_ms"), and
// `measured`'s over `against`'s ("ratio", "cpu_ratio").
struct TimedWork {
    std::string name;
    qint64 wall;
    qint64 cpu;
};
void countRatios(benchmark::State& state, const TimedWork& measured, const TimedWork& against)
{
    const double runs = double(state.iterations());
    for (const TimedWork* work : {&measured, &against}) {
        state.counters[work->name + "_ms"] = work->wall / runs / 1e6;
        state.counters[work->name + "_cpu_ms"] = work->cpu / runs / 1e6;
    }
    state.counters["ratio"] = against.wall > 0 ? double(measured.wall) / double(against.wall) : 0.0;
    state.counters["cpu_ratio"] = against.cpu > 0 ? double(measured.cpu) / double(against.cpu) : 0.0;
}

// The reload of a 10000-draw lottery in the window (a lottery change: load, period box, replay
// with the window kept painted, plan table, grids, offscreen) against reading the same rows from
// SQLite alone. Each iteration does both for the lottery changed to, so that both meet the same
// machine load; the counters give each one's wall and CPU time and their ratios, which should
// stay within 2.
void BM_ReloadAgainstRead(benchmark::State& state)
{
    ReloadWindow reloading(state);
    Tfrmmain& window = reloading.window;
    QComboBox* comcaipiao = reloading.comcaipiao;
    const fixtures::ProgramFolder& folder = reloading.folder;
    QCoreApplication::processEvents();
    qint64 wall[2] = {0, 0};  // reload, read
    qint64 cpu[2] = {0, 0};
    for (auto _ : state) {
        timed(wall[0], cpu[0], [&] { reloading.reload(); });
        timed(wall[1], cpu[1],
              [&] { benchmark::DoNotOptimize(readRowsFromSqlite(folder, comcaipiao->currentText())); });
    }
    if (!reloading.recorder.takeMessages().isEmpty() || window.hitTable().size() != 10000)
        state.SkipWithError("a reload failed");
    countRatios(state, {"reload", wall[0], cpu[0]}, {"read", wall[1], cpu[1]});
}
BENCHMARK(BM_ReloadAgainstRead)->Unit(benchmark::kMillisecond)->Iterations(40);

// The reload sequence as the user starts it: a lottery change between two lotteries of 10000
// draws each (load, period box, replay with the window kept painted, plan table, grids).
void BM_ReloadSequence(benchmark::State& state)
{
    ReloadWindow reloading(state);
    QComboBox* comcaipiao = reloading.comcaipiao;
    bool down = true;
    for (auto _ : state) {
        QTest::keyClick(comcaipiao, down ? Qt::Key_Down : Qt::Key_Up);
        down = !down;
    }
    if (!reloading.recorder.takeMessages().isEmpty())
        state.SkipWithError("a reload failed");
}
BENCHMARK(BM_ReloadSequence)->Unit(benchmark::kMillisecond);

// The reload's own steps for a 10000-draw lottery (load, replay, plan table, summary) without and
// with the lines beside chance. The two run in turns, in alternating order, so that both meet the
// same machine load; the counters give each one's time and their ratio.
void BM_ReloadChanceLines(benchmark::State& state)
{
    fixtures::ProgramFolder folder;
    fixtures::storeDraws(folder.path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", 10000, 1));
    const int planPeriods = 5;
    auto reload = [&](bool withChance) {
        const DrawHistory history = LoadHistory(folder.path(), QStringLiteral("重庆时时彩"));
        const HitTable hits = replayHits(history, 3);
        benchmark::DoNotOptimize(buildPlanTable(history, hits, planPeriods));
        QStringList lines = summaryLines(summarizePlans(hits, planPeriods));
        if (withChance)
            lines << chanceLines(computeChanceFigures(hits), planPeriods);
        benchmark::DoNotOptimize(lines.join(QLatin1Char('\n')));
    };
    qint64 nanoseconds[2] = {0, 0};
    bool withFirst = false;
    for (auto _ : state) {
        for (bool withChance : {withFirst, !withFirst}) {
            QElapsedTimer timer;
            timer.start();
            reload(withChance);
            nanoseconds[withChance] += timer.nsecsElapsed();
        }
        withFirst = !withFirst;
    }
    const double runs = double(state.iterations());
    state.counters["without_ms"] = nanoseconds[0] / runs / 1e6;
    state.counters["with_ms"] = nanoseconds[1] / runs / 1e6;
    state.counters["ratio"] = nanoseconds[0] > 0 ? double(nanoseconds[1]) / double(nanoseconds[0]) : 0.0;
}
BENCHMARK(BM_ReloadChanceLines)->Unit(benchmark::kMillisecond)->Iterations(20);

// The lines beside chance alone, over the marks of 10000 draws.
void BM_ChanceLines(benchmark::State& state)
{
    const HitTable hits = replayHits(randomHistory(10000, false), 3);
    for (auto _ : state)
        benchmark::DoNotOptimize(chanceLines(computeChanceFigures(hits), 5));
    state.SetItemsProcessed(state.iterations() * std::int64_t(hits.size()));
}
BENCHMARK(BM_ChanceLines)->Unit(benchmark::kMicrosecond);

// Bringing the 图表 tab into view after 统计 has changed what it shows: both charts redrawn for
// 10000 draws and painted.
void BM_ChartTabShown(benchmark::State& state)
{
    fixtures::ProgramFolder folder;
    fixtures::storeDraws(folder.path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", 10000, 1));
    dialogs::testing::Recorder recorder;
    Tfrmmain window(folder.path());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        state.SkipWithError("window not exposed");
    auto* page = window.findChild<QTabWidget*>(QStringLiteral("page"));
    auto* statistics = window.findChild<QPushButton*>(QStringLiteral("btntongji"));
    for (auto _ : state) {
        state.PauseTiming();
        page->setCurrentIndex(0);
        statistics->click();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        page->setCurrentIndex(2);
        window.repaint();
    }
    if (!recorder.takeMessages().isEmpty())
        state.SkipWithError("a command failed");
}
BENCHMARK(BM_ChartTabShown)->Unit(benchmark::kMillisecond);

// The four lines of the tests beside chance (95%区间, 检验, 计划检验, 长度检验, with the plan
// lengths they count) against the reload of the 10000-draw lottery they are shown for, which
// should cost 20 times as much or more. Each iteration reloads by a lottery change in the window
// and then makes the lines from its marks, so that both meet the same machine load.
void BM_TestLinesAgainstReload(benchmark::State& state)
{
    ReloadWindow reloading(state);
    Tfrmmain& window = reloading.window;
    QCoreApplication::processEvents();
    qint64 wall[2] = {0, 0};  // reload, lines
    qint64 cpu[2] = {0, 0};
    for (auto _ : state) {
        timed(wall[0], cpu[0], [&] { reloading.reload(); });
        timed(wall[1], cpu[1], [&] {
            const HitTable& hits = window.hitTable();
            benchmark::DoNotOptimize(chanceTestLines(computeChanceFigures(hits), countPlanLengths(hits), 5));
        });
    }
    if (!reloading.recorder.takeMessages().isEmpty() || window.hitTable().size() != 10000)
        state.SkipWithError("a reload failed");
    const double runs = double(state.iterations());
    state.counters["reload_cpu_ms"] = cpu[0] / runs / 1e6;
    state.counters["lines_cpu_ms"] = cpu[1] / runs / 1e6;
    state.counters["lines_percent"] = cpu[0] > 0 ? 100.0 * double(cpu[1]) / double(cpu[0]) : 0.0;
}
BENCHMARK(BM_TestLinesAgainstReload)->Unit(benchmark::kMillisecond)->Iterations(40);

// 总览 over five lotteries of 10000 draws against one reload in the window, which it should stay
// within 12 times of. Per iteration: a reload by a lottery change; the overview's work on this
// thread (every lottery read and replayed on both modes); and the tab as the user meets it, shown
// and waited for, with the longest stretch of work on the window's thread meanwhile.
void fillEveryLottery(const fixtures::ProgramFolder& folder)
{
    unsigned seed = 1;
    for (const QString& lottery : mainListOrder())
        fixtures::storeDraws(folder.path(), lottery, fixtures::syntheticDraws(lottery, 10000, seed++));
}

void BM_OverviewAgainstReload(benchmark::State& state)
{
    ReloadWindow reloading(state, fillEveryLottery);
    auto* page = fixtures::control<QTabWidget>(&reloading.window, "page");
    auto* overview = fixtures::control<OverviewTab>(&reloading.window, "TabSheet4");
    QCoreApplication::processEvents();
    qint64 wall[3] = {0, 0, 0};  // reload, overview's work, tab shown until its figures are
    qint64 cpu[3] = {0, 0, 0};
    qint64 busiest = 0;
    for (auto _ : state) {
        timed(wall[0], cpu[0], [&] { reloading.reload(); });
        timed(wall[1], cpu[1], [&] {
            const std::vector<OverviewRow> rows = readOverview(reloading.folder.path(), 5);
            if (rows.size() != 10 || rows.back().draws != 10000)
                state.SkipWithError("the overview read too little");
        });
        timed(wall[2], cpu[2], [&] {
            // Each stretch the window's thread is away from its event loop, in its own CPU time:
            // the wall time of a stretch also holds the waits for a core on a shared machine.
            qint64 stretch = threadCpuNs();
            page->setCurrentWidget(overview);
            busiest = std::max(busiest, threadCpuNs() - stretch);
            while (overview->isComputing()) {
                stretch = threadCpuNs();
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                busiest = std::max(busiest, threadCpuNs() - stretch);
            }
        });
        page->setCurrentIndex(0);
        reloading.comcaipiao->setFocus();
    }
    if (!reloading.recorder.takeMessages().isEmpty())
        state.SkipWithError("a command failed");
    const double runs = double(state.iterations());
    state.counters["reload_ms"] = wall[0] / runs / 1e6;
    state.counters["reload_cpu_ms"] = cpu[0] / runs / 1e6;
    state.counters["overview_ms"] = wall[1] / runs / 1e6;
    state.counters["overview_cpu_ms"] = cpu[1] / runs / 1e6;
    state.counters["cpu_ratio"] = cpu[0] > 0 ? double(cpu[1]) / double(cpu[0]) : 0.0;
    state.counters["tab_shown_ms"] = wall[2] / runs / 1e6;
    state.counters["tab_ratio"] = wall[0] > 0 ? double(wall[2]) / double(wall[0]) : 0.0;
    state.counters["window_busy_max_cpu_ms"] = busiest / 1e6;
}
BENCHMARK(BM_OverviewAgainstReload)->Unit(benchmark::kMillisecond)->Iterations(10);

// 核对 of a 10000-draw lottery against a second source's list of the same 10000, ten of them with
// another digit: the list (parsed beforehand, as the fetch that brings it is not counted) compared
// with the stored draws, and what agreed and differed marked, in turns with a reload of the window
// so that both meet the same machine load. The ratio should stay within 3.
void BM_CheckAgainstReload(benchmark::State& state)
{
    ReloadWindow reloading(state);
    const QString lottery = QStringLiteral("重庆时时彩");
    QByteArray listed;
    int line = 0;
    for (const fixtures::StoredDraw& draw : fixtures::syntheticDraws(lottery, 10000, 1)) {
        QStringList digits = draw.digits;
        if (++line % 1000 == 0)
            digits[0] = QString::number((digits[0].toInt() + 1) % 10);
        listed += draw.periodId.toLatin1() + " 2026-12-09 " + digits.join(u' ').toLatin1() + '\n';
    }
    const ParsedDrawFile theirs = parseDrawColumns(listed, *findLottery(lottery), fixtures::kToday, {0, 2});
    qint64 wall[2] = {0, 0};  // reload, 核对
    qint64 cpu[2] = {0, 0};
    std::size_t differing = 0;
    for (auto _ : state) {
        timed(wall[0], cpu[0], [&] { reloading.reload(); });
        timed(wall[1], cpu[1], [&] {
            DrawDatabase db(reloading.folder.path());
            const QString from = theirs.draws.front().periodId;
            const QString to = theirs.draws.back().periodId;
            const DrawComparison comparison =
                compareDraws(db, lottery, from, to, theirs.draws, QStringLiteral("另一来源"));
            markCompared(db, lottery, comparison);
            differing = comparison.differing.size();
        });
    }
    if (!reloading.recorder.takeMessages().isEmpty() || differing != 10)
        state.SkipWithError("a reload or the check failed");
    countRatios(state, {"check", wall[1], cpu[1]}, {"reload", wall[0], cpu[0]});
}
BENCHMARK(BM_CheckAgainstReload)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
