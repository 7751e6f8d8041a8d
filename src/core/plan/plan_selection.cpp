#include "core/plan/plan_selection.h"

int digitOffsetFor(PlanMode mode, int digitCount)
{
    return mode == PlanMode::Front2 ? 0 : digitCount - 2;
}

QString planModeName(PlanMode mode)
{
    return mode == PlanMode::Front2 ? QStringLiteral("前二") : QStringLiteral("后二");
}
