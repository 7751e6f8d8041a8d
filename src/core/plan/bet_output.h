#pragma once

#include "core/plan/bet_rule.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The bet list as one line: every number with two digits, each followed by a space.
QString formatBetList(const BetSet& set);

// The saved file: each line followed by " " and CR LF. UTF-8, the text encoding of the desktop
// here; the list itself is ASCII. No lines, no bytes.
QByteArray betListFileBytes(const QStringList& lines);
