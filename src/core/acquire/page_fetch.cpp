#include "core/acquire/page_fetch.h"

#include "core/base/program_paths.h"

#include <curl/curl.h>
#include <QHash>
#include <QUrl>
#include <algorithm>
#include <deque>
#include <map>
#include <mutex>

namespace {

const QString kPageTooLarge = QStringLiteral("页面过大");

// How long one wait for the network lasts before the cancel flag is asked again: a cancel takes
// effect well within half a second, also in the middle of a transfer.
constexpr int kWaitSliceMs = 100;
// Pages fetched ahead of the one the reader waits for, beyond the places per host: enough to
// keep every connection busy, few enough that a failure early on wastes little.
constexpr int kReadAhead = 4;

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Job {
    QString url;
    RequestOptions options;
    curl_slist* headers = nullptr;
    curl_slist* connectTo = nullptr;
    int retryAfter = -1;
    QString finalUrl;
    QString host;  // "host:port" as the messages name it
    CURL* easy = nullptr;
    QByteArray body;
    qint64 maxBytes = 0;
    bool tooLarge = false;
    bool done = false;
    CURLcode code = CURLE_OK;
    long status = 0;
    QString redirectedTo;  // where the last answer's Location pointed, as shown
};

size_t writeBody(char* data, size_t size, size_t count, void* user)
{
    auto* job = static_cast<Job*>(user);
    const qint64 bytes = qint64(size * count);
    if (job->body.size() + bytes > job->maxBytes) {
        job->tooLarge = true;
        return 0;  // ends the transfer
    }
    job->body.append(data, bytes);
    return size_t(bytes);
}

// Keeps the headers the fetcher acts on: Retry-After, in seconds (a date is taken as no figure,
// and the caller waits its own pause), and the last Location, so that a redirect that is refused
// is named by where it led.
size_t readHeader(char* data, size_t size, size_t count, void* user)
{
    auto* job = static_cast<Job*>(user);
    const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
    const qsizetype colon = line.indexOf(':');
    const QByteArray name = colon > 0 ? line.left(colon).trimmed() : QByteArray();
    if (name.compare("retry-after", Qt::CaseInsensitive) == 0) {
        bool ok = false;
        const int seconds = line.mid(colon + 1).trimmed().toInt(&ok);
        job->retryAfter = ok && seconds >= 0 ? seconds : job->retryAfter;
    } else if (name.compare("location", Qt::CaseInsensitive) == 0) {
        job->redirectedTo = QString::fromLatin1(line.mid(colon + 1).trimmed().left(200));
    }
    return size * count;
}

QString reasonFor(const Job& job)
{
    if (job.tooLarge)
        return kPageTooLarge;
    switch (job.code) {
        case CURLE_HTTP_RETURNED_ERROR:
            return QStringLiteral("服务器答复 HTTP %1").arg(job.status);
        case CURLE_FILESIZE_EXCEEDED:
            return kPageTooLarge;
        case CURLE_OPERATION_TIMEDOUT:
            return QStringLiteral("等待超时");
        case CURLE_COULDNT_RESOLVE_HOST:
            return QStringLiteral("找不到主机 %1").arg(job.host);
        case CURLE_COULDNT_CONNECT:
            return QStringLiteral("无法连接 %1").arg(job.host);
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_PARTIAL_FILE:
            return QStringLiteral("连接中断，页面未收全");
        case CURLE_PEER_FAILED_VERIFICATION:
            return QStringLiteral("%1 的证书未通过验证（不受信任、已过期或与主机名不符）").arg(job.host);
        case CURLE_SSL_CONNECT_ERROR:
            return QStringLiteral("无法与 %1 建立加密连接").arg(job.host);
        case CURLE_SSL_CACERT_BADFILE:
            return QStringLiteral("无法读取用来验证证书的证书库");
        case CURLE_UNSUPPORTED_PROTOCOL:
            if (!job.redirectedTo.isEmpty())
                return QStringLiteral("服务器把请求重定向到“%1”，而只能重定向到http://或https://网址")
                    .arg(job.redirectedTo);
            return QStringLiteral("网址只能以http://或https://开头");
        case CURLE_BAD_CONTENT_ENCODING:
            return QStringLiteral("服务器发来的压缩内容无法解开（压缩格式不受支持或数据已损坏）");
        case CURLE_TOO_MANY_REDIRECTS:
            return QStringLiteral("重定向次数过多");
        case CURLE_URL_MALFORMAT:
            return QStringLiteral("网址格式不正确");
        default:
            // libcurl's own text is English; the code is enough to look the cause up.
            return QStringLiteral("下载失败（错误代码%1）").arg(int(job.code));
    }
}

CURL* newTransfer(Job& job, const FetchSettings& settings, CURLSH* share)
{
    CURL* c = curl_easy_init();
    if (!c)
        return nullptr;
    job.easy = c;
    if (job.maxBytes <= 0 || job.maxBytes > settings.maxBytes)
        job.maxBytes = settings.maxBytes;
    const QByteArray address = job.url.toUtf8();
    curl_easy_setopt(c, CURLOPT_URL, address.constData());  // copied by libcurl
    curl_easy_setopt(c, CURLOPT_PRIVATE, &job);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // Every compression this libcurl can undo is asked for and undone, also when a server sends
    // one unasked.
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    // The local machine is never reached through a proxy, whatever the environment says.
    curl_easy_setopt(c, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");
    // An answer of 400 or more is an error (finish()), read to its end so that its Retry-After is
    // seen.
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!settings.caFile.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, settings.caFile.toLocal8Bit().constData());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(settings.connectTimeout.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(settings.totalTimeout.count()));
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(job.maxBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &job);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, readHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &job);
    for (const QByteArray& header : job.options.headers)
        job.headers = curl_slist_append(job.headers, header.constData());
    if (job.headers)
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, job.headers);
    if (job.options.cookies) {
        // "" starts the cookie engine without reading a file; the share keeps them for the fetcher.
        curl_easy_setopt(c, CURLOPT_COOKIEFILE, "");
        curl_easy_setopt(c, CURLOPT_SHARE, share);
    }
    for (const QString& mapping : settings.connectTo)
        job.connectTo = curl_slist_append(job.connectTo, mapping.toUtf8().constData());
    if (job.connectTo)
        curl_easy_setopt(c, CURLOPT_CONNECT_TO, job.connectTo);
    return c;
}

}  // namespace

struct CookieJar::State {
    CURLSH* share = nullptr;
    std::mutex locks[CURL_LOCK_DATA_LAST];

    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user)
    {
        static_cast<State*>(user)->locks[data].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* user) { static_cast<State*>(user)->locks[data].unlock(); }
};

CookieJar::CookieJar() : m_state(std::make_unique<State>())
{
    initCurlOnce();
    m_state->share = curl_share_init();
    if (!m_state->share)
        return;  // the fetcher given it says the download cannot start
    curl_share_setopt(m_state->share, CURLSHOPT_LOCKFUNC, &State::lock);
    curl_share_setopt(m_state->share, CURLSHOPT_UNLOCKFUNC, &State::unlock);
    curl_share_setopt(m_state->share, CURLSHOPT_USERDATA, m_state.get());
    curl_share_setopt(m_state->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
}

CookieJar::~CookieJar()
{
    curl_share_cleanup(m_state->share);
}

struct PageFetcher::State {
    FetchSettings settings;
    std::function<bool()> cancelled;
    CURLM* multi = nullptr;
    CURLSH* share = nullptr;  // the cookies of the requests that keep them: the settings' jar's
    std::map<int, Job> jobs;  // asked for and not yet taken, by ticket
    std::deque<int> waiting;  // tickets not yet started, in order
    QHash<QString, int> running;
    int nextTicket = 0;
    long connections = 0;

    // Transfers to one host at once: the settings' limit, or the request's own below it.
    int placesFor(const Job& job) const
    {
        const int places = std::max(1, settings.perHost);
        return job.options.perHost > 0 ? std::min(places, job.options.perHost) : places;
    }

    void startWaiting()
    {
        const int started = int(jobs.size() - waiting.size());
        int room = std::max(1, settings.perHost) + kReadAhead - started;
        for (auto it = waiting.begin(); it != waiting.end() && room > 0;) {
            Job& job = jobs.at(*it);
            if (running.value(job.host) >= placesFor(job)) {
                ++it;
                continue;
            }
            CURL* easy = newTransfer(job, settings, share);
            if (!easy || curl_multi_add_handle(multi, easy) != CURLM_OK) {
                if (easy)
                    curl_easy_cleanup(easy);
                job.easy = nullptr;
                job.done = true;
                job.code = CURLE_FAILED_INIT;
            } else {
                ++running[job.host];
            }
            it = waiting.erase(it);
            --room;
        }
    }

    void finish(Job& job, CURLcode code)
    {
        job.code = code;
        curl_easy_getinfo(job.easy, CURLINFO_RESPONSE_CODE, &job.status);
        if (job.status >= 400) {
            // The status says it all; what the error page held, or that it was too large, does not matter.
            job.code = CURLE_HTTP_RETURNED_ERROR;
            job.tooLarge = false;
            job.body.clear();
        }
        char* effective = nullptr;
        if (curl_easy_getinfo(job.easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
            job.finalUrl = QString::fromUtf8(effective);
        long opened = 0;
        curl_easy_getinfo(job.easy, CURLINFO_NUM_CONNECTS, &opened);
        connections += opened;
        release(job);
        job.done = true;
    }

    // Takes the transfer off the multi handle; its connection stays in the pool for the next.
    void release(Job& job)
    {
        if (!job.easy)
            return;
        curl_multi_remove_handle(multi, job.easy);
        curl_easy_cleanup(job.easy);
        job.easy = nullptr;
        curl_slist_free_all(job.headers);
        job.headers = nullptr;
        curl_slist_free_all(job.connectTo);
        job.connectTo = nullptr;
        if (--running[job.host] <= 0)
            running.remove(job.host);
    }

    void pump()
    {
        startWaiting();
        int stillRunning = 0;
        curl_multi_perform(multi, &stillRunning);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            Job* job = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &job);
            if (job)
                finish(*job, message->data.result);
        }
        startWaiting();
    }

    void dropAll()
    {
        for (auto& [ticket, job] : jobs)
            release(job);
        jobs.clear();
        waiting.clear();
        running.clear();
    }
};

QString scratchPageFile(const QString& dataDir)
{
    return program_paths::scratchPageFile(dataDir);
}

PageFetcher::PageFetcher(const FetchSettings& settings, std::function<bool()> cancelled)
    : m_state(std::make_unique<State>())
{
    initCurlOnce();
    m_state->settings = settings;
    m_state->cancelled = std::move(cancelled);
    if (!m_state->settings.cookies)
        m_state->settings.cookies = std::make_shared<CookieJar>();
    m_state->share = m_state->settings.cookies->m_state->share;
    m_state->multi = curl_multi_init();
    if (!m_state->multi || !m_state->share)
        throw FetchError(QStringLiteral("无法启动下载"));
}

PageFetcher::~PageFetcher()
{
    m_state->dropAll();
    curl_multi_cleanup(m_state->multi);
}

int PageFetcher::request(const QString& url, qint64 maxBytes)
{
    RequestOptions options;
    options.maxBytes = maxBytes;
    return request(url, options);
}

int PageFetcher::request(const QString& url, const RequestOptions& options)
{
    const int ticket = m_state->nextTicket++;
    Job& job = m_state->jobs[ticket];
    job.url = url;
    job.options = options;
    job.maxBytes = options.maxBytes;
    job.host = QUrl(url).authority();
    m_state->waiting.push_back(ticket);
    m_state->startWaiting();
    return ticket;
}

QByteArray PageFetcher::take(int ticket)
{
    return takeAnswer(ticket).body;
}

PageAnswer PageFetcher::takeAnswer(int ticket)
{
    State& s = *m_state;
    const auto it = s.jobs.find(ticket);
    if (it == s.jobs.end())
        throw FetchError(QStringLiteral("页面已取走或未曾请求"));
    // Asked for now: it goes before any page queued ahead of it.
    const auto queued = std::find(s.waiting.begin(), s.waiting.end(), ticket);
    if (queued != s.waiting.end()) {
        s.waiting.erase(queued);
        s.waiting.push_front(ticket);
    }
    for (;;) {
        if (s.cancelled && s.cancelled()) {
            abandonAll();
            throw Cancelled();
        }
        s.pump();
        if (it->second.done)
            break;
        curl_multi_poll(s.multi, nullptr, 0, kWaitSliceMs, nullptr);
    }
    Job job = std::move(it->second);
    s.jobs.erase(it);
    if (job.tooLarge || job.code == CURLE_FILESIZE_EXCEEDED)
        throw FetchTooLarge(reasonFor(job));
    if (job.code != CURLE_OK) {
        FetchError error(reasonFor(job));
        error.status = job.code == CURLE_HTTP_RETURNED_ERROR ? job.status : 0;
        error.retryAfterSeconds = job.retryAfter;
        throw error;
    }
    return {std::move(job.body), job.finalUrl.isEmpty() ? job.url : job.finalUrl};
}

void PageFetcher::abandon(int ticket)
{
    State& s = *m_state;
    const auto it = s.jobs.find(ticket);
    if (it == s.jobs.end())
        return;
    s.release(it->second);
    s.waiting.erase(std::remove(s.waiting.begin(), s.waiting.end(), ticket), s.waiting.end());
    s.jobs.erase(it);
    s.startWaiting();
}

void PageFetcher::abandonAll()
{
    m_state->dropAll();
}

long PageFetcher::connectionsOpened() const
{
    return m_state->connections;
}
