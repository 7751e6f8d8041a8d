#include "core/store/draw_import.h"

#include "core/base/lottery_table.h"
#include "core/base/period_date.h"
#include "core/base/user_error.h"
#include "core/store/database_refusal.h"
#include "core/store/draw_database.h"
#include "core/store/period_gaps.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>
#include <optional>

namespace {

// Far beyond any real history (a year of 时时彩 is under 50000 lines), small enough to read whole.
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
constexpr int kShownLineLength = 60;

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool hasDigit(QStringView text)
{
    for (QChar c : text) {
        if (isAsciiDigit(c))
            return true;
    }
    return false;
}

bool isDigitSeparator(QChar c)
{
    return c == u' ' || c == u'\t' || c == u',' || c == u';' || c == u'|' || c == u'，' || c == u'、' || c == u'\u3000';
}

QString withoutQuotes(QString text)
{
    text.remove(u'"');
    return text.trimmed();
}

QStringList tokens(const QString& text)
{
    QStringList parts;
    QString current;
    for (QChar c : text) {
        if (isDigitSeparator(c)) {
            if (!current.isEmpty())
                parts << std::exchange(current, {});
        } else if (c != u'"') {
            current += c;
        }
    }
    if (!current.isEmpty())
        parts << current;
    return parts;
}

// One CSV record: fields apart by `separator`, a field in double quotes may hold it.
QStringList csvFields(const QString& line, QChar separator)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == separator) {
            fields << field.trimmed();
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field.trimmed();
    return fields;
}

// Where a header line puts the period and the digits. Without a usable header the line's first
// token is the period and the rest are the digits.
struct Columns {
    QChar separator;
    int headerFields = 0;
    int period = 0;
    int digits = -1;             // one column holding all digits, or
    std::vector<int> positions;  // one column per digit
    int needed() const
    {
        int most = std::max(period, digits);
        for (int p : positions)
            most = std::max(most, p);
        return most + 1;
    }
};

std::optional<Columns> columnsOf(const QString& header, int digitCount)
{
    Columns columns;
    columns.separator = header.contains(u',')    ? u','
                        : header.contains(u'\t') ? u'\t'
                        : header.contains(u';')  ? u';'
                                                 : u' ';
    const QStringList names = columns.separator == u' ' ? tokens(header) : csvFields(header, columns.separator);
    columns.headerFields = int(names.size());
    int period = -1;
    for (int i = 0; i < names.size(); ++i) {
        const QString name = withoutQuotes(names[i]).toLower();
        const bool isPeriod = (name.contains(u'期') && !name.contains(QStringLiteral("日期"))) ||
                              name.contains(QStringLiteral("period")) || name.contains(QStringLiteral("issue"));
        if (isPeriod && period < 0) {
            period = i;
            continue;
        }
        if (name.contains(QStringLiteral("号码")) || name.contains(QStringLiteral("开奖号")) ||
            name.contains(QStringLiteral("number")) || name.contains(QStringLiteral("code")) ||
            name.contains(QStringLiteral("result"))) {
            if (columns.digits < 0)
                columns.digits = i;
        } else if (name.contains(u'位') || name.contains(u'球') || name.contains(QStringLiteral("ball"))) {
            columns.positions.push_back(i);
        }
    }
    if (period < 0)
        return std::nullopt;
    columns.period = period;
    if (columns.digits >= 0)
        columns.positions.clear();
    else if (int(columns.positions.size()) != digitCount)
        return std::nullopt;
    return columns;
}

struct LineReading {
    QString periodId;
    QString digits;
    QString problem;
};

// Lines of one day follow each other; the day last found valid is not parsed again.
bool isValidDay(QStringView yyyymmdd)
{
    static thread_local QString lastValid;
    if (yyyymmdd == lastValid)
        return true;
    const QDate day(yyyymmdd.left(4).toInt(), yyyymmdd.mid(4, 2).toInt(), yyyymmdd.mid(6, 2).toInt());
    if (!day.isValid())
        return false;
    lastValid = yyyymmdd.toString();
    return true;
}

QString normalisedPeriod(const QString& raw, const LotteryInfo& lottery, const QDate& today, QString& problem)
{
    const int length = lottery.periodIdLength;
    if (!isDigitString(raw)) {
        problem = QStringLiteral("期号“%1”不是数字").arg(raw);
        return {};
    }
    // Without the century the id is two shorter; with every lottery's length that cannot be
    // mistaken for another form.
    const QString id = raw.size() == length - 2 ? QStringLiteral("20") + raw : raw;
    if (id.size() != length) {
        problem = QStringLiteral("期号应为%1位（或省去年份前两位的%2位）").arg(length).arg(length - 2);
        return {};
    }
    const int groupLength = periodGroupLength(lottery);
    if (groupLength == 8 && !isValidDay(QStringView(id).left(8))) {
        problem = QStringLiteral("期号中的日期“%1”无效").arg(id.left(8));
        return {};
    }
    if (id.mid(groupLength).toInt() == 0) {
        problem = QStringLiteral("期号的序号不能为0");
        return {};
    }
    // A period not drawn yet would shut out every later draw of the lottery.
    problem = periodDateProblem(id, today);
    if (!problem.isEmpty())
        return {};
    return id;
}

QString digitsOf(const QStringList& parts, int digitCount, QString& problem)
{
    if (parts.isEmpty()) {
        problem = QStringLiteral("缺少开奖号码");
        return {};
    }
    QString digits;
    if (parts.size() == 1 && isDigitString(parts[0]))
        digits = parts[0];
    else if (parts.size() == digitCount)
        for (const QString& part : parts)
            digits += part.size() == 1 && isAsciiDigit(part[0]) ? part : QStringLiteral("x");
    if (digits.size() != digitCount || !isDigitString(digits)) {
        problem = QStringLiteral("开奖号码应为%1个0到9的数字").arg(digitCount);
        return {};
    }
    return digits;
}

LineReading readLine(const QString& line, const std::optional<Columns>& columns, const LotteryInfo& lottery,
                     const QDate& today)
{
    LineReading reading;
    QString period;
    QStringList digitParts;
    if (columns) {
        const QStringList fields = columns->separator == u' ' ? tokens(line) : csvFields(line, columns->separator);
        if (fields.size() < columns->needed()) {
            reading.problem = QStringLiteral("列数不足");
            return reading;
        }
        period = withoutQuotes(fields[columns->period]);
        if (columns->digits >= 0) {
            // A digits column that ends the header may stand for digits set apart like the
            // fields themselves ("期号,号码" over "2026224,8,6,2").
            const qsizetype end = columns->digits == columns->headerFields - 1 ? fields.size() : columns->digits + 1;
            for (qsizetype f = columns->digits; f < end; ++f)
                digitParts << tokens(fields[f]);
        } else {
            for (int p : columns->positions)
                digitParts << withoutQuotes(fields[p]);
        }
    } else {
        const QStringList parts = tokens(line);
        period = parts.value(0);
        digitParts = parts.mid(1);
    }
    reading.periodId = normalisedPeriod(period, lottery, today, reading.problem);
    if (reading.problem.isEmpty())
        reading.digits = digitsOf(digitParts, lottery.digitCount, reading.problem);
    return reading;
}

QString shownLine(const QString& text)
{
    return text.size() > kShownLineLength ? text.left(kShownLineLength) + QStringLiteral("…") : text;
}

QString digitColumnsSql(int digitCount)
{
    QStringList names;
    for (int k = 1; k <= digitCount; ++k)
        names << quoteIdentifier(QString::number(k));
    return names.join(QLatin1Char(','));
}

}  // namespace

QString decodeDrawFile(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    QStringDecoder gbk("GBK");
    if (!gbk.isValid())
        throw UserError(QStringLiteral("文件不是UTF-8文本，且本机无法读取GBK文本"));
    text = gbk.decode(view);
    if (gbk.hasError())
        throw UserError(QStringLiteral("文件既不是UTF-8也不是GBK文本"));
    return text;
}

ParsedDrawFile parseDrawFile(const QByteArray& bytes, const LotteryInfo& lottery)
{
    ParsedDrawFile parsed;
    const QString text = decodeDrawFile(bytes);
    QHash<QString, std::pair<QString, int>> seen;  // period id -> digits and line
    std::optional<Columns> columns;
    bool pastHeader = false;
    int lineNumber = 0;
    // Asked once: the clock behind it costs more than checking a line.
    const QDate today = today_clock::today();
    for (QStringView rawLine : QStringTokenizer(text, u'\n')) {
        ++lineNumber;
        const QString line = rawLine.trimmed().toString();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        // A header names its columns: no digit in its first field. Only the first content line can be one.
        if (!pastHeader) {
            pastHeader = true;
            const QStringList first = tokens(line.section(u',', 0, 0));
            if (!first.isEmpty() && !hasDigit(first[0])) {
                columns = columnsOf(line, lottery.digitCount);
                if (columns || !hasDigit(line))
                    continue;
            }
        }
        LineReading reading = readLine(line, columns, lottery, today);
        if (reading.problem.isEmpty()) {
            const auto earlier = seen.constFind(reading.periodId);
            if (earlier != seen.constEnd()) {
                reading.problem = earlier->first == reading.digits
                                      ? QStringLiteral("与第%1行重复").arg(earlier->second)
                                      : QStringLiteral("与第%1行的期号相同而号码不同").arg(earlier->second);
            }
        }
        if (!reading.problem.isEmpty()) {
            parsed.malformed.push_back({lineNumber, line, reading.problem});
            continue;
        }
        seen.insert(reading.periodId, {reading.digits, lineNumber});
        parsed.draws.push_back({reading.periodId, reading.digits, lineNumber});
    }
    return parsed;
}

QByteArray readDrawFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("无法读取文件 %1：%2").arg(fileName, file.errorString()));
    if (file.size() > kMaxFileBytes)
        throw UserError(
            QStringLiteral("无法读取文件 %1：文件过大（超过%2 MB）").arg(fileName).arg(kMaxFileBytes >> 20));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw UserError(QStringLiteral("无法读取文件 %1：%2").arg(fileName, file.errorString()));
    return bytes;
}

namespace {

// A row the table's rules refuse (a period stored twice, a trigger's veto): SQLite undoes the
// statement and keeps the transaction. Its primary result code is 19, SQLITE_CONSTRAINT.
bool isConstraintRefusal(const QSqlError& error)
{
    bool isNumber = false;
    const int code = error.nativeErrorCode().toInt(&isNumber);
    return isNumber && (code & 0xff) == 19;
}

}  // namespace

QHash<QString, QString> storedDigits(DrawDatabase& db, const LotteryInfo& lottery)
{
    // SQLite reads an unknown double-quoted name as a string: a table made by hand without a
    // digit column would seem to hold that column's name as every draw's digit.
    db.requireDrawColumns(lottery.name, lottery.digitCount);
    const QString tableName = lotteryTableName(lottery.name);
    QSqlQuery query(db.connection());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("select \"记录期号\",%1 from %2")
                           .arg(digitColumnsSql(lottery.digitCount), quoteIdentifier(tableName))))
        throw DatabaseError(refusalText(query.lastError(), lottery.name));
    DrawDatabase::exec(query);
    QHash<QString, QString> stored;
    while (query.next()) {
        QString digits;
        for (int k = 1; k <= lottery.digitCount; ++k)
            digits += query.value(k).toString();
        stored.insert(query.value(0).toString(), digits);
    }
    return stored;
}

ImportPlan planImport(ParsedDrawFile parsed, const QHash<QString, QString>& stored)
{
    ImportPlan plan;
    plan.malformed = std::move(parsed.malformed);
    for (ImportedDraw& draw : parsed.draws) {
        const auto it = stored.constFind(draw.periodId);
        if (it == stored.constEnd())
            plan.fresh.push_back(std::move(draw));
        else if (*it == draw.digits)
            ++plan.identical;
        else
            plan.conflicts.push_back({draw.periodId, *it, draw.digits, draw.line});
    }
    return plan;
}

QStringList importSummary(const ImportPlan& plan, int shown)
{
    QStringList lines;
    lines << QStringLiteral("新的开奖：%1期").arg(plan.fresh.size());
    lines << QStringLiteral("已存且相同（跳过）：%1期").arg(plan.identical);
    lines << QStringLiteral("期号已存而号码不同：%1期").arg(plan.conflicts.size());
    for (std::size_t i = 0; i < plan.conflicts.size() && int(i) < shown; ++i) {
        const ImportConflict& c = plan.conflicts[i];
        lines << QStringLiteral("    第%1期：已存 %2，文件中 %3（第%4行）")
                     .arg(c.periodId, c.stored, c.imported)
                     .arg(c.line);
    }
    if (int(plan.conflicts.size()) > shown)
        lines << QStringLiteral("    另有%1期未列出").arg(int(plan.conflicts.size()) - shown);
    lines << QStringLiteral("无法识别的行：%1行").arg(plan.malformed.size());
    for (std::size_t i = 0; i < plan.malformed.size() && int(i) < shown; ++i) {
        const MalformedLine& m = plan.malformed[i];
        lines << QStringLiteral("    第%1行“%2”：%3").arg(m.line).arg(shownLine(m.text), m.reason);
    }
    if (int(plan.malformed.size()) > shown)
        lines << QStringLiteral("    另有%1行未列出").arg(int(plan.malformed.size()) - shown);
    return lines;
}

ImportResult writeImport(DrawDatabase& db, const LotteryInfo& lottery, const ImportPlan& plan, bool overwriteConflicts)
{
    const QString table = quoteIdentifier(lotteryTableName(lottery.name));
    const int n = lottery.digitCount;
    ImportResult result;
    db.beginTransaction();
    try {
        auto bindDigits = [&](QSqlQuery& query, const QString& digits, int from) {
            for (int k = 0; k < n; ++k)
                query.bindValue(from + k, digits[k].digitValue());
        };
        // Many rows per statement: a statement costs more than the rows it carries. The row
        // placeholders stay well under SQLite's oldest limit of 999.
        constexpr int kRowsPerStatement = 100;
        auto prepareInsert = [&](QSqlQuery& query, int rows) {
            const QString row = QLatin1Char('(') + QStringList(n + 1, QStringLiteral("?")).join(u',') + u')';
            if (!query.prepare(QStringLiteral("insert into %1 (\"记录期号\",%2) values %3")
                                   .arg(table, digitColumnsSql(n), QStringList(rows, row).join(u','))))
                throw DatabaseError(refusalText(query.lastError(), lottery.name));
        };
        QSqlQuery batch(db.connection());
        QSqlQuery single(db.connection());
        prepareInsert(batch, kRowsPerStatement);
        prepareInsert(single, 1);
        auto insertOne = [&](const ImportedDraw& draw) {
            single.bindValue(0, draw.periodId);
            bindDigits(single, draw.digits, 1);
            try {
                DrawDatabase::exec(single);
            } catch (const DatabaseError& e) {
                throw DatabaseError(QStringLiteral("第%1期未能存入：%2").arg(draw.periodId, e.message()));
            }
        };
        const std::size_t total = plan.fresh.size();
        std::size_t next = 0;
        for (; next + kRowsPerStatement <= total; next += kRowsPerStatement) {
            for (int r = 0; r < kRowsPerStatement; ++r) {
                const ImportedDraw& draw = plan.fresh[next + std::size_t(r)];
                batch.bindValue(r * (n + 1), draw.periodId);
                bindDigits(batch, draw.digits, r * (n + 1) + 1);
            }
            if (!batch.exec()) {
                // A full disk or an I/O error may have ended the transaction itself: going on would
                // store the rest row by row, outside it.
                if (!isConstraintRefusal(batch.lastError()))
                    throw DatabaseError(refusalText(batch.lastError(), lottery.name));
                // A refused statement changes nothing: its rows again one by one, to name the refused one.
                for (int r = 0; r < kRowsPerStatement; ++r)
                    insertOne(plan.fresh[next + std::size_t(r)]);
            }
        }
        for (; next < total; ++next)
            insertOne(plan.fresh[next]);
        result.added = int(total);
        if (overwriteConflicts && !plan.conflicts.empty()) {
            QStringList sets;
            for (int k = 1; k <= n; ++k)
                sets << quoteIdentifier(QString::number(k)) + QStringLiteral("=?");
            QSqlQuery update(db.connection());
            if (!update.prepare(QStringLiteral("update %1 set %2 where \"记录期号\"=?").arg(table, sets.join(u','))))
                throw DatabaseError(refusalText(update.lastError(), lottery.name));
            for (const ImportConflict& conflict : plan.conflicts) {
                bindDigits(update, conflict.imported, 0);
                update.bindValue(n, conflict.periodId);
                DrawDatabase::exec(update);
                ++result.overwritten;
            }
        }
        db.commit();
    } catch (...) {
        db.rollback();
        throw;
    }
    return result;
}
