#pragma once

#include "core/store/draw_file_parser.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

class DrawDatabase;
struct LotteryInfo;

// 核对: the stored draws of a lottery set beside what a second source lists over the same range.
// The comparison itself changes nothing; what the user then decides (take the other's digits,
// fill the missing periods) and the marks of what agreed each go in one transaction.

// A period both list, with other digits.
struct DrawDisagreement {
    QString periodId;
    QString ours;       // the stored digits, "123"
    QString theirs;     // the second source's, "124"
    QString ourSource;  // where the stored draw came from ("未知" before sources were kept)
};

struct DrawComparison {
    QString otherSource;                      // the second source's name
    std::vector<DrawDisagreement> differing;  // both list the period, with other digits
    std::vector<ImportedDraw> missing;        // the other lists, the table lacks
    QStringList extra;                        // the table holds inside the other's range, the other lacks
    QHash<QString, QString> extraDigits;      // the stored digits of each extra period
    QStringList agreeing;                     // the same digits
    QStringList sameSource;                   // stored from the other source itself: not compared
    // Period -> the stored digits it was compared with (agreeing and differing), so that marking
    // passes over a draw changed since (another window, another instance).
    QHash<QString, QString> compared;
    QString changeMark;  // DrawDatabase::changeMark() before the draws were read
};

// Compares the stored draws of `lotteryName` from `from` to `to` (inclusive, period ids at the
// table's length) with `theirs`, what `otherSource` listed over that range; what `theirs` holds
// outside it is passed over. The range is the one the other source really covered
// (SourceReading::covered), so that a period it did not reach is never called one it lacks.
// Every list is oldest first. Reads only: works on a read-only file, and on one without 开奖来源
// (every draw then "未知").
DrawComparison compareDraws(DrawDatabase& db, const QString& lotteryName, const QString& from, const QString& to,
                            const std::vector<ImportedDraw>& theirs, const QString& otherSource);

// Marks, in one transaction, the agreeing periods confirmed by the other source and the differing
// ones disagreeing (核对不符 = its digits); a draw whose digits have changed since the comparison is
// left unmarked. DatabaseError when the file refuses (read-only: check DrawDatabase::readOnly()).
void markCompared(DrawDatabase& db, const QString& lotteryName, const DrawComparison& comparison);

// The 来源 of a draw whose digits were taken from `otherSource` in place of those `ourSource`
// gave: "中彩网（更正中国福利彩票）". Both stay named, the one the digits are from first.
QString correctedSource(const QString& otherSource, const QString& ourSource);
// Whether a draw recorded as `recorded` came from `source`: stored from it, or corrected by it.
bool cameFrom(const QString& recorded, const QString& source);

// Stores the other source's digits for the chosen periods, in one transaction, each recorded as
// correctedSource() says; a period the table no longer holds, or no longer with the digits
// `ours` the user saw, or digits the table refuses raise DatabaseError and leave every chosen
// draw as it was.
void takeOtherDigits(DrawDatabase& db, const LotteryInfo& lottery, const std::vector<DrawDisagreement>& chosen,
                     const QString& otherSource);

// Stores the chosen missing periods from the other source, in one transaction; returns how many.
// A refused draw (already stored meanwhile, malformed) raises DatabaseError and stores none.
int fillFromOther(DrawDatabase& db, const LotteryInfo& lottery, const std::vector<ImportedDraw>& chosen,
                  const QString& otherSource);

// "第2026335期：中国福利彩票 123，中彩网 124"
QString disagreementText(const DrawDisagreement& disagreement, const QString& otherSource);
