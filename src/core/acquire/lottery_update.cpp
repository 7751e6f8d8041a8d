#include "core/acquire/lottery_update.h"

#include "core/base/user_error.h"
#include "core/store/draw_database.h"
#include "core/store/history_loader.h"

void failIfNoDraws(PageReading& reading)
{
    if (!reading.failure && reading.found == 0)
        reading.failure = kNoDrawsOnPage;
}

StoreOutcome appendDraws(DrawDatabase& db, const QString& lottery, const std::vector<PageDraw>& draws)
{
    int stored = 0;
    std::optional<QString> refused;
    DrawDatabase::Transaction transaction(db);
    for (const PageDraw& draw : draws) {
        try {
            db.appendDraw(lottery, draw.periodId, draw.digits);
        } catch (const DatabaseError& e) {
            // The refusal mostly names the period itself ("第…期已存在").
            const QString reason = e.message();
            refused = reason.startsWith(QStringLiteral("第%1期").arg(draw.periodId))
                          ? reason + QStringLiteral("，未能存入")
                          : periodNotStoredText(draw.periodId, reason);
            break;
        }
        ++stored;
    }
    transaction.commit();
    return refused ? StoreOutcome::failed(*refused, stored) : StoreOutcome(stored);
}

StoreOutcome storeReading(DrawDatabase& db, const QString& lottery, const PageReading& reading)
{
    const StoreOutcome appended = appendDraws(db, lottery, reading.draws);
    if (appended.succeeded() && reading.failure)
        return StoreOutcome::failed(*reading.failure, appended.stored());
    return appended;
}

QString progressText(const QString& lottery)
{
    return QStringLiteral("正在更新") + lottery + QStringLiteral("。。。");
}

QString outcomeLine(const LotteryUpdate& update)
{
    const StoreOutcome& outcome = update.outcome;
    QString line;
    switch (outcome.kind()) {
        case StoreOutcome::Kind::Cancelled:
            return QStringLiteral("%1：已取消，未存入开奖").arg(update.lottery);
        case StoreOutcome::Kind::Stored:
            line = QStringLiteral("%1：新增%2期").arg(update.lottery).arg(outcome.stored());
            if (update.confirmation.allAgreed)
                line += QStringLiteral("（已核对）");
            break;
        case StoreOutcome::Kind::Unchanged:
            line = QStringLiteral("%1：已是最新，没有新的开奖").arg(update.lottery);
            break;
        case StoreOutcome::Kind::Failed:
            line = QStringLiteral("%1：失败，%2；%3")
                       .arg(update.lottery, *outcome.failure(),
                            outcome.stored() ? QStringLiteral("之前的%1期已存入").arg(outcome.stored())
                                             : QStringLiteral("未存入开奖"));
            break;
    }
    for (const QString& note : update.confirmation.notes)
        line += u'；' + note;
    if (update.conflicting > 0)
        line += QStringLiteral("；%1期与已存号码不同（未改动）").arg(update.conflicting);
    if (update.unreadable > 0) {
        line += QStringLiteral("；%1行无法识别").arg(update.unreadable);
        if (!update.unreadableWhy.isEmpty())
            line += QStringLiteral("（%1）").arg(update.unreadableWhy);
    }
    if (update.olderDropped > 0)
        line += QStringLiteral("；较早的%1期超出保留的最新%2期，未存入").arg(update.olderDropped).arg(kRetainedDraws);
    if (update.stillMissing > 0)
        line += QStringLiteral("；仍缺%1期，可在数据窗口补齐").arg(update.stillMissing);
    for (const QString& note : update.notes)
        line += u'；' + note;
    return line;
}
