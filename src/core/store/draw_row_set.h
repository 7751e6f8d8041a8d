#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

class DrawDatabase;

// The rows of one lottery table as the data window shows and edits them: ordered by 记录期号,
// one current row, and at most one row being edited or inserted at a time. A pending row
// reaches the database only when it is posted; a refusal leaves it pending, with nothing else
// lost. Plain model, no widgets: the window's grid and navigator sit on top of it.
class DrawRowSet : public QAbstractTableModel {
    Q_OBJECT

public:
    enum class State { Closed, Browse, Edit, Insert };

    explicit DrawRowSet(QObject* parent = nullptr);

    // Shows the lottery's table; a row still pending is dropped. The newest row becomes current.
    // `today` gives the day the window counts as today, asked at each post so that a window left
    // open past midnight counts the new day: a period dated more than a day after it cannot have
    // been drawn yet and is not stored.
    void open(DrawDatabase& db, const QString& lotteryName, std::function<QDate()> today);
    void close();

    bool isOpen() const { return m_state != State::Closed; }
    QString lotteryName() const { return m_lotteryName; }
    State state() const { return m_state; }
    bool isPending() const { return m_state == State::Edit || m_state == State::Insert; }
    bool isModified() const { return m_modified; }
    int current() const { return m_current; }
    QStringList columnNames() const { return m_columns; }

    // Whether the grid may change values (the window's adding mode).
    void setEditable(bool editable);

    // Leaving a pending row posts it when something was typed into it and drops it otherwise;
    // a refused post raises and the current row stays where it was.
    void moveTo(int row);
    void leavePendingRow();

    void edit();    // the current row into editing; on an empty table a new row instead
    void insert();  // a new row before the current one
    void append();  // ends a pending row as finishPending() does, then a new row at the end
    void post();    // stores the pending row, changed or not
    // Ends the pending row as 完成添加 does: a new row nobody typed into is dropped, any
    // other pending row is posted.
    void finishPending();
    void cancel();
    void deleteCurrent();
    void refresh();

    void setValue(int column, const QVariant& value);

    // The export file: a line per draw, each ending in CR LF: the period id, a blank, the digit
    // columns "1".."n" run together in decimal. All the digit columns: leaving out the table's
    // last column, as the export once did, would drop the last digit of every draw. Re-reads the
    // table in period order first. With `withSources`, each line ends in a blank and the draw's
    // source as 开奖来源 records it ("未知" where it has none): the last column, asked for.
    QByteArray exportFileBytes(bool withSources = false);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void currentRowChanged(int row);
    void stateChanged();

private:
    struct Row {
        Row() = default;
        Row(qint64 id, QVector<QVariant> cells) : rowid(id), values(std::move(cells)) {}
        qint64 rowid = -1;  // -1 while an inserted row is not stored yet
        QVector<QVariant> values;
        QVariant storedPeriod;  // 记录期号 as stored: the row's address in a table without rowids
    };

    void load();
    void setCurrent(int row);
    void setState(State state);
    void beginPending(State state, int row);
    void insertBlankRow(int row);  // shown at `row`, pending insertion, and made current
    void removeCurrentRow();       // from the rows shown, not from the table
    Row readRow(const QVariant& key);
    QString table() const;
    // Rows are addressed by rowid, or by 记录期号 in a table made WITHOUT ROWID whose primary
    // key it is; any other such table can be looked at but not changed.
    void findRowAddress();
    QString keyCondition() const;
    QVariant keyOf(const Row& row) const;
    void requireChangeable() const;

    QSqlDatabase m_db;
    DrawDatabase* m_store = nullptr;
    QString m_lotteryName;
    std::function<QDate()> m_today;
    QStringList m_columns;
    std::vector<Row> m_rows;
    State m_state = State::Closed;
    int m_current = -1;
    bool m_modified = false;
    bool m_editable = false;
    bool m_keyedByPeriod = false;
    QString m_unchangeable;  // why the table cannot be changed here; empty when it can
    Row m_saved;             // the pending row as stored, to go back to on cancel
};
