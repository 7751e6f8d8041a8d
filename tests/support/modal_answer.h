#pragma once

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace fixtures {

// The running test function and data row: a poll started in one stops in the next.
inline QByteArray currentTestCase()
{
    return QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag();
}

// Answers the next modal window of type `Dialog` once its event loop runs (work that lets events
// through before it opens is waited out): `answer` gets it and presses its buttons. `seen` tells
// afterwards whether one came. Waiting never outlives the test case that asked, and a wrong
// window fails at once: another modal window that opens in its place is named and closed, so the
// command returns and the test fails on `seen` with the reason printed beside it. After 10 s
// with no modal window at all it gives up the same way.
template <class Dialog>
void answerModal(bool& seen, std::function<void(Dialog*)> answer)
{
    seen = false;
    auto* poll = new QTimer;
    poll->setInterval(5);
    QElapsedTimer waited;
    waited.start();
    const QByteArray testCase = currentTestCase();
    const QPointer<QWidget> alreadyModal = QApplication::activeModalWidget();
    const char* wanted = Dialog::staticMetaObject.className();
    QObject::connect(poll, &QTimer::timeout, [=, &seen] {
        const auto stop = [poll] {
            poll->stop();
            poll->deleteLater();
        };
        // `seen` belongs to a test case that has ended.
        if (currentTestCase() != testCase)
            return stop();
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<Dialog*>(modal)) {
            stop();
            seen = true;
            answer(dialog);
        } else if (modal && modal != alreadyModal) {
            stop();
            qWarning("answerModal: waited for a %s, but a %s opened (\"%s\"); closing it", wanted,
                     modal->metaObject()->className(), qPrintable(modal->windowTitle()));
            if (auto* other = qobject_cast<QDialog*>(modal))
                other->reject();
            else
                modal->close();
        } else if (waited.elapsed() > 10000) {
            stop();
            qWarning("answerModal: no %s opened within 10 s", wanted);
        }
    });
    poll->start();
}

// Runs `action` once `condition` holds, looked at while a command lets events through (a page
// being waited for, say); it gives up, and `action` never runs, after 20 s of looking or when the
// test case that asked has ended.
inline void whenTrue(std::function<bool()> condition, std::function<void()> action)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QElapsedTimer waited;
    waited.start();
    const QByteArray testCase = currentTestCase();
    QObject::connect(poll, &QTimer::timeout, [=] {
        const bool ended = currentTestCase() != testCase;
        const bool now = !ended && condition();
        if (!now && !ended && waited.elapsed() < 20000)
            return;
        poll->stop();
        poll->deleteLater();
        if (now)
            action();
    });
    poll->start();
}

// With QUORLIN_SHOT_DIR set (a run under a real display), keeps a picture of the window there.
inline void keepShot(QWidget* window, const QString& name)
{
    const QString dir = qEnvironmentVariable("QUORLIN_SHOT_DIR");
    if (dir.isEmpty())
        return;
    QApplication::processEvents();
    window->grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

}  // namespace fixtures
