#include "gui/run_sources.h"

#include "core/acquire/source_settings.h"
#include "gui/session.h"

ReaderHooks runReaderHooks(const Session& session)
{
    ReaderHooks hooks;
    hooks.sources = readSources(session.dataDir());
    hooks.fetchSettings = session.fetchSettings();
    hooks.today = session.today();
    return hooks;
}
