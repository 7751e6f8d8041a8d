#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

class DrawDatabase;
struct LotteryInfo;

// Draw files as people keep them, read into a lottery's table. A file is UTF-8 or GBK text,
// with or without a byte order mark, lines ending in LF or CR LF; one draw per line:
//   2026224 862        the export's own form
//   2026224 8,6,2      digits apart, by commas, blanks or tabs
//   2026224,8,6,2      CSV, with or without a header line naming the columns
//   26224 862          the period without the two leading year digits
// Blank lines and lines starting with "#" are skipped.

struct ImportedDraw {
    QString periodId;  // at the table's length
    QString digits;    // "862"
    int line = 0;      // 1-based, in the file
};

struct MalformedLine {
    int line = 0;
    QString text;
    QString reason;
};

struct ParsedDrawFile {
    std::vector<ImportedDraw> draws;
    std::vector<MalformedLine> malformed;
};

// The file's bytes as text: UTF-8 when they read as UTF-8 (a BOM says so too), GBK otherwise.
QString decodeDrawFile(const QByteArray& bytes);

// The draws of a file for `lottery`, and every line that is not one with the reason why. A
// period listed twice is taken at its first line; the second is reported.
ParsedDrawFile parseDrawFile(const QByteArray& bytes, const LotteryInfo& lottery);

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
    std::vector<MalformedLine> malformed;
};

// Period id -> digits ("862") of every stored draw of the lottery.
QHash<QString, QString> storedDigits(DrawDatabase& db, const LotteryInfo& lottery);

ImportPlan planImport(ParsedDrawFile parsed, const QHash<QString, QString>& stored);

// The lines of the summary the user confirms; lists of conflicts and malformed lines show
// their first `shown` entries and the count of the rest.
QStringList importSummary(const ImportPlan& plan, int shown = 20);

struct ImportResult {
    int added = 0;
    int overwritten = 0;
};

// Stores the new draws and, only when `overwriteConflicts`, the file's digits over the
// conflicting stored ones: all in one transaction, so a refusal leaves the table as it was.
ImportResult writeImport(DrawDatabase& db, const LotteryInfo& lottery, const ImportPlan& plan, bool overwriteConflicts);
