#include "gui/auto_updater.h"

#include "core/acquire/draw_schedule.h"
#include "core/acquire/history_download.h"
#include "core/acquire/live_update.h"
#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "core/store/history_loader.h"
#include "gui/run_command.h"
#include "gui/run_sources.h"
#include "gui/session.h"
#include "gui/work_runner.h"

#include <QTimer>
#include <QWidget>
#include <algorithm>

// What a run hands back to the window's thread.
struct AutoUpdater::Outcome {
    LotteryUpdate update;
    QString newestPeriodId;  // the newest stored draw when draws were stored
    QString newestDigits;
    bool catchUp = false;
};

namespace {

// How often the schedule is looked at, in units of the interval's minute: often enough that a
// run is at most a quarter of a minute late.
constexpr int kBeatsPerMinute = 4;

}  // namespace

AutoUpdater::AutoUpdater(QWidget* window, Session& session, QList<QWidget*> disable, Hooks hooks)
    : QObject(window), m_session(session), m_disable(std::move(disable)), m_hooks(std::move(hooks))
{
    m_runner = new WorkRunner(window);
    m_runner->setSilent([this](const QString& reason) {
        if (m_runSchedule != m_schedule)
            return;
        if (Plan* plan = planOf(m_runLottery))
            failed(*plan, reason);
    });
    m_beat = new QTimer(this);
    connect(m_beat, &QTimer::timeout, this, &AutoUpdater::beat);
}

void AutoUpdater::start(const AutoUpdateSettings& settings)
{
    stop();
    m_minutes = settings.minutes;
    m_plans.clear();
    const QDateTime now = m_session.now();
    for (const QString& lottery : lotteryNames()) {
        Plan plan;
        plan.lottery = lottery;
        plan.drawTime = settings.drawTime(lottery);
        if (!isDaily(plan))
            plan.due = afterWait(plan, now);
        m_plans.push_back(plan);
    }
    m_active = true;
    reckon(now);
    m_beat->start(std::max<qint64>(1, m_session.autoUpdateMinute().count() / kBeatsPerMinute));
}

void AutoUpdater::stop()
{
    ++m_schedule;
    m_active = false;
    m_plans.clear();
    m_beat->stop();
    m_runner->cancel();
}

void AutoUpdater::setMinutes(int minutes)
{
    m_minutes = minutes;
    const QDateTime now = m_session.now();
    for (Plan& plan : m_plans)
        if (!isDaily(plan))
            plan.due = afterWait(plan, now);
}

bool AutoUpdater::isScheduled() const
{
    return m_active;
}

bool AutoUpdater::isRunning() const
{
    return m_runner->isRunning();
}

QDateTime AutoUpdater::nextCheck(const QString& lottery) const
{
    const auto it = std::find_if(m_plans.begin(), m_plans.end(), [&](const Plan& p) { return p.lottery == lottery; });
    return it == m_plans.end() ? QDateTime() : it->due;
}

AutoUpdater::Plan* AutoUpdater::planOf(const QString& lottery)
{
    const auto it = std::find_if(m_plans.begin(), m_plans.end(), [&](const Plan& p) { return p.lottery == lottery; });
    return it == m_plans.end() ? nullptr : &*it;
}

int AutoUpdater::waitMinutes(const Plan& plan) const
{
    return nextRunMinutes(isDaily(plan) ? kFirstRetryMinutes : m_minutes, plan.failures);
}

QDateTime AutoUpdater::afterWait(const Plan& plan, const QDateTime& from) const
{
    // A daily lottery waits real minutes, as its draw time is on the wall clock; the interval's
    // minute is the session's, which tests shorten.
    const qint64 minute = isDaily(plan) ? 60000 : m_session.autoUpdateMinute().count();
    return from.addMSecs(waitMinutes(plan) * minute);
}

void AutoUpdater::reckon(const QDateTime& now)
{
    for (Plan& plan : m_plans) {
        // A clock set back leaves no wait longer than a whole one from now.
        const QDateTime latest = afterWait(plan, now);
        if (!isDaily(plan)) {
            plan.due = std::min(plan.due, latest);
            continue;
        }
        // While checks fail, the back-off decides when the next comes.
        if (plan.retryAt.isValid()) {
            plan.retryAt = std::min(plan.retryAt, latest);
            plan.due = plan.retryAt;
            continue;
        }
        const bool newestIn = plan.lastCheck.isValid() && plan.nightIn == drawNight(plan.lastCheck, plan.drawTime);
        plan.due = nextDailyCheck(now, plan.drawTime, plan.lastCheck, newestIn);
    }
}

void AutoUpdater::beat()
{
    if (!m_active || m_runner->isRunning())
        return;
    const QDateTime now = m_session.now();
    reckon(now);
    // The one longest due goes first; the others follow at the next beats, one run at a time.
    Plan* next = nullptr;
    for (Plan& plan : m_plans)
        if (plan.due <= now && (!next || plan.due < next->due))
            next = &plan;
    if (!next)
        return;
    if (m_hooks.busy && m_hooks.busy()) {
        // A 时时彩 lottery's turn is skipped, not queued; a daily one waits for the work to end.
        for (Plan& plan : m_plans)
            if (!isDaily(plan) && plan.due <= now)
                plan.due = afterWait(plan, now);
        return;
    }
    const QString shown = m_hooks.shownLottery ? m_hooks.shownLottery() : QString();
    if (next->lottery != shown && m_hooks.hasDraws && !m_hooks.hasDraws(next->lottery)) {
        // Nothing stored to keep up to date: its turn passes without a run.
        if (isDaily(*next))
            next->lastCheck = now;
        else
            next->due = afterWait(*next, now);
        return;
    }
    run(*next);
}

void AutoUpdater::run(Plan& plan)
{
    const QString lottery = plan.lottery;
    const QString dataDir = m_session.dataDir();
    const bool daily = isDaily(plan);
    ReaderHooks sourced;
    try {
        sourced = runReaderHooks(m_session);
    } catch (...) {
        failed(plan, commandErrorText(std::current_exception()));
        if (!daily)
            plan.due = afterWait(plan, m_session.now());
        return;
    }
    const bool catchUp = !daily && liveUpdateCatchesUp(m_session.historyCaughtUp(), lottery, sourced.sources);
    const int schedule = m_schedule;
    m_runSchedule = schedule;
    m_runLottery = lottery;
    WorkRunner* runner = m_runner;
    m_runner->start<Outcome>(
        [runner, dataDir, lottery, daily, catchUp, sourced] {
            ReaderHooks hooks = sourced;
            hooks.cancelled = runner->cancelFlag();
            Outcome outcome;
            outcome.catchUp = catchUp;
            if (daily) {
                // The daily lottery's run is its history download, as 下载开奖 reads it.
                outcome.update = downloadHistory(dataDir, lottery, hooks);
            } else {
                DrawDatabase db(dataDir);
                outcome.update = runLiveUpdate(db, dataDir, lottery, catchUp, hooks);
            }
            if (outcome.update.outcome.stored() > 0) {
                DrawDatabase db(dataDir);
                const DrawHistory history = readDrawHistory(db, lottery);
                if (!history.empty()) {
                    const int newest = history.size() - 1;
                    outcome.newestPeriodId = db.newestPeriodId(lottery);
                    for (int position = 1; position <= history.digitCount(); ++position)
                        outcome.newestDigits += QChar(u'0' + history.digit(newest, position));
                }
            }
            return outcome;
        },
        [this, schedule, lottery](Outcome& outcome) {
            if (schedule != m_schedule)
                return;
            if (Plan* plan = planOf(lottery))
                finished(*plan, outcome);
        },
        m_disable,
        [this, schedule, lottery] {
            if (m_hooks.runEnded)
                m_hooks.runEnded();
            if (!m_active || schedule != m_schedule)
                return;
            // The next turn of a 时时彩 lottery counts from the end of this run.
            if (Plan* plan = planOf(lottery); plan && !isDaily(*plan))
                plan->due = afterWait(*plan, m_session.now());
        });
}

void AutoUpdater::finished(Plan& plan, const Outcome& outcome)
{
    const LotteryUpdate& update = outcome.update;
    if (update.outcome.cancelled())
        return;
    const QDateTime now = m_session.now();
    if (!isDaily(plan) && caughtUpBy(outcome.catchUp, update))
        m_session.setHistoryCaughtUp(true);
    QString news;
    if (update.outcome.stored() > 0) {
        // The night's period is in: the lottery rests until the next evening.
        if (isDaily(plan) && nightPeriodIn(now, plan.drawTime, !plan.lastCheck.isValid()))
            plan.nightIn = drawNight(now, plan.drawTime);
        if (m_hooks.drawsStored)
            news = m_hooks.drawsStored(plan.lottery, outcome.newestPeriodId, outcome.newestDigits);
    }
    if (const auto& failure = update.outcome.failure()) {
        failed(plan, *failure);
        return;
    }
    plan.failures = 0;
    plan.retryAt = QDateTime();
    QString nothingNew = QStringLiteral("已是最新");
    if (isDaily(plan)) {
        plan.lastCheck = now;
        const bool newestIn = plan.nightIn == drawNight(now, plan.drawTime);
        nothingNew = dailyWaitText(now, nextDailyCheck(now, plan.drawTime, now, newestIn), plan.drawTime);
    }
    say(autoStatusLine(now.toLocalTime().time(), plan.lottery, update.outcome.stored(), news, nothingNew,
                       update.confirmation));
}

void AutoUpdater::failed(Plan& plan, const QString& reason)
{
    // A stopped schedule says nothing more.
    if (!m_active)
        return;
    const QDateTime now = m_session.now();
    ++plan.failures;
    if (isDaily(plan))
        plan.retryAt = afterWait(plan, now);
    say(autoFailureLine(now.toLocalTime().time(), plan.lottery, reason, waitMinutes(plan)));
}

void AutoUpdater::say(const QString& line)
{
    if (m_hooks.status)
        m_hooks.status(line);
}
