#include "core/acquire/draw_schedule.h"

#include <QTest>

namespace {

const QTime kDraw(21, 15);  // 福彩3D

// A moment on Beijing's clock, "yyyy-MM-dd HH:mm"; empty: none. The tests run in New York's zone,
// so a schedule that read the computer's clock as Beijing's would be thirteen hours off.
QDateTime beijing(const QString& text)
{
    if (text.isEmpty())
        return {};
    const QDateTime read = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm"));
    return QDateTime(read.date(), read.time(), beijingTime());
}

}  // namespace

class TestDrawSchedule : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void nextCheck_data();
    void nextCheck();
    void checksOfANight();
    void waitText_data();
    void waitText();
    void firstCheckCountsOnceThePeriodIsSurelyOut_data();
    void firstCheckCountsOnceThePeriodIsSurelyOut();
};

void TestDrawSchedule::initTestCase()
{
    // Set for this test by ctest: a zone other than Beijing's, with daylight saving.
    QCOMPARE(qEnvironmentVariable("TZ"), QStringLiteral("America/New_York"));
    QCOMPARE(QDateTime(QDate(2026, 12, 10), QTime(12, 0)).offsetFromUtc(), -5 * 3600);
}

void TestDrawSchedule::nextCheck_data()
{
    QTest::addColumn<QString>("now");
    QTest::addColumn<QString>("lastCheck");
    QTest::addColumn<bool>("newestIn");
    QTest::addColumn<QString>("next");
    // Started between the draw and its first check: the first check, a few minutes after the draw.
    QTest::newRow("first check after the draw") << "2026-12-10 21:16"
                                                << "" << false << "2026-12-10 21:20";
    QTest::newRow("started in the afternoon: the first check tonight")
        << "2026-12-10 21:14"
        << "2026-12-10 09:00" << false << "2026-12-10 21:20";
    QTest::newRow("started late: at once") << "2026-12-10 22:30"
                                           << "" << false << "2026-12-10 22:30";
    QTest::newRow("started the next day: at once") << "2026-12-11 15:00"
                                                   << "" << false << "2026-12-11 15:00";
    // The retries: waits of 5, 10, 20, 40, 80, 160 minutes, then the morning.
    QTest::newRow("retry after 5 minutes") << "2026-12-10 21:21"
                                           << "2026-12-10 21:20" << false << "2026-12-10 21:25";
    QTest::newRow("then 10") << "2026-12-10 21:26"
                             << "2026-12-10 21:25" << false << "2026-12-10 21:35";
    QTest::newRow("then 20") << "2026-12-10 21:36"
                             << "2026-12-10 21:35" << false << "2026-12-10 21:55";
    QTest::newRow("then 40") << "2026-12-10 21:56"
                             << "2026-12-10 21:55" << false << "2026-12-10 22:35";
    QTest::newRow("then 80") << "2026-12-10 22:36"
                             << "2026-12-10 22:35" << false << "2026-12-10 23:55";
    QTest::newRow("then 160, past midnight") << "2026-12-10 23:56"
                                             << "2026-12-10 23:55" << false << "2026-12-11 02:35";
    QTest::newRow("then the morning") << "2026-12-11 02:36"
                                      << "2026-12-11 02:35" << false << "2026-12-11 09:00";
    QTest::newRow("a day without a draw: the next evening") << "2026-12-11 09:01"
                                                            << "2026-12-11 09:00" << false << "2026-12-11 21:20";
    // In: rest until the next evening.
    QTest::newRow("in at the second check") << "2026-12-10 21:26"
                                            << "2026-12-10 21:25" << true << "2026-12-11 21:20";
    QTest::newRow("in in the morning") << "2026-12-11 09:01"
                                       << "2026-12-11 09:00" << true << "2026-12-11 21:20";
    // The wall clock decides, not the wait a timer was set for.
    QTest::newRow("woke from sleep in the night: at once") << "2026-12-10 23:00"
                                                           << "2026-12-10 21:35" << false << "2026-12-10 23:00";
    QTest::newRow("clock jumped two days on: at once") << "2026-12-12 10:00"
                                                       << "2026-12-10 21:25" << true << "2026-12-12 10:00";
    QTest::newRow("clock set back: the retry after now") << "2026-12-10 21:30"
                                                         << "2026-12-10 23:55" << false << "2026-12-10 21:35";
    QTest::newRow("clock set back, in: rests") << "2026-12-10 21:30"
                                               << "2026-12-10 23:55" << true << "2026-12-11 21:20";
}

void TestDrawSchedule::nextCheck()
{
    QFETCH(QString, now);
    QFETCH(QString, lastCheck);
    QFETCH(bool, newestIn);
    QFETCH(QString, next);
    // The computer's clock gives local times: the answer is the same moment whatever the zone.
    const QDateTime answer = nextDailyCheck(beijing(now).toLocalTime(), kDraw, beijing(lastCheck), newestIn);
    QCOMPARE(answer.toTimeZone(beijingTime()).toString(QStringLiteral("yyyy-MM-dd HH:mm")), next);
}

void TestDrawSchedule::checksOfANight()
{
    // 排列3 at 21:25: the same pattern shifted, all within its night.
    QStringList times;
    for (const QDateTime& at : nightChecks(QDate(2026, 12, 10), QTime(21, 25)))
        times << at.toTimeZone(beijingTime()).toString(QStringLiteral("dd HH:mm"));
    QCOMPARE(times, QStringList({"10 21:30", "10 21:35", "10 21:45", "10 22:05", "10 22:45", "11 00:05", "11 02:45",
                                 "11 09:00"}));
}

void TestDrawSchedule::waitText_data()
{
    QTest::addColumn<QString>("at");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("text");
    // Times in the text are the computer's: New York's, 13 hours behind Beijing in December.
    QTest::newRow("retry tonight") << "2026-12-10 21:40"
                                   << "2026-12-10 21:55"
                                   << "尚未开奖，08:55再试";
    QTest::newRow("the morning") << "2026-12-10 23:55"
                                 << "2026-12-11 09:00"
                                 << "尚未开奖，明早再试";
    QTest::newRow("resting") << "2026-12-11 09:00"
                             << "2026-12-11 21:20"
                             << "已是最新";
}

void TestDrawSchedule::waitText()
{
    QFETCH(QString, at);
    QFETCH(QString, next);
    QFETCH(QString, text);
    QCOMPARE(dailyWaitText(beijing(at), beijing(next), kDraw), text);
}

void TestDrawSchedule::firstCheckCountsOnceThePeriodIsSurelyOut_data()
{
    QTest::addColumn<QString>("at");
    QTest::addColumn<bool>("firstCheck");
    QTest::addColumn<bool>("in");
    // A program started at 21:20 with days missing may store only the earlier days.
    QTest::newRow("first check soon after the draw") << "2026-12-10 21:22" << true << false;
    QTest::newRow("first check later that night") << "2026-12-10 21:40" << true << true;
    QTest::newRow("first check the next afternoon") << "2026-12-11 15:00" << true << true;
    QTest::newRow("a later check") << "2026-12-10 21:22" << false << true;
}

void TestDrawSchedule::firstCheckCountsOnceThePeriodIsSurelyOut()
{
    QFETCH(QString, at);
    QFETCH(bool, firstCheck);
    QFETCH(bool, in);
    QCOMPARE(nightPeriodIn(beijing(at), kDraw, firstCheck), in);
}

QTEST_GUILESS_MAIN(TestDrawSchedule)
#include "test_draw_schedule.moc"
