#pragma once

#include "core/acquire/source_hosts.h"

#include <QHash>
#include <QString>
#include <array>
#include <functional>
#include <vector>

// The settings file 数据源.ini in the data folder names the host of each outside site, so
// that a user points the program at the sites without rebuilding it. It is an INI file (UTF-8,
// as QSettings writes it) with one section:
//   [hosts]
//   trend=host[:port]      the 3D trend page
//   chart=host[:port]      the 排列3 chart page
//   drawlist=host[:port]   the 时时彩 day draw-list pages
//   feed=host[:port]       the 时时彩 XML draw feeds
// A file or key that is not there leaves the site at the host set when building.
//
// A second section may give a lottery its own draw source, a full http or https address that
// then stands in for the site pages and the feed (url_source.h); the keys are the lotteries'
// short names of the lottery table:
//   [draws]
//   fc3d=https://…   pl3=…   cqssc=…   jxssc=…   shssc=…
// An empty or missing key leaves the lottery with its site pages.

using SiteHosts = std::array<QString, 4>;  // indexed by PageSite

// Lottery name -> its own draw address; only the lotteries that have one.
using DrawUrls = QHash<QString, QString>;

inline constexpr std::array<PageSite, 4> kPageSites = {PageSite::Trend, PageSite::Chart, PageSite::DrawList,
                                                       PageSite::Feed};

// "<data folder>数据源.ini" (program_paths.h)
QString sourceSettingsPath(const QString& dataDir);

// The site's key in the file: "trend", "chart", "drawlist", "feed".
QString siteKey(PageSite site);
// The site as the user knows it: "福彩3D走势页面", …
QString siteTitle(PageSite site);

// Why `host` cannot be a site's host ("host" or "host:port", port 1 to 65535, no scheme, path or
// blanks); empty when it can.
QString hostProblem(const QString& host);

// The hosts the file names, the built ones where it names none. A value that is no host raises
// UserError naming the file, the key and the reason.
SiteHosts readSourceSettings(const QString& dataDir);

// Why `url` cannot be a lottery's draw address (a full http:// or https:// address with a host
// as hostProblem allows, no blanks); empty when it can.
QString drawUrlProblem(const QString& url);

// The draw addresses the file names. One that is no full http(s) address raises UserError
// naming the file, the key, the lottery and the reason.
DrawUrls readDrawUrls(const QString& dataDir);

// Checks every host and address first (UserError naming the first bad one, and for an address
// its lottery; nothing is written then) and replaces the file as a whole, so it is never left
// half written.
void writeSourceSettings(const QString& dataDir, const SiteHosts& hosts, const DrawUrls& urls = {});

// Points the readers at the hosts and draw addresses of the file: done when a download run
// starts, so a change applies without restarting. A bad file changes nothing.
void applySourceSettings(const QString& dataDir);

// One known page of a site: the trend page, the chart page, and today's day page and the feed of
// the lottery selected at start.
QString knownPagePath(PageSite site);

struct SiteCheck {
    PageSite site;
    bool reachable = false;
    QString text;  // "可以连接" or the reason
};

// Fetches one known page of each site from the given hosts, with the usual time-outs, into a
// scratch file of its own; stores nothing. `waitTurn` is given now and then while waiting.
std::vector<SiteCheck> checkSites(const SiteHosts& hosts, const std::function<void()>& waitTurn = {});

struct DrawUrlCheck {
    QString lottery;
    bool readable = false;
    QString text;  // "共N期，最新第X期" or the reason
};

// Reads each given draw address as a download would, in the lottery table's order, and says
// how many draws it holds and its newest period; stores nothing.
std::vector<DrawUrlCheck> checkDrawUrls(const DrawUrls& urls, const std::function<void()>& waitTurn = {});
