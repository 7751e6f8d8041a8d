#include "core/acquire/update_check.h"

#include "core/acquire/sources/source_reader.h"
#include "core/base/cancelled.h"
#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/store/draw_comparison.h"
#include "core/store/draw_database.h"

#include <QSqlQuery>
#include <algorithm>

namespace {

// `sql` over the lottery's table, named by %1.
QSqlQuery tableQuery(DrawDatabase& db, const QString& lottery, const QString& sql, const QVariantList& values)
{
    return db.execute(sql.arg(quoteIdentifier(lotteryTableName(lottery))), values, lottery);
}

// The periods the update stored, oldest first: the rows added after the last one there was,
// older periods filled into gaps among them. A table made without rowids only tells the periods
// after the newest there was.
QStringList storedSince(DrawDatabase& db, const QString& lottery, const StoredBefore& before)
{
    QSqlQuery query =
        before.lastRow >= 0
            ? tableQuery(db, lottery,
                         QStringLiteral("select \"记录期号\" from %1 where rowid > ? order by \"记录期号\""),
                         {before.lastRow})
            : tableQuery(db, lottery,
                         QStringLiteral("select \"记录期号\" from %1 where \"记录期号\" > ? order by \"记录期号\""),
                         {before.newestPeriod});
    QStringList periods;
    while (query.next())
        periods << query.value(0).toString();
    return periods;
}

// "第2026335期", "第2026335、2026336期", "第2026335、2026336、2026337期等5期"
QString periodsText(const QStringList& periods)
{
    const QString named = QStringList(periods.mid(0, kNamedDisagreements)).join(u'、');
    if (periods.size() <= kNamedDisagreements)
        return QStringLiteral("第%1期").arg(named);
    return QStringLiteral("第%1期等%2期").arg(named).arg(periods.size());
}

// What the comparison of the new draws says, in the result line's words.
UpdateConfirmation confirmationOf(const DrawComparison& comparison, const QStringList& stored,
                                  const SourceReading& reading)
{
    const PeriodRange& covered = reading.covered;
    UpdateConfirmation said;
    const QString& other = comparison.otherSource;
    const int shown = std::min<int>(kNamedDisagreements, int(comparison.differing.size()));
    for (int i = 0; i < shown; ++i)
        said.notes << disagreementText(comparison.differing[std::size_t(i)], other);
    if (int(comparison.differing.size()) > shown)
        said.notes << QStringLiteral("另有%1期不符").arg(int(comparison.differing.size()) - shown);
    // Stored periods it did not reach (a capped reading) and those it does not list (yet).
    QStringList older;
    QStringList unlisted;
    for (const QString& period : stored) {
        if (covered.from.isEmpty() || period > covered.to)
            unlisted << period;
        else if (period < covered.from)
            older << period;
    }
    unlisted << comparison.extra;
    std::sort(unlisted.begin(), unlisted.end());
    if (!unlisted.isEmpty())
        said.notes << QStringLiteral("%1尚未列出%2：未核对").arg(other, periodsText(unlisted));
    if (!older.isEmpty() && reading.capped)
        said.notes
            << QStringLiteral("较早的%1期未核对（%2只读最新%3页）").arg(older.size()).arg(other).arg(kCheckPages);
    else if (!older.isEmpty())
        said.notes
            << QStringLiteral("%1只列出第%2期起的开奖，较早的%3期未核对").arg(other, covered.from).arg(older.size());
    // Periods it lists among the new ones that the table lacks: the update left a gap there.
    if (!comparison.missing.empty()) {
        QStringList missing;
        for (const ImportedDraw& draw : comparison.missing)
            missing << draw.periodId;
        said.notes << QStringLiteral("%1另列有%2，本地缺少").arg(other, periodsText(missing));
    }
    if (!comparison.sameSource.isEmpty())
        said.notes << QStringLiteral("%1期取自%2本身，未由它核对").arg(comparison.sameSource.size()).arg(other);
    said.allAgreed = said.notes.isEmpty() && !comparison.agreeing.isEmpty();
    return said;
}

}  // namespace

StoredBefore storedBeforeUpdate(DrawDatabase& db, const QString& lottery, const ReaderHooks& hooks)
{
    StoredBefore before;
    if (!hooks.sources.confirmingSource(lottery))
        return before;
    try {
        before.newestPeriod = db.newestPeriodId(lottery);
    } catch (const std::exception&) {
        return before;
    }
    try {
        QSqlQuery last = tableQuery(db, lottery, QStringLiteral("select ifnull(max(rowid), 0) from %1"), {});
        if (last.next())
            before.lastRow = last.value(0).toLongLong();
    } catch (const std::exception&) {
        // A table without rowids: the periods after the newest are checked.
    }
    return before;
}

void confirmStoredDraws(DrawDatabase& db, const StoredBefore& before, LotteryUpdate& update, const ReaderHooks& hooks)
{
    const SourceDescription* source = hooks.sources.confirmingSource(update.lottery);
    const LotteryInfo* lottery = findLottery(update.lottery);
    if (before.newestPeriod.isEmpty() || update.outcome.stored() == 0 || update.outcome.cancelled() || !source ||
        !lottery || source == hooks.sources.describedSource(update.lottery))
        return;
    UpdateConfirmation& said = update.confirmation;
    try {
        const QStringList stored = storedSince(db, lottery->name, before);
        // Only a table without rowids hides what was filled in before its newest period.
        const int hidden = before.lastRow < 0 ? update.outcome.stored() - int(stored.size()) : 0;
        const QString hiddenNote = QStringLiteral("另有%1期（补入的较早缺期）未核对").arg(hidden);
        if (stored.isEmpty()) {
            if (hidden > 0)
                said.notes << hiddenNote;
            return;
        }
        SourceReading reading;
        try {
            reading = readSourceOver(*source, *lottery, stored.front(), stored.back(), hooks, kCheckPages);
        } catch (const Cancelled&) {
            said.notes << QStringLiteral("核对已取消：新增的开奖未核对");
            return;
        } catch (const std::exception& e) {
            said.notes << QStringLiteral("核对来源未能读取：%1，新增的开奖未核对").arg(userMessageOf(e));
            return;
        }
        const PeriodRange& covered = reading.covered;
        DrawComparison comparison;
        comparison.otherSource = source->name;
        if (!covered.from.isEmpty())
            comparison =
                compareDraws(db, lottery->name, covered.from, covered.to, reading.document.draws, source->name);
        said = confirmationOf(comparison, stored, reading);
        if (hidden > 0) {
            said.notes << hiddenNote;
            said.allAgreed = false;
        }
        if (!db.readOnly())
            markCompared(db, lottery->name, comparison);
    } catch (const std::exception& e) {
        said.allAgreed = false;
        said.notes << QStringLiteral("核对结果未能记下（%1）").arg(userMessageOf(e));
    }
}
