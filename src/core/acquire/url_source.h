#pragma once

#include "core/acquire/lottery_update.h"
#include "core/acquire/reader_hooks.h"
#include "core/store/draw_file_parser.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <functional>

class DrawDatabase;
struct LotteryInfo;

// A lottery's own draw source: one address (数据源.ini, [draws]) serving the lottery's history
// as a draw file of any form 导入 reads, or as a JSON list of draws (json_draws.h). When one is
// set, it stands in for the site pages and the feed in 下载开奖, 实时开奖 and 补齐. What it
// serves is stored as an import that never overwrites: only periods the table lacks, all in one
// transaction; a stored draw is never changed.

// Larger documents are refused unread: a year of 时时彩 as JSON is a few megabytes.
inline constexpr qint64 kMaxDrawDocumentBytes = 20 * 1024 * 1024;

// The document at `url`, fetched with the usual limits. UserError saying why when it cannot be
// had or is over kMaxDrawDocumentBytes; Cancelled once hooks.cancelled says yes.
QByteArray fetchDrawDocument(const QString& url, const ReaderHooks& hooks = {});

// The draws of a document for `lottery`: a JSON list when it is JSON, otherwise a draw file
// read by the import's parser, both refusing periods not come yet by `today`. UserError when JSON
// holds no list or is no JSON.
ParsedDrawFile readDrawDocument(const QByteArray& bytes, const LotteryInfo& lottery, const QDate& today);

// Stores the draws of `document` the table lacks, in one transaction, and counts in `update` what
// went in, the periods served with other digits than stored (left as stored) and the rows no draw
// could be read from. A document without one draw fails with `noDraws`.
void storeNewDraws(DrawDatabase& db, const LotteryInfo& lottery, ParsedDrawFile document, LotteryUpdate& update,
                   const QString& noDraws);

// Reads the lottery's address and stores the periods the table lacks. The update counts,
// besides what was stored, the periods served with digits other than the stored ones (left
// as stored) and the rows no draw could be read from. A document without one draw is a
// failure; so is one whose new draws the database refuses, and then nothing is stored. Like the
// other readers it does not throw.
LotteryUpdate urlSourceReader(DrawDatabase& db, const LotteryInfo& lottery, const QString& url,
                              const ReaderHooks& hooks = {});

// The draws at `url` for `lottery`: fetchDrawDocument, then readDrawDocument on hooks.today.
ParsedDrawFile readDrawUrl(const QString& url, const LotteryInfo& lottery, const ReaderHooks& hooks = {});

// 补齐 from a document read once: stores, in one transaction, the draws of `day` in it that
// `wanted` asks for (appendDraws).
StoreOutcome fillDayFromDocument(DrawDatabase& db, const LotteryInfo& lottery, const ParsedDrawFile& document,
                                 const QDate& day, const std::function<bool(const QString&)>& wanted);
