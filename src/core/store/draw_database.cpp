#include "core/store/draw_database.h"

#include "core/base/lottery_table.h"
#include "core/base/program_paths.h"
#include "core/base/user_error.h"
#include "core/base/whole_file.h"
#include "core/store/database_refusal.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QTimeZone>
#include <algorithm>
#include <atomic>

namespace {

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

// One row per stored period of every lottery; 核对来源/核对时间 stay empty until a second source agrees.
const QString kCreateSourceTableSql = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS \"开奖来源\" (\n"
    "  \"彩票\" TEXT NOT NULL,\n"
    "  \"记录期号\" TEXT NOT NULL,\n"
    "  \"来源\" TEXT NOT NULL,\n"
    "  \"存入时间\" TEXT NOT NULL,\n"
    "  \"核对来源\" TEXT,\n"
    "  \"核对时间\" TEXT,\n"
    "  PRIMARY KEY (\"彩票\", \"记录期号\")\n"
    ")");

// Many rows per statement, as the import writes its draws; placeholders stay under SQLite's 999.
constexpr int kSourceRowsPerStatement = 200;

// Why SQLite could not open or read the file, in the user's words, from what the file system
// says of the folder and the file; empty when nothing there explains it.
QString openProblem(const QString& path)
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
    return {};
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
        const QString problem = openProblem(path);
        fail(QStringLiteral("无法打开数据库 %1：%2")
                 .arg(QDir::toNativeSeparators(path), problem.isEmpty() ? reason : problem));
    };
    m_db.setDatabaseName(path);
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
    if (!m_db.tables(QSql::Tables).contains(kSourceTable))
        query.exec(kCreateSourceTableSql);
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
    recordSources(lotteryName, {periodId});
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
    const QString storedAt = QDateTime::currentDateTimeUtc()
                                 .toTimeZone(QTimeZone("Asia/Shanghai"))
                                 .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QSqlQuery batch(m_db);
    QSqlQuery single(m_db);
    const auto prepare = [&](QSqlQuery& query, int rows) {
        const QString row = QStringLiteral("(?,?,?,?,NULL,NULL)");
        const QString sql =
            QStringLiteral("insert or replace into \"开奖来源\" values %1").arg(QStringList(rows, row).join(u','));
        // A file that could not gain the side table on open (busy then), or lost it to another tool,
        // gains it with its first write: a stored draw is never reported as refused for its record.
        if (!query.prepare(sql) && !(QSqlQuery(m_db).exec(kCreateSourceTableSql) && query.prepare(sql)))
            throw DatabaseError(refusalText(query.lastError(), lotteryName));
    };
    const auto bind = [&](QSqlQuery& query, int row, const QString& periodId) {
        query.bindValue(row * 4, lotteryName);
        query.bindValue(row * 4 + 1, periodId);
        query.bindValue(row * 4 + 2, m_source);
        query.bindValue(row * 4 + 3, storedAt);
    };
    qsizetype next = 0;
    if (periodIds.size() >= kSourceRowsPerStatement) {
        prepare(batch, kSourceRowsPerStatement);
        for (; next + kSourceRowsPerStatement <= periodIds.size(); next += kSourceRowsPerStatement) {
            for (int r = 0; r < kSourceRowsPerStatement; ++r)
                bind(batch, r, periodIds[next + r]);
            if (!batch.exec())
                throw DatabaseError(refusalText(batch.lastError(), lotteryName));
        }
    }
    if (next < periodIds.size())
        prepare(single, 1);
    for (; next < periodIds.size(); ++next) {
        bind(single, 0, periodIds[next]);
        if (!single.exec())
            throw DatabaseError(refusalText(single.lastError(), lotteryName, periodIds[next]));
    }
}

void DrawDatabase::forgetDeletedSources(const QString& lotteryName)
{
    QSqlQuery query(m_db);
    if (!query.prepare(QStringLiteral("delete from \"开奖来源\" where \"彩票\" = ? and \"记录期号\" not in "
                                      "(select \"记录期号\" from %1)")
                           .arg(quoteIdentifier(lotteryTableName(lotteryName)))))
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    query.addBindValue(lotteryName);
    if (!query.exec())
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
}

DrawDatabase::DrawOrigin DrawDatabase::drawOrigin(const QString& lotteryName, const QString& periodId)
{
    // A file the side table could not be added to (read-only) reads every draw as "未知".
    QSqlQuery query(m_db);
    if (query.prepare(QStringLiteral("select \"来源\", \"存入时间\", \"核对来源\", \"核对时间\" from \"开奖来源\" "
                                     "where \"彩票\" = ? and \"记录期号\" = ?"))) {
        query.addBindValue(lotteryName);
        query.addBindValue(periodId);
        if (query.exec() && query.next())
            return {query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                    query.value(3).toString()};
    }
    return {kUnknownSource, {}, {}, {}};
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

DrawDatabase::Transaction::Transaction(DrawDatabase& db) : m_db(db.m_db)
{
    if (!m_db.transaction())
        throw DatabaseError(refusalText(m_db.lastError()));
}

DrawDatabase::Transaction::~Transaction()
{
    if (m_open)
        m_db.rollback();
}

void DrawDatabase::Transaction::commit()
{
    if (!m_db.commit())
        throw DatabaseError(refusalText(m_db.lastError()));
    m_open = false;
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
