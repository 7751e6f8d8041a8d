#include "gui/session.h"

#include "core/base/program_paths.h"

Session::Session(const QString& programDir)
    : m_programDir(program_paths::asFolder(programDir)), m_dataDir(program_paths::dataDirFor(m_programDir))
{
}
