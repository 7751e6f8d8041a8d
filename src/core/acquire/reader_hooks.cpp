#include "core/acquire/reader_hooks.h"

void stopIfCancelled(const ReaderHooks& hooks)
{
    if (hooks.cancelled && hooks.cancelled())
        throw Cancelled();
}

ReaderFetcher::ReaderFetcher(const ReaderHooks& hooks) : m_takenOnly(hooks.takenOnly)
{
    // A helper thread's reading touches no fetcher at all: the run's is not for other threads.
    if (!hooks.fetcher && !m_takenOnly)
        m_own.emplace(hooks.fetchSettings, hooks.cancelled);
    m_fetcher = hooks.fetcher ? hooks.fetcher : m_own ? &*m_own : nullptr;
}

ReaderFetcher::~ReaderFetcher()
{
    for (int ticket : m_asked)
        m_fetcher->abandon(ticket);
}

int ReaderFetcher::adopt(const ReaderHooks& hooks, const QString& url)
{
    if (hooks.taken && hooks.taken->count(url) && m_adoptedTaken.insert(url).second) {
        m_taken.emplace(m_nextTaken, &hooks.taken->at(url));
        return m_nextTaken++;
    }
    if (m_takenOnly)
        throw NeedsRunThread();
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
    if (m_takenOnly)
        throw NeedsRunThread();
    const int ticket = m_fetcher->request(url, maxBytes);
    m_asked.insert(ticket);
    if (maxBytes > 0)
        m_capped.insert(ticket);
    return ticket;
}

int ReaderFetcher::request(const QString& url, const RequestOptions& options)
{
    if (m_takenOnly)
        throw NeedsRunThread();
    const int ticket = m_fetcher->request(url, options);
    m_asked.insert(ticket);
    if (options.maxBytes > 0)
        m_capped.insert(ticket);
    return ticket;
}

PageAnswer ReaderFetcher::takeAnswer(int ticket)
{
    if (const auto taken = m_taken.find(ticket); taken != m_taken.end()) {
        const TakenAnswer& answer = *taken->second;
        m_taken.erase(taken);
        if (!answer.failure)
            return answer.answer;
        // A refusal may mean a wait, a retry or the cookie page: all of it the run's thread does.
        if (m_takenOnly)
            throw NeedsRunThread();
        std::rethrow_exception(answer.failure);
    }
    m_asked.erase(ticket);
    return m_fetcher->takeAnswer(ticket);
}

QByteArray ReaderFetcher::take(int ticket, const QString& pageName)
{
    try {
        if (m_taken.count(ticket))
            return takeAnswer(ticket).body;
        m_asked.erase(ticket);
        return m_fetcher->take(ticket);
    } catch (const FetchTooLarge& e) {
        if (m_capped.count(ticket))
            throw TooLarge();
        throw UserError(QStringLiteral("%1无法下载（%2）").arg(pageName, e.message()));
    } catch (const FetchError& e) {
        throw UserError(QStringLiteral("%1无法下载（%2）").arg(pageName, e.message()));
    }
}
