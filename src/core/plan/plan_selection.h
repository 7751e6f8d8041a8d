#pragma once

#include <QString>

enum class PlanMode { Front2, Back2 };  // 前二, 后二

// Which lottery is selected, which two digit positions are played (the tens digit is record
// element digitOffset + 1, the units digit element digitOffset + 2) and the 计划期数 the plans
// are judged against.
struct PlanSelection {
    QString lotteryName;
    int digitCount = 5;
    PlanMode mode = PlanMode::Back2;
    int digitOffset = 3;
    int planPeriods = 5;
};

// The offset of a mode for a lottery of the given digit count: 前二 plays the first two
// positions, 后二 the last two.
int digitOffsetFor(PlanMode mode, int digitCount);

// "前二" or "后二", as the windows name a mode.
QString planModeName(PlanMode mode);
