#include "core/base/period_date.h"

#include <QtTest>

// A period number names its date; one whose date does not exist or has not come yet is refused
// before it is stored.
class TestPeriodDate : public QObject {
    Q_OBJECT

private slots:
    void periodDates_data();
    void periodDates();
};

void TestPeriodDate::periodDates_data()
{
    QTest::addColumn<QString>("periodId");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("problem");  // part of the reason; empty when the period can be stored

    const QDate today(2026, 12, 9);
    QTest::newRow("时时彩 of today") << "20261209120" << today << QString();
    QTest::newRow("时时彩 of tomorrow") << "20261210001" << today << QString();
    QTest::newRow("时时彩 two days on") << "20261211001" << today << "日期2026-12-11还没到";
    QTest::newRow("上海时时彩 two days on") << "2026121101" << today << "日期2026-12-11还没到";
    QTest::newRow("all nines") << "99999999999" << today << "日期99999999不存在";
    QTest::newRow("month 13") << "20261301001" << today << "日期20261301不存在";
    QTest::newRow("3D of this year") << "2026350" << today << QString();
    QTest::newRow("3D of next year") << "2027001" << today << "年份2027还没到";
    QTest::newRow("3D of next year on new year's eve") << "2027001" << QDate(2026, 12, 31) << QString();
    QTest::newRow("an empty table's 0") << "0" << today << QString();
    QTest::newRow("not a number") << "2026a09001" << today << QString();
}

void TestPeriodDate::periodDates()
{
    QFETCH(QString, periodId);
    QFETCH(QDate, today);
    QFETCH(QString, problem);
    const QString found = periodDateProblem(periodId, today);
    if (problem.isEmpty())
        QCOMPARE(found, QString());
    else
        QVERIFY2(found.contains(problem) && found.contains(periodId), qPrintable(found));
}

QTEST_GUILESS_MAIN(TestPeriodDate)
#include "test_period_date.moc"
