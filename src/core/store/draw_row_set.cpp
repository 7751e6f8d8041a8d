#include "core/store/draw_row_set.h"

#include "core/base/lottery_table.h"
#include "core/base/period_date.h"
#include "core/base/user_error.h"
#include "core/store/database_refusal.h"
#include "core/store/draw_database.h"
#include "core/store/draw_origins.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// A refusal names the lottery shown and, where a row is stored, its period.
void run(QSqlQuery& query, const QString& lotteryName, const QString& periodId = {})
{
    if (!query.exec())
        throw DatabaseError(refusalText(query.lastError(), lotteryName, periodId));
}

// A cell nobody typed into goes to the database as an empty text, so that a refusal names the
// column's own rule ("第1位须为0到9的数字") rather than a bare NOT NULL.
QVariant stored(const QVariant& value)
{
    return value.isNull() || value.toString().isNull() ? QVariant(QStringLiteral("")) : value;
}

// Cell by cell as the table would store them: a digit typed again as text is the number stored.
bool sameAsStored(const QVector<QVariant>& typed, const QVector<QVariant>& saved)
{
    if (typed.size() != saved.size())
        return false;
    for (qsizetype i = 0; i < typed.size(); ++i) {
        if (stored(typed[i]).toString() != stored(saved[i]).toString())
            return false;
    }
    return true;
}

}  // namespace

DrawRowSet::DrawRowSet(QObject* parent) : QAbstractTableModel(parent) {}

QString DrawRowSet::table() const
{
    return quoteIdentifier(lotteryTableName(m_lotteryName));
}

void DrawRowSet::open(DrawDatabase& db, const QString& lotteryName, std::function<QDate()> today)
{
    // The previous table's pending row goes, stored or not: choosing another lottery drops it.
    const QSqlDatabase connection = db.connection();
    const QString previousLottery = m_lotteryName;
    const QSqlDatabase previousDb = m_db;
    const bool previousKeyedByPeriod = m_keyedByPeriod;
    const QString previousUnchangeable = m_unchangeable;
    m_db = connection;
    DrawDatabase* const previousStore = m_store;
    m_store = &db;
    m_lotteryName = lotteryName;
    try {
        db.requirePeriodColumn(lotteryName);
        findRowAddress();
        load();
    } catch (...) {
        // The table on screen stays as it was, addressing included.
        m_db = previousDb;
        m_store = previousStore;
        m_lotteryName = previousLottery;
        m_keyedByPeriod = previousKeyedByPeriod;
        m_unchangeable = previousUnchangeable;
        throw;
    }
    m_today = std::move(today);
    m_modified = false;
    setState(State::Browse);
    setCurrent(int(m_rows.size()) - 1);
}

void DrawRowSet::close()
{
    beginResetModel();
    m_rows.clear();
    m_columns.clear();
    m_current = -1;
    m_modified = false;
    m_state = State::Closed;
    endResetModel();
    m_db = QSqlDatabase();  // the connection belongs to the window, which removes it
    m_store = nullptr;
    emit stateChanged();
}

void DrawRowSet::findRowAddress()
{
    m_keyedByPeriod = false;
    m_unchangeable.clear();
    QSqlQuery probe(m_db);
    if (probe.prepare(QStringLiteral("select rowid from %1 limit 0").arg(table())))
        return;
    // No rowid: a table made WITHOUT ROWID, addressed by its primary key.
    QStringList primaryKey;
    QSqlQuery info(m_db);
    if (!info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table())))
        throw DatabaseError(refusalText(info.lastError(), m_lotteryName));
    while (info.next()) {
        if (info.value(5).toInt() > 0)
            primaryKey << info.value(1).toString();
    }
    if (primaryKey == QStringList{QStringLiteral("记录期号")})
        m_keyedByPeriod = true;
    else
        m_unchangeable = QStringLiteral(
                             "表“%1”建成了没有行号（WITHOUT ROWID）的表，且主键不只是“记录期号”，"
                             "在这里只能查看，不能修改。")
                             .arg(lotteryTableName(m_lotteryName));
}

QString DrawRowSet::keyCondition() const
{
    return m_keyedByPeriod ? QStringLiteral("\"记录期号\" = ?") : QStringLiteral("rowid = ?");
}

QVariant DrawRowSet::keyOf(const Row& row) const
{
    return m_keyedByPeriod ? row.storedPeriod : QVariant(row.rowid);
}

void DrawRowSet::requireChangeable() const
{
    if (!m_unchangeable.isEmpty())
        throw UserError(m_unchangeable);
}

void DrawRowSet::load()
{
    // With rowids, the first column read is the rowid; without, the columns start at once.
    const int first = m_keyedByPeriod || !m_unchangeable.isEmpty() ? 0 : 1;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select %1* from %2 order by \"记录期号\"")
                        .arg(first ? QStringLiteral("rowid, ") : QString(), table())))
        throw DatabaseError(refusalText(query.lastError(), m_lotteryName));
    QStringList columns;
    const QSqlRecord record = query.record();
    for (int i = first; i < record.count(); ++i)
        columns << record.fieldName(i);
    const int periodColumn = int(columns.indexOf(QStringLiteral("记录期号")));
    std::vector<Row> rows;
    while (query.next()) {
        Row row;
        if (first)
            row.rowid = query.value(0).toLongLong();
        for (int i = first; i < record.count(); ++i)
            row.values << query.value(i);
        row.storedPeriod = row.values.value(periodColumn);
        rows.push_back(std::move(row));
    }
    beginResetModel();
    m_columns = columns;
    m_rows = std::move(rows);
    m_current = -1;
    endResetModel();
}

DrawRowSet::Row DrawRowSet::readRow(const QVariant& key)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("select * from %1 where %2").arg(table(), keyCondition()));
    query.addBindValue(key);
    run(query, m_lotteryName);
    Row row;
    if (!m_keyedByPeriod)
        row.rowid = key.toLongLong();
    if (query.next())
        for (int i = 0; i < query.record().count(); ++i)
            row.values << query.value(i);
    row.storedPeriod = row.values.value(int(m_columns.indexOf(QStringLiteral("记录期号"))));
    return row;
}

void DrawRowSet::setEditable(bool editable)
{
    m_editable = editable;
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, int(m_columns.size()) - 1));
}

void DrawRowSet::setCurrent(int row)
{
    m_current = row;
    emit currentRowChanged(row);
}

void DrawRowSet::setState(State state)
{
    m_state = state;
    emit stateChanged();
}

void DrawRowSet::beginPending(State state, int row)
{
    m_saved = m_rows[std::size_t(row)];
    m_modified = false;
    m_current = row;
    setState(state);
}

void DrawRowSet::removeCurrentRow()
{
    const int row = m_current;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
    m_modified = false;
    setState(State::Browse);
    setCurrent(std::min(row, int(m_rows.size()) - 1));
}

void DrawRowSet::leavePendingRow()
{
    if (!isPending())
        return;
    if (m_modified)
        post();
    else if (m_state == State::Insert)
        removeCurrentRow();
    else
        setState(State::Browse);
}

void DrawRowSet::moveTo(int row)
{
    if (!isOpen() || row == m_current || row < 0 || row >= int(m_rows.size()))
        return;
    if (m_state == State::Insert && !m_modified && row > m_current)
        --row;  // the untouched new row above it is about to go
    leavePendingRow();
    setCurrent(row);
}

void DrawRowSet::edit()
{
    if (!isOpen() || isPending())
        return;
    requireChangeable();
    if (m_rows.empty()) {
        append();
        return;
    }
    beginPending(State::Edit, m_current);
}

void DrawRowSet::insert()
{
    if (!isOpen())
        return;
    requireChangeable();
    leavePendingRow();
    insertBlankRow(std::max(m_current, 0));
}

void DrawRowSet::append()
{
    if (!isOpen())
        return;
    requireChangeable();
    finishPending();
    insertBlankRow(int(m_rows.size()));
}

void DrawRowSet::insertBlankRow(int row)
{
    beginInsertRows({}, row, row);
    m_rows.insert(m_rows.begin() + row, Row{-1, QVector<QVariant>(m_columns.size())});
    endInsertRows();
    beginPending(State::Insert, row);
    setCurrent(row);
}

void DrawRowSet::post()
{
    if (!isPending())
        return;
    Row& row = m_rows[std::size_t(m_current)];
    // A row saved as it was stays the draw its source gave: nothing to write, and its record keeps
    // that source rather than becoming typed by hand.
    if (m_state == State::Edit && sameAsStored(row.values, m_saved.values)) {
        row = m_saved;
        emit dataChanged(index(m_current, 0), index(m_current, int(m_columns.size()) - 1));
        m_modified = false;
        setState(State::Browse);
        return;
    }
    const QString periodId = row.values.value(0).toString().trimmed();
    const int periodColumn = int(m_columns.indexOf(QStringLiteral("记录期号")));
    const QString period = stored(row.values.value(periodColumn)).toString();
    // A period that cannot have been drawn yet would shut out every later draw of the lottery.
    if (const LotteryInfo* lottery = findLottery(m_lotteryName)) {
        if (const auto problem = periodDateProblem(period, m_today(), lottery->periodsPerDay))
            throw UserError(*problem + QStringLiteral("，不能存入。"));
    }
    // The draw and the record of where it came from go in together.
    DrawDatabase::Transaction transaction(*m_store);
    const DrawDatabase::SourceScope typed(*m_store, kTypedSource);
    QSqlQuery query(m_db);
    QStringList columns;
    for (const QString& column : m_columns)
        columns << quoteIdentifier(column);
    QVariant key = keyOf(row);
    if (m_state == State::Insert) {
        query.prepare(QStringLiteral("insert into %1 (%2) values (%3)")
                          .arg(table(), columns.join(QLatin1Char(',')),
                               QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(','))));
        for (const QVariant& value : row.values)
            query.addBindValue(stored(value));
        run(query, m_lotteryName, periodId);
        key = m_keyedByPeriod ? QVariant(period) : query.lastInsertId();
    } else {
        QStringList assignments;
        for (const QString& column : columns)
            assignments << column + QStringLiteral(" = ?");
        query.prepare(QStringLiteral("update %1 set %2 where %3")
                          .arg(table(), assignments.join(QLatin1Char(',')), keyCondition()));
        for (const QVariant& value : row.values)
            query.addBindValue(stored(value));
        query.addBindValue(key);
        run(query, m_lotteryName, periodId);
        if (m_keyedByPeriod)
            key = period;
        // A corrected period id leaves no record behind under the old one.
        m_store->forgetDeletedSources(m_lotteryName);
    }
    m_store->recordSources(m_lotteryName, {period});
    transaction.commit();
    // Show the row as stored: a digit typed as text reads back as the number it became.
    row = readRow(key);
    emit dataChanged(index(m_current, 0), index(m_current, int(m_columns.size()) - 1));
    m_modified = false;
    setState(State::Browse);
}

void DrawRowSet::finishPending()
{
    // An empty new row cannot be stored and holds nothing to lose.
    if (m_state == State::Insert && !m_modified)
        removeCurrentRow();
    else
        post();
}

void DrawRowSet::cancel()
{
    if (m_state == State::Insert) {
        removeCurrentRow();
    } else if (m_state == State::Edit) {
        m_rows[std::size_t(m_current)] = m_saved;
        emit dataChanged(index(m_current, 0), index(m_current, int(m_columns.size()) - 1));
        m_modified = false;
        setState(State::Browse);
    }
}

void DrawRowSet::deleteCurrent()
{
    if (!isOpen() || m_current < 0)
        return;
    if (m_state == State::Insert) {
        removeCurrentRow();
        return;
    }
    requireChangeable();
    DrawDatabase::Transaction transaction(*m_store);
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("delete from %1 where %2").arg(table(), keyCondition()));
    query.addBindValue(keyOf(m_rows[std::size_t(m_current)]));
    run(query, m_lotteryName);
    m_store->forgetDeletedSources(m_lotteryName);
    transaction.commit();
    removeCurrentRow();
}

void DrawRowSet::refresh()
{
    if (!isOpen())
        return;
    leavePendingRow();
    const QVariant key = m_current >= 0 ? keyOf(m_rows[std::size_t(m_current)]) : QVariant();
    load();
    int row = int(m_rows.size()) - 1;
    for (int i = 0; i < int(m_rows.size()); ++i)
        if (key.isValid() && keyOf(m_rows[std::size_t(i)]) == key)
            row = i;
    setCurrent(row);
}

void DrawRowSet::setValue(int column, const QVariant& value)
{
    if (!isOpen() || m_current < 0)
        return;
    requireChangeable();
    if (!isPending())
        beginPending(State::Edit, m_current);
    m_rows[std::size_t(m_current)].values[column] = value;
    m_modified = true;
    emit dataChanged(index(m_current, column), index(m_current, column));
}

QByteArray DrawRowSet::exportFileBytes(bool withSources)
{
    leavePendingRow();
    load();
    const QHash<QString, QString> sources =
        withSources && m_store ? recordedSources(*m_store, m_lotteryName) : QHash<QString, QString>();
    QList<int> digitColumns;
    for (int k = 1; m_columns.contains(QString::number(k)); ++k)
        digitColumns << int(m_columns.indexOf(QString::number(k)));
    QByteArray bytes;
    for (const Row& row : m_rows) {
        const QString period = row.values.value(0).toString();
        bytes += period.toUtf8() + ' ';
        for (int column : digitColumns) {
            const QVariant value = row.values.value(column);
            bool ok = false;
            const qlonglong number = value.toLongLong(&ok);
            if (value.isNull() || !ok)
                throw UserError(QStringLiteral("第%1期的“%2”列不是整数（“%3”），无法导出。")
                                    .arg(period, m_columns[column], value.toString()));
            bytes += QByteArray::number(number);
        }
        if (withSources)
            bytes += ' ' + sources.value(period, kUnknownSource).toUtf8();
        bytes += "\r\n";
    }
    // The export walks the rows to the end, and the grid follows it there.
    setCurrent(int(m_rows.size()) - 1);
    return bytes;
}

int DrawRowSet::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int DrawRowSet::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DrawRowSet::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_rows[std::size_t(index.row())].values.value(index.column()).toString();
}

bool DrawRowSet::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !m_editable || !m_unchangeable.isEmpty() ||
        index.row() != m_current)
        return false;
    if (data(index, Qt::EditRole) == value.toString() && !isPending())
        return false;  // an editor closed without a change does not start editing the row
    setValue(index.column(), value.toString().trimmed());
    return true;
}

Qt::ItemFlags DrawRowSet::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (m_editable && m_unchangeable.isEmpty())
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant DrawRowSet::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_columns.size())
        return m_columns[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}
