#pragma once

#include "gui/busy_cursor.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

class QAbstractButton;
class QWidget;

// The one way a window runs long work (downloads, fills, site checks): the work runs on a thread
// of its own, so the window stays painted and answers without the event loop ever being turned
// by hand. While it runs, the runner keeps the busy cursor up, the given controls disabled and
// the 取消 button shown; 取消, Esc and the window's close box ask the work to stop, and the
// window stays until the work has ended. The work sees the request through cancelFlag() and ends
// within half a second.
//
// The work must not touch a widget: it reports progress through post(), which runs a step on the
// window's thread. When it has ended, `done` runs there with its result, inside the command
// boundary: an exception of the work is shown as the command's error instead.
class WorkRunner : public QObject {
    Q_OBJECT

public:
    explicit WorkRunner(QWidget* window);
    // A run still going is cancelled and waited for: nothing of it outlives the window.
    ~WorkRunner() override;
    WorkRunner(const WorkRunner&) = delete;
    WorkRunner& operator=(const WorkRunner&) = delete;

    // A run in the background of a window that goes on being used: no busy cursor, Esc and the
    // close box are the window's own, and the work's error goes to `failed` as the user's text
    // instead of a message box. Cancelling is then the owner's business (cancel()).
    void setSilent(std::function<void(const QString&)> failed);

    // Shown and enabled while work runs, hidden when `hideWhenIdle`; pressing it cancels.
    void setCancelButton(QAbstractButton* button, bool hideWhenIdle = true);

    bool isRunning() const { return m_running; }
    bool cancelRequested() const { return m_cancel->load(); }
    // Asks the running work to stop; nothing happens when none runs.
    void cancel();

    // What the work asks, on its own thread, to know whether to stop.
    std::function<bool()> cancelFlag() const;

    // From the work's thread: `step` runs on the window's thread, unless the runner is gone.
    void post(std::function<void()> step);

    // Starts `work` on a thread of its own, with `disable` disabled until it ends. Afterwards, on
    // the window's thread: the controls come back, then `done` gets the result (or the work's
    // error is shown), then `after` runs however it ended. Refused (returns false) while a run
    // is going.
    template <class Result>
    bool start(std::function<Result()> work, std::function<void(Result&)> done, QList<QWidget*> disable = {},
               std::function<void()> after = {})
    {
        auto result = std::make_shared<std::optional<Result>>();
        return launch([work = std::move(work), result] { result->emplace(work()); },
                      [done = std::move(done), result] { done(**result); }, std::move(disable), std::move(after));
    }

signals:
    // 取消, Esc or the close box asked the work to stop.
    void cancelling();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool launch(std::function<void()> work, std::function<void()> done, QList<QWidget*> disable,
                std::function<void()> after);
    void finish(std::exception_ptr error, const std::function<void()>& done, const std::function<void()>& after);

    QWidget* m_window;
    QPointer<QAbstractButton> m_cancelButton;
    bool m_hideCancelWhenIdle = true;
    QList<QPointer<QWidget>> m_disabled;
    bool m_running = false;
    bool m_silent = false;
    std::function<void(const QString&)> m_failed;
    std::optional<BusyCursor> m_busy;
    // Shared with the work's thread, which may still ask it while the runner is being destroyed.
    std::shared_ptr<std::atomic<bool>> m_cancel = std::make_shared<std::atomic<bool>>(false);
    std::thread m_thread;
};
