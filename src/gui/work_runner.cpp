#include "gui/work_runner.h"

#include "gui/run_command.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QWidget>

WorkRunner::WorkRunner(QWidget* window) : QObject(window), m_window(window)
{
    m_window->installEventFilter(this);
}

WorkRunner::~WorkRunner()
{
    m_cancel->store(true);
    if (m_thread.joinable())
        m_thread.join();
}

void WorkRunner::setSilent(std::function<void(const QString&)> failed)
{
    m_silent = true;
    m_failed = std::move(failed);
}

void WorkRunner::setCancelButton(QAbstractButton* button, bool hideWhenIdle)
{
    m_cancelButton = button;
    m_hideCancelWhenIdle = hideWhenIdle;
    if (hideWhenIdle && !m_running)
        button->hide();
    connect(button, &QAbstractButton::clicked, this, [this] { cancel(); });
}

void WorkRunner::cancel()
{
    if (!m_running || m_cancel->exchange(true))
        return;
    if (m_cancelButton)
        m_cancelButton->setEnabled(false);
    emit cancelling();
}

std::function<bool()> WorkRunner::cancelFlag() const
{
    return [flag = m_cancel] { return flag->load(); };
}

void WorkRunner::post(std::function<void()> step)
{
    QMetaObject::invokeMethod(this, std::move(step), Qt::QueuedConnection);
}

bool WorkRunner::launch(std::function<void()> work, std::function<void()> done, QList<QWidget*> disable,
                        std::function<void()> after)
{
    if (m_running)
        return false;
    if (m_thread.joinable())
        m_thread.join();
    m_running = true;
    m_cancel->store(false);
    if (!m_silent)
        m_busy.emplace();
    m_disabled.clear();
    for (QWidget* widget : disable) {
        if (widget->isEnabled()) {
            widget->setEnabled(false);
            m_disabled << widget;
        }
    }
    if (m_cancelButton) {
        m_cancelButton->setEnabled(true);
        m_cancelButton->show();
    }
    m_thread = std::thread([this, work = std::move(work), done = std::move(done), after = std::move(after)] {
        std::exception_ptr error;
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        // Dropped, with the runner, when the window is gone first: its destructor waits for this
        // thread, so `this` is still whole here.
        QMetaObject::invokeMethod(
            this, [this, error, done, after] { finish(error, done, after); }, Qt::QueuedConnection);
    });
    return true;
}

void WorkRunner::finish(std::exception_ptr error, const std::function<void()>& done, const std::function<void()>& after)
{
    m_thread.join();
    m_running = false;
    m_busy.reset();
    for (const QPointer<QWidget>& widget : m_disabled) {
        if (widget)
            widget->setEnabled(true);
    }
    m_disabled.clear();
    if (m_cancelButton) {
        m_cancelButton->setEnabled(true);
        if (m_hideCancelWhenIdle)
            m_cancelButton->hide();
    }
    if (m_silent) {
        QString failure;
        try {
            if (error)
                std::rethrow_exception(error);
            done();
        } catch (...) {
            failure = commandErrorText(std::current_exception());
        }
        if (!failure.isEmpty() && m_failed)
            m_failed(failure);
    } else {
        runCommand(m_window, [&] {
            if (error)
                std::rethrow_exception(error);
            done();
        });
    }
    if (after)
        after();
}

bool WorkRunner::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && m_running && !m_silent) {
        if (event->type() == QEvent::Close) {
            cancel();
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            cancel();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
