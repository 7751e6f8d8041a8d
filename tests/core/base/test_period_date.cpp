#include "core/base/period_date.h"
#include "support/optional_text.h"

#include <QtTest>

// A period number names its date and its place in the day or year; one whose date does not exist
// or has not come yet, or whose number the calendar does not allow, is refused before it is stored.
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
    QTest::addColumn<int>("periodsPerDay");
    QTest::addColumn<QString>("problem");  // part of the reason; empty when the period can be stored

    const QDate today(2026, 12, 9);  // the 343rd day of 2026
    const int chongqing = 120;
    const int shanghai = 23;
    QTest::newRow("时时彩 of today") << "20261209120" << today << chongqing << QString();
    QTest::newRow("时时彩 of tomorrow") << "20261210001" << today << chongqing << QString();
    QTest::newRow("时时彩 two days on") << "20261211001" << today << chongqing << "日期2026-12-11还没到";
    QTest::newRow("上海时时彩 two days on") << "2026121101" << today << shanghai << "日期2026-12-11还没到";
    QTest::newRow("all nines") << "99999999999" << today << chongqing << "日期99999999不存在";
    QTest::newRow("month 13") << "20261301001" << today << chongqing << "日期20261301不存在";
    QTest::newRow("时时彩 beyond its count a day")
        << "20261209121" << today << chongqing << "序号121不可能：每天最多开奖120期";
    QTest::newRow("时时彩 far beyond it, tomorrow") << "20261210999" << today << chongqing << "序号999不可能";
    QTest::newRow("上海时时彩's last of the day") << "2026120923" << today << shanghai << QString();
    QTest::newRow("上海时时彩 beyond its count") << "2026120924" << today << shanghai << "每天最多开奖23期";
    QTest::newRow("时时彩 number 0") << "20261209000" << today << chongqing << "序号不能为0";
    QTest::newRow("3D of this year up to tomorrow") << "2026344" << today << 0 << QString();
    QTest::newRow("3D beyond the days gone by")
        << "2026345" << today << 0 << "序号345不可能：到2026-12-10为止，2026年最多开奖344期";
    QTest::newRow("3D far beyond them") << "2026999" << today << 0 << "序号999不可能";
    QTest::newRow("3D of last year's last day") << "2025365" << today << 0 << QString();
    QTest::newRow("3D beyond last year's days") << "2025366" << today << 0 << "2025年最多开奖365期";
    QTest::newRow("3D of a leap year's last day") << "2024366" << today << 0 << QString();
    QTest::newRow("3D number 0") << "2026000" << today << 0 << "序号不能为0";
    QTest::newRow("3D of next year") << "2027001" << today << 0 << "年份2027还没到";
    QTest::newRow("3D of next year on new year's eve") << "2027001" << QDate(2026, 12, 31) << 0 << QString();
    QTest::newRow("3D of next year's second day on new year's eve")
        << "2027002" << QDate(2026, 12, 31) << 0 << "2027年最多开奖1期";
    QTest::newRow("3D of the whole year on new year's eve") << "2026365" << QDate(2026, 12, 31) << 0 << QString();
    QTest::newRow("an empty table's 0") << "0" << today << 0 << QString();
    QTest::newRow("not a number") << "2026a09001" << today << chongqing << QString();
}

void TestPeriodDate::periodDates()
{
    QFETCH(QString, periodId);
    QFETCH(QDate, today);
    QFETCH(int, periodsPerDay);
    QFETCH(QString, problem);
    const std::optional<QString> found = periodDateProblem(periodId, today, periodsPerDay);
    if (problem.isEmpty())
        QCOMPARE(found, std::optional<QString>());
    else
        QVERIFY2(found && found->contains(problem) && found->contains(periodId), toString(found));
}

QTEST_GUILESS_MAIN(TestPeriodDate)
#include "test_period_date.moc"
