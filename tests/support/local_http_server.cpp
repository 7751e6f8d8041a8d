#include "support/local_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <stdexcept>

namespace fixtures {
namespace {

constexpr int kPollMs = 20;

void sendAll(int socket, const QByteArray& bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(socket, bytes.constData() + sent, std::size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += n;
    }
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
        case 200:
            return "OK";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

}  // namespace

LocalHttpServer::LocalHttpServer()
{
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
        ::listen(m_listener, 16) != 0 ||
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
    ::close(m_listener);
}

QString LocalHttpServer::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

void LocalHttpServer::serve(const QString& pathAndQuery, const QByteArray& body)
{
    setRoute(pathAndQuery, {Behaviour::Serve, 200, body});
}

void LocalHttpServer::failWithStatus(const QString& pathAndQuery, int status)
{
    setRoute(pathAndQuery, {Behaviour::Status, status, "failed on purpose\n"});
}

void LocalHttpServer::closeWithoutAnswer(const QString& pathAndQuery)
{
    setRoute(pathAndQuery, {Behaviour::Close, 0, {}});
}

void LocalHttpServer::stall(const QString& pathAndQuery)
{
    setRoute(pathAndQuery, {Behaviour::Stall, 0, {}});
}

QStringList LocalHttpServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
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
        answer(client);
        ::close(client);
    }
}

void LocalHttpServer::answer(int client)
{
    QByteArray request;
    while (!m_stop && !request.contains("\r\n\r\n")) {
        pollfd in{client, POLLIN, 0};
        if (::poll(&in, 1, kPollMs) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        request.append(buffer, n);
    }
    // "GET /path?query HTTP/1.1"
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QByteArray target = words.size() >= 2 ? words[1] : QByteArray();
    Route route{Behaviour::Status, 404, "no such page\n"};
    {
        std::lock_guard lock(m_mutex);
        m_requests << QString::fromUtf8(target);
        const auto it = m_routes.find(target);
        if (it != m_routes.end())
            route = it->second;
    }
    switch (route.behaviour) {
        case Behaviour::Close:
            return;
        case Behaviour::Stall:
            // Until the client hangs up (its time-out) or the server stops.
            while (!m_stop) {
                pollfd in{client, POLLIN, 0};
                char buffer[256];
                if (::poll(&in, 1, kPollMs) > 0 && ::recv(client, buffer, sizeof buffer, 0) <= 0)
                    return;
            }
            return;
        case Behaviour::Serve:
        case Behaviour::Status:
            sendAll(client, "HTTP/1.1 " + QByteArray::number(route.status) + ' ' + reasonPhrase(route.status) +
                                "\r\nContent-Type: text/html; charset=gb2312\r\nContent-Length: " +
                                QByteArray::number(route.body.size()) + "\r\nConnection: close\r\n\r\n" + route.body);
            return;
    }
}

}  // namespace fixtures
