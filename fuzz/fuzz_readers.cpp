// libFuzzer target of the three page readers and the feed reader. Every input must leave the
// reader without a crash, a sanitizer report or an exception other than the feed's own FeedError,
// and every draw it returns must be one the page holds: its period id as the page prints it,
// the draw's digits after it in order, all of the lottery's shape and newer than the newest
// stored period. A reader may refuse a page; it may never invent a draw.
#include "fuzz/reader_input.h"

#include "core/acquire/feed_reader.h"
#include "core/acquire/page_readers.h"
#include "core/base/period_date.h"
#include "core/base/today_clock.h"

#include <libxml/xmlerror.h>
#include <QByteArrayList>
#include <cstdio>
#include <cstdlib>

namespace {

struct Shape {
    int periodIdLength;
    int digitCount;
    const char* newest;  // the newest stored period when the input asks for one
};

Shape shapeOf(fuzz_input::Reader reader)
{
    switch (reader) {
        case fuzz_input::Trend:
        case fuzz_input::Chart:
            return {7, 3, "2026100"};
        case fuzz_input::DrawList11:
        case fuzz_input::Feed11:
            return {11, 5, "20261209001"};
        default:
            return {10, 3, "2026120901"};
    }
}

[[noreturn]] void invented(const PageDraw& draw, const char* why)
{
    std::fprintf(stderr, "invented draw %s:%s (%s)\n", qPrintable(draw.periodId),
                 qPrintable(draw.digits.join(QString())), why);
    std::abort();
}

// `page` is the text the reader scanned, `printed` the period id as that text holds it.
void check(const PageReading& reading, const QString& page, const Shape& shape, const QString& newest,
           bool chart = false)
{
    for (const PageDraw& draw : reading.draws) {
        if (draw.periodId.size() != shape.periodIdLength || draw.digits.size() != shape.digitCount)
            invented(draw, "wrong shape");
        bool ok = false;
        if (draw.periodId.toLongLong(&ok) <= newest.toLongLong() || !ok)
            invented(draw, "not newer than the newest stored");
        if (!periodDateProblem(draw.periodId).isEmpty())
            invented(draw, "not drawn yet");
        const QString printed = chart ? draw.periodId.mid(2) : draw.periodId;
        qsizetype at = page.indexOf(printed);
        if (at < 0)
            invented(draw, "period not on the page");
        at += printed.size();
        for (const QString& digit : draw.digits) {
            if (digit.size() != 1 || digit[0] < QLatin1Char('0') || digit[0] > QLatin1Char('9'))
                invented(draw, "digit is no digit");
            at = page.indexOf(digit, at);
            if (at < 0)
                invented(draw, "digits not on the page after the period");
            ++at;
        }
    }
}

void quiet(void*, const char*, ...) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    today_clock::setToday(QDate(2026, 12, 9));
    // Writing a document back out in an encoding its bytes do not fit is reported by the reader
    // as a failure; libxml2's own line on stderr for each would bury the fuzzer's log.
    xmlSetGenericErrorFunc(nullptr, quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const auto reader = fuzz_input::Reader(data[0] % fuzz_input::ReaderCount);
    const Shape shape = shapeOf(reader);
    const QString newest = data[1] % 2 ? QString::fromLatin1(shape.newest) : QStringLiteral("0");
    const QByteArray page(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    // Bytes stand for themselves: Latin-1 keeps every page byte one character.
    const QString pageText = QString::fromLatin1(page);

    switch (reader) {
        case fuzz_input::Trend:
            check(readTrendPage(page, newest), pageText, shape, newest);
            break;
        case fuzz_input::Chart:
            check(readChartPage(page, newest), pageText, shape, newest, true);
            break;
        case fuzz_input::DrawList11:
        case fuzz_input::DrawList10: {
            QByteArray gathered;
            for (const QByteArray& day : page.split(fuzz_input::kPageBreak))
                gatherDrawListPage(day, shape.periodIdLength, gathered);
            check(drawsFromGathered(gathered, shape.periodIdLength, shape.digitCount, newest), pageText, shape, newest);
            break;
        }
        default: {
            const auto layout = feedLayoutOf(reader == fuzz_input::Feed11 ? QStringLiteral("重庆时时彩")
                                                                          : QStringLiteral("上海时时彩"));
            QString joined;
            try {
                joined = feedJoinedText(page);
            } catch (const FeedError&) {
                return 0;  // not well-formed: refused, as it should be
            }
            // The feed is read from the document as the XML parser gives it back.
            check(FeedRowScan(joined, *layout, newest), joined, shape, newest);
            break;
        }
    }
    return 0;
}
