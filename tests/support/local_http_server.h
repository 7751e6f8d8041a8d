#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

namespace fixtures {

// A small HTTP server on 127.0.0.1 for the download tests: it serves fixture pages by path and
// query, and fails on demand. It answers on a thread of its own, since the program's downloads
// block the thread that starts them. A path it was not given answers 404.
class LocalHttpServer {
public:
    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    // "127.0.0.1:<port>", ready to be a site's host.
    QString hostAndPort() const;

    void serve(const QString& pathAndQuery, const QByteArray& body);
    void failWithStatus(const QString& pathAndQuery, int status);
    // Accepts the request, then closes the connection without a word.
    void closeWithoutAnswer(const QString& pathAndQuery);
    // Keeps the connection open and says nothing until the client gives up.
    void stall(const QString& pathAndQuery);

    // Every path and query asked for so far, in order.
    QStringList requests() const;

private:
    enum class Behaviour { Serve, Status, Close, Stall };
    struct Route {
        Behaviour behaviour = Behaviour::Serve;
        int status = 200;
        QByteArray body;
    };

    void setRoute(const QString& pathAndQuery, Route route);
    void run();
    void answer(int client);

    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::map<QByteArray, Route> m_routes;
    QStringList m_requests;
    std::thread m_thread;
};

}  // namespace fixtures
