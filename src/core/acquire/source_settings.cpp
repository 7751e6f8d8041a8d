#include "core/acquire/source_settings.h"

#include "core/acquire/history_readers.h"
#include "core/acquire/page_fetch.h"
#include "core/acquire/url_source.h"
#include "core/base/lottery_table.h"
#include "core/base/program_paths.h"
#include "core/base/today_clock.h"
#include "core/base/user_error.h"
#include "core/base/whole_file.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>

namespace {

const QString kHostsSection = QStringLiteral("hosts");
const QString kDrawsSection = QStringLiteral("draws");

QString unquoted(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        value = value.mid(1, value.size() - 2);
    return value;
}

// The keys of one section ("hosts", "draws"). The file is small and plain; read here rather than
// through QSettings, whose per-process cache may hand back a file as it was before it was just
// replaced.
QHash<QString, QString> iniSection(const QByteArray& bytes, const QString& name)
{
    QHash<QString, QString> keys;
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    const QString text = QString::fromUtf8(view);
    QString section;
    for (QStringView rawLine : QStringTokenizer(text, u'\n')) {
        const QString line = rawLine.trimmed().toString();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (section.compare(name, Qt::CaseInsensitive) != 0 || equals < 0)
            continue;
        keys.insert(line.left(equals).trimmed().toLower(), unquoted(line.mid(equals + 1)));
    }
    return keys;
}

// The bytes of the settings file; empty when there is none.
QByteArray settingsBytes(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("无法读取数据源设置 %1：%2").arg(path, file.errorString()));
    return file.readAll();
}

bool isHostCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'.' || c == u'_';
}

}  // namespace

QString sourceSettingsPath(const QString& dataDir)
{
    return program_paths::sourcesFile(dataDir);
}

QString siteKey(PageSite site)
{
    switch (site) {
        case PageSite::Trend:
            return QStringLiteral("trend");
        case PageSite::Chart:
            return QStringLiteral("chart");
        case PageSite::DrawList:
            return QStringLiteral("drawlist");
        case PageSite::Feed:
            return QStringLiteral("feed");
    }
    return {};
}

QString siteTitle(PageSite site)
{
    switch (site) {
        case PageSite::Trend:
            return QStringLiteral("福彩3D走势页面");
        case PageSite::Chart:
            return QStringLiteral("排列3图表页面");
        case PageSite::DrawList:
            return QStringLiteral("时时彩开奖列表页面");
        case PageSite::Feed:
            return QStringLiteral("时时彩最新开奖数据");
    }
    return {};
}

QString hostProblem(const QString& host)
{
    if (host.trimmed().isEmpty())
        return QStringLiteral("不能为空");
    for (QChar c : host) {
        if (c.isSpace())
            return QStringLiteral("不能含空格");
    }
    if (host.contains(QStringLiteral("://")))
        return QStringLiteral("只写主机名，不写“http://”之类的协议");
    for (QChar c : {u'/', u'?', u'#', u'\\'}) {
        if (host.contains(c))
            return QStringLiteral("只写主机名，不写路径（“%1”及其后的部分）").arg(c);
    }
    if (host.contains(u'@'))
        return QStringLiteral("不能含“@”");
    QString name = host;
    QString port;
    if (host.startsWith(u'[')) {
        // An IPv6 address in brackets, as it stands in an address.
        const qsizetype close = host.indexOf(u']');
        if (close < 0)
            return QStringLiteral("IPv6地址缺少“]”");
        name = host.mid(1, close - 1);
        const QString rest = host.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':'))
            return QStringLiteral("“]”之后只能是“:端口”");
        port = rest.mid(1);
        if (!rest.isEmpty() && port.isEmpty())
            return QStringLiteral("端口须为1到65535之间的数字");
        for (QChar c : name) {
            if (!(c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f') || c == u':' || c == u'.'))
                return QStringLiteral("IPv6地址含有不允许的字符“%1”").arg(c);
        }
        if (name.isEmpty())
            return QStringLiteral("缺少主机名");
    } else {
        const qsizetype colon = host.indexOf(u':');
        if (colon >= 0) {
            name = host.left(colon);
            port = host.mid(colon + 1);
            if (port.isEmpty() || port.contains(u':'))
                return QStringLiteral("端口须为1到65535之间的数字");
        }
        if (name.isEmpty())
            return QStringLiteral("缺少主机名");
        for (QChar c : name) {
            if (!isHostCharacter(c))
                return QStringLiteral("主机名含有不允许的字符“%1”").arg(c);
        }
        if (name.startsWith(u'.') || name.endsWith(u'.') || name.contains(QStringLiteral("..")) ||
            name.startsWith(u'-'))
            return QStringLiteral("主机名“%1”不是有效的名字").arg(name);
    }
    if (!port.isEmpty() || host.endsWith(u':')) {
        bool ok = false;
        const int number = port.toInt(&ok);
        const bool digitsOnly = std::all_of(port.begin(), port.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (!ok || !digitsOnly || number < 1 || number > 65535)
            return QStringLiteral("端口须为1到65535之间的数字");
    }
    return {};
}

SiteHosts readSourceSettings(const QString& dataDir)
{
    SiteHosts hosts;
    for (PageSite site : kPageSites)
        hosts[std::size_t(site)] = defaultSiteHost(site);
    const QString path = sourceSettingsPath(dataDir);
    const QHash<QString, QString> keys = iniSection(settingsBytes(path), kHostsSection);
    for (PageSite site : kPageSites) {
        const auto it = keys.constFind(siteKey(site));
        if (it == keys.constEnd() || it->isEmpty())
            continue;
        const QString problem = hostProblem(*it);
        if (!problem.isEmpty())
            throw UserError(QStringLiteral("数据源设置 %1 中 %2（%3）的主机“%4”无效：%5。")
                                .arg(path, siteKey(site), siteTitle(site), *it, problem));
        hosts[std::size_t(site)] = *it;
    }
    return hosts;
}

QString drawUrlProblem(const QString& url)
{
    for (QChar c : url) {
        if (c.isSpace())
            return QStringLiteral("不能含空格");
    }
    const qsizetype schemeEnd = url.indexOf(QStringLiteral("://"));
    const QString scheme = url.left(std::max<qsizetype>(schemeEnd, 0)).toLower();
    if (schemeEnd < 0 || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https")))
        return QStringLiteral("须为以 http:// 或 https:// 开头的完整网址");
    const QString rest = url.mid(schemeEnd + 3);
    qsizetype authorityEnd = rest.size();
    for (QChar c : {u'/', u'?', u'#'}) {
        const qsizetype at = rest.indexOf(c);
        if (at >= 0)
            authorityEnd = std::min(authorityEnd, at);
    }
    // The host obeys the same rule as the sites' hosts.
    const QString authority = rest.left(authorityEnd);
    const QString problem = hostProblem(authority);
    if (!problem.isEmpty())
        return authority.isEmpty() ? QStringLiteral("缺少主机名")
                                   : QStringLiteral("主机“%1”无效：%2").arg(authority, problem);
    if (!QUrl(url, QUrl::StrictMode).isValid())
        return QStringLiteral("不是有效的网址");
    return {};
}

DrawUrls readDrawUrls(const QString& dataDir)
{
    const QString path = sourceSettingsPath(dataDir);
    const QHash<QString, QString> keys = iniSection(settingsBytes(path), kDrawsSection);
    DrawUrls urls;
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        const QString url = keys.value(lottery.settingsKey);
        if (url.isEmpty())
            continue;
        const QString problem = drawUrlProblem(url);
        if (!problem.isEmpty())
            throw UserError(QStringLiteral("数据源设置 %1 中 %2（%3）的开奖数据网址“%4”无效：%5。")
                                .arg(path, lottery.settingsKey, lottery.name, url, problem));
        urls.insert(lottery.name, url);
    }
    return urls;
}

void writeSourceSettings(const QString& dataDir, const SiteHosts& hosts, const DrawUrls& urls)
{
    for (PageSite site : kPageSites) {
        const QString& host = hosts[std::size_t(site)];
        const QString problem = hostProblem(host);
        if (!problem.isEmpty())
            throw UserError(QStringLiteral("%1的主机“%2”无效：%3。").arg(siteTitle(site), host, problem));
    }
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        const QString url = urls.value(lottery.name).trimmed();
        const QString problem = url.isEmpty() ? QString() : drawUrlProblem(url);
        if (!problem.isEmpty())
            throw UserError(QStringLiteral("%1的开奖数据网址“%2”无效：%3。").arg(lottery.name, url, problem));
    }
    QByteArray text = "[" + kHostsSection.toUtf8() + "]\n";
    for (PageSite site : kPageSites)
        text += siteKey(site).toUtf8() + '=' + hosts[std::size_t(site)].trimmed().toUtf8() + '\n';
    // Every key, set or not, so that a hand-edited file shows where an address goes.
    text += "\n[" + kDrawsSection.toUtf8() + "]\n";
    for (const LotteryInfo& lottery : LotteryCatalogue())
        text += lottery.settingsKey.toUtf8() + '=' + urls.value(lottery.name).trimmed().toUtf8() + '\n';
    const QString path = sourceSettingsPath(dataDir);
    writeWholeFile(path, text, QStringLiteral("无法保存数据源设置"));
}

void applySourceSettings(const QString& dataDir)
{
    const SiteHosts hosts = readSourceSettings(dataDir);
    const DrawUrls urls = readDrawUrls(dataDir);
    for (PageSite site : kPageSites)
        setSiteHost(site, hosts[std::size_t(site)]);
    for (const LotteryInfo& lottery : LotteryCatalogue())
        setDrawUrl(lottery.name, urls.value(lottery.name));
}

QString knownPagePath(PageSite site)
{
    // The lottery selected at start stands for the day-page and feed sites: it has both.
    const LotteryInfo* live = findLottery(mainListOrder().constFirst());
    switch (site) {
        case PageSite::Trend:
            return singlePagePath(HistorySource::TrendPage);
        case PageSite::Chart:
            return singlePagePath(HistorySource::ChartPage);
        case PageSite::DrawList:
            return drawListPath(live->drawListPage, today_clock::today());
        case PageSite::Feed:
            return live->feedPath;
    }
    return {};
}

std::vector<SiteCheck> checkSites(const SiteHosts& hosts, const std::function<void()>& waitTurn)
{
    std::vector<SiteCheck> checks;
    QTemporaryDir scratch;
    for (PageSite site : kPageSites) {
        SiteCheck check{site, false, {}};
        const QString host = hosts[std::size_t(site)].trimmed();
        const QString problem = hostProblem(host);
        if (!problem.isEmpty()) {
            check.text = QStringLiteral("主机无效：%1").arg(problem);
        } else if (!scratch.isValid()) {
            check.text = QStringLiteral("无法建立临时文件夹");
        } else {
            try {
                fetchPage(QStringLiteral("http://") + host + knownPagePath(site),
                          scratch.filePath(QStringLiteral("page-%1").arg(int(site))), waitTurn);
                check.reachable = true;
                check.text = QStringLiteral("可以连接");
            } catch (const std::exception& e) {
                check.text = QString::fromUtf8(e.what());
            }
        }
        checks.push_back(check);
    }
    return checks;
}

std::vector<DrawUrlCheck> checkDrawUrls(const DrawUrls& urls, const std::function<void()>& waitTurn)
{
    std::vector<DrawUrlCheck> checks;
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        const QString url = urls.value(lottery.name).trimmed();
        if (url.isEmpty())
            continue;
        DrawUrlCheck check{lottery.name, false, {}};
        const QString problem = drawUrlProblem(url);
        if (!problem.isEmpty()) {
            check.text = QStringLiteral("网址无效：%1").arg(problem);
        } else {
            try {
                const ParsedDrawFile document = readDrawUrl(url, lottery, {waitTurn, {}, {}});
                const auto newest = std::max_element(
                    document.draws.begin(), document.draws.end(),
                    [](const ImportedDraw& a, const ImportedDraw& b) { return a.periodId < b.periodId; });
                check.readable = newest != document.draws.end();
                check.text = check.readable
                                 ? QStringLiteral("共%1期，最新第%2期").arg(document.draws.size()).arg(newest->periodId)
                                 : QStringLiteral("没有找到开奖号码");
                if (!document.malformed.empty())
                    check.text += QStringLiteral("；%1行无法识别").arg(document.malformed.size());
            } catch (const std::exception& e) {
                check.text = QString::fromUtf8(e.what());
            }
        }
        checks.push_back(check);
    }
    return checks;
}
