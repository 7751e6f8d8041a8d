#pragma once

#include "core/base/draw_history.h"

#include <QString>
#include <cstdint>

class DrawDatabase;

inline constexpr int kRetainedDraws = 10000;

// A stored period id as the history holds it: texts over 7 characters lose their first two
// (so "20261209001" becomes 261209001), the rest is read as a decimal integer.
int32_t periodIdFromText(const QString& text);

// Applies the retention cap (the newest kRetainedDraws stay, the rest is deleted for good),
// then reads the lottery's draws oldest first. A table within the cap is only read, so a
// read-only or locked file still loads. When the cap cannot be applied, the newest
// kRetainedDraws are read all the same and `notice`, if given, says why the rest stayed.
DrawHistory loadDrawHistory(DrawDatabase& db, const QString& lotteryName, QString* notice = nullptr);

// Reads the newest kRetainedDraws of the lottery's draws, oldest first, and deletes nothing:
// for a look over every lottery, which must not write while another window may be storing.
DrawHistory readDrawHistory(DrawDatabase& db, const QString& lotteryName);

// Opens the database in `dataDir` and loads the lottery's history as loadDrawHistory does; the
// caller keeps it, with its digit count, for the selection. Errors go to the caller.
DrawHistory LoadHistory(const QString& dataDir, const QString& lotteryName, QString* notice = nullptr);
