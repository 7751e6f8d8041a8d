#pragma once

#include "core/acquire/auto_update.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTime>
#include <functional>
#include <vector>

class QTimer;
class Session;
class QWidget;
class WorkRunner;

// 自动更新: keeps every lottery up to date in the background of the main window, each on its own
// schedule: a 时时彩 lottery by its live update on an interval (the same readers, rules and
// caught-up flag as 实时开奖, without its banner and closing box), a daily lottery by its history
// download after the evening draw (nextDailyCheck). One run at a time, through one runner. The
// schedule is a time on the wall clock per lottery, looked at by a heartbeat, so that a computer
// that slept or a clock that jumped is caught up at the next beat rather than trusted to a
// timer's interval. A lottery due while other work goes (a draw window) waits: a 时时彩 lottery's
// turn is skipped, not queued; failures lengthen the wait (nextRunMinutes) until a run goes
// through.
class AutoUpdater : public QObject {
    Q_OBJECT

public:
    struct Hooks {
        // Whether other work on the draws is going, so that no run may start now.
        std::function<bool()> busy;
        // The lottery shown in the window: kept up to date even while it has no draw yet; the
        // others only once they have one.
        std::function<QString()> shownLottery;
        // Whether a lottery has stored draws.
        std::function<bool(const QString& lottery)> hasDraws;
        // New draws of `lottery` were stored, the newest with these digits: the window shows them
        // and returns what the newest draw was.
        std::function<QString(const QString& lottery, const QString& newestPeriodId, const QString& newestDigits)>
            drawsStored;
        // The status line changed.
        std::function<void(const QString& line)> status;
        // A run has ended, however: the controls it held disabled are the window's again.
        std::function<void()> runEnded;
    };

    // `disable` are held disabled while a run goes: the commands that would write the draws too.
    // The session gives the data folder, the clock, the unit of the interval and the caught-up flag.
    AutoUpdater(QWidget* window, Session& session, QList<QWidget*> disable, Hooks hooks);

    // Starts every lottery's schedule anew: a 时时彩 lottery's first run one interval later, a
    // daily lottery's at its next check (at once when its draw is past). A schedule or run going
    // is stopped first.
    void start(const AutoUpdateSettings& settings);
    // Stops every schedule at once; a run going is cancelled and nothing it still reports is shown.
    void stop();
    // Takes a new interval for the 时时彩 lotteries; their waits going are started over with it.
    void setMinutes(int minutes);

    bool isScheduled() const;
    bool isRunning() const;
    // When `lottery` is looked at next: invalid when nothing is scheduled.
    QDateTime nextCheck(const QString& lottery) const;

private:
    struct Plan {
        QString lottery;
        QTime drawTime;       // a daily lottery's; invalid: on the interval
        QDateTime due;        // when it runs next
        QDateTime lastCheck;  // a daily lottery's last check that went through
        QDate nightIn;        // the night whose period has come in
        QDateTime retryAt;    // after a failure, the back-off's time
        int failures = 0;
    };
    struct Outcome;

    bool isDaily(const Plan& plan) const { return plan.drawTime.isValid(); }
    void beat();
    // Works each plan's next time out from the wall clock as it is now.
    void reckon(const QDateTime& now);
    int waitMinutes(const Plan& plan) const;
    QDateTime afterWait(const Plan& plan, const QDateTime& from) const;
    void run(Plan& plan);
    void finished(Plan& plan, const Outcome& outcome);
    void failed(Plan& plan, const QString& reason);
    Plan* planOf(const QString& lottery);
    void say(const QString& line);

    Session& m_session;
    QList<QWidget*> m_disable;
    Hooks m_hooks;
    WorkRunner* m_runner;
    QTimer* m_beat;
    std::vector<Plan> m_plans;
    int m_minutes = 5;
    bool m_active = false;
    // Each start and stop opens a new schedule: what a run of an earlier one reports is dropped.
    int m_schedule = 0;
    int m_runSchedule = 0;  // the schedule of the run going or last run
    QString m_runLottery;   // the lottery of the run going or last run
};
