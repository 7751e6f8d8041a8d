#pragma once

#include "core/base/draw_history.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

// The first draws have too little before them to judge the rule by; they count as hits.
inline constexpr int kUntestedDraws = 100;

inline const QString kHitMark = QStringLiteral("●");

// One replayed draw, kept as numbers: a history has 10000 of them and only the few rows a grid
// shows are ever turned into text.
struct HitRow {
    int32_t period;     // the period id
    int32_t digits;     // the drawn digits as one decimal number, the first digit highest
    int8_t digitCount;  // how many digits were drawn, leading zeros included
    bool hit;
};
using HitTable = std::vector<HitRow>;

// The period id as decimal text.
QString periodText(const HitRow& row);
// The drawn digits run together, leading zeros kept ("01234").
QString digitsText(const HitRow& row);

// Called with each record index before that record is replayed.
using ReplayProgress = std::function<void(int record)>;

// Replays the bet rule before every draw from the 101st on and marks the draws whose two
// played digits were in the set it gave.
HitTable replayHits(const DrawHistory& history, int digitOffset, const ReplayProgress& progress = {});
