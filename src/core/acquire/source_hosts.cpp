#include "core/acquire/source_hosts.h"

QString defaultSiteHost(PageSite site)
{
    return defaultSiteHosts()[std::size_t(site)];
}

SiteHosts defaultSiteHosts()
{
    // Given by CMake, which holds the one copy of the defaults (src/core/acquire/CMakeLists.txt).
    return {
        QStringLiteral(QUORLIN_TREND_HOST),
        QStringLiteral(QUORLIN_CHART_HOST),
        QStringLiteral(QUORLIN_DRAWLIST_HOST),
        QStringLiteral(QUORLIN_FEED_HOST),
    };
}

bool isHttpsHost(const QString& host)
{
    return host.startsWith(kHttpsPrefix, Qt::CaseInsensitive);
}

QString siteUrl(const QString& host, const QString& pathAndQuery)
{
    if (isHttpsHost(host))
        return kHttpsPrefix + host.mid(kHttpsPrefix.size()) + pathAndQuery;
    return QStringLiteral("http://") + host + pathAndQuery;
}

QString Sources::pageUrl(PageSite site, const QString& pathAndQuery) const
{
    return siteUrl(siteHost(site), pathAndQuery);
}

const SourceDescription* Sources::describedSource(const QString& lottery) const
{
    if (!drawUrl(lottery).isEmpty())
        return nullptr;
    return findSource(descriptions, choices.value(lottery));
}

const SourceDescription* Sources::confirmingSource(const QString& lottery) const
{
    const QString id = confirmations.value(lottery);
    return id.isEmpty() ? nullptr : findSource(descriptions, id);
}
