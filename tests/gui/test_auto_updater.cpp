#include "core/acquire/auto_update.h"
#include "core/acquire/draw_schedule.h"
#include "core/acquire/site_paths.h"
#include "core/acquire/source_settings.h"
#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "gui/auto_updater.h"
#include "gui/dialogs.h"
#include "gui/u_data.h"
#include "gui/u_main.h"
#include "support/download_fixture.h"
#include "support/feed_fixtures.h"
#include "support/file_fixtures.h"
#include "support/find_control.h"
#include "support/page_fixtures.h"
#include "support/source_fixtures.h"
#include "support/window_input.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

using namespace fixtures;

namespace {

const QString kChongqing = QStringLiteral("重庆时时彩");
const QString k3D = QStringLiteral("中国福彩3D");
const QString kPl3 = QStringLiteral("中国体彩排列3");
constexpr int kOnSite = 150;
constexpr int kFeedRows = 10;
// A minute of the automatic update lasts this long in the tests.
constexpr std::chrono::milliseconds kTestMinute(40);

}  // namespace

class TestAutoUpdater : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newDrawsAreShownWithoutAClick();
    void secondSourceDisagreeingIsSaid();
    void copiesOnlyWhenTicked();
    void tickIsSkippedWhileTheDataWindowIsOpen();
    void failuresBackOffAndRecover();
    void switchingLotteryKeepsTheScheduleAndUntickingCancels();
    void tickingAndUntickingIsRemembered();
    void dailyLotteryIsCheckedAfterItsDrawAndRestsOnceIn();
    void startedLateTheDailyLotteriesAreCheckedOneAtATime();
    void aDayWithoutADrawSaysSoQuietly();
    void settingsThatCannotBeReadOrSavedAreSaidOnce();

private:
    // The day pages and the feed of 重庆时时彩: the first run of the program's session reads the
    // day pages, as 实时开奖 would, and the later ones the feed.
    void serveSite();
    QString todaysPage() const;
    // 重庆时时彩 with its draws but the newest ten: kept up to date while 自动更新 is ticked.
    void storeChongqing();
    // The whole status line: the label shows it elided when it is long.
    QString status(Tfrmmain& main) { return control<QLabel>(&main, "lblauto")->toolTip(); }
    // The clock of the sessions made from the fixture's from now on, set to `beijing`
    // ("yyyy-MM-dd HH:mm", Beijing time); the tests run in New York's zone.
    void setClock(const QString& beijing);
    // Picks `lottery` in the lottery box, as a click in its list would.
    static void showLottery(Tfrmmain& main, const QString& lottery);
    // Serves the daily lottery's history page with `draws`.
    void serveDaily(const QString& lottery, const std::vector<StoredDraw>& draws);

    DownloadFixture m_fixture{std::chrono::milliseconds(2000)};
    std::vector<StoredDraw> m_draws;
    QDateTime m_now;
};

void TestAutoUpdater::initTestCase()
{
    m_draws = syntheticDraws(kChongqing, kOnSite);
}

void TestAutoUpdater::init()
{
    m_fixture.setUp({PageSite::DrawList, PageSite::Feed, PageSite::Trend, PageSite::Chart});
    // The real unit, before the test shortens it for the main windows made from this session.
    QCOMPARE(m_fixture.session().autoUpdateMinute(), std::chrono::milliseconds(60000));
    m_fixture.session().setAutoUpdateMinute(kTestMinute);
}

void TestAutoUpdater::storeChongqing()
{
    storeDraws(m_fixture.folder().path(), kChongqing, {m_draws.begin(), m_draws.end() - kFeedRows});
}

void TestAutoUpdater::cleanup()
{
    m_fixture.tearDown();
}

void TestAutoUpdater::serveSite()
{
    for (const auto& [path, page] : drawListSite(kChongqing, m_draws, kToday))
        m_fixture.server().serve(path, page);
    m_fixture.server().serve(feedPathOf(kChongqing),
                             feedDocument(kChongqing, {m_draws.rbegin(), m_draws.rbegin() + kFeedRows}));
}

void TestAutoUpdater::setClock(const QString& beijing)
{
    const QDateTime read = QDateTime::fromString(beijing, QStringLiteral("yyyy-MM-dd HH:mm"));
    m_now = QDateTime(read.date(), read.time(), beijingTime()).toLocalTime();
    m_fixture.session().setClock([this] { return m_now; });
}

void TestAutoUpdater::showLottery(Tfrmmain& main, const QString& lottery)
{
    auto* comcaipiao = control<QComboBox>(&main, "comcaipiao");
    comcaipiao->setCurrentIndex(comcaipiao->findText(lottery));
    emit comcaipiao->activated(comcaipiao->currentIndex());
    QCOMPARE(main.session().planSelection().lotteryName, lottery);
}

void TestAutoUpdater::serveDaily(const QString& lottery, const std::vector<StoredDraw>& draws)
{
    const HistorySource source = findLottery(lottery)->historySource;
    m_fixture.server().serve(singlePagePath(source),
                             source == HistorySource::TrendPage ? trendPage(draws) : chartPage(draws));
}

QString TestAutoUpdater::todaysPage() const
{
    return drawListPath(drawListPageNumber(kChongqing), kToday);
}

void TestAutoUpdater::newDrawsAreShownWithoutAClick()
{
    storeChongqing();
    // Started with 自动更新 ticked in 设置.ini: the schedule resumes for the current lottery.
    writeAutoUpdateSettings(m_fixture.folder().path(), {true, 1, false});
    serveSite();
    QGuiApplication::clipboard()->setText(QStringLiteral("left alone"));
    Tfrmmain main(m_fixture.session());
    QVERIFY(control<QCheckBox>(&main, "chkauto")->isChecked());
    QCOMPARE(int(main.hitTable().size()), kOnSite - kFeedRows);
    // The player bets 前二: the update keeps it.
    control<QRadioButton>(&main, "optFront2")->click();
    main.show();

    QTRY_VERIFY_WITH_TIMEOUT(!status(main).isEmpty(), 10000);
    QVERIFY2(int(main.hitTable().size()) == kOnSite, qPrintable(status(main)));
    const StoredDraw& newest = m_draws.back();
    const HitRow& row = main.hitTable().back();
    const QString drawn = QStringList(newest.digits).join(QLatin1Char(' '));
    QVERIFY2(status(main).endsWith(
                 QStringLiteral(" 新增10期，第%1期 %2：前二%3").arg(newest.periodId, drawn, row.hit ? "中" : "未中")),
             qPrintable(status(main)));
    QVERIFY(control<QRadioButton>(&main, "optFront2")->isChecked());
    // The bet list is made for the new period; the clipboard is not touched without 自动复制.
    QVERIFY(!control<QPlainTextEdit>(&main, "memcode")->toPlainText().isEmpty());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("left alone"));
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList());

    // Nothing new since: 已是最新.
    QTRY_VERIFY_WITH_TIMEOUT(status(main).endsWith(QStringLiteral(" 已是最新")), 10000);
    QCOMPARE(int(main.hitTable().size()), kOnSite);
}

void TestAutoUpdater::secondSourceDisagreeingIsSaid()
{
    // 重庆时时彩's 核对来源 is a list of the user's own on the same server, which gives one of the
    // ten new draws with another first digit.
    storeChongqing();
    writeAutoUpdateSettings(m_fixture.folder().path(), {true, 1, false});
    serveSite();
    const QString folder = m_fixture.folder().path();
    writeFile(folder + QStringLiteral("开奖来源.json"),
              QStringLiteral(R"({"sources": [{"id": "mine", "name": "我的列表", "lotteries": {"cqssc": {"param": "cq"}},
                  "url": "http://%1/mine/{param}?from={from}&to={to}", "format": "json", "list": "list",
                  "period": "period", "digits": "digits", "order": "newest-first"}]})")
                  .arg(m_fixture.server().hostAndPort())
                  .toUtf8());
    const SourceSettingsFile settings = readSourceSettingsFile(folder);
    writeSourceSettings(folder, settings.hosts, settings.urls, settings.choices, {{kChongqing, "mine"}});
    std::vector<StoredDraw> listed(m_draws.rbegin(), m_draws.rbegin() + kFeedRows);
    StoredDraw& changed = listed[4];
    const QString ours = changed.digits.join(QString());
    changed.digits[0] = QString::number((changed.digits[0].toInt() + 1) % 10);
    m_fixture.server().serve(
        QStringLiteral("/mine/cq?from=%1&to=%2").arg(listed.back().periodId, listed.front().periodId),
        jsonListPage(listed, 1, kFeedRows));
    Tfrmmain main(m_fixture.session());
    main.show();

    QTRY_VERIFY_WITH_TIMEOUT(!status(main).isEmpty(), 10000);
    QVERIFY2(status(main).contains(QStringLiteral(" 新增10期，第")) &&
                 status(main).endsWith(QStringLiteral("；第%1期：网站开奖列表 %2，我的列表 %3")
                                           .arg(changed.periodId, ours, changed.digits.join(QString()))),
             qPrintable(status(main)));
    // The draw stays as the day page gave it.
    QCOMPARE(storedDraws(folder, kChongqing).at(std::size_t(kOnSite - 5)).periodId, changed.periodId);
    QCOMPARE(storedDraws(folder, kChongqing).at(std::size_t(kOnSite - 5)).digits.join(QString()), ours);
}

void TestAutoUpdater::copiesOnlyWhenTicked()
{
    storeChongqing();
    writeAutoUpdateSettings(m_fixture.folder().path(), {true, 1, true});
    serveSite();
    QGuiApplication::clipboard()->setText(QStringLiteral("old list"));
    Tfrmmain main(m_fixture.session());
    QVERIFY(control<QCheckBox>(&main, "chkcopy")->isChecked());
    main.show();
    QTRY_VERIFY_WITH_TIMEOUT(!status(main).isEmpty(), 10000);
    const QString list = control<QPlainTextEdit>(&main, "memcode")->toPlainText();
    QVERIFY(!list.isEmpty());
    QCOMPARE(QGuiApplication::clipboard()->text(), list);
}

void TestAutoUpdater::tickIsSkippedWhileTheDataWindowIsOpen()
{
    storeChongqing();
    writeAutoUpdateSettings(m_fixture.folder().path(), {true, 3, false});
    serveSite();
    Tfrmmain main(m_fixture.session());
    main.show();

    // The data window is modal: it is watched and closed from inside its own event loop.
    QStringList askedWhileOpen{QStringLiteral("not seen")};
    QTimer poll;
    QElapsedTimer open;
    connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* window = qobject_cast<Tfrmdata*>(QApplication::activeModalWidget());
        if (!window)
            return;
        if (!open.isValid())
            open.start();
        // Ten intervals at least.
        if (open.elapsed() < 10 * kTestMinute.count())
            return;
        askedWhileOpen = m_fixture.server().requests();
        QTest::mouseClick(control<QPushButton>(window, "btnext"), Qt::LeftButton);
    });
    poll.start(5);
    control<QPushButton>(&main, "btnedit")->click();
    poll.stop();
    QCOMPARE(askedWhileOpen, QStringList());
    QCOMPARE(status(main), QString());

    // Closed: the next tick runs.
    QTRY_VERIFY_WITH_TIMEOUT(status(main).contains(QStringLiteral("新增10期")), 10000);
}

void TestAutoUpdater::failuresBackOffAndRecover()
{
    storeChongqing();
    writeAutoUpdateSettings(m_fixture.folder().path(), {true, 1, false});
    m_fixture.server().failWithStatus(todaysPage(), 500);
    Tfrmmain main(m_fixture.session());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    const QString reason = QStringLiteral("失败：2026-12-09的开奖页面无法下载（服务器答复 HTTP 500）；");
    QTRY_VERIFY_WITH_TIMEOUT(status(main).endsWith(reason + "2分钟后重试"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(status(main).endsWith(reason + "4分钟后重试"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(status(main).endsWith(reason + "8分钟后重试"), 10000);
    // Never a box.
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList());
    QCOMPARE(int(main.hitTable().size()), kOnSite - kFeedRows);

    // The site is back: the update goes through, and the wait is the interval set again; the
    // history has been caught up, so the feed is read from now on.
    serveSite();
    QTRY_VERIFY_WITH_TIMEOUT(status(main).contains(QStringLiteral("新增10期")), 20000);
    QCOMPARE(int(main.hitTable().size()), kOnSite);
    QVERIFY(main.session().historyCaughtUp());
    m_fixture.server().failWithStatus(feedPathOf(kChongqing), 500);
    QTRY_VERIFY_WITH_TIMEOUT(
        status(main).endsWith(QStringLiteral("失败：最新开奖数据无法下载（服务器答复 HTTP 500）；2分钟后重试")), 10000);
}

void TestAutoUpdater::switchingLotteryKeepsTheScheduleAndUntickingCancels()
{
    storeChongqing();
    writeAutoUpdateSettings(m_fixture.folder().path(), {true, 1, false});
    m_fixture.server().stall(todaysPage());
    Tfrmmain main(m_fixture.session());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto* btndown3 = control<QPushButton>(&main, "btndown3");
    auto* btndown2 = control<QPushButton>(&main, "btndown2");
    auto* btnedit = control<QPushButton>(&main, "btnedit");
    auto* chkauto = control<QCheckBox>(&main, "chkauto");

    // A run is going: the commands that write the draws wait for it, and no second run starts.
    QTRY_VERIFY_WITH_TIMEOUT(!m_fixture.server().requests().isEmpty(), 10000);
    QVERIFY(!btndown3->isEnabled() && !btndown2->isEnabled() && !btnedit->isEnabled());
    const qsizetype asked = m_fixture.server().requests().size();
    QTest::qWait(5 * kTestMinute.count());
    QCOMPARE(m_fixture.server().requests().size(), asked);
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // Another lottery: the schedule and its run go on; 3D shows its draw time for the interval.
    auto* comcaipiao = control<QComboBox>(&main, "comcaipiao");
    typeChoice(comcaipiao, k3D);
    QTest::keyClick(comcaipiao->lineEdit(), Qt::Key_Enter);
    QCOMPARE(main.session().planSelection().lotteryName, k3D);
    QVERIFY(chkauto->isEnabled() && chkauto->isChecked());
    QVERIFY(!control<QSpinBox>(&main, "spnauto")->isVisible());
    QCOMPARE(control<QLabel>(&main, "lblkaijiangshijian")->text(), QStringLiteral("开奖 21:15"));
    QTest::qWait(5 * kTestMinute.count());
    QVERIFY(!btndown2->isEnabled() && !btnedit->isEnabled());
    QCOMPARE(m_fixture.server().requests().size(), asked);

    // Unticked: the run is cancelled at once and nothing is stored.
    QTest::mouseClick(chkauto, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(btndown2->isEnabled() && btnedit->isEnabled(), 1000);
    QVERIFY(!btndown3->isEnabled());
    QTest::qWait(5 * kTestMinute.count());
    QCOMPARE(m_fixture.server().requests().size(), asked);
    QCOMPARE(status(main), QString());
    QCOMPARE(int(storedDraws(m_fixture.folder().path(), kChongqing).size()), kOnSite - kFeedRows);
    // Only the 过滤 that the Enter pressed, for a lottery without draws: nothing of the update.
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList{"至少需要两期开奖号码才能计算投注号码，目前只有0期。"});
}

void TestAutoUpdater::tickingAndUntickingIsRemembered()
{
    storeChongqing();
    serveSite();
    const QString folder = m_fixture.folder().path();
    Tfrmmain main(m_fixture.session());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto* chkauto = control<QCheckBox>(&main, "chkauto");
    auto* spnauto = control<QSpinBox>(&main, "spnauto");
    // Off at first: no run.
    QVERIFY(!chkauto->isChecked());
    QCOMPARE(spnauto->value(), 5);
    QTest::qWait(3 * kTestMinute.count());
    QCOMPARE(m_fixture.server().requests(), QStringList());

    spnauto->setValue(2);
    QTest::mouseClick(chkauto, Qt::LeftButton);
    QCOMPARE(readAutoUpdateSettings(folder).enabled, true);
    QCOMPARE(readAutoUpdateSettings(folder).minutes, 2);
    QTRY_VERIFY_WITH_TIMEOUT(status(main).contains(QStringLiteral("新增10期")), 10000);

    // Unticked: the schedule stops at once and the file says so.
    QTest::mouseClick(chkauto, Qt::LeftButton);
    QCOMPARE(readAutoUpdateSettings(folder).enabled, false);
    const qsizetype asked = m_fixture.server().requests().size();
    QTest::qWait(5 * kTestMinute.count());
    QCOMPARE(m_fixture.server().requests().size(), asked);
}

void TestAutoUpdater::dailyLotteryIsCheckedAfterItsDrawAndRestsOnceIn()
{
    const QString folder = m_fixture.folder().path();
    const std::vector<StoredDraw> draws = syntheticDraws(k3D, 151);
    const std::vector<StoredDraw> before(draws.begin(), draws.end() - 1);
    storeDraws(folder, k3D, before);
    serveDaily(k3D, before);
    const QString page = singlePagePath(HistorySource::TrendPage);
    // A few minutes before the first check, 21:20 Beijing time (08:20 in New York).
    setClock("2026-12-09 21:16");
    Tfrmmain main(m_fixture.session());
    main.show();
    showLottery(main, k3D);
    QVERIFY(!control<QSpinBox>(&main, "spnauto")->isVisible());
    QCOMPARE(control<QLabel>(&main, "lblkaijiangshijian")->text(), QStringLiteral("开奖 21:15"));
    QTest::mouseClick(control<QCheckBox>(&main, "chkauto"), Qt::LeftButton);
    QTest::qWait(5 * kTestMinute.count());
    QCOMPARE(m_fixture.server().requests(), QStringList());

    // The first check finds nothing yet; the retries come after growing waits.
    setClock("2026-12-09 21:20");
    QTRY_COMPARE_WITH_TIMEOUT(status(main), QStringLiteral("08:20 中国福彩3D 尚未开奖，08:25再试"), 10000);
    setClock("2026-12-09 21:24");
    QTest::qWait(5 * kTestMinute.count());
    QCOMPARE(m_fixture.server().requests(), QStringList{page});
    setClock("2026-12-09 21:25");
    QTRY_COMPARE_WITH_TIMEOUT(status(main), QStringLiteral("08:25 中国福彩3D 尚未开奖，08:35再试"), 10000);

    // Published: stored and shown, and the lottery rests until the next evening.
    serveDaily(k3D, draws);
    setClock("2026-12-09 21:35");
    QTRY_VERIFY_WITH_TIMEOUT(status(main).startsWith(QStringLiteral("08:35 中国福彩3D 新增1期，第%1期 %2")
                                                         .arg(draws.back().periodId, draws.back().digits.join(' '))),
                             10000);
    QCOMPARE(int(main.hitTable().size()), 151);
    QCOMPARE(int(storedDraws(folder, k3D).size()), 151);
    QCOMPARE(DrawDatabase(folder).drawOrigin(k3D, draws.back().periodId).source, QStringLiteral("走势页面"));
    const qsizetype asked = m_fixture.server().requests().size();
    setClock("2026-12-10 09:00");
    QTest::qWait(5 * kTestMinute.count());
    QCOMPARE(m_fixture.server().requests().size(), asked);

    // The clock jumps two days on: the check it passed is made at once, then the night's retries.
    setClock("2026-12-11 23:00");
    QTRY_COMPARE_WITH_TIMEOUT(status(main), QStringLiteral("10:00 中国福彩3D 尚未开奖，10:55再试"), 10000);
    QCOMPARE(m_fixture.server().requests().size(), asked + 1);
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList());
}

void TestAutoUpdater::startedLateTheDailyLotteriesAreCheckedOneAtATime()
{
    const QString folder = m_fixture.folder().path();
    std::map<QString, std::vector<StoredDraw>> draws;
    for (const QString& lottery : {k3D, kPl3}) {
        draws[lottery] = syntheticDraws(lottery, 151);
        storeDraws(folder, lottery, {draws[lottery].begin(), draws[lottery].end() - 1});
        serveDaily(lottery, draws[lottery]);
    }
    // Both draws are an hour past when the program starts with 自动更新 ticked: both are checked
    // at once, one after the other. 重庆时时彩, shown, comes after its interval of an hour.
    writeAutoUpdateSettings(folder, {true, 60, false});
    setClock("2026-12-09 22:30");
    m_fixture.server().setDelay(std::chrono::milliseconds(100));
    Tfrmmain main(m_fixture.session());
    main.show();
    QTRY_VERIFY_WITH_TIMEOUT(storedDraws(folder, k3D).size() == 151 && storedDraws(folder, kPl3).size() == 151, 10000);
    QCOMPARE(m_fixture.server().mostAtOnce(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(status(main).contains(QStringLiteral(" 新增1期，第")), 10000);
    // Both nights' periods are in: nothing more is asked of them tonight (重庆时时彩's own turn
    // comes meanwhile).
    const auto dailyAsked = [&] {
        QStringList asked = m_fixture.server().requests();
        asked.removeIf([](const QString& path) {
            return path != singlePagePath(HistorySource::TrendPage) && path != singlePagePath(HistorySource::ChartPage);
        });
        return asked.size();
    };
    QCOMPARE(dailyAsked(), 2);
    setClock("2026-12-09 23:55");
    QTest::qWait(5 * kTestMinute.count());
    QCOMPARE(dailyAsked(), 2);
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList());
}

void TestAutoUpdater::aDayWithoutADrawSaysSoQuietly()
{
    const QString folder = m_fixture.folder().path();
    const std::vector<StoredDraw> draws = syntheticDraws(k3D, 150);
    storeDraws(folder, k3D, draws);
    serveDaily(k3D, draws);
    setClock("2026-12-09 23:55");
    Tfrmmain main(m_fixture.session());
    main.show();
    showLottery(main, k3D);
    // Started after the draw: checked at once, and the night's retries follow.
    QTest::mouseClick(control<QCheckBox>(&main, "chkauto"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(status(main), QStringLiteral("10:55 中国福彩3D 尚未开奖，13:35再试"), 10000);
    setClock("2026-12-10 02:35");
    QTRY_COMPARE_WITH_TIMEOUT(status(main), QStringLiteral("13:35 中国福彩3D 尚未开奖，明早再试"), 10000);
    if (const QString shots = qEnvironmentVariable("QUORLIN_SHOTS"); !shots.isEmpty())
        main.grab().save(shots + QStringLiteral("/30-daily-status.png"));
    // The morning check finds the site down: said quietly, and tried again after the back-off.
    m_fixture.server().failWithStatus(singlePagePath(HistorySource::TrendPage), 500);
    setClock("2026-12-10 09:00");
    QTRY_COMPARE_WITH_TIMEOUT(
        status(main), QStringLiteral("20:00 中国福彩3D 失败：走势页面无法下载（服务器答复 HTTP 500）；10分钟后重试"),
        10000);
    // Back: nothing since, so the lottery rests until the evening.
    serveDaily(k3D, draws);
    setClock("2026-12-10 09:10");
    QTRY_COMPARE_WITH_TIMEOUT(status(main), QStringLiteral("20:10 中国福彩3D 已是最新"), 10000);
    QCOMPARE(m_fixture.server().requests().size(), 4);
    // Never a box.
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList());
    QCOMPARE(int(storedDraws(folder, k3D).size()), 150);
}

void TestAutoUpdater::settingsThatCannotBeReadOrSavedAreSaidOnce()
{
    const QString folder = m_fixture.folder().path();
    QFile file(folder + QStringLiteral("设置.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[auto]\nenabled=maybe\n");
    file.close();
    {
        Tfrmmain main(m_fixture.session());
        // "maybe" is no yes: off, and the status line says why.
        QVERIFY(!control<QCheckBox>(&main, "chkauto")->isChecked());
        QVERIFY2(status(main).contains(QStringLiteral("enabled=maybe")), qPrintable(status(main)));
    }
    // A file that cannot be written: said once, with its cause; the ticks work on.
    QVERIFY(QFile::remove(file.fileName()));
    QVERIFY(QDir().mkdir(file.fileName()));
    storeChongqing();
    serveSite();
    Tfrmmain main(m_fixture.session());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto* chkauto = control<QCheckBox>(&main, "chkauto");
    for (int click = 0; click < 3; ++click)
        QTest::mouseClick(chkauto, Qt::LeftButton);
    const QStringList messages = m_fixture.dialogs().takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QStringLiteral("是一个文件夹，不是文件")), qPrintable(messages[0]));
    QVERIFY(chkauto->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(status(main).contains(QStringLiteral("新增10期")), 10000);
}

QTEST_MAIN(TestAutoUpdater)
#include "test_auto_updater.moc"
