// Speed of the work a user waits for: the reload of a full lottery, the replay alone, and the
// retention cap on an overgrown table.
#include "core/store/draw_database.h"
#include "core/store/history_loader.h"
#include "core/plan/hit_replay.h"
#include "gui/dialogs.h"
#include "gui/u_main.h"
#include "support/draw_fixtures.h"
#include "support/find_control.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>
#include <random>

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
        benchmark::DoNotOptimize(ReplayHits(history, 3));
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

// The reload sequence as the user starts it: a lottery change between two lotteries of 10000
// draws each (load, period box, replay with the window kept painted, plan table, grids).
void BM_ReloadSequence(benchmark::State& state)
{
    fixtures::ProgramFolder folder;
    fixtures::storeDraws(folder.path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", 10000, 1));
    fixtures::storeDraws(folder.path(), "江西时时彩", fixtures::syntheticDraws("江西时时彩", 10000, 2));
    dialogs::testing::setRecording(true);
    Tfrmmain window(folder.path());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        state.SkipWithError("window not exposed");
    auto* comcaipiao = fixtures::control<QComboBox>(&window, "comcaipiao");
    comcaipiao->setFocus();
    bool down = true;
    for (auto _ : state) {
        QTest::keyClick(comcaipiao, down ? Qt::Key_Down : Qt::Key_Up);
        down = !down;
    }
    if (!dialogs::testing::takeMessages().isEmpty())
        state.SkipWithError("a reload failed");
}
BENCHMARK(BM_ReloadSequence)->Unit(benchmark::kMillisecond);

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
