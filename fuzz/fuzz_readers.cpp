// libFuzzer target of the three page readers, the feed reader, the draw file import and the
// sources file (数据源.ini). Every
// input must leave the reader without a crash, a sanitizer report or an exception other than the
// feed's own FeedError and the import's UserError refusing a file, and every draw it returns must
// be one the input holds: for a page, its period id as the page prints it, the draw's digits after
// it in order, all of the lottery's shape and newer than the newest stored period; for a draw
// file, on its own line, which the summary does not call unreadable. A host or address the sources
// file gives without a problem stands on a line of the file under its key, and a host is one the
// program accepts, in ASCII. A reader may refuse an input; it may never invent a draw or a host.
#include "fuzz/reader_input.h"

#include "core/acquire/feed_reader.h"
#include "core/acquire/page_readers.h"
#include "core/acquire/source_settings.h"
#include "core/base/lottery_table.h"
#include "core/base/period_date.h"
#include "core/base/text_decoding.h"
#include "core/base/user_error.h"
#include "core/store/draw_file_parser.h"

#include <libxml/xmlerror.h>
#include <QByteArrayList>
#include <QRegularExpression>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

namespace {

// The day the readers count as today, and the day a draw they take must not lie beyond.
const QDate kToday(2026, 12, 9);

struct Shape {
    int periodIdLength;
    int digitCount;
    const char* newest;  // the newest stored period when the input asks for one
    int periodsPerDay;   // as the lottery table has it: 0 for the lotteries drawn once a day
};

Shape shapeOf(fuzz_input::Reader reader)
{
    switch (reader) {
        case fuzz_input::Trend:
        case fuzz_input::Chart:
            return {7, 3, "2026100", 0};
        case fuzz_input::DrawList11:
        case fuzz_input::Feed11:
            return {11, 5, "20261209001", findLottery(QStringLiteral("重庆时时彩"))->periodsPerDay};
        default:
            return {10, 3, "2026120901", findLottery(QStringLiteral("上海时时彩"))->periodsPerDay};
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
        if (periodDateProblem(draw.periodId, kToday, shape.periodsPerDay))
            invented(draw, "a period beyond what the calendar allows");
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

// Every period the input lists with two different draws, whose draws the reader must not return:
// the listings gathered by `listings` as (period, digits) pairs.
using Listings = std::multimap<QString, QString>;

void checkNoneDoubled(const std::vector<PageDraw>& draws, const Listings& listed)
{
    for (const PageDraw& draw : draws) {
        const QString digits = draw.digits.join(QString());
        const auto [from, to] = listed.equal_range(draw.periodId);
        for (auto it = from; it != to; ++it) {
            if (it->second != digits)
                invented(draw, "a period the input lists with two different draws");
        }
    }
}

// The rows of the feed's joined text, read at the layout's offsets: every row whose period and
// digits are all there.
Listings feedListings(const QString& joined, const Shape& shape, const FeedLayout& layout)
{
    Listings listed;
    for (qsizetype p = joined.indexOf(QStringLiteral("<row")); p >= 0;
         p = joined.indexOf(QStringLiteral("<row"), p + 1)) {
        const QString periodId = joined.mid(p + 12, shape.periodIdLength);
        QString digits;
        for (int k = 0; k < shape.digitCount; ++k) {
            const qsizetype at = p + layout.digitsOffset + 2 * k;
            if (at < joined.size() && joined[at].isDigit() && joined[at].unicode() < 0x80)
                digits += joined[at];
        }
        if (periodId.size() == shape.periodIdLength && isDigitString(periodId) && digits.size() == shape.digitCount)
            listed.emplace(periodId, digits);
    }
    return listed;
}

// The file's lines as text, read the way the readers read them.
std::vector<QString> textLines(const QByteArray& file)
{
    const TextEncoding encoding = detectTextEncoding(file);
    QStringDecoder decoder = textDecoder(encoding);
    std::vector<QString> lines;
    for (qsizetype next = encoding.bomLength; next < file.size();) {
        const qsizetype start = next;
        const qsizetype end = lineEnd(file, start, next);
        decoder.resetState();
        lines.push_back(decoder.decode(QByteArrayView(file).sliced(start, end - start)));
    }
    return lines;
}

// A line that can only be read as one draw: the period (or the period without its "20") and the
// digits, together or one by one, apart by blanks, commas or tabs, nothing else. Empty otherwise.
std::pair<QString, QString> plainDraw(const QString& line, const LotteryInfo& lottery)
{
    qsizetype from = 0;
    qsizetype to = line.size();
    while (from < to && line[from].unicode() <= 32)
        ++from;
    while (to > from && line[to - 1].unicode() <= 32)
        --to;
    const QStringView text = QStringView(line).sliced(from, to - from);
    if (text.size() > 200)
        return {};
    for (QChar c : text) {
        if (!isAsciiDigit(c.unicode()) && c != u' ' && c != u',' && c != u'\t')
            return {};
    }
    QStringList parts;
    for (const QString& part : text.toString().split(QRegularExpression(QStringLiteral("[ ,\t]+")), Qt::SkipEmptyParts))
        parts << part;
    if (parts.size() < 2)
        return {};
    QString period = parts.takeFirst();
    if (period.size() == lottery.periodIdLength - 2)
        period.prepend(QStringLiteral("20"));
    const QString digits = parts.join(QString());
    const bool together = parts.size() == 1 && digits.size() == lottery.digitCount;
    const bool apart = parts.size() == lottery.digitCount && digits.size() == lottery.digitCount;
    if (period.size() != lottery.periodIdLength || !(together || apart))
        return {};
    return {period, digits};
}

// A draw file's draws: each of the lottery's shape, not in the future, standing on its line (the
// period, or the period without its "20", and each digit once more besides it), one draw a line,
// and none on a line the summary calls unreadable.
void checkDrawFile(const QByteArray& file, const LotteryInfo& lottery)
{
    ParsedDrawFile parsed;
    try {
        parsed = parseDrawFile(file, lottery, kToday);
    } catch (const UserError&) {
        return;  // not text, or a header that does not say where the draw is: refused
    }
    std::vector<QString> lines = textLines(file);
    for (QString& line : lines) {
        for (QChar& c : line) {
            if (c.unicode() >= u'０' && c.unicode() <= u'９')
                c = QChar(u'0' + (c.unicode() - u'０'));
        }
    }
    // Without a header every plain line is a listing of its period; with one, columns decide.
    Listings listed;
    for (const QString& line : lines) {
        const QString content = line.trimmed();
        if (content.isEmpty() || content.startsWith(u'#'))
            continue;
        if (plainDraw(line, lottery).first.isEmpty())
            break;
        for (const QString& other : lines) {
            const auto [period, digits] = plainDraw(other, lottery);
            if (!period.isEmpty())
                listed.emplace(period, digits);
        }
        break;
    }
    std::set<int> drawLines;
    std::set<int> refused;
    for (const MalformedLine& m : parsed.malformed)
        refused.insert(m.line);
    for (const ImportedDraw& draw : parsed.draws) {
        const auto [from, to] = listed.equal_range(draw.periodId);
        for (auto it = from; it != to; ++it) {
            if (it->second != draw.digits) {
                std::fprintf(stderr, "draw %s:%s taken though the file lists it as %s too\n", qPrintable(draw.periodId),
                             qPrintable(draw.digits), qPrintable(it->second));
                std::abort();
            }
        }
        const auto fail = [&](const char* why) {
            std::fprintf(stderr, "invented draw %s:%s on line %d (%s)\n", qPrintable(draw.periodId),
                         qPrintable(draw.digits), draw.line, why);
            std::abort();
        };
        if (draw.periodId.size() != lottery.periodIdLength || !isDigitString(draw.periodId))
            fail("wrong period shape");
        if (draw.digits.size() != lottery.digitCount || !isDigitString(draw.digits))
            fail("wrong digits");
        if (periodDateProblem(draw.periodId, kToday, lottery.periodsPerDay))
            fail("a period beyond what the calendar allows");
        if (draw.line < 1 || draw.line > int(lines.size()))
            fail("no such line");
        if (!drawLines.insert(draw.line).second)
            fail("two draws from one line");
        if (refused.count(draw.line))
            fail("a draw from a line called unreadable");
        QString rest = lines[std::size_t(draw.line - 1)];
        qsizetype at = rest.indexOf(draw.periodId);
        qsizetype length = draw.periodId.size();
        if (at < 0) {
            at = rest.indexOf(draw.periodId.mid(2));
            length -= 2;
        }
        if (at < 0 || (!draw.periodId.startsWith(QLatin1String("20")) && length != draw.periodId.size()))
            fail("period not on its line");
        rest.remove(at, length);
        for (QChar digit : draw.digits) {
            const qsizetype d = rest.indexOf(digit);
            if (d < 0)
                fail("digit not on its line");
            rest.remove(d, 1);
        }
    }
}

[[noreturn]] void inventedSetting(const QString& key, const QString& value, const char* why)
{
    std::fprintf(stderr, "invented setting %s=%s (%s)\n", qPrintable(key), qPrintable(value), why);
    std::abort();
}

// Whether a line of the file gives `key` a value that reads as `value` once `shown` has made it
// what the program shows.
bool onALine(const std::vector<QString>& lines, const QString& key, const QString& value,
             QString (*shown)(const QString&))
{
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0 || line.left(equals).trimmed().toLower() != key)
            continue;
        QString raw = line.mid(equals + 1).trimmed();
        if (raw.size() >= 2 && raw.startsWith(u'"') && raw.endsWith(u'"'))
            raw = raw.mid(1, raw.size() - 2);
        if (shown(raw) == value)
            return true;
    }
    return false;
}

QString asWritten(const QString& text)
{
    return text;
}

void checkSources(const QByteArray& file)
{
    SourceSettingsFile settings;
    try {
        settings = sourceSettingsOf(file, QStringLiteral("数据源.ini"));
    } catch (const UserError&) {
        return;  // too large, or not text: refused
    }
    const std::vector<QString> lines = textLines(file);
    for (PageSite site : kPageSites) {
        const QString& host = settings.hosts[std::size_t(site)];
        if (host.isEmpty() || settings.hostProblems[std::size_t(site)])
            continue;
        if (hostProblem(host) || normalisedHost(host) != host)
            inventedSetting(siteKey(site), host, "a host the program refuses");
        for (QChar c : host) {
            if (c.unicode() >= 0x80)
                inventedSetting(siteKey(site), host, "not ASCII");
        }
        if (!onALine(lines, siteKey(site), host, normalisedHost))
            inventedSetting(siteKey(site), host, "not on a line of the file");
    }
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        const QString url = settings.urls.value(lottery.name);
        if (url.isEmpty() || settings.urlProblems.contains(lottery.name))
            continue;
        if (drawUrlProblem(url) || !onALine(lines, lottery.settingsKey, url, asWritten))
            inventedSetting(lottery.settingsKey, url, "an address not on a line of the file");
    }
}

void quiet(void*, const char*, ...) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
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
            check(readTrendPage(page, newest, kToday), pageText, shape, newest);
            break;
        case fuzz_input::Chart:
            check(readChartPage(page, newest, kToday), pageText, shape, newest, true);
            break;
        case fuzz_input::DrawList11:
        case fuzz_input::DrawList10: {
            QByteArray gathered;
            for (const QByteArray& day : page.split(fuzz_input::kPageBreak))
                gatherDrawListPage(day, shape.periodIdLength, gathered);
            check(drawsFromGathered(gathered, shape.periodIdLength, shape.digitCount, shape.periodsPerDay, newest,
                                    kToday),
                  pageText, shape, newest);
            break;
        }
        case fuzz_input::DrawFile7:
        case fuzz_input::DrawFile11:
        case fuzz_input::DrawFile10: {
            const char* lottery = reader == fuzz_input::DrawFile7    ? "中国福彩3D"
                                  : reader == fuzz_input::DrawFile11 ? "重庆时时彩"
                                                                     : "上海时时彩";
            checkDrawFile(page, *findLottery(QString::fromUtf8(lottery)));
            break;
        }
        case fuzz_input::Sources:
            checkSources(page);
            break;
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
            const PageReading reading = FeedRowScan(joined, *layout, newest, kToday);
            check(reading, joined, shape, newest);
            checkNoneDoubled(reading.draws, feedListings(joined, shape, *layout));
            break;
        }
    }
    return 0;
}
