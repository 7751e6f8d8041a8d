#include "core/base/user_error.h"
#include "gui/dialogs.h"
#include "gui/work_runner.h"

#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

// Work that runs until asked to stop, or gives up after ten seconds so that a runner that never
// passes the request on fails the test instead of hanging it.
bool waitForCancel(const std::function<bool()>& cancelled)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!cancelled()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace

class TestWorkRunner : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void errorReachesTheWindowAsTheUsersMessage();
    void silentErrorGoesToItsOwner();
    void progressArrivesInOrder();
    void cancelReachesTheWork_data();
    void cancelReachesTheWork();
    void closedWindowWaitsForTheWork();

private:
    dialogs::testing::Recorder m_dialogs;  // the user, answering in advance; outlives the windows
};

void TestWorkRunner::cleanup()
{
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
}

void TestWorkRunner::errorReachesTheWindowAsTheUsersMessage()
{
    QWidget window;
    auto* button = new QPushButton(&window);
    WorkRunner runner(&window);
    bool done = false;
    bool after = false;
    QVERIFY(runner.start<int>([]() -> int { throw UserError(QStringLiteral("网站没有回答。")); },
                              [&](int&) { done = true; }, {button}, [&] { after = true; }));
    QVERIFY(!button->isEnabled());
    // One run at a time.
    QVERIFY(!runner.start<int>([] { return 1; }, [](int&) {}));
    QTRY_VERIFY(after);
    QVERIFY(!done);
    QVERIFY(button->isEnabled());
    QCOMPARE(m_dialogs.takeMessages(), QStringList{QStringLiteral("网站没有回答。")});
}

void TestWorkRunner::silentErrorGoesToItsOwner()
{
    QWidget window;
    WorkRunner runner(&window);
    QStringList failures;
    QThread* failedOn = nullptr;
    runner.setSilent([&](const QString& failure) {
        failures << failure;
        failedOn = QThread::currentThread();
    });
    bool after = false;
    runner.start<int>([]() -> int { throw std::bad_alloc(); }, [](int&) {}, {}, [&] { after = true; });
    QTRY_VERIFY(after);
    // No library text, and no box: the owner says it where it belongs.
    QCOMPARE(failures.size(), 1);
    QVERIFY2(!failures[0].contains("bad_alloc"), qPrintable(failures[0]));
    QCOMPARE(failedOn, QThread::currentThread());
}

void TestWorkRunner::progressArrivesInOrder()
{
    QWidget window;
    WorkRunner runner(&window);
    QList<int> steps;
    QList<int> stepsAtDone;
    QThread* const windowThread = QThread::currentThread();
    bool allOnTheWindowsThread = true;
    runner.start<int>(
        [&runner, &steps, &allOnTheWindowsThread, windowThread] {
            for (int i = 1; i <= 200; ++i)
                runner.post([i, &steps, &allOnTheWindowsThread, windowThread] {
                    allOnTheWindowsThread = allOnTheWindowsThread && QThread::currentThread() == windowThread;
                    steps << i;
                });
            return 200;
        },
        [&](int& last) { stepsAtDone = steps + QList<int>{-last}; });
    QTRY_VERIFY(!runner.isRunning());
    QList<int> expected;
    for (int i = 1; i <= 200; ++i)
        expected << i;
    // Every step, in order, before the result.
    QCOMPARE(steps, expected);
    QCOMPARE(stepsAtDone, expected + QList<int>{-200});
    QVERIFY(allOnTheWindowsThread);
}

void TestWorkRunner::cancelReachesTheWork_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("取消") << "button";
    QTest::newRow("Esc") << "escape";
    QTest::newRow("close box") << "close";
}

void TestWorkRunner::cancelReachesTheWork()
{
    QFETCH(QString, how);
    QWidget window;
    auto* cancel = new QPushButton(QStringLiteral("取消"), &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    WorkRunner runner(&window);
    runner.setCancelButton(cancel);
    QVERIFY(cancel->isHidden());
    std::optional<bool> sawCancel;
    runner.start<bool>([flag = runner.cancelFlag()] { return waitForCancel(flag); },
                       [&](bool& seen) { sawCancel = seen; });
    QVERIFY(cancel->isVisible());
    if (how == "button")
        QTest::mouseClick(cancel, Qt::LeftButton);
    else if (how == "escape")
        QTest::keyClick(&window, Qt::Key_Escape);
    else
        QVERIFY(!window.close());  // the window stays until the work has ended
    QVERIFY(runner.cancelRequested());
    QTRY_VERIFY(sawCancel.has_value());
    QVERIFY(*sawCancel);
    QVERIFY(window.isVisible());
    QVERIFY(cancel->isHidden());
}

void TestWorkRunner::closedWindowWaitsForTheWork()
{
    auto window = std::make_unique<QWidget>();
    auto* runner = new WorkRunner(window.get());
    auto held = std::make_shared<int>(0);  // what the work holds: released with it
    std::atomic<bool> workEnded = false;
    bool done = false;
    runner->start<int>(
        [flag = runner->cancelFlag(), held, &workEnded] {
            waitForCancel(flag);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            workEnded = true;
            return *held;
        },
        [&](int&) { done = true; });
    QCOMPARE(held.use_count(), 2);
    window.reset();
    // The window's end cancelled the work and waited for it; nothing of it is left behind.
    QVERIFY(workEnded);
    QCOMPARE(held.use_count(), 1);
    QTest::qWait(50);
    QVERIFY(!done);
}

QTEST_MAIN(TestWorkRunner)
#include "test_work_runner.moc"
