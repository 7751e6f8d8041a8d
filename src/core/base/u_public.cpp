#include "core/base/u_public.h"

#include "core/base/program_paths.h"

namespace u_public {
namespace {
QString g_programDir;
QString g_dataDir;
QString g_importFolder;
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
    g_dataDir = program_paths::dataDirFor(g_programDir);
}

const QString& dataDir()
{
    return g_dataDir;
}

const QString& importFolder()
{
    return g_importFolder;
}

void setImportFolder(const QString& folder)
{
    g_importFolder = folder;
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
