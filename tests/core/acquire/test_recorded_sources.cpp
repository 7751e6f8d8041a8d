#include "core/acquire/gap_fill.h"
#include "core/acquire/history_download.h"
#include "core/acquire/live_update.h"
#include "core/acquire/lottery_update.h"
#include "core/acquire/site_paths.h"
#include "core/acquire/source_settings.h"
#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "core/store/draw_import.h"
#include "core/store/draw_origins.h"
#include "support/feed_fixtures.h"
#include "support/local_http_server.h"
#include "support/page_fixtures.h"
#include "support/source_fixtures.h"

#include <QSqlQuery>
#include <QTest>
#include <future>
#include <memory>

using namespace fixtures;

namespace {

const QString k3D = QStringLiteral("中国福彩3D");
const QString kPl3 = QStringLiteral("中国体彩排列3");
const QString kChongqing = QStringLiteral("重庆时时彩");

// How the stored draws of a lottery are recorded: source -> how many draws name it, "未知" for a
// draw without a record.
using SourceCounts = QMap<QString, int>;

SourceCounts sourceCounts(const QString& programDir, const QString& lottery)
{
    DrawDatabase db(programDir);
    const QHash<QString, QString> sources = recordedSources(db, lottery);
    SourceCounts counts;
    for (const QString& period : db.storedPeriodIds(lottery))
        ++counts[sources.value(period, kUnknownSource)];
    return counts;
}

// Records of the lottery for periods its table does not hold, and runs that hold none of its draws.
int strayRecords(const QString& programDir, const QString& lottery)
{
    DrawDatabase db(programDir);
    QSqlQuery query(db.connection());
    query.prepare(QStringLiteral("select (select count(*) from \"开奖来源\" where \"彩票\" = ? and \"记录期号\" not in "
                                 "(select \"记录期号\" from %1)) + (select count(*) from \"开奖来源批次\" r where "
                                 "r.\"彩票\" = ? and not exists (select 1 from %1 where \"记录期号\" between "
                                 "r.\"首期\" and r.\"末期\"))")
                      .arg(quoteIdentifier(lotteryTableName(lottery))));
    query.addBindValue(lottery);
    query.addBindValue(lottery);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

std::vector<StoredDraw> slice(const std::vector<StoredDraw>& draws, std::size_t from, std::size_t to)
{
    return {draws.begin() + std::ptrdiff_t(from), draws.begin() + std::ptrdiff_t(std::min(to, draws.size()))};
}

QByteArray drawFileOf(const std::vector<StoredDraw>& draws)
{
    QByteArray file;
    for (const StoredDraw& draw : draws)
        file += draw.periodId.toLatin1() + ' ' + digitsOf(draw) + '\n';
    return file;
}

// The writers of the acquisition side, each as its command runs it.
enum class Writer {
    Download,     // 下载开奖 (and 自动更新 of a daily lottery): downloadHistory
    LiveCatchUp,  // 实时开奖 before the history is caught up: the 50 day pages
    LiveFeed,     // 实时开奖 after it: the feed, and the day pages of what it jumps over
    GapFill,      // 补齐 in the data window
};

}  // namespace
Q_DECLARE_METATYPE(Writer)

// Every writer records, beside each draw it stores and in the same transaction, the source it
// read the draw from, so that a draw is never taken for confirmed by the source it came from.
class TestRecordedSources : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void eachWriterNamesItsSource_data();
    void eachWriterNamesItsSource();
    void twoInstancesNeverLeaveADrawWithoutItsRecord();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<LocalHttpServer> m_server;   // the site pages and the lotteries' own addresses
    std::unique_ptr<OperatorSites> m_operators;  // the described sources, by their own host names
};

void TestRecordedSources::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_server = std::make_unique<LocalHttpServer>();
    m_operators = std::make_unique<OperatorSites>();
}

void TestRecordedSources::cleanup()
{
    m_operators.reset();
    m_server.reset();
    m_folder.reset();
}

void TestRecordedSources::eachWriterNamesItsSource_data()
{
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<QString>("lottery");
    QTest::addColumn<QString>("choice");  // the source chosen in 数据源: a described one's id, "pages" or "address"
    QTest::addColumn<int>("stored");      // draws stored before, of the newest `served`
    QTest::addColumn<int>("served");
    QTest::addColumn<SourceCounts>("recorded");
    const QString list = QStringLiteral("中国福利彩票");
    const QString file = QStringLiteral("17500全部历史");
    const QString unknown = kUnknownSource;
    const QString dayPages = kDayPagesSource;
    const QString address = kOwnAddressSource;

    // A first download takes the list's first page, then the file for the rest: each under its name.
    QTest::newRow("下载开奖, first download from a list and its whole-history file")
        << Writer::Download << k3D << "cwl" << 0 << 300 << SourceCounts{{list, 100}, {file, 200}};
    QTest::newRow("下载开奖, daily update from 中国体育彩票")
        << Writer::Download << kPl3 << "sporttery" << 295 << 300
        << SourceCounts{{unknown, 295}, {QStringLiteral("中国体育彩票"), 5}};
    QTest::newRow("下载开奖, 中彩网 chosen") << Writer::Download << k3D << "zhcw" << 290 << 300
                                             << SourceCounts{{unknown, 290}, {QStringLiteral("中彩网"), 10}};
    QTest::newRow("下载开奖, a lottery's own address")
        << Writer::Download << kChongqing << "address" << 200 << 240 << SourceCounts{{unknown, 200}, {address, 40}};
    QTest::newRow("下载开奖, the 3D trend page")
        << Writer::Download << k3D << "pages" << 0 << 30 << SourceCounts{{QStringLiteral("走势页面"), 30}};
    QTest::newRow("下载开奖, the 排列3 chart page") << Writer::Download << kPl3 << "pages" << 10 << 30
                                                    << SourceCounts{{unknown, 10}, {QStringLiteral("图表页面"), 20}};
    QTest::newRow("下载开奖, day pages") << Writer::Download << kChongqing << "pages" << 100 << 240
                                         << SourceCounts{{unknown, 100}, {dayPages, 140}};
    QTest::newRow("实时开奖, catch-up by day pages")
        << Writer::LiveCatchUp << kChongqing << "pages" << 230 << 240 << SourceCounts{{unknown, 230}, {dayPages, 10}};
    // The feed lists the newest 20; what it jumps over comes from the day pages.
    QTest::newRow("实时开奖, feed") << Writer::LiveFeed << kChongqing << "pages" << 220 << 240
                                    << SourceCounts{{unknown, 220}, {kFeedSource, 20}};
    QTest::newRow("实时开奖, feed jumping over periods")
        << Writer::LiveFeed << kChongqing << "pages" << 150 << 240
        << SourceCounts{{unknown, 150}, {kFeedSource, 20}, {dayPages, 70}};
    // 补齐 fills the periods missing between the stored ones: every other of the newest 40.
    QTest::newRow("补齐 by day pages") << Writer::GapFill << kChongqing << "pages" << 240 << 240
                                       << SourceCounts{{unknown, 220}, {dayPages, 20}};
    QTest::newRow("补齐 from the lottery's own address")
        << Writer::GapFill << kChongqing << "address" << 240 << 240 << SourceCounts{{unknown, 220}, {address, 20}};
}

void TestRecordedSources::eachWriterNamesItsSource()
{
    QFETCH(Writer, writer);
    QFETCH(QString, lottery);
    QFETCH(QString, choice);
    QFETCH(int, stored);
    QFETCH(int, served);
    QFETCH(SourceCounts, recorded);
    const auto draws = syntheticDraws(lottery, served, 7);
    std::vector<StoredDraw> before = slice(draws, 0, std::size_t(stored));
    if (writer == Writer::GapFill) {
        // Every other period of the newest 40 missing, the newest kept.
        before.clear();
        for (std::size_t i = 0; i < draws.size(); ++i) {
            if (i + 40 >= draws.size() && i % 2 == 0 && i + 1 < draws.size())
                continue;
            before.push_back(draws[i]);
        }
    }
    storeDraws(m_folder->path(), lottery, before);

    ReaderHooks hooks =
        hooksOnServer(*m_server, {PageSite::Trend, PageSite::Chart, PageSite::DrawList, PageSite::Feed});
    hooks.fetchSettings = m_operators->fetchSettings(hooks.fetchSettings);
    hooks.fetchSettings.totalTimeout = std::chrono::milliseconds(10000);
    if (choice == u"pages" || choice == u"address") {
        hooks.sources.choices = sitePagesForAll();
    } else {
        hooks.sources.choices.insert(lottery, choice);
        m_operators->serveHistory(lottery, draws);
    }
    if (choice == u"address") {
        m_server->serve("/own.txt", drawFileOf(draws));
        hooks.sources.drawUrls.insert(lottery, QStringLiteral("http://%1/own.txt").arg(m_server->hostAndPort()));
    }
    if (lottery == k3D)
        m_server->serve(singlePagePath(HistorySource::TrendPage), trendPage(draws));
    else if (lottery == kPl3)
        m_server->serve(singlePagePath(HistorySource::ChartPage), chartPage(draws));
    else
        for (const auto& [path, page] : drawListSite(lottery, draws, kToday))
            m_server->serve(path, page);
    const auto inFeed = slice(draws, draws.size() - 20, draws.size());
    m_server->serve(feedPathOf(kChongqing), feedDocument(kChongqing, {inFeed.rbegin(), inFeed.rend()}));

    QString failure;
    switch (writer) {
        case Writer::Download:
            failure = downloadHistory(m_folder->path(), lottery, hooks).outcome.failure().value_or(QString());
            break;
        case Writer::LiveCatchUp:
        case Writer::LiveFeed: {
            DrawDatabase db(m_folder->path());
            failure = runLiveUpdate(db, m_folder->path(), lottery, writer == Writer::LiveCatchUp, hooks)
                          .outcome.failure()
                          .value_or(QString());
            break;
        }
        case Writer::GapFill: {
            DrawDatabase db(m_folder->path());
            const GapFill fill = fillGaps(db, lottery, hooks);
            for (const DayFill& day : fill.days)
                failure += day.outcome.failure().value_or(QString());
            break;
        }
    }
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(sourceCounts(m_folder->path(), lottery), recorded);
    QCOMPARE(strayRecords(m_folder->path(), lottery), 0);
}

void TestRecordedSources::twoInstancesNeverLeaveADrawWithoutItsRecord()
{
    // Two instances of the program on one file, each on its own thread and connection, store the
    // same periods with digits of their own: one a reader's appends, the other an import that
    // overwrites what differs. Whichever digits a period ends with, its record names their writer.
    const LotteryInfo& lottery = *findLottery(kChongqing);
    const auto draws = syntheticDraws(kChongqing, 240);
    const auto written = [&](const QString& digit) {
        std::vector<PageDraw> pageDraws;
        for (const StoredDraw& draw : draws)
            pageDraws.push_back({draw.periodId, QStringList(5, digit)});
        return pageDraws;
    };
    auto reader = std::async(std::launch::async, [&] {
        DrawDatabase db(m_folder->path());
        const DrawDatabase::SourceScope named(db, QStringLiteral("读取者"));
        const std::vector<PageDraw> mine = written("1");
        for (std::size_t from = 0; from < mine.size(); from += 10)
            appendDraws(db, kChongqing,
                        {mine.begin() + std::ptrdiff_t(from), mine.begin() + std::ptrdiff_t(from + 10)});
    });
    auto importer = std::async(std::launch::async, [&] {
        DrawDatabase db(m_folder->path());
        const DrawDatabase::SourceScope named(db, importSourceName(QStringLiteral("/tmp/另一个.txt")));
        for (std::size_t to = draws.size(); to > 0; to -= 20) {
            ParsedDrawFile file;
            for (std::size_t i = to - 20; i < to; ++i)
                file.draws.push_back({draws[i].periodId, QStringLiteral("22222"), int(i + 1), {}});
            // A period the reader stored between the plan and the write refuses the whole import: planned again.
            for (int attempt = 0; attempt < 20; ++attempt) {
                try {
                    writeImport(db, lottery, planImport(db, lottery, file), true);
                    break;
                } catch (const DatabaseError&) {
                }
            }
        }
    });
    reader.get();
    importer.get();

    DrawDatabase db(m_folder->path());
    const QHash<QString, QString> sources = recordedSources(db, kChongqing);
    QSqlQuery query(db.connection());
    QVERIFY(query.exec(QStringLiteral("select \"记录期号\", \"1\" from \"重庆时时彩彩票号码表\"")));
    int rows = 0;
    while (query.next()) {
        ++rows;
        const QString expected =
            query.value(1).toInt() == 1 ? QStringLiteral("读取者") : QStringLiteral("导入：另一个.txt");
        QCOMPARE(sources.value(query.value(0).toString()), expected);
    }
    QCOMPARE(rows, 240);
    QCOMPARE(strayRecords(m_folder->path(), kChongqing), 0);
}

QTEST_GUILESS_MAIN(TestRecordedSources)
#include "test_recorded_sources.moc"
