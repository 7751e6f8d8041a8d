#pragma once

#include "core/acquire/page_fetch.h"
#include "core/acquire/source_hosts.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <array>
#include <functional>
#include <vector>

// The settings file 数据源.ini in the data folder names the host of each outside site, so
// that a user points the program at the sites without rebuilding it. It is an INI file (written in
// UTF-8; read in UTF-8 or GBK, at most 64 KB) with one section:
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

inline constexpr std::array<PageSite, 4> kPageSites = {PageSite::Trend, PageSite::Chart, PageSite::DrawList,
                                                       PageSite::Feed};

// "<data folder>数据源.ini" (program_paths.h)
QString sourceSettingsPath(const QString& dataDir);

// The site's key in the file: "trend", "chart", "drawlist", "feed".
QString siteKey(PageSite site);
// The site as the user knows it: "福彩3D走势页面", …
QString siteTitle(PageSite site);

// Why `host` cannot be a site's host; empty when it can. A host is a name of at most 253
// characters of ASCII letters, digits, "-" and "." (labels of 1 to 63, not starting or ending in
// "-"), an IPv4 address, a bracketed IPv6 address ("[::1]"), or an internationalised name, which
// goes to the sites as its punycode; any of them with ":port", 1 to 65535, and the whole
// optionally after "https://". No other scheme, no path or blanks.
QString hostProblem(const QString& host);

// The host as the address uses it and the window shows it: an internationalised name as its
// punycode ("例子.中国" -> "xn--fsqu00a.xn--fiqs8s", "ⅷ.com" -> "viii.com"); a bad host as it is.
QString normalisedHost(const QString& host);

// What the file holds, for the 数据源 window: each value as written (a host converted as
// normalisedHost does), and beside it why it is bad, so that one bad key loses none of the good.
struct SourceSettingsFile {
    bool exists = false;
    bool hasHosts = false;                // a [hosts] section, even an empty one
    SiteHosts hosts;                      // empty where the file names none
    std::array<QString, 4> hostProblems;  // by site; empty when fine
    DrawUrls urls;                        // lottery name -> address, as written
    QHash<QString, QString> urlProblems;  // lottery name -> why its address is bad
};

// UserError naming the file when it cannot be read, is over 64 KB, or is not UTF-8 or GBK text.
SourceSettingsFile readSourceSettingsFile(const QString& dataDir);
// The same from the file's bytes; `path` names it in a refusal.
SourceSettingsFile sourceSettingsOf(const QByteArray& bytes, const QString& path);

// Why `url` cannot be a lottery's draw address (a full http:// or https:// address with a host
// as hostProblem allows, no blanks); empty when it can.
QString drawUrlProblem(const QString& url);

// Checks every host and address first (UserError naming the first bad one, and for an address
// its lottery; nothing is written then) and replaces the file as a whole, so it is never left
// half written.
void writeSourceSettings(const QString& dataDir, const SiteHosts& hosts, const DrawUrls& urls = {});

// The hosts and draw addresses of the file, for a run to read from: taken when a run starts, so a
// change applies without restarting. The hosts are the built ones where the file names none. A
// host that is no host, or an address that is no full http(s) address, raises UserError naming
// the file, the key (and the lottery) and the reason; a file without a [hosts] section is refused
// as one.
Sources readSources(const QString& dataDir);

struct SiteCheck {
    PageSite site;
    bool reachable = false;
    QString text;  // "可以连接" or the reason
};

// Fetches one known page of each site from the given hosts (the draw-list site's of `today`), all
// at once, under `limits`; stores nothing. After a cancel (asked while waiting) the sites not yet
// heard from read kCancelledText.
std::vector<SiteCheck> checkSites(const SiteHosts& hosts, const QDate& today, const FetchSettings& limits = {},
                                  const std::function<bool()>& cancelled = {});

struct DrawUrlCheck {
    QString lottery;
    bool readable = false;
    QString text;  // "共N期，最新第X期" or the reason
};

// Reads each given draw address as a download on `today` would, under `limits`, in the lottery
// table's order, and says how many draws it holds and its newest period; stores nothing. After a
// cancel the addresses not yet read read kCancelledText.
std::vector<DrawUrlCheck> checkDrawUrls(const DrawUrls& urls, const QDate& today, const FetchSettings& limits = {},
                                        const std::function<bool()>& cancelled = {});
