#include "core/base/lottery_table.h"
#include "core/store/period_gaps.h"

#include <QTest>

class TestPeriodGaps : public QObject {
    Q_OBJECT

private slots:
    void report_data();
    void report();
    void missingBetweenCountsOnlyTheRange();
};

void TestPeriodGaps::report_data()
{
    QTest::addColumn<QString>("lottery");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("expected");

    const QString threeD = QStringLiteral("中国福彩3D");
    const QString chongqing = QStringLiteral("重庆时时彩");
    const QString shanghai = QStringLiteral("上海时时彩");
    QTest::newRow("3D gaps of one and of three")
        << threeD << QStringList{"2026101", "2026102", "2026104", "2026108"}
        << QStringList{"2026年：第103期", "2026年：第105–107期，共3期", "共缺4期"};
    QTest::newRow("year rollover is no gap")
        << threeD << QStringList{"2025358", "2026001", "2026002"} << QStringList{"没有缺期"};
    QTest::newRow("a gap in each year") << QStringLiteral("中国体彩排列3")
                                        << QStringList{"2026003", "2025100", "2026001", "2025102"}
                                        << QStringList{"2025年：第101期", "2026年：第002期", "共缺2期"};
    QTest::newRow("day rollover is no gap")
        << chongqing << QStringList{"20261114119", "20261114120", "20261115001", "20261115002"}
        << QStringList{"没有缺期"};
    QTest::newRow("a later day lacks its first periods")
        << chongqing << QStringList{"20261114119", "20261114120", "20261115005", "20261115007"}
        << QStringList{"2026-11-15：第001–004期，共4期", "2026-11-15：第006期", "共缺5期"};
    QTest::newRow("the oldest day's start is not counted")
        << chongqing << QStringList{"20261115005", "20261115006", "20261116002"}
        << QStringList{"2026-11-16：第001期", "共缺1期"};
    QTest::newRow("a later year lacks its first periods")
        << threeD << QStringList{"2024350", "2025358", "2026003"}
        << QStringList{"2025年：第001–357期，共357期", "2026年：第001–002期，共2期", "共缺359期"};
    QTest::newRow("five missing in a day") << chongqing << QStringList{"20261115030", "20261115036"}
                                           << QStringList{"2026-11-15：第031–035期，共5期", "共缺5期"};
    QTest::newRow("上海 two-digit numbers") << shanghai << QStringList{"2026111501", "2026111504", "2026111601"}
                                            << QStringList{"2026-11-15：第02–03期，共2期", "共缺2期"};
    QTest::newRow("no gaps") << chongqing << QStringList{"20261115001", "20261115002", "20261115003"}
                             << QStringList{"没有缺期"};
    QTest::newRow("one-period table") << threeD << QStringList{"2026001"} << QStringList{"没有缺期"};
    QTest::newRow("empty table") << threeD << QStringList{} << QStringList{"没有缺期"};
    QTest::newRow("ids of another shape are passed over")
        << threeD << QStringList{"2026001", "20261", "2026x03", "2026004"}
        << QStringList{"2026年：第002–003期，共2期", "共缺2期"};
}

void TestPeriodGaps::report()
{
    QFETCH(QString, lottery);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, expected);
    const LotteryInfo& info = *findLottery(lottery);
    QCOMPARE(gapReport(findGaps(ids, info), info), expected);
}

void TestPeriodGaps::missingBetweenCountsOnlyTheRange()
{
    const LotteryInfo& info = *findLottery(QStringLiteral("重庆时时彩"));
    const auto gaps = findGaps({"20261114010", "20261114020", "20261115001", "20261115005"}, info);
    QCOMPARE(missingCount(gaps), 12);
    QCOMPARE(missingPeriodIds(gaps.back(), info), (QStringList{"20261115002", "20261115003", "20261115004"}));
    QCOMPARE(missingBetween(gaps, info, "20261114015", "20261115003"), 5 + 2);
    QCOMPARE(missingBetween(gaps, info, "20261115000", "20261115999"), 3);
    QCOMPARE(missingBetween(gaps, info, "20261116000", "20261116999"), 0);
}

QTEST_APPLESS_MAIN(TestPeriodGaps)
#include "test_period_gaps.moc"
