// History download without the network: 50 day pages of 120 draws each, served from a local
// server on 127.0.0.1, read and appended as 6000 new draws.
#include "core/acquire/history_readers.h"
#include "core/acquire/page_fetch.h"
#include "core/acquire/source_hosts.h"
#include "core/base/today_clock.h"
#include "core/base/u_public.h"
#include "core/store/draw_database.h"
#include "gui/dialogs.h"
#include "gui/u_download2.h"
#include "support/find_control.h"
#include "support/local_http_server.h"
#include "support/page_fixtures.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <memory>

namespace {

const QString kLottery = QStringLiteral("重庆时时彩");
const QDate kToday(2026, 12, 9);

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
        setSiteHost(PageSite::DrawList, server.hostAndPort());
        today_clock::setToday(kToday);
    }
};

// The scan alone; with arg 1 every scanned line gives pending events a turn, as in the window.
void BM_DrawListScan(benchmark::State& state)
{
    DrawListSite site;
    const bool turns = state.range(0) != 0;
    ReaderHooks hooks;
    if (turns)
        hooks.lineTurn = [] { QCoreApplication::processEvents(); };
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<fixtures::ProgramFolder>();
        state.ResumeTiming();
        DrawDatabase db(folder->path());
        const LotteryUpdate update = DrawListScan(db, folder->path(), kLottery, hooks);
        if (!update.succeeded() || update.stored != int(site.draws.size()))
            state.SkipWithError(qPrintable(update.failure));
        state.PauseTiming();
        folder.reset();
        state.ResumeTiming();
    }
    state.counters["per_draw"] = benchmark::Counter(
        double(site.draws.size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DrawListScan)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// The user's path: 下载开奖 window, 重庆时时彩, 开始下载, until "下载完成！".
void BM_DownloadWindow(benchmark::State& state)
{
    DrawListSite site;
    dialogs::testing::setRecording(true);
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<fixtures::ProgramFolder>();
        u_public::setProgramDir(folder->path());
        Tfrmdownload2 window;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            state.SkipWithError("window not exposed");
        fixtures::control<QComboBox>(&window, "comdown")->setCurrentText(kLottery);
        state.ResumeTiming();
        fixtures::control<QPushButton>(&window, "btndown")->click();
        state.PauseTiming();
        const QStringList messages = dialogs::testing::takeMessages();
        if (messages.size() != 1 || !messages[0].endsWith(QStringLiteral("新增6000期")))
            state.SkipWithError("the run did not store the 6000 draws");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DownloadWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

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
        const PageReading reading = drawsFromGathered(gathered, 11, 5, QStringLiteral("0"));
        benchmark::DoNotOptimize(reading.draws.data());
    }
    state.counters["per_draw"] = benchmark::Counter(
        double(draws.size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DrawListReading)->Unit(benchmark::kMillisecond);

}  // namespace
