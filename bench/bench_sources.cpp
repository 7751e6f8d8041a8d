// The built-in sources against local servers that answer every request after 100 ms, as a far
// host would: a first download of 3D and 排列3 (7700 draws each) and a daily update of one draw
// each. Counted: requests, connections, and the time as a share of the requests one after the
// other at 100 ms each. Beside them, the parse of the whole-history file alone.
#include "core/acquire/history_download.h"
#include "core/acquire/source_settings.h"
#include "core/base/lottery_table.h"
#include "core/store/draw_file_parser.h"
#include "support/draw_fixtures.h"
#include "support/source_fixtures.h"

#include <benchmark/benchmark.h>
#include <QElapsedTimer>
#include <memory>

namespace {

const QString k3D = QStringLiteral("中国福彩3D");
const QString kPl3 = QStringLiteral("中国体彩排列3");
constexpr int kDraws = 7700;
constexpr int kDelayMs = 100;

struct Run {
    std::unique_ptr<fixtures::ProgramFolder> folder = std::make_unique<fixtures::ProgramFolder>();
    std::unique_ptr<fixtures::OperatorSites> sites = std::make_unique<fixtures::OperatorSites>();

    explicit Run(int storedBehind)
    {
        for (const QString& lottery : {k3D, kPl3}) {
            const auto draws = fixtures::syntheticDraws(lottery, kDraws, lottery == k3D ? 3 : 4);
            sites->serveHistory(lottery, draws);
            if (storedBehind < kDraws)
                fixtures::storeDraws(folder->path(), lottery, {draws.begin(), draws.end() - storedBehind});
        }
        sites->lists().setDelay(std::chrono::milliseconds(kDelayMs));
        sites->files().setDelay(std::chrono::milliseconds(kDelayMs));
    }

    std::vector<LotteryUpdate> download() const
    {
        ReaderHooks hooks;
        hooks.today = fixtures::kToday;
        hooks.fetchSettings = sites->fetchSettings();
        hooks.sources = readSources(folder->path());
        return downloadHistories(folder->path(), {k3D, kPl3}, hooks);
    }
};

void downloadBehind(benchmark::State& state, int storedBehind)
{
    double requests = 0;
    double connections = 0;
    double shareOfSerial = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Run run(storedBehind);
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        const std::vector<LotteryUpdate> updates = run.download();
        const double elapsedMs = double(timer.elapsed());
        state.PauseTiming();
        for (const LotteryUpdate& update : updates) {
            if (update.outcome.stored() != storedBehind)
                state.SkipWithError("a lottery was not filled");
        }
        const int asked = run.sites->requestCount();
        requests += asked;
        connections += run.sites->lists().connections() + run.sites->files().connections();
        shareOfSerial += elapsedMs / (asked * kDelayMs);
        run.sites.reset();
        run.folder.reset();
        state.ResumeTiming();
    }
    const double n = double(state.iterations());
    state.counters["requests"] = requests / n;
    state.counters["connections"] = connections / n;
    state.counters["time_per_serial_requests"] = shareOfSerial / n;
}

// An empty database: the whole-history file and the list's first page for each lottery.
void BM_FirstDownloadFromSources(benchmark::State& state)
{
    downloadBehind(state, kDraws);
}
BENCHMARK(BM_FirstDownloadFromSources)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// One new draw each: the list's first page and nothing more.
void BM_DailyUpdateFromSources(benchmark::State& state)
{
    downloadBehind(state, 1);
}
BENCHMARK(BM_DailyUpdateFromSources)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// The whole-history file's 7700 lines, each with a date and ten columns beside the draw, read
// as the built-in file source reads them.
void BM_ParseWholeHistoryFile(benchmark::State& state)
{
    const QByteArray file = fixtures::wholeHistoryFile(fixtures::syntheticDraws(k3D, kDraws, 3));
    const LotteryInfo& info = *findLottery(k3D);
    for (auto _ : state)
        benchmark::DoNotOptimize(parseDrawColumns(file, info, fixtures::kToday, TokenColumns{0, 2}));
    state.SetItemsProcessed(state.iterations() * kDraws);
}
BENCHMARK(BM_ParseWholeHistoryFile)->Unit(benchmark::kMillisecond);

}  // namespace
