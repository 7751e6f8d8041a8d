#include "gui/session.h"

#include "core/base/program_paths.h"

namespace {
QString withSlash(const QString& dir)
{
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}
}  // namespace

Session::Session(const QString& programDir)
    : m_programDir(withSlash(programDir)), m_dataDir(program_paths::dataDirFor(m_programDir))
{
}
