#pragma once

#include "core/acquire/lottery_update.h"

#include <QString>
#include <QTime>
#include <map>

// 自动更新: every lottery kept up to date in the background, the 时时彩 lotteries by their live
// update on an interval, the daily ones by their history download after the evening draw. Its
// settings are kept in 设置.ini in the data folder, section [auto].
struct AutoUpdateSettings {
    bool enabled = false;  // off until the user ticks it
    int minutes = 5;       // the 时时彩 lotteries' interval, 1..60
    bool copy = false;     // 自动复制: the new bet list also goes to the clipboard
    // The daily lotteries' draw times, Beijing time, by lottery name: the lottery table's unless
    // 设置.ini gives another ("fc3d_draw_time=21:15").
    std::map<QString, QTime> drawTimes = builtInDrawTimes();

    static std::map<QString, QTime> builtInDrawTimes();
    // The daily lottery's draw time; invalid for a lottery drawn all day.
    QTime drawTime(const QString& lottery) const;
};

inline constexpr int kMinAutoMinutes = 1;
inline constexpr int kMaxAutoMinutes = 60;
// However often runs fail, the wait before the next never grows beyond this (unless the interval
// set is longer).
inline constexpr int kMaxBackOffMinutes = 30;

// A missing file or key reads as the default; a value out of range is brought into it. A switch
// is on only for "true" or "1" and off for "false" or "0"; anything else is off, and `unread` (when
// given) says so, as it says a number of minutes that is no number; it is left empty when all was
// read.
AutoUpdateSettings readAutoUpdateSettings(const QString& dataDir, QString* unread = nullptr);
// Raises UserError, naming the file and what stands in the way, when the file cannot be written.
void writeAutoUpdateSettings(const QString& dataDir, const AutoUpdateSettings& settings);

// The wait before the next run after `failures` failed runs in a row: the interval set, doubled
// for each failure up to kMaxBackOffMinutes, and never shorter than the interval set.
int nextRunMinutes(int minutes, int failures);

// The status line after a run of `lottery` that ended at `at`: "10:45 重庆时时彩 新增1期",
// "10:50 重庆时时彩 已是最新", "10:55 重庆时时彩 失败：<reason>；5分钟后重试". `news` (what the
// newest draw was) follows new draws; `nothingNew` stands for "已是最新" where the run found none.
// What the 核对来源 said of the new draws follows as outcomeLine says it: "新增1期（已核对）…" or
// each disagreement after the news.
QString autoStatusLine(const QTime& at, const QString& lottery, int stored, const QString& news,
                       const QString& nothingNew = QStringLiteral("已是最新"),
                       const UpdateConfirmation& confirmation = {});
QString autoFailureLine(const QTime& at, const QString& lottery, const QString& reason, int retryMinutes);

// What the newest draw was and whether the bet list made before it held it:
// "第20261210045期 1 2 3 4 5：后二中" ("后二未中" when missed; no verdict for a draw the rule is
// not judged on).
QString newestDrawText(const QString& periodId, const QString& digits, const QString& modeName, bool judged, bool hit);
// The desktop notification: "<lottery> <newest draw> — 下期投注号码已更新".
QString autoNotificationText(const QString& lottery, const QString& newestDraw);
// The same for a lottery other than the one shown: "<lottery> <newest draw> — 开奖号码已存入".
QString drawStoredNotificationText(const QString& lottery, const QString& newestDraw);
