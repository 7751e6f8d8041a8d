#include "core/acquire/host_rules.h"

#include "core/acquire/source_hosts.h"
#include "core/base/period_date.h"
#include "core/base/user_error.h"

#include <QStringList>
#include <QUrl>
#include <algorithm>

#include <arpa/inet.h>

namespace {

const QString kHasSpace = QStringLiteral("不能含空格");

const QString kNoHostName = QStringLiteral("缺少主机名");

const QString kBadPort = QStringLiteral("端口须为1到65535之间的数字");

constexpr int kMaxHostLength = 253;
constexpr int kMaxLabelLength = 63;

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
std::optional<QString> nameProblem(const QString& name)
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
    return std::nullopt;
}

// A host split into its name and port ("" when none), the name of a bracketed IPv6 address
// without its brackets; `problem` says why it cannot be split.
struct HostParts {
    QString name;
    QString port;
    bool ipv6 = false;
    std::optional<QString> problem;
};

HostParts splitHost(const QString& host)
{
    HostParts parts;
    if (host.startsWith(u'[')) {
        parts.ipv6 = true;
        const qsizetype close = host.indexOf(u']');
        if (close < 0) {
            parts.problem = QStringLiteral("IPv6地址缺少“]”");
            return parts;
        }
        parts.name = host.mid(1, close - 1);
        const QString rest = host.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':'))
            parts.problem = QStringLiteral("“]”之后只能是“:端口”");
        else if (rest == QStringLiteral(":"))
            parts.problem = kBadPort;
        parts.port = rest.mid(1);
        return parts;
    }
    const qsizetype colon = host.indexOf(u':');
    parts.name = host.left(colon < 0 ? host.size() : colon);
    if (colon >= 0) {
        parts.port = host.mid(colon + 1);
        if (parts.port.contains(u':'))
            parts.problem = QStringLiteral("IPv6地址须写在方括号中，如 [::1]:8080");
        else if (parts.port.isEmpty())
            parts.problem = kBadPort;
    }
    return parts;
}

}  // namespace

std::optional<QString> hostProblem(const QString& written)
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
    const HostParts parts = splitHost(host);
    if (parts.problem)
        return parts.problem;
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
        if (auto problem = nameProblem(name))
            return problem;
    }
    if (!parts.port.isEmpty()) {
        bool ok = false;
        const int number = parts.port.toInt(&ok);
        if (!ok || !std::all_of(parts.port.begin(), parts.port.end(), isAsciiDigit) || number < 1 || number > 65535)
            return kBadPort;
    }
    return std::nullopt;
}

QString normalisedHost(const QString& host)
{
    const QString trimmed = host.trimmed();
    if (hostProblem(trimmed))
        return trimmed;
    // The scheme of an HTTPS site stays as written; the host after it is normalised like any other.
    const bool https = isHttpsHost(trimmed);
    const QString bare = https ? trimmed.mid(kHttpsPrefix.size()) : trimmed;
    const HostParts parts = splitHost(bare);
    if (parts.ipv6)
        return trimmed;
    return (https ? kHttpsPrefix : QString()) + asciiName(parts.name) +
           (parts.port.isEmpty() ? QString() : u':' + parts.port);
}
std::optional<QString> drawUrlProblem(const QString& url)
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
    if (const auto problem = hostProblem(authority))
        return authority.isEmpty() ? kNoHostName
                                   : QStringLiteral("主机“%1”无效：%2").arg(withoutCredentials(authority), *problem);
    if (!QUrl(url, QUrl::StrictMode).isValid())
        return QStringLiteral("不是有效的网址");
    return std::nullopt;
}
