#include "core/base/u_public.h"

namespace u_public {
namespace {
QString g_programDir;
PlanSelection g_selection;
DrawHistory g_history;
bool g_historyCaughtUp = false;
}  // namespace

const QString& programDir()
{
    return g_programDir;
}

void setProgramDir(const QString& dir)
{
    g_programDir = dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

PlanSelection& planSelection()
{
    return g_selection;
}

const DrawHistory& drawHistory()
{
    return g_history;
}

void setDrawHistory(DrawHistory history)
{
    g_history = std::move(history);
}

bool historyCaughtUp()
{
    return g_historyCaughtUp;
}

void setHistoryCaughtUp(bool caughtUp)
{
    g_historyCaughtUp = caughtUp;
}

}  // namespace u_public
