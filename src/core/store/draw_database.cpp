#include "core/store/draw_database.h"

#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/store/database_refusal.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
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
    columns << QStringLiteral("\"记录期号\" TEXT PRIMARY KEY NOT NULL CONSTRAINT %1 CHECK (length(\"记录期号\") = %2 "
                              "AND \"记录期号\" NOT GLOB '*[^0-9]*')")
                   .arg(quoteIdentifier(QStringLiteral("记录期号须为%1位数字").arg(lottery.periodIdLength)))
                   .arg(lottery.periodIdLength);
    for (int k = 1; k <= lottery.digitCount; ++k) {
        const QString column = quoteIdentifier(QString::number(k));
        // typeof() keeps out 5.5 and '' which BETWEEN alone would let through or mis-sort.
        columns << QStringLiteral("%1 INTEGER NOT NULL CONSTRAINT %2 CHECK (typeof(%1) = 'integer' AND %1 BETWEEN 0 AND 9)")
                       .arg(column, quoteIdentifier(QStringLiteral("第%1位须为0到9的数字").arg(k)));
    }
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (\n  %2\n)")
        .arg(quoteIdentifier(lotteryTableName(lottery.name)), columns.join(QStringLiteral(",\n  ")));
}

}  // namespace

QString drawDatabasePath(const QString& programDir)
{
    return programDir + QStringLiteral("数据库/彩票数据.mdb");
}

QString quoteIdentifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

DrawDatabase::DrawDatabase(const QString& programDir) : m_name(nextConnectionName())
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
    m_db.setDatabaseName(drawDatabasePath(programDir));
    if (!m_db.open())
        fail(QStringLiteral("无法打开数据库 %1：%2").arg(drawDatabasePath(programDir), refusalText(m_db.lastError())));
    // Several windows hold connections at once; let a writer wait briefly instead of failing.
    QSqlQuery pragma(m_db);
    if (!pragma.exec(QStringLiteral("PRAGMA busy_timeout = 5000"))) {
        const QString message = refusalText(pragma.lastError());
        pragma = QSqlQuery();
        fail(message);
    }
}

DrawDatabase::~DrawDatabase()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

void DrawDatabase::create(const QString& programDir)
{
    const QString path = drawDatabasePath(programDir);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw DatabaseError(QStringLiteral("无法创建数据库文件夹 %1").arg(QFileInfo(path).absolutePath()));
    DrawDatabase db(programDir);
    db.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    db.beginTransaction();
    try {
        for (const LotteryInfo& lottery : LotteryCatalogue())
            db.exec(createTableSql(lottery));
        db.commit();
    } catch (...) {
        db.rollback();
        throw;
    }
}

QStringList DrawDatabase::tableNames() const
{
    return m_db.tables(QSql::Tables);
}

QSqlQuery DrawDatabase::selectDraws(const QString& lotteryName)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select * from %1 order by \"记录期号\"").arg(quoteIdentifier(lotteryTableName(lotteryName)))))
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    return query;
}

QString DrawDatabase::newestPeriodId(const QString& lotteryName)
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("select max(\"记录期号\") from %1").arg(quoteIdentifier(lotteryTableName(lotteryName)))))
        throw DatabaseError(refusalText(query.lastError(), lotteryName));
    const QVariant newest = query.next() ? query.value(0) : QVariant();
    return newest.isNull() ? QStringLiteral("0") : newest.toString();
}

QSet<QString> DrawDatabase::storedPeriodIds(const QString& lotteryName)
{
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
}

int DrawDatabase::trimToNewest(const QString& lotteryName, int keep)
{
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
    return query.numRowsAffected();
}

void DrawDatabase::beginTransaction()
{
    if (!m_db.transaction())
        throw DatabaseError(refusalText(m_db.lastError()));
}

void DrawDatabase::commit()
{
    if (!m_db.commit())
        throw DatabaseError(refusalText(m_db.lastError()));
}

void DrawDatabase::rollback()
{
    m_db.rollback();
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
