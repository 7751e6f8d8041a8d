#pragma once

#include <QString>
#include <optional>

// What a host or a draw address typed into 数据源 may be: pure checks of the text, no network.

// Why `host` cannot be a site's host; none when it can. A host is a name of at most 253
// characters of ASCII letters, digits, "-" and "." (labels of 1 to 63, not starting or ending in
// "-"), an IPv4 address, a bracketed IPv6 address ("[::1]"), or an internationalised name, which
// goes to the sites as its punycode; any of them with ":port", 1 to 65535, and the whole
// optionally after "https://". No other scheme, no path or blanks.
std::optional<QString> hostProblem(const QString& host);

// The host as the address uses it and the window shows it: an internationalised name as its
// punycode ("例子.中国" -> "xn--fsqu00a.xn--fiqs8s", "ⅷ.com" -> "viii.com"); a bad host as it is.
QString normalisedHost(const QString& host);

// Why `url` cannot be a lottery's draw address (a full http:// or https:// address with a host
// as hostProblem allows, no blanks); none when it can.
std::optional<QString> drawUrlProblem(const QString& url);
