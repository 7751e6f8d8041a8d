#pragma once

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace fixtures {

// Answers the next modal window of type `Dialog` once its event loop runs (work that lets events
// through before it opens is waited out): `answer` gets it and presses its buttons. `seen` tells
// afterwards whether one came; after 20 s of looking, none will.
template <class Dialog>
void answerModal(bool& seen, std::function<void(Dialog*)> answer)
{
    seen = false;
    auto* poll = new QTimer;
    poll->setInterval(5);
    auto* tries = new int(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, &seen, answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog && ++*tries < 4000)
            return;
        poll->stop();
        poll->deleteLater();
        delete tries;
        if (dialog) {
            seen = true;
            answer(dialog);
        }
    });
    poll->start();
}

// Runs `action` once `condition` holds, looked at while a command lets events through (a page
// being waited for, say); after 20 s of looking it gives up and `action` never runs.
inline void whenTrue(std::function<bool()> condition, std::function<void()> action)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    auto* tries = new int(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, condition, action] {
        const bool now = condition();
        if (!now && ++*tries < 4000)
            return;
        poll->stop();
        poll->deleteLater();
        delete tries;
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
