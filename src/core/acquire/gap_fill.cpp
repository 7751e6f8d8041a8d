#include "core/acquire/gap_fill.h"

#include "core/acquire/site_paths.h"
#include "core/acquire/source_hosts.h"
#include "core/acquire/url_source.h"
#include "core/base/lottery_table.h"
#include "core/base/period_date.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"
#include "core/store/missing_periods.h"
#include "core/store/period_gaps.h"

#include <QSet>
#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>

namespace {

const LotteryInfo* dayCountedLottery(const QString& lottery)
{
    const LotteryInfo* info = findLottery(lottery);
    return info && info->historySource == HistorySource::DrawList ? info : nullptr;
}

// Stores the draws of the day's page (asked for under `ticket`) that `wanted` asks for. A page that
// fails is this day's failure; a cancel is thrown on, since it ends the whole fill.
StoreOutcome fillDay(DrawDatabase& db, ReaderFetcher& fetcher, int ticket, const LotteryInfo& lottery, const QDate& day,
                     const std::function<bool(const QString&)>& wanted, const ReaderHooks& hooks)
{
    try {
        const QByteArray page = fetcher.take(ticket, drawListPageName(day));
        QByteArray gathered;
        gatherDrawListPage(page, lottery.periodIdLength, gathered);
        if (hooks.pageRead)
            hooks.pageRead();
        // Every draw of the page is read; only the wanted ones of that very day are kept.
        PageReading reading = drawsFromGathered(gathered, lottery.periodIdLength, lottery.digitCount,
                                                lottery.periodsPerDay, QStringLiteral("0"), hooks.today);
        failIfNoDraws(reading);
        std::erase_if(reading.draws, [&](const PageDraw& draw) {
            return !draw.periodId.startsWith(dayKey(day)) || !wanted(draw.periodId);
        });
        // A cancel that came while the page was read drops the day: only whole days are stored.
        stopIfCancelled(hooks);
        const DrawDatabase::SourceScope named(db, kDayPagesSource);
        return storeReading(db, lottery.name, reading);
    } catch (const Cancelled&) {
        // Not a failure of this day: the whole fill stops here.
        throw;
    } catch (const std::exception& e) {
        return StoreOutcome::failed(userMessageOf(e));
    }
}

// Asks for the day page of every day, oldest first, so that they come in while earlier days are stored.
template <class Days>
std::vector<int> requestDayPages(ReaderFetcher& fetcher, const Sources& sources, const LotteryInfo& lottery,
                                 const Days& days)
{
    std::vector<int> tickets;
    for (const QDate& day : days)
        tickets.push_back(
            fetcher.request(sources.pageUrl(PageSite::DrawList, drawListPath(lottery.drawListPage, day))));
    return tickets;
}

// The day of a 时时彩 period id and its number within the day.
std::pair<QDate, int> dayAndNumber(const QString& periodId)
{
    return {dayOfKey(QStringView(periodId).left(8)), periodId.mid(8).toInt()};
}

// The days whose periods the feed may have jumped over, from the newest stored before it was
// read to the newest after: a hole within one day, or every day a jump crosses. A new day that
// starts at its first period follows on from the day before, whose last number no page has told
// us. No more than the draw-list days, the latest kept.
std::set<QDate> daysToFill(const QString& newestBefore, const QString& newestAfter, const QSet<QString>& stored)
{
    QStringList read;
    for (const QString& id : stored) {
        if (id > newestBefore && id <= newestAfter)
            read << id;
    }
    read.sort();
    std::set<QDate> days;
    auto previous = dayAndNumber(newestBefore);
    for (const QString& id : read) {
        const auto next = dayAndNumber(id);
        const bool followsOn = (next.first == previous.first && next.second == previous.second + 1) ||
                               (next.first == previous.first.addDays(1) && next.second == 1);
        if (!followsOn) {
            for (QDate d = previous.first; d.isValid() && d <= next.first; d = d.addDays(1))
                days.insert(d);
        }
        previous = next;
    }
    while (int(days.size()) > kDrawListDays)
        days.erase(days.begin());
    return days;
}

// Adds why `day` could not be filled to the update's failure, after what is there.
void addFillFailure(LotteryUpdate& update, const QDate& day, const QString& failure)
{
    update.outcome.addFailure(QStringLiteral("补齐%1时%2").arg(groupText(dayKey(day)), failure));
}

}  // namespace

int GapFill::filled() const
{
    int count = 0;
    for (const DayFill& day : days)
        count += day.outcome.stored();
    return count;
}

int GapFill::stillMissing() const
{
    int count = 0;
    for (const DayFill& day : days)
        count += int(day.stillMissing.size());
    return count;
}

bool GapFill::cancelled() const
{
    return std::any_of(days.begin(), days.end(), [](const DayFill& day) { return day.outcome.cancelled(); });
}

GapFill fillGaps(DrawDatabase& db, const QString& lottery, const ReaderHooks& hooks)
{
    GapFill fill;
    fill.lottery = lottery;
    const LotteryInfo* info = dayCountedLottery(lottery);
    if (!info)
        throw UserError(QStringLiteral("“%1”没有开奖列表页面，无法补齐缺期。").arg(lottery));
    std::map<QDate, QStringList> missingByDay;
    for (const PeriodGap& gap : storedGaps(db, *info))
        missingByDay[groupDay(gap.group)] += missingPeriodIds(gap, *info);

    // The lottery's own address, when it has one, stands in for the day pages: read once.
    const QString url = hooks.sources.drawUrl(lottery);
    std::optional<ParsedDrawFile> document;
    ReaderFetcher fetcher(hooks);
    std::vector<QDate> days;
    for (const auto& entry : missingByDay)
        days.push_back(entry.first);
    const std::vector<int> tickets =
        url.isEmpty() ? requestDayPages(fetcher, hooks.sources, *info, days) : std::vector<int>();
    std::size_t next = 0;
    bool cancelled = false;
    for (const auto& [day, missing] : missingByDay) {
        const int ticket = url.isEmpty() ? tickets[next++] : -1;
        // Cancelled until it is filled: a cancel skips this day and every one after it.
        DayFill& result = fill.days.emplace_back(DayFill{day, StoreOutcome::userCancelled(), missing});
        if (cancelled)
            continue;
        const QSet<QString> missingIds(missing.begin(), missing.end());
        const auto wanted = [&](const QString& id) { return missingIds.contains(id); };
        try {
            stopIfCancelled(hooks);
            if (!url.isEmpty() && !document)
                document = readDrawUrl(url, *info, hooks);
            result.outcome = document ? fillDayFromDocument(db, *info, *document, day, wanted)
                                      : fillDay(db, fetcher, ticket, *info, day, wanted, hooks);
        } catch (const Cancelled&) {
            cancelled = true;
            continue;
        }
        const QSet<QString> now = db.storedPeriodIds(lottery);
        result.stillMissing.removeIf([&](const QString& id) { return now.contains(id); });
    }
    return fill;
}

GapFill fillGapsInDataFolder(const QString& dataDir, const QString& lottery, const ReaderHooks& hooks)
{
    DrawDatabase db(dataDir);
    return fillGaps(db, lottery, hooks);
}

QStringList gapFillReport(const GapFill& fill)
{
    QStringList lines{fill.cancelled() ? QStringLiteral("补齐已取消！") : QStringLiteral("补齐完成！"), QString()};
    if (fill.days.empty()) {
        lines << QStringLiteral("%1：没有缺期").arg(fill.lottery);
        return lines;
    }
    int skippedDays = 0;
    int skippedMissing = 0;
    for (const DayFill& day : fill.days) {
        if (day.outcome.cancelled()) {
            ++skippedDays;
            skippedMissing += int(day.stillMissing.size());
            continue;
        }
        QString line = groupText(dayKey(day.day)) + QStringLiteral("：");
        if (const auto& failure = day.outcome.failure())
            line += QStringLiteral("失败（%1），").arg(*failure);
        line += QStringLiteral("补齐%1期").arg(day.outcome.stored());
        if (!day.stillMissing.isEmpty()) {
            QStringList numbers;
            for (const QString& id : day.stillMissing)
                numbers << id.mid(8);
            line += QStringLiteral("，仍缺%1期（第%2期）").arg(day.stillMissing.size()).arg(numbers.join(u'、'));
        }
        lines << line;
    }
    if (skippedDays > 0)
        lines << QStringLiteral("已取消，余下的%1天未补（缺%2期）").arg(skippedDays).arg(skippedMissing);
    lines << QString() << QStringLiteral("共补齐%1期，仍缺%2期").arg(fill.filled()).arg(fill.stillMissing());
    return lines;
}

void fillFeedJump(DrawDatabase& db, const QString& newestBefore, LotteryUpdate& update, const ReaderHooks& hooks)
{
    const LotteryInfo* info = dayCountedLottery(update.lottery);
    if (!info || update.outcome.stored() == 0)
        return;
    QString newestAfter;
    QSet<QString> stored;
    try {
        newestAfter = db.newestPeriodId(update.lottery);
        stored = db.storedPeriodIds(update.lottery);
    } catch (const DatabaseError&) {
        return;
    }
    // An empty table had nothing to follow on from.
    if (newestBefore.size() == info->periodIdLength) {
        const std::set<QDate> days = daysToFill(newestBefore, newestAfter, stored);
        ReaderFetcher fetcher(hooks);
        const std::vector<int> tickets = requestDayPages(fetcher, hooks.sources, *info, days);
        std::size_t next = 0;
        for (const QDate& day : days) {
            const int ticket = tickets[next++];
            try {
                stopIfCancelled(hooks);
                const StoreOutcome filled = fillDay(
                    db, fetcher, ticket, *info, day,
                    [&](const QString& id) { return id > newestBefore && id < newestAfter && !stored.contains(id); },
                    hooks);
                update.outcome.addStored(filled.stored());
                if (filled.failure())
                    addFillFailure(update, day, *filled.failure());
            } catch (const Cancelled&) {
                // The feed's own draws are stored already; the days not filled stay counted below.
                addFillFailure(update, day, QStringLiteral("已取消，余下的日子未补"));
                break;
            }
        }
    }
    update.stillMissing = missingBetweenPeriods(db, update.lottery, newestBefore, newestAfter);
}
