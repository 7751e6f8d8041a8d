#include "core/store/draw_comparison.h"

#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/store/database_refusal.h"
#include "core/store/draw_database.h"
#include "core/store/draw_import.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

const QString kCorrectedPrefix = QStringLiteral("（更正");

// The periods of the range recorded as `source`'s own (cameFrom): their own records, and the
// stored periods of its runs that have none. SQLite picks them out, so that the thousands of
// other records are never handed over.
QSet<QString> periodsFrom(DrawDatabase& db, const QString& lotteryName, const QString& from, const QString& to,
                          const QString& source)
{
    QSet<QString> periods;
    const QStringList tables = db.tableNames();
    const bool rows = tables.contains(kSourceTable);
    if (!rows && !tables.contains(kRunTable))
        return periods;
    const QString corrected = source + kCorrectedPrefix;
    const QString theirs = QStringLiteral("(%1.\"来源\" = ? or substr(%1.\"来源\", 1, length(?)) = ?)");
    QStringList parts;
    QVariantList values;
    if (rows) {
        parts << QStringLiteral(
                     "select s.\"记录期号\" from \"开奖来源\" s where s.\"彩票\" = ? and "
                     "s.\"记录期号\" between ? and ? and %1")
                     .arg(theirs.arg(QStringLiteral("s")));
        values << lotteryName << from << to << source << corrected << corrected;
    }
    if (tables.contains(kRunTable)) {
        parts << QStringLiteral(
                     "select d.\"记录期号\" from \"开奖来源批次\" r join %1 d on d.\"记录期号\" between "
                     "max(r.\"首期\", ?) and min(r.\"末期\", ?) where r.\"彩票\" = ? and r.\"首期\" <= ? and "
                     "r.\"末期\" >= ? and %2%3")
                     .arg(quoteIdentifier(lotteryTableName(lotteryName)), theirs.arg(QStringLiteral("r")),
                          rows
                              ? QStringLiteral(" and not exists (select 1 from \"开奖来源\" s where s.\"彩票\" = ? and "
                                               "s.\"记录期号\" = cast(d.\"记录期号\" as text))")
                              : QString());
        values << from << to << lotteryName << to << from << source << corrected << corrected;
        if (rows)
            values << lotteryName;
    }
    QSqlQuery query = db.execute(parts.join(QStringLiteral(" union all ")), values, lotteryName);
    while (query.next())
        periods.insert(query.value(0).toString());
    return periods;
}

// Where each differing draw came from: only these few are looked up one by one.
void recordOurSources(DrawDatabase& db, const QString& lotteryName, std::vector<DrawDisagreement>& differing)
{
    for (DrawDisagreement& disagreement : differing) {
        if (const QString source = db.drawOrigin(lotteryName, disagreement.periodId).source; !source.isEmpty())
            disagreement.ourSource = source;
    }
}

QString notCorrected(const QString& periodId, const QString& reason)
{
    return QStringLiteral("第%1期未能更正：%2").arg(periodId, reason);
}

}  // namespace

DrawComparison compareDraws(DrawDatabase& db, const QString& lotteryName, const QString& from, const QString& to,
                            const std::vector<ImportedDraw>& theirs, const QString& otherSource)
{
    DrawComparison comparison;
    comparison.otherSource = otherSource;
    if (from.isEmpty() || to.isEmpty() || to < from)
        return comparison;
    comparison.changeMark = db.changeMark();
    const std::vector<StoredRow> ours = storedRows(db, lotteryName, from, to);
    const QSet<QString> otherOwn = periodsFrom(db, lotteryName, from, to, otherSource);
    std::vector<const ImportedDraw*> listed;
    listed.reserve(theirs.size());
    for (const ImportedDraw& draw : theirs) {
        if (draw.periodId >= from && draw.periodId <= to)
            listed.push_back(&draw);
    }
    const auto byPeriod = [](const ImportedDraw* a, const ImportedDraw* b) { return a->periodId < b->periodId; };
    if (!std::is_sorted(listed.begin(), listed.end(), byPeriod))
        std::stable_sort(listed.begin(), listed.end(), byPeriod);
    comparison.compared.reserve(qsizetype(ours.size()));
    auto other = listed.cbegin();
    // Both in period order: one walk side by side.
    for (const StoredRow& row : ours) {
        for (; other != listed.cend() && (*other)->periodId < row.periodId; ++other)
            comparison.missing.push_back(**other);
        if (other == listed.cend() || (*other)->periodId != row.periodId) {
            comparison.extra << row.periodId;
            comparison.extraDigits.insert(row.periodId, row.digits);
            continue;
        }
        const QString& theirDigits = (*other)->digits;
        while (other != listed.cend() && (*other)->periodId == row.periodId)
            ++other;
        if (otherOwn.contains(row.periodId)) {
            comparison.sameSource << row.periodId;
            continue;
        }
        comparison.compared.insert(row.periodId, row.digits);
        if (theirDigits == row.digits)
            comparison.agreeing << row.periodId;
        else
            comparison.differing.push_back({row.periodId, row.digits, theirDigits, kUnknownSource});
    }
    for (; other != listed.cend(); ++other)
        comparison.missing.push_back(**other);
    recordOurSources(db, lotteryName, comparison.differing);
    return comparison;
}

void markCompared(DrawDatabase& db, const QString& lotteryName, const DrawComparison& comparison)
{
    if (comparison.agreeing.isEmpty() && comparison.differing.empty())
        return;
    DrawDatabase::Transaction transaction(db);
    // Nothing written since the listing: every draw still has the digits it was compared with, and
    // the marks need not say them (a lookup of each draw is half the cost of marking it).
    const bool unchanged = !comparison.changeMark.isEmpty() && db.changeMark() == comparison.changeMark;
    const auto compared = [unchanged](const QString& digits) { return unchanged ? QString() : digits; };
    std::vector<DrawDatabase::CheckMark> marks;
    marks.reserve(std::size_t(comparison.agreeing.size()) + comparison.differing.size());
    for (const QString& periodId : comparison.agreeing)
        marks.push_back({periodId, {}, compared(comparison.compared.value(periodId))});
    for (const DrawDisagreement& disagreement : comparison.differing)
        marks.push_back({disagreement.periodId, disagreement.theirs, compared(disagreement.ours)});
    db.markChecked(lotteryName, comparison.otherSource, marks);
    transaction.commit();
}

QString correctedSource(const QString& otherSource, const QString& ourSource)
{
    return otherSource + kCorrectedPrefix + ourSource + QStringLiteral("）");
}

bool cameFrom(const QString& recorded, const QString& source)
{
    return recorded == source || recorded.startsWith(source + kCorrectedPrefix);
}

void takeOtherDigits(DrawDatabase& db, const LotteryInfo& lottery, const std::vector<DrawDisagreement>& chosen,
                     const QString& otherSource)
{
    if (chosen.empty())
        return;
    db.requireDrawColumns(lottery.name, lottery.digitCount);
    QStringList sets;
    QStringList columns;
    for (int k = 1; k <= lottery.digitCount; ++k) {
        sets << quoteIdentifier(QString::number(k)) + QStringLiteral(" = ?");
        columns << quoteIdentifier(QString::number(k));
    }
    const QString table = quoteIdentifier(lotteryTableName(lottery.name));
    QSqlQuery query(db.connection());
    DrawDatabase::Transaction transaction(db);
    // Only a draw that still has the digits the user saw: another window or instance may have
    // corrected it since the list was made.
    if (!query.prepare(QStringLiteral("update %1 set %2 where \"记录期号\" = ? and %3 = ?")
                           .arg(table, sets.join(u','), columns.join(QStringLiteral(" || ")))))
        throw DatabaseError(refusalText(query.lastError(), lottery.name));
    QSqlQuery still(db.connection());
    if (!still.prepare(QStringLiteral("select 1 from %1 where \"记录期号\" = ?").arg(table)))
        throw DatabaseError(refusalText(still.lastError(), lottery.name));
    for (const DrawDisagreement& draw : chosen) {
        // Bound as text, the way the readers hand digits over: the table's CHECK refuses what is no digit.
        const QString& digits = draw.theirs;
        if (digits.size() != lottery.digitCount)
            throw DatabaseError(notCorrected(
                draw.periodId,
                QStringLiteral("%1给出的号码“%2”不是%3位数字").arg(otherSource, digits).arg(lottery.digitCount)));
        for (int k = 0; k < lottery.digitCount; ++k)
            query.bindValue(k, digits.mid(k, 1));
        query.bindValue(lottery.digitCount, draw.periodId);
        query.bindValue(lottery.digitCount + 1, draw.ours);
        if (!query.exec())
            throw DatabaseError(refusalText(query.lastError(), lottery.name, draw.periodId));
        if (query.numRowsAffected() != 1) {
            still.bindValue(0, draw.periodId);
            const bool stored = still.exec() && still.next();
            throw DatabaseError(notCorrected(draw.periodId, stored ? QStringLiteral("这一期已被改动，请重新核对")
                                                                   : QStringLiteral("这一期已不在表中")));
        }
        const DrawDatabase::SourceScope named(db, correctedSource(otherSource, draw.ourSource));
        db.recordSources(lottery.name, {draw.periodId});
    }
    transaction.commit();
}

int fillFromOther(DrawDatabase& db, const LotteryInfo& lottery, const std::vector<ImportedDraw>& chosen,
                  const QString& otherSource)
{
    DrawDatabase::Transaction transaction(db);
    for (const ImportedDraw& draw : chosen) {
        const DrawDatabase::SourceScope named(db, draw.source.isEmpty() ? otherSource : draw.source);
        QStringList digits;
        for (const QChar digit : draw.digits)
            digits << QString(digit);
        db.appendDraw(lottery.name, draw.periodId, digits);
    }
    transaction.commit();
    return int(chosen.size());
}

QString disagreementText(const DrawDisagreement& disagreement, const QString& otherSource)
{
    return QStringLiteral("第%1期：%2 %3，%4 %5")
        .arg(disagreement.periodId, disagreement.ourSource, disagreement.ours, otherSource, disagreement.theirs);
}
