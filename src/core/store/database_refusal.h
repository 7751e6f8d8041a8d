#pragma once

#include <QString>

class QSqlError;

// What the database engine said, in the user's words: the period or the lottery it is about
// named where it is known ("第20261209001期已存在", "没有名为“abc”的彩票"). A message that fits
// none of the plain cases keeps the engine's own text, which is still better than nothing.
QString refusalText(const QSqlError& error, const QString& lotteryName = {}, const QString& periodId = {});

// The same for an engine message already taken out of its error.
QString refusalText(const QString& engineText, const QString& lotteryName = {}, const QString& periodId = {});
