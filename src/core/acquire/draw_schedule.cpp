#include "core/acquire/draw_schedule.h"

#include <algorithm>

namespace {

QDateTime drawOf(const QDate& night, const QTime& drawTime)
{
    return QDateTime(night, drawTime, beijingTime());
}

QDateTime firstCheckOf(const QDate& night, const QTime& drawTime)
{
    return drawOf(night, drawTime).addSecs(kFirstCheckMinutes * 60);
}

}  // namespace

QTimeZone beijingTime()
{
    return QTimeZone(QByteArrayLiteral("Asia/Shanghai"));
}

QDate drawNight(const QDateTime& at, const QTime& drawTime)
{
    const QDateTime there = at.toTimeZone(beijingTime());
    return there.time() >= drawTime ? there.date() : there.date().addDays(-1);
}

QList<QDateTime> nightChecks(const QDate& night, const QTime& drawTime)
{
    const QDateTime draw = drawOf(night, drawTime);
    const QDateTime nightEnd = draw.addSecs(kNightHours * 3600);
    const QDateTime nextDraw = drawOf(night.addDays(1), drawTime);
    QList<QDateTime> checks;
    QDateTime at = firstCheckOf(night, drawTime);
    for (int wait = kFirstRetryMinutes; at < nightEnd; wait *= 2) {
        checks << at;
        at = at.addSecs(qint64(wait) * 60);
    }
    // The morning check stays in its night, whatever draw time the settings give.
    const QDateTime morning = std::max(QDateTime(night.addDays(1), kMorningCheck, beijingTime()), nightEnd);
    if (morning < nextDraw)
        checks << morning;
    return checks;
}

QDateTime nextDailyCheck(const QDateTime& now, const QTime& drawTime, const QDateTime& lastCheck, bool newestIn)
{
    if (!lastCheck.isValid())
        return std::max(firstCheckOf(drawNight(now, drawTime), drawTime), now);
    const QDateTime last = std::min(lastCheck, now);
    const QDate night = drawNight(last, drawTime);
    QDateTime next = firstCheckOf(night.addDays(1), drawTime);
    if (!newestIn) {
        const QList<QDateTime> checks = nightChecks(night, drawTime);
        const auto later = std::find_if(checks.begin(), checks.end(), [&](const QDateTime& at) { return at > last; });
        if (later != checks.end())
            next = *later;
    }
    return std::max(next, now);
}

bool nightPeriodIn(const QDateTime& at, const QTime& drawTime, bool firstCheck)
{
    return !firstCheck || at >= drawOf(drawNight(at, drawTime), drawTime).addSecs(kPublishedMinutes * 60);
}

QString dailyWaitText(const QDateTime& at, const QDateTime& next, const QTime& drawTime)
{
    const QDate night = drawNight(at, drawTime);
    if (drawNight(next, drawTime) != night)
        return QStringLiteral("已是最新");
    if (next == nightChecks(night, drawTime).constLast() && next > at)
        return QStringLiteral("尚未开奖，明早再试");
    return QStringLiteral("尚未开奖，%1再试").arg(next.toLocalTime().toString(QStringLiteral("HH:mm")));
}
