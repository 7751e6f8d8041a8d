#include "core/store/draw_database.h"

#include "core/base/lottery_table.h"
#include "core/base/program_paths.h"
#include "core/base/user_error.h"
#include "core/base/whole_file.h"
#include "core/store/database_refusal.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlRecord>
#include <QTimeZone>
#include <algorithm>
#include <atomic>
#include <optional>

namespace {

std::atomic<bool> g_openReadOnly{false};
std::atomic<bool> g_recordSources{true};

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("quorlin-draws-%1").arg(++counter);
}

QString createTableSql(const LotteryInfo& lottery)
{
    QStringList columns;
    columns << QStringLiteral(
                   "\"记录期号\" TEXT PRIMARY KEY NOT NULL CONSTRAINT %1 CHECK (length(\"记录期号\") = %2 "
                   "AND \"记录期号\" NOT GLOB '*[^0-9]*')")
                   .arg(quoteIdentifier(QStringLiteral("记录期号须为%1位数字").arg(lottery.periodIdLength)))
                   .arg(lottery.periodIdLength);
    for (int k = 1; k <= lottery.digitCount; ++k) {
        const QString column = quoteIdentifier(QString::number(k));
        // typeof() keeps out 5.5 and '' which BETWEEN alone would let through or mis-sort.
        columns << QStringLiteral(
                       "%1 INTEGER NOT NULL CONSTRAINT %2 CHECK (typeof(%1) = 'integer' AND %1 BETWEEN 0 AND 9)")
                       .arg(column, quoteIdentifier(QStringLiteral("第%1位须为0到9的数字").arg(k)));
    }
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (\n  %2\n)")
        .arg(quoteIdentifier(lotteryTableName(lottery.name)), columns.join(QStringLiteral(",\n  ")));
}

constexpr int kLockWaitMs = 5000;

// A statement's placeholders stay under SQLite's 999: 900 divided among the values of a row.
constexpr int kSourceRowsPerStatement = 900;

// One row per stored period of every lottery, kept in the order of its key alone (without a
// rowid, one b-tree rather than two: a record costs less beside its draw). 核对来源/核对时间 stay empty until a second
// source has been read for the period; 核对不符 then holds that source's digits when they differ from the stored ones
// ("124"), and stays empty when it agreed. Storing the draw anew empties all three.
const QString kCreateSourceTableSql = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS \"开奖来源\" (\n"
    "  \"彩票\" TEXT NOT NULL,\n"
    "  \"记录期号\" TEXT NOT NULL,\n"
    "  \"来源\" TEXT NOT NULL,\n"
    "  \"存入时间\" TEXT NOT NULL,\n"
    "  \"核对来源\" TEXT,\n"
    "  \"核对时间\" TEXT,\n"
    "  \"核对不符\" TEXT,\n"
    "  PRIMARY KEY (\"彩票\", \"记录期号\")\n"
    ") WITHOUT ROWID");
// One row per run of periods stored together with no other stored period among them: a first
// download, an import, an update's new draws. A run costs one row where its periods would cost
// thousands beside draws of a few bytes each. Runs of a lottery never overlap: a run stored over
// part of an older one cuts the older one back to the stored periods on either side.
const QString kCreateRunTableSql = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS \"开奖来源批次\" (\n"
    "  \"彩票\" TEXT NOT NULL,\n"
    "  \"首期\" TEXT NOT NULL,\n"
    "  \"末期\" TEXT NOT NULL,\n"
    "  \"来源\" TEXT NOT NULL,\n"
    "  \"存入时间\" TEXT NOT NULL,\n"
    "  PRIMARY KEY (\"彩票\", \"首期\")\n"
    ") WITHOUT ROWID");
// The side table as the first files with it have it, without 核对不符.
const QString kAddDisagreementColumnSql = QStringLiteral("ALTER TABLE \"开奖来源\" ADD COLUMN \"核对不符\" TEXT");

// Now, Beijing time, as the side table keeps it.
QString beijingNow()
{
    static const QTimeZone beijing("Asia/Shanghai");
    return QDateTime::currentDateTimeUtc().toTimeZone(beijing).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Why SQLite could not open or read the file, in the user's words, from what the file system
// says of the folder and the file; none when nothing there explains it.
std::optional<QString> openProblem(const QString& path)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    const QString folderName = QDir::toNativeSeparators(folder.absoluteFilePath());
    if (!folder.exists())
        return QStringLiteral("数据库文件夹“%1”不存在").arg(folderName);
    if (!folder.isDir())
        return QStringLiteral("“%1”不是文件夹，而是一个文件").arg(folderName);
    if (!folder.isReadable() || !folder.isExecutable())
        return QStringLiteral("没有读取数据库文件夹“%1”的权限").arg(folderName);
    if (file.exists() && file.isDir())
        return QStringLiteral("“%1”是一个文件夹，不是数据库文件").arg(QDir::toNativeSeparators(path));
    if (file.exists() && !file.isReadable())
        return QStringLiteral("没有读取数据库文件“%1”的权限").arg(QDir::toNativeSeparators(path));
    if (!folder.isWritable()) {
        // SQLite keeps a shared-memory file beside a WAL database even to read it.
        return file.exists() ? QStringLiteral(
                                   "数据库文件夹“%1”是只读的，无法在其中建立读取数据库所需的临时文件"
                                   "（%2-shm）；请让这个文件夹可以写入")
                                   .arg(folderName, file.fileName())
                             : QStringLiteral("数据库文件夹“%1”是只读的，无法在其中建立数据库文件%2")
                                   .arg(folderName, file.fileName());
    }
    return std::nullopt;
}

}  // namespace

QString drawDatabasePath(const QString& dataDir)
{
    return program_paths::databaseFile(dataDir);
}

QString quoteIdentifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void appendJsonString(QString& json, QStringView text)
{
    json += u'"';
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\') {
            json += u'\\';
            json += c;
        } else if (c.unicode() < 0x20) {
            json += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            json += c;
        }
    }
    json += u'"';
}

DrawDatabase::DrawDatabase(const QString& dataDir) : m_name(nextConnectionName())
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    // Until the constructor is through, no destructor will remove the connection: do it here.
    auto fail = [&](const QString& message) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw DatabaseError(message);
    };
    if (!m_db.isValid())
        fail(QStringLiteral("SQLite 数据库驱动不可用（Qt SQLite 插件未安装）。"));
    const QString path = drawDatabasePath(dataDir);
    auto cannotOpen = [&](const QString& reason) {
        fail(QStringLiteral("无法打开数据库 %1：%2")
                 .arg(QDir::toNativeSeparators(path), openProblem(path).value_or(reason)));
    };
    m_db.setDatabaseName(path);
    // SQLite opens a file it may not write for reading without a word: the file system says so.
    const QFileInfo file(path);
    m_readOnly =
        g_openReadOnly || (file.exists() && !file.isWritable()) || !QFileInfo(file.absolutePath()).isWritable();
    if (g_openReadOnly)
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!m_db.open())
        cannotOpen(refusalText(m_db.lastError()));
    // Several windows hold connections at once; let a writer wait briefly instead of failing.
    // Reading the schema is the first touch of the file: a folder SQLite cannot work in shows here.
    QSqlQuery query(m_db);
    for (const QString& sql : {QStringLiteral("PRAGMA busy_timeout = %1").arg(kLockWaitMs),
                               QStringLiteral("select count(*) from sqlite_master")}) {
        if (!query.exec(sql)) {
            const QString message = refusalText(query.lastError());
            query = QSqlQuery();
            cannotOpen(message);
        }
    }
    // A file from before sources were kept gains the side table here; its draws read as "未知".
    // A read-only or busy file is only read, so a refusal here is no failure.
    m_source = kUnknownSource;
    const QStringList tables = m_db.tables(QSql::Tables);
    if ((tables.contains(kSourceTable) || query.exec(kCreateSourceTableSql)) &&
        !m_db.record(kSourceTable).contains(kDisagreementColumn))
        query.exec(kAddDisagreementColumnSql);
    if (!tables.contains(kRunTable))
        query.exec(kCreateRunTableSql);
}

void DrawDatabase::requireSourceTables()
{
    // Asked each time rather than remembered: another tool may have taken a table away since,
    // or a transaction that made it been undone. Where they are, this writes nothing.
    exec(kCreateSourceTableSql);
    exec(kCreateRunTableSql);
}

bool DrawDatabase::hasTable(const QString& name) const
{
    // Another instance may have added it since this connection opened the file, or a tool taken it away.
    return m_db.tables(QSql::Tables).contains(name);
}

void draw_database_testing::openReadOnly(bool readOnly)
{
    g_openReadOnly = readOnly;
}

void draw_database_testing::recordSources(bool record)
{
    g_recordSources = record;
}

DrawDatabase::~DrawDatabase()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

void DrawDatabase::create(const QString& dataDir)
{
    const QString path = drawDatabasePath(dataDir);
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        // Named as it stands: a file where a folder should be, or the folder above that is read-only.
        const QString obstacle = folderObstacle(folder);
        throw DatabaseError(
            QStringLiteral("无法创建数据库文件夹 %1：%2")
                .arg(QDir::toNativeSeparators(folder), obstacle.isEmpty() ? QStringLiteral("无法写入") : obstacle));
    }
    DrawDatabase db(dataDir);
    // A file that already has every table is only read from here on: a read-only file still opens.
    const QStringList existing = db.tableNames();
    const auto& catalogue = LotteryCatalogue();
    if (std::all_of(catalogue.begin(), catalogue.end(),
                    [&](const LotteryInfo& lottery) { return existing.contains(lotteryTableName(lottery.name)); }))
        return;
    db.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    DrawDatabase::Transaction transaction(db);
    for (const LotteryInfo& lottery : LotteryCatalogue())
        db.exec(createTableSql(lottery));
    transaction.commit();
}

QStringList DrawDatabase::tableNames() const
{
    return m_db.tables(QSql::Tables);
}

void DrawDatabase::requirePeriodColumn(const QString& lotteryName)
{
    const QSqlRecord columns = m_db.record(lotteryTableName(lotteryName));
    if (!columns.isEmpty() && !columns.contains(QStringLiteral("记录期号")))
        throw DatabaseError(QStringLiteral("表“%1”没有“记录期号”列").arg(lotteryTableName(lotteryName)));
}

void DrawDatabase::requireDrawColumns(const QString& lotteryName, int digitCount)
{
    requirePeriodColumn(lotteryName);
    const QString table = lotteryTableName(lotteryName);
    const QSqlRecord columns = m_db.record(table);
    for (int k = 1; k <= digitCount; ++k) {
        if (!columns.isEmpty() && !columns.contains(QString::number(k)))
            throw DatabaseError(QStringLiteral("表“%1”没有“%2”列").arg(table).arg(k));
    }
}

QSqlQuery DrawDatabase::selectDraws(const QString& lotteryName, int newest)
{
    requirePeriodColumn(lotteryName);
    const QString table = quoteIdentifier(lotteryTableName(lotteryName));
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    const QString sql =
        newest < 0 ? QStringLiteral("select * from %1 order by \"记录期号\"").arg(table)
                   : QStringLiteral(
                         "select * from (select * from %1 order by \"记录期号\" desc limit %2) order by \"记录期号\"")
                         .arg(table)
                         .arg(newest);
    if (!query.exec(sql))
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    return query;
}

int DrawDatabase::drawCount(const QString& lotteryName)
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("select count(*) from %1").arg(quoteIdentifier(lotteryTableName(lotteryName)))))
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    return query.next() ? query.value(0).toInt() : 0;
}

QString DrawDatabase::newestPeriodId(const QString& lotteryName)
{
    requirePeriodColumn(lotteryName);
    QSqlQuery query(m_db);
    if (!query.exec(
            QStringLiteral("select max(\"记录期号\") from %1").arg(quoteIdentifier(lotteryTableName(lotteryName)))))
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    const QVariant newest = query.next() ? query.value(0) : QVariant();
    return newest.isNull() ? QStringLiteral("0") : newest.toString();
}

QSet<QString> DrawDatabase::storedPeriodIds(const QString& lotteryName)
{
    requirePeriodColumn(lotteryName);
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select \"记录期号\" from %1").arg(quoteIdentifier(lotteryTableName(lotteryName)))))
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    QSet<QString> ids;
    while (query.next())
        ids.insert(query.value(0).toString());
    return ids;
}

void DrawDatabase::appendDraw(const QString& lotteryName, const QString& periodId, const QStringList& digits)
{
    QStringList placeholders(digits.size() + 1, QStringLiteral("?"));
    QSqlQuery query(m_db);
    if (!query.prepare(QStringLiteral("insert into %1 values (%2)")
                           .arg(quoteIdentifier(lotteryTableName(lotteryName)), placeholders.join(QLatin1Char(',')))))
        throw DatabaseError(refusalText(query.lastError(), lotteryName, periodId));
    query.addBindValue(periodId);
    for (const QString& digit : digits)
        query.addBindValue(digit);
    if (!query.exec())
        throw DatabaseError(refusalText(query.lastError(), lotteryName, periodId));
    // A statement a row costs more than the row: inside a transaction the records wait for its commit.
    if (m_inTransaction && g_recordSources)
        m_pending.push_back({lotteryName, m_source, periodId});
    else
        recordSources(lotteryName, {periodId});
}

void DrawDatabase::recordPendingSources()
{
    std::vector<PendingRecord> pending;
    pending.swap(m_pending);
    const QString current = m_source;
    const auto restore = qScopeGuard([&] { m_source = current; });
    QStringList periodIds;
    for (std::size_t i = 0; i < pending.size(); ++i) {
        periodIds << pending[i].periodId;
        const bool last = i + 1 == pending.size() || pending[i + 1].lotteryName != pending[i].lotteryName ||
                          pending[i + 1].source != pending[i].source;
        if (last) {
            m_source = pending[i].source;
            recordSources(pending[i].lotteryName, periodIds);
            periodIds.clear();
        }
    }
}

DrawDatabase::SourceScope::SourceScope(DrawDatabase& db, const QString& source) : m_db(db), m_previous(db.m_source)
{
    m_db.m_source = source;
}

DrawDatabase::SourceScope::~SourceScope()
{
    m_db.m_source = m_previous;
}

void DrawDatabase::recordSources(const QString& lotteryName, const QStringList& periodIds)
{
    if (periodIds.isEmpty() || !g_recordSources)
        return;
    // A table another tool took away while the file was open is made anew: a stored draw is
    // never reported as refused for its record.
    requireSourceTables();
    const QString storedAt = beijingNow();
    if (periodIds.size() > 1) {
        QStringList sorted = periodIds;
        // A file's draws mostly come in period order already.
        if (!std::is_sorted(sorted.begin(), sorted.end()))
            std::sort(sorted.begin(), sorted.end());
        sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
        if (storedOnlyThese(lotteryName, sorted)) {
            recordRun(lotteryName, sorted.front(), sorted.back(), storedAt);
            return;
        }
    }
    // The lottery, the source and the time bound once, the periods as one JSON array. Replacing a
    // row empties what a second source said of the draw stored before.
    QString periods;
    periods.reserve(periodIds.size() * 12 + 2);
    periods += u'[';
    for (const QString& periodId : periodIds) {
        if (periods.size() > 1)
            periods += u',';
        appendJsonString(periods, periodId);
    }
    periods += u']';
    const QString sql = QStringLiteral(
        "insert or replace into \"开奖来源\" (\"彩票\", \"记录期号\", \"来源\", \"存入时间\") "
        "select ?, value, ?, ? from json_each(?)");
    QSqlQuery query(m_db);
    if (!query.prepare(sql))
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    query.bindValue(0, lotteryName);
    query.bindValue(1, m_source);
    query.bindValue(2, storedAt);
    query.bindValue(3, periods);
    if (!query.exec())
        throw DatabaseError(
            refusalText(query.lastError(), lotteryName, periodIds.size() == 1 ? periodIds.front() : QString()));
}

bool DrawDatabase::storedOnlyThese(const QString& lotteryName, const QStringList& sorted)
{
    QSqlQuery query = execute(QStringLiteral("select count(*) from %1 where \"记录期号\" between ? and ?")
                                  .arg(quoteIdentifier(lotteryTableName(lotteryName))),
                              {sorted.front(), sorted.back()}, lotteryName);
    // Every period named is stored (the writer has just written it): as many stored as named
    // means no other one lies among them.
    return query.next() && query.value(0).toLongLong() == sorted.size();
}

void DrawDatabase::recordRun(const QString& lotteryName, const QString& first, const QString& last,
                             const QString& storedAt)
{
    std::optional<Transaction> own;
    if (!m_inTransaction)
        own.emplace(*this);
    const QString table = quoteIdentifier(lotteryTableName(lotteryName));
    const auto run = [&](const QString& sql, const QVariantList& values) { return execute(sql, values, lotteryName); };
    // The periods' own records go: they said where the draws stored before came from, and what a
    // second source said of them.
    run(QStringLiteral("delete from \"开奖来源\" where \"彩票\" = ? and \"记录期号\" between ? and ?"),
        {lotteryName, first, last});
    // Older runs reaching into this one keep the stored periods on either side of it. No stored
    // period of an older run lies within it: all stored there are this run's.
    const std::vector<Run> cut = runsOver(lotteryName, first, last);
    std::vector<Run> runs;
    const auto stored = [&](const QString& sql, const QString& period) {
        QSqlQuery query = run(sql.arg(table), {period});
        return query.next() ? query.value(0).toString() : QString();
    };
    for (const Run& was : cut) {
        run(QStringLiteral("delete from \"开奖来源批次\" where \"彩票\" = ? and \"首期\" = ?"),
            {lotteryName, was.first});
        if (was.first < first) {
            const QString before =
                stored(QStringLiteral("select max(\"记录期号\") from %1 where \"记录期号\" < ?"), first);
            if (!before.isEmpty() && before >= was.first)
                runs.push_back({was.first, before, was.source, was.storedAt});
        }
        if (was.last > last) {
            const QString after =
                stored(QStringLiteral("select min(\"记录期号\") from %1 where \"记录期号\" > ?"), last);
            if (!after.isEmpty() && after <= was.last)
                runs.push_back({after, was.last, was.source, was.storedAt});
        }
    }
    runs.push_back({first, last, m_source, storedAt});
    for (const Run& kept : runs)
        run(QStringLiteral("insert into \"开奖来源批次\" values (?, ?, ?, ?, ?)"),
            {lotteryName, kept.first, kept.last, kept.source, kept.storedAt});
    if (own)
        own->commit();
}

void DrawDatabase::forgetDeletedSources(const QString& lotteryName)
{
    if (!g_recordSources)
        return;
    const QString table = quoteIdentifier(lotteryTableName(lotteryName));
    if (hasTable(kSourceTable))
        execute(QStringLiteral("delete from \"开奖来源\" where \"彩票\" = ? and \"记录期号\" not in "
                               "(select \"记录期号\" from %1)")
                    .arg(table),
                {lotteryName}, lotteryName);
    // A run keeps its bounds while it holds a stored period: the periods deleted within it are
    // no longer asked about, and one stored there again is recorded anew.
    if (hasTable(kRunTable))
        execute(QStringLiteral("delete from \"开奖来源批次\" as r where r.\"彩票\" = ? and not exists "
                               "(select 1 from %1 where \"记录期号\" between r.\"首期\" and r.\"末期\")")
                    .arg(table),
                {lotteryName}, lotteryName);
}

DrawDatabase::DrawOrigin DrawDatabase::drawOrigin(const QString& lotteryName, const QString& periodId)
{
    // A file the side table could not be added to (read-only) reads every draw as "未知", one
    // without 核对不符 as agreeing wherever it was checked.
    const bool disagreements = m_db.record(kSourceTable).contains(kDisagreementColumn);
    QSqlQuery query(m_db);
    if (query.prepare(QStringLiteral("select \"来源\", \"存入时间\", \"核对来源\", \"核对时间\", %1 from \"开奖来源\" "
                                     "where \"彩票\" = ? and \"记录期号\" = ?")
                          .arg(disagreements ? quoteIdentifier(kDisagreementColumn) : QStringLiteral("NULL")))) {
        query.addBindValue(lotteryName);
        query.addBindValue(periodId);
        if (query.exec() && query.next())
            return {query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                    query.value(3).toString(), query.value(4).toString()};
    }
    // Without a record of its own, the draw's run says where it came from.
    if (const std::vector<Run> runs = runsOver(lotteryName, periodId, periodId); !runs.empty())
        return {runs.front().source, runs.front().storedAt, {}, {}, {}};
    return {kUnknownSource, {}, {}, {}, {}};
}

QString DrawDatabase::recordedSourceSql(const QString& periodColumn)
{
    // Each part takes its placeholder whether or not its table is there, so that every caller
    // binds the same two values. The period is compared as text, as the side tables keep it: a
    // table made by hand may keep it as a number, and SQLite would then weigh every record in turn.
    const QString none = QStringLiteral("(case when ? is null then null end)");
    const QString period = QStringLiteral("cast(%1 as text)").arg(periodColumn);
    const QString own = hasTable(kSourceTable) ? QStringLiteral(
                                                     "(select s.\"来源\" from \"开奖来源\" s where s.\"彩票\" = ? and "
                                                     "s.\"记录期号\" = %1)")
                                                     .arg(period)
                                               : none;
    const QString ofRun = hasTable(kRunTable) ? QStringLiteral(
                                                    "(select case when r.\"末期\" >= %1 then r.\"来源\" end from "
                                                    "\"开奖来源批次\" r where r.\"彩票\" = ? and r.\"首期\" <= %1 "
                                                    "order by r.\"首期\" desc limit 1)")
                                                    .arg(period)
                                              : none;
    return QStringLiteral("coalesce(%1, %2)").arg(own, ofRun);
}

void DrawDatabase::markDisagreeing(const QString& lotteryName, const QString& periodId, const QString& otherSource,
                                   const QString& otherDigits)
{
    markChecked(lotteryName, otherSource, {{periodId, otherDigits, {}}});
}

void DrawDatabase::markChecked(const QString& lotteryName, const QString& otherSource,
                               const std::vector<CheckMark>& marks)
{
    if (marks.empty())
        return;
    requireSourceTables();
    const QString checkedAt = beijingNow();
    QStringList digits;
    for (int k = 1; k <= digitCountOf(lotteryName); ++k)
        digits << QStringLiteral("d.") + quoteIdentifier(QString::number(k));
    // A draw stored in a run gains a record of its own here, under the run's source and time, one
    // stored before sources were kept as "未知"; one that has a record keeps its source and time.
    // The runs are few: read once and met in period order, each with the marks that fall in it.
    std::vector<const CheckMark*> sorted;
    sorted.reserve(marks.size());
    for (const CheckMark& mark : marks)
        sorted.push_back(&mark);
    std::sort(sorted.begin(), sorted.end(),
              [](const CheckMark* a, const CheckMark* b) { return a->periodId < b->periodId; });
    const std::vector<Run> runs = runsOver(lotteryName, sorted.front()->periodId, sorted.back()->periodId);
    const Run unknown{{}, {}, kUnknownSource, {}};
    std::vector<std::pair<const Run*, std::vector<const CheckMark*>>> byRun;
    auto run = runs.cbegin();
    for (const CheckMark* mark : sorted) {
        while (run != runs.cend() && run->last < mark->periodId)
            ++run;
        const Run* holder = run != runs.cend() && run->first <= mark->periodId ? &*run : &unknown;
        if (byRun.empty() || byRun.back().first != holder)
            byRun.push_back({holder, {}});
        byRun.back().second.push_back(mark);
    }
    // A mark that names the digits it was made for passes over a draw that no longer has them.
    // Three placeholders a row keep a statement under SQLite's 999.
    constexpr std::size_t kRowsPerStatement = kSourceRowsPerStatement / 3;
    QSqlQuery query(m_db);
    std::size_t prepared = 0;
    for (const auto& [holder, held] : byRun) {
        for (std::size_t from = 0; from < held.size(); from += kRowsPerStatement) {
            const std::size_t rows = std::min(kRowsPerStatement, held.size() - from);
            const QString sql =
                QStringLiteral(
                    "insert into \"开奖来源\" (\"彩票\", \"记录期号\", \"来源\", \"存入时间\", \"核对来源\", "
                    "\"核对时间\", \"核对不符\") select ?, v.column1, ?, coalesce(?, ''), ?, ?, v.column2 from (values "
                    "%1) v "
                    "where v.column3 is null or exists (select 1 from %2 d where d.\"记录期号\" = v.column1 and "
                    "%3 = v.column3) "
                    "on conflict (\"彩票\", \"记录期号\") do update set "
                    "\"核对来源\" = excluded.\"核对来源\", \"核对时间\" = excluded.\"核对时间\", "
                    "\"核对不符\" = excluded.\"核对不符\"")
                    .arg(QStringList(qsizetype(rows), QStringLiteral("(?, ?, ?)")).join(u','),
                         quoteIdentifier(lotteryTableName(lotteryName)), digits.join(QStringLiteral(" || ")));
            if (rows != prepared && !query.prepare(sql))
                throw DatabaseError(refusalText(query.lastError(), lotteryName));
            prepared = rows;
            query.bindValue(0, lotteryName);
            query.bindValue(1, holder->source);
            query.bindValue(2, holder->storedAt);
            query.bindValue(3, otherSource);
            query.bindValue(4, checkedAt);
            for (std::size_t r = 0; r < rows; ++r) {
                const CheckMark& mark = *held[from + r];
                query.bindValue(5 + 3 * int(r), mark.periodId);
                query.bindValue(6 + 3 * int(r), mark.otherDigits);
                query.bindValue(7 + 3 * int(r), mark.storedDigits.isEmpty() ? QVariant() : QVariant(mark.storedDigits));
            }
            if (!query.exec())
                throw DatabaseError(
                    refusalText(query.lastError(), lotteryName, rows == 1 ? held[from]->periodId : QString()));
        }
    }
}

std::vector<DrawDatabase::Run> DrawDatabase::runsOver(const QString& lotteryName, const QString& first,
                                                      const QString& last)
{
    std::vector<Run> runs;
    if (!hasTable(kRunTable))
        return runs;
    QSqlQuery query =
        execute(QStringLiteral("select \"首期\", \"末期\", \"来源\", \"存入时间\" from \"开奖来源批次\" "
                               "where \"彩票\" = ? and \"首期\" <= ? and \"末期\" >= ? order by \"首期\""),
                {lotteryName, last, first}, lotteryName);
    while (query.next())
        runs.push_back({query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                        query.value(3).toString()});
    return runs;
}

QString DrawDatabase::changeMark()
{
    QSqlQuery query(m_db);
    QStringList mark;
    for (const QString& sql : {QStringLiteral("PRAGMA data_version"), QStringLiteral("select total_changes()")}) {
        if (!query.exec(sql) || !query.next())
            throw DatabaseError(refusalText(query.lastError()));
        mark << query.value(0).toString();
    }
    return mark.join(u':');
}

bool DrawDatabase::execCheckedInsert(QSqlQuery& insert, const QString& lotteryName)
{
    const LotteryInfo* lottery = findLottery(lotteryName);
    QSqlQuery schema(m_db);
    schema.prepare(QStringLiteral("select sql from sqlite_master where type = 'table' and name = ?"));
    schema.addBindValue(lotteryTableName(lotteryName));
    // SQLite keeps the statement that made the table without its IF NOT EXISTS.
    const bool ownRules =
        lottery && schema.exec() && schema.next() &&
        schema.value(0).toString() == createTableSql(*lottery).replace(QStringLiteral("CREATE TABLE IF NOT EXISTS "),
                                                                       QStringLiteral("CREATE TABLE "));
    schema.finish();
    if (!ownRules)
        return insert.exec();
    QSqlQuery pragma(m_db);
    if (!pragma.exec(QStringLiteral("PRAGMA ignore_check_constraints = ON")))
        return insert.exec();
    const auto checkAgain = qScopeGuard([&] { pragma.exec(QStringLiteral("PRAGMA ignore_check_constraints = OFF")); });
    return insert.exec();
}

int DrawDatabase::trimToNewest(const QString& lotteryName, int keep, bool waitForLock)
{
    requirePeriodColumn(lotteryName);
    struct LockWait {
        DrawDatabase& db;
        bool changed;
        ~LockWait()
        {
            if (changed)
                QSqlQuery(db.m_db).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(kLockWaitMs));
        }
    } lockWait{*this, !waitForLock};
    if (!waitForLock)
        exec(QStringLiteral("PRAGMA busy_timeout = 0"));

    // Period ids are unique, so everything below the keep-th newest id is exactly the surplus;
    // with fewer rows the subquery is NULL and nothing goes.
    const QString table = quoteIdentifier(lotteryTableName(lotteryName));
    QSqlQuery query(m_db);
    if (!query.prepare(QStringLiteral("delete from %1 where \"记录期号\" < "
                                      "(select \"记录期号\" from %1 order by \"记录期号\" desc limit 1 offset ?)")
                           .arg(table)))
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    query.addBindValue(keep - 1);
    if (!query.exec())
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    const int deleted = query.numRowsAffected();
    if (deleted > 0)
        forgetDeletedSources(lotteryName);
    return deleted;
}

DrawDatabase::Transaction::Transaction(DrawDatabase& db) : m_db(db)
{
    if (!m_db.m_db.transaction())
        throw DatabaseError(refusalText(m_db.m_db.lastError()));
    m_db.m_inTransaction = true;
}

DrawDatabase::Transaction::~Transaction()
{
    if (m_open) {
        m_db.m_pending.clear();
        m_db.m_inTransaction = false;
        m_db.m_db.rollback();
    }
}

void DrawDatabase::Transaction::commit()
{
    // The draws' records go in with them, or neither does.
    m_db.recordPendingSources();
    if (!m_db.m_db.commit())
        throw DatabaseError(refusalText(m_db.m_db.lastError()));
    m_db.m_inTransaction = false;
    m_open = false;
}

QSqlQuery DrawDatabase::execute(const QString& sql, const QVariantList& values, const QString& lotteryName)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    return query;
}

void DrawDatabase::exec(QSqlQuery& query)
{
    if (!query.exec())
        throw DatabaseError(refusalText(query.lastError()));
}

void DrawDatabase::exec(const QString& sql)
{
    QSqlQuery query(m_db);
    if (!query.exec(sql))
        throw DatabaseError(refusalText(query.lastError()));
}

QString importSourceName(const QString& filePath)
{
    return QStringLiteral("导入：") + QFileInfo(filePath).fileName();
}

QString periodNotStoredText(const QString& periodId, const QString& reason)
{
    return QStringLiteral("第%1期未能存入：%2").arg(periodId, reason);
}
