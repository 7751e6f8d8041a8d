#pragma once

#include "core/base/draw_history.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

namespace fixtures {

// The day the tests count as today: the newest synthetic draws are of it, and every reader,
// parser, row set and session under test is given it, whatever the computer's date.
inline const QDate kToday(2026, 12, 9);

// A history from draws written as digit strings, oldest first ("123", "456", …), with period
// ids firstPeriod, firstPeriod + 1, …
DrawHistory historyOf(const QStringList& draws, int firstPeriod = 2026001);

// A three-digit history whose first position runs through `digits`; the others stay 0.
DrawHistory historyAtFirstPosition(const std::vector<int>& digits);

// `count` pseudo-random draws of a lottery as the database stores them: period id texts of the
// lottery's length in ascending order, the newest of kToday, and the digits as texts.
struct StoredDraw {
    QString periodId;
    QStringList digits;
};
std::vector<StoredDraw> syntheticDraws(const QString& lotteryName, int count, unsigned seed = 1);
// A draw from its digits written as one text: drawOf("2026001", "123").
StoredDraw drawOf(const QString& periodId, const QString& digits);
// Those of `draws` from period `first` to `last`.
std::vector<StoredDraw> between(const std::vector<StoredDraw>& draws, const QString& first, const QString& last);

// Writes draws into the lottery's table in one transaction.
void storeDraws(const QString& programDir, const QString& lotteryName, const std::vector<StoredDraw>& draws);

// Each draw as "<period id> <digits>" ("2026001 123"), for comparing lists of draws at a glance.
QStringList rowsOf(const std::vector<StoredDraw>& draws);

// The lottery's table as stored, oldest first, read through a connection of its own.
std::vector<StoredDraw> storedDraws(const QString& programDir, const QString& lotteryName);
QStringList storedPeriodIds(const QString& programDir, const QString& lotteryName);

// A lottery table made by hand, as another tool may have left it, in place of the one the
// database made: `columns` as they stand between the parentheses of "create table", `options`
// after them ("without rowid"), then `rows`, each the values of one ("'2026001', 1, 2").
void handMadeTable(const QString& programDir, const QString& table, const QString& columns,
                   const QStringList& rows = {}, const QString& options = {});
// The digit columns "1" … "count", each of `type` when one is given: "\"1\" integer, \"2\" integer".
QString digitColumns(int count, const QString& type = {});

// A scratch program folder (ending with "/") with the draw database created in it.
class ProgramFolder {
public:
    ProgramFolder();
    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QString databasePath() const;

private:
    QTemporaryDir m_dir;
};

}  // namespace fixtures
