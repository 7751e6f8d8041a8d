#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>
#include <QTimeZone>

// When the automatic update looks for a daily lottery's draw. Draw times are Beijing time
// whatever the computer's zone, and every answer is worked out from the wall clock alone, so a
// computer that slept or a clock that jumped gets a sound schedule at the next look.
//
// A draw night runs from one evening's draw to the next one's. Its checks come a few minutes
// after the draw, then after waits that double (5, 10, 20, 40 … minutes) until a few hours after
// the draw, and a last time the next morning; once the night's period is in, the lottery rests
// until the next evening.

// The operator's zone: every lottery here is drawn on Beijing time (UTC+8, no daylight saving).
QTimeZone beijingTime();

// The first check comes this long after the draw: the operators publish a few minutes after it.
inline constexpr int kFirstCheckMinutes = 5;
// The retries' waits start at this and double.
inline constexpr int kFirstRetryMinutes = 5;
// No retry starts this long after the draw or later; the morning check comes instead.
inline constexpr int kNightHours = 6;
// The morning check, Beijing time, on the day after the draw.
inline const QTime kMorningCheck(9, 0);

// By this long after the draw the operators have published it.
inline constexpr int kPublishedMinutes = 20;

// The day (Beijing time) of the latest draw at or before `at`: the night `at` belongs to.
QDate drawNight(const QDateTime& at, const QTime& drawTime);

// The checks of the night of `night`'s draw, in order; the last is the morning check.
QList<QDateTime> nightChecks(const QDate& night, const QTime& drawTime);

// When to look next. `lastCheck` is the last check that went through (invalid: none yet in this
// run); `newestIn` says that the period of its night has come in. A program started after a draw
// looks at once; a check missed while the computer slept or the clock jumped is made at once; a
// clock set back counts the last check as made now.
QDateTime nextDailyCheck(const QDateTime& now, const QTime& drawTime, const QDateTime& lastCheck, bool newestIn);

// Whether a check at `at` that stored draws brought in the period of its night. The first check of
// a run stores whatever was missing, which may be only earlier nights' periods: it counts once the
// night's own is surely published, kPublishedMinutes after the draw.
bool nightPeriodIn(const QDateTime& at, const QTime& drawTime, bool firstCheck);

// What a check at `at` that found nothing new says of the next, at `next`: "尚未开奖，22:35再试"
// while the night's retries go on, "尚未开奖，明早再试" before the morning check, "已是最新" when the
// lottery rests until the next evening. Times are the computer's own.
QString dailyWaitText(const QDateTime& at, const QDateTime& next, const QTime& drawTime);
