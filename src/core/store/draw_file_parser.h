#pragma once

#include "core/base/cancelled.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

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
    QString source;    // where it was read, when not from the writer's own source (a whole-history file)
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

// The first `shown` lines that are no draw with their reasons and how many more there are, for a
// message of one paragraph: "第1行：缺少开奖号码；第2行：…；另有298行". Empty when every line was a draw.
QString malformedSummary(const ParsedDrawFile& parsed, int shown = 3);

// Told how many of the file's bytes the parse has read, now and then; returning false stops the
// parse, which then throws Cancelled.
using ParseProgress = std::function<bool(qint64 done, qint64 total)>;

// The draws of a file for `lottery`, and the lines that are no draw with the reason why. A
// period listed twice with the same digits is taken at its first line and the second is reported;
// listed with different digits it is not taken at all, and both lines are reported, naming it. `today` is the day the
// run counts as today: a period dated more than a day after it cannot have been drawn yet and its
// line is no draw. UserError when the file is no UTF-8 or GBK text (naming the line and byte where
// it stops being one), or when its header leaves open which column holds the draw (naming the
// columns).
ParsedDrawFile parseDrawFile(const QByteArray& bytes, const LotteryInfo& lottery, const QDate& today,
                             const ParseProgress& progress = {});

// Whole-history files of the result sites: one draw per line, its fields apart by blanks, the
// period and the digits at fixed places among other columns ("2004001 2004-01-01 1 9 2 5 …":
// the period first, the digits from the third on). Places count from 0.
struct TokenColumns {
    int period = 0;
    int firstDigit = 1;
};

// The draws of such a file, read by the same rules as parseDrawFile but for where each line keeps
// them; a line too short for its columns is no draw.
ParsedDrawFile parseDrawColumns(const QByteArray& bytes, const LotteryInfo& lottery, const QDate& today,
                                const TokenColumns& columns);

// CSV answers of a source that names its columns: the first line that is not blank or a comment
// is the header, and the columns are found there by these names (compared without case, quotes,
// blanks or underscores): the period, and the draw in one column or one column per digit.
struct HeaderColumns {
    QStringList period;        // names tried in turn
    QStringList digits;        // the column of the whole draw, names tried in turn, or
    QStringList digitColumns;  // one column per digit, in the draw's order
};

// The draws of such a file, read by the same rules as parseDrawFile. UserError naming the header
// when it lacks a named column.
ParsedDrawFile parseDrawCsv(const QByteArray& bytes, const LotteryInfo& lottery, const QDate& today,
                            const HeaderColumns& columns);

// The file's bytes; UserError naming the file and the reason when it cannot be read.
QByteArray readDrawFile(const QString& fileName);
