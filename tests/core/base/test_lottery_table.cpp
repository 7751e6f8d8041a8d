#include "core/base/lottery_table.h"

#include <QSet>
#include <QtTest>

// The lottery table is the one place the program learns about a lottery; these checks catch a
// row added or edited without the rest of what that lottery needs.
class TestLotteryTable : public QObject {
    Q_OBJECT

private slots:
    void everyLotteryHasAHistoryReader();
    void everyOrderIsAPermutationOfTheTable_data();
    void everyOrderIsAPermutationOfTheTable();
    void digitCounts_data();
    void digitCounts();
    void liveUpdateGoesWithAFeed();
};

void TestLotteryTable::everyLotteryHasAHistoryReader()
{
    QSet<int> drawListPages;
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        QVERIFY2(lottery.periodIdLength >= 7, qPrintable(lottery.name));
        if (lottery.historySource == HistorySource::DrawList) {
            QVERIFY2(lottery.drawListPage > 0, qPrintable(lottery.name));
            QVERIFY2(!drawListPages.contains(lottery.drawListPage), qPrintable(lottery.name));
            drawListPages.insert(lottery.drawListPage);
        } else {
            QCOMPARE(lottery.drawListPage, 0);
        }
    }
    QCOMPARE(drawListPages.size(), 3);
}

void TestLotteryTable::everyOrderIsAPermutationOfTheTable_data()
{
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QString>("first");
    QTest::newRow("table") << lotteryNames() << QStringLiteral("中国福彩3D");
    // 重庆时时彩 first: it is the lottery the main window selects at start.
    QTest::newRow("main list") << mainListOrder() << QStringLiteral("重庆时时彩");
    QTest::newRow("download run") << downloadRunOrder() << QStringLiteral("中国福彩3D");
}

void TestLotteryTable::everyOrderIsAPermutationOfTheTable()
{
    QFETCH(QStringList, order);
    QFETCH(QString, first);
    QStringList table = lotteryNames();
    QCOMPARE(table.size(), 5);
    QCOMPARE(order.constFirst(), first);
    std::sort(order.begin(), order.end());
    std::sort(table.begin(), table.end());
    QCOMPARE(order, table);
}

void TestLotteryTable::digitCounts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("digits");
    QTest::newRow("3D") << QStringLiteral("中国福彩3D") << 3;
    QTest::newRow("排列3") << QStringLiteral("中国体彩排列3") << 3;
    QTest::newRow("重庆") << QStringLiteral("重庆时时彩") << 5;
    QTest::newRow("江西") << QStringLiteral("江西时时彩") << 5;
    QTest::newRow("上海") << QStringLiteral("上海时时彩") << 3;
    QTest::newRow("unknown name") << QStringLiteral("abc") << 5;
    QTest::newRow("empty name") << QString() << 5;
}

void TestLotteryTable::digitCounts()
{
    QFETCH(QString, name);
    QFETCH(int, digits);
    QCOMPARE(digitCountOf(name), digits);
}

void TestLotteryTable::liveUpdateGoesWithAFeed()
{
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        QCOMPARE(lottery.liveUpdate, !lottery.feedPath.isEmpty());
        QCOMPARE(isLiveUpdateLottery(lottery.name), lottery.liveUpdate);
        if (lottery.liveUpdate) {
            // The catch-up before the first feed read needs the day pages.
            QCOMPARE(lottery.historySource, HistorySource::DrawList);
            QVERIFY(lottery.feedPath.startsWith(QLatin1Char('/')));
            QVERIFY(lottery.feedDigitsOffset > 12 + lottery.periodIdLength);
        }
    }
    QVERIFY(!isLiveUpdateLottery(QStringLiteral("abc")));
}

QTEST_GUILESS_MAIN(TestLotteryTable)
#include "test_lottery_table.moc"
