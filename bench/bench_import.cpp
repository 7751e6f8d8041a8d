// Speed of 导入: a 100000-line draw file checked (decoded, parsed, compared with the table) and
// written into an empty table in one transaction, and the check alone.
#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "core/store/draw_import.h"
#include "support/draw_fixtures.h"

#include <benchmark/benchmark.h>

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
        benchmark::DoNotOptimize(planImport(parseDrawFile(file, info), storedDigits(db, info)));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ImportCheck)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ImportCheckAndWrite(benchmark::State& state)
{
    fixtures::ProgramFolder folder;
    const QByteArray file = drawFile(int(state.range(0)));
    const LotteryInfo& info = *findLottery(kChongqing);
    DrawDatabase db(folder.path());
    for (auto _ : state) {
        state.PauseTiming();
        db.exec(QStringLiteral("delete from \"重庆时时彩彩票号码表\""));
        state.ResumeTiming();
        const ImportPlan plan = planImport(parseDrawFile(file, info), storedDigits(db, info));
        benchmark::DoNotOptimize(writeImport(db, info, plan, false));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ImportCheckAndWrite)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
