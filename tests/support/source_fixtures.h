#pragma once

#include "core/acquire/page_fetch.h"
#include "core/acquire/reader_hooks.h"
#include "support/draw_fixtures.h"
#include "support/local_http_server.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

// The built-in sources' answers in their published shapes, and a pair of local servers standing
// in for their hosts (HTTPS for the operators' lists and 中彩网, plain HTTP for the whole-history
// files), reached by the real host names through the fetcher's connect-to mapping.
namespace fixtures {

// One page of 中国福利彩票's findDrawNotice for `newestFirst` (pages of `pageSize`, 1-based).
QByteArray cwlPage(const std::vector<StoredDraw>& newestFirst, int page, int pageSize);
// One page of 中国体育彩票's getHistoryPageListV1 (5-digit periods, digits apart by blanks).
QByteArray sportteryPage(const std::vector<StoredDraw>& newestFirst, int page, int pageSize);
// One page of 中彩网's client_json, wrapped as JSONP.
QByteArray zhcwPage(const std::vector<StoredDraw>& newestFirst, int page, int pageSize);
// One page of a plain JSON list as a source of the tests' own describes it:
// {"pages": n, "list": [{"period": "2026001", "digits": "123"}, …]}.
QByteArray jsonListPage(const std::vector<StoredDraw>& newestFirst, int page, int pageSize);
// A whole-history file, oldest first: period, date, the digits, then sums, spans and sales.
QByteArray wholeHistoryFile(const std::vector<StoredDraw>& oldestFirst);

// The path and query of `page` of the built-in source `id` for `lottery`, as it asks for it; over
// the range `from`…`to` where its address takes one.
QString sourcePath(const QString& id, const QString& lottery, int page, const QString& from = {},
                   const QString& to = {});

class OperatorSites {
public:
    OperatorSites();

    // Serves `history` (oldest first) of 福彩3D or 排列3 on its operator's list and, without its
    // newest `fileLag` draws, in its whole-history file.
    void serveHistory(const QString& lottery, const std::vector<StoredDraw>& history, int fileLag = 1);

    // What a fetcher needs to reach them: the mapping and the tests' authority.
    FetchSettings fetchSettings(FetchSettings settings = {}) const;
    // A reader's hooks for reaching them with the sources of `programDir` on kToday, under
    // time-outs that fail a hung test in seconds; `cookies` kept across runs where given.
    ReaderHooks readerHooks(const QString& programDir, std::shared_ptr<CookieJar> cookies = {}) const;

    LocalHttpServer& lists() { return *m_lists; }
    LocalHttpServer& files() { return *m_files; }
    // Requests both servers have answered.
    int requestCount() const;

private:
    std::unique_ptr<LocalHttpServer> m_lists;  // www.cwl.gov.cn, webapi.sporttery.cn, jc.zhcw.com
    std::unique_ptr<LocalHttpServer> m_files;  // data.17500.cn
};

}  // namespace fixtures
