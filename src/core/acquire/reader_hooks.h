#pragma once

#include "core/acquire/page_fetch.h"
#include "core/acquire/source_hosts.h"

#include <QDate>
#include <QString>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <set>

// What a reader is given besides its lottery. Readers run on the worker thread of a run; the
// hooks are called there.
struct ReaderHooks {
    std::function<void()> pageRead;  // after each page has been fetched and read
    // Asked after every page and while a download waits: once it says yes, the reader stops
    // at once and stores nothing of its lottery.
    std::function<bool()> cancelled;
    // The run's fetcher, whose kept-alive connections serve every lottery of the run; without
    // one a reader fetches with one of its own, under `fetchSettings`.
    PageFetcher* fetcher = nullptr;
    FetchSettings fetchSettings;
    // The sites' hosts and the lotteries' own addresses the run reads from.
    Sources sources;
    // Requests a run asked for before its readers began (prefetchSources, source_reader.h), by
    // address: a reader takes the one it wants in place of asking again. Held by the run.
    std::map<QString, int>* prefetched = nullptr;
    // The day the run counts as today: the day pages read end with it, and a period dated more
    // than a day after it cannot have been drawn yet. A window's run takes it from the session;
    // set per hooks, so a test fixes it for its own readers only.
    QDate today = QDate::currentDate();
};

// Throws Cancelled once the hooks say the user has cancelled: the page being read is dropped.
void stopIfCancelled(const ReaderHooks& hooks);

// The run's fetcher or one of the reader's own. What the reader asked for and did not take is
// abandoned when it is done: a failure or a cancel wants none of it. What the run asked for other
// readers stays.
class ReaderFetcher {
public:
    explicit ReaderFetcher(const ReaderHooks& hooks);
    ~ReaderFetcher();
    ReaderFetcher(const ReaderFetcher&) = delete;
    ReaderFetcher& operator=(const ReaderFetcher&) = delete;

    int request(const QString& url, qint64 maxBytes = 0);
    int request(const QString& url, const RequestOptions& options);
    // Raised by take() for an answer over the request's cap, for the caller to word.
    class TooLarge : public std::exception {};

    // The page of `ticket`; a page that cannot be had raises UserError "<pageName>无法下载（…）",
    // one over the request's own cap TooLarge, a cancel Cancelled.
    QByteArray take(int ticket, const QString& pageName);
    QByteArray fetch(const QString& url, const QString& pageName) { return take(request(url), pageName); }
    // The answer of `ticket` with the address it came from; a cancel raises Cancelled, any
    // other failure the fetcher's own FetchError, for a reader that words each refusal itself.
    PageAnswer takeAnswer(int ticket);
    // The request the run asked for at `url` ahead of time (hooks.prefetched), made this reader's;
    // -1 when there is none.
    int adopt(const ReaderHooks& hooks, const QString& url);

private:
    std::optional<PageFetcher> m_own;
    std::set<int> m_capped;  // tickets asked for with a cap of their own
    std::set<int> m_asked;   // tickets asked for and not yet taken
    PageFetcher* m_fetcher;
};
