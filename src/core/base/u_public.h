#pragma once

#include "core/base/draw_history.h"

#include <QString>

// The program-wide state: set by the main window, read by the windows and the loader.
namespace u_public {

// The executable's directory, ending with "/": the side texts and the splash picture lie in it.
const QString& programDir();
// Sets the program folder, and with it the data folder (program_paths::dataDirFor).
void setProgramDir(const QString& dir);
// Where the database, 数据源.ini and the scratch page are kept, ending with "/": the program
// folder where that is writable, the user's data folder otherwise.
const QString& dataDir();

// The folder the last draw file import of the session read from; empty before the first.
const QString& importFolder();
void setImportFolder(const QString& folder);

PlanSelection& planSelection();

const DrawHistory& drawHistory();
void setDrawHistory(DrawHistory history);

// True once a history download or a day-page catch-up has run in this session.
bool historyCaughtUp();
void setHistoryCaughtUp(bool caughtUp);

}  // namespace u_public
