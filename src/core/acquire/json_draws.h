#pragma once

#include "core/store/draw_file_parser.h"

#include <QByteArray>
#include <QDate>
#include <QJsonArray>
#include <QStringList>

struct LotteryInfo;

// Draw lists as web sources serve them in JSON: a list of draws at the top level or under
// "data", "list", "result" or "rows" (also one object deeper, as in {"result":{"data":[…]}});
// each draw an object with a period ("expect", "issue", "period" or "期号") and its digits
// ("opencode", "code", "numbers" or "号码": "1,2,3", "1 2 3", "123" or [1,2,3]). Key names are
// matched whatever their case; other fields are ignored.

// Whether the bytes are meant as JSON: the first character that is not blank opens an object
// or a list.
bool looksLikeJson(const QByteArray& bytes);

// The draws of the list for `lottery`, read by the import's rules: periods of the table's length
// or without the two leading year digits, a dash inside a period left out, periods not drawn yet
// by `today` refused. A row is a "line" (1-based) of the result, so the import's reports read as
// rows; every row no draw can be read from is among `malformed` with the reason why. A document
// that is no JSON, or holds no list where one is looked for, raises UserError.
ParsedDrawFile parseJsonDraws(const QByteArray& bytes, const LotteryInfo& lottery, const QDate& today);

// Where a row of a list keeps its period and its digits: the first of the paths (json_path.h) the
// row holds.
struct JsonRowFields {
    QStringList period = {QStringLiteral("expect"), QStringLiteral("issue"), QStringLiteral("period"),
                          QStringLiteral("期号")};
    QStringList digits = {QStringLiteral("opencode"), QStringLiteral("code"), QStringLiteral("numbers"),
                          QStringLiteral("号码")};
};

// The draws of a list already found, each row read at `fields`, by the same rules.
ParsedDrawFile parseJsonRows(const QJsonArray& list, const JsonRowFields& fields, const LotteryInfo& lottery,
                             const QDate& today);
