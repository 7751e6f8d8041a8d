#pragma once

#include "core/acquire/reader_hooks.h"

class Session;

// What a window's run reads from, taken on the window's thread as the run starts: the sites and
// the lotteries' own addresses as 数据源.ini in the session's data folder names them now (a change
// applies without restarting; a bad file raises UserError and the run does not start), the
// session's download limits and its day. The caller adds what belongs to the run itself: its cancel flag, its
// fetcher, its progress.
ReaderHooks runReaderHooks(const Session& session);
