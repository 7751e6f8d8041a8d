#include "core/acquire/reader_hooks.h"

void stopIfCancelled(const ReaderHooks& hooks)
{
    if (hooks.cancelled && hooks.cancelled())
        throw Cancelled();
}

ReaderFetcher::ReaderFetcher(const ReaderHooks& hooks)
{
    if (!hooks.fetcher)
        m_own.emplace(hooks.fetchSettings, hooks.cancelled);
    m_fetcher = hooks.fetcher ? hooks.fetcher : &*m_own;
}

ReaderFetcher::~ReaderFetcher()
{
    for (int ticket : m_asked)
        m_fetcher->abandon(ticket);
}

int ReaderFetcher::adopt(const ReaderHooks& hooks, const QString& url)
{
    if (!hooks.prefetched || m_own)
        return -1;
    const auto it = hooks.prefetched->find(url);
    if (it == hooks.prefetched->end())
        return -1;
    const int ticket = it->second;
    hooks.prefetched->erase(it);
    m_asked.insert(ticket);
    return ticket;
}

int ReaderFetcher::request(const QString& url, qint64 maxBytes)
{
    const int ticket = m_fetcher->request(url, maxBytes);
    m_asked.insert(ticket);
    if (maxBytes > 0)
        m_capped.insert(ticket);
    return ticket;
}

int ReaderFetcher::request(const QString& url, const RequestOptions& options)
{
    const int ticket = m_fetcher->request(url, options);
    m_asked.insert(ticket);
    if (options.maxBytes > 0)
        m_capped.insert(ticket);
    return ticket;
}

PageAnswer ReaderFetcher::takeAnswer(int ticket)
{
    m_asked.erase(ticket);
    return m_fetcher->takeAnswer(ticket);
}

QByteArray ReaderFetcher::take(int ticket, const QString& pageName)
{
    m_asked.erase(ticket);
    try {
        return m_fetcher->take(ticket);
    } catch (const FetchTooLarge& e) {
        if (m_capped.count(ticket))
            throw TooLarge();
        throw UserError(QStringLiteral("%1无法下载（%2）").arg(pageName, e.message()));
    } catch (const FetchError& e) {
        throw UserError(QStringLiteral("%1无法下载（%2）").arg(pageName, e.message()));
    }
}
