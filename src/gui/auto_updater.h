#pragma once

#include "core/acquire/lottery_update.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QTimer;
class Session;
class QWidget;
class WorkRunner;

// 自动更新: runs the live update of one 时时彩 lottery on an interval, in the background of the
// main window, with the same readers, rules and caught-up flag as 实时开奖 but without its banner
// and closing box. A tick that finds other work going (a draw window, the previous run) is
// skipped, not queued; failures lengthen the wait (nextRunMinutes) until a run goes through.
class AutoUpdater : public QObject {
    Q_OBJECT

public:
    struct Hooks {
        // Whether other work on the draws is going, so that this tick must be skipped.
        std::function<bool()> busy;
        // New draws were stored: the window shows them and returns what the newest draw was.
        std::function<QString(int stored, const QString& newestPeriodId)> drawsStored;
        // The status line changed.
        std::function<void(const QString& line)> status;
        // A run has ended, however: the controls it held disabled are the window's again.
        std::function<void()> runEnded;
    };

    // `disable` are held disabled while a run goes: the commands that would write the draws too.
    // The session gives the data folder, the unit of the interval and the caught-up flag.
    AutoUpdater(QWidget* window, Session& session, QList<QWidget*> disable, Hooks hooks);

    // Starts the schedule anew for `lottery`: the first run comes one interval later. A schedule
    // or run going is stopped first.
    void start(const QString& lottery, int minutes);
    // Stops the schedule at once; a run going is cancelled and nothing it still reports is shown.
    void stop();
    // Takes a new interval; the wait already going is started over with it.
    void setMinutes(int minutes);

    bool isScheduled() const;
    bool isRunning() const;

private:
    void tick();
    void run();
    void finished(const LotteryUpdate& update, const QString& newestPeriodId, bool catchUp);
    void failed(const QString& reason);
    void scheduleNext();

    Session& m_session;
    QList<QWidget*> m_disable;
    Hooks m_hooks;
    WorkRunner* m_runner;
    QTimer* m_timer;
    QString m_lottery;
    int m_minutes = 5;
    int m_failures = 0;
    bool m_active = false;
    // Each start and stop opens a new schedule: what a run of an earlier one reports is dropped.
    int m_schedule = 0;
    int m_runSchedule = 0;  // the schedule of the run going or last run
};
