#include "gui/session.h"

#include "core/base/program_paths.h"

Session::Session(const QString& programDir)
    : m_programDir(program_paths::asFolder(programDir)), m_dataDir(program_paths::dataDirFor(m_programDir))
{
    m_fetchSettings.cookies = std::make_shared<CookieJar>();
}

void Session::setFetchSettings(const FetchSettings& settings)
{
    std::shared_ptr<CookieJar> cookies = m_fetchSettings.cookies;
    m_fetchSettings = settings;
    m_fetchSettings.cookies = std::move(cookies);
}
