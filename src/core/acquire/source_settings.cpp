#include "core/acquire/source_settings.h"

#include "core/acquire/page_fetch.h"
#include "core/acquire/site_paths.h"
#include "core/acquire/url_source.h"
#include "core/base/lottery_table.h"
#include "core/base/period_date.h"
#include "core/base/program_paths.h"
#include "core/base/text_decoding.h"
#include "core/base/user_error.h"
#include "core/base/whole_file.h"

#include <QFile>
#include <QHash>
#include <QUrl>
#include <algorithm>

#include <arpa/inet.h>

namespace {

const QString kHasSpace = QStringLiteral("不能含空格");

const QString kNoHostName = QStringLiteral("缺少主机名");

const QString kBadPort = QStringLiteral("端口须为1到65535之间的数字");

const QString kHostsSection = QStringLiteral("hosts");
const QString kDrawsSection = QStringLiteral("draws");

// The file is a handful of lines; anything larger is not this file.
constexpr qint64 kMaxSettingsBytes = 64 * 1024;
constexpr int kMaxHostLength = 253;
constexpr int kMaxLabelLength = 63;

QString unquoted(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        value = value.mid(1, value.size() - 2);
    return value;
}

// The file as sections of keys, read here rather than through QSettings, whose per-process cache
// may hand back a file as it was before it was just replaced. Section and key names are in lower
// case; an absent file has no sections.
struct IniFile {
    bool exists = false;
    QHash<QString, QHash<QString, QString>> sections;
};

// UserError naming the file when it cannot be read, is larger than any settings file, or is not
// UTF-8 or GBK text (a UTF-16 or binary file): its hosts would otherwise be passed over unseen.
IniFile iniOf(const QByteArray& bytes, const QString& path)
{
    IniFile ini;
    ini.exists = true;
    if (bytes.size() > kMaxSettingsBytes)
        throw UserError(QStringLiteral("数据源设置 %1 过大（超过%2 KB），不是本程序的设置文件。")
                            .arg(path)
                            .arg(kMaxSettingsBytes / 1024));
    const TextEncoding encoding = detectTextEncoding(bytes);
    if (!encoding.readable())
        throw UserError(
            QStringLiteral("数据源设置 %1 不是UTF-8或GBK文本（%2无法识别）。").arg(path, badTextPlace(encoding)));
    QStringDecoder decoder = textDecoder(encoding);
    QString section;
    for (qsizetype next = encoding.bomLength; next < bytes.size();) {
        const qsizetype start = next;
        const qsizetype end = lineEnd(bytes, start, next);
        decoder.resetState();
        const QString line = QString(decoder.decode(QByteArrayView(bytes).sliced(start, end - start))).trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            ini.sections[section];
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (section.isEmpty() || equals < 0)
            continue;
        ini.sections[section].insert(line.left(equals).trimmed().toLower(), unquoted(line.mid(equals + 1)));
    }
    return ini;
}

// UserError naming the file when it cannot be read, is larger than any settings file, or is not
// UTF-8 or GBK text (a UTF-16 or binary file): its hosts would otherwise be passed over unseen.
IniFile readIni(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("无法读取数据源设置 %1：%2").arg(path, file.errorString()));
    // One byte more than the most it takes shows a larger file without reading it whole.
    return iniOf(file.read(kMaxSettingsBytes + 1), path);
}

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool isAsciiLetterOrDigit(QChar c)
{
    return isAsciiDigit(c) || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The name of a host written as the address uses it: an internationalised name as its punycode
// (xn--…), so that the host contacted is the one shown. Empty when the name cannot be converted.
QString asciiName(const QString& name)
{
    if (isAscii(name))
        return name;
    return QString::fromLatin1(QUrl::toAce(name));
}

// Why an ASCII host name (no port) is neither a name nor an IPv4 address.
QString nameProblem(const QString& name)
{
    if (name.size() > kMaxHostLength)
        return QStringLiteral("主机名过长（%1个字符，最多%2个）").arg(name.size()).arg(kMaxHostLength);
    for (QChar c : name) {
        if (!isAsciiLetterOrDigit(c) && c != u'-' && c != u'.')
            return QStringLiteral("主机名含有不允许的字符“%1”（只能用英文字母、数字、“-”和“.”）").arg(c);
    }
    const QStringList labels = name.split(u'.');
    bool allNumbers = true;
    for (const QString& label : labels) {
        if (label.isEmpty() || label.size() > kMaxLabelLength || label.startsWith(u'-') || label.endsWith(u'-'))
            return QStringLiteral("主机名“%1”不是有效的名字").arg(name);
        allNumbers = allNumbers && std::all_of(label.begin(), label.end(), isAsciiDigit);
    }
    in_addr address{};
    if (allNumbers && inet_pton(AF_INET, name.toLatin1().constData(), &address) != 1)
        return QStringLiteral("“%1”不是有效的IPv4地址").arg(name);
    return {};
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

namespace {

// A host split into its name and port ("" when none), the name of a bracketed IPv6 address
// without its brackets. Empty with `problem` set when it cannot be split.
struct HostParts {
    QString name;
    QString port;
    bool ipv6 = false;
};

HostParts splitHost(const QString& host, QString& problem)
{
    HostParts parts;
    if (host.startsWith(u'[')) {
        parts.ipv6 = true;
        const qsizetype close = host.indexOf(u']');
        if (close < 0) {
            problem = QStringLiteral("IPv6地址缺少“]”");
            return parts;
        }
        parts.name = host.mid(1, close - 1);
        const QString rest = host.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':'))
            problem = QStringLiteral("“]”之后只能是“:端口”");
        else if (rest == QStringLiteral(":"))
            problem = kBadPort;
        parts.port = rest.mid(1);
        return parts;
    }
    const qsizetype colon = host.indexOf(u':');
    parts.name = host.left(colon < 0 ? host.size() : colon);
    if (colon >= 0) {
        parts.port = host.mid(colon + 1);
        if (parts.port.contains(u':'))
            problem = QStringLiteral("IPv6地址须写在方括号中，如 [::1]:8080");
        else if (parts.port.isEmpty())
            problem = kBadPort;
    }
    return parts;
}

}  // namespace

QString hostProblem(const QString& written)
{
    // "https://" asks for an encrypted connection; what follows is a host like any other.
    const QString host = isHttpsHost(written) ? written.mid(kHttpsPrefix.size()) : written;
    if (host.trimmed().isEmpty())
        return QStringLiteral("不能为空");
    // Long before any host: said before anything else is looked at.
    if (host.size() > kMaxHostLength + 8)
        return QStringLiteral("过长（%1个字符，主机名最多%2个）").arg(host.size()).arg(kMaxHostLength);
    for (QChar c : host) {
        if (c.isSpace())
            return kHasSpace;
    }
    if (host.contains(QStringLiteral("://")))
        return QStringLiteral("只写主机名，或“https://主机名”，不写其他协议");
    for (QChar c : {u'/', u'?', u'#', u'\\'}) {
        if (host.contains(c))
            return QStringLiteral("只写主机名，不写路径（“%1”及其后的部分）").arg(c);
    }
    if (host.contains(u'@'))
        return QStringLiteral("不能含“@”");
    QString problem;
    const HostParts parts = splitHost(host, problem);
    if (!problem.isEmpty())
        return problem;
    if (parts.name.isEmpty())
        return kNoHostName;
    if (parts.ipv6) {
        in6_addr address{};
        if (!isAscii(parts.name) || inet_pton(AF_INET6, parts.name.toLatin1().constData(), &address) != 1)
            return QStringLiteral("“%1”不是有效的IPv6地址").arg(parts.name);
    } else {
        const QString name = asciiName(parts.name);
        if (name.isEmpty())
            return QStringLiteral("主机名“%1”无法写成国际化域名的punycode形式").arg(parts.name);
        problem = nameProblem(name);
        if (!problem.isEmpty())
            return problem;
    }
    if (!parts.port.isEmpty()) {
        bool ok = false;
        const int number = parts.port.toInt(&ok);
        if (!ok || !std::all_of(parts.port.begin(), parts.port.end(), isAsciiDigit) || number < 1 || number > 65535)
            return kBadPort;
    }
    return {};
}

QString normalisedHost(const QString& host)
{
    const QString trimmed = host.trimmed();
    if (!hostProblem(trimmed).isEmpty())
        return trimmed;
    // The scheme of an HTTPS site stays as written; the host after it is normalised like any other.
    const bool https = isHttpsHost(trimmed);
    const QString bare = https ? trimmed.mid(kHttpsPrefix.size()) : trimmed;
    QString problem;
    const HostParts parts = splitHost(bare, problem);
    if (parts.ipv6)
        return trimmed;
    return (https ? kHttpsPrefix : QString()) + asciiName(parts.name) +
           (parts.port.isEmpty() ? QString() : u':' + parts.port);
}

namespace {

SourceSettingsFile settingsOf(const IniFile& ini)
{
    SourceSettingsFile file;
    file.exists = ini.exists;
    file.hasHosts = ini.sections.contains(kHostsSection);
    const QHash<QString, QString> hosts = ini.sections.value(kHostsSection);
    for (PageSite site : kPageSites) {
        const std::size_t i = std::size_t(site);
        file.hosts[i] = hosts.value(siteKey(site));
        if (file.hosts[i].isEmpty())
            continue;
        file.hostProblems[i] = hostProblem(file.hosts[i]);
        file.hosts[i] = normalisedHost(file.hosts[i]);
    }
    const QHash<QString, QString> draws = ini.sections.value(kDrawsSection);
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        const QString url = draws.value(lottery.settingsKey);
        if (url.isEmpty())
            continue;
        file.urls.insert(lottery.name, url);
        const QString problem = drawUrlProblem(url);
        if (!problem.isEmpty())
            file.urlProblems.insert(lottery.name, problem);
    }
    return file;
}

}  // namespace

SourceSettingsFile readSourceSettingsFile(const QString& dataDir)
{
    return settingsOf(readIni(sourceSettingsPath(dataDir)));
}

SourceSettingsFile sourceSettingsOf(const QByteArray& bytes, const QString& path)
{
    return settingsOf(iniOf(bytes, path));
}

namespace {

SiteHosts hostsOf(const SourceSettingsFile& file, const QString& dataDir)
{
    SiteHosts hosts;
    for (PageSite site : kPageSites) {
        const std::size_t i = std::size_t(site);
        if (!file.hostProblems[i].isEmpty())
            throw UserError(QStringLiteral("数据源设置 %1 中 %2（%3）的主机“%4”无效：%5。")
                                .arg(sourceSettingsPath(dataDir), siteKey(site), siteTitle(site), file.hosts[i],
                                     file.hostProblems[i]));
        hosts[i] = file.hosts[i].isEmpty() ? defaultSiteHost(site) : file.hosts[i];
    }
    return hosts;
}

DrawUrls drawUrlsOf(const SourceSettingsFile& file, const QString& dataDir)
{
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        const QString problem = file.urlProblems.value(lottery.name);
        if (!problem.isEmpty())
            throw UserError(QStringLiteral("数据源设置 %1 中 %2（%3）的开奖数据网址“%4”无效：%5。")
                                .arg(sourceSettingsPath(dataDir), lottery.settingsKey, lottery.name,
                                     file.urls.value(lottery.name), problem));
    }
    return file.urls;
}

}  // namespace

QString drawUrlProblem(const QString& url)
{
    for (QChar c : url) {
        if (c.isSpace())
            return kHasSpace;
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
    // The host obeys the same rule as the sites' hosts, but is taken only as written: an
    // internationalised name must already be punycode, so that the host asked is the one shown.
    const QString authority = rest.left(authorityEnd);
    if (!isAscii(authority))
        return QStringLiteral("网址中的主机名须写成punycode形式（xn--…）");
    const QString problem = hostProblem(authority);
    if (!problem.isEmpty())
        return authority.isEmpty() ? kNoHostName : QStringLiteral("主机“%1”无效：%2").arg(authority, problem);
    if (!QUrl(url, QUrl::StrictMode).isValid())
        return QStringLiteral("不是有效的网址");
    return {};
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
        text += siteKey(site).toUtf8() + '=' + normalisedHost(hosts[std::size_t(site)]).toUtf8() + '\n';
    // Every key, set or not, so that a hand-edited file shows where an address goes.
    text += "\n[" + kDrawsSection.toUtf8() + "]\n";
    for (const LotteryInfo& lottery : LotteryCatalogue())
        text += lottery.settingsKey.toUtf8() + '=' + urls.value(lottery.name).trimmed().toUtf8() + '\n';
    const QString path = sourceSettingsPath(dataDir);
    writeWholeFile(path, text, QStringLiteral("无法保存数据源设置"));
}

Sources readSources(const QString& dataDir)
{
    // Read once, so that the hosts and the addresses of a run come from the same file.
    const SourceSettingsFile file = readSourceSettingsFile(dataDir);
    // A file without [hosts] (a misspelt section, keys above any section) would leave every site
    // at its built host without a word.
    if (file.exists && !file.hasHosts)
        throw UserError(
            QStringLiteral("数据源设置 %1 中没有 [hosts] 一节：请按\n[hosts]\ntrend=主机名\n…\n写明各网站的主机，"
                           "或在主窗口的“数据源”中保存一次。")
                .arg(sourceSettingsPath(dataDir)));
    Sources sources;
    sources.hosts = hostsOf(file, dataDir);
    sources.drawUrls = drawUrlsOf(file, dataDir);
    return sources;
}

std::vector<SiteCheck> checkSites(const SiteHosts& hosts, const QDate& today, const FetchSettings& limits,
                                  const std::function<bool()>& cancelled)
{
    std::vector<SiteCheck> checks;
    // The sites are asked all at once; each answer is waited for in turn.
    PageFetcher fetcher(limits, cancelled);
    std::vector<int> tickets;
    for (PageSite site : kPageSites) {
        SiteCheck check{site, false, {}};
        const QString host = normalisedHost(hosts[std::size_t(site)]);
        const QString problem = hostProblem(host);
        if (!problem.isEmpty())
            check.text = QStringLiteral("主机无效：%1").arg(problem);
        tickets.push_back(problem.isEmpty() ? fetcher.request(siteUrl(host, knownPagePath(site, today))) : -1);
        checks.push_back(check);
    }
    bool cancelledNow = false;
    for (std::size_t k = 0; k < checks.size(); ++k) {
        if (tickets[k] < 0)
            continue;
        if (cancelledNow) {
            checks[k].text = kCancelledText;
            continue;
        }
        try {
            fetcher.take(tickets[k]);
            checks[k].reachable = true;
            checks[k].text = QStringLiteral("可以连接");
        } catch (const FetchCancelled&) {
            // The sites not yet answered are told as such; the answers already in stand.
            cancelledNow = true;
            checks[k].text = kCancelledText;
        } catch (const FetchError& e) {
            checks[k].text = e.message();
        }
    }
    return checks;
}

std::vector<DrawUrlCheck> checkDrawUrls(const DrawUrls& urls, const QDate& today, const FetchSettings& limits,
                                        const std::function<bool()>& cancelled)
{
    std::vector<DrawUrlCheck> checks;
    bool cancelledNow = false;
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        const QString url = urls.value(lottery.name).trimmed();
        if (url.isEmpty())
            continue;
        DrawUrlCheck check{lottery.name, false, {}};
        const QString problem = drawUrlProblem(url);
        if (cancelledNow || (cancelled && cancelled())) {
            cancelledNow = true;
            check.text = kCancelledText;
        } else if (!problem.isEmpty()) {
            check.text = QStringLiteral("网址无效：%1").arg(problem);
        } else {
            try {
                ReaderHooks hooks;
                hooks.cancelled = cancelled;
                hooks.fetchSettings = limits;
                hooks.today = today;
                const ParsedDrawFile document = readDrawUrl(url, lottery, hooks);
                const auto newest = std::max_element(
                    document.draws.begin(), document.draws.end(),
                    [](const ImportedDraw& a, const ImportedDraw& b) { return a.periodId < b.periodId; });
                check.readable = newest != document.draws.end();
                check.text = check.readable
                                 ? QStringLiteral("共%1期，最新第%2期").arg(document.draws.size()).arg(newest->periodId)
                                 : QStringLiteral("没有找到开奖号码");
                if (document.malformedCount > 0)
                    check.text += QStringLiteral("；%1行无法识别").arg(document.malformedCount);
            } catch (const ReadCancelled&) {
                cancelledNow = true;
                check.text = kCancelledText;
            } catch (const std::exception& e) {
                check.text = userMessageOf(e);
            }
        }
        checks.push_back(check);
    }
    return checks;
}
