#include "support/draw_fixtures.h"

#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"

#include <QDate>
#include <QSqlQuery>
#include <random>
#include <stdexcept>

namespace fixtures {

void handMadeTable(const QString& programDir, const QString& table, const QString& columns, const QStringList& rows,
                   const QString& options)
{
    DrawDatabase db(programDir);
    const QString quoted = QLatin1Char('"') + table + QLatin1Char('"');
    db.exec(QStringLiteral("drop table if exists ") + quoted);
    db.exec(QStringLiteral("create table %1 (%2) %3").arg(quoted, columns, options));
    for (const QString& row : rows)
        db.exec(QStringLiteral("insert into %1 values (%2)").arg(quoted, row));
}

QString digitColumns(int count, const QString& type)
{
    QStringList columns;
    for (int k = 1; k <= count; ++k)
        columns << (type.isEmpty() ? QStringLiteral("\"%1\"").arg(k) : QStringLiteral("\"%1\" %2").arg(k).arg(type));
    return columns.join(QStringLiteral(", "));
}

DrawHistory historyOf(const QStringList& draws, int firstPeriod)
{
    const int digitCount = draws.isEmpty() ? 3 : int(draws.first().size());
    DrawHistory history(digitCount);
    std::vector<int> digits(std::size_t(digitCount), 0);
    for (int i = 0; i < draws.size(); ++i) {
        if (draws[i].size() != digitCount)
            throw std::invalid_argument("draws of unequal length");
        for (int k = 0; k < digitCount; ++k)
            digits[std::size_t(k)] = draws[i][k].digitValue();
        history.append(firstPeriod + i, digits);
    }
    return history;
}

DrawHistory historyAtFirstPosition(const std::vector<int>& digits)
{
    DrawHistory history(3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const int draw[] = {digits[i], 0, 0};
        history.append(2026001 + int(i), draw);
    }
    return history;
}

StoredDraw drawOf(const QString& periodId, const QString& digits)
{
    return {periodId, digits.split(QString(), Qt::SkipEmptyParts)};
}

std::vector<StoredDraw> between(const std::vector<StoredDraw>& draws, const QString& first, const QString& last)
{
    std::vector<StoredDraw> kept;
    for (const StoredDraw& draw : draws) {
        if (draw.periodId >= first && draw.periodId <= last)
            kept.push_back(draw);
    }
    return kept;
}

std::vector<StoredDraw> syntheticDraws(const QString& lotteryName, int count, unsigned seed)
{
    const LotteryInfo* lottery = findLottery(lotteryName);
    if (!lottery)
        throw std::invalid_argument("not a catalogue lottery");
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> digit(0, 9);
    // Ids shaped like the real ones, the newest on 2026-12-09: year and number of the draw in the
    // year for the 7-character ids, day and number of the draw in the day for the others.
    const QDate newestDay = kToday;
    // As many a year as the days of the year up to kToday allow; the lottery's own count a day.
    const int perDay = lottery->periodsPerDay > 0 ? lottery->periodsPerDay : kToday.dayOfYear();
    std::vector<StoredDraw> draws;
    draws.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const int before = count - 1 - i;  // draws after this one
        const int sequence = perDay - before % perDay;
        StoredDraw draw;
        if (lottery->periodIdLength == 7)
            draw.periodId =
                QStringLiteral("%1%2").arg(newestDay.year() - before / perDay).arg(sequence, 3, 10, QLatin1Char('0'));
        else
            draw.periodId = newestDay.addDays(-(before / perDay)).toString(QStringLiteral("yyyyMMdd")) +
                            QStringLiteral("%1").arg(sequence, lottery->periodIdLength - 8, 10, QLatin1Char('0'));
        for (int k = 0; k < lottery->digitCount; ++k)
            draw.digits << QString::number(digit(random));
        draws.push_back(std::move(draw));
    }
    return draws;
}

void storeDraws(const QString& programDir, const QString& lotteryName, const std::vector<StoredDraw>& draws)
{
    DrawDatabase db(programDir);
    DrawDatabase::Transaction transaction(db);
    for (const StoredDraw& draw : draws)
        db.appendDraw(lotteryName, draw.periodId, draw.digits);
    transaction.commit();
}

std::vector<StoredDraw> storedDraws(const QString& programDir, const QString& lotteryName)
{
    DrawDatabase db(programDir);
    QSqlQuery query = db.selectDraws(lotteryName);
    std::vector<StoredDraw> draws;
    while (query.next()) {
        StoredDraw draw{query.value(0).toString(), {}};
        for (int k = 1; k <= digitCountOf(lotteryName); ++k)
            draw.digits << query.value(k).toString();
        draws.push_back(std::move(draw));
    }
    return draws;
}

QStringList storedPeriodIds(const QString& programDir, const QString& lotteryName)
{
    QStringList ids;
    for (const StoredDraw& draw : storedDraws(programDir, lotteryName))
        ids << draw.periodId;
    return ids;
}

ProgramFolder::ProgramFolder()
{
    if (!m_dir.isValid())
        throw std::runtime_error("no scratch folder");
    DrawDatabase::create(path());
}

QString ProgramFolder::databasePath() const
{
    return drawDatabasePath(path());
}

QStringList rowsOf(const std::vector<StoredDraw>& draws)
{
    QStringList rows;
    for (const StoredDraw& draw : draws)
        rows << draw.periodId + u' ' + draw.digits.join(QString());
    return rows;
}

}  // namespace fixtures
