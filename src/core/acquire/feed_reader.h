#pragma once

#include "core/acquire/lottery_update.h"
#include "core/acquire/page_readers.h"
#include "core/acquire/reader_hooks.h"
#include "core/base/user_error.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <optional>

class DrawDatabase;

// The live update's quick reader: one short XML document of the latest draws per 时时彩 lottery.
// The document is not walked as a tree. It is written back out as XML text and flattened into one
// string, the joined text, with every character of code 32 or less taken out, and each draw is read at fixed
// offsets from its "<row" marker. With rows such as
//   <row expect="20261209001" opencode="1,2,3,4,5" opentime="…"/>
// the joined text reads `<rowexpect="20261209001"opencode="1,2,3,4,5"…`, so the period id starts 12 characters
// after the "<" and the digits stand every second character from the lottery's digits offset.

struct FeedLayout {
    QString path;        // on the feed site, starting with "/"
    int periodIdLength;  // characters of the period id, from "<" + 12
    int digitsOffset;    // the first digit's distance from "<"; the others follow every second character
    int digitCount;
    int periodsPerDay;  // the lottery table's: more in a day cannot be drawn
};

// From the lottery table; nothing for a lottery that has no feed (only the 时时彩 lotteries have one).
std::optional<FeedLayout> feedLayoutOf(const QString& lottery);

// The document could not be read as XML; the message says why in a few words.
class FeedError : public UserError {
public:
    using UserError::UserError;
};

// Parses the feed strictly (a document that is not well-formed raises FeedError), writes it back
// out as XML text and removes every character of code 32 or less: the joined text. Nothing is
// fetched while parsing and no entity is expanded.
QString feedJoinedText(const QByteArray& document);

// The draws of the joined text newer than `newestPeriod` (the newest stored period id, "0" for an empty table,
// taken once before the feed was loaded), in the order their rows stand in the feed. A row whose
// period is not a number is passed over; a period that stands in two rows is taken once, and one
// listed with two different draws fails the reading with no draw kept. A row
// whose digits are not all there ends the reading with a failure, keeping the draws before it;
// a newest period that is not a number fails the reading at the first row with a numeric period.
// A new period more than a day after `today` (the day the run counts as today) cannot have been
// drawn yet and ends the reading too.
PageReading FeedRowScan(const QString& joined, const FeedLayout& layout, const QString& newestPeriod,
                        const QDate& today);

// Fetches the lottery's feed, reads it and appends its new draws in one transaction. Never throws:
// a failure is kept in the result, with whatever was appended before it still stored; a cancel
// stores nothing.
LotteryUpdate readLotteryFeed(DrawDatabase& db, const QString& lottery, const QString& newestPeriod,
                              const ReaderHooks& hooks = {});
