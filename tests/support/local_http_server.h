#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace fixtures {

// A small HTTP server on 127.0.0.1 for the download tests: it serves fixture pages by path and
// query, and fails on demand. Every connection is answered on a thread of its own and kept alive
// for the next request, as real sites do, so that parallel and reused connections can be
// counted. A path it was not given answers 404.
class LocalHttpServer {
public:
    enum class Tls {
        None,      // plain HTTP
        Trusted,   // HTTPS with the certificate of the tests' own authority (tlsAuthorityFile())
        Stranger,  // HTTPS with a self-signed certificate no authority vouches for
        // HTTPS as the built-in sources' own hosts (www.cwl.gov.cn, webapi.sporttery.cn,
        // jc.zhcw.com, data.17500.cn), under the authority of operatorAuthorityFile(): reached
        // through the fetcher's connect-to mapping.
        Operators,
    };

    explicit LocalHttpServer(Tls tls = Tls::None);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    // "127.0.0.1:<port>", ready to be a site's host; "https://127.0.0.1:<port>" for a TLS server.
    QString hostAndPort() const;

    void serve(const QString& pathAndQuery, const QByteArray& body);
    // Serves `body` as it stands, saying it is compressed by `encoding` ("gzip"), asked or not.
    void serveEncoded(const QString& pathAndQuery, const QByteArray& body, const QByteArray& encoding);
    void failWithStatus(const QString& pathAndQuery, int status);
    // Accepts the request, then closes the connection without a word.
    void closeWithoutAnswer(const QString& pathAndQuery);
    // Keeps the connection open and says nothing until the client gives up.
    void stall(const QString& pathAndQuery);
    // Answers with a redirect to `location`.
    void redirect(const QString& pathAndQuery, const QByteArray& location);
    // Answers the next request for the path, once, with `status`, the extra header lines
    // ("Retry-After: 1") and `body`; later requests get the path's usual answer. Several wait in turn.
    void answerOnce(const QString& pathAndQuery, int status, const QByteArray& headers, const QByteArray& body);
    // Every answer waits this long first, as a far-away site would.
    void setDelay(std::chrono::milliseconds delay);

    // Every path and query asked for so far, in order of arrival, and each request's header lines.
    QStringList requests() const;
    QList<QByteArray> requestHeads() const;
    // Connections accepted so far, and the most requests that were being answered at once.
    int connections() const;
    int mostAtOnce() const;

    // The tests' certificate authority, which signed the Trusted server's certificate.
    static QString tlsAuthorityFile();
    static QString operatorAuthorityFile();
    // The connect-to mapping ("host:port:127.0.0.1:port") that sends the given hosts' port (443
    // for an Operators server, 80 for a plain one) to this server.
    QStringList connectTo(const QStringList& hosts) const;

private:
    enum class Behaviour { Serve, Status, Close, Stall, Redirect };
    struct Route {
        Behaviour behaviour = Behaviour::Serve;
        int status = 200;
        QByteArray body;
        QByteArray headers;  // extra header lines, each ending in CR LF
    };
    struct Connection;

    void setRoute(const QString& pathAndQuery, Route route);
    void run();
    void talk(int client);
    // false when the connection is to be closed.
    bool answer(Connection& connection, const QByteArray& request);

    Tls m_tls;
    void* m_tlsContext = nullptr;  // SSL_CTX
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::atomic<int> m_busy{0};
    std::atomic<int> m_mostAtOnce{0};
    std::atomic<long long> m_delayMs{0};
    mutable std::mutex m_mutex;
    std::map<QByteArray, Route> m_routes;
    std::map<QByteArray, std::vector<Route>> m_onceRoutes;
    QStringList m_requests;
    QList<QByteArray> m_requestHeads;
    std::thread m_thread;
    std::vector<std::thread> m_talks;  // touched by the accepting thread only, until it is joined
};

}  // namespace fixtures
