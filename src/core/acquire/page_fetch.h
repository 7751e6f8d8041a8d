#pragma once

#include "core/base/cancelled.h"
#include "core/base/user_error.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

// A page could not be downloaded; the message says why in a few words.
class FetchError : public UserError {
public:
    using UserError::UserError;
    // The HTTP status of an answer refused for it (0 when none came), and the seconds its
    // Retry-After asked to wait (-1 when it asked nothing).
    long status = 0;
    int retryAfterSeconds = -1;
};

// The answer was larger than the request allowed; nothing of it is kept.
class FetchTooLarge : public FetchError {
public:
    using FetchError::FetchError;
};

// The cookies the sources' own pages set, kept in memory for as long as a jar is held and shared
// by every fetcher given it: the program's session keeps one, so that a list that wanted its
// cookie page once is sent those cookies on every later run without asking for the page again.
// Never written to disk. Fetchers on several threads may use one jar at once.
class CookieJar {
public:
    CookieJar();
    ~CookieJar();
    CookieJar(const CookieJar&) = delete;
    CookieJar& operator=(const CookieJar&) = delete;

private:
    friend class PageFetcher;
    struct State;
    std::unique_ptr<State> m_state;
};

struct FetchSettings {
    // A host that does not answer must not hold the program: each download, answer included,
    // has to be over within the total time-out from the moment it is sent.
    std::chrono::milliseconds connectTimeout{10000};
    std::chrono::milliseconds totalTimeout{30000};
    // Larger answers are refused rather than kept in memory; the real pages are far smaller.
    qint64 maxBytes = 32 * 1024 * 1024;
    // Requests under way at once to one host; the connections are kept for the next ones.
    int perHost = 4;
    // The certificates HTTPS hosts are checked against: empty is the system's store. Tests name
    // the authority of their own local server here; checking is never switched off.
    QString caFile;
    // Tests only: libcurl's connect-to mapping ("host:port:127.0.0.1:port"), through which a test
    // reaches a source's real host name on its own server. Never read from a settings file.
    QStringList connectTo;
    // Where the requests that keep cookies keep them; without a jar a fetcher keeps its own for
    // as long as it lives.
    std::shared_ptr<CookieJar> cookies;
};

// What a request sends besides its address.
struct RequestOptions {
    QList<QByteArray> headers;  // "Referer: …", "User-Agent: …"
    // Keeps and sends cookies in memory (libcurl's cookie engine), in the jar of the fetcher's
    // settings, shared by the requests that ask for it; never written to disk.
    bool cookies = false;
    qint64 maxBytes = 0;  // below the settings' cap, when given
    // Requests under way at once to this request's host, below the settings' own, when given: a
    // source's own politeness.
    int perHost = 0;
};

// An answer as it came: its bytes and the address it came from after redirects.
struct PageAnswer {
    QByteArray body;
    QString finalUrl;
};

// "<data folder>号码.txt" (program_paths.h): where the day-page catch-up leaves the last page it read.
QString scratchPageFile(const QString& dataDir);

// Downloads for one run of a reader: the pages are asked for in the order the reader needs them
// and fetched several at a time over kept-alive connections (libcurl's multi interface), but each
// is handed out only when asked for, in that order. Used on one thread only, the worker thread
// of the run; nothing here turns a window's event loop.
//
// Every request keeps the limits of the fetcher's settings: connect and total time-outs, the size
// cap; and always redirects only to http and https, no proxy for the local machine, certificates
// verified.
class PageFetcher {
public:
    // `settings` hold for every request of this fetcher; tests pass shorter time-outs. `cancelled`
    // is asked several times a second while the fetcher waits: once it says yes, the transfers are
    // abandoned and the waiting call raises Cancelled.
    explicit PageFetcher(const FetchSettings& settings = {}, std::function<bool()> cancelled = {});
    ~PageFetcher();
    PageFetcher(const PageFetcher&) = delete;
    PageFetcher& operator=(const PageFetcher&) = delete;

    // Queues `url`; the transfer starts as soon as its host has a free place. Returns the ticket
    // that take() redeems. `maxBytes`, when given, caps this answer below the settings' cap.
    int request(const QString& url, qint64 maxBytes = 0);
    int request(const QString& url, const RequestOptions& options);

    // Waits for the ticket's page and hands over its bytes. Raises FetchError when it could not
    // be had (no connection, a time-out, an HTTP status of 400 or more), FetchTooLarge, or
    // Cancelled. A ticket is taken once.
    QByteArray take(int ticket);
    // The same with the address the answer came from.
    PageAnswer takeAnswer(int ticket);

    // One page, asked for and waited for.
    QByteArray fetch(const QString& url) { return take(request(url)); }

    // Drops every request not yet taken, under way or not: a reader that failed or is done
    // wants none of them.
    void abandonAll();
    // Drops one request not yet taken, under way or not.
    void abandon(int ticket);

    // Connections opened so far (a kept-alive connection counts once).
    long connectionsOpened() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
