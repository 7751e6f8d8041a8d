#include "support/source_fixtures.h"

#include "core/acquire/source_settings.h"
#include "core/acquire/sources/source_description.h"
#include "core/base/lottery_table.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <algorithm>

namespace fixtures {

namespace {

std::vector<StoredDraw> pageOf(const std::vector<StoredDraw>& newestFirst, int page, int pageSize)
{
    const std::size_t from = std::min(newestFirst.size(), std::size_t((page - 1) * pageSize));
    const std::size_t to = std::min(newestFirst.size(), from + std::size_t(pageSize));
    return {newestFirst.begin() + std::ptrdiff_t(from), newestFirst.begin() + std::ptrdiff_t(to)};
}

int pageCount(const std::vector<StoredDraw>& draws, int pageSize)
{
    return int((draws.size() + std::size_t(pageSize) - 1) / std::size_t(pageSize));
}

QString dateOf(const StoredDraw& draw)
{
    return draw.periodId.left(4) + QStringLiteral("-01-01");
}

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}  // namespace

QByteArray cwlPage(const std::vector<StoredDraw>& newestFirst, int page, int pageSize)
{
    QJsonArray result;
    for (const StoredDraw& draw : pageOf(newestFirst, page, pageSize))
        result.append(QJsonObject{{"name", "3d"},
                                  {"code", draw.periodId},
                                  {"detailsLink", "/c/2024/01/01/000.shtml"},
                                  {"date", dateOf(draw) + QStringLiteral("(一)")},
                                  {"week", "一"},
                                  {"red", draw.digits.join(u',')},
                                  {"blue", ""},
                                  {"sales", "58823716"}});
    return json({{"state", 0},
                 {"message", "查询成功"},
                 {"total", int(newestFirst.size())},
                 {"pageNum", pageCount(newestFirst, pageSize)},
                 {"pageNo", page},
                 {"pageSize", pageSize},
                 {"Tflag", 0},
                 {"result", result}});
}

QByteArray sportteryPage(const std::vector<StoredDraw>& newestFirst, int page, int pageSize)
{
    QJsonArray list;
    for (const StoredDraw& draw : pageOf(newestFirst, page, pageSize))
        list.append(QJsonObject{{"lotteryDrawNum", draw.periodId.mid(2)},
                                {"lotteryDrawResult", draw.digits.join(u' ')},
                                {"lotteryDrawTime", dateOf(draw)},
                                {"lotteryGameName", "排列3"},
                                {"totalSaleAmount", "25,000,000"}});
    const QJsonObject value{{"list", list},
                            {"pageNo", page},
                            {"pageSize", pageSize},
                            {"pages", pageCount(newestFirst, pageSize)},
                            {"total", int(newestFirst.size())}};
    return json({{"dataFrom", ""},
                 {"emptyFlag", false},
                 {"errorCode", "0"},
                 {"errorMessage", "处理成功"},
                 {"success", true},
                 {"value", value}});
}

QByteArray zhcwPage(const std::vector<StoredDraw>& newestFirst, int page, int pageSize)
{
    QJsonArray data;
    for (const StoredDraw& draw : pageOf(newestFirst, page, pageSize))
        data.append(QJsonObject{{"issue", draw.periodId},
                                {"openTime", dateOf(draw)},
                                {"frontWinningNum", draw.digits.join(u' ')},
                                {"saleMoney", "58823716"}});
    return "quorlin(" +
           json({{"resCode", "000000"},
                 {"message", "查询成功"},
                 {"total", int(newestFirst.size())},
                 {"pages", pageCount(newestFirst, pageSize)},
                 {"pageNum", page},
                 {"pageSize", pageSize},
                 {"data", data}}) +
           ")";
}

QByteArray jsonListPage(const std::vector<StoredDraw>& newestFirst, int page, int pageSize)
{
    QJsonArray list;
    for (const StoredDraw& draw : pageOf(newestFirst, page, pageSize))
        list.append(QJsonObject{{"period", draw.periodId}, {"digits", draw.digits.join(QString())}});
    return json({{"pages", pageCount(newestFirst, pageSize)}, {"list", list}});
}

QByteArray wholeHistoryFile(const std::vector<StoredDraw>& oldestFirst)
{
    QByteArray text;
    for (const StoredDraw& draw : oldestFirst) {
        int sum = 0;
        for (const QString& digit : draw.digits)
            sum += digit.toInt();
        text += draw.periodId.toLatin1() + ' ' + dateOf(draw).toLatin1() + ' ' + draw.digits.join(u' ').toLatin1() +
                " 9 0 3 " + QByteArray::number(sum) + " 5 106919648 0 0\n";
    }
    return text;
}

QString sourcePath(const QString& id, const QString& lottery, int page, const QString& from, const QString& to)
{
    const SourceDescription* source = findSource(builtinSources(), id);
    const QUrl url(source->pageUrl(lottery, page, from, to));
    return url.path() + (url.hasQuery() ? u'?' + url.query(QUrl::FullyEncoded) : QString());
}

OperatorSites::OperatorSites()
    : m_lists(std::make_unique<LocalHttpServer>(LocalHttpServer::Tls::Operators)),
      m_files(std::make_unique<LocalHttpServer>())
{
}

void OperatorSites::serveHistory(const QString& lottery, const std::vector<StoredDraw>& history, int fileLag)
{
    const std::vector<StoredDraw> newestFirst(history.rbegin(), history.rend());
    const bool welfare = findLottery(lottery)->settingsKey == u"fc3d";
    const QString listId = welfare ? QStringLiteral("cwl") : QStringLiteral("sporttery");
    const int pageSize = findSource(builtinSources(), listId)->pageSize;
    for (int page = 1; page <= std::max(1, pageCount(newestFirst, pageSize)); ++page)
        m_lists->serve(sourcePath(listId, lottery, page),
                       welfare ? cwlPage(newestFirst, page, pageSize) : sportteryPage(newestFirst, page, pageSize));
    if (welfare) {
        // The page that gives the list's cookies.
        m_lists->serve(QUrl(findSource(builtinSources(), listId)->cookiePage).path(), "<html></html>");
        const int zhcwSize = findSource(builtinSources(), QStringLiteral("zhcw"))->pageSize;
        for (int page = 1; page <= std::max(1, pageCount(newestFirst, zhcwSize)); ++page)
            m_lists->serve(sourcePath(QStringLiteral("zhcw"), lottery, page), zhcwPage(newestFirst, page, zhcwSize));
    }
    const std::vector<StoredDraw> filed(
        history.begin(), history.end() - std::min<std::ptrdiff_t>(fileLag, std::ptrdiff_t(history.size())));
    m_files->serve(sourcePath(QStringLiteral("17500"), lottery, 1), wholeHistoryFile(filed));
}

FetchSettings OperatorSites::fetchSettings(FetchSettings settings) const
{
    settings.caFile = LocalHttpServer::operatorAuthorityFile();
    settings.connectTo = m_lists->connectTo({QStringLiteral("www.cwl.gov.cn"), QStringLiteral("webapi.sporttery.cn"),
                                             QStringLiteral("jc.zhcw.com")}) +
                         m_files->connectTo({QStringLiteral("data.17500.cn")});
    return settings;
}

ReaderHooks OperatorSites::readerHooks(const QString& programDir, std::shared_ptr<CookieJar> cookies) const
{
    ReaderHooks hooks;
    hooks.today = kToday;
    FetchSettings limits;
    limits.connectTimeout = std::chrono::milliseconds(2000);
    limits.totalTimeout = std::chrono::milliseconds(10000);
    if (cookies)
        limits.cookies = std::move(cookies);
    hooks.fetchSettings = fetchSettings(limits);
    hooks.sources = readSources(programDir);
    return hooks;
}

int OperatorSites::requestCount() const
{
    return int(m_lists->requests().size() + m_files->requests().size());
}

}  // namespace fixtures
