#pragma once

#include "core/acquire/page_fetch.h"
#include "core/acquire/source_hosts.h"
#include "core/acquire/sources/source_description.h"

#include <QDate>
#include <QString>
#include <functional>
#include <vector>

// What 数据源's 测试 asks of the network: whether each site answers, and what each lottery's own
// address holds. Nothing is stored.

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

// Reads the first page of each lottery's described source in `sources` (those without an address
// of their own), in the lottery table's order, and says which source it is, how many draws it holds
// and its newest period: "中国福利彩票：共7700期，最新第2026350期"; stores nothing. After a cancel the
// sources not yet read read kCancelledText.
std::vector<DrawUrlCheck> checkDescribedSources(const Sources& sources, const QDate& today,
                                                const FetchSettings& limits = {},
                                                const std::function<bool()>& cancelled = {});
