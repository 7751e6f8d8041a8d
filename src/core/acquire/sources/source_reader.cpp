#include "core/acquire/sources/source_reader.h"

#include "core/acquire/json_draws.h"
#include "core/acquire/sources/json_path.h"
#include "core/acquire/url_source.h"
#include "core/base/lottery_table.h"
#include "core/base/period_date.h"
#include "core/base/text_decoding.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"
#include "core/store/history_loader.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>
#include <utility>

namespace {

// A Retry-After longer than this is not waited for: the lottery fails and says when to try again.
constexpr int kLongestRetryWaitSeconds = 60;
constexpr int kWaitSliceMs = 50;

[[noreturn]] void refuse(const SourceDescription& source, const QString& what)
{
    throw UserError(source.name + what);
}

// A cancellable pause: the user's cancel ends it within a slice.
void waitFor(int milliseconds, const ReaderHooks& hooks)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until) {
        stopIfCancelled(hooks);
        std::this_thread::sleep_for(std::chrono::milliseconds(kWaitSliceMs));
    }
    stopIfCancelled(hooks);
}

// An answer that is a web page, not data: what a list sends a client it refuses, with status 200.
bool looksLikeHtml(QByteArrayView body)
{
    const QByteArrayView text = withoutByteOrderMark(body).trimmed();
    return text.startsWith('<');
}

// A redirect that ended on a sign-in page: the list wants a login the program does not have.
bool endedOnLoginPage(const QString& asked, const QString& answered)
{
    const QUrl from(asked);
    const QUrl to(answered);
    if (to.isEmpty() || (from.host() == to.host() && from.path() == to.path()))
        return false;
    const QString path = to.path().toLower() + u'?' + to.query().toLower();
    for (const char* word : {"login", "signin", "sign-in", "passport", "logon", "auth"}) {
        if (path.contains(QLatin1String(word)))
            return true;
    }
    return false;
}

RequestOptions requestOptions(const SourceDescription& source)
{
    RequestOptions options;
    for (const auto& [name, value] : source.headers)
        options.headers << name + ": " + value;
    options.cookies = !source.cookiePage.isEmpty();
    options.perHost = source.perHost;
    return options;
}

// The requests of one source within one reading: its headers, its cookies, its pause between
// pages, and the refusals worded with its name.
class SourceRequests {
public:
    SourceRequests(const SourceDescription& source, ReaderFetcher& fetcher, const ReaderHooks& hooks)
        : m_source(source), m_fetcher(fetcher), m_hooks(hooks), m_options(requestOptions(source))
    {
    }

    int requests() const { return m_requests; }

    QByteArray get(const QString& url)
    {
        if (m_requests > 0 && m_source.pauseMs > 0)
            waitFor(m_source.pauseMs, m_hooks);
        bool cookiesTried = m_source.cookiePage.isEmpty();
        bool waited = false;
        // The run may have asked for it already, with the other lotteries' first pages.
        int ticket = m_fetcher.adopt(m_hooks, url);
        for (;;) {
            ++m_requests;
            PageAnswer answer;
            if (ticket < 0)
                ticket = m_fetcher.request(url, m_options);
            try {
                answer = m_fetcher.takeAnswer(std::exchange(ticket, -1));
            } catch (const FetchError& e) {
                if (e.status == 429 || (e.status == 503 && e.retryAfterSeconds >= 0)) {
                    if (!waited && e.retryAfterSeconds >= 0 && e.retryAfterSeconds <= kLongestRetryWaitSeconds) {
                        waited = true;
                        waitFor(e.retryAfterSeconds * 1000, m_hooks);
                        continue;
                    }
                    refuse(m_source,
                           QStringLiteral("要求稍后再试（HTTP %1%2），未再请求")
                               .arg(e.status)
                               .arg(e.retryAfterSeconds >= 0 ? QStringLiteral("，%1秒后").arg(e.retryAfterSeconds)
                                                             : QString()));
                }
                if (e.status == 401 || e.status == 403) {
                    if (!cookiesTried) {
                        cookiesTried = true;
                        loadCookies();
                        continue;
                    }
                    refuse(m_source, QStringLiteral("拒绝了访问（HTTP %1）").arg(e.status));
                }
                refuse(m_source, QStringLiteral("无法下载（%1）").arg(e.message()));
            }
            if (endedOnLoginPage(url, answer.finalUrl))
                refuse(
                    m_source,
                    QStringLiteral("把请求转到了登录页面（%1），没有给出开奖数据").arg(QUrl(answer.finalUrl).path()));
            if (looksLikeHtml(answer.body)) {
                if (!cookiesTried) {
                    cookiesTried = true;
                    loadCookies();
                    continue;
                }
                refuse(m_source, QStringLiteral("答复的是网页而不是开奖数据（可能拒绝了本程序的访问）"));
            }
            return answer.body;
        }
    }

private:
    // The source's own page, asked for once for the cookies it sets; its text is not read.
    void loadCookies()
    {
        ++m_requests;
        try {
            m_fetcher.takeAnswer(m_fetcher.request(m_source.cookiePage, m_options));
        } catch (const FetchError& e) {
            refuse(m_source, QStringLiteral("的首页无法打开（%1）").arg(e.message()));
        }
    }

    const SourceDescription& m_source;
    ReaderFetcher& m_fetcher;
    const ReaderHooks& m_hooks;
    RequestOptions m_options;
    int m_requests = 0;
};

struct SourcePage {
    ParsedDrawFile draws;
    int rows = 0;
    int pages = -1;
    int total = -1;
};

int wholeNumberAt(const QJsonValue& root, const QString& path)
{
    if (path.isEmpty())
        return -1;
    const QJsonValue value = jsonAt(root, path);
    bool ok = false;
    const int number = value.isDouble() ? value.toInt(-1) : value.toString().toInt(&ok);
    return value.isDouble() ? number : ok ? number : -1;
}

// The JSON text of an answer: GBK made UTF-8 where the source is written so, a JSONP wrapper off.
QByteArray jsonText(const SourceDescription& source, const QByteArray& body)
{
    QByteArray text = body;
    TextEncoding encoding;
    if (source.encoding == u"gbk")
        encoding.utf8 = false;
    else if (source.encoding == u"detect")
        encoding = detectTextEncoding(body);
    if (!encoding.utf8) {
        QStringDecoder decoder = textDecoder(encoding);
        text = QString(decoder.decode(body)).toUtf8();
    }
    return source.format == SourceFormat::Jsonp ? withoutJsonp(text).toByteArray() : text;
}

// Says which field no row of the list holds: the list has changed its form.
void requireField(const SourceDescription& source, const QJsonArray& list, const QStringList& paths,
                  const QString& meaning)
{
    for (const QJsonValue& row : list) {
        for (const QString& path : paths) {
            if (!jsonAt(row, path).isUndefined())
                return;
        }
    }
    refuse(source, QStringLiteral("答复的列表中每一行都没有“%1”（%2）：列表的格式可能已改变")
                       .arg(paths.join(QStringLiteral("”或“")), meaning));
}

// A page with rows of which not one reads as a draw: the list has changed its form, and paging
// on through it would only ask the same of every page.
void refuseIfNoneRead(const SourceDescription& source, const ParsedDrawFile& draws)
{
    if (draws.draws.empty() && !draws.malformed.empty())
        refuse(source, QStringLiteral("答复的每一行都读不出开奖（第%1行：%2）：格式可能已改变")
                           .arg(draws.malformed.front().line)
                           .arg(draws.malformed.front().reason));
}

SourcePage readPage(const SourceDescription& source, const LotteryInfo& lottery, const QByteArray& body,
                    const QDate& today)
{
    SourcePage page;
    if (source.format == SourceFormat::Lines || source.format == SourceFormat::Csv) {
        try {
            page.draws = source.format == SourceFormat::Csv
                             ? parseDrawCsv(body, lottery, today, {source.period, source.digits, source.digitColumns})
                             : parseDrawColumns(body, lottery, today, source.columns);
        } catch (const UserError& e) {
            refuse(source, QStringLiteral("答复的") + e.message());
        }
        page.rows = int(page.draws.draws.size()) + page.draws.malformedCount;
        refuseIfNoneRead(source, page.draws);
        return page;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(jsonText(source, body), &error);
    if (error.error != QJsonParseError::NoError)
        refuse(source, QStringLiteral("答复的不是有效的JSON（第%1个字节处有误）").arg(error.offset + 1));
    const QJsonValue root = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    const QJsonValue list = jsonAt(root, source.list);
    if (!list.isArray())
        refuse(source, QStringLiteral("答复中没有开奖列表（%1）")
                           .arg(source.list.isEmpty() ? QStringLiteral("顶层") : source.list));
    const QJsonArray rows = list.toArray();
    if (!rows.isEmpty()) {
        requireField(source, rows, source.period, QStringLiteral("期号"));
        requireField(source, rows, source.digits, QStringLiteral("开奖号码"));
    }
    JsonRowFields fields;
    fields.period = source.period;
    fields.digits = source.digits;
    page.draws = parseJsonRows(rows, fields, lottery, today);
    refuseIfNoneRead(source, page.draws);
    page.rows = int(rows.size());
    page.pages = wholeNumberAt(root, source.pages);
    page.total = wholeNumberAt(root, source.total);
    return page;
}

QString newestOf(const ParsedDrawFile& file)
{
    QString newest;
    for (const ImportedDraw& draw : file.draws)
        newest = std::max(newest, draw.periodId);
    return newest;
}

QString oldestOf(const ParsedDrawFile& file)
{
    QString oldest;
    for (const ImportedDraw& draw : file.draws) {
        if (oldest.isEmpty() || draw.periodId < oldest)
            oldest = draw.periodId;
    }
    return oldest;
}

// Gathers the draws of several pages, each period once. Where the operator's list and a
// whole-history file give one period other digits, the list's draw stands, as its publisher's
// own, whichever came first, and the difference is kept to be told. Pages of one list that give
// a period twice (a draw published between two pages shifts them) keep its first listing.
class Gathered {
public:
    struct Difference {
        QString periodId;
        QString listed;  // the list's digits
        QString filed;   // the whole-history file's
    };

    void add(ParsedDrawFile&& page, bool fromFile = false)
    {
        // A page never lists a period twice (the parser keeps one listing of each), so a period can
        // only have been seen on an earlier page, within the span of periods those gave: most of a
        // whole-history file lies outside it and is taken without a lookup.
        const std::size_t earlier = m_file.draws.size();
        // Grown at least twofold, so that hundreds of short pages are not each moved again.
        if (const std::size_t needed = earlier + page.draws.size(); needed > m_file.draws.capacity())
            m_file.draws.reserve(std::max(needed, 2 * m_file.draws.capacity()));
        for (ImportedDraw& draw : page.draws) {
            if (earlier == 0 || draw.periodId < m_oldest || draw.periodId > m_newest) {
                m_file.draws.push_back(std::move(draw));
                continue;
            }
            indexUpTo(earlier);
            const auto seen = m_seen.find(draw.periodId);
            if (seen == m_seen.end()) {
                m_file.draws.push_back(std::move(draw));
                continue;
            }
            ImportedDraw& kept = m_file.draws[seen->at];
            if (seen->fromFile == fromFile || kept.digits == draw.digits)
                continue;
            m_differences.push_back(
                {draw.periodId, fromFile ? kept.digits : draw.digits, fromFile ? draw.digits : kept.digits});
            if (!fromFile) {
                kept = std::move(draw);
                seen->fromFile = false;
                m_fromFile[seen->at] = false;
            }
        }
        for (std::size_t i = earlier; i < m_file.draws.size(); ++i) {
            const QString& periodId = m_file.draws[i].periodId;
            if (m_oldest.isEmpty() || periodId < m_oldest)
                m_oldest = periodId;
            if (periodId > m_newest)
                m_newest = periodId;
            m_fromFile.push_back(fromFile);
        }
        m_file.malformedCount += page.malformedCount;
        for (MalformedLine& line : page.malformed) {
            if (m_file.malformed.size() < std::size_t(kKeptMalformedLines))
                m_file.malformed.push_back(std::move(line));
        }
    }
    qsizetype size() const { return qsizetype(m_file.draws.size()); }
    const std::vector<Difference>& differences() const { return m_differences; }
    ParsedDrawFile take() { return std::move(m_file); }

private:
    struct Seen {
        std::size_t at;
        bool fromFile;
    };

    void indexUpTo(std::size_t end)
    {
        for (; m_indexed < end; ++m_indexed)
            m_seen.insert(m_file.draws[m_indexed].periodId, {m_indexed, m_fromFile[m_indexed]});
    }

    ParsedDrawFile m_file;
    std::vector<bool> m_fromFile;  // of each draw in m_file, whether the whole-history file gave it
    QString m_oldest;              // the span of the periods gathered
    QString m_newest;
    std::size_t m_indexed = 0;  // the draws before this one are in m_seen
    QHash<QString, Seen> m_seen;
    std::vector<Difference> m_differences;
};

// "中国福利彩票与17500全部历史有2期号码不同，存入中国福利彩票的号码（第2026001期：中国福利彩票为123，
// 17500全部历史为124；…）": the first few periods, then how many more.
QString differenceNote(const std::vector<Gathered::Difference>& differences, const QString& list, const QString& file)
{
    constexpr std::size_t kShown = 3;
    QStringList shown;
    for (std::size_t i = 0; i < differences.size() && i < kShown; ++i)
        shown << QStringLiteral("第%1期：%2为%3，%4为%5")
                     .arg(differences[i].periodId, list, differences[i].listed, file, differences[i].filed);
    if (differences.size() > kShown)
        shown << QStringLiteral("另有%1期").arg(differences.size() - kShown);
    return QStringLiteral("%1与%2有%3期号码不同，存入%1的号码（%4）")
        .arg(list, file)
        .arg(differences.size())
        .arg(shown.join(u'；'));
}

bool reaches(const QString& oldest, const QString& stopAt)
{
    return !stopAt.isEmpty() && !oldest.isEmpty() && oldest <= stopAt;
}

}  // namespace

void prefetchSources(PageFetcher& fetcher, const Sources& sources, const QStringList& lotteries,
                     const std::function<QString(const QString&)>& newestStored, std::map<QString, int>& prefetched)
{
    for (const QString& lottery : lotteries) {
        const SourceDescription* source = sources.describedSource(lottery);
        if (!source || source->wholeHistory)
            continue;
        const QString list = source->pageUrl(lottery, 1);
        prefetched.emplace(list, fetcher.request(list, requestOptions(*source)));
        const QString newest = newestStored(lottery);
        const SourceDescription* whole = wholeHistorySource(sources.descriptions, lottery, source->id);
        if (whole && (newest.isEmpty() || newest == u"0")) {
            const QString file = whole->pageUrl(lottery, 1);
            prefetched.emplace(file, fetcher.request(file, requestOptions(*whole)));
        }
    }
}

namespace {

// How one reading pages through a list.
struct Paging {
    QString stopAt;                            // pages until one reaches it; empty: to the end
    const PeriodRange* range = nullptr;        // asked for where the address takes one
    int maxPages = 0;                          // 0: as many as the kept draws can fill
    const SourceDescription* whole = nullptr;  // a whole-history source to fill from
    bool strict = true;                        // an empty list or one older than stopAt is refused
};

struct Paged {
    SourceReading reading;
    bool listEnded = false;  // the list itself ended (a short, last or empty page, its one document)
    bool capped = false;     // stopped at the most pages asked for while the list went on
};

Paged readPaged(const SourceDescription& source, const LotteryInfo& lottery, const ReaderHooks& hooks,
                const Paging& paging)
{
    QString stopAt = paging.stopAt;
    const PeriodRange* range = paging.range;
    ReaderFetcher fetcher(hooks);
    SourceRequests requests(source, fetcher, hooks);
    Paged paged;
    SourceReading& reading = paged.reading;
    Gathered gathered;
    const SourceDescription* whole = paging.whole;
    std::optional<SourceRequests> wholeRequests;
    const SourceDescription* fileRead = nullptr;
    QString fileFailure;
    const int firstPage = 1;
    const int maxPages = source.pageSize == 0  ? 1
                         : paging.maxPages > 0 ? paging.maxPages
                                               : int(kRetainedDraws / source.pageSize) + 2;
    try {
        for (int page = firstPage;; ++page) {
            const QString url =
                source.pageUrl(lottery.name, page, range ? range->from : QString(), range ? range->to : QString());
            SourcePage read = readPage(source, lottery, requests.get(url), hooks.today);
            stopIfCancelled(hooks);
            if (read.rows == 0) {
                if (page == firstPage && paging.strict)
                    refuse(source, QStringLiteral("答复的开奖列表是空的"));
                paged.listEnded = true;
                break;
            }
            if (page == firstPage) {
                reading.total = read.total;
                const QString newest = newestOf(read.draws);
                if (paging.strict && !range && !stopAt.isEmpty() && !newest.isEmpty() && newest < stopAt)
                    refuse(source, QStringLiteral("答复的最新一期（第%1期）早于已存的第%2期：列表可能已停止更新")
                                       .arg(newest, stopAt));
            }
            const QString oldest = oldestOf(read.draws);
            const bool shortPage = source.pages.isEmpty() && read.rows < source.pageSize;
            const bool lastPage = read.pages > 0 && page - firstPage + 1 >= read.pages;
            const qsizetype before = gathered.size();
            gathered.add(std::move(read.draws));
            // A source without pages has said all it holds in its one document.
            paged.listEnded = source.pageSize == 0;
            if (paged.listEnded || reaches(oldest, stopAt) || gathered.size() >= kRetainedDraws)
                break;
            if (whole) {
                // A first download or a gap wider than a page: the whole-history file holds in one
                // request what the list would give in dozens; the list then goes on only for the
                // periods the file lacks (it may lag a day or more). Asked even when the list ends
                // here, since a list that keeps only its newest draws says so by ending.
                wholeRequests.emplace(*whole, fetcher, hooks);
                try {
                    ParsedDrawFile file =
                        readPage(*whole, lottery, wholeRequests->get(whole->pageUrl(lottery.name, 1)), hooks.today)
                            .draws;
                    stopAt = std::max(stopAt, newestOf(file));
                    // Its draws are kept under its own name, so that it is never taken to confirm them.
                    for (ImportedDraw& draw : file.draws)
                        draw.source = whole->name;
                    gathered.add(std::move(file), true);
                    fileRead = whole;
                } catch (const UserError& e) {
                    // Without the file the list is paged on, as far as the table keeps draws; the
                    // result line says so.
                    fileFailure = e.message();
                }
                whole = nullptr;
                if (reaches(oldest, stopAt))
                    break;
            }
            // A server that ignores the page asked for answers the same page again: what brings no
            // new period ends the paging, though not the list (what it holds beyond is unknown), as
            // does the most pages the kept draws can fill.
            paged.listEnded = shortPage || lastPage;
            if (paged.listEnded || gathered.size() == before)
                break;
            if (page >= maxPages) {
                paged.capped = true;
                break;
            }
        }
    } catch (const UserError& e) {
        if (fileFailure.isEmpty())
            throw;
        throw UserError(QStringLiteral("%1；此前%2").arg(e.message(), fileFailure));
    }
    reading.requests = requests.requests() + (wholeRequests ? wholeRequests->requests() : 0);
    if (!fileFailure.isEmpty())
        reading.notes
            << QStringLiteral("%1，改从%2的列表分页读取%3期").arg(fileFailure, source.name).arg(gathered.size());
    if (fileRead && !gathered.differences().empty())
        reading.notes << differenceNote(gathered.differences(), source.name, fileRead->name);
    reading.document = gathered.take();
    return paged;
}

void requireServing(const SourceDescription& source, const LotteryInfo& lottery)
{
    if (!source.serving(lottery.name))
        throw UserError(QStringLiteral("%1不提供%2的开奖").arg(source.name, lottery.name));
}

}  // namespace

SourceReading readSource(const SourceDescription& source, const SourceDescriptions& all, const LotteryInfo& lottery,
                         const QString& storedNewest, const ReaderHooks& hooks, const PeriodRange* range,
                         bool firstPageOnly)
{
    requireServing(source, lottery);
    Paging paging;
    paging.stopAt = storedNewest == u"0" ? QString() : storedNewest;
    paging.range = range;
    paging.maxPages = firstPageOnly ? 1 : 0;
    paging.whole =
        range || firstPageOnly || source.wholeHistory ? nullptr : wholeHistorySource(all, lottery.name, source.id);
    return readPaged(source, lottery, hooks, paging).reading;
}

SourceReading readSourceOver(const SourceDescription& source, const LotteryInfo& lottery, const QString& from,
                             const QString& to, const ReaderHooks& hooks, int maxPages)
{
    requireServing(source, lottery);
    const PeriodRange range{from, to};
    Paging paging;
    paging.strict = false;
    paging.maxPages = maxPages;
    // A source that takes a range is asked for just that; any other list pages back to `from`.
    if (source.url.contains(QStringLiteral("{from}")))
        paging.range = &range;
    else
        paging.stopAt = from;
    Paged paged = readPaged(source, lottery, hooks, paging);
    SourceReading& reading = paged.reading;
    std::vector<ImportedDraw>& draws = reading.document.draws;
    const QString oldest = oldestOf(reading.document);
    const QString newest = newestOf(reading.document);
    std::erase_if(draws, [&](const ImportedDraw& draw) { return draw.periodId < from || draw.periodId > to; });
    std::sort(draws.begin(), draws.end(),
              [](const ImportedDraw& a, const ImportedDraw& b) { return a.periodId < b.periodId; });
    // A list asked for the range and read to its end has said all it holds of it; otherwise the
    // reading covers what it reached.
    const bool reachedFrom = (!oldest.isEmpty() && oldest <= from) || (paging.range && paged.listEnded);
    const QString coveredFrom = reachedFrom ? from : std::max(from, oldest);
    const QString coveredTo = std::min(to, newest);
    if (!newest.isEmpty() && coveredFrom <= coveredTo)
        reading.covered = {coveredFrom, coveredTo};
    reading.capped = paged.capped && !reachedFrom;
    return reading;
}

LotteryUpdate sourceReader(DrawDatabase& db, const LotteryInfo& lottery, const SourceDescription& source,
                           const SourceDescriptions& all, const ReaderHooks& hooks)
{
    const DrawDatabase::SourceScope named(db, source.name);
    return guardedUpdate(lottery.name, [&](LotteryUpdate& update) {
        const QString storedNewest = db.newestPeriodId(lottery.name);
        // An impossible stored period is named for mending rather than blamed on the list.
        if (const auto problem = newestStoredProblem(storedNewest, hooks.today, lottery.periodsPerDay))
            throw UserError(*problem);
        SourceReading reading = readSource(source, all, lottery, storedNewest, hooks);
        update.notes = reading.notes;
        if (hooks.pageRead)
            hooks.pageRead();
        stopIfCancelled(hooks);
        storeNewDraws(db, lottery, std::move(reading.document), update,
                      source.name + QStringLiteral("答复中没有开奖号码"));
    });
}
