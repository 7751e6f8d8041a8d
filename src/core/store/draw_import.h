#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class DrawDatabase;
struct LotteryInfo;

// Draw files as people keep them, read into a lottery's table. A file is UTF-8 or GBK text,
// with or without a byte order mark, lines ending in LF, CR LF or CR alone; one draw per line:
//   2026224 862        the export's own form
//   2026224 8,6,2      digits apart, by commas, blanks or tabs
//   2026224,8,6,2      CSV, with or without a header line naming the columns
//   26224 862          the period without the two leading year digits
// Full-width digits (０-９) read as digits. Blank lines and lines starting with "#" are skipped.

struct ImportedDraw {
    QString periodId;  // at the table's length
    QString digits;    // "862"
    int line = 0;      // 1-based, in the file
};

struct MalformedLine {
    int line = 0;
    QString text;  // as shown: its first 60 characters
    QString reason;
};

// Lines that are no draw are all counted, but only the first are kept to be shown: a file of
// rubbish must not cost memory by the line.
inline constexpr int kKeptMalformedLines = 20;

struct ParsedDrawFile {
    std::vector<ImportedDraw> draws;
    std::vector<MalformedLine> malformed;  // the first kKeptMalformedLines
    int malformedCount = 0;
};

// Told how many of the file's bytes the parse has read, now and then; returning false stops the
// parse, which then throws ParseCancelled.
using ParseProgress = std::function<bool(qint64 done, qint64 total)>;
struct ParseCancelled {};

// The draws of a file for `lottery`, and the lines that are no draw with the reason why. A
// period listed twice is taken at its first line; the second is reported. UserError when the file
// is no UTF-8 or GBK text (naming the line and byte where it stops being one), or when its header
// leaves open which column holds the draw (naming the columns).
ParsedDrawFile parseDrawFile(const QByteArray& bytes, const LotteryInfo& lottery, const ParseProgress& progress = {});

// The file's bytes; UserError naming the file and the reason when it cannot be read.
QByteArray readDrawFile(const QString& fileName);

struct ImportConflict {
    QString periodId;
    QString stored;
    QString imported;
    int line = 0;
};

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

// Period id -> digits ("862") of every stored draw of the lottery.
QHash<QString, QString> storedDigits(DrawDatabase& db, const LotteryInfo& lottery);

ImportPlan planImport(ParsedDrawFile parsed, const QHash<QString, QString>& stored);

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
