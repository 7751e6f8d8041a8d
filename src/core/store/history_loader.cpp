#include "core/store/history_loader.h"

#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/store/draw_database.h"

#include <QSqlRecord>
#include <array>

namespace {

int fieldIndex(const QSqlRecord& record, const QString& field, const QString& lotteryName)
{
    const int index = record.indexOf(field);
    if (index < 0)
        throw UserError(QStringLiteral("表“%1”没有“%2”列。").arg(lotteryTableName(lotteryName), field));
    return index;
}

// The lottery's draws oldest first: all of them, or with `newest` set only that many of the newest.
DrawHistory readDraws(DrawDatabase& db, const QString& lotteryName, int newest)
{
    QSqlQuery query = db.selectDraws(lotteryName, newest);
    const int digitCount = digitCountOf(lotteryName);
    const QSqlRecord columns = query.record();
    const int periodColumn = fieldIndex(columns, QStringLiteral("记录期号"), lotteryName);
    std::array<int, 5> digitColumns{};
    for (int k = 1; k <= digitCount; ++k)
        digitColumns[k - 1] = fieldIndex(columns, QString::number(k), lotteryName);

    DrawHistory history(digitCount);
    history.reserve(kRetainedDraws);
    std::array<int, 5> digits{};
    while (query.next()) {
        const QString periodText = query.value(periodColumn).toString();
        const int32_t periodId = periodIdFromText(periodText);
        for (int k = 0; k < digitCount; ++k) {
            const QVariant value = query.value(digitColumns[k]);
            bool ok = false;
            const int digit = value.toInt(&ok);
            // The rule indexes by digit, so a value outside 0..9 from a table made by hand
            // must stop the load rather than reach it.
            if (!ok || digit < 0 || digit > 9)
                throw UserError(QStringLiteral("第%1期的第%2位“%3”不是0到9的数字。")
                                    .arg(periodText)
                                    .arg(k + 1)
                                    .arg(value.toString()));
            digits[k] = digit;
        }
        history.append(periodId, std::span<const int>(digits.data(), std::size_t(digitCount)));
    }
    return history;
}

}  // namespace

int32_t periodIdFromText(const QString& text)
{
    // A view, not a copy: this runs for each of up to 10000 rows of every reload.
    const QStringView digits = text.size() > 7 ? QStringView(text).mid(2) : QStringView(text);
    bool ok = false;
    const int value = digits.toInt(&ok, 10);
    if (!ok || digits.trimmed().size() != digits.size())
        throw UserError(QStringLiteral("记录期号“%1”不是有效的整数。").arg(text));
    return value;
}

DrawHistory loadDrawHistory(DrawDatabase& db, const QString& lotteryName, QString* notice)
{
    db.requirePeriodColumn(lotteryName);
    // The cap writes; it is tried only when there is something to delete, and without waiting
    // on another program's lock: the history is shown either way, and the next load tries again.
    const int stored = db.drawCount(lotteryName);
    bool overCap = false;
    if (stored > kRetainedDraws) {
        try {
            db.trimToNewest(lotteryName, kRetainedDraws, false);
        } catch (const DatabaseError& e) {
            overCap = true;
            const QString reason = e.message();  // in the user's words already
            if (notice)
                *notice = QStringLiteral("%1存有%2期开奖，超出%3期的旧开奖这次未能删除（%4）。现显示最新的%3期。")
                              .arg(lotteryTableName(lotteryName))
                              .arg(stored)
                              .arg(kRetainedDraws)
                              .arg(reason);
        }
    }

    return readDraws(db, lotteryName, overCap ? kRetainedDraws : -1);
}

DrawHistory readDrawHistory(DrawDatabase& db, const QString& lotteryName)
{
    db.requirePeriodColumn(lotteryName);
    return readDraws(db, lotteryName, kRetainedDraws);
}

DrawHistory LoadHistory(const QString& dataDir, const QString& lotteryName, QString* notice)
{
    DrawDatabase db(dataDir);
    return loadDrawHistory(db, lotteryName, notice);
}
