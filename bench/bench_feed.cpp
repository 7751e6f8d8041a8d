// The feed reader without the network: a feed document of N rows written back out, flattened and
// scanned, against a table that holds all but the newest five draws.
#include "core/acquire/feed_reader.h"
#include "support/draw_fixtures.h"
#include "support/feed_fixtures.h"

#include <benchmark/benchmark.h>

using fixtures::kToday;

namespace {

const QString kLottery = QStringLiteral("重庆时时彩");

void BM_FeedJoinAndScan(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const auto draws = fixtures::syntheticDraws(kLottery, rows);
    const QByteArray document = fixtures::feedDocument(kLottery, {draws.rbegin(), draws.rend()});
    const QString newest = draws[std::size_t(rows - 6)].periodId;
    const auto layout = feedLayoutOf(kLottery);
    for (auto _ : state) {
        const PageReading reading = FeedRowScan(feedJoinedText(document), *layout, newest, kToday);
        benchmark::DoNotOptimize(reading.draws.data());
        if (reading.draws.size() != 5)
            state.SkipWithError("wrong number of draws");
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.SetBytesProcessed(state.iterations() * document.size());
}
BENCHMARK(BM_FeedJoinAndScan)->Arg(20)->Arg(200)->Arg(2000);

}  // namespace
