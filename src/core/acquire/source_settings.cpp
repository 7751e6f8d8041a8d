#include "core/acquire/source_settings.h"

#include "core/base/lottery_table.h"
#include "core/base/period_date.h"
#include "core/base/program_paths.h"
#include "core/base/text_decoding.h"
#include "core/base/user_error.h"
#include "core/base/whole_file.h"

#include <QFile>
#include <QHash>
#include <algorithm>

namespace {

const QString kHostsSection = QStringLiteral("hosts");
const QString kDrawsSection = QStringLiteral("draws");
const QString kSourcesSection = QStringLiteral("sources");
const QString kConfirmSection = QStringLiteral("confirm");

// The file is a handful of lines; anything larger is not this file.
constexpr qint64 kMaxSettingsBytes = 64 * 1024;

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
        if (const auto problem = drawUrlProblem(url))
            file.urlProblems.insert(lottery.name, *problem);
    }
    const QHash<QString, QString> chosen = ini.sections.value(kSourcesSection);
    const QHash<QString, QString> confirming = ini.sections.value(kConfirmSection);
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        if (const QString choice = chosen.value(lottery.settingsKey); !choice.isEmpty())
            file.choices.insert(lottery.name, choice);
        if (const QString confirm = confirming.value(lottery.settingsKey); !confirm.isEmpty())
            file.confirmations.insert(lottery.name, confirm);
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
        if (const auto& problem = file.hostProblems[i])
            throw UserError(
                QStringLiteral("数据源设置 %1 中 %2（%3）的主机“%4”无效：%5。")
                    .arg(sourceSettingsPath(dataDir), siteKey(site), siteTitle(site), file.hosts[i], *problem));
        hosts[i] = file.hosts[i].isEmpty() ? defaultSiteHost(site) : file.hosts[i];
    }
    return hosts;
}

DrawUrls drawUrlsOf(const SourceSettingsFile& file, const QString& dataDir)
{
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        if (const auto problem = file.urlProblems.constFind(lottery.name); problem != file.urlProblems.constEnd())
            throw UserError(QStringLiteral("数据源设置 %1 中 %2（%3）的开奖数据网址“%4”无效：%5。")
                                .arg(sourceSettingsPath(dataDir), lottery.settingsKey, lottery.name,
                                     file.urls.value(lottery.name), *problem));
    }
    return file.urls;
}

// UserError naming the file, the section and the lottery when `id` is no described source that
// serves the lottery.
void requireServingSource(const SourceDescriptions& all, const QString& id, const LotteryInfo& lottery,
                          const QString& section, const QString& otherwise, const QString& dataDir)
{
    const SourceDescription* source = findSource(all, id);
    if (!source || !source->serving(lottery.name))
        throw UserError(QStringLiteral("数据源设置 %1 中 [%2] %3（%4）的来源“%5”%6。")
                            .arg(sourceSettingsPath(dataDir), section, lottery.settingsKey, lottery.name, id,
                                 source ? QStringLiteral("不提供这种彩票的开奖")
                                        : QStringLiteral("不存在（可用%1）").arg(otherwise)));
}

// What each lottery reads: the file's choice, a source that serves it or its site pages; a
// lottery the file names no choice for reads its operator's list where one is described, and its
// site pages otherwise.
SourceChoices choicesOf(const SourceSettingsFile& file, const SourceDescriptions& all, const QString& dataDir)
{
    SourceChoices choices;
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        QString choice = file.choices.value(lottery.name);
        if (choice.isEmpty()) {
            const SourceDescription* operatorList = defaultSource(all, lottery.name);
            choice = operatorList ? operatorList->id : kSitePagesChoice;
        } else if (choice != kSitePagesChoice) {
            requireServingSource(all, choice, lottery, kSourcesSection, QStringLiteral(" pages 或开奖来源的 id"),
                                 dataDir);
        }
        choices.insert(lottery.name, choice);
    }
    return choices;
}

// Each lottery's 核对来源 as the file names it, refused as choicesOf refuses a choice.
SourceChoices confirmationsOf(const SourceSettingsFile& file, const SourceDescriptions& all, const QString& dataDir)
{
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        if (const QString id = file.confirmations.value(lottery.name); !id.isEmpty())
            requireServingSource(all, id, lottery, kConfirmSection, QStringLiteral("开奖来源的 id"), dataDir);
    }
    return file.confirmations;
}

}  // namespace

void writeSourceSettings(const QString& dataDir, const SiteHosts& hosts, const DrawUrls& urls,
                         const SourceChoices& choices, const SourceChoices& confirmations)
{
    for (PageSite site : kPageSites) {
        const QString& host = hosts[std::size_t(site)];
        if (const auto problem = hostProblem(host))
            throw UserError(QStringLiteral("%1的主机“%2”无效：%3。").arg(siteTitle(site), host, *problem));
    }
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        const QString url = urls.value(lottery.name).trimmed();
        if (const auto problem = url.isEmpty() ? std::nullopt : drawUrlProblem(url))
            throw UserError(QStringLiteral("%1的开奖数据网址“%2”无效：%3。").arg(lottery.name, url, *problem));
    }
    QByteArray text = "[" + kHostsSection.toUtf8() + "]\n";
    for (PageSite site : kPageSites)
        text += siteKey(site).toUtf8() + '=' + normalisedHost(hosts[std::size_t(site)]).toUtf8() + '\n';
    // Every key, set or not, so that a hand-edited file shows where an address goes.
    text += "\n[" + kDrawsSection.toUtf8() + "]\n";
    for (const LotteryInfo& lottery : LotteryCatalogue())
        text += lottery.settingsKey.toUtf8() + '=' + urls.value(lottery.name).trimmed().toUtf8() + '\n';
    // Only the choices made: a lottery without one reads its operator's list.
    if (!choices.isEmpty()) {
        text += "\n[" + kSourcesSection.toUtf8() + "]\n";
        for (const LotteryInfo& lottery : LotteryCatalogue()) {
            if (choices.contains(lottery.name))
                text += lottery.settingsKey.toUtf8() + '=' + choices.value(lottery.name).toUtf8() + '\n';
        }
    }
    // Only the lotteries that have one.
    if (std::any_of(confirmations.cbegin(), confirmations.cend(), [](const QString& id) { return !id.isEmpty(); })) {
        text += "\n[" + kConfirmSection.toUtf8() + "]\n";
        for (const LotteryInfo& lottery : LotteryCatalogue()) {
            if (const QString id = confirmations.value(lottery.name).trimmed(); !id.isEmpty())
                text += lottery.settingsKey.toUtf8() + '=' + id.toUtf8() + '\n';
        }
    }
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
    sources.descriptions = sourceDescriptions(dataDir);
    sources.choices = choicesOf(file, sources.descriptions, dataDir);
    sources.confirmations = confirmationsOf(file, sources.descriptions, dataDir);
    return sources;
}
