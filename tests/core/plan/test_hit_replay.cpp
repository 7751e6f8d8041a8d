#include "core/plan/bet_rule.h"
#include "core/plan/hit_replay.h"
#include "support/draw_fixtures.h"

#include <QTest>
#include <algorithm>
#include <random>

using fixtures::historyOf;

namespace {

// Random draws, with a stretch where the first two positions stick to one digit so that the
// look-back runs dry and has to fall back.
DrawHistory mixedHistory(int size, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> digit(0, 9);
    DrawHistory history(3);
    for (int i = 0; i < size; ++i) {
        const bool stuck = i >= size / 2 && i < size / 2 + 40;
        const int draw[] = {stuck ? 7 : digit(random), stuck ? 7 : digit(random), digit(random)};
        history.append(2026001 + i, draw);
    }
    return history;
}

}  // namespace

class TestHitReplay : public QObject {
    Q_OBJECT

private slots:
    void shortHistoriesAreAllHits_data();
    void shortHistoriesAreAllHits();
    void firstTestedDraw_data();
    void firstTestedDraw();
    void replayAgreesWithTheBetRule();
    void repeatedDigitIsNeverHit();
    void rowTexts();
};

void TestHitReplay::shortHistoriesAreAllHits_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("empty") << 0;
    QTest::newRow("one draw") << 1;
    QTest::newRow("100 draws") << 100;
}

void TestHitReplay::shortHistoriesAreAllHits()
{
    QFETCH(int, size);
    // Every draw repeats the one before: any tested draw would miss.
    const HitTable hits = replayHits(historyOf(QStringList(size, QStringLiteral("555"))), 1);
    QCOMPARE(int(hits.size()), size);
    QVERIFY(std::all_of(hits.begin(), hits.end(), [](const HitRow& r) { return r.hit; }));
}

void TestHitReplay::firstTestedDraw_data()
{
    QTest::addColumn<QString>("draw100");
    QTest::addColumn<bool>("hit");
    // 前二: tens 0..97 are 0, then 1, 5: excluded {5, 9}. Units are 0 up to 95, then 2, 7, 2, 2:
    // the look-back finds the 2 followed by 7, excluded {2, 7}.
    QTest::newRow("tens is the last digit") << "530" << false;
    QTest::newRow("tens is the derived digit") << "930" << false;
    QTest::newRow("units is the last digit") << "320" << false;
    QTest::newRow("units is the derived digit") << "370" << false;
    QTest::newRow("both escape") << "330" << true;
    QTest::newRow("both escape with zeros") << "000" << true;
}

void TestHitReplay::firstTestedDraw()
{
    QFETCH(QString, draw100);
    QFETCH(bool, hit);
    QStringList draws(96, QStringLiteral("000"));
    draws << "020"
          << "070"
          << "120"
          << "520" << draw100;
    const HitTable hits = replayHits(historyOf(draws), 0);
    QCOMPARE(int(hits.size()), 101);
    QVERIFY(std::all_of(hits.begin(), hits.begin() + 100, [](const HitRow& r) { return r.hit; }));
    QCOMPARE(hits[100].hit, hit);
}

void TestHitReplay::replayAgreesWithTheBetRule()
{
    const DrawHistory history = mixedHistory(400, 7);
    for (int offset : {0, 1}) {
        const HitTable hits = replayHits(history, offset);
        for (int r = kUntestedDraws; r < history.size(); ++r) {
            const BetSet set = ComputeBetSet(history, r, offset);
            const int number = history.digit(r, offset + 1) * 10 + history.digit(r, offset + 2);
            const bool inSet = std::binary_search(set.begin(), set.end(), number);
            QVERIFY2(hits[std::size_t(r)].hit == inSet,
                     qPrintable(QStringLiteral("draw %1, offset %2").arg(r).arg(offset)));
        }
    }
}

void TestHitReplay::repeatedDigitIsNeverHit()
{
    const DrawHistory history = mixedHistory(600, 3);
    for (int offset : {0, 1}) {
        const HitTable hits = replayHits(history, offset);
        for (int r = kUntestedDraws; r < history.size(); ++r) {
            const bool repeats = history.digit(r, offset + 1) == history.digit(r - 1, offset + 1) ||
                                 history.digit(r, offset + 2) == history.digit(r - 1, offset + 2);
            if (repeats)
                QVERIFY2(!hits[std::size_t(r)].hit, qPrintable(QString::number(r)));
        }
    }
}

void TestHitReplay::rowTexts()
{
    const HitTable hits = replayHits(historyOf({"01234", "56789"}, 261209001), 3);
    QCOMPARE(periodText(hits[0]), QStringLiteral("261209001"));
    QCOMPARE(digitsText(hits[0]), QStringLiteral("01234"));
    QCOMPARE(periodText(hits[1]), QStringLiteral("261209002"));
}

QTEST_GUILESS_MAIN(TestHitReplay)
#include "test_hit_replay.moc"
