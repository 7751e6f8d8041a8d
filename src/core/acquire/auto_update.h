#pragma once

#include <QString>
#include <QTime>

// 自动更新: the live update of the current 时时彩 lottery, run on an interval in the background.
// Its three settings are kept in 设置.ini in the data folder, section [auto].
struct AutoUpdateSettings {
    bool enabled = false;  // off until the user ticks it
    int minutes = 5;       // the interval set, 1..60
    bool copy = false;     // 自动复制: the new bet list also goes to the clipboard
};

inline constexpr int kMinAutoMinutes = 1;
inline constexpr int kMaxAutoMinutes = 60;
// However often runs fail, the wait before the next never grows beyond this (unless the interval
// set is longer).
inline constexpr int kMaxBackOffMinutes = 30;

// A missing file or key reads as the default; a value out of range is brought into it.
AutoUpdateSettings readAutoUpdateSettings(const QString& dataDir);
// Raises UserError when the file cannot be written.
void writeAutoUpdateSettings(const QString& dataDir, const AutoUpdateSettings& settings);

// The wait before the next run after `failures` failed runs in a row: the interval set, doubled
// for each failure up to kMaxBackOffMinutes, and never shorter than the interval set.
int nextRunMinutes(int minutes, int failures);

// The status line after a run that ended at `at`: "10:45 新增1期", "10:50 已是最新",
// "10:55 失败：<reason>；5分钟后重试". `news` (what the newest draw was) follows new draws.
QString autoStatusLine(const QTime& at, int stored, const QString& news);
QString autoFailureLine(const QTime& at, const QString& reason, int retryMinutes);

// What the newest draw was and whether the bet list made before it held it:
// "第20261210045期 1 2 3 4 5：后二中" ("后二未中" when missed; no verdict for a draw the rule is
// not judged on).
QString newestDrawText(const QString& periodId, const QString& digits, const QString& modeName, bool judged, bool hit);
// The desktop notification: "<lottery> <newest draw> — 下期投注号码已更新".
QString autoNotificationText(const QString& lottery, const QString& newestDraw);
