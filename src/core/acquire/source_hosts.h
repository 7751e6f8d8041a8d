#pragma once

#include "core/acquire/sources/source_description.h"

#include <QHash>
#include <QString>
#include <array>

// The outside sites the history pages and the draw feeds come from. Their paths are fixed in the
// readers; only the hosts are ours to choose: set at build time (CMake cache variables
// QUORLIN_TREND_HOST, QUORLIN_CHART_HOST, QUORLIN_DRAWLIST_HOST, QUORLIN_FEED_HOST) and replaceable
// at run time from the settings file 数据源.ini (source_settings.h), through which tests also
// point them at a server of their own on 127.0.0.1.
enum class PageSite {
    Trend,     // the 3D number trend page
    Chart,     // the 排列3 overview chart page
    DrawList,  // the 时时彩 day draw-list pages
    Feed,      // the 时时彩 XML draw feeds of the live update
};

// Each site's "host", "host:port" or, for a site that speaks HTTPS, "https://host[:port]".
using SiteHosts = std::array<QString, 4>;  // indexed by PageSite

// Lottery name -> its own draw address (url_source.h); only the lotteries that have one.
using DrawUrls = QHash<QString, QString>;

// Lottery name -> the id of the described source it reads (source_description.h), or
// kSitePagesChoice for its site pages; a lottery not listed reads its site pages.
using SourceChoices = QHash<QString, QString>;
inline const QString kSitePagesChoice = QStringLiteral("pages");

// The host set when building: what a site uses when the settings file does not name one.
QString defaultSiteHost(PageSite site);
SiteHosts defaultSiteHosts();

inline const QString kHttpsPrefix = QStringLiteral("https://");

// Whether a host as the settings write it is reached over HTTPS ("https://host[:port]").
bool isHttpsHost(const QString& host);

// The address of `pathAndQuery` (which starts with "/") on `host`: "https://host…" for an HTTPS
// host, "http://host…" for a bare one.
QString siteUrl(const QString& host, const QString& pathAndQuery);

// Where one run reads from, taken once when it starts (readSources, source_settings.h), so that a
// settings file edited meanwhile is seen by the next run and never halfway through this one. As
// built, it is the built hosts and no lottery with an address of its own.
struct Sources {
    SiteHosts hosts = defaultSiteHosts();
    DrawUrls drawUrls;
    SourceChoices choices;
    // Lottery name -> the id of the described source read to confirm its draws (核对来源); only the
    // lotteries that have one.
    SourceChoices confirmations;
    SourceDescriptions descriptions = builtinSources();

    QString siteHost(PageSite site) const { return hosts[std::size_t(site)]; }
    // siteUrl() on the site's host.
    QString pageUrl(PageSite site, const QString& pathAndQuery) const;
    // The lottery's own draw address; empty when it reads its site pages.
    QString drawUrl(const QString& lottery) const { return drawUrls.value(lottery); }
    // The described source the lottery reads; nullptr when it reads its own address or its pages.
    const SourceDescription* describedSource(const QString& lottery) const;
    // The lottery's 核对来源; nullptr when it has none.
    const SourceDescription* confirmingSource(const QString& lottery) const;
};
