#include "core/store/draw_import.h"

#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/store/database_refusal.h"
#include "core/store/draw_database.h"
#include "core/store/history_loader.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <map>

namespace {

QString digitColumnsSql(int digitCount, const QString& separator = QStringLiteral(","))
{
    QStringList names;
    for (int k = 1; k <= digitCount; ++k)
        names << quoteIdentifier(QString::number(k));
    return names.join(separator);
}

// A row the table's rules refuse (a period stored twice, a trigger's veto): SQLite undoes the
// statement and keeps the transaction. Its primary result code is 19, SQLITE_CONSTRAINT.
bool isConstraintRefusal(const QSqlError& error)
{
    bool isNumber = false;
    const int code = error.nativeErrorCode().toInt(&isNumber);
    return isNumber && (code & 0xff) == 19;
}

// The statements that write an import into the lottery's table, inside the caller's transaction.
class ImportWriter {
public:
    ImportWriter(DrawDatabase& db, const LotteryInfo& lottery)
        : m_db(db), m_lottery(lottery), m_table(quoteIdentifier(lotteryTableName(lottery.name)))
    {
    }

    void insert(const std::vector<const ImportedDraw*>& draws) const
    {
        if (!draws.empty() && !insertAll(draws)) {
            // A refused statement changes nothing: the rows again one by one, to name the refused one.
            QSqlQuery single(m_db.connection());
            prepareInsert(single);
            for (const ImportedDraw* draw : draws)
                insertOne(single, *draw);
        }
        // Each under the source it was read from: mostly the writer's own, a whole-history file's
        // draws under the file's name.
        std::map<QString, QStringList> bySource;
        for (const ImportedDraw* draw : draws)
            bySource[draw->source] << draw->periodId;
        for (const auto& [source, periodIds] : bySource) {
            if (source.isEmpty()) {
                m_db.recordSources(m_lottery.name, periodIds);
            } else {
                const DrawDatabase::SourceScope named(m_db, source);
                m_db.recordSources(m_lottery.name, periodIds);
            }
        }
    }

    // The file's digits over the stored ones of the conflicts from `oldestKept` on; returns how many.
    int overwrite(const std::vector<ImportConflict>& conflicts, const QString& oldestKept) const
    {
        const int n = m_lottery.digitCount;
        QStringList sets;
        for (int k = 1; k <= n; ++k)
            sets << quoteIdentifier(QString::number(k)) + QStringLiteral("=?");
        QSqlQuery update(m_db.connection());
        if (!update.prepare(QStringLiteral("update %1 set %2 where \"记录期号\"=?").arg(m_table, sets.join(u','))))
            throw DatabaseError(refusalText(update.lastError(), m_lottery.name));
        QStringList overwritten;
        for (const ImportConflict& conflict : conflicts) {
            if (conflict.periodId < oldestKept)
                continue;
            bindDigits(update, conflict.imported, 0);
            update.bindValue(n, conflict.periodId);
            DrawDatabase::exec(update);
            // A draw another instance deleted since the plan is not written, nor recorded.
            if (update.numRowsAffected() > 0)
                overwritten << conflict.periodId;
        }
        m_db.recordSources(m_lottery.name, overwritten);
        return int(overwritten.size());
    }

private:
    // Every draw in one statement: {"2024001":123,…}, each period a key and its digits one whole
    // number that the statement takes apart by place, which SQLite does in half the time it takes
    // to cut and cast text. False when the table refused a row, or when a draw does not fit (a
    // period of another length, a character that is not 0-9), for the rows to go one by one.
    bool insertAll(const std::vector<const ImportedDraw*>& draws) const
    {
        const int n = m_lottery.digitCount;
        const qsizetype width = draws.front()->periodId.size();
        const auto allDigits = [](const QString& text) {
            return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        };
        QString rows;
        rows.reserve(qsizetype(draws.size()) * (width + n + 4) + 2);
        rows += u'{';
        for (const ImportedDraw* draw : draws) {
            const QString& digits = draw->digits;
            if (draw->periodId.size() != width || digits.size() != n || !allDigits(draw->periodId) ||
                !allDigits(digits))
                return false;
            if (rows.size() > 1)
                rows += u',';
            rows += u'"';
            rows += draw->periodId;
            rows += QStringLiteral("\":");
            // A JSON number has no leading zeros: "007" is 7, and the places are reckoned alike.
            qsizetype first = 0;
            while (first < n - 1 && digits[first] == u'0')
                ++first;
            rows += QStringView(digits).sliced(first);
        }
        rows += u'}';
        QStringList fields{QStringLiteral("key")};
        for (int k = 1; k <= n; ++k) {
            const QString place = QStringLiteral("1") + QString(n - k, u'0');
            fields << (k == n ? QStringLiteral("value%10") : QStringLiteral("value/%1%10").arg(place));
        }
        QSqlQuery all(m_db.connection());
        if (!all.prepare(QStringLiteral("insert into %1 (\"记录期号\",%2) select %3 from json_each(?)")
                             .arg(m_table, digitColumnsSql(n), fields.join(u','))))
            throw DatabaseError(refusalText(all.lastError(), m_lottery.name));
        all.bindValue(0, rows);
        // Every row is a period of one width and digits 0-9: of the lottery's own width, these
        // are the rows the table's rules let in.
        if (width == m_lottery.periodIdLength ? m_db.execCheckedInsert(all, m_lottery.name) : all.exec())
            return true;
        // A full disk or an I/O error may have ended the transaction itself: going on would store
        // the rows one by one, outside it.
        if (!isConstraintRefusal(all.lastError()))
            throw DatabaseError(refusalText(all.lastError(), m_lottery.name));
        return false;
    }

    void prepareInsert(QSqlQuery& query) const
    {
        const int n = m_lottery.digitCount;
        if (!query.prepare(QStringLiteral("insert into %1 (\"记录期号\",%2) values (%3)")
                               .arg(m_table, digitColumnsSql(n), QStringList(n + 1, QStringLiteral("?")).join(u','))))
            throw DatabaseError(refusalText(query.lastError(), m_lottery.name));
    }

    void bindDigits(QSqlQuery& query, const QString& digits, int from) const
    {
        for (int k = 0; k < m_lottery.digitCount; ++k)
            query.bindValue(from + k, digits[k].digitValue());
    }

    void insertOne(QSqlQuery& single, const ImportedDraw& draw) const
    {
        single.bindValue(0, draw.periodId);
        bindDigits(single, draw.digits, 1);
        try {
            DrawDatabase::exec(single);
        } catch (const DatabaseError& e) {
            throw DatabaseError(periodNotStoredText(draw.periodId, e.message()));
        }
    }

    DrawDatabase& m_db;
    const LotteryInfo& m_lottery;
    const QString m_table;
};

}  // namespace

std::optional<int> ReadProgressThrottle::percentToShow(qint64 elapsedMs, qint64 done, qint64 total)
{
    const int percent = total > 0 ? int(done * 100 / total) : 100;
    if (elapsedMs < kQuietMs || percent == m_shown)
        return std::nullopt;
    m_shown = percent;
    return percent;
}

std::optional<ParsedDrawFile> readDrawFileCancellable(const QString& fileName, const LotteryInfo& lottery,
                                                      const QDate& today,
                                                      const std::function<void(int)>& progressPercent,
                                                      const std::function<bool()>& cancelled)
{
    QElapsedTimer clock;
    clock.start();
    ReadProgressThrottle throttle;
    const ParseProgress progress = [&](qint64 done, qint64 total) {
        if (const std::optional<int> percent = throttle.percentToShow(clock.elapsed(), done, total);
            percent && progressPercent)
            progressPercent(*percent);
        return !(cancelled && cancelled());
    };
    try {
        return parseDrawFile(readDrawFile(fileName), lottery, today, progress);
    } catch (const Cancelled&) {
        return std::nullopt;
    }
}

QHash<QString, QString> storedDigits(DrawDatabase& db, const LotteryInfo& lottery, const QString& from,
                                     const QString& to)
{
    QHash<QString, QString> stored;
    if (!from.isEmpty() && !to.isEmpty()) {
        for (StoredRow& row : storedRows(db, lottery.name, from, to))
            stored.insert(std::move(row.periodId), std::move(row.digits));
        return stored;
    }
    // SQLite reads an unknown double-quoted name as a string: a table made by hand without a
    // digit column would seem to hold that column's name as every draw's digit.
    db.requireDrawColumns(lottery.name, lottery.digitCount);
    QSqlQuery query =
        db.execute(QStringLiteral("select \"记录期号\",%1 from %2")
                       .arg(digitColumnsSql(lottery.digitCount), quoteIdentifier(lotteryTableName(lottery.name))),
                   {}, lottery.name);
    while (query.next()) {
        QString digits;
        for (int k = 1; k <= lottery.digitCount; ++k)
            digits += query.value(k).toString();
        stored.insert(query.value(0).toString(), digits);
    }
    return stored;
}

std::vector<StoredRow> storedRows(DrawDatabase& db, const QString& lotteryName, const QString& from, const QString& to)
{
    const int digitCount = digitCountOf(lotteryName);
    db.requireDrawColumns(lotteryName, digitCount);
    // "+" keeps SQLite from walking the period index and looking every row up: the table is read
    // in the order the draws were stored, nearly always period order, with the digits joined by
    // SQLite, which costs less than a value a digit. A table made by hand may keep a period as a
    // number or a blob, which compare unlike text: those rows are read whatever they hold and
    // kept by their text, never taken for missing.
    QSqlQuery draws = db.execute(
        QStringLiteral("select \"记录期号\", %2 from %1 where +\"记录期号\" between ? and ? or "
                       "typeof(\"记录期号\") <> 'text'")
            .arg(quoteIdentifier(lotteryTableName(lotteryName)), digitColumnsSql(digitCount, QStringLiteral(" || "))),
        {from, to}, lotteryName);
    std::vector<StoredRow> rows;
    while (draws.next()) {
        QString periodId = draws.value(0).toString();
        if (periodId >= from && periodId <= to)
            rows.push_back({std::move(periodId), draws.value(1).toString()});
    }
    const auto byPeriod = [](const StoredRow& a, const StoredRow& b) { return a.periodId < b.periodId; };
    if (!std::is_sorted(rows.begin(), rows.end(), byPeriod))
        std::sort(rows.begin(), rows.end(), byPeriod);
    return rows;
}

ImportPlan planImport(ParsedDrawFile parsed, const QHash<QString, QString>& stored)
{
    ImportPlan plan;
    plan.malformed = std::move(parsed.malformed);
    plan.malformedCount = parsed.malformedCount;
    plan.fresh.reserve(parsed.draws.size());
    for (ImportedDraw& draw : parsed.draws) {
        const auto it = stored.constFind(draw.periodId);
        if (it == stored.constEnd())
            plan.fresh.push_back(std::move(draw));
        else if (*it == draw.digits)
            ++plan.identical;
        else
            plan.conflicts.push_back({draw.periodId, *it, draw.digits, draw.line});
    }
    const std::size_t all = std::size_t(stored.size()) + plan.fresh.size();
    if (all > std::size_t(kRetainedDraws)) {
        // Ids of one length compare as text the way they compare as numbers.
        std::vector<QStringView> ids;
        ids.reserve(all);
        for (auto it = stored.keyBegin(); it != stored.keyEnd(); ++it)
            ids.emplace_back(*it);
        for (const ImportedDraw& draw : plan.fresh)
            ids.emplace_back(draw.periodId);
        const auto oldestKept = ids.end() - kRetainedDraws;
        std::nth_element(ids.begin(), oldestKept, ids.end());
        plan.oldestKept = oldestKept->toString();
        plan.newestKept = std::max_element(oldestKept, ids.end())->toString();
        for (const ImportedDraw& draw : plan.fresh)
            plan.freshKept += draw.periodId >= plan.oldestKept ? 1 : 0;
        plan.storedDropped = int(all) - kRetainedDraws - (int(plan.fresh.size()) - plan.freshKept);
    } else {
        plan.freshKept = int(plan.fresh.size());
    }
    return plan;
}

ImportPlan planImport(DrawDatabase& db, const LotteryInfo& lottery, ParsedDrawFile parsed)
{
    return planImport(std::move(parsed), storedDigits(db, lottery));
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
    lines << QStringLiteral("无法识别的行：%1行").arg(plan.malformedCount);
    int listed = 0;
    for (std::size_t i = 0; i < plan.malformed.size() && int(i) < shown; ++i, ++listed) {
        const MalformedLine& m = plan.malformed[i];
        lines << QStringLiteral("    第%1行“%2”：%3").arg(m.line).arg(m.text, m.reason);
    }
    if (plan.malformedCount > listed)
        lines << QStringLiteral("    另有%1行未列出").arg(plan.malformedCount - listed);
    if (plan.overCap()) {
        // Two lines, each short enough for the summary's width.
        QString kept = QStringLiteral("    新的开奖中存入%1期").arg(plan.freshKept);
        if (plan.freshKept < int(plan.fresh.size()))
            kept += QStringLiteral("，较早的%1期不存入").arg(int(plan.fresh.size()) - plan.freshKept);
        if (plan.storedDropped > 0)
            kept += QStringLiteral("，已存的%1期将被删去").arg(plan.storedDropped);
        lines << QString()
              << QStringLiteral("表只保留最新%1期：将保留第%2期至第%3期")
                     .arg(kRetainedDraws)
                     .arg(plan.oldestKept, plan.newestKept)
              << kept;
    }
    return lines;
}

QString importResultText(const ImportResult& result)
{
    QString done = QStringLiteral("成功导入%1期").arg(result.added);
    if (result.overwritten)
        done += QStringLiteral("，覆盖%1期").arg(result.overwritten);
    done += QStringLiteral("！");
    if (result.freshDropped || result.storedDropped) {
        done += QStringLiteral("\n表只保留最新%1期：").arg(kRetainedDraws);
        QStringList dropped;
        if (result.freshDropped)
            dropped << QStringLiteral("文件中较早的%1期未存入").arg(result.freshDropped);
        if (result.storedDropped)
            dropped << QStringLiteral("已存的%1期已删去").arg(result.storedDropped);
        done += dropped.join(QStringLiteral("，")) + QStringLiteral("。");
    }
    return done;
}

ImportResult writeImport(DrawDatabase& db, const LotteryInfo& lottery, const ImportPlan& plan, bool overwriteConflicts)
{
    // Draws the cap would delete at once are not written at all.
    std::vector<const ImportedDraw*> fresh;
    fresh.reserve(plan.fresh.size());
    for (const ImportedDraw& draw : plan.fresh) {
        if (draw.periodId >= plan.oldestKept)
            fresh.push_back(&draw);
    }
    ImportResult result;
    DrawDatabase::Transaction transaction(db);
    const ImportWriter writer(db, lottery);
    writer.insert(fresh);
    result.added = int(fresh.size());
    result.freshDropped = int(plan.fresh.size() - fresh.size());
    if (overwriteConflicts && !plan.conflicts.empty())
        result.overwritten = writer.overwrite(plan.conflicts, plan.oldestKept);
    if (plan.overCap())
        result.storedDropped = db.trimToNewest(lottery.name, kRetainedDraws);
    transaction.commit();
    return result;
}
