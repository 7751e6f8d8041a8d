#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/store/draw_comparison.h"
#include "core/store/draw_database.h"
#include "core/store/draw_origins.h"
#include "support/draw_fixtures.h"
#include "support/file_fixtures.h"

#include <QScopeGuard>
#include <QTest>
#include <utility>

using fixtures::drawOf;
using fixtures::errorOf;
using fixtures::ProgramFolder;
using fixtures::rowsOf;
using fixtures::StoredDraw;

namespace {

const QString k3D = QStringLiteral("中国福彩3D");
const QString kOurs = QStringLiteral("中国福利彩票");
const QString kOther = QStringLiteral("中彩网");

ImportedDraw listed(const QString& periodId, const QString& digits)
{
    return {periodId, digits, 0, {}};
}

QStringList periodsOf(const std::vector<ImportedDraw>& draws)
{
    QStringList periods;
    for (const ImportedDraw& draw : draws)
        periods << draw.periodId + u' ' + draw.digits;
    return periods;
}

// 2026001…2026008 stored from 中国福利彩票, but 2026006 from 中彩网 itself; 2026004 not stored.
// 中彩网 lists 2026000…2026007: 2026002 with another digit, 2026004 which the table lacks, not
// 2026005; 2026000 and 2026008 lie outside the range compared.
struct Fixture {
    ProgramFolder folder;
    QString other;
    std::vector<ImportedDraw> theirs{listed("2026000", "000"), listed("2026001", "111"), listed("2026002", "223"),
                                     listed("2026003", "333"), listed("2026004", "444"), listed("2026006", "666"),
                                     listed("2026007", "777")};

    explicit Fixture(QString otherSource = kOther) : other(std::move(otherSource))
    {
        fixtures::storeDraws(
            folder.path(), k3D,
            {drawOf("2026001", "111"), drawOf("2026002", "222"), drawOf("2026003", "333"), drawOf("2026005", "555"),
             drawOf("2026006", "666"), drawOf("2026007", "777"), drawOf("2026008", "888")});
        // 2026006 is recorded in a run with 2026005, which then gains a record of its own.
        DrawDatabase db(folder.path());
        {
            const DrawDatabase::SourceScope ours(db, kOurs);
            db.recordSources(k3D, {"2026001", "2026002", "2026003", "2026007", "2026008"});
        }
        {
            const DrawDatabase::SourceScope named(db, other);
            db.recordSources(k3D, {"2026005", "2026006"});
        }
        const DrawDatabase::SourceScope ours(db, kOurs);
        db.recordSources(k3D, {"2026005"});
    }

    DrawComparison compare(DrawDatabase& db) const
    {
        return compareDraws(db, k3D, "2026001", "2026007", theirs, other);
    }
};

void checkFound(const DrawComparison& comparison)
{
    QCOMPARE(comparison.otherSource, kOther);
    QCOMPARE(comparison.differing.size(), std::size_t(1));
    const DrawDisagreement& changed = comparison.differing.front();
    QCOMPARE(changed.periodId, QStringLiteral("2026002"));
    QCOMPARE(changed.ours, QStringLiteral("222"));
    QCOMPARE(changed.theirs, QStringLiteral("223"));
    QCOMPARE(periodsOf(comparison.missing), QStringList{"2026004 444"});
    QCOMPARE(comparison.extra, QStringList{"2026005"});
    QCOMPARE(comparison.agreeing, (QStringList{"2026001", "2026003", "2026007"}));
    QCOMPARE(comparison.sameSource, QStringList{"2026006"});
}

}  // namespace

// 核对 in the store: what a second source's list says of the stored draws, and the user's
// decisions on it, each whole or not at all.
class TestDrawComparison : public QObject {
    Q_OBJECT

private slots:
    void findsChangedMissingAndExtraPeriods();
    void marksWhatAgreedAndWhatDiffered_data();
    void marksWhatAgreedAndWhatDiffered();
    void takesTheOtherDigitsRecordingBothSources_data();
    void takesTheOtherDigitsRecordingBothSources();
    void refusedCorrectionChangesNone_data();
    void refusedCorrectionChangesNone();
    void fillsMissingPeriodsOrNone();
    void fileFromBeforeTheSideTable_data();
    void fileFromBeforeTheSideTable();
};

void TestDrawComparison::findsChangedMissingAndExtraPeriods()
{
    Fixture fixture;
    DrawDatabase db(fixture.folder.path());
    const DrawComparison comparison = fixture.compare(db);
    checkFound(comparison);
    QCOMPARE(comparison.differing.front().ourSource, kOurs);
    QCOMPARE(disagreementText(comparison.differing.front(), kOther),
             QStringLiteral("第2026002期：中国福利彩票 222，中彩网 223"));
    // Listing changes nothing.
    QVERIFY(!db.drawOrigin(k3D, "2026002").confirmedBy.size());
    QCOMPARE(db.drawCount(k3D), 7);
}

void TestDrawComparison::marksWhatAgreedAndWhatDiffered_data()
{
    QTest::addColumn<QString>("correctedBy");  // who changes 2026003 between the listing and the marking
    QTest::newRow("nobody") << "";
    QTest::newRow("the same connection") << "same";
    QTest::newRow("another instance") << "other";
}

void TestDrawComparison::marksWhatAgreedAndWhatDiffered()
{
    QFETCH(QString, correctedBy);
    Fixture fixture;
    DrawDatabase db(fixture.folder.path());
    const DrawComparison comparison = fixture.compare(db);
    // Corrected between the listing and the marking: not marked by a listing of other digits.
    const QString correct = "update \"中国福彩3D彩票号码表\" set \"3\" = 9 where \"记录期号\" = '2026003'";
    if (correctedBy == u"same")
        db.exec(correct);
    else if (correctedBy == u"other")
        DrawDatabase(fixture.folder.path()).exec(correct);
    markCompared(db, k3D, comparison);
    QVERIFY(db.drawOrigin(k3D, "2026001").confirmed());
    QCOMPARE(db.drawOrigin(k3D, "2026001").confirmedBy, kOther);
    QCOMPARE(db.drawOrigin(k3D, "2026001").source, kOurs);
    QVERIFY(db.drawOrigin(k3D, "2026002").disagreeing());
    QCOMPARE(db.drawOrigin(k3D, "2026002").otherDigits, QStringLiteral("223"));
    QCOMPARE(db.drawOrigin(k3D, "2026003").confirmed(), correctedBy.isEmpty());
    QVERIFY(db.drawOrigin(k3D, "2026006").confirmedBy.isEmpty());  // not confirmed by its own source
    QVERIFY(db.drawOrigin(k3D, "2026005").confirmedBy.isEmpty());
    const ConfirmationTally tally = confirmationTally(db, k3D);
    QCOMPARE(tally.confirmed, correctedBy.isEmpty() ? 3 : 2);
    QCOMPARE(tally.disagreeing, 1);
}

void TestDrawComparison::takesTheOtherDigitsRecordingBothSources_data()
{
    QTest::addColumn<QString>("other");
    QTest::newRow("中彩网") << kOther;
    // A character outside the basic plane: two UTF-16 units, one character to SQLite.
    QTest::newRow("a name with a rare character") << QStringLiteral("\U0002000B彩网");
}

void TestDrawComparison::takesTheOtherDigitsRecordingBothSources()
{
    QFETCH(QString, other);
    Fixture fixture(other);
    DrawDatabase db(fixture.folder.path());
    const DrawComparison comparison = fixture.compare(db);
    markCompared(db, k3D, comparison);
    takeOtherDigits(db, *findLottery(k3D), comparison.differing, other);
    const DrawDatabase::DrawOrigin origin = db.drawOrigin(k3D, "2026002");
    QCOMPARE(origin.source, other + QStringLiteral("（更正中国福利彩票）"));
    // The disagreement is settled: the draw is no longer counted as one.
    QVERIFY(!origin.disagreeing());
    QCOMPARE(rowsOf(fixtures::storedDraws(fixture.folder.path(), k3D)).at(1), QStringLiteral("2026002 223"));
    // Read again, the corrected draw is the other source's own, not one it confirms.
    const DrawComparison again = fixture.compare(db);
    QVERIFY(again.differing.empty());
    QCOMPARE(again.sameSource, (QStringList{"2026002", "2026006"}));
}

void TestDrawComparison::refusedCorrectionChangesNone_data()
{
    QTest::addColumn<QString>("period");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a letter among the digits") << "2026003"
                                               << "3a3"
                                               << "";
    QTest::newRow("too few digits") << "2026003"
                                    << "33"
                                    << "不是3位数字";
    QTest::newRow("a period deleted meanwhile") << "2026004"
                                                << "444"
                                                << "已不在表中";
    QTest::newRow("a draw another instance changed since the listing") << "2026003"
                                                                       << "334"
                                                                       << "已被改动，请重新核对";
}

void TestDrawComparison::refusedCorrectionChangesNone()
{
    QFETCH(QString, period);
    QFETCH(QString, theirs);
    QFETCH(QString, reason);
    Fixture fixture;
    if (reason.contains(QStringLiteral("改动")))
        DrawDatabase(fixture.folder.path())
            .exec("update \"中国福彩3D彩票号码表\" set \"2\" = 9 where \"记录期号\" = '2026003'");
    const std::vector<StoredDraw> before = fixtures::storedDraws(fixture.folder.path(), k3D);
    DrawDatabase db(fixture.folder.path());
    const std::vector<DrawDisagreement> chosen{{"2026002", "222", "223", kOurs}, {period, "333", theirs, kOurs}};
    const QString message = errorOf([&] { takeOtherDigits(db, *findLottery(k3D), chosen, kOther); });
    QVERIFY2(message.contains(QStringLiteral("第%1期").arg(period)) && message.contains(reason), qPrintable(message));
    QCOMPARE(rowsOf(fixtures::storedDraws(fixture.folder.path(), k3D)), rowsOf(before));
    QCOMPARE(db.drawOrigin(k3D, "2026002").source, kOurs);
}

void TestDrawComparison::fillsMissingPeriodsOrNone()
{
    Fixture fixture;
    DrawDatabase db(fixture.folder.path());
    const LotteryInfo& lottery = *findLottery(k3D);
    // One already stored (another instance filled it meanwhile): none of the chosen goes in.
    const QString message = errorOf([&] {
        fillFromOther(db, lottery, {listed("2026004", "444"), listed("2026005", "555")}, kOther);
    });
    QVERIFY2(message.contains("2026005"), qPrintable(message));
    QCOMPARE(db.drawCount(k3D), 7);

    QCOMPARE(fillFromOther(db, lottery, fixture.compare(db).missing, kOther), 1);
    QCOMPARE(db.drawCount(k3D), 8);
    QCOMPARE(db.drawOrigin(k3D, "2026004").source, kOther);
    QVERIFY(fixture.compare(db).missing.empty());
}

void TestDrawComparison::fileFromBeforeTheSideTable_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("writable: the table is added and the draws marked") << false;
    QTest::newRow("read-only: listed, nothing marked") << true;
}

void TestDrawComparison::fileFromBeforeTheSideTable()
{
    QFETCH(bool, readOnly);
    Fixture fixture;
    {
        DrawDatabase db(fixture.folder.path());
        db.exec(QStringLiteral("drop table \"开奖来源\""));
        db.exec(QStringLiteral("drop table \"开奖来源批次\""));
    }
    draw_database_testing::openReadOnly(readOnly);
    const auto writable = qScopeGuard([] { draw_database_testing::openReadOnly(false); });
    DrawDatabase db(fixture.folder.path());
    QCOMPARE(db.readOnly(), readOnly);
    // Every draw reads as "未知": none is taken for the other source's own.
    const DrawComparison comparison = fixture.compare(db);
    QCOMPARE(comparison.differing.front().ourSource, kUnknownSource);
    QCOMPARE(comparison.agreeing, (QStringList{"2026001", "2026003", "2026006", "2026007"}));
    QCOMPARE(periodsOf(comparison.missing), QStringList{"2026004 444"});
    QCOMPARE(comparison.extra, QStringList{"2026005"});
    if (readOnly) {
        QVERIFY(!errorOf([&] { markCompared(db, k3D, comparison); }).isEmpty());
        QCOMPARE(confirmationTally(db, k3D).confirmed, 0);
        return;
    }
    markCompared(db, k3D, comparison);
    QCOMPARE(confirmationTally(db, k3D).confirmed, 4);
    QCOMPARE(db.drawOrigin(k3D, "2026002").otherDigits, QStringLiteral("223"));
    QCOMPARE(db.drawOrigin(k3D, "2026002").source, kUnknownSource);
}

QTEST_GUILESS_MAIN(TestDrawComparison)
#include "test_draw_comparison.moc"
