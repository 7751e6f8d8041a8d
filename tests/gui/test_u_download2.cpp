#include "core/acquire/history_readers.h"
#include "support/local_http_server.h"
#include "core/acquire/page_fetch.h"
#include "support/page_fixtures.h"
#include "core/acquire/source_hosts.h"
#include "core/acquire/today_clock.h"
#include "gui/u_download2.h"
#include "core/store/draw_database.h"
#include "core/store/history_loader.h"
#include "core/base/u_public.h"
#include "gui/dialogs.h"
#include "gui/u_main.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace fixtures;

namespace {

const QDate kToday(2026, 12, 9);

// What each site holds and how much of it is stored before a run: the run should add the rest.
struct LotterySite {
    QString lottery;
    int onSite;
    int storedBefore;
};
const std::vector<LotterySite> kSites = {
    {QStringLiteral("中国福彩3D"), 12, 8},   {QStringLiteral("中国体彩排列3"), 12, 10},
    {QStringLiteral("重庆时时彩"), 150, 140}, {QStringLiteral("江西时时彩"), 150, 145},
    {QStringLiteral("上海时时彩"), 30, 27},
};

int storedCount(const QString& programDir, const QString& lottery)
{
    DrawDatabase db(programDir);
    return int(db.storedPeriodIds(lottery).size());
}

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

// The lotteries asked for, in order, each run of requests counted once.
QStringList lotteriesAskedFor(const QStringList& requests)
{
    QStringList order;
    for (const QString& request : requests) {
        const QString lottery = lotteryOfRequest(request);
        if (order.isEmpty() || order.back() != lottery)
            order << lottery;
    }
    return order;
}

// Chinese is typed through an input method, which commits whole strings.
void typeChoice(QComboBox* box, const QString& text)
{
    box->lineEdit()->clear();
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(box->lineEdit(), &event);
}

// Every text the progress label was painted with, each change once.
class PaintedTexts : public QObject {
public:
    explicit PaintedTexts(QLabel* label) : m_label(label) { label->installEventFilter(this); }
    QStringList texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint && !m_label->text().isEmpty() &&
            (texts.isEmpty() || texts.back() != m_label->text()))
            texts << m_label->text();
        return false;
    }

private:
    QLabel* m_label;
};

}  // namespace

class TestDownloadWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void freshWindowAndExit();
    void runs_data();
    void runs();
    void enterStartsARun();
    void databaseThatCannotOpenKeepsTheChoice();
    void mainWindowShowsTheNewDraws();

private:
    void serveEverySite();

    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<LocalHttpServer> m_server;
};

void TestDownloadWindow::initTestCase()
{
    fetchSettings().connectTimeout = std::chrono::milliseconds(1000);
    fetchSettings().totalTimeout = std::chrono::milliseconds(1000);
    today_clock::setToday(kToday);
    dialogs::testing::setRecording(true);
}

void TestDownloadWindow::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    u_public::setProgramDir(m_folder->path());
    u_public::setHistoryCaughtUp(false);
    m_server = std::make_unique<LocalHttpServer>();
    for (PageSite site : {PageSite::Trend, PageSite::Chart, PageSite::DrawList})
        setSiteHost(site, m_server->hostAndPort());
    for (const LotterySite& site : kSites) {
        const auto draws = syntheticDraws(site.lottery, site.onSite);
        storeDraws(m_folder->path(), site.lottery, {draws.begin(), draws.begin() + site.storedBefore});
    }
    dialogs::testing::takeMessages();
}

void TestDownloadWindow::cleanup()
{
    m_server.reset();
    m_folder.reset();
}

void TestDownloadWindow::serveEverySite()
{
    for (const LotterySite& site : kSites) {
        const auto draws = syntheticDraws(site.lottery, site.onSite);
        if (site.lottery == QStringLiteral("中国福彩3D")) {
            m_server->serve(QStringLiteral("/trend/analyse3d.do?operator=codeTrend"), trendPage(draws));
        } else if (site.lottery == QStringLiteral("中国体彩排列3")) {
            m_server->serve(QStringLiteral("/Pls/ZongheZs-200.html"), chartPage(draws));
        } else {
            for (const auto& [path, page] : drawListSite(site.lottery, draws, kToday))
                m_server->serve(path, page);
        }
    }
}

void TestDownloadWindow::freshWindowAndExit()
{
    serveEverySite();
    Tfrmdownload2 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList choices;
    for (int i = 0; i < window.comdown->count(); ++i)
        choices << window.comdown->itemText(i);
    QCOMPARE(choices, (QStringList{"所有彩票", "中国福彩3D", "中国体彩排列3", "重庆时时彩", "上海时时彩", "江西时时彩"}));
    QCOMPARE(window.comdown->currentText(), "所有彩票");
    QVERIFY(window.btndown->isVisible() && window.btnclose->isVisible() && !window.lbltitle->isVisible());

    QTest::mouseClick(window.btnclose, Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(m_server->requests(), QStringList());
    QCOMPARE(dialogs::testing::takeMessages(), QStringList());
    QVERIFY(!u_public::historyCaughtUp());
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
        << QStringList{"中国福彩3D：新增4期", "中国体彩排列3：失败，图表页面无法下载（服务器答复 HTTP 500）；未存入开奖",
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
        m_server->failWithStatus(path, 500);

    Tfrmdownload2 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PaintedTexts progress(window.lbltitle);
    typeChoice(window.comdown, choice);
    QTest::mouseClick(window.btndown, Qt::LeftButton);

    QStringList expectedTexts;
    for (const QString& lottery : worked)
        expectedTexts << QStringLiteral("正在更新") + lottery + QStringLiteral("。。。");
    QCOMPARE(progress.texts, expectedTexts);
    QCOMPARE(lotteriesAskedFor(m_server->requests()), worked);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(dialogs::testing::takeMessages(), QStringList{(QStringList{"下载完成！", ""} + summary).join('\n')});
    QCOMPARE(u_public::historyCaughtUp(), caughtUp);

    for (const LotterySite& site : kSites) {
        const bool updated = worked.contains(site.lottery) && !serveNothing &&
                             std::none_of(failing.begin(), failing.end(), [&](const QString& path) {
                                 return lotteryOfRequest(path) == site.lottery;
                             });
        QCOMPARE(storedCount(m_folder->path(), site.lottery), updated ? site.onSite : site.storedBefore);
    }
}

void TestDownloadWindow::enterStartsARun()
{
    serveEverySite();
    Tfrmdownload2 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    typeChoice(window.comdown, QStringLiteral("中国福彩3D"));
    QVERIFY(window.comdown->lineEdit()->hasFocus());
    QTest::keyClick(window.comdown->lineEdit(), Qt::Key_Return);

    QCOMPARE(m_server->requests(), QStringList{"/trend/analyse3d.do?operator=codeTrend"});
    QCOMPARE(dialogs::testing::takeMessages(), QStringList{"下载完成！\n\n中国福彩3D：新增4期"});
    QVERIFY(!window.isVisible());
}

void TestDownloadWindow::databaseThatCannotOpenKeepsTheChoice()
{
    serveEverySite();
    QTemporaryDir empty;  // no 数据库 folder in it
    u_public::setProgramDir(empty.path());
    Tfrmdownload2 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.btndown, Qt::LeftButton);

    const QStringList messages = dialogs::testing::takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QStringLiteral("无法打开数据库")), qPrintable(messages[0]));
    QVERIFY(window.isVisible());
    QVERIFY(window.comdown->isVisible() && window.btndown->isVisible() && !window.lbltitle->isVisible());
    QCOMPARE(m_server->requests(), QStringList());
    QVERIFY(!u_public::historyCaughtUp());
}

void TestDownloadWindow::mainWindowShowsTheNewDraws()
{
    serveEverySite();
    Tfrmmain main(m_folder->path());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QCOMPARE(u_public::planSelection().lotteryName, "重庆时时彩");
    QCOMPARE(int(main.hitTable().size()), 140);

    // The window is modal: it is answered from inside its own event loop.
    bool pressed = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* window = qobject_cast<Tfrmdownload2*>(QApplication::activeModalWidget());
        if (!window || pressed)
            return;
        pressed = true;
        typeChoice(window->comdown, QStringLiteral("重庆时时彩"));
        QTest::mouseClick(window->btndown, Qt::LeftButton);
    });
    poll.start(10);
    QTest::mouseClick(main.btndown2, Qt::LeftButton);

    QVERIFY(pressed);
    QCOMPARE(dialogs::testing::takeMessages(), QStringList{"下载完成！\n\n重庆时时彩：新增10期"});
    QCOMPARE(int(main.hitTable().size()), 150);
    const auto draws = syntheticDraws(QStringLiteral("重庆时时彩"), 150);
    QCOMPARE(main.hitTable().back().period, QString::number(periodIdFromText(draws.back().periodId)));
}

QTEST_MAIN(TestDownloadWindow)
#include "test_u_download2.moc"
