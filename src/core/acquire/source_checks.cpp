#include "core/acquire/source_checks.h"

#include "core/acquire/host_rules.h"
#include "core/acquire/site_paths.h"
#include "core/acquire/source_settings.h"
#include "core/acquire/sources/source_reader.h"
#include "core/acquire/url_source.h"
#include "core/base/lottery_table.h"
#include "core/base/user_error.h"

#include <algorithm>

std::vector<SiteCheck> checkSites(const SiteHosts& hosts, const QDate& today, const FetchSettings& limits,
                                  const std::function<bool()>& cancelled)
{
    std::vector<SiteCheck> checks;
    // The sites are asked all at once; each answer is waited for in turn.
    PageFetcher fetcher(limits, cancelled);
    std::vector<int> tickets;
    for (PageSite site : kPageSites) {
        SiteCheck check{site, false, {}};
        const QString host = normalisedHost(hosts[std::size_t(site)]);
        const auto problem = hostProblem(host);
        if (problem)
            check.text = QStringLiteral("主机无效：%1").arg(*problem);
        tickets.push_back(problem ? -1 : fetcher.request(siteUrl(host, knownPagePath(site, today))));
        checks.push_back(check);
    }
    bool cancelledNow = false;
    for (std::size_t k = 0; k < checks.size(); ++k) {
        if (tickets[k] < 0)
            continue;
        if (cancelledNow) {
            checks[k].text = kCancelledText;
            continue;
        }
        try {
            fetcher.take(tickets[k]);
            checks[k].reachable = true;
            checks[k].text = QStringLiteral("可以连接");
        } catch (const Cancelled&) {
            // The sites not yet answered are told as such; the answers already in stand.
            cancelledNow = true;
            checks[k].text = kCancelledText;
        } catch (const FetchError& e) {
            checks[k].text = e.message();
        }
    }
    return checks;
}

namespace {

QString newestPeriod(const ParsedDrawFile& document)
{
    QString newest;
    for (const ImportedDraw& draw : document.draws)
        newest = std::max(newest, draw.periodId);
    return newest;
}

// Reads, in the lottery table's order, each lottery `read` has something for, as a download on
// `today` would and under `limits`: `read` fills in the check. A cancel marks the lottery being
// read and every one after it cancelled; any other failure is the lottery's text.
std::vector<DrawUrlCheck> checkEach(
    const QDate& today, const FetchSettings& limits, const std::function<bool()>& cancelled,
    const std::function<bool(const LotteryInfo&)>& wanted,
    const std::function<void(const LotteryInfo&, const ReaderHooks&, DrawUrlCheck&)>& read)
{
    std::vector<DrawUrlCheck> checks;
    bool cancelledNow = false;
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        if (!wanted(lottery))
            continue;
        DrawUrlCheck check{lottery.name, false, {}};
        if (cancelledNow || (cancelled && cancelled())) {
            cancelledNow = true;
            check.text = kCancelledText;
        } else {
            try {
                ReaderHooks hooks;
                hooks.cancelled = cancelled;
                hooks.fetchSettings = limits;
                hooks.today = today;
                read(lottery, hooks, check);
            } catch (const Cancelled&) {
                cancelledNow = true;
                check.text = kCancelledText;
            } catch (const std::exception& e) {
                check.text = userMessageOf(e);
            }
        }
        checks.push_back(check);
    }
    return checks;
}

}  // namespace

std::vector<DrawUrlCheck> checkDrawUrls(const DrawUrls& urls, const QDate& today, const FetchSettings& limits,
                                        const std::function<bool()>& cancelled)
{
    return checkEach(
        today, limits, cancelled,
        [&](const LotteryInfo& lottery) { return !urls.value(lottery.name).trimmed().isEmpty(); },
        [&](const LotteryInfo& lottery, const ReaderHooks& hooks, DrawUrlCheck& check) {
            const QString url = urls.value(lottery.name).trimmed();
            if (const auto problem = drawUrlProblem(url)) {
                check.text = QStringLiteral("网址无效：%1").arg(*problem);
                return;
            }
            const ParsedDrawFile document = readDrawUrl(url, lottery, hooks);
            const QString newest = newestPeriod(document);
            check.readable = !newest.isEmpty();
            check.text = check.readable ? QStringLiteral("共%1期，最新第%2期").arg(document.draws.size()).arg(newest)
                                        : QStringLiteral("没有找到开奖号码");
            if (document.malformedCount > 0)
                check.text +=
                    QStringLiteral("；%1行无法识别（%2）").arg(document.malformedCount).arg(malformedSummary(document));
        });
}

std::vector<DrawUrlCheck> checkDescribedSources(const Sources& sources, const QDate& today, const FetchSettings& limits,
                                                const std::function<bool()>& cancelled)
{
    return checkEach(
        today, limits, cancelled,
        [&](const LotteryInfo& lottery) { return sources.describedSource(lottery.name) != nullptr; },
        [&](const LotteryInfo& lottery, const ReaderHooks& hooks, DrawUrlCheck& check) {
            const SourceDescription& source = *sources.describedSource(lottery.name);
            const SourceReading reading = readSource(source, sources.descriptions, lottery, {}, hooks, nullptr, true);
            const QString newest = newestPeriod(reading.document);
            const qsizetype held = reading.total >= 0 ? reading.total : qsizetype(reading.document.draws.size());
            check.readable = !newest.isEmpty();
            check.text = check.readable
                             ? QStringLiteral("%1：共%2期，最新第%3期").arg(source.name).arg(held).arg(newest)
                             : QStringLiteral("%1：没有找到开奖号码").arg(source.name);
        });
}
