#pragma once

#include "core/acquire/host_rules.h"
#include "core/acquire/source_checks.h"
#include "core/acquire/source_hosts.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <array>
#include <optional>

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
// An empty or missing key leaves the lottery with the source of the third section:
//   [sources]
//   fc3d=cwl   pl3=sporttery   cqssc=pages   …
// the id of a described source that serves it (source_description.h: the built-in ones and
// those of 开奖来源.json), or "pages" for its site pages. A lottery without a choice reads its
// operator's list where one is described (中国福利彩票 for 福彩3D, 中国体育彩票 for 排列3), its
// site pages otherwise.
//
// A fourth section names the source that confirms each lottery's draws (核对来源): after every
// update it is read for the periods just stored, and 核对 in the data window lists where it
// differs. Keys as above, values the id of a described source that serves the lottery; an empty
// or missing key leaves the lottery without one:
//   [confirm]
//   fc3d=zhcw   pl3=17500

inline constexpr std::array<PageSite, 4> kPageSites = {PageSite::Trend, PageSite::Chart, PageSite::DrawList,
                                                       PageSite::Feed};

// "<data folder>数据源.ini" (program_paths.h)
QString sourceSettingsPath(const QString& dataDir);

// The site's key in the file: "trend", "chart", "drawlist", "feed".
QString siteKey(PageSite site);
// The site as the user knows it: "福彩3D走势页面", …
QString siteTitle(PageSite site);

// What the file holds, for the 数据源 window: each value as written (a host converted as
// normalisedHost does), and beside it why it is bad, so that one bad key loses none of the good.
struct SourceSettingsFile {
    bool exists = false;
    bool hasHosts = false;                               // a [hosts] section, even an empty one
    SiteHosts hosts;                                     // empty where the file names none
    std::array<std::optional<QString>, 4> hostProblems;  // by site; none when fine
    DrawUrls urls;                                       // lottery name -> address, as written
    QHash<QString, QString> urlProblems;                 // lottery name -> why its address is bad
    SourceChoices choices;                               // lottery name -> the source chosen, as written
    SourceChoices confirmations;                         // lottery name -> its 核对来源, as written
};

// UserError naming the file when it cannot be read, is over 64 KB, or is not UTF-8 or GBK text.
SourceSettingsFile readSourceSettingsFile(const QString& dataDir);
// The same from the file's bytes; `path` names it in a refusal.
SourceSettingsFile sourceSettingsOf(const QByteArray& bytes, const QString& path);

// Checks every host and address first (UserError naming the first bad one, and for an address
// its lottery; nothing is written then) and replaces the file as a whole, so it is never left
// half written.
void writeSourceSettings(const QString& dataDir, const SiteHosts& hosts, const DrawUrls& urls = {},
                         const SourceChoices& choices = {}, const SourceChoices& confirmations = {});

// The hosts and draw addresses of the file, for a run to read from: taken when a run starts, so a
// change applies without restarting. The hosts are the built ones where the file names none. A
// host that is no host, or an address that is no full http(s) address, raises UserError naming
// the file, the key (and the lottery) and the reason; a file without a [hosts] section is refused
// as one. A source in [sources] or [confirm] that is not described or does not serve the lottery
// is refused the same way, naming the section.
Sources readSources(const QString& dataDir);
