#pragma once

#include "core/base/draw_history.h"

#include <QString>

// The program-wide state: set by the main window, read by the windows and the loader.
namespace u_public {

// The executable's directory, ending with "/"; every file of the program lies relative to it.
const QString& programDir();
void setProgramDir(const QString& dir);

PlanSelection& planSelection();

const DrawHistory& drawHistory();
void setDrawHistory(DrawHistory history);

// True once a history download or a day-page catch-up has run in this session.
bool historyCaughtUp();
void setHistoryCaughtUp(bool caughtUp);

}  // namespace u_public
