#pragma once

#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <vector>

// "<data folder>数据库/彩票数据.mdb" (program_paths.h): an SQLite file under the name users know.
QString drawDatabasePath(const QString& dataDir);

// A name made safe to stand in SQL as an identifier: "…" with inner quotes doubled.
QString quoteIdentifier(const QString& name);

// `text` as a JSON string, quotes included, appended to `json`: many rows go to SQLite as one bound
// JSON text that a statement reads through json_each, in place of a bound value per field, which
// costs Qt Sql far more than SQLite the row.
void appendJsonString(QString& json, QStringView text);

// What a writer says of a draw the table refused, with the refusal's reason.
QString periodNotStoredText(const QString& periodId, const QString& reason);

// The side table that says where each stored draw came from, and its column of a second
// source's other digits.
inline const QString kSourceTable = QStringLiteral("开奖来源");
inline const QString kDisagreementColumn = QStringLiteral("核对不符");
// Beside it, the runs of periods stored together (first and last period, source, time): a period
// without a row of its own in 开奖来源 came from the run that holds it.
inline const QString kRunTable = QStringLiteral("开奖来源批次");
// The source of draws stored before the side table existed.
inline const QString kUnknownSource = QStringLiteral("未知");

// The source of draws typed or corrected in the data window.
inline const QString kTypedSource = QStringLiteral("手工录入");

// The source of draws imported from a file: "导入：<file name>".
QString importSourceName(const QString& filePath);
// The source of draws read from a lottery's own draw address in 数据源.
inline const QString kOwnAddressSource = QStringLiteral("开奖地址");
// The source of draws read from the site's day pages (开奖列表) and of its latest-draws feed.
inline const QString kDayPagesSource = QStringLiteral("网站开奖列表");
inline const QString kFeedSource = QStringLiteral("网站最新开奖数据");

// One connection of its own to the draw database, removed again when this object goes.
// Every failure raises DatabaseError with the database's refusal in the user's words (database_refusal.h).
class DrawDatabase {
public:
    explicit DrawDatabase(const QString& dataDir);
    ~DrawDatabase();
    DrawDatabase(const DrawDatabase&) = delete;
    DrawDatabase& operator=(const DrawDatabase&) = delete;

    // Creates the folder, the file and every catalogue table that is missing; rows already
    // stored are never touched.
    static void create(const QString& dataDir);

    QSqlDatabase& connection() { return m_db; }

    QStringList tableNames() const;

    // "select * from <lottery>彩票号码表 order by 记录期号", ready to be walked forward; with
    // `newest` set, only that many of the newest draws, still oldest first.
    QSqlQuery selectDraws(const QString& lotteryName, int newest = -1);

    // How many draws the lottery's table holds: a read, which a read-only or locked file allows.
    int drawCount(const QString& lotteryName);

    // A table made by hand may lack the period column, and SQLite would then read "记录期号" as a
    // plain string: raises DatabaseError naming the table. A table that does not exist is left
    // to the query's own "no such table".
    void requirePeriodColumn(const QString& lotteryName);
    // The same for 记录期号 and the digit columns "1".."digitCount", for a statement that names them.
    void requireDrawColumns(const QString& lotteryName, int digitCount);

    // The newest stored period id as text, or "0" when the table is empty: where a writer
    // continues from.
    QString newestPeriodId(const QString& lotteryName);

    // Every stored period id of the lottery, for writers that must not store one twice.
    QSet<QString> storedPeriodIds(const QString& lotteryName);

    // Where the draws written through this connection come from ("中国福利彩票", "导入：a.txt",
    // "手工录入"…): every writer records it beside each draw it stores, in the same transaction,
    // in the side table 开奖来源, which leaves the lottery tables as other tools know them.
    const QString& source() const { return m_source; }
    // Names the source for as long as it lives, then gives the previous one back.
    class SourceScope {
    public:
        SourceScope(DrawDatabase& db, const QString& source);
        ~SourceScope();
        SourceScope(const SourceScope&) = delete;
        SourceScope& operator=(const SourceScope&) = delete;

    private:
        DrawDatabase& m_db;
        QString m_previous;
    };

    // Records the current source and the time for the periods just stored (or corrected), replacing
    // what was recorded of them: the record is keyed by lottery and period, so two writers of one
    // file never leave a draw without one. Every period named must be stored: periods with no
    // other stored period among them are recorded as one run in 开奖来源批次, any others a row
    // each in 开奖来源.
    void recordSources(const QString& lotteryName, const QStringList& periodIds);
    // Removes the records of periods the lottery's table no longer holds, and the runs that no
    // longer hold a stored period.
    void forgetDeletedSources(const QString& lotteryName);
    // An SQL expression for the source recorded of the lottery's period `periodColumn` (its row,
    // else its run), NULL where none is: for a statement over the lottery's table, whose period
    // column is named with its table's alias (d."记录期号"), and which binds the lottery's name to
    // the expression's two placeholders.
    QString recordedSourceSql(const QString& periodColumn);

    // Where a stored period came from: kUnknownSource for draws stored before sources were kept.
    // Once a second source has been read for it: which, when, and its digits where they differ.
    struct DrawOrigin {
        QString source;
        QString storedAt;
        QString confirmedBy;
        QString confirmedAt;
        QString otherDigits;  // empty when the second source agreed
        bool confirmed() const { return !confirmedBy.isEmpty() && otherDigits.isEmpty(); }
        bool disagreeing() const { return !confirmedBy.isEmpty() && !otherDigits.isEmpty(); }
    };
    DrawOrigin drawOrigin(const QString& lotteryName, const QString& periodId);

    // Records that `otherSource` lists the stored period with `otherDigits` ("124"): the stored
    // draw stays as it is until the user decides, and 总览 and the data window count and show it.
    void markDisagreeing(const QString& lotteryName, const QString& periodId, const QString& otherSource,
                         const QString& otherDigits);
    // What a second source said of one stored period: its digits where they differ, empty when it
    // agreed (confirmed). With `storedDigits`, the mark is made only while the stored draw still
    // has them: a draw changed since it was compared is not marked by that comparison.
    struct CheckMark {
        QString periodId;
        QString otherDigits;
        QString storedDigits;
    };
    // Records many at once, as markDisagreeing records one, many rows a statement; only the
    // 核对 columns of a record change, so a writer's record of the draw is never lost. Inside the
    // caller's transaction when there is one.
    void markChecked(const QString& lotteryName, const QString& otherSource, const std::vector<CheckMark>& marks);

    // Says where the file stands: it differs once a draw or record has been written since, through
    // this connection or another (SQLite's data_version and this connection's total changes).
    QString changeMark();

    // Whether this connection can only read: the file (or its folder) is read-only to this user,
    // or tests opened it so. Callers that would mark or store then only list.
    bool readOnly() const { return m_readOnly; }

    // Runs `insert`, whose rows the caller has checked against the rules create() gives the
    // lottery's table (a period of the lottery's length in digits, each digit 0 to 9), without
    // SQLite weighing those rules again row by row where the table is exactly as create() makes
    // it; any other table (made by hand, with rules of its own) weighs its rules as always. Keys,
    // NOT NULL and triggers hold either way. Returns what QSqlQuery::exec returns.
    bool execCheckedInsert(QSqlQuery& insert, const QString& lotteryName);

    // Stores one draw whole or not at all, with its source; values are text as the readers hand them over.
    void appendDraw(const QString& lotteryName, const QString& periodId, const QStringList& digits);

    // Deletes the oldest draws beyond the newest `keep`, in one transaction; returns how many went.
    // Without `waitForLock`, a file another program is writing fails at once instead of after the
    // usual wait.
    int trimToNewest(const QString& lotteryName, int keep, bool waitForLock = true);

    // One transaction on the connection: begun when made, undone when it goes without commit()
    // (a refusal thrown on the way, an early return), so that a writer never leaves half its rows.
    class Transaction {
    public:
        explicit Transaction(DrawDatabase& db);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        DrawDatabase& m_db;
        bool m_open = true;
    };

    // Prepares `sql`, binds `values` in their order and runs it, ready to be walked forward; a
    // refusal raises DatabaseError naming the lottery.
    QSqlQuery execute(const QString& sql, const QVariantList& values, const QString& lotteryName);

    // Runs a prepared statement; on failure raises the database's message.
    static void exec(QSqlQuery& query);
    void exec(const QString& sql);

private:
    // The side tables, added here when the file could not take them on open (busy then).
    void requireSourceTables();
    bool hasTable(const QString& name) const;
    // Whether the sorted, distinct periods are all the lottery stores from the first to the last.
    bool storedOnlyThese(const QString& lotteryName, const QStringList& sorted);
    // A run of 开奖来源批次.
    struct Run {
        QString first;
        QString last;
        QString source;
        QString storedAt;
    };
    // The lottery's runs that hold a period from `first` to `last`, in period order.
    std::vector<Run> runsOver(const QString& lotteryName, const QString& first, const QString& last);
    // Records the periods from `first` to `last` as one run of the current source.
    void recordRun(const QString& lotteryName, const QString& first, const QString& last, const QString& storedAt);
    // Writes the records appendDraw kept back for the transaction, many rows a statement.
    void recordPendingSources();

    // Draws appended inside a Transaction, recorded together when it commits.
    struct PendingRecord {
        QString lotteryName;
        QString source;
        QString periodId;
    };
    std::vector<PendingRecord> m_pending;
    bool m_inTransaction = false;

    QString m_name;
    QSqlDatabase m_db;
    QString m_source;
    bool m_readOnly = false;
};

// What tests and benchmarks change of every connection opened from then on; nothing else does.
namespace draw_database_testing {
// Opens the file read-only, as SQLite opens one the user may not write: root may write any file,
// so the tests that run as root cannot make one by its permissions.
void openReadOnly(bool readOnly);
// Leaves the side table 开奖来源 alone, so that a benchmark weighs what keeping it costs.
void recordSources(bool record);
}  // namespace draw_database_testing
