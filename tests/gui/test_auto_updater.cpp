#include "core/acquire/auto_update.h"
#include "core/acquire/site_paths.h"
#include "gui/auto_updater.h"
#include "gui/dialogs.h"
#include "gui/u_data.h"
#include "gui/u_main.h"
#include "support/download_fixture.h"
#include "support/feed_fixtures.h"
#include "support/find_control.h"
#include "support/page_fixtures.h"
#include "support/window_input.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
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
    void copiesOnlyWhenTicked();
    void tickIsSkippedWhileTheDataWindowIsOpen();
    void failuresBackOffAndRecover();
    void switchingLotteryCancelsTheRunAndNothingOverlaps();
    void tickingAndUntickingIsRemembered();

private:
    // The day pages and the feed of 重庆时时彩: the first run of the program's session reads the
    // day pages, as 实时开奖 would, and the later ones the feed.
    void serveSite();
    QString todaysPage() const;
    // The whole status line: the label shows it elided when it is long.
    QString status(Tfrmmain& main) { return control<QLabel>(&main, "lblauto")->toolTip(); }

    DownloadFixture m_fixture{std::chrono::milliseconds(2000)};
    std::vector<StoredDraw> m_draws;
};

void TestAutoUpdater::initTestCase()
{
    m_draws = syntheticDraws(kChongqing, kOnSite);
}

void TestAutoUpdater::init()
{
    m_fixture.setUp({PageSite::DrawList, PageSite::Feed});
    // The real unit, before the test shortens it for the main windows made from this session.
    QCOMPARE(m_fixture.session().autoUpdateMinute(), std::chrono::milliseconds(60000));
    m_fixture.session().setAutoUpdateMinute(kTestMinute);
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

QString TestAutoUpdater::todaysPage() const
{
    return drawListPath(drawListPageNumber(kChongqing), kToday);
}

void TestAutoUpdater::newDrawsAreShownWithoutAClick()
{
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

void TestAutoUpdater::copiesOnlyWhenTicked()
{
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

void TestAutoUpdater::switchingLotteryCancelsTheRunAndNothingOverlaps()
{
    writeAutoUpdateSettings(m_fixture.folder().path(), {true, 1, false});
    m_fixture.server().stall(todaysPage());
    Tfrmmain main(m_fixture.session());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto* btndown3 = control<QPushButton>(&main, "btndown3");
    auto* btndown2 = control<QPushButton>(&main, "btndown2");
    auto* btnedit = control<QPushButton>(&main, "btnedit");

    // A run is going: the commands that write the draws wait for it, and no second run starts.
    QTRY_VERIFY_WITH_TIMEOUT(!m_fixture.server().requests().isEmpty(), 10000);
    QVERIFY(!btndown3->isEnabled() && !btndown2->isEnabled() && !btnedit->isEnabled());
    const qsizetype asked = m_fixture.server().requests().size();
    QTest::qWait(5 * kTestMinute.count());
    QCOMPARE(m_fixture.server().requests().size(), asked);
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // Another lottery: the run is cancelled at once, nothing is stored, and 3D has no schedule.
    auto* comcaipiao = control<QComboBox>(&main, "comcaipiao");
    typeChoice(comcaipiao, QStringLiteral("中国福彩3D"));
    QTest::keyClick(comcaipiao->lineEdit(), Qt::Key_Enter);
    QCOMPARE(main.session().planSelection().lotteryName, QStringLiteral("中国福彩3D"));
    QVERIFY(!control<QCheckBox>(&main, "chkauto")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(btndown2->isEnabled() && btnedit->isEnabled(), 1000);
    QVERIFY(!btndown3->isEnabled());
    QTest::qWait(5 * kTestMinute.count());
    QCOMPARE(m_fixture.server().requests().size(), asked);
    QCOMPARE(status(main), QString());
    QCOMPARE(int(storedDraws(m_fixture.folder().path(), kChongqing).size()), kOnSite - kFeedRows);
    // Only the 过滤 that the Enter pressed, for a lottery without draws: nothing of the update.
    QCOMPARE(m_fixture.dialogs().takeMessages(), QStringList{"至少需要两期开奖号码才能计算投注号码，目前只有0期。"});
    QVERIFY(control<QCheckBox>(&main, "chkauto")->isChecked());
}

void TestAutoUpdater::tickingAndUntickingIsRemembered()
{
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

QTEST_MAIN(TestAutoUpdater)
#include "test_auto_updater.moc"
