#include "core/acquire/history_readers.h"
#include "core/acquire/site_paths.h"
#include "core/store/history_loader.h"
#include "gui/dialogs.h"
#include "gui/u_download2.h"
#include "gui/u_main.h"
#include "support/download_fixture.h"
#include "support/find_control.h"
#include "support/page_fixtures.h"
#include "support/source_fixtures.h"
#include "support/window_input.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace fixtures;

namespace {

// What each site holds and how much of it is stored before a run: the run should add the rest.
struct LotterySite {
    QString lottery;
    int onSite;
    int storedBefore;
};
const std::vector<LotterySite> kSites = {
    {QStringLiteral("中国福彩3D"), 12, 8},    {QStringLiteral("中国体彩排列3"), 12, 10},
    {QStringLiteral("重庆时时彩"), 150, 140}, {QStringLiteral("江西时时彩"), 150, 145},
    {QStringLiteral("上海时时彩"), 30, 27},
};

int storedCount(const QString& programDir, const QString& lottery)
{
    return int(storedPeriodIds(programDir, lottery).size());
}

// The window's controls, each found by its name.
struct DownloadControls : fixtures::WindowControls<Tfrmdownload2> {
    using WindowControls::WindowControls;

    FIXTURE_CONTROL(QLabel, lbltishi);
    FIXTURE_CONTROL(QComboBox, comdown);
    FIXTURE_CONTROL(QPushButton, btndown);
    FIXTURE_CONTROL(QPushButton, btnclose);
    FIXTURE_CONTROL(QLabel, lbltitle);
    FIXTURE_CONTROL(QProgressBar, pbjindu);
    FIXTURE_CONTROL(QPushButton, btncancel);
};

// The lottery a request was for, by its path.
QString lotteryOfRequest(const QString& request)
{
    if (request.startsWith(QLatin1String("/trend/")))
        return QStringLiteral("中国福彩3D");
    if (request.startsWith(QLatin1String("/Pls/")))
        return QStringLiteral("中国体彩排列3");
    if (request.startsWith(QLatin1String("/lottery/draw/list/200")))
        return QStringLiteral("重庆时时彩");
    if (request.startsWith(QLatin1String("/lottery/draw/list/201")))
        return QStringLiteral("上海时时彩");
    if (request.startsWith(QLatin1String("/lottery/draw/list/202")))
        return QStringLiteral("江西时时彩");
    return request;
}

// The lotteries asked for, in the order of their first requests.
QStringList lotteriesAskedFor(const QStringList& requests)
{
    QStringList order;
    for (const QString& request : requests) {
        const QString lottery = lotteryOfRequest(request);
        // Each lottery at its first request: the pages a failed lottery had already asked for
        // when it gave up may reach the server after the next lottery's first ones.
        if (!order.contains(lottery))
            order << lottery;
    }
    return order;
}

}  // namespace

class TestDownloadWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshWindowAndExit();
    void runs_data();
    void runs();
    void enterStartsARun();
    void firstEnterInAFreshWindowStartsARun();
    void cancelledRun_data();
    void cancelledRun();
    void databaseThatCannotOpenKeepsTheChoice();
    void mainWindowShowsTheNewDraws();
    void firstStartFillsTheOperatorsLotteries();

private:
    void serveEverySite();

    DownloadFixture m_fixture{std::chrono::milliseconds(1000)};
};

void TestDownloadWindow::init()
{
    m_fixture.setUp({PageSite::Trend, PageSite::Chart, PageSite::DrawList});
    for (const LotterySite& site : kSites) {
        const auto draws = syntheticDraws(site.lottery, site.onSite);
        storeDraws(m_fixture.folder().path(), site.lottery, {draws.begin(), draws.begin() + site.storedBefore});
    }
}

void TestDownloadWindow::cleanup()
{
    m_fixture.tearDown();
}

void TestDownloadWindow::serveEverySite()
{
    for (const LotterySite& site : kSites) {
        const auto draws = syntheticDraws(site.lottery, site.onSite);
        if (site.lottery == QStringLiteral("中国福彩3D")) {
            m_fixture.server().serve(QStringLiteral("/trend/analyse3d.do?operator=codeTrend"), trendPage(draws));
        } else if (site.lottery == QStringLiteral("中国体彩排列3")) {
            m_fixture.server().serve(QStringLiteral("/Pls/ZongheZs-200.html"), chartPage(draws));
        } else {
            for (const auto& [path, page] : drawListSite(site.lottery, draws, kToday))
                m_fixture.server().serve(path, page);
        }
    }
}

void TestDownloadWindow::freshWindowAndExit()
{
    serveEverySite();
    Tfrmdownload2 window(m_fixture.session());
    const DownloadControls c(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList choices;
    for (int i = 0; i < c.comdown->count(); ++i)
        choices << c.comdown->itemText(i);
    QCOMPARE(choices,
             (QStringList{"所有彩票", "中国福彩3D", "中国体彩排列3", "重庆时时彩", "上海时时彩", "江西时时彩"}));
    QCOMPARE(c.comdown->currentText(), "所有彩票");
    QVERIFY(c.btndown->isVisible() && c.btnclose->isVisible() && !c.lbltitle->isVisible());

    QTest::mouseClick(c.btnclose, Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(m_fixture.server().requests(), QStringList());
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList());
    QVERIFY(!m_fixture.session().historyCaughtUp());
}

void TestDownloadWindow::runs_data()
{
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QStringList>("failing");  // pages answering HTTP 500
    QTest::addColumn<bool>("serveNothing");
    QTest::addColumn<QStringList>("worked");   // lotteries worked on, in the order of the run
    QTest::addColumn<QStringList>("summary");  // the message's lines after "下载完成！" and a blank line
    QTest::addColumn<bool>("caughtUp");

    const QStringList all{"中国福彩3D", "中国体彩排列3", "重庆时时彩", "江西时时彩", "上海时时彩"};
    QTest::newRow("所有彩票 in run order, 排列3 failing")
        << "所有彩票" << QStringList{"/Pls/ZongheZs-200.html"} << false << all
        << QStringList{"中国福彩3D：新增4期",
                       "中国体彩排列3：失败，图表页面无法下载（服务器答复 HTTP 500）；未存入开奖",
                       "重庆时时彩：新增10期", "江西时时彩：新增5期", "上海时时彩：新增3期"}
        << false;
    QTest::newRow("所有彩票, all succeeding")
        << "所有彩票" << QStringList() << false << all
        << QStringList{"中国福彩3D：新增4期", "中国体彩排列3：新增2期", "重庆时时彩：新增10期", "江西时时彩：新增5期",
                       "上海时时彩：新增3期"}
        << true;
    QTest::newRow("上海时时彩 alone") << "上海时时彩" << QStringList() << false << QStringList{"上海时时彩"}
                                      << QStringList{"上海时时彩：新增3期"} << true;
    QTest::newRow("江西时时彩 alone, one day page failing")
        << "江西时时彩" << QStringList{drawListPath(202, kToday.addDays(-30))} << false << QStringList{"江西时时彩"}
        << QStringList{"江西时时彩：失败，2026-11-09的开奖页面无法下载（服务器答复 HTTP 500）；未存入开奖"} << false;
    QTest::newRow("every page failing")
        << "所有彩票" << QStringList() << true << all
        << QStringList{"中国福彩3D：失败，走势页面无法下载（服务器答复 HTTP 404）；未存入开奖",
                       "中国体彩排列3：失败，图表页面无法下载（服务器答复 HTTP 404）；未存入开奖",
                       "重庆时时彩：失败，2026-12-09的开奖页面无法下载（服务器答复 HTTP 404）；未存入开奖",
                       "江西时时彩：失败，2026-12-09的开奖页面无法下载（服务器答复 HTTP 404）；未存入开奖",
                       "上海时时彩：失败，2026-12-09的开奖页面无法下载（服务器答复 HTTP 404）；未存入开奖"}
        << false;
    QTest::newRow("a typed name that is no lottery")
        << "福彩3D" << QStringList() << false << QStringList()
        << QStringList{"没有名为“福彩3D”的彩票，未下载任何开奖。"} << false;
}

void TestDownloadWindow::runs()
{
    QFETCH(QString, choice);
    QFETCH(QStringList, failing);
    QFETCH(bool, serveNothing);
    QFETCH(QStringList, worked);
    QFETCH(QStringList, summary);
    QFETCH(bool, caughtUp);
    if (!serveNothing)
        serveEverySite();
    for (const QString& path : failing)
        m_fixture.server().failWithStatus(path, 500);

    Tfrmdownload2 window(m_fixture.session());
    const DownloadControls c(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PaintedTexts progress(c.lbltitle, PaintedTexts::Blank::Skipped);
    typeChoice(c.comdown, choice);
    // Answers that take a moment, as a real site's do, so that each lottery's progress line is
    // on the screen long enough to be painted.
    m_fixture.server().setDelay(std::chrono::milliseconds(50));
    QTest::mouseClick(c.btndown, Qt::LeftButton);
    QVERIFY(waitForRunEnd());

    QStringList expectedTexts;
    for (const QString& lottery : worked)
        expectedTexts << QStringLiteral("正在更新") + lottery + QStringLiteral("。。。");
    QCOMPARE(progress.texts, expectedTexts);
    QCOMPARE(lotteriesAskedFor(m_fixture.server().requests()), worked);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList{(QStringList{"下载完成！", ""} + summary).join('\n')});
    QCOMPARE(m_fixture.session().historyCaughtUp(), caughtUp);

    for (const LotterySite& site : kSites) {
        const bool updated = worked.contains(site.lottery) && !serveNothing &&
                             std::none_of(failing.begin(), failing.end(),
                                          [&](const QString& path) { return lotteryOfRequest(path) == site.lottery; });
        QCOMPARE(storedCount(m_fixture.folder().path(), site.lottery), updated ? site.onSite : site.storedBefore);
    }
}

void TestDownloadWindow::enterStartsARun()
{
    serveEverySite();
    Tfrmdownload2 window(m_fixture.session());
    const DownloadControls c(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    typeChoice(c.comdown, QStringLiteral("中国福彩3D"));
    QVERIFY(c.comdown->lineEdit()->hasFocus());
    QTest::keyClick(c.comdown->lineEdit(), Qt::Key_Return);
    QVERIFY(waitForRunEnd());

    QCOMPARE(m_fixture.server().requests(), QStringList{"/trend/analyse3d.do?operator=codeTrend"});
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList{"下载完成！\n\n中国福彩3D：新增4期"});
    QVERIFY(!window.isVisible());
}

void TestDownloadWindow::firstEnterInAFreshWindowStartsARun()
{
    serveEverySite();
    Tfrmdownload2 window(m_fixture.session());
    const DownloadControls c(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // Nothing touched: the choice box has the focus with 所有彩票 selected in it.
    QWidget* focused = QApplication::focusWidget();
    QVERIFY(focused == c.comdown || c.comdown->isAncestorOf(focused));
    QTest::keyClick(focused, Qt::Key_Return);
    QVERIFY(waitForRunEnd());

    QCOMPARE(lotteriesAskedFor(m_fixture.server().requests()),
             (QStringList{"中国福彩3D", "中国体彩排列3", "重庆时时彩", "江西时时彩", "上海时时彩"}));
    QVERIFY(!window.isVisible());
    QCOMPARE(m_fixture.dialogs().takeMessages().size(), 1);
}

void TestDownloadWindow::cancelledRun_data()
{
    QTest::addColumn<QString>("stalled");      // a page that is asked for and never answered
    QTest::addColumn<bool>("escape");          // Esc rather than the 取消 button
    QTest::addColumn<QStringList>("summary");  // the lines after "下载已取消！" and a blank line
    const QString cancelled = QStringLiteral("：已取消，未存入开奖");
    QTest::newRow("取消 while 排列3 waits")
        << "/Pls/ZongheZs-200.html" << false
        << QStringList{"中国福彩3D：新增4期", "中国体彩排列3" + cancelled, "重庆时时彩" + cancelled,
                       "江西时时彩" + cancelled, "上海时时彩" + cancelled};
    QTest::newRow("Esc in the middle of 江西's day pages")
        << drawListPath(202, kToday.addDays(-20)) << true
        << QStringList{"中国福彩3D：新增4期", "中国体彩排列3：新增2期", "重庆时时彩：新增10期",
                       "江西时时彩" + cancelled, "上海时时彩" + cancelled};
}

void TestDownloadWindow::cancelledRun()
{
    QFETCH(QString, stalled);
    QFETCH(bool, escape);
    QFETCH(QStringList, summary);
    // A host that never answers would hold the run far longer than this test takes.
    FetchSettings patient = m_fixture.session().fetchSettings();
    patient.totalTimeout = std::chrono::milliseconds(60000);
    m_fixture.session().setFetchSettings(patient);
    serveEverySite();
    m_fixture.server().stall(stalled);

    Tfrmdownload2 window(m_fixture.session());
    const DownloadControls c(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(!c.btncancel->isVisible());
    bool cancelShown = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (!m_fixture.server().requests().contains(stalled) || cancelShown)
            return;
        cancelShown = c.btncancel->isVisible() && c.btncancel->isEnabled();
        if (escape)
            QTest::keyClick(&window, Qt::Key_Escape);
        else
            QTest::mouseClick(c.btncancel, Qt::LeftButton);
    });
    poll.start(20);
    QTest::mouseClick(c.btndown, Qt::LeftButton);
    // Well within the minute a stalled page would otherwise hold the run.
    QVERIFY(waitForRunEnd(10000));
    poll.stop();

    QVERIFY(cancelShown);
    QVERIFY(!window.isVisible());
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList{(QStringList{"下载已取消！", ""} + summary).join('\n')});
    QVERIFY(!m_fixture.session().historyCaughtUp());
    // No lottery after the one whose page never answered was asked for.
    QCOMPARE(lotteriesAskedFor(m_fixture.server().requests()).last(), lotteryOfRequest(stalled));
    // What finished before the cancel stays stored; the lottery being read and those after it
    // are as they were.
    for (const LotterySite& site : kSites) {
        const bool finished = summary.contains(site.lottery + QStringLiteral("：新增") +
                                               QString::number(site.onSite - site.storedBefore) + QStringLiteral("期"));
        QCOMPARE(storedCount(m_fixture.folder().path(), site.lottery), finished ? site.onSite : site.storedBefore);
    }
}

void TestDownloadWindow::databaseThatCannotOpenKeepsTheChoice()
{
    serveEverySite();
    QTemporaryDir empty;  // no 数据库 folder in it
    Session session = testSession(empty.path());
    Tfrmdownload2 window(session);
    const DownloadControls c(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(c.btndown, Qt::LeftButton);
    QVERIFY(waitForRunEnd());

    const QStringList messages = m_fixture.dialogs().takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QStringLiteral("无法打开数据库")), qPrintable(messages[0]));
    QVERIFY(window.isVisible());
    QVERIFY(c.comdown->isVisible() && c.btndown->isVisible() && !c.lbltitle->isVisible());
    QCOMPARE(m_fixture.server().requests(), QStringList());
    QVERIFY(!session.historyCaughtUp());
}

void TestDownloadWindow::mainWindowShowsTheNewDraws()
{
    serveEverySite();
    Tfrmmain main(m_fixture.session());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QCOMPARE(main.session().planSelection().lotteryName, "重庆时时彩");
    QCOMPARE(int(main.hitTable().size()), 140);

    QVERIFY(downloadFromMainWindow(main, QStringLiteral("重庆时时彩")));
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList{"下载完成！\n\n重庆时时彩：新增10期"});
    QCOMPARE(int(main.hitTable().size()), 150);
    const auto draws = syntheticDraws(QStringLiteral("重庆时时彩"), 150);
    QCOMPARE(periodText(main.hitTable().back()), QString::number(periodIdFromText(draws.back().periodId)));
}

void TestDownloadWindow::firstStartFillsTheOperatorsLotteries()
{
    // A fresh install: no 数据源.ini, no draw. The built-in sources answer on their own host names.
    ProgramFolder folder;
    OperatorSites sites;
    const auto draws3d = syntheticDraws(QStringLiteral("中国福彩3D"), 2000, 7);
    const auto drawsPl3 = syntheticDraws(QStringLiteral("中国体彩排列3"), 2000, 8);
    sites.serveHistory(QStringLiteral("中国福彩3D"), draws3d);
    sites.serveHistory(QStringLiteral("中国体彩排列3"), drawsPl3);
    FetchSettings limits;
    limits.connectTimeout = std::chrono::milliseconds(2000);
    limits.totalTimeout = std::chrono::milliseconds(5000);
    Session session = testSession(folder.path(), sites.fetchSettings(limits));
    Tfrmmain main(session);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QVERIFY(downloadFromMainWindow(main, QStringLiteral("所有彩票")));
    const QStringList first = m_fixture.dialogs().takeMessages();
    QCOMPARE(first.size(), 1);
    QVERIFY2(first[0].startsWith(QStringLiteral("下载完成！\n\n中国福彩3D：新增2000期\n中国体彩排列3：新增2000期\n")),
             qPrintable(first[0]));
    for (const auto& [lottery, draws] :
         {std::pair{QStringLiteral("中国福彩3D"), draws3d}, {QStringLiteral("中国体彩排列3"), drawsPl3}}) {
        const auto stored = storedDraws(folder.path(), lottery);
        QCOMPARE(stored.size(), draws.size());
        for (std::size_t i = 0; i < draws.size(); ++i)
            QVERIFY(stored[i].periodId == draws[i].periodId && stored[i].digits == draws[i].digits);
    }
    const int asked = sites.requestCount();
    QVERIFY(downloadFromMainWindow(main, QStringLiteral("所有彩票")));
    m_fixture.dialogs().takeMessages();
    QCOMPARE(sites.requestCount() - asked, 2);
}

QTEST_MAIN(TestDownloadWindow)
#include "test_u_download2.moc"
