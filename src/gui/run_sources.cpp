#include "gui/run_sources.h"

#include "core/acquire/source_settings.h"

namespace {

FetchSettings g_fetchSettings;

}  // namespace

ReaderHooks runReaderHooks(const QString& dataDir)
{
    ReaderHooks hooks;
    hooks.sources = readSources(dataDir);
    hooks.fetchSettings = g_fetchSettings;
    return hooks;
}

namespace run_sources {
FetchSettings fetchSettings()
{
    return g_fetchSettings;
}
namespace testing {
void setFetchSettings(const FetchSettings& settings)
{
    g_fetchSettings = settings;
}
}  // namespace testing
}  // namespace run_sources
