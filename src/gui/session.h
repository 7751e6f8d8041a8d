#pragma once

#include "core/acquire/page_fetch.h"
#include "core/base/draw_history.h"
#include "core/plan/plan_selection.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <chrono>
#include <functional>

// What one run of the program holds between its windows: the folders it works in, the lottery
// and positions being played with their loaded draws, and what this run has done so far. The
// main window owns it and hands it to the windows and commands that read or change it.
class Session {
public:
    // `programDir` is the executable's directory in the program, a scratch folder in tests.
    explicit Session(const QString& programDir);

    // The program folder, ending with "/": the side texts and the splash picture lie in it.
    const QString& programDir() const { return m_programDir; }
    // Where the database, 数据源.ini and the scratch page are kept, ending with "/": the program
    // folder where that is writable, the user's data folder otherwise (program_paths::dataDirFor).
    const QString& dataDir() const { return m_dataDir; }

    // The folder the last draw file import of this run read from; empty before the first.
    const QString& importFolder() const { return m_importFolder; }
    void setImportFolder(const QString& folder) { m_importFolder = folder; }

    PlanSelection& planSelection() { return m_selection; }
    const PlanSelection& planSelection() const { return m_selection; }

    const DrawHistory& drawHistory() const { return m_history; }
    void setDrawHistory(DrawHistory history) { m_history = std::move(history); }

    // True once a history download or a day-page catch-up has gone through in this run.
    bool historyCaughtUp() const { return m_historyCaughtUp; }
    void setHistoryCaughtUp(bool caughtUp) { m_historyCaughtUp = caughtUp; }

    // How long the live update banner stands empty before its update starts: long enough to be
    // seen before the update keeps the window busy. Tests not about the wait shorten it.
    std::chrono::milliseconds liveStartDelay() const { return m_liveStartDelay; }
    void setLiveStartDelay(std::chrono::milliseconds delay) { m_liveStartDelay = delay; }

    // The unit of the automatic update's interval: a minute; tests run with a few milliseconds.
    std::chrono::milliseconds autoUpdateMinute() const { return m_autoUpdateMinute; }
    void setAutoUpdateMinute(std::chrono::milliseconds minute) { m_autoUpdateMinute = minute; }

    // The wall clock the automatic update's schedule is worked out from: the computer's, unless a
    // test has set one of its own.
    QDateTime now() const { return m_clock ? m_clock() : QDateTime::currentDateTime(); }
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // The limits every download of this run keeps (FetchSettings as they are built), with the
    // run's one cookie jar, kept whatever settings are set; tests shorten the time-outs and name
    // the authority of their own TLS server.
    const FetchSettings& fetchSettings() const { return m_fetchSettings; }
    void setFetchSettings(const FetchSettings& settings);

    // The day this run counts as today, for the readers, the import and the rows typed in: a
    // period dated more than a day after it cannot have been drawn yet. The computer's local
    // date, asked each time, unless a test has fixed one; an invalid date gives the real one back.
    QDate today() const { return m_today.isValid() ? m_today : QDate::currentDate(); }
    void setToday(const QDate& day) { m_today = day; }

private:
    QString m_programDir;
    QString m_dataDir;
    QString m_importFolder;
    PlanSelection m_selection;
    DrawHistory m_history;
    bool m_historyCaughtUp = false;
    std::chrono::milliseconds m_liveStartDelay{1000};
    std::chrono::milliseconds m_autoUpdateMinute{60000};
    FetchSettings m_fetchSettings;
    std::function<QDateTime()> m_clock;  // empty: the computer's
    QDate m_today;                       // invalid: the real date
};
