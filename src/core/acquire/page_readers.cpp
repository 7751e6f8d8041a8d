#include "core/acquire/page_readers.h"

#include "core/acquire/period_numbers.h"
#include "core/base/period_date.h"

#include <QStringDecoder>
#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace {

using Bytes = std::string_view;
using period_numbers::newestStored;
using period_numbers::wholeNumber;

Bytes trimmed(Bytes line)
{
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!line.empty() && blank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && blank(line.back()))
        line.remove_suffix(1);
    return line;
}

// The page as a sequence of trimmed lines. Reading past the end gives empty lines, as a text
// file does.
class PageLines {
public:
    explicit PageLines(const QByteArray& page) : m_page(page.constData(), std::size_t(page.size())) {}

    bool atEnd() const { return m_pos >= m_page.size(); }

    Bytes next()
    {
        if (atEnd())
            return {};
        const std::size_t end = m_page.find('\n', m_pos);
        const Bytes line = m_page.substr(m_pos, end == Bytes::npos ? Bytes::npos : end - m_pos);
        m_pos = end == Bytes::npos ? m_page.size() : end + 1;
        return trimmed(line);
    }

private:
    Bytes m_page;
    std::size_t m_pos = 0;
};

// The k bytes starting m from the end of the line; on a line shorter than m, from its start.
Bytes fromEnd(Bytes line, std::size_t m, std::size_t k)
{
    const std::size_t start = line.size() >= m ? line.size() - m : 0;
    return line.substr(start, k);
}

QString latin1(Bytes text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

// Page bytes are GBK; they are decoded only to be shown in a message.
QString shown(Bytes text)
{
    QStringDecoder gbk("GBK");
    return gbk.isValid() ? QString(gbk.decode(QByteArrayView(text.data(), qsizetype(text.size())))) : latin1(text);
}

QString notANumber(Bytes periodId)
{
    return QStringLiteral("页面上的期号“%1”不是数字").arg(shown(periodId));
}

// The trend and chart pages list 3D and 排列3, drawn once a day.
constexpr int kOnceADay = 0;

// A new draw whose period cannot have been drawn yet ends the reading, like any malformed draw.
bool refusedAsFuture(Bytes periodId, const QDate& today, int periodsPerDay, PageReading& reading)
{
    reading.failure = periodDateProblem(latin1(periodId), today, periodsPerDay);
    return reading.failure.has_value();
}

QString incompleteDigits(Bytes periodId)
{
    return period_numbers::incompleteDigits(latin1(periodId));
}

// After a "*" of the gathered text stands a period id or this mark: a ball byte never follows a
// "*" directly, since every "*" is written here.
constexpr char kNoPeriod = '#';

// A line of digits alone, as long as a day's date at least: a row's period cell, whatever its length.
bool standsForAPeriod(Bytes line)
{
    return line.size() >= 8 && std::all_of(line.begin(), line.end(), isAsciiDigit);
}

// The digits of a piece, or nothing when it lacks some.
std::optional<Bytes> pieceDigits(Bytes piece, std::size_t idLength, std::size_t digitCount)
{
    const Bytes digits = piece.size() > idLength ? piece.substr(idLength, digitCount) : Bytes();
    if (digits.size() != digitCount || !std::all_of(digits.begin(), digits.end(), isAsciiDigit))
        return std::nullopt;
    return digits;
}

// One period listed with two different draws: no listing of it can be trusted, nor the rest.
const QString kOnThePage = QStringLiteral("页面上");

QString twoDraws(const QString& periodId, const QString& first, const QString& second)
{
    return period_numbers::twoDraws(periodId, first, second, kOnThePage);
}

QString twoDraws(Bytes periodId, Bytes first, Bytes second)
{
    return twoDraws(latin1(periodId), latin1(first), latin1(second));
}

// A new row's own faults, once per reading: a period that cannot have been drawn yet, or digits
// cut short, end the reading.
void judgeRow(Bytes periodId, bool complete, const QDate& today, PageReading& reading)
{
    if (reading.failure || refusedAsFuture(periodId, today, kOnceADay, reading))
        return;
    if (!complete)
        reading.failure = incompleteDigits(periodId);
}

// The gathered text cut at each "*": one piece a period, its id then its ball digits. What
// comes before the first period id belongs to no draw, nor what follows a period of another
// length.
std::vector<Bytes> periodPieces(const QByteArray& gathered)
{
    std::vector<Bytes> pieces;
    const Bytes all(gathered.constData(), std::size_t(gathered.size()));
    for (std::size_t star = all.find('*'); star != Bytes::npos;) {
        const std::size_t next = all.find('*', star + 1);
        const Bytes piece = all.substr(star + 1, next == Bytes::npos ? Bytes::npos : next - star - 1);
        if (!piece.empty() && piece.front() != kNoPeriod)
            pieces.push_back(piece);
        star = next;
    }
    return pieces;
}

// The first period after `newest` that the pieces list twice with different digits, as the
// reading's failure; none when there is none.
std::optional<QString> doubleListing(const std::vector<Bytes>& pieces, std::size_t idLength, std::size_t digits,
                                     qint64 newest)
{
    std::unordered_map<Bytes, Bytes> listed;
    for (const Bytes piece : pieces) {
        const Bytes periodId = piece.substr(0, idLength);
        const auto period = periodId.size() == idLength ? wholeNumber(periodId) : std::nullopt;
        const auto drawDigits = pieceDigits(piece, idLength, digits);
        if (!period || *period <= newest || !drawDigits)
            continue;
        const auto [earlier, first] = listed.emplace(periodId, *drawDigits);
        if (!first && earlier->second != *drawDigits)
            return twoDraws(periodId, earlier->second, *drawDigits);
    }
    return std::nullopt;
}

}  // namespace

PageReading readTrendPage(const QByteArray& page, const QString& newestPeriod, const QDate& today)
{
    PageReading reading;
    const auto newest = newestStored(newestPeriod, today, kOnceADay, reading);
    if (!newest)
        return reading;
    period_numbers::ListedDraws listed(kOnThePage);
    PageLines lines(page);
    while (!lines.atEnd()) {
        const Bytes line = lines.next();
        if (line.size() != 90 || line.find("onclick") == Bytes::npos)
            continue;
        const Bytes periodId = fromEnd(line, 22, 7);
        const auto period = wholeNumber(periodId);
        if (!period) {
            if (!reading.failure)
                reading.failure = notANumber(periodId);
            continue;
        }
        ++reading.found;
        // An older period leaves the next line to the scan.
        if (*period <= *newest)
            continue;
        const Bytes digits = fromEnd(lines.next(), 16, 5);
        PageDraw draw{latin1(periodId), {}};
        for (std::size_t i : {0, 2, 4}) {
            if (i >= digits.size() || !isAsciiDigit(digits[i]))
                break;
            draw.digits << QString(QLatin1Char(digits[i]));
        }
        const bool complete = draw.digits.size() == 3;
        judgeRow(periodId, complete, today, reading);
        if (complete && !listed.take(std::move(draw), reading))
            return reading;
    }
    return reading;
}

PageReading readChartPage(const QByteArray& page, const QString& newestPeriod, const QDate& today)
{
    PageReading reading;
    const auto newest = newestStored(newestPeriod, today, kOnceADay, reading);
    if (!newest)
        return reading;
    PageLines lines(page);
    bool tableFound = false;
    while (!tableFound && !lines.atEnd()) {
        const Bytes line = lines.next();
        tableFound = line.size() >= 17 && line.substr(11, 6) == "cpdata";
    }
    if (!tableFound)
        return reading;

    period_numbers::ListedDraws listed(kOnThePage);
    while (!lines.atEnd()) {
        const Bytes line = lines.next();
        if (line.find("height") == Bytes::npos)
            continue;
        const Bytes shortId = fromEnd(line, 10, 5);
        if (shortId.size() != 5 || !wholeNumber(shortId))
            continue;
        const std::string periodId = "20" + std::string(shortId);
        ++reading.found;
        // An older period leaves its digit lines to the scan.
        if (*wholeNumber(periodId) <= *newest)
            continue;
        PageDraw draw{latin1(periodId), {}};
        for (int k = 0; k < 3; ++k) {
            const Bytes digit = fromEnd(lines.next(), 6, 1);
            if (digit.empty() || !isAsciiDigit(digit.front()))
                break;
            draw.digits << QString(QLatin1Char(digit.front()));
        }
        const bool complete = draw.digits.size() == 3;
        judgeRow(periodId, complete, today, reading);
        if (complete && !listed.take(std::move(draw), reading))
            return reading;
    }
    return reading;
}

void gatherDrawListPage(const QByteArray& page, int periodIdLength, QByteArray& gathered)
{
    PageLines lines(page);
    while (!lines.atEnd()) {
        const Bytes line = lines.next();
        if (line.size() == std::size_t(periodIdLength) && wholeNumber(line)) {
            gathered += '*';
            gathered.append(line.data(), qsizetype(line.size()));
        } else if (standsForAPeriod(line)) {
            // A period of another length still owns the balls after it: they must not complete
            // the draw before it. Its piece is no draw and is dropped.
            gathered += '*';
            gathered += kNoPeriod;
        }
        if (line.find(kBallMarker) == Bytes::npos)
            continue;
        // Every "ball" counts, the one inside the marker too; its digit stands 8 bytes on. A ball
        // showing "*" (a draw not made yet) must not pass for the start of a period id: it goes in
        // as a character that is no digit, and its draw is then incomplete like any other.
        for (std::size_t j = line.find("ball"); j != Bytes::npos; j = line.find("ball", j + 1)) {
            if (j + 8 < line.size())
                gathered += line[j + 8] == '*' ? '?' : line[j + 8];
        }
    }
}

PageReading drawsFromGathered(const QByteArray& gathered, int periodIdLength, int digitCount, int periodsPerDay,
                              const QString& newestPeriod, const QDate& today)
{
    PageReading reading;
    const auto newest = newestStored(newestPeriod, today, periodsPerDay, reading);
    if (!newest)
        return reading;
    const std::size_t idLength = std::size_t(periodIdLength);
    const std::size_t digits = std::size_t(digitCount);

    const std::vector<Bytes> pieces = periodPieces(gathered);
    // Before anything is taken: a new period listed twice with different digits fails the whole
    // reading, since either listing may be the wrong one.
    reading.failure = doubleListing(pieces, idLength, digits, *newest);
    if (reading.failure)
        return reading;

    std::unordered_set<Bytes> seen;
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        // Every piece starts with a period-id line; one cut short is incomplete, never a reason to
        // read past its end.
        if (it->size() < idLength) {
            reading.failure = incompleteDigits(*it);
            return reading;
        }
        const Bytes periodId = it->substr(0, idLength);
        const auto period = wholeNumber(periodId);
        if (!period) {
            reading.failure = notANumber(periodId);
            return reading;
        }
        ++reading.found;
        // The same draw can stand on two day pages; it is stored once.
        if (*period <= *newest || !seen.insert(periodId).second)
            continue;
        if (refusedAsFuture(periodId, today, periodsPerDay, reading))
            return reading;
        const auto drawDigits = pieceDigits(*it, idLength, digits);
        if (!drawDigits) {
            reading.failure = incompleteDigits(periodId);
            return reading;
        }
        PageDraw draw{latin1(periodId), {}};
        for (char digit : *drawDigits)
            draw.digits << QString(QLatin1Char(digit));
        reading.draws.push_back(std::move(draw));
    }
    return reading;
}
