#include "support/local_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>
#include <stdexcept>

#ifndef QUORLIN_TLS_DIR
#error "QUORLIN_TLS_DIR names the folder of the test certificates"
#endif

namespace fixtures {
namespace {

constexpr int kPollMs = 20;

QByteArray reasonPhrase(int status)
{
    switch (status) {
        case 200:
            return "OK";
        case 302:
            return "Found";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

QString tlsFile(const char* name)
{
    return QStringLiteral(QUORLIN_TLS_DIR "/") + QLatin1String(name);
}

}  // namespace

// One client's connection, plain or through TLS.
struct LocalHttpServer::Connection {
    int socket = -1;
    SSL* tls = nullptr;

    ~Connection()
    {
        if (tls) {
            SSL_shutdown(tls);
            SSL_free(tls);
        }
        ::close(socket);
    }

    // Bytes waiting to be read, within one poll slice.
    bool readable() const
    {
        if (tls && SSL_pending(tls) > 0)
            return true;
        pollfd in{socket, POLLIN, 0};
        return ::poll(&in, 1, kPollMs) > 0;
    }

    // What came, or nothing once the client has hung up.
    QByteArray receive()
    {
        char buffer[4096];
        const int n = tls ? SSL_read(tls, buffer, sizeof buffer) : int(::recv(socket, buffer, sizeof buffer, 0));
        return n > 0 ? QByteArray(buffer, n) : QByteArray();
    }

    void send(const QByteArray& bytes)
    {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            const int chunk = int(bytes.size() - sent);
            const long n = tls ? SSL_write(tls, bytes.constData() + sent, chunk)
                               : ::send(socket, bytes.constData() + sent, std::size_t(chunk), MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += n;
        }
    }
};

LocalHttpServer::LocalHttpServer(Tls tls) : m_tls(tls)
{
    if (tls != Tls::None) {
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        const char* cert = tls == Tls::Trusted     ? "server.pem"
                           : tls == Tls::Operators ? "operators.pem"
                                                   : "stranger.pem";
        const char* key = tls == Tls::Trusted ? "server.key" : tls == Tls::Operators ? "operators.key" : "stranger.key";
        if (!context || SSL_CTX_use_certificate_file(context, tlsFile(cert).toLocal8Bit(), SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_use_PrivateKey_file(context, tlsFile(key).toLocal8Bit(), SSL_FILETYPE_PEM) != 1) {
            SSL_CTX_free(context);
            throw std::runtime_error("cannot load the test certificate");
        }
        m_tlsContext = context;
    }
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_listener < 0)
        throw std::runtime_error("cannot open a socket");
    const int yes = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 64) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(m_listener);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { run(); });
}

LocalHttpServer::~LocalHttpServer()
{
    m_stop = true;
    m_thread.join();
    for (std::thread& talk : m_talks)
        talk.join();
    ::close(m_listener);
    SSL_CTX_free(static_cast<SSL_CTX*>(m_tlsContext));
}

QString LocalHttpServer::hostAndPort() const
{
    const QString host = QStringLiteral("127.0.0.1:%1").arg(m_port);
    return m_tls == Tls::None ? host : QStringLiteral("https://") + host;
}

QString LocalHttpServer::tlsAuthorityFile()
{
    return tlsFile("ca.pem");
}

QString LocalHttpServer::operatorAuthorityFile()
{
    return tlsFile("operators-ca.pem");
}

QStringList LocalHttpServer::connectTo(const QStringList& hosts) const
{
    QStringList mappings;
    const QString port = m_tls == Tls::None ? QStringLiteral("80") : QStringLiteral("443");
    for (const QString& host : hosts)
        mappings << QStringLiteral("%1:%2:127.0.0.1:%3").arg(host, port).arg(m_port);
    return mappings;
}

void LocalHttpServer::answerOnce(const QString& pathAndQuery, int status, const QByteArray& headers,
                                 const QByteArray& body)
{
    std::lock_guard lock(m_mutex);
    Route route{Behaviour::Status, status, body, {}};
    for (const QByteArray& line : headers.split('\n')) {
        if (!line.trimmed().isEmpty())
            route.headers += line.trimmed() + "\r\n";
    }
    m_onceRoutes[pathAndQuery.toUtf8()].push_back(std::move(route));
}

QList<QByteArray> LocalHttpServer::requestHeads() const
{
    std::lock_guard lock(m_mutex);
    return m_requestHeads;
}

void LocalHttpServer::serve(const QString& pathAndQuery, const QByteArray& body)
{
    setRoute(pathAndQuery, {Behaviour::Serve, 200, body, {}});
}

void LocalHttpServer::serveEncoded(const QString& pathAndQuery, const QByteArray& body, const QByteArray& encoding)
{
    setRoute(pathAndQuery, {Behaviour::Serve, 200, body, "Content-Encoding: " + encoding + "\r\n"});
}

void LocalHttpServer::failWithStatus(const QString& pathAndQuery, int status)
{
    setRoute(pathAndQuery, {Behaviour::Status, status, "failed on purpose\n", {}});
}

void LocalHttpServer::closeWithoutAnswer(const QString& pathAndQuery)
{
    setRoute(pathAndQuery, {Behaviour::Close, 0, {}, {}});
}

void LocalHttpServer::stall(const QString& pathAndQuery)
{
    setRoute(pathAndQuery, {Behaviour::Stall, 0, {}, {}});
}

void LocalHttpServer::redirect(const QString& pathAndQuery, const QByteArray& location)
{
    setRoute(pathAndQuery, {Behaviour::Redirect, 302, location, {}});
}

void LocalHttpServer::setDelay(std::chrono::milliseconds delay)
{
    m_delayMs = delay.count();
}

QStringList LocalHttpServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

int LocalHttpServer::connections() const
{
    return m_connections;
}

int LocalHttpServer::mostAtOnce() const
{
    return m_mostAtOnce;
}

void LocalHttpServer::setRoute(const QString& pathAndQuery, Route route)
{
    std::lock_guard lock(m_mutex);
    m_routes[pathAndQuery.toUtf8()] = std::move(route);
}

void LocalHttpServer::run()
{
    while (!m_stop) {
        pollfd listener{m_listener, POLLIN, 0};
        if (::poll(&listener, 1, kPollMs) <= 0)
            continue;
        const int client = ::accept(m_listener, nullptr, nullptr);
        if (client < 0)
            continue;
        ++m_connections;
        m_talks.emplace_back([this, client] { talk(client); });
    }
}

void LocalHttpServer::talk(int client)
{
    Connection connection;
    connection.socket = client;
    if (m_tlsContext) {
        connection.tls = SSL_new(static_cast<SSL_CTX*>(m_tlsContext));
        SSL_set_fd(connection.tls, client);
        // A client that does not trust the certificate hangs up here.
        if (SSL_accept(connection.tls) != 1) {
            ERR_clear_error();
            return;
        }
    }
    QByteArray pending;
    while (!m_stop) {
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end >= 0) {
            const QByteArray request = pending.left(end);
            pending.remove(0, end + 4);
            if (!answer(connection, request))
                return;
            continue;
        }
        if (!connection.readable())
            continue;
        const QByteArray bytes = connection.receive();
        if (bytes.isEmpty())
            return;  // the client hung up
        pending += bytes;
    }
}

bool LocalHttpServer::answer(Connection& connection, const QByteArray& request)
{
    // "GET /path?query HTTP/1.1"
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QByteArray target = words.size() >= 2 ? words[1] : QByteArray();
    Route route{Behaviour::Status, 404, "no such page\n", {}};
    {
        std::lock_guard lock(m_mutex);
        m_requests << QString::fromUtf8(target);
        m_requestHeads << request;
        const auto once = m_onceRoutes.find(target);
        const auto it = m_routes.find(target);
        if (once != m_onceRoutes.end() && !once->second.empty()) {
            route = once->second.front();
            once->second.erase(once->second.begin());
        } else if (it != m_routes.end()) {
            route = it->second;
        }
    }
    const int busy = ++m_busy;
    for (int most = m_mostAtOnce; busy > most && !m_mostAtOnce.compare_exchange_weak(most, busy);) {
    }
    struct Done {
        std::atomic<int>& busy;
        ~Done() { --busy; }
    } done{m_busy};
    // Asleep in short steps so that a stop is heard, the last step no longer than what is left:
    // the answer comes after the delay, not up to a step later.
    for (auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_delayMs.load());
         !m_stop && std::chrono::steady_clock::now() < until;)
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(2), until - std::chrono::steady_clock::now()));

    switch (route.behaviour) {
        case Behaviour::Close:
            return false;
        case Behaviour::Stall:
            // Until the client hangs up (its time-out or a cancel) or the server stops.
            while (!m_stop) {
                if (connection.readable() && connection.receive().isEmpty())
                    return false;
            }
            return false;
        case Behaviour::Redirect:
            connection.send("HTTP/1.1 302 Found\r\nLocation: " + route.body + "\r\nContent-Length: 0\r\n\r\n");
            return true;
        case Behaviour::Serve:
        case Behaviour::Status:
            connection.send("HTTP/1.1 " + QByteArray::number(route.status) + ' ' + reasonPhrase(route.status) +
                            "\r\nContent-Type: text/html; charset=gb2312\r\n" + route.headers +
                            "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n\r\n" + route.body);
            return true;
    }
    return false;
}

}  // namespace fixtures
