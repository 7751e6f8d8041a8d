#pragma once

#include "core/acquire/reader_hooks.h"

#include <QString>

// What a window's run reads from, taken on the window's thread as the run starts: the sites and
// the lotteries' own addresses as 数据源.ini in `dataDir` names them now (a change applies without
// restarting; a bad file raises UserError and the run does not start), and the download limits.
// The caller adds what belongs to the run itself: its cancel flag, its fetcher, its progress.
ReaderHooks runReaderHooks(const QString& dataDir);

namespace run_sources {
// The limits the windows' downloads keep: FetchSettings as they are built.
FetchSettings fetchSettings();
namespace testing {
// Tests shorten the time-outs and name the authority of their own TLS server.
void setFetchSettings(const FetchSettings& settings);
}  // namespace testing
}  // namespace run_sources
