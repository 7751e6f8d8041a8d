#pragma once

#include "core/store/draw_file_parser.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class DrawDatabase;
struct LotteryInfo;

// A draw file read into a lottery's table: what the import would do, for the user to confirm,
// and then the writing.

struct ImportConflict {
    QString periodId;
    QString stored;
    QString imported;
    int line = 0;
};

// How far a long read has come, as the user is shown it: in whole percents, only once the read
// has taken kQuietMs (a quick one shows nothing) and only when the percent changes.
class ReadProgressThrottle {
public:
    static constexpr qint64 kQuietMs = 1000;
    // The percent to show after `elapsedMs` with `done` of `total` bytes read, or nothing.
    std::optional<int> percentToShow(qint64 elapsedMs, qint64 done, qint64 total);

private:
    int m_shown = -1;
};

// Reads and parses a draw file for `lottery` on `today` as parseDrawFile does, telling
// `progressPercent` how far it has come (as ReadProgressThrottle lets through) and asking
// `cancelled` as it goes: nothing once it says yes. Meant for a worker thread; both are called on
// it. Errors as readDrawFile and parseDrawFile.
std::optional<ParsedDrawFile> readDrawFileCancellable(const QString& fileName, const LotteryInfo& lottery,
                                                      const QDate& today,
                                                      const std::function<void(int)>& progressPercent,
                                                      const std::function<bool()>& cancelled);

// What an import would do, for the user to confirm before anything is written.
struct ImportPlan {
    std::vector<ImportedDraw> fresh;        // not stored yet
    int identical = 0;                      // stored with the same digits: skipped
    std::vector<ImportConflict> conflicts;  // stored with other digits
    std::vector<MalformedLine> malformed;   // the first of them
    int malformedCount = 0;
    // A table keeps only the newest kRetainedDraws draws. When the stored and the new draws are
    // more, the oldest of them go: the new ones before `oldestKept` are not written, the stored
    // ones before it are deleted.
    QString oldestKept;  // empty when all stay
    QString newestKept;
    int freshKept = 0;
    int storedDropped = 0;
    bool overCap() const { return !oldestKept.isEmpty(); }
};

// Period id -> digits ("862") of every stored draw of the lottery, or of those from `from` to `to`
// when both are given.
QHash<QString, QString> storedDigits(DrawDatabase& db, const LotteryInfo& lottery, const QString& from = {},
                                     const QString& to = {});

// A stored draw, its digits as one text ("862").
struct StoredRow {
    QString periodId;
    QString digits;
};
// The stored draws of the lottery from `from` to `to` (period ids at the table's length), oldest first.
std::vector<StoredRow> storedRows(DrawDatabase& db, const QString& lotteryName, const QString& from, const QString& to);

ImportPlan planImport(ParsedDrawFile parsed, const QHash<QString, QString>& stored);
// The same against what the lottery's table holds now.
ImportPlan planImport(DrawDatabase& db, const LotteryInfo& lottery, ParsedDrawFile parsed);

// The lines of the summary the user confirms; lists of conflicts and malformed lines show
// their first `shown` entries and the count of the rest.
QStringList importSummary(const ImportPlan& plan, int shown = kKeptMalformedLines);

struct ImportResult {
    int added = 0;
    int overwritten = 0;
    int freshDropped = 0;   // new draws older than the newest kRetainedDraws: not written
    int storedDropped = 0;  // stored draws the new ones pushed out
};

// Stores the new draws and, only when `overwriteConflicts`, the file's digits over the
// conflicting stored ones, then keeps the newest kRetainedDraws: all in one transaction, so a
// refusal leaves the table as it was.
ImportResult writeImport(DrawDatabase& db, const LotteryInfo& lottery, const ImportPlan& plan, bool overwriteConflicts);
// What the user is told once the import is written: "成功导入N期！" and what the cap took.
QString importResultText(const ImportResult& result);
