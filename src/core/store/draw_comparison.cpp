#include "core/store/draw_comparison.h"

#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/store/database_refusal.h"
#include "core/store/draw_database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <map>

namespace {

struct StoredRow {
    QString digits;
    QString source;
};

// The stored draws of the range with their recorded sources, by period. A file without the side
// table (from before it, opened read-only) reads every draw as "未知".
std::map<QString, StoredRow> storedRows(DrawDatabase& db, const QString& lotteryName, const QString& from,
                                        const QString& to)
{
    const int digitCount = digitCountOf(lotteryName);
    db.requireDrawColumns(lotteryName, digitCount);
    QStringList digits;
    for (int k = 1; k <= digitCount; ++k)
        digits << QStringLiteral("d.") + quoteIdentifier(QString::number(k));
    const bool records = db.connection().tables(QSql::Tables).contains(kSourceTable);
    const QString table = quoteIdentifier(lotteryTableName(lotteryName));
    const QString sql = records ? QStringLiteral(
                                      "select d.\"记录期号\", %2, s.\"来源\" from %1 d left join \"开奖来源\" s "
                                      "on s.\"彩票\" = ? and s.\"记录期号\" = d.\"记录期号\" "
                                      "where d.\"记录期号\" between ? and ?")
                                      .arg(table, digits.join(u','))
                                : QStringLiteral(
                                      "select d.\"记录期号\", %2, NULL from %1 d where ? is not null and "
                                      "d.\"记录期号\" between ? and ?")
                                      .arg(table, digits.join(u','));
    QSqlQuery query(db.connection());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    query.addBindValue(lotteryName);
    query.addBindValue(from);
    query.addBindValue(to);
    if (!query.exec())
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    std::map<QString, StoredRow> rows;
    while (query.next()) {
        StoredRow row;
        for (int k = 1; k <= digitCount; ++k)
            row.digits += query.value(k).toString();
        row.source = query.value(digitCount + 1).toString();
        if (row.source.isEmpty())
            row.source = kUnknownSource;
        rows.emplace_hint(rows.end(), query.value(0).toString(), std::move(row));
    }
    return rows;
}

const QString kCorrectedPrefix = QStringLiteral("（更正");

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
    const std::map<QString, StoredRow> ours = storedRows(db, lotteryName, from, to);
    std::map<QString, const ImportedDraw*> listed;
    for (const ImportedDraw& draw : theirs) {
        if (draw.periodId >= from && draw.periodId <= to)
            listed.emplace(draw.periodId, &draw);
    }
    auto other = listed.cbegin();
    // Both in period order: one walk side by side.
    for (const auto& [periodId, row] : ours) {
        for (; other != listed.cend() && other->first < periodId; ++other)
            comparison.missing.push_back(*other->second);
        if (other == listed.cend() || other->first != periodId) {
            comparison.extra << periodId;
            continue;
        }
        const QString& theirDigits = other->second->digits;
        ++other;
        if (cameFrom(row.source, otherSource)) {
            comparison.sameSource << periodId;
            continue;
        }
        comparison.compared.insert(periodId, row.digits);
        if (theirDigits == row.digits)
            comparison.agreeing << periodId;
        else
            comparison.differing.push_back({periodId, row.digits, theirDigits, row.source});
    }
    for (; other != listed.cend(); ++other)
        comparison.missing.push_back(*other->second);
    return comparison;
}

void markCompared(DrawDatabase& db, const QString& lotteryName, const DrawComparison& comparison)
{
    if (comparison.compared.isEmpty())
        return;
    DrawDatabase::Transaction transaction(db);
    // Read again inside the transaction: a draw corrected since the comparison is not marked by it.
    QString from;
    QString to;
    for (auto at = comparison.compared.cbegin(); at != comparison.compared.cend(); ++at) {
        if (from.isEmpty() || at.key() < from)
            from = at.key();
        to = std::max(to, at.key());
    }
    const std::map<QString, StoredRow> now = storedRows(db, lotteryName, from, to);
    auto unchanged = [&](const QString& periodId) {
        const auto row = now.find(periodId);
        return row != now.end() && row->second.digits == comparison.compared.value(periodId);
    };
    std::vector<DrawDatabase::CheckMark> marks;
    for (const QString& periodId : comparison.agreeing) {
        if (unchanged(periodId))
            marks.push_back({periodId, {}});
    }
    for (const DrawDisagreement& disagreement : comparison.differing) {
        if (unchanged(disagreement.periodId))
            marks.push_back({disagreement.periodId, disagreement.theirs});
    }
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
    for (int k = 1; k <= lottery.digitCount; ++k)
        sets << quoteIdentifier(QString::number(k)) + QStringLiteral(" = ?");
    QSqlQuery query(db.connection());
    DrawDatabase::Transaction transaction(db);
    if (!query.prepare(QStringLiteral("update %1 set %2 where \"记录期号\" = ?")
                           .arg(quoteIdentifier(lotteryTableName(lottery.name)), sets.join(u','))))
        throw DatabaseError(refusalText(query.lastError(), lottery.name));
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
        if (!query.exec())
            throw DatabaseError(refusalText(query.lastError(), lottery.name, draw.periodId));
        if (query.numRowsAffected() != 1)
            throw DatabaseError(notCorrected(draw.periodId, QStringLiteral("这一期已不在表中")));
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
