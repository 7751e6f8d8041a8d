#include "core/acquire/feed_reader.h"

#include "core/acquire/page_fetch.h"
#include "core/acquire/period_numbers.h"
#include "core/acquire/source_hosts.h"
#include "core/base/lottery_table.h"
#include "core/base/period_date.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <vector>

namespace {

struct ParserContextDeleter {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};
struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
struct XmlBufferDeleter {
    void operator()(xmlChar* buffer) const { xmlFree(buffer); }
};

}  // namespace

std::optional<FeedLayout> feedLayoutOf(const QString& lottery)
{
    const LotteryInfo* info = findLottery(lottery);
    if (!info || info->feedPath.isEmpty())
        return std::nullopt;
    return FeedLayout{info->feedPath, info->periodIdLength, info->feedDigitsOffset, info->digitCount,
                      info->periodsPerDay};
}

QString feedJoinedText(const QByteArray& document)
{
    xmlInitParser();
    std::unique_ptr<xmlParserCtxt, ParserContextDeleter> context(xmlNewParserCtxt());
    if (!context)
        throw FeedError(QStringLiteral("无法启动XML解析"));
    // No network, no external DTD, no entity substitution: a feed can make the parser fetch or
    // expand nothing. Errors are read from the context, not printed.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    std::unique_ptr<xmlDoc, DocumentDeleter> parsed(xmlCtxtReadMemory(
        context.get(), document.constData(), int(document.size()), "newlyopenlist.xml", nullptr, options));
    if (!parsed || !context->wellFormed) {
        const xmlError* error = xmlCtxtGetLastError(context.get());
        const int line = error ? error->line : 0;
        throw FeedError(line > 0 ? QStringLiteral("最新开奖数据不是格式正确的XML（第%1行）").arg(line)
                                 : QStringLiteral("最新开奖数据不是格式正确的XML"));
    }

    xmlChar* written = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(parsed.get(), &written, &size, "UTF-8");
    std::unique_ptr<xmlChar, XmlBufferDeleter> owned(written);
    if (!written)
        throw FeedError(QStringLiteral("无法写出最新开奖数据"));
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(written), size);

    QString joined;
    joined.reserve(text.size());
    for (QChar c : text) {
        if (c.unicode() > 32)
            joined.append(c);
    }
    return joined;
}

PageReading FeedRowScan(const QString& joined, const FeedLayout& layout, const QString& newestPeriod,
                        const QDate& today)
{
    static const QString kRowMarker = QStringLiteral("<row");
    constexpr qsizetype kPeriodOffset = 12;
    PageReading reading;
    std::optional<qint64> newest;
    period_numbers::ListedDraws listed(QStringLiteral("最新开奖数据中"));
    for (qsizetype p = joined.indexOf(kRowMarker); p >= 0; p = joined.indexOf(kRowMarker, p + 1)) {
        // A period cut short by the end of the text is no period.
        const QString periodId = joined.mid(p + kPeriodOffset, layout.periodIdLength);
        if (periodId.size() != layout.periodIdLength)
            continue;
        const auto period = period_numbers::wholeNumber(QStringView(periodId));
        if (!period)
            continue;
        ++reading.found;
        // The stored newest is only looked at once the feed lists a period.
        if (!newest) {
            newest = period_numbers::newestStored(newestPeriod, today, layout.periodsPerDay, reading);
            if (!newest)
                return reading;
        }
        // The feed never fills gaps behind the newest stored draw.
        if (*period <= *newest)
            continue;
        QStringList digits;
        for (int k = 0; k < layout.digitCount; ++k) {
            const qsizetype at = p + layout.digitsOffset + 2 * k;
            if (at >= joined.size() || !isAsciiDigit(joined[at])) {
                digits.clear();
                break;
            }
            digits << QString(joined[at]);
        }
        const bool complete = !digits.isEmpty();
        // A period that cannot have been drawn yet ends the reading, like a row without its digits.
        if (!reading.failure) {
            reading.failure = periodDateProblem(periodId, today, layout.periodsPerDay);
            if (!reading.failure && !complete)
                reading.failure = period_numbers::incompleteDigits(periodId);
        }
        if (complete && !listed.take(PageDraw{periodId, digits}, reading))
            return reading;
    }
    return reading;
}

LotteryUpdate readLotteryFeed(DrawDatabase& db, const QString& lottery, const QString& newestPeriod,
                              const ReaderHooks& hooks)
{
    const DrawDatabase::SourceScope named(db, kFeedSource);
    return readAndStore(db, lottery, hooks, [&] {
        const auto layout = feedLayoutOf(lottery);
        if (!layout)
            throw UserError(QStringLiteral("“%1”没有最新开奖数据").arg(lottery));
        ReaderFetcher fetcher(hooks);
        const QByteArray document =
            fetcher.fetch(hooks.sources.pageUrl(PageSite::Feed, layout->path), QStringLiteral("最新开奖数据"));
        // A well-formed document without one draw row is a changed feed, not "nothing new".
        return FeedRowScan(feedJoinedText(document), *layout, newestPeriod, hooks.today);
    });
}
