#include "core/acquire/url_source.h"

#include "core/acquire/json_draws.h"
#include "core/acquire/page_fetch.h"
#include "core/base/lottery_table.h"
#include "core/base/period_date.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"
#include "core/store/draw_import.h"
#include "core/store/history_loader.h"
#include "core/store/missing_periods.h"

#include <QHash>
#include <QUrl>
#include <algorithm>

namespace {

const QString kNoDrawsInDocument = QStringLiteral("网址的内容中没有找到开奖号码");

// The table keeps its newest kRetainedDraws draws and deletes the rest when it is next loaded:
// draws older than those would be gone again at once, and be "new" again at every run. Returns
// how many were left out.
int keepRetained(ImportPlan& plan, const QHash<QString, QString>& stored)
{
    if (stored.size() + qsizetype(plan.fresh.size()) <= kRetainedDraws)
        return 0;
    std::vector<QString> ids(stored.keyBegin(), stored.keyEnd());
    for (const ImportedDraw& draw : plan.fresh)
        ids.push_back(draw.periodId);
    const auto last = ids.begin() + (kRetainedDraws - 1);
    std::nth_element(ids.begin(), last, ids.end(), std::greater<>());
    const QString oldestKept = *last;
    return int(std::erase_if(plan.fresh, [&](const ImportedDraw& draw) { return draw.periodId < oldestKept; }));
}

PageDraw pageDraw(const ImportedDraw& draw)
{
    QStringList digits;
    for (QChar digit : draw.digits)
        digits << QString(digit);
    return {draw.periodId, digits};
}

}  // namespace

QByteArray fetchDrawDocument(const QString& url, const ReaderHooks& hooks)
{
    ReaderFetcher fetcher(hooks);
    try {
        return fetcher.take(fetcher.request(QString::fromLatin1(QUrl(url).toEncoded()), kMaxDrawDocumentBytes),
                            QStringLiteral("开奖数据网址"));
    } catch (const ReaderFetcher::TooLarge&) {
        throw UserError(QStringLiteral("开奖数据网址的内容过大（超过%1 MB），未读取").arg(kMaxDrawDocumentBytes >> 20));
    }
}

ParsedDrawFile readDrawDocument(const QByteArray& bytes, const LotteryInfo& lottery, const QDate& today)
{
    // A compression the server did not declare is not undone on the way: say what it is rather
    // than that the text is no text.
    if (bytes.startsWith("\x1f\x8b"))
        throw UserError(
            QStringLiteral("开奖数据网址的内容是gzip压缩数据，而服务器没有声明压缩（Content-Encoding），无法读取"));
    return looksLikeJson(bytes) ? parseJsonDraws(bytes, lottery, today) : parseDrawFile(bytes, lottery, today);
}

ParsedDrawFile readDrawUrl(const QString& url, const LotteryInfo& lottery, const ReaderHooks& hooks)
{
    const QByteArray bytes = fetchDrawDocument(url, hooks);
    stopIfCancelled(hooks);
    return readDrawDocument(bytes, lottery, hooks.today);
}

void storeNewDraws(DrawDatabase& db, const LotteryInfo& lottery, ParsedDrawFile document, LotteryUpdate& update,
                   const QString& noDraws)
{
    update.unreadable = document.malformedCount;
    update.unreadableWhy = malformedSummary(document);
    if (document.draws.empty()) {
        update.outcome = StoreOutcome::failed(noDraws);
        return;
    }
    const auto [oldest, newest] =
        std::minmax_element(document.draws.begin(), document.draws.end(),
                            [](const ImportedDraw& a, const ImportedDraw& b) { return a.periodId < b.periodId; });
    const QString from = oldest->periodId;
    const QString to = newest->periodId;
    // Only the stored draws among the document's periods can be the same or other: the rest are
    // read only where the table's cap needs them all.
    const bool mayReachCap = db.drawCount(lottery.name) + qsizetype(document.draws.size()) > kRetainedDraws;
    const QHash<QString, QString> stored =
        mayReachCap ? storedDigits(db, lottery) : storedDigits(db, lottery, from, to);
    ImportPlan plan = planImport(std::move(document), stored);
    update.olderDropped = keepRetained(plan, stored);
    update.conflicting = int(plan.conflicts.size());
    update.outcome = StoreOutcome(writeImport(db, lottery, plan, false).added);
    // As after the day pages: the days the document covers that still have holes.
    if (lottery.historySource == HistorySource::DrawList)
        update.stillMissing = missingBetweenPeriods(db, lottery.name, from, to);
}

LotteryUpdate urlSourceReader(DrawDatabase& db, const LotteryInfo& lottery, const QString& url,
                              const ReaderHooks& hooks)
{
    const DrawDatabase::SourceScope named(db, kOwnAddressSource);
    return guardedUpdate(lottery.name, [&](LotteryUpdate& update) {
        ParsedDrawFile document = readDrawUrl(url, lottery, hooks);
        if (hooks.pageRead)
            hooks.pageRead();
        stopIfCancelled(hooks);
        storeNewDraws(db, lottery, std::move(document), update, kNoDrawsInDocument);
    });
}

StoreOutcome fillDayFromDocument(DrawDatabase& db, const LotteryInfo& lottery, const ParsedDrawFile& document,
                                 const QDate& day, const std::function<bool(const QString&)>& wanted)
{
    const QString prefix = dayKey(day);
    std::vector<PageDraw> chosen;
    for (const ImportedDraw& draw : document.draws) {
        if (draw.periodId.startsWith(prefix) && wanted(draw.periodId))
            chosen.push_back(pageDraw(draw));
    }
    const DrawDatabase::SourceScope named(db, kOwnAddressSource);
    return appendDraws(db, lottery.name, chosen);
}
