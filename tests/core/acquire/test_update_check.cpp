#include "core/acquire/history_download.h"
#include "core/acquire/live_update.h"
#include "core/acquire/source_settings.h"
#include "core/acquire/sources/source_reader.h"
#include "core/base/lottery_table.h"
#include "core/store/draw_comparison.h"
#include "core/store/draw_database.h"
#include "core/store/draw_origins.h"
#include "support/file_fixtures.h"
#include "support/page_fixtures.h"
#include "support/source_fixtures.h"

#include <QTest>
#include <memory>

using namespace fixtures;

namespace {

const QString k3D = QStringLiteral("中国福彩3D");
const QString kChongqing = QStringLiteral("重庆时时彩");

std::vector<StoredDraw> newestFirst(const std::vector<StoredDraw>& oldestFirst)
{
    return {oldestFirst.rbegin(), oldestFirst.rend()};
}

QString changedDigits(const StoredDraw& draw)
{
    QString digits = draw.digits.join(QString());
    digits[0] = QChar(u'0' + (digits[0].digitValue() + 1) % 10);
    return digits;
}

}  // namespace

// A second source read over a range of periods and set beside the stored draws (核对), and the
// same check after each update: the built-in lists on their own host names over TLS, the
// whole-history file and lists of the user's own over plain HTTP, all on 127.0.0.1.
class TestUpdateCheck : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void comparesWithAnotherSourceOverARange_data();
    void comparesWithAnotherSourceOverARange();
    void updateIsCheckedByTheSecondSource_data();
    void updateIsCheckedByTheSecondSource();
    void olderDrawsNotReachedAreToldByCause_data();
    void olderDrawsNotReachedAreToldByCause();
    void firstDownloadIsCheckedInOneDocumentButNotByItsOwnFile();
    void liveUpdateChecksEveryDrawItStored_data();
    void liveUpdateChecksEveryDrawItStored();

private:
    ReaderHooks hooks() const;
    // 开奖来源.json with the tests' own lists on the plain server: "range" takes {from}/{to},
    // "paged" pages newest first 20 a page; both serve 福彩3D and 重庆时时彩.
    void describeOwnSources() const;
    // 数据源.ini with the lottery's 核对来源.
    void confirmWith(const QString& lottery, const QString& id) const;

    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<OperatorSites> m_sites;
    std::unique_ptr<LocalHttpServer> m_own;
    std::vector<StoredDraw> m_3d;
};

void TestUpdateCheck::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_sites = std::make_unique<OperatorSites>();
    m_own = std::make_unique<LocalHttpServer>();
    m_3d = syntheticDraws(k3D, 300, 5);
    describeOwnSources();
}

void TestUpdateCheck::cleanup()
{
    m_own.reset();
    m_sites.reset();
    m_folder.reset();
}

ReaderHooks TestUpdateCheck::hooks() const
{
    return m_sites->readerHooks(m_folder->path());
}

void TestUpdateCheck::describeOwnSources() const
{
    const QString host = QStringLiteral("http://") + m_own->hostAndPort();
    writeFile(m_folder->path() + QStringLiteral("开奖来源.json"), QStringLiteral(R"({"sources": [
        {"id": "range", "name": "区间列表", "lotteries": {"fc3d": {"param": "3d"}, "cqssc": {"param": "cq"}},
         "url": "%1/range/{param}?from={from}&to={to}&page={page}", "format": "json", "list": "list",
         "period": "period", "digits": "digits", "pages": "pages", "order": "newest-first", "pageSize": 100},
        {"id": "paged", "name": "分页列表", "lotteries": {"fc3d": {"param": "3d"}},
         "url": "%1/paged/{param}?page={page}", "format": "json", "list": "list",
         "period": "period", "digits": "digits", "pages": "pages", "order": "newest-first", "pageSize": 20}]})")
                                                                      .arg(host)
                                                                      .toUtf8());
}

void TestUpdateCheck::confirmWith(const QString& lottery, const QString& id) const
{
    writeSourceSettings(m_folder->path(), defaultSiteHosts(), {}, {}, {{lottery, id}});
}

void TestUpdateCheck::comparesWithAnotherSourceOverARange_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("maxPages");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("reached");  // how many of the other's newest draws the reading reaches; 0: all asked for
    QTest::addColumn<bool>("capped");
    QTest::newRow("中彩网 asked for the range, over TLS") << "zhcw" << 0 << 2 << 0 << false;
    QTest::newRow("a list of the user's own asked for the range, plain HTTP") << "range" << 0 << 1 << 0 << false;
    // A server that ignores the page asked for: the rest of the range was never reached.
    QTest::newRow("a range list answering its first page for every page") << "range-repeating" << 0 << 2 << 20 << false;
    QTest::newRow("the whole-history file, one document") << "17500" << 0 << 1 << 0 << false;
    QTest::newRow("a list without a range, read back to the range") << "paged" << 0 << 3 << 0 << false;
    QTest::newRow("a list without a range, capped at two pages") << "paged" << 2 << 2 << 40 << true;
}

void TestUpdateCheck::comparesWithAnotherSourceOverARange()
{
    QFETCH(QString, id);
    QFETCH(int, maxPages);
    QFETCH(int, requests);
    QFETCH(int, reached);
    QFETCH(bool, capped);
    const bool repeating = id.endsWith(QStringLiteral("-repeating"));
    id.remove(QStringLiteral("-repeating"));
    // Stored: the 300 draws but 2026xxx at 285; the other lists them all but the one at 290, and
    // the one at 295 with another digit. The newest 50 are compared.
    const StoredDraw& missing = m_3d[285];
    const StoredDraw& extra = m_3d[290];
    const StoredDraw& changed = m_3d[295];
    std::vector<StoredDraw> stored = m_3d;
    stored.erase(stored.begin() + 285);
    storeDraws(m_folder->path(), k3D, stored);
    std::vector<StoredDraw> theirs = m_3d;
    theirs[295] = drawOf(changed.periodId, changedDigits(changed));
    theirs.erase(theirs.begin() + 290);
    const QString from = m_3d[250].periodId;
    const QString to = m_3d.back().periodId;
    const std::vector<StoredDraw> listed = newestFirst(between(theirs, from, to));
    if (id == u"zhcw") {
        for (int page = 1; page <= 2; ++page)
            m_sites->lists().serve(sourcePath(id, k3D, page, from, to), zhcwPage(listed, page, 30));
    } else if (id == u"range") {
        for (int page = 1; page <= (repeating ? 2 : 1); ++page)
            m_own->serve(QStringLiteral("/range/3d?from=%1&to=%2&page=%3").arg(from, to).arg(page),
                         jsonListPage(listed, 1, repeating ? 20 : 100));
    } else if (id == u"17500") {
        m_sites->files().serve(sourcePath(id, k3D, 1), wholeHistoryFile(theirs));
    } else {
        const std::vector<StoredDraw> all = newestFirst(theirs);
        for (int page = 1; page <= 15; ++page)
            m_own->serve(QStringLiteral("/paged/3d?page=%1").arg(page), jsonListPage(all, page, 20));
    }
    const ReaderHooks run = hooks();
    const SourceDescription* source = findSource(run.sources.descriptions, id);
    const SourceReading reading = readSourceOver(*source, *findLottery(k3D), from, to, run, maxPages);
    QCOMPARE(reading.requests, requests);
    const QString coveredFrom = reached ? newestFirst(theirs)[std::size_t(reached - 1)].periodId : from;
    QCOMPARE(reading.covered.from, coveredFrom);
    QCOMPARE(reading.covered.to, to);
    QCOMPARE(reading.capped, capped);

    DrawDatabase db(m_folder->path());
    const DrawComparison comparison =
        compareDraws(db, k3D, reading.covered.from, reading.covered.to, reading.document.draws, source->name);
    QCOMPARE(comparison.differing.size(), std::size_t(1));
    QCOMPARE(comparison.differing.front().periodId, changed.periodId);
    QCOMPARE(comparison.differing.front().theirs, changedDigits(changed));
    QCOMPARE(comparison.missing.size(), std::size_t(1));
    QCOMPARE(comparison.missing.front().periodId, missing.periodId);
    QCOMPARE(comparison.missing.front().digits, QString::fromLatin1(digitsOf(missing)));
    QCOMPARE(comparison.extra, QStringList{extra.periodId});
    // Every other period of the range it covered agrees; none before it is called extra.
    QCOMPARE(comparison.agreeing.size() + 2, std::size_t(between(stored, coveredFrom, to).size()));
}

void TestUpdateCheck::updateIsCheckedByTheSecondSource_data()
{
    QTest::addColumn<QString>("answer");  // what 中彩网 answers for the new period
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("record");  // what the new draw's record then says
    const QString newest = QStringLiteral("第%1期").arg(syntheticDraws(k3D, 300, 5).back().periodId);
    QTest::newRow("agrees") << "same"
                            << "中国福彩3D：新增1期（已核对）"
                            << "已由中彩网核对";
    QTest::newRow("disagrees") << "other"
                               << "中国福彩3D：新增1期；" + newest + "：中国福利彩票 %1，中彩网 %2"
                               << "与中彩网不符（中彩网为%1）";
    QTest::newRow("fails")
        << "500"
        << "中国福彩3D：新增1期；核对来源未能读取：中彩网无法下载（服务器答复 HTTP 500），新增的开奖未核对"
        << "未核对";
    QTest::newRow("has not published it yet") << "empty"
                                              << "中国福彩3D：新增1期；中彩网尚未列出" + newest + "：未核对"
                                              << "未核对";
}

void TestUpdateCheck::updateIsCheckedByTheSecondSource()
{
    QFETCH(QString, answer);
    QFETCH(QString, line);
    QFETCH(QString, record);
    // A daily update: 中国福利彩票 gives the newest draw, 中彩网 is asked for just that period.
    confirmWith(k3D, QStringLiteral("zhcw"));
    storeDraws(m_folder->path(), k3D, {m_3d.begin(), m_3d.end() - 1});
    m_sites->serveHistory(k3D, m_3d);
    const StoredDraw& newest = m_3d.back();
    const QString ours = QString::fromLatin1(digitsOf(newest));
    const QString theirs = answer == u"other" ? changedDigits(newest) : ours;
    const QString path = sourcePath("zhcw", k3D, 1, newest.periodId, newest.periodId);
    if (answer == u"500")
        m_sites->lists().failWithStatus(path, 500);
    else
        m_sites->lists().serve(path, zhcwPage(answer == u"empty" ? std::vector<StoredDraw>{}
                                                                 : std::vector{drawOf(newest.periodId, theirs)},
                                              1, 30));
    const LotteryUpdate update = downloadHistories(m_folder->path(), {k3D}, hooks()).front();
    QCOMPARE(outcomeLine(update), line.contains(u'%') ? line.arg(ours, theirs) : line);
    QVERIFY(update.outcome.succeeded());
    // One request of the second source, and the draw stays as the first source gave it.
    QCOMPARE(m_sites->lists().requests().filter(QStringLiteral("/port/client_json.php")).size(), 1);
    QCOMPARE(storedDraws(m_folder->path(), k3D).back().digits, newest.digits);
    DrawDatabase db(m_folder->path());
    const DrawDatabase::DrawOrigin origin = db.drawOrigin(k3D, newest.periodId);
    QCOMPARE(origin.source, QStringLiteral("中国福利彩票"));
    QVERIFY2(originLine(origin).endsWith(record.contains(u'%') ? record.arg(theirs) : record),
             qPrintable(originLine(origin)));
}

void TestUpdateCheck::olderDrawsNotReachedAreToldByCause_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("fresh");        // new draws the update stores
    QTest::addColumn<QString>("listing");  // what the 核对来源 answers
    QTest::addColumn<int>("reached");      // how many of the newest draws it gives
    QTest::addColumn<QString>("line");     // %1: the oldest of them
    QTest::newRow("a list read to its cap")
        << "paged" << 45 << "pages" << 40 << "中国福彩3D：新增45期；较早的5期未核对（分页列表只读最新2页）";
    QTest::newRow("a list that ends before them")
        << "paged" << 3 << "short" << 2 << "中国福彩3D：新增3期；分页列表只列出第%1期起的开奖，较早的1期未核对";
    QTest::newRow("a list answering its first page for every page")
        << "paged" << 45 << "repeated" << 20 << "中国福彩3D：新增45期；分页列表只列出第%1期起的开奖，较早的25期未核对";
    QTest::newRow("a whole-history file that starts later")
        << "17500" << 3 << "file" << 2 << "中国福彩3D：新增3期；17500全部历史只列出第%1期起的开奖，较早的1期未核对";
}

void TestUpdateCheck::olderDrawsNotReachedAreToldByCause()
{
    QFETCH(QString, id);
    QFETCH(int, fresh);
    QFETCH(QString, listing);
    QFETCH(int, reached);
    QFETCH(QString, line);
    confirmWith(k3D, id);
    storeDraws(m_folder->path(), k3D, {m_3d.begin(), m_3d.end() - fresh});
    m_sites->serveHistory(k3D, m_3d);
    const std::vector<StoredDraw> all = newestFirst(m_3d);
    const std::vector<StoredDraw> newest(all.begin(), all.begin() + reached);
    if (listing == u"file") {
        m_sites->files().serve(sourcePath(id, k3D, 1), wholeHistoryFile(newestFirst(newest)));
    } else if (listing == u"short") {
        m_own->serve("/paged/3d?page=1", jsonListPage(newest, 1, 20));
    } else {
        for (int page = 1; page <= 15; ++page)
            m_own->serve(QStringLiteral("/paged/3d?page=%1").arg(page),
                         jsonListPage(all, listing == u"repeated" ? 1 : page, 20));
    }
    const LotteryUpdate update = downloadHistories(m_folder->path(), {k3D}, hooks()).front();
    QCOMPARE(outcomeLine(update), line.contains(u'%') ? line.arg(newest.back().periodId) : line);
    DrawDatabase db(m_folder->path());
    QCOMPARE(confirmationTally(db, k3D).confirmed, reached);
}

void TestUpdateCheck::firstDownloadIsCheckedInOneDocumentButNotByItsOwnFile()
{
    // The first download takes the list's first page and the rest from the whole-history file;
    // that file, as 核对来源, is read once and confirms only what the list gave.
    confirmWith(k3D, QStringLiteral("17500"));
    m_sites->serveHistory(k3D, m_3d, 0);
    const LotteryUpdate update = downloadHistories(m_folder->path(), {k3D}, hooks()).front();
    QCOMPARE(outcomeLine(update), QStringLiteral("中国福彩3D：新增300期；200期取自17500全部历史本身，未由它核对"));
    QCOMPARE(m_sites->files().requests().size(), 2);  // the reader's and the check's
    DrawDatabase db(m_folder->path());
    const ConfirmationTally tally = confirmationTally(db, k3D);
    QCOMPARE(tally.confirmed, 100);
    QCOMPARE(tally.disagreeing, 0);
}

void TestUpdateCheck::liveUpdateChecksEveryDrawItStored_data()
{
    QTest::addColumn<int>("storedUpTo");         // the table holds the draws before this one …
    QTest::addColumn<QList<int>>("tableLacks");  // … but these
    QTest::addColumn<QList<int>>("fileLacks");   // what the lottery's own address leaves out
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("confirmed");
    const std::vector<StoredDraw> draws = syntheticDraws(kChongqing, 60, 2);
    QTest::newRow("the newest draws") << 57 << QList<int>{} << QList<int>{} << "重庆时时彩：新增3期（已核对）" << 3;
    // An older period filled in with them is checked too, and so are the stored ones between.
    QTest::newRow("the newest draws and an older gap")
        << 57 << QList<int>{50} << QList<int>{} << "重庆时时彩：新增4期（已核对）" << 10;
    QTest::newRow("only an older gap") << 60 << QList<int>{50} << QList<int>{} << "重庆时时彩：新增1期（已核对）" << 1;
    QTest::newRow("a period the address leaves out that the 核对来源 lists")
        << 57 << QList<int>{} << QList<int>{58}
        << "重庆时时彩：新增2期；区间列表另列有第" + draws[58].periodId + "期，本地缺少；仍缺1期，可在数据窗口补齐"
        << 2;
}

void TestUpdateCheck::liveUpdateChecksEveryDrawItStored()
{
    QFETCH(int, storedUpTo);
    QFETCH(QList<int>, tableLacks);
    QFETCH(QList<int>, fileLacks);
    QFETCH(QString, line);
    QFETCH(int, confirmed);
    // 实时开奖 of a 时时彩 with an address of its own, checked by a list of the user's own; the
    // address gives older draws too, and those the table lacks are stored with the new ones.
    const std::vector<StoredDraw> draws = syntheticDraws(kChongqing, 60, 2);
    std::vector<StoredDraw> table;
    QByteArray file;
    QStringList fresh;
    for (int i = 0; i < int(draws.size()); ++i) {
        const StoredDraw& draw = draws[std::size_t(i)];
        const bool stored = i < storedUpTo && !tableLacks.contains(i);
        if (stored)
            table.push_back(draw);
        if (fileLacks.contains(i))
            continue;
        file += draw.periodId.toLatin1() + ' ' + digitsOf(draw) + '\n';
        if (!stored)
            fresh << draw.periodId;
    }
    storeDraws(m_folder->path(), kChongqing, table);
    m_own->serve("/own/cq.txt", file);
    writeSourceSettings(m_folder->path(), defaultSiteHosts(),
                        {{kChongqing, QStringLiteral("http://%1/own/cq.txt").arg(m_own->hostAndPort())}}, {},
                        {{kChongqing, QStringLiteral("range")}});
    // The 核对来源 is asked for the oldest to the newest period stored, and lists them all.
    m_own->serve(QStringLiteral("/range/cq?from=%1&to=%2&page=1").arg(fresh.front(), fresh.back()),
                 jsonListPage(newestFirst(between(draws, fresh.front(), fresh.back())), 1, 100));
    DrawDatabase db(m_folder->path());
    const LotteryUpdate update = runLiveUpdate(db, m_folder->path(), kChongqing, false, hooks());
    QCOMPARE(outcomeLine(update), line);
    QCOMPARE(confirmationTally(db, kChongqing).confirmed, confirmed);
}

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "test_update_check.moc"
