#include "core/acquire/history_readers.h"
#include "core/acquire/site_paths.h"
#include "core/acquire/source_settings.h"
#include "core/base/lottery_table.h"
#include "core/store/history_loader.h"
#include "gui/dialogs.h"
#include "gui/u_download3.h"
#include "gui/u_main.h"
#include "support/download_fixture.h"
#include "support/feed_fixtures.h"
#include "support/find_control.h"
#include "support/page_fixtures.h"
#include "support/window_input.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace fixtures;

namespace {

// Long enough to see that nothing happens while the banner waits; the other tests need no wait.
constexpr std::chrono::milliseconds kRealStartDelay(1000);
constexpr std::chrono::milliseconds kShortStartDelay(10);
const QString kChongqing = QStringLiteral("重庆时时彩");
const QString kJiangxi = QStringLiteral("江西时时彩");
const QString kShanghai = QStringLiteral("上海时时彩");
constexpr int kFeedRows = 10;  // the feed lists the newest draws only

int drawsOnSite(const QString& lottery)
{
    return lottery == kShanghai ? 30 : 150;
}

// The pages asked for, each once, in a fixed order: pages come several at a time, so the order
// they reach the server in is not the order they are read in.
QStringList askedOnce(QStringList requests)
{
    requests.removeDuplicates();
    requests.sort();
    return requests;
}

// The 50 day pages in the order a catch-up reads them, today first.
QStringList dayPagePaths(const QString& lottery)
{
    QStringList paths;
    for (int offset = 0; offset < kDrawListDays; ++offset)
        paths << drawListPath(drawListPageNumber(lottery), kToday.addDays(-offset));
    return paths;
}

QStringList shown(const std::vector<StoredDraw>& draws)
{
    QStringList lines;
    for (const StoredDraw& draw : draws)
        lines << draw.periodId + QLatin1Char(' ') + draw.digits.join(QString());
    return lines;
}

}  // namespace

class TestLiveUpdateWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void bannerWaitsThenShowsItsProgress();
    void updates_data();
    void updates();
    void ownAddressStandsInForPagesAndFeed_data();
    void ownAddressStandsInForPagesAndFeed();
    void cancelledUpdateSaysSo();
    void databaseThatCannotOpenStillCloses();
    void mainWindowRetriesTheCatchUpThenReadsTheFeed();
    void afterAHistoryDownloadTheFirstUpdateReadsTheFeed();

private:
    // The day pages and the feed of the lottery, from the first `onSite` synthetic draws.
    void serveLottery(const QString& lottery, int onSite);
    // Runs one live update window to its end, as the main window would.
    void runWindow(Tfrmdownload3& window);

    DownloadFixture m_fixture{std::chrono::milliseconds(2000)};
};

void TestLiveUpdateWindow::init()
{
    m_fixture.setUp({PageSite::DrawList, PageSite::Feed});
    // The program's own wait, before the test shortens it.
    QCOMPARE(m_fixture.session().liveStartDelay(), kRealStartDelay);
    m_fixture.session().setLiveStartDelay(kShortStartDelay);
}

void TestLiveUpdateWindow::cleanup()
{
    m_fixture.tearDown();
}

void TestLiveUpdateWindow::serveLottery(const QString& lottery, int onSite)
{
    const auto draws = syntheticDraws(lottery, onSite);
    for (const auto& [path, page] : drawListSite(lottery, draws, kToday))
        m_fixture.server().serve(path, page);
    m_fixture.server().serve(feedPathOf(lottery), feedDocument(lottery, {draws.rbegin(), draws.rbegin() + kFeedRows}));
}

void TestLiveUpdateWindow::runWindow(Tfrmdownload3& window)
{
    QSignalSpy finished(&window, &QDialog::finished);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(!window.isVisible());
}

void TestLiveUpdateWindow::bannerWaitsThenShowsItsProgress()
{
    m_fixture.session().planSelection().lotteryName = kJiangxi;
    serveLottery(kJiangxi, drawsOnSite(kJiangxi));
    m_fixture.session().setLiveStartDelay(kRealStartDelay);
    Tfrmdownload3 window(m_fixture.session());
    auto* lbltitle = control<QLabel>(&window, "lbltitle");
    auto* Timer1 = control<QTimer>(&window, "Timer1");
    QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window.size(), QSize(354, 74));
    QCOMPARE(window.palette().color(QPalette::Window), QColor(0, 128, 0));
    QCOMPARE(lbltitle->text(), "正在更新江西时时彩。。。");
    QVERIFY(Timer1->isActive() && Timer1->isSingleShot());
    QCOMPARE(std::chrono::milliseconds(Timer1->interval()), kRealStartDelay);

    QSignalSpy finished(&window, &QDialog::finished);
    PaintedTexts progress(lbltitle);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Waiting: an empty banner that Esc does not close.
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(window.isVisible());
    QVERIFY(!lbltitle->isVisible());
    QCOMPARE(m_fixture.server().requests(), QStringList());

    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QCOMPARE(progress.texts, QStringList{"正在更新江西时时彩。。。"});
    const QRect title = lbltitle->geometry();
    QVERIFY(lbltitle->isVisibleTo(&window));
    QCOMPARE(title.left(), (354 - title.width()) / 2);
    QCOMPARE(title.top(), (74 - title.height()) / 2);
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList{"更新完成！\n\n江西时时彩：新增150期"});
}

void TestLiveUpdateWindow::updates_data()
{
    QTest::addColumn<QString>("lottery");
    QTest::addColumn<bool>("caughtUpBefore");
    QTest::addColumn<int>("storedBefore");  // the oldest draws of the site
    QTest::addColumn<QString>("trouble");   // what fails: "day page", "jump page" (after the feed), "feed", "bad feed"
    QTest::addColumn<bool>("readsFeed");
    QTest::addColumn<int>("added");        // the newest draws of the site that end up stored
    QTest::addColumn<QString>("outcome");  // the message below "更新完成！" and a blank line
    QTest::addColumn<bool>("caughtUpAfter");

    QTest::newRow("first update of a run: the day pages")
        << kChongqing << false << 140 << QString() << false << 10 << "重庆时时彩：新增10期" << true;
    QTest::newRow("上海 catch-up") << kShanghai << false << 27 << QString() << false << 3 << "上海时时彩：新增3期"
                                   << true;
    QTest::newRow("failed catch-up is left to be tried again")
        << kJiangxi << false << 145 << "day page" << false << 0
        << "江西时时彩：失败，2026-11-29的开奖页面无法下载（服务器答复 HTTP 500）；未存入开奖\n"
           "下次实时开奖将再次读取近50天的开奖。"
        << false;
    QTest::newRow("nothing new on the day pages")
        << kJiangxi << false << 150 << QString() << false << 0 << "江西时时彩：已是最新，没有新的开奖" << true;
    QTest::newRow("caught up: the feed") << kChongqing << true << 143 << QString() << true << 7 << "重庆时时彩：新增7期"
                                         << true;
    QTest::newRow("上海 feed") << kShanghai << true << 28 << QString() << true << 2 << "上海时时彩：新增2期" << true;
    QTest::newRow("the feed jumps: the day page fills in")
        << kJiangxi << true << 120 << QString() << true << 30 << "江西时时彩：新增30期" << true;
    QTest::newRow("the feed jumps, the day page fails: the gap is told")
        << kJiangxi << true << 120 << "jump page" << true << 10
        << "江西时时彩：失败，补齐2026-12-09时2026-12-09的开奖页面无法下载（服务器答复 HTTP 500）；之前的10期已存入；"
           "仍缺20期，可在数据窗口补齐"
        << true;
    QTest::newRow("nothing new in the feed")
        << kJiangxi << true << 150 << QString() << true << 0 << "江西时时彩：已是最新，没有新的开奖" << true;
    QTest::newRow("feed that cannot be fetched")
        << kChongqing << true << 140 << "feed" << true << 0
        << "重庆时时彩：失败，最新开奖数据无法下载（服务器答复 HTTP 500）；未存入开奖" << true;
    QTest::newRow("feed that is not well-formed")
        << kChongqing << true << 140 << "bad feed" << true << 0
        << "重庆时时彩：失败，最新开奖数据不是格式正确的XML（第6行）；未存入开奖" << true;
}

void TestLiveUpdateWindow::updates()
{
    QFETCH(QString, lottery);
    QFETCH(bool, caughtUpBefore);
    QFETCH(int, storedBefore);
    QFETCH(QString, trouble);
    QFETCH(bool, readsFeed);
    QFETCH(int, added);
    QFETCH(QString, outcome);
    QFETCH(bool, caughtUpAfter);

    const int onSite = drawsOnSite(lottery);
    const auto draws = syntheticDraws(lottery, onSite);
    storeDraws(m_fixture.folder().path(), lottery, {draws.begin(), draws.begin() + storedBefore});
    serveLottery(lottery, onSite);
    const QStringList dayPages = dayPagePaths(lottery);
    QStringList mayAlsoAsk;
    QStringList expectedRequests = readsFeed ? QStringList{feedPathOf(lottery)} : dayPages;
    // A feed that jumps over stored periods sends the update to today's page for them.
    if (readsFeed && trouble.isEmpty() && storedBefore < onSite - kFeedRows)
        expectedRequests << dayPages[0];
    if (trouble == QStringLiteral("jump page")) {
        m_fixture.server().failWithStatus(dayPages[0], 500);
        expectedRequests << dayPages[0];
    } else if (trouble == QStringLiteral("day page")) {
        m_fixture.server().failWithStatus(dayPages[10], 500);
        // Pages up to the failing one, and at most the few asked for ahead of it, abandoned.
        expectedRequests = dayPages.mid(0, 11);
        mayAlsoAsk = dayPages.mid(11, 8);
    } else if (trouble == QStringLiteral("feed")) {
        m_fixture.server().failWithStatus(feedPathOf(lottery), 500);
    } else if (trouble == QStringLiteral("bad feed")) {
        m_fixture.server().serve(feedPathOf(lottery),
                                 feedDocument(lottery, {draws.rbegin(), draws.rbegin() + 3}).chopped(4));
    }
    m_fixture.session().planSelection().lotteryName = lottery;
    m_fixture.session().setHistoryCaughtUp(caughtUpBefore);

    Tfrmdownload3 window(m_fixture.session());
    runWindow(window);

    QStringList asked = askedOnce(m_fixture.server().requests());
    for (const QString& ahead : mayAlsoAsk)
        asked.removeOne(ahead);
    QCOMPARE(asked, askedOnce(expectedRequests));
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList{QStringLiteral("更新完成！\n\n") + outcome});
    QCOMPARE(m_fixture.session().historyCaughtUp(), caughtUpAfter);
    std::vector<StoredDraw> expected(draws.begin(), draws.begin() + storedBefore);
    expected.insert(expected.end(), draws.end() - added, draws.end());
    QCOMPARE(shown(storedDraws(m_fixture.folder().path(), lottery)), shown(expected));
}

void TestLiveUpdateWindow::ownAddressStandsInForPagesAndFeed_data()
{
    QTest::addColumn<bool>("caughtUpBefore");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("instead of the catch-up") << false << 200 << "重庆时时彩：新增10期";
    QTest::newRow("instead of the feed") << true << 200 << "重庆时时彩：新增10期";
    // No word of the day pages, which the update did not read.
    QTest::newRow("failing, instead of the catch-up")
        << false << 503 << "重庆时时彩：失败，开奖数据网址无法下载（服务器答复 HTTP 503）；未存入开奖";
}

void TestLiveUpdateWindow::ownAddressStandsInForPagesAndFeed()
{
    QFETCH(bool, caughtUpBefore);
    QFETCH(int, status);
    QFETCH(QString, outcome);
    const auto draws = syntheticDraws(kChongqing, 150);
    storeDraws(m_fixture.folder().path(), kChongqing, {draws.begin(), draws.begin() + 140});
    serveLottery(kChongqing, 150);
    QByteArray json = "[";
    for (const StoredDraw& draw : draws)
        json += R"({"expect":")" + draw.periodId.toLatin1() + R"(","opencode":")" + draw.digits.join(u',').toLatin1() +
                R"("},)";
    json.back() = ']';
    m_fixture.server().serve("/own.json", json);
    if (status != 200)
        m_fixture.server().failWithStatus("/own.json", status);
    const QString folder = m_fixture.folder().path();
    writeSourceSettings(folder, readSources(folder).hosts,
                        {{kChongqing, "http://" + m_fixture.server().hostAndPort() + "/own.json"}});
    m_fixture.session().planSelection().lotteryName = kChongqing;
    m_fixture.session().setHistoryCaughtUp(caughtUpBefore);

    Tfrmdownload3 window(m_fixture.session());
    runWindow(window);

    QCOMPARE(m_fixture.server().requests(), QStringList{"/own.json"});
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList{QStringLiteral("更新完成！\n\n") + outcome});
    QCOMPARE(m_fixture.session().historyCaughtUp(), caughtUpBefore);
    QCOMPARE(int(storedDraws(folder, kChongqing).size()), status == 200 ? 150 : 140);
}

void TestLiveUpdateWindow::cancelledUpdateSaysSo()
{
    // A day page that never answers holds the run until Esc stops it.
    FetchSettings patient = m_fixture.session().fetchSettings();
    patient.totalTimeout = std::chrono::milliseconds(60000);
    m_fixture.session().setFetchSettings(patient);
    m_fixture.session().planSelection().lotteryName = kChongqing;
    serveLottery(kChongqing, 150);
    const QString stalled = drawListPath(drawListPageNumber(kChongqing), kToday.addDays(-3));
    m_fixture.server().stall(stalled);
    Tfrmdownload3 window(m_fixture.session());
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (m_fixture.server().requests().contains(stalled)) {
            poll.stop();
            QTest::keyClick(&window, Qt::Key_Escape);
        }
    });
    poll.start(20);
    runWindow(window);
    poll.stop();
    QCOMPARE(m_fixture.dialogs().takeMessages(),
             QStringList{"更新已取消！\n\n重庆时时彩：已取消，未存入开奖\n下次实时开奖将再次读取近50天的开奖。"});
    QVERIFY(storedDraws(m_fixture.folder().path(), kChongqing).empty());
}

void TestLiveUpdateWindow::databaseThatCannotOpenStillCloses()
{
    serveLottery(kChongqing, 150);
    QTemporaryDir empty;  // no 数据库 folder in it
    Session session = testSession(empty.path() + QLatin1Char('/'));
    session.planSelection().lotteryName = kChongqing;
    session.setLiveStartDelay(kShortStartDelay);
    Tfrmdownload3 window(session);
    runWindow(window);

    const QStringList messages = m_fixture.dialogs().takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QStringLiteral("无法打开数据库")), qPrintable(messages[0]));
    QCOMPARE(m_fixture.server().requests(), QStringList());
    QVERIFY(!session.historyCaughtUp());
}

void TestLiveUpdateWindow::mainWindowRetriesTheCatchUpThenReadsTheFeed()
{
    const auto draws = syntheticDraws(kChongqing, 150);
    storeDraws(m_fixture.folder().path(), kChongqing, {draws.begin(), draws.begin() + 140});
    serveLottery(kChongqing, 150);
    const QString failing = dayPagePaths(kChongqing)[3];
    m_fixture.server().failWithStatus(failing, 500);
    Tfrmmain main(m_fixture.session());
    auto* btndown3 = control<QPushButton>(&main, "btndown3");
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QCOMPARE(int(main.hitTable().size()), 140);

    QTest::mouseClick(btndown3, Qt::LeftButton);
    QCOMPARE(
        m_fixture.dialogs().takeMessages(),
        QStringList{"更新完成！\n\n重庆时时彩：失败，2026-12-06的开奖页面无法下载（服务器答复 HTTP 500）；未存入开奖\n"
                    "下次实时开奖将再次读取近50天的开奖。"});
    QCOMPARE(int(main.hitTable().size()), 140);

    // The page is back: the next update does the catch-up again.
    serveLottery(kChongqing, 150);
    qsizetype asked = m_fixture.server().requests().size();
    QTest::mouseClick(btndown3, Qt::LeftButton);
    QCOMPARE(askedOnce(m_fixture.server().requests().mid(asked)), askedOnce(dayPagePaths(kChongqing)));
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList{"更新完成！\n\n重庆时时彩：新增10期"});
    QCOMPARE(int(main.hitTable().size()), 150);

    // Five draws of the next day since: the feed brings them, and only the feed is asked for.
    std::vector<StoredDraw> later(draws.end() - (kFeedRows - 5), draws.end());
    for (int k = 1; k <= 5; ++k)
        later.push_back({QStringLiteral("2026121000%1").arg(k), {"9", "8", "7", "6", QString::number(k)}});
    m_fixture.server().serve(feedPathOf(kChongqing), feedDocument(kChongqing, {later.rbegin(), later.rend()}));
    asked = m_fixture.server().requests().size();
    QTest::mouseClick(btndown3, Qt::LeftButton);
    QCOMPARE(m_fixture.server().requests().mid(asked), QStringList{feedPathOf(kChongqing)});
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList{"更新完成！\n\n重庆时时彩：新增5期"});
    QCOMPARE(int(main.hitTable().size()), 155);
    QCOMPARE(periodText(main.hitTable().back()), QString::number(periodIdFromText(later.back().periodId)));
    QCOMPARE(digitsText(main.hitTable().back()), later.back().digits.join(QString()));
}

void TestLiveUpdateWindow::afterAHistoryDownloadTheFirstUpdateReadsTheFeed()
{
    const auto draws = syntheticDraws(kChongqing, 150);
    storeDraws(m_fixture.folder().path(), kChongqing, {draws.begin(), draws.begin() + 140});
    serveLottery(kChongqing, 150);
    Tfrmmain main(m_fixture.session());
    auto* btndown3 = control<QPushButton>(&main, "btndown3");
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    QVERIFY(downloadFromMainWindow(main, kChongqing));
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList{"下载完成！\n\n重庆时时彩：新增10期"});

    const qsizetype asked = m_fixture.server().requests().size();
    QTest::mouseClick(btndown3, Qt::LeftButton);
    QCOMPARE(m_fixture.server().requests().mid(asked), QStringList{feedPathOf(kChongqing)});
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList{"更新完成！\n\n重庆时时彩：已是最新，没有新的开奖"});
    QCOMPARE(int(main.hitTable().size()), 150);
}

QTEST_MAIN(TestLiveUpdateWindow)
#include "test_u_download3.moc"
