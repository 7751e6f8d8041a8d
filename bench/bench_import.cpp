// Speed of 导入: a 100000-line draw file checked (decoded, parsed, compared with the table), a
// file of the cap's 10000 draws checked and written into an empty table in one transaction, and
// the largest file the import takes made of lines that are no draw. Peak memory is the process's:
// run one benchmark alone under /usr/bin/time -v, e.g.
//   /usr/bin/time -v build/bench/quorlin_bench --benchmark_filter=BM_ImportRubbish/1/
#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "core/store/draw_import.h"
#include "core/store/history_loader.h"
#include "support/draw_fixtures.h"

#include <benchmark/benchmark.h>
#include <QFile>

using fixtures::kToday;

namespace {

const QString kChongqing = QStringLiteral("重庆时时彩");

QByteArray drawFile(int lines)
{
    QByteArray file;
    for (const fixtures::StoredDraw& draw : fixtures::syntheticDraws(kChongqing, lines))
        file += draw.periodId.toLatin1() + ' ' + draw.digits.join(QString()).toLatin1() + "\r\n";
    return file;
}

void BM_ImportCheck(benchmark::State& state)
{
    fixtures::ProgramFolder folder;
    const QByteArray file = drawFile(int(state.range(0)));
    const LotteryInfo& info = *findLottery(kChongqing);
    DrawDatabase db(folder.path());
    for (auto _ : state)
        benchmark::DoNotOptimize(planImport(parseDrawFile(file, info, kToday), storedDigits(db, info)));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ImportCheck)->Arg(100000)->Unit(benchmark::kMillisecond);

// The second argument: 1 records each draw's source in 开奖来源 as the program does, 0 leaves
// it out, to weigh what it costs.
void BM_ImportCheckAndWrite(benchmark::State& state)
{
    fixtures::ProgramFolder folder;
    const QByteArray file = drawFile(int(state.range(0)));
    const LotteryInfo& info = *findLottery(kChongqing);
    draw_database_testing::recordSources(state.range(1) != 0);
    DrawDatabase db(folder.path());
    const DrawDatabase::SourceScope named(db, importSourceName(QStringLiteral("历史.txt")));
    for (auto _ : state) {
        state.PauseTiming();
        db.exec(QStringLiteral("delete from \"重庆时时彩彩票号码表\""));
        db.exec(QStringLiteral("delete from \"开奖来源\""));
        db.exec(QStringLiteral("delete from \"开奖来源批次\""));
        state.ResumeTiming();
        const ImportPlan plan = planImport(parseDrawFile(file, info, kToday), storedDigits(db, info));
        benchmark::DoNotOptimize(writeImport(db, info, plan, false));
    }
    draw_database_testing::recordSources(true);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
// No more than the cap is ever written: draws beyond it would go at once (of 100000 lines, the
// newest 10000).
BENCHMARK(BM_ImportCheckAndWrite)
    ->ArgsProduct({{kRetainedDraws, 100000}, {1, 0}})
    ->ArgNames({"lines", "sources"})
    ->Unit(benchmark::kMillisecond);

// 63 MB of lines of `range(0)` characters each ("x" or "1,1,1…"), read from disk and checked.
void BM_ImportRubbish(benchmark::State& state)
{
    fixtures::ProgramFolder folder;
    const QString fileName = folder.path() + QStringLiteral("rubbish.txt");
    {
        const qsizetype lineLength = qsizetype(state.range(0));
        QByteArray line = lineLength == 1 ? QByteArray("x") : QByteArray("1,").repeated(lineLength / 2);
        line += '\n';
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly))
            state.SkipWithError("cannot write the file");
        const QByteArray block = line.repeated(std::max<qsizetype>(1, (1 << 20) / line.size()));
        for (qint64 written = 0; written + block.size() <= 63 * 1000 * 1000;)
            written += file.write(block);
    }
    const LotteryInfo& info = *findLottery(kChongqing);
    DrawDatabase db(folder.path());
    for (auto _ : state) {
        const ImportPlan plan = planImport(parseDrawFile(readDrawFile(fileName), info, kToday), storedDigits(db, info));
        if (!plan.fresh.empty() || plan.malformed.empty())
            state.SkipWithError("rubbish read as draws");
        state.counters["lines_refused"] = plan.malformedCount;
    }
}
BENCHMARK(BM_ImportRubbish)->Arg(1)->Arg(50 * 1000 * 1000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
