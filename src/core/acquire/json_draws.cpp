#include "core/acquire/json_draws.h"

#include "core/acquire/sources/json_path.h"

#include "core/base/period_date.h"
#include "core/base/text_decoding.h"
#include "core/base/user_error.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>

namespace {

constexpr qsizetype kShownRowLength = 200;

// The value at the first of `paths` the row holds.
QJsonValue fieldOf(const QJsonValue& row, const QStringList& paths)
{
    for (const QString& path : paths) {
        const QJsonValue value = jsonAt(row, path);
        if (!value.isUndefined())
            return value;
    }
    return QJsonValue(QJsonValue::Undefined);
}

QString namesOf(const QStringList& paths)
{
    QString names;
    for (qsizetype i = 0; i < paths.size(); ++i)
        names += (i == 0                  ? QString()
                  : i + 1 == paths.size() ? QStringLiteral(" 或 ")
                                          : QStringLiteral("、")) +
                 paths[i];
    return names;
}

// The list of draws in `value`: the value itself, or under one of the names a list is kept
// under, one object deeper at most.
std::optional<QJsonArray> drawList(const QJsonValue& value, int depth)
{
    if (value.isArray())
        return value.toArray();
    if (!value.isObject() || depth == 0)
        return std::nullopt;
    const QJsonObject object = value.toObject();
    for (QStringView name : {u"data", u"list", u"result", u"rows"}) {
        const QJsonValue inner = jsonAt(object, name);
        if (inner.isUndefined())
            continue;
        if (std::optional<QJsonArray> list = drawList(inner, depth - 1))
            return list;
    }
    return std::nullopt;
}

// A whole number as JSON gives it (a period or digits written without quotes).
std::optional<QString> wholeNumber(const QJsonValue& value)
{
    const double number = value.toDouble();
    if (number < 0 || number > 1e15 || std::floor(number) != number)
        return std::nullopt;
    return QString::number(qint64(number));
}

QString periodText(const QJsonValue& value, const QStringList& paths, QString& problem)
{
    if (value.isUndefined()) {
        problem = QStringLiteral("缺少期号（%1）").arg(namesOf(paths));
        return {};
    }
    QString period;
    if (value.isDouble()) {
        period = wholeNumber(value).value_or(QString::number(value.toDouble()));
    } else if (value.isString()) {
        period = value.toString().trimmed();
        // "20261210-001", as some sources write the day apart from its number.
        const qsizetype dash = period.indexOf(u'-');
        if (dash > 0 && dash < period.size() - 1 && period.count(u'-') == 1)
            period.remove(dash, 1);
    } else {
        problem = QStringLiteral("期号应为文字或数字");
        return {};
    }
    // The import reads the period as the line's first token: only digits may stand there.
    if (!isDigitString(period)) {
        problem = notDigitsPeriodText(period.left(kShownRowLength));
        return {};
    }
    return period;
}

QString digitPart(const QJsonValue& value, QString& problem)
{
    if (value.isDouble()) {
        if (std::optional<QString> number = wholeNumber(value))
            return *number;
    } else if (value.isString()) {
        // On one line whatever blanks it holds: a line break would start another draw.
        return value.toString().simplified();
    }
    problem = QStringLiteral("开奖号码应为文字、数字或数字的列表");
    return {};
}

QString digitsText(const QJsonValue& value, const QStringList& paths, QString& problem)
{
    if (value.isUndefined()) {
        problem = QStringLiteral("缺少开奖号码（%1）").arg(namesOf(paths));
        return {};
    }
    if (!value.isArray())
        return digitPart(value, problem);
    QStringList parts;
    for (const QJsonValue& item : value.toArray()) {
        parts << digitPart(item, problem);
        if (!problem.isEmpty())
            return {};
    }
    return parts.join(u',');
}

QString rowText(const QJsonValue& row)
{
    const QByteArray json = row.isObject() ? QJsonDocument(row.toObject()).toJson(QJsonDocument::Compact)
                                           : QJsonDocument(QJsonArray{row}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json).left(kShownRowLength);
}

}  // namespace

bool looksLikeJson(const QByteArray& bytes)
{
    const QByteArrayView view = withoutByteOrderMark(bytes);
    const QByteArrayView text = view.trimmed();
    return text.startsWith('{') || text.startsWith('[');
}

ParsedDrawFile parseJsonDraws(const QByteArray& bytes, const LotteryInfo& lottery, const QDate& today)
{
    const QByteArrayView view = withoutByteOrderMark(bytes);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(view.toByteArray(), &error);
    // Qt reads at most 1024 levels: a deeper document may be JSON, but is no draw list.
    if (error.error == QJsonParseError::DeepNesting)
        throw UserError(
            QStringLiteral("JSON嵌套过深（第%1个字节处超过了可读的层数），不是开奖列表").arg(error.offset + 1));
    if (error.error != QJsonParseError::NoError)
        throw UserError(QStringLiteral("内容不是有效的JSON（第%1个字节处有误）").arg(error.offset + 1));
    const std::optional<QJsonArray> list =
        document.isArray() ? std::optional<QJsonArray>(document.array()) : drawList(document.object(), 2);
    if (!list)
        throw UserError(QStringLiteral("JSON中没有开奖列表（应在顶层或 data、list、result、rows 之下）"));

    return parseJsonRows(*list, JsonRowFields(), lottery, today);
}

ParsedDrawFile parseJsonRows(const QJsonArray& list, const JsonRowFields& fields, const LotteryInfo& lottery,
                             const QDate& today)
{
    // Each row becomes one line of a draw file, "<period> <digits>", read by the import's own
    // parser; a row refused here leaves its line blank, which the parser passes over.
    QString text;
    std::vector<MalformedLine> refused;
    int row = 0;
    for (const QJsonValue& value : list) {
        ++row;
        QString problem;
        QString line;
        if (!value.isObject()) {
            problem = QStringLiteral("不是含期号和开奖号码的对象");
        } else {
            const QString period = periodText(fieldOf(value, fields.period), fields.period, problem);
            const QString digits =
                problem.isEmpty() ? digitsText(fieldOf(value, fields.digits), fields.digits, problem) : QString();
            line = period + u' ' + digits;
        }
        if (problem.isEmpty())
            text += line;
        else
            refused.push_back({row, rowText(value), problem});
        text += u'\n';
    }
    ParsedDrawFile parsed = parseDrawFile(text.toUtf8(), lottery, today);
    parsed.malformed.insert(parsed.malformed.end(), refused.begin(), refused.end());
    parsed.malformedCount += int(refused.size());
    std::stable_sort(parsed.malformed.begin(), parsed.malformed.end(),
                     [](const MalformedLine& a, const MalformedLine& b) { return a.line < b.line; });
    // Only the first are kept to be shown, as for a draw file.
    if (parsed.malformed.size() > std::size_t(kKeptMalformedLines))
        parsed.malformed.resize(std::size_t(kKeptMalformedLines));
    return parsed;
}
