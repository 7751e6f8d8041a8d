#include "core/base/user_error.h"
#include "core/plan/bet_output.h"
#include "core/plan/bet_rule.h"
#include "support/draw_fixtures.h"

#include <QTest>

using fixtures::historyAtFirstPosition;
using fixtures::historyOf;

class TestBetRule : public QObject {
    Q_OBJECT

private slots:
    void derivedDigit_data();
    void derivedDigit();
    void derivedDigitBeforeAnEarlierDraw();
    void betListText();
    void tensAndUnitsAreIndependent();
    void modeChoosesThePositions_data();
    void modeChoosesThePositions();
    void alwaysSixtyFourNumbers_data();
    void alwaysSixtyFourNumbers();
    void tooFewDrawsIsRefused_data();
    void tooFewDrawsIsRefused();
    void savedFileBytes();
};

void TestBetRule::derivedDigit_data()
{
    QTest::addColumn<std::vector<int>>("digits");  // one position, oldest first
    QTest::addColumn<int>("derived");

    QTest::newRow("change: previous 7, last 3") << std::vector<int>{7, 3} << 9;
    QTest::newRow("change: previous 1, last 8") << std::vector<int>{1, 8} << 5;
    QTest::newRow("change: 0 after 9 wraps") << std::vector<int>{9, 0} << 1;
    QTest::newRow("repeat: skips the 4 followed by 4") << std::vector<int>{4, 7, 2, 4, 9, 4, 4} << 9;
    QTest::newRow("repeat: looks back to record 0") << std::vector<int>{4, 7, 4, 4, 4} << 7;
    QTest::newRow("repeat: record 0 of 5,2,6,5,5") << std::vector<int>{5, 2, 6, 5, 5} << 2;
    QTest::newRow("repeat: most recent appearance wins") << std::vector<int>{3, 1, 3, 8, 3, 3} << 8;
    // No earlier appearance of the digit was followed by another: the step from the digit
    // before the run stands, 2*4 - 1.
    QTest::newRow("repeat: run since first appearance") << std::vector<int>{1, 4, 4, 4} << 7;
    QTest::newRow("repeat: history opens with the run") << std::vector<int>{6, 6, 6} << 7;
    QTest::newRow("repeat: history of nines only") << std::vector<int>{9, 9} << 0;
}

void TestBetRule::derivedDigit()
{
    QFETCH(std::vector<int>, digits);
    QFETCH(int, derived);
    const DrawHistory history = historyAtFirstPosition(digits);
    QCOMPARE(DeriveDigit(history, history.size(), 1), derived);
}

void TestBetRule::derivedDigitBeforeAnEarlierDraw()
{
    // Before draw 4 the last two are 9, 4 whatever follows: only records 0..m-1 count.
    const DrawHistory history = historyAtFirstPosition({4, 7, 9, 4, 4, 4, 1});
    QCOMPARE(DeriveDigit(history, 4, 1), (8 - 9 + 10) % 10);
    QCOMPARE(DeriveDigit(history, 5, 1), 7);
}

void TestBetRule::betListText()
{
    const QString text = formatBetList(betSetExcluding({3, 9}, {0, 5}));
    QVERIFY(text.startsWith("01 02 03 04 06 07 08 09 11 "));
    QVERIFY(text.endsWith("84 86 87 88 89 "));
    QCOMPARE(text.size(), 192);
    QVERIFY(!text.contains('\n'));
}

void TestBetRule::tensAndUnitsAreIndependent()
{
    // 后二 of a five-digit lottery: tens (element 4) repeats 2,2 and looks back to the 2
    // followed by 6; units (element 5) changes 3 -> 8 and follows the formula: 2*8 - 3 = 13.
    const DrawHistory history = historyOf({"00026", "00062", "00020", "00023", "00028"});
    QCOMPARE(DeriveDigit(history, history.size(), 4), 6);
    QCOMPARE(DeriveDigit(history, history.size(), 5), 3);
    const BetSet set = ComputeBetSet(history, history.size(), 3);
    QCOMPARE(formatBetList(set), formatBetList(betSetExcluding({2, 6}, {8, 3})));
}

void TestBetRule::modeChoosesThePositions_data()
{
    QTest::addColumn<QStringList>("draws");
    QTest::addColumn<int>("digitOffset");
    QTest::addColumn<int>("tensLast");
    QTest::addColumn<int>("unitsLast");

    const QStringList five = {"12345", "67890"};
    const QStringList three = {"123", "789"};
    QTest::newRow("five digits, 前二") << five << 0 << 6 << 7;
    QTest::newRow("five digits, 后二") << five << 3 << 9 << 0;
    QTest::newRow("three digits, 前二") << three << 0 << 7 << 8;
    QTest::newRow("three digits, 后二") << three << 1 << 8 << 9;
}

void TestBetRule::modeChoosesThePositions()
{
    QFETCH(QStringList, draws);
    QFETCH(int, digitOffset);
    QFETCH(int, tensLast);
    QFETCH(int, unitsLast);
    const BetSet set = ComputeBetSet(historyOf(draws), 2, digitOffset);
    for (int n : set) {
        QVERIFY2(n / 10 != tensLast, qPrintable(QString::number(n)));
        QVERIFY2(n % 10 != unitsLast, qPrintable(QString::number(n)));
    }
}

void TestBetRule::alwaysSixtyFourNumbers_data()
{
    QTest::addColumn<QStringList>("draws");
    QTest::newRow("changes at both positions") << QStringList{"123", "456"};
    QTest::newRow("repeats at both positions") << QStringList{"131", "211", "211"};
    QTest::newRow("runs since the first draw") << QStringList{"555", "555", "555"};
    QTest::newRow("stuck after a change") << QStringList{"012", "799", "799", "799"};
}

void TestBetRule::alwaysSixtyFourNumbers()
{
    QFETCH(QStringList, draws);
    const DrawHistory history = historyOf(draws);
    for (int offset : {0, 1})
        QCOMPARE(ComputeBetSet(history, history.size(), offset).size(), std::size_t(64));
}

void TestBetRule::tooFewDrawsIsRefused_data()
{
    QTest::addColumn<QStringList>("draws");
    QTest::newRow("no draws") << QStringList{};
    QTest::newRow("one draw") << QStringList{"123"};
}

void TestBetRule::tooFewDrawsIsRefused()
{
    QFETCH(QStringList, draws);
    const DrawHistory history = historyOf(draws);
    QVERIFY_THROWS_EXCEPTION(UserError, ComputeBetSet(history, history.size(), 1));
}

void TestBetRule::savedFileBytes()
{
    QCOMPARE(betListFileBytes({}), QByteArray());
    QCOMPARE(betListFileBytes({"01 02", "", "中"}), QByteArray("01 02 \r\n \r\n") + QString("中").toUtf8() + " \r\n");
}

QTEST_GUILESS_MAIN(TestBetRule)
#include "test_bet_rule.moc"
