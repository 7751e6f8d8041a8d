#include "gui/auto_updater.h"

#include "core/acquire/auto_update.h"
#include "core/acquire/live_update.h"
#include "core/store/draw_database.h"
#include "gui/run_command.h"
#include "gui/run_sources.h"
#include "gui/session.h"
#include "gui/work_runner.h"

#include <QTime>
#include <QTimer>
#include <QWidget>

namespace {

// What a run hands back to the window's thread.
struct AutoRun {
    LotteryUpdate update;
    QString newestPeriodId;  // the newest stored period when draws were stored
};

}  // namespace

AutoUpdater::AutoUpdater(QWidget* window, Session& session, QList<QWidget*> disable, Hooks hooks)
    : QObject(window), m_session(session), m_disable(std::move(disable)), m_hooks(std::move(hooks))
{
    m_runner = new WorkRunner(window);
    m_runner->setSilent([this](const QString& reason) {
        if (m_runSchedule == m_schedule)
            failed(reason);
    });
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &AutoUpdater::tick);
}

void AutoUpdater::start(const QString& lottery, int minutes)
{
    stop();
    m_lottery = lottery;
    m_minutes = minutes;
    m_failures = 0;
    m_active = true;
    scheduleNext();
}

void AutoUpdater::stop()
{
    ++m_schedule;
    m_active = false;
    m_timer->stop();
    m_runner->cancel();
}

void AutoUpdater::setMinutes(int minutes)
{
    m_minutes = minutes;
    if (m_active && !m_runner->isRunning())
        scheduleNext();
}

bool AutoUpdater::isScheduled() const
{
    return m_active;
}

bool AutoUpdater::isRunning() const
{
    return m_runner->isRunning();
}

void AutoUpdater::scheduleNext()
{
    m_timer->start(nextRunMinutes(m_minutes, m_failures) * m_session.autoUpdateMinute());
}

void AutoUpdater::tick()
{
    // Skipped, not queued: the next tick comes a whole interval later.
    if (m_runner->isRunning() || (m_hooks.busy && m_hooks.busy())) {
        scheduleNext();
        return;
    }
    run();
}

void AutoUpdater::run()
{
    const QString lottery = m_lottery;
    const QString dataDir = m_session.dataDir();
    ReaderHooks sourced;
    try {
        sourced = runReaderHooks(m_session);
    } catch (...) {
        failed(commandErrorText(std::current_exception()));
        return;
    }
    const bool catchUp = liveUpdateCatchesUp(m_session.historyCaughtUp(), lottery, sourced.sources);
    const int schedule = m_schedule;
    m_runSchedule = schedule;
    WorkRunner* runner = m_runner;
    m_runner->start<AutoRun>(
        [runner, dataDir, lottery, catchUp, sourced] {
            DrawDatabase db(dataDir);
            ReaderHooks hooks = sourced;
            hooks.cancelled = runner->cancelFlag();
            AutoRun run{runLiveUpdate(db, dataDir, lottery, catchUp, hooks), QString()};
            if (run.update.stored > 0)
                run.newestPeriodId = db.newestPeriodId(lottery);
            return run;
        },
        [this, schedule, catchUp](AutoRun& run) {
            if (schedule == m_schedule)
                finished(run.update, run.newestPeriodId, catchUp);
        },
        m_disable,
        [this] {
            if (m_hooks.runEnded)
                m_hooks.runEnded();
            if (m_active)
                scheduleNext();
        });
}

void AutoUpdater::finished(const LotteryUpdate& update, const QString& newestPeriodId, bool catchUp)
{
    if (update.cancelled)
        return;
    if (caughtUpBy(catchUp, update))
        m_session.setHistoryCaughtUp(true);
    QString news;
    if (update.stored > 0 && m_hooks.drawsStored)
        news = m_hooks.drawsStored(update.stored, newestPeriodId);
    if (!update.failure.isEmpty()) {
        failed(update.failure);
        return;
    }
    m_failures = 0;
    if (m_hooks.status)
        m_hooks.status(autoStatusLine(QTime::currentTime(), update.stored, news));
}

void AutoUpdater::failed(const QString& reason)
{
    // A stopped schedule says nothing more.
    if (!m_active)
        return;
    ++m_failures;
    if (m_hooks.status)
        m_hooks.status(autoFailureLine(QTime::currentTime(), reason, nextRunMinutes(m_minutes, m_failures)));
    if (!m_runner->isRunning())
        scheduleNext();
}
