// History download without the network: pages served from a local server on 127.0.0.1, read and
// appended as new draws.
#include "core/acquire/history_download.h"
#include "core/acquire/history_readers.h"
#include "core/acquire/page_fetch.h"
#include "core/acquire/site_paths.h"
#include "core/acquire/source_hosts.h"
#include "core/acquire/source_settings.h"
#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "gui/dialogs.h"
#include "gui/session.h"
#include "gui/u_download2.h"
#include "support/draw_fixtures.h"
#include "support/find_control.h"
#include "support/local_http_server.h"
#include "support/page_fixtures.h"
#include "support/source_fixtures.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <memory>

using fixtures::kToday;

namespace {

const QString kLottery = QStringLiteral("重庆时时彩");

// A day page with some more lines per draw than the readers look at, as real pages have.
QByteArray paddedDayPage(const std::vector<fixtures::StoredDraw>& drawsNewestFirst)
{
    QByteArray page = "<html><head><title>draws</title></head><body>\n<table class=\"draw-list\">\n";
    for (const auto& draw : drawsNewestFirst) {
        page += fixtures::drawListDrawLines(draw.periodId.toLatin1(), fixtures::digitsOf(draw));
        page +=
            "  <tr class=\"detail\">\n    <td class=\"time\">10:20</td>\n    <td class=\"sum\">23</td>\n"
            "    <td class=\"form\">odd even</td>\n    <td class=\"link\"><a href=\"#\">more</a></td>\n  </tr>\n";
    }
    return page + "</table>\n</body></html>\n";
}

// The server with 50 pages of 120 draws each, and the draws they hold.
struct DrawListSite {
    fixtures::LocalHttpServer server;
    std::vector<fixtures::StoredDraw> draws = fixtures::syntheticDraws(kLottery, 120 * kDrawListDays);
    ReaderHooks hooks;  // the server as the day pages' site

    DrawListSite()
    {
        for (int offset = 0; offset < kDrawListDays; ++offset) {
            const QDate day = kToday.addDays(-offset);
            std::vector<fixtures::StoredDraw> ofDay;
            for (auto it = draws.rbegin(); it != draws.rend(); ++it) {
                if (it->periodId.startsWith(day.toString(QStringLiteral("yyyyMMdd"))))
                    ofDay.push_back(*it);
            }
            server.serve(drawListPath(200, day), paddedDayPage(ofDay));
        }
        hooks.sources.hosts[std::size_t(PageSite::DrawList)] = server.hostAndPort();
        hooks.today = kToday;
    }
};

// The scan alone, on the worker's side: 50 pages fetched a few at a time and read in order, each
// draw appended by itself. The argument: 1 records each draw's source in 开奖来源 as the program
// does, 0 leaves it out, to weigh what it costs.
void BM_DrawListScan(benchmark::State& state)
{
    DrawListSite site;
    draw_database_testing::recordSources(state.range(0) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<fixtures::ProgramFolder>();
        state.ResumeTiming();
        DrawDatabase db(folder->path());
        const LotteryUpdate update = DrawListScan(db, folder->path(), kLottery, site.hooks);
        if (!update.outcome.succeeded() || update.outcome.stored() != int(site.draws.size()))
            state.SkipWithError(qPrintable(outcomeLine(update)));
        state.PauseTiming();
        folder.reset();
        state.ResumeTiming();
    }
    draw_database_testing::recordSources(true);
    state.counters["per_draw"] = benchmark::Counter(
        double(site.draws.size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DrawListScan)->Arg(1)->Arg(0)->ArgName("sources")->Unit(benchmark::kMillisecond)->Iterations(5);

// 下载开奖 of 10000 draws of 3D into an empty table from the operator's list and its whole-history
// file, served at once: the reading and the writing, as one lottery of the download runs them.
// The argument as for BM_DrawListScan.
void BM_DownloadTenThousand(benchmark::State& state)
{
    const QString lottery = QStringLiteral("中国福彩3D");
    fixtures::OperatorSites sites;
    const auto draws = fixtures::syntheticDraws(lottery, 10000, 3);
    sites.serveHistory(lottery, draws);
    draw_database_testing::recordSources(state.range(0) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<fixtures::ProgramFolder>();
        ReaderHooks hooks;
        hooks.today = kToday;
        hooks.fetchSettings = sites.fetchSettings();
        hooks.sources = readSources(folder->path());
        state.ResumeTiming();
        const LotteryUpdate update = downloadHistory(folder->path(), lottery, hooks);
        state.PauseTiming();
        if (!update.outcome.succeeded() || update.outcome.stored() != int(draws.size()))
            state.SkipWithError(qPrintable(outcomeLine(update)));
        folder.reset();
        state.ResumeTiming();
    }
    draw_database_testing::recordSources(true);
    state.counters["per_draw"] = benchmark::Counter(
        double(draws.size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DownloadTenThousand)->Arg(1)->Arg(0)->ArgName("sources")->Unit(benchmark::kMillisecond)->Iterations(5);

// The user's path: 下载开奖 window, 所有彩票, 开始下载, until "下载完成！", against a server that
// answers every request after `delay` ms (the argument), as a far-away site does. Counted by the
// server: requests and connections; `vs_serial` is the run's time over requests × delay, what
// one page after the other over a fresh connection each would take at the least.
void BM_DownloadWindow(benchmark::State& state)
{
    const std::chrono::milliseconds delay(state.range(0));
    const std::vector<QString> lotteries = {"中国福彩3D", "中国体彩排列3", "重庆时时彩", "江西时时彩", "上海时时彩"};
    fixtures::LocalHttpServer server;
    for (const QString& lottery : lotteries) {
        const auto draws = fixtures::syntheticDraws(lottery, 300);
        if (lottery == lotteries[0]) {
            server.serve(singlePagePath(HistorySource::TrendPage), fixtures::trendPage(draws));
        } else if (lottery == lotteries[1]) {
            server.serve(singlePagePath(HistorySource::ChartPage), fixtures::chartPage(draws));
        } else {
            for (const auto& [path, page] : fixtures::drawListSite(lottery, draws, kToday))
                server.serve(path, page);
        }
    }
    server.setDelay(delay);
    dialogs::testing::Recorder recorder;
    int requests = 0;
    int connections = 0;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<fixtures::ProgramFolder>();
        Session session(folder->path());
        session.setToday(kToday);
        // The window reads its hosts from the program folder's 数据源.ini when the run starts.
        fixtures::pointSourcesAt(folder->path(), server.hostAndPort());
        Tfrmdownload2 window(session);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            state.SkipWithError("window not exposed");
        fixtures::control<QComboBox>(&window, "comdown")->setCurrentText(QStringLiteral("所有彩票"));
        const int requestsBefore = int(server.requests().size());
        const int connectionsBefore = server.connections();
        QElapsedTimer clock;
        clock.start();
        state.ResumeTiming();
        fixtures::control<QPushButton>(&window, "btndown")->click();
        const bool done = QTest::qWaitFor([&] { return !window.isVisible(); }, 120000);
        state.PauseTiming();
        seconds += clock.elapsed() / 1000.0;
        requests += int(server.requests().size()) - requestsBefore;
        connections += server.connections() - connectionsBefore;
        const QStringList messages = recorder.takeMessages();
        if (!done || messages.size() != 1 || !messages[0].startsWith(QStringLiteral("下载完成！")) ||
            messages[0].contains(QStringLiteral("失败")))
            state.SkipWithError("the run did not go through");
        state.ResumeTiming();
    }
    const double runs = double(state.iterations());
    state.counters["requests"] = requests / runs;
    state.counters["connections"] = connections / runs;
    if (delay.count() > 0)
        state.counters["vs_serial"] = seconds / (requests * (delay.count() / 1000.0));
}
BENCHMARK(BM_DownloadWindow)->Arg(0)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);

// Reading only: the 50 pages from memory, gathered and turned into draws, nothing stored.
void BM_DrawListReading(benchmark::State& state)
{
    const auto draws = fixtures::syntheticDraws(kLottery, 120 * kDrawListDays);
    std::vector<QByteArray> pages;
    for (int offset = 0; offset < kDrawListDays; ++offset) {
        const QString prefix = kToday.addDays(-offset).toString(QStringLiteral("yyyyMMdd"));
        std::vector<fixtures::StoredDraw> ofDay;
        for (auto it = draws.rbegin(); it != draws.rend(); ++it) {
            if (it->periodId.startsWith(prefix))
                ofDay.push_back(*it);
        }
        pages.push_back(paddedDayPage(ofDay));
    }
    for (auto _ : state) {
        QByteArray gathered;
        for (const QByteArray& page : pages)
            gatherDrawListPage(page, 11, gathered);
        const PageReading reading = drawsFromGathered(gathered, 11, 5, 120, QStringLiteral("0"), kToday);
        benchmark::DoNotOptimize(reading.draws.data());
    }
    state.counters["per_draw"] = benchmark::Counter(
        double(draws.size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DrawListReading)->Unit(benchmark::kMillisecond);

}  // namespace
