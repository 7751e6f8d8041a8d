#pragma once

#include "core/store/draw_file_parser.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <vector>

// A public draw list described as data: where it is asked for, how, and where its answer keeps
// each draw. One generic reader (source_reader.h) reads every source so described; adding a source
// is adding a description. The built-in descriptions ship inside the program
// (builtin_sources.json); a file of the same form in the data folder, 开奖来源.json, adds
// descriptions or replaces built-in ones of the same id. The form:
//
//   {"sources": [{
//     "id": "cwl",                        stable key, as 数据源.ini names the choice
//     "name": "中国福利彩票",              as the user and the stored draws know it
//     "lotteries": {"fc3d": {"param": "3d", "default": true}},
//                                          by the lottery table's short names; "default": the
//                                          lottery reads it unless 数据源.ini says otherwise
//     "url": "https://…?name={param}&pageNo={page}&pageSize={pageSize}&issueStart={from}&issueEnd={to}",
//     "headers": {"Referer": "…", "User-Agent": "…", "Accept": "…"},
//     "cookiePage": "https://…",          loaded for its cookies when the list is refused without them
//     "encoding": "utf-8" | "gbk" | "detect",
//     "format": "json" | "jsonp" | "lines" | "csv",
//     "list": "value.list",               json: the path of the list (json_path.h)
//     "period": "code", "digits": "red", "date": "date",   json: each row's fields
//     "columns": {"period": 0, "digits": 2},               lines: places among a line's fields
//     "period": "期号", "digits": "开奖号码",              csv: names in the header line, or
//     "digitColumns": ["百位", "十位", "个位"],            csv: one column per digit
//     "periodLength": 7,                  7, 5 (without the century) or 11 (时时彩), 0 as the table
//     "order": "newest-first" | "oldest-first",
//     "pageSize": 100,                    0: one document, no paging
//     "pages": "pageNum",                 json: the page count; without it a short page ends
//     "total": "total",                   json: how many draws the source holds
//     "wholeHistory": true,               one document with the whole history
//     "perHost": 1, "pauseMs": 1000       politeness: requests at once, pause between pages
//   }]}

enum class SourceFormat { Json, Jsonp, Lines, Csv };

struct SourceLottery {
    QString lottery;  // the display name of the lottery table
    QString param;    // what {param} stands for
    bool isDefault = false;
};

struct SourceDescription {
    QString id;
    QString name;
    QString origin;  // the file it came from
    std::vector<SourceLottery> lotteries;
    QString url;
    QList<QPair<QByteArray, QByteArray>> headers;
    QString cookiePage;
    QString encoding = QStringLiteral("detect");
    SourceFormat format = SourceFormat::Json;
    QString list;
    QStringList period;
    QStringList digits;
    QStringList digitColumns;  // csv: one column per digit
    QString date;
    TokenColumns columns;
    int periodLength = 0;
    bool newestFirst = true;
    int pageSize = 0;
    QString pages;
    QString total;
    bool wholeHistory = false;
    int perHost = 1;
    int pauseMs = 0;

    // The lottery's entry; nullptr when the source does not serve it.
    const SourceLottery* serving(const QString& lottery) const;
    // The address of `page` for `lottery`, the range {from}…{to} left empty unless given.
    QString pageUrl(const QString& lottery, int page, const QString& from = {}, const QString& to = {}) const;
};

using SourceDescriptions = std::vector<SourceDescription>;

// The descriptions of a file's bytes; `origin` names the file. UserError naming the file, the
// description and the field when one is malformed: nothing of a broken file is taken.
SourceDescriptions readSourceDescriptions(const QByteArray& bytes, const QString& origin);

// The descriptions built into the program.
const SourceDescriptions& builtinSources();

// The built-in descriptions, with those of 开奖来源.json in the data folder added or put in place
// of a built-in one of the same id. UserError as readSourceDescriptions says.
SourceDescriptions sourceDescriptions(const QString& dataDir);

// The description of `id` among `all`; nullptr when none.
const SourceDescription* findSource(const SourceDescriptions& all, const QString& id);
// The source a lottery reads by default (its operator's list); nullptr when none.
const SourceDescription* defaultSource(const SourceDescriptions& all, const QString& lottery);
// A whole-history source of the lottery other than `besides`; nullptr when none.
const SourceDescription* wholeHistorySource(const SourceDescriptions& all, const QString& lottery,
                                            const QString& besides = {});
