#pragma once

#include "core/base/draw_history.h"

#include <QString>
#include <functional>
#include <vector>

// The first draws have too little before them to judge the rule by; they count as hits.
inline constexpr int kUntestedDraws = 100;

inline const QString kHitMark = QStringLiteral("●");

struct HitRow {
    QString period;  // the period id as decimal text
    QString digits;  // the drawn digits run together
    bool hit;
};
using HitTable = std::vector<HitRow>;

// Called with each record index before that record is replayed.
using ReplayProgress = std::function<void(int record)>;

// Replays the bet rule before every draw from the 101st on and marks the draws whose two
// played digits were in the set it gave.
HitTable ReplayHits(const DrawHistory& history, int digitOffset, const ReplayProgress& progress = {});
