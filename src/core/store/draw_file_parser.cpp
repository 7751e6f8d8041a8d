#include "core/store/draw_file_parser.h"

#include "core/base/lottery_table.h"
#include "core/base/period_date.h"
#include "core/base/text_decoding.h"
#include "core/base/user_error.h"
#include "core/store/period_gaps.h"

#include <QDate>
#include <QFile>
#include <QStringDecoder>
#include <limits>
#include <optional>

namespace {

// Far beyond any real history (a year of 时时彩 is under 50000 lines), small enough to read whole.
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
// Far longer than a draw's line, even a CSV row with many columns beside the draw. A longer line
// is refused before it is decoded or split, so one huge line costs no more than its bytes.
constexpr qsizetype kMaxLineBytes = 4096;
constexpr int kShownLineLength = 60;
// How often the parse says how far it has come.
constexpr qsizetype kProgressStep = 1 << 20;

using Views = std::vector<QStringView>;

bool hasDigit(QStringView text)
{
    for (QChar c : text) {
        if (isAsciiDigit(c))
            return true;
    }
    return false;
}

bool isDigitSeparator(QChar c)
{
    return c == u' ' || c == u'\t' || c == u',' || c == u';' || c == u'|' || c == u'，' || c == u'、' || c == u'\u3000';
}

// A field without blanks and the double quotes around it.
QStringView unquoted(QStringView text)
{
    text = text.trimmed();
    while (text.startsWith(u'"'))
        text = text.sliced(1);
    while (text.endsWith(u'"'))
        text.chop(1);
    return text.trimmed();
}

// The runs of text between digit separators; the first `most` of them where a line's later
// columns are of no interest.
void tokens(QStringView text, Views& parts, std::size_t most = std::numeric_limits<std::size_t>::max())
{
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size() && parts.size() < most; ++i) {
        const bool apart = i == text.size() || isDigitSeparator(text[i]);
        if (!apart && start < 0) {
            start = i;
        } else if (apart && start >= 0) {
            const QStringView part = unquoted(text.sliced(start, i - start));
            if (!part.isEmpty())
                parts.push_back(part);
            start = -1;
        }
    }
}

// One CSV record: fields apart by `separator`; a field in double quotes may hold it.
void csvFields(QStringView line, QChar separator, Views& fields)
{
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'"')
            quoted = !quoted;
        else if (c == separator && !quoted) {
            fields.push_back(line.sliced(start, i - start).trimmed());
            start = i + 1;
        }
    }
    fields.push_back(line.sliced(start).trimmed());
}

// A column name as compared: lower case, without quotes, blanks and underscores.
QString columnName(QStringView field)
{
    QString name;
    for (QChar c : field) {
        if (c != u'"' && c != u'_' && !c.isSpace())
            name += c.toLower();
    }
    return name;
}

// Names of a column that holds the whole draw. Only these: beside the draw, published histories
// carry 试机号码, 机球, 球号 or 和值, which must never be taken for it.
bool namesTheDraw(const QString& name)
{
    static const QStringList names{
        QStringLiteral("开奖号码"),       QStringLiteral("开奖号"),     QStringLiteral("号码"),
        QStringLiteral("中奖号码"),       QStringLiteral("开奖结果"),   QStringLiteral("number"),
        QStringLiteral("numbers"),        QStringLiteral("drawnumber"), QStringLiteral("drawnumbers"),
        QStringLiteral("winningnumbers"), QStringLiteral("result"),     QStringLiteral("code")};
    return names.contains(name);
}

// The place (0 the first digit) a column holds: 百位/十位/个位, 万位…个位, 第1位, 第一位, 第1球,
// ball1; -1 for any other name.
int digitPlace(const QString& name, int digitCount)
{
    static const QString places = QStringLiteral("万千百十个");
    if (name.size() == 2 && name[1] == u'位') {
        const qsizetype at = places.indexOf(name[0]);
        const int place = at < 0 ? -1 : int(at) - (5 - digitCount);
        return place >= 0 ? place : -1;
    }
    static const QString numerals = QStringLiteral("一二三四五");
    QStringView number;
    if (name.size() == 3 && name[0] == u'第' && (name[2] == u'位' || name[2] == u'球'))
        number = QStringView(name).sliced(1, 1);
    else if (name.startsWith(QStringLiteral("ball")))
        number = QStringView(name).sliced(4);
    if (number.size() != 1)
        return -1;
    const int n = isAsciiDigit(number[0]) ? number[0].digitValue() : int(numerals.indexOf(number[0])) + 1;
    return n >= 1 && n <= digitCount ? n - 1 : -1;
}

QString placeNames(int digitCount)
{
    const QStringList all{QStringLiteral("万位"), QStringLiteral("千位"), QStringLiteral("百位"),
                          QStringLiteral("十位"), QStringLiteral("个位")};
    return all.mid(5 - digitCount).join(u'、');
}

bool namesThePeriod(const QString& name)
{
    return (name.contains(u'期') && !name.contains(QStringLiteral("日期"))) ||
           name.contains(QStringLiteral("period")) || name.contains(QStringLiteral("issue"));
}

// Where a header line puts the period and the digits. Without a usable header the line's first
// token is the period and the rest are the digits.
struct Columns {
    QChar separator;
    int headerFields = 0;
    int period = 0;
    int digits = -1;             // one column holding all digits, or
    std::vector<int> positions;  // one column per digit, in the draw's order
    int needed() const
    {
        int most = std::max(period, digits);
        for (int p : positions)
            most = std::max(most, p);
        return most + 1;
    }
};

QChar separatorOf(QStringView line)
{
    return line.contains(u',') ? u',' : line.contains(u'\t') ? u'\t' : line.contains(u';') ? u';' : u' ';
}

void fieldsOf(QStringView line, QChar separator, Views& fields)
{
    fields.clear();
    if (separator == u' ')
        tokens(line, fields);
    else
        csvFields(line, separator, fields);
}

// The columns a header names, or nothing when it names no period. A header that names the period
// but leaves open which column holds the draw is refused, naming its columns: a guess could
// store the test draw (试机号码) as the draw.
std::optional<Columns> columnsOf(QStringView header, int digitCount)
{
    Columns columns;
    columns.separator = separatorOf(header);
    Views fields;
    fieldsOf(header, columns.separator, fields);
    columns.headerFields = int(fields.size());
    int period = -1;
    std::vector<int> whole;
    std::vector<std::vector<int>> byPlace(static_cast<std::size_t>(digitCount));
    QStringList shown;
    for (int i = 0; i < int(fields.size()); ++i) {
        const QString name = columnName(fields[std::size_t(i)]);
        shown << unquoted(fields[std::size_t(i)]).toString();
        if (namesThePeriod(name) && period < 0) {
            period = i;
        } else if (name.contains(QStringLiteral("试机"))) {
            continue;
        } else if (namesTheDraw(name)) {
            whole.push_back(i);
        } else if (const int place = digitPlace(name, digitCount); place >= 0) {
            byPlace[std::size_t(place)].push_back(i);
        }
    }
    if (period < 0)
        return std::nullopt;
    columns.period = period;
    bool placesClear = true;
    for (const auto& place : byPlace)
        placesClear = placesClear && place.size() == 1;
    if (whole.size() == 1) {
        columns.digits = whole.front();
    } else if (whole.empty() && placesClear) {
        for (const auto& place : byPlace)
            columns.positions.push_back(place.front());
    } else {
        throw UserError(QStringLiteral("表头（%1）看不出哪一列是开奖号码：请把这一列命名为“开奖号码”，"
                                       "或把各位的列命名为%2")
                            .arg(shown.join(u'、'), placeNames(digitCount)));
    }
    return columns;
}

// Where a header puts the columns a source names.
Columns namedColumnsOf(QStringView header, const HeaderColumns& named, int digitCount)
{
    Columns columns;
    columns.separator = separatorOf(header);
    Views fields;
    fieldsOf(header, columns.separator, fields);
    columns.headerFields = int(fields.size());
    QStringList names;
    QStringList shown;
    for (QStringView field : fields) {
        names << columnName(field);
        shown << unquoted(field).toString();
    }
    const auto find = [&](const QStringList& wanted) {
        for (const QString& name : wanted) {
            const qsizetype at = names.indexOf(columnName(name));
            if (at >= 0)
                return int(at);
        }
        throw UserError(
            QStringLiteral("表头（%1）中没有“%2”列").arg(shown.join(u'、'), wanted.join(QStringLiteral("”或“"))));
    };
    columns.period = find(named.period);
    if (named.digitColumns.isEmpty()) {
        columns.digits = find(named.digits);
        return columns;
    }
    if (named.digitColumns.size() != digitCount)
        throw UserError(QStringLiteral("开奖号码有%1位，而所列的号码列（%2）有%3个")
                            .arg(digitCount)
                            .arg(named.digitColumns.join(u'、'))
                            .arg(named.digitColumns.size()));
    for (const QString& name : named.digitColumns)
        columns.positions.push_back(find({name}));
    return columns;
}

// Lines of one day follow each other; the day last found valid in this file is not read again.
class DayCheck {
public:
    bool isValid(QStringView yyyymmdd)
    {
        if (yyyymmdd == m_lastValid)
            return true;
        if (!dayOfKey(yyyymmdd).isValid())
            return false;
        m_lastValid = yyyymmdd.toString();
        return true;
    }

private:
    QString m_lastValid;
};

// Why a line is no draw, written only when it is kept to be shown: most lines of a file of
// rubbish are only counted, and writing each reason would cost more than reading the line.
class Reason {
public:
    explicit Reason(bool wanted) : m_wanted(wanted) {}
    template <class Text>
    bool fail(Text&& text)
    {
        if (m_wanted)
            m_text = text();
        return false;
    }
    const QString& text() const { return m_text; }

private:
    bool m_wanted;
    QString m_text;
};

bool readPeriod(QStringView raw, const LotteryInfo& lottery, const PeriodDateCheck& dates, DayCheck& days, QString& id,
                Reason& reason)
{
    const int length = lottery.periodIdLength;
    if (!isDigitString(raw))
        return reason.fail([&] { return notDigitsPeriodText(raw); });
    // Without the century the id is two shorter; with every lottery's length that cannot be
    // mistaken for another form.
    if (raw.size() != length && raw.size() != length - 2)
        return reason.fail(
            [&] { return QStringLiteral("期号应为%1位（或省去年份前两位的%2位）").arg(length).arg(length - 2); });
    id = raw.size() == length - 2 ? QStringLiteral("20") + raw.toString() : raw.toString();
    const int groupLength = periodGroupLength(lottery);
    if (groupLength == 8 && !days.isValid(QStringView(id).left(8)))
        return reason.fail([&] { return QStringLiteral("期号中的日期“%1”无效").arg(id.left(8)); });
    if (QStringView(id).mid(groupLength).toInt() == 0)
        return reason.fail([&] { return QStringLiteral("期号的序号不能为0"); });
    // A period not drawn yet would shut out every later draw of the lottery.
    if (const auto future = dates.problem(id))
        return reason.fail([&] { return *future; });
    return true;
}

bool readDigits(const Views& parts, int digitCount, QString& digits, Reason& reason)
{
    if (parts.empty())
        return reason.fail([&] { return QStringLiteral("缺少开奖号码"); });
    bool ok = false;
    if (parts.size() == 1) {
        ok = parts[0].size() == digitCount && isDigitString(parts[0]);
        if (ok)
            digits = parts[0].toString();
    } else if (int(parts.size()) == digitCount) {
        ok = true;
        digits.resize(digitCount);
        for (int k = 0; k < digitCount && ok; ++k) {
            ok = parts[std::size_t(k)].size() == 1 && isAsciiDigit(parts[std::size_t(k)][0]);
            if (ok)
                digits[k] = parts[std::size_t(k)][0];
        }
    }
    if (!ok)
        return reason.fail([&] { return QStringLiteral("开奖号码应为%1个0到9的数字").arg(digitCount); });
    return true;
}

// Which draw read so far holds a period. A file in period order, either way, cannot list a period
// again: the index is built only when a line first breaks the order, and most files never pay for it.
class PeriodIndex {
public:
    // The draw among `draws` (all read so far) that holds `periodId`, if any.
    const ImportedDraw* find(const QString& periodId, const std::vector<ImportedDraw>& draws)
    {
        if (!m_built) {
            if (draws.empty())
                return nullptr;
            const QString& last = draws.back().periodId;
            const int direction = periodId > last ? 1 : periodId < last ? -1 : 0;
            if (direction != 0 && (m_direction == 0 || m_direction == direction)) {
                m_direction = direction;
                return nullptr;
            }
            m_seen.reserve(qsizetype(draws.size()) * 2);
            for (std::size_t i = 0; i < draws.size(); ++i)
                m_seen.insert(draws[i].periodId, i);
            m_built = true;
        }
        const auto at = m_seen.constFind(periodId);
        return at == m_seen.constEnd() ? nullptr : &draws[*at];
    }

    // `draws` has a new last draw.
    void added(const std::vector<ImportedDraw>& draws)
    {
        if (m_built)
            m_seen.insert(draws.back().periodId, draws.size() - 1);
    }

private:
    int m_direction = 0;  // 1 ascending, -1 descending, 0 one draw or none yet
    bool m_built = false;
    QHash<QString, std::size_t> m_seen;
};

// Reads a draw file one line at a time, keeping only what the summary needs.
class DrawFileParser {
public:
    DrawFileParser(const LotteryInfo& lottery, const QDate& today, const ParseProgress& progress,
                   std::optional<TokenColumns> tokenColumns = std::nullopt,
                   std::optional<HeaderColumns> headerColumns = std::nullopt)
        : m_lottery(lottery),
          m_progress(progress),
          m_dates(today, lottery.periodsPerDay),
          m_tokenColumns(tokenColumns),
          m_headerColumns(std::move(headerColumns)),
          m_pastHeader(tokenColumns.has_value())
    {
    }

    ParsedDrawFile parse(QByteArrayView bytes)
    {
        const TextEncoding encoding = detectTextEncoding(bytes);
        if (!encoding.readable())
            throw UserError(QStringLiteral("文件既不是UTF-8也不是GBK文本：%1无法识别").arg(badTextPlace(encoding)));
        m_decoder = textDecoder(encoding);
        if (!m_decoder.isValid())
            throw UserError(QStringLiteral("文件不是UTF-8文本，且本机无法读取GBK文本"));
        qsizetype next = encoding.bomLength;
        qsizetype reported = 0;
        int lineNumber = 0;
        while (next < bytes.size()) {
            if (next - reported >= kProgressStep) {
                reported = next;
                tell(next, bytes.size());
            }
            const qsizetype start = next;
            const qsizetype end = lineEnd(bytes, start, next);
            readLine(bytes.sliced(start, end - start), ++lineNumber);
        }
        tell(bytes.size(), bytes.size());
        dropDoubled();
        return std::move(m_parsed);
    }

private:
    void tell(qint64 done, qint64 total)
    {
        if (m_progress && !m_progress(done, total))
            throw Cancelled();
    }

    // The line as text, trimmed, with full-width digits as digits.
    QStringView decoded(QByteArrayView bytes)
    {
        // Blanks and control bytes go before decoding; most lines then have nothing more to trim.
        while (!bytes.isEmpty() && static_cast<unsigned char>(bytes.front()) <= 32)
            bytes = bytes.sliced(1);
        while (!bytes.isEmpty() && static_cast<unsigned char>(bytes.back()) <= 32)
            bytes.chop(1);
        const qsizetype needed = qsizetype(m_decoder.requiredSpace(bytes.size()));
        if (m_text.size() < needed)
            m_text.resize(needed);
        QChar* const begin = m_text.data();
        QChar* out = begin;
        bool ascii = true;
        for (char b : bytes)
            ascii = ascii && static_cast<unsigned char>(b) < 0x80;
        if (ascii) {
            for (char b : bytes)
                *out++ = QLatin1Char(b);
            return QStringView(begin, out - begin);
        }
        m_decoder.resetState();
        out = m_decoder.appendToBuffer(out, bytes);
        for (QChar* c = begin; c != out; ++c) {
            if (c->unicode() >= u'０' && c->unicode() <= u'９')
                *c = QChar(u'0' + (c->unicode() - u'０'));
        }
        return QStringView(begin, out - begin).trimmed();
    }

    // The first listing of each period listed again with other digits leaves the draws and is
    // told among the lines that are no draw, in its place by line.
    void dropDoubled()
    {
        if (m_doubled.isEmpty())
            return;
        std::vector<ImportedDraw> kept;
        for (ImportedDraw& draw : m_parsed.draws) {
            const auto again = m_doubled.constFind(draw.periodId);
            if (again == m_doubled.constEnd()) {
                kept.push_back(std::move(draw));
                continue;
            }
            ++m_parsed.malformedCount;
            const MalformedLine told{
                draw.line, draw.periodId + u' ' + draw.digits,
                QStringLiteral("第%1期在第%2行另有不同的号码，两行都不存入").arg(draw.periodId).arg(*again)};
            auto& malformed = m_parsed.malformed;
            malformed.insert(
                std::upper_bound(malformed.begin(), malformed.end(), told,
                                 [](const MalformedLine& a, const MalformedLine& b) { return a.line < b.line; }),
                told);
            if (malformed.size() > std::size_t(kKeptMalformedLines))
                malformed.pop_back();
        }
        m_parsed.draws = std::move(kept);
    }

    bool explaining() const { return int(m_parsed.malformed.size()) < kKeptMalformedLines; }

    void refuse(int lineNumber, QStringView line, const Reason& reason)
    {
        ++m_parsed.malformedCount;
        if (explaining()) {
            const QString shown = line.size() > kShownLineLength
                                      ? line.left(kShownLineLength).toString() + QStringLiteral("…")
                                      : line.toString();
            m_parsed.malformed.push_back({lineNumber, shown, reason.text()});
        }
    }

    void readLine(QByteArrayView bytes, int lineNumber)
    {
        if (bytes.size() > kMaxLineBytes) {
            m_pastHeader = true;
            Reason reason(explaining());
            reason.fail([&] { return QStringLiteral("行太长（%1字节），不是开奖").arg(bytes.size()); });
            refuse(lineNumber, decoded(bytes.first(kShownLineLength * 3)), reason);
            return;
        }
        const QStringView line = decoded(bytes);
        if (line.isEmpty() || line.startsWith(u'#'))
            return;
        // A header names its columns: no digit in its first field. Only the first content line can be one.
        if (!m_pastHeader) {
            m_pastHeader = true;
            if (m_headerColumns) {
                m_columns = namedColumnsOf(line, *m_headerColumns, m_lottery.digitCount);
                return;
            }
            m_parts.clear();
            const qsizetype comma = line.indexOf(u',');
            tokens(comma < 0 ? line : line.first(comma), m_parts);
            if (!m_parts.empty() && !hasDigit(m_parts.front())) {
                m_columns = columnsOf(line, m_lottery.digitCount);
                if (m_columns || !hasDigit(line))
                    return;
            }
        }
        Reason reason(explaining());
        QString periodId;
        QString digits;
        if (!readDraw(line, periodId, digits, reason)) {
            refuse(lineNumber, line, reason);
            return;
        }
        if (const ImportedDraw* earlier = m_index.find(periodId, m_parsed.draws)) {
            const ImportedDraw& first = *earlier;
            const int at = first.line;
            if (first.digits == digits && !m_doubled.contains(periodId)) {
                reason.fail([&] { return QStringLiteral("与第%1行重复").arg(at); });
            } else {
                // Either draw may be the wrong one: neither is taken.
                if (!m_doubled.contains(periodId))
                    m_doubled.insert(periodId, lineNumber);
                reason.fail([&] {
                    return QStringLiteral("第%1期与第%2行的号码不同（%3、%4），两行都不存入")
                        .arg(periodId)
                        .arg(at)
                        .arg(first.digits, digits);
                });
            }
            refuse(lineNumber, line, reason);
            return;
        }
        m_parsed.draws.push_back({std::move(periodId), std::move(digits), lineNumber, {}});
        m_index.added(m_parsed.draws);
    }

    bool readDraw(QStringView line, QString& periodId, QString& digits, Reason& reason)
    {
        QStringView period;
        m_parts.clear();
        if (m_columns) {
            fieldsOf(line, m_columns->separator, m_fields);
            if (int(m_fields.size()) < m_columns->needed())
                return reason.fail([&] { return QStringLiteral("列数不足"); });
            period = unquoted(m_fields[std::size_t(m_columns->period)]);
            if (m_columns->digits >= 0) {
                // A digits column that ends the header may stand for digits set apart like the
                // fields themselves ("期号,号码" over "2026224,8,6,2").
                const std::size_t from = std::size_t(m_columns->digits);
                const std::size_t end = m_columns->digits == m_columns->headerFields - 1 ? m_fields.size() : from + 1;
                for (std::size_t f = from; f < end; ++f)
                    tokens(m_fields[f], m_parts);
            } else {
                for (int p : m_columns->positions)
                    m_parts.push_back(unquoted(m_fields[std::size_t(p)]));
            }
        } else if (m_tokenColumns) {
            m_fields.clear();
            const std::size_t first = std::size_t(m_tokenColumns->firstDigit);
            const std::size_t end = first + std::size_t(m_lottery.digitCount);
            tokens(line, m_fields, std::max(end, std::size_t(m_tokenColumns->period) + 1));
            if (m_fields.size() < end || m_fields.size() <= std::size_t(m_tokenColumns->period))
                return reason.fail([&] { return QStringLiteral("列数不足"); });
            period = m_fields[std::size_t(m_tokenColumns->period)];
            m_parts.assign(m_fields.begin() + std::ptrdiff_t(first), m_fields.begin() + std::ptrdiff_t(end));
        } else {
            tokens(line, m_parts);
            period = m_parts.empty() ? QStringView() : m_parts.front();
            if (!m_parts.empty())
                m_parts.erase(m_parts.begin());
        }
        return readPeriod(period, m_lottery, m_dates, m_days, periodId, reason) &&
               readDigits(m_parts, m_lottery.digitCount, digits, reason);
    }

    const LotteryInfo& m_lottery;
    const ParseProgress& m_progress;
    // Asked once: the clock behind it costs more than checking a line.
    const PeriodDateCheck m_dates;
    DayCheck m_days;
    QStringDecoder m_decoder;
    QString m_text;
    Views m_fields;
    Views m_parts;
    std::optional<Columns> m_columns;
    std::optional<TokenColumns> m_tokenColumns;
    std::optional<HeaderColumns> m_headerColumns;
    bool m_pastHeader = false;
    PeriodIndex m_index;
    QHash<QString, int> m_doubled;  // period id listed again with other digits -> that line
    ParsedDrawFile m_parsed;
};

}  // namespace

QString malformedSummary(const ParsedDrawFile& parsed, int shown)
{
    QStringList parts;
    for (const MalformedLine& line : parsed.malformed) {
        if (int(parts.size()) == shown)
            break;
        parts << QStringLiteral("第%1行：%2").arg(line.line).arg(line.reason);
    }
    if (parsed.malformedCount > int(parts.size()))
        parts << QStringLiteral("另有%1行").arg(parsed.malformedCount - int(parts.size()));
    return parts.join(u'；');
}

ParsedDrawFile parseDrawFile(const QByteArray& bytes, const LotteryInfo& lottery, const QDate& today,
                             const ParseProgress& progress)
{
    return DrawFileParser(lottery, today, progress).parse(bytes);
}

ParsedDrawFile parseDrawColumns(const QByteArray& bytes, const LotteryInfo& lottery, const QDate& today,
                                const TokenColumns& columns)
{
    return DrawFileParser(lottery, today, {}, columns).parse(bytes);
}

ParsedDrawFile parseDrawCsv(const QByteArray& bytes, const LotteryInfo& lottery, const QDate& today,
                            const HeaderColumns& columns)
{
    return DrawFileParser(lottery, today, {}, std::nullopt, columns).parse(bytes);
}

QByteArray readDrawFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(cannotReadFileText(fileName, file.errorString()));
    if (file.size() > kMaxFileBytes)
        throw UserError(
            QStringLiteral("无法读取文件 %1：文件过大（超过%2 MB）").arg(fileName).arg(kMaxFileBytes >> 20));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw UserError(cannotReadFileText(fileName, file.errorString()));
    return bytes;
}
