#pragma once

#include "core/store/draw_database.h"

#include <QHash>
#include <QString>

// What the side table 开奖来源 says of a lottery's stored draws, as the windows show it: where
// each came from and how far a second source has confirmed them (核对). Everything here reads
// only, and a file without the table (read-only, from before) reads every draw as "未知" and
// unconfirmed.

struct ConfirmationTally {
    int stored = 0;
    int confirmed = 0;    // a second source lists them with the same digits
    int disagreeing = 0;  // a second source lists them with other digits, not yet decided
};

// Counts the lottery's stored draws by their records; records of periods the table no longer
// holds are not counted. DatabaseError when the lottery's table cannot be read.
ConfirmationTally confirmationTally(DrawDatabase& db, const QString& lotteryName);

// What 总览's 已核对 column says of it: "120/9876", or, while second sources disagree, "3期不符".
QString confirmationText(const ConfirmationTally& tally);

// Period id -> source of every recorded draw of the lottery; a stored draw without one is "未知".
QHash<QString, QString> recordedSources(DrawDatabase& db, const QString& lotteryName);

// The data window's line for a stored draw: "来源：中国福利彩票；未核对", "…；已由中彩网核对",
// "…；与中彩网不符（中彩网为124）".
QString originLine(const DrawDatabase::DrawOrigin& origin);
// The same with the times, for its tooltip and a screen reader: "第2026335期来源：中国福利彩票，
// 2026-12-10 21:30:05存入；已由中彩网于2026-12-10 21:40:00核对".
QString originDetail(const QString& periodId, const DrawDatabase::DrawOrigin& origin);
