#include "core/acquire/update_check.h"

#include "core/acquire/sources/source_reader.h"
#include "core/base/cancelled.h"
#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/store/database_refusal.h"
#include "core/store/draw_comparison.h"
#include "core/store/draw_database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

// The stored periods after `after`, oldest first: what the update stored.
QStringList storedAfter(DrawDatabase& db, const QString& lottery, const QString& after)
{
    QSqlQuery query(db.connection());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("select \"记录期号\" from %1 where \"记录期号\" > ? order by \"记录期号\"")
                           .arg(quoteIdentifier(lotteryTableName(lottery)))))
        throw DatabaseError(refusalText(query.lastError(), lottery));
    query.addBindValue(after);
    if (!query.exec())
        throw DatabaseError(refusalText(query.lastError(), lottery));
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
                                  const PeriodRange& covered)
{
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
    if (!older.isEmpty())
        said.notes
            << QStringLiteral("较早的%1期未核对（%2只读最新%3页）").arg(older.size()).arg(other).arg(kCheckPages);
    if (!comparison.sameSource.isEmpty())
        said.notes << QStringLiteral("%1期取自%2本身，未由它核对").arg(comparison.sameSource.size()).arg(other);
    said.allAgreed = said.notes.isEmpty() && !comparison.agreeing.isEmpty();
    return said;
}

}  // namespace

QString newestBeforeUpdate(DrawDatabase& db, const QString& lottery, const ReaderHooks& hooks)
{
    if (!hooks.sources.confirmingSource(lottery))
        return {};
    try {
        return db.newestPeriodId(lottery);
    } catch (const std::exception&) {
        return {};
    }
}

void confirmStoredDraws(DrawDatabase& db, const QString& newestBefore, LotteryUpdate& update, const ReaderHooks& hooks)
{
    const SourceDescription* source = hooks.sources.confirmingSource(update.lottery);
    const LotteryInfo* lottery = findLottery(update.lottery);
    if (newestBefore.isEmpty() || update.outcome.stored() == 0 || update.outcome.cancelled() || !source || !lottery ||
        source == hooks.sources.describedSource(update.lottery))
        return;
    UpdateConfirmation& said = update.confirmation;
    try {
        const QStringList stored = storedAfter(db, lottery->name, newestBefore);
        if (stored.isEmpty())
            return;
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
        said = confirmationOf(comparison, stored, covered);
        if (!db.readOnly())
            markCompared(db, lottery->name, comparison);
    } catch (const std::exception& e) {
        said.allAgreed = false;
        said.notes << QStringLiteral("核对结果未能记下（%1）").arg(userMessageOf(e));
    }
}
