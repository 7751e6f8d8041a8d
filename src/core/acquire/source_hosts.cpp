#include "core/acquire/source_hosts.h"

#include <array>

#ifndef QUORLIN_TREND_HOST
#define QUORLIN_TREND_HOST "trend.example.invalid"
#endif
#ifndef QUORLIN_CHART_HOST
#define QUORLIN_CHART_HOST "chart.example.invalid"
#endif
#ifndef QUORLIN_DRAWLIST_HOST
#define QUORLIN_DRAWLIST_HOST "draws.example.invalid"
#endif
#ifndef QUORLIN_FEED_HOST
#define QUORLIN_FEED_HOST "feed.example.invalid"
#endif

namespace {

const std::array<QString, 4>& builtHosts()
{
    static const std::array<QString, 4> table = {
        QStringLiteral(QUORLIN_TREND_HOST),
        QStringLiteral(QUORLIN_CHART_HOST),
        QStringLiteral(QUORLIN_DRAWLIST_HOST),
        QStringLiteral(QUORLIN_FEED_HOST),
    };
    return table;
}

std::array<QString, 4>& hosts()
{
    static std::array<QString, 4> table = builtHosts();
    return table;
}

}  // namespace

QString defaultSiteHost(PageSite site)
{
    return builtHosts()[std::size_t(site)];
}

QString siteHost(PageSite site)
{
    return hosts()[std::size_t(site)];
}

void setSiteHost(PageSite site, const QString& host)
{
    hosts()[std::size_t(site)] = host;
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

QString pageUrl(PageSite site, const QString& pathAndQuery)
{
    return siteUrl(siteHost(site), pathAndQuery);
}
