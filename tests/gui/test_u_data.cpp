#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "core/store/draw_origins.h"
#include "core/store/draw_row_set.h"
#include "gui/db_navigator.h"
#include "gui/dialogs.h"
#include "gui/readable_colours.h"
#include "gui/session.h"
#include "gui/u_data.h"
#include "gui/u_main.h"
#include "support/draw_fixtures.h"
#include "support/file_fixtures.h"
#include "support/find_control.h"
#include "support/modal_answer.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

using fixtures::control;
using fixtures::ProgramFolder;
using fixtures::readFileText;

namespace {

// The window's controls, each found by its name.
struct DataControls : fixtures::WindowControls<Tfrmdata> {
    using WindowControls::WindowControls;

    FIXTURE_CONTROL(QLabel, Label1);
    FIXTURE_CONTROL(QLabel, Label2);
    FIXTURE_CONTROL(QListWidget, lstcaipiao);
    FIXTURE_CONTROL(QTableView, grdcaipiao);
    FIXTURE_CONTROL(DbNavigator, dbv_caipiao);
    FIXTURE_CONTROL(QPushButton, btnadd);
    FIXTURE_CONTROL(QPushButton, btnsave);
    FIXTURE_CONTROL(QPushButton, btnedit);
    FIXTURE_CONTROL(QPushButton, btnext);
};

QStringList listed(const DataControls& w)
{
    QStringList names;
    for (int i = 0; i < w.lstcaipiao->count(); ++i)
        names << w.lstcaipiao->item(i)->text();
    return names;
}

// Each stored draw as "<period id> <digit> <digit> …".
QStringList storedRows(const QString& programDir, const QString& lottery)
{
    QStringList rows;
    for (const fixtures::StoredDraw& draw : fixtures::storedDraws(programDir, lottery))
        rows << (QStringList{draw.periodId} + draw.digits).join(' ');
    return rows;
}

// What the records say of each stored draw of the lottery that has one: period id -> source.
QMap<QString, QString> sourcesByPeriod(const QString& programDir, const QString& lottery)
{
    DrawDatabase db(programDir);
    const QHash<QString, QString> sources = recordedSources(db, lottery);
    QMap<QString, QString> byPeriod;
    for (auto it = sources.cbegin(); it != sources.cend(); ++it)
        byPeriod.insert(it.key(), it.value());
    // A record left of a period the table no longer holds shows too.
    QSqlQuery stray(db.connection());
    stray.prepare(QStringLiteral("select \"记录期号\", \"来源\" from \"开奖来源\" where \"彩票\" = ? and "
                                 "\"记录期号\" not in (select \"记录期号\" from %1)")
                      .arg(quoteIdentifier(lotteryTableName(lottery))));
    stray.addBindValue(lottery);
    if (stray.exec())
        while (stray.next())
            byPeriod.insert(stray.value(0).toString(), stray.value(1).toString());
    return byPeriod;
}

}  // namespace

class TestDataWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsTheLotteryTables();
    void startsBrowsing();
    void addsTwoRowsWithPlus();
    void refusedRowKeepsAddingMode_data();
    void refusedRowKeepsAddingMode();
    void closeRefusedWhileAdding();
    void keyboardGoesToTheNewRow();
    void untouchedNewRowIsDropped_data();
    void untouchedNewRowIsDropped();
    void allColumnsShowAtFirstSize_data();
    void allColumnsShowAtFirstSize();
    void otherLotteryDropsTheUnpostedRow();
    void correctsAndDeletes();
    void typingCorrectingAndDeletingKeepTheRecords_data();
    void typingCorrectingAndDeletingKeepTheRecords();
    void showsWhereTheCurrentDrawCameFrom_data();
    void showsWhereTheCurrentDrawCameFrom();
    void exportWritesTheDraws_data();
    void exportWritesTheDraws();
    void exportOfAnEmptyTable();
    void exportWithoutAChoice();
    void plusLiesOverInsertAfterResize();
    void mainWindowReloadsAfterward();

private:
    DataControls open();
    void choose(const QString& lottery);
    void typeRow(const QStringList& values);

    dialogs::testing::Recorder m_dialogs;  // the user, answering in advance; outlives the windows
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<Tfrmdata> m_window;
};

void TestDataWindow::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_session = std::make_unique<Session>(m_folder->path());
    fixtures::storeDraws(m_folder->path(), "中国福彩3D",
                         {{"2026001", {"1", "2", "3"}}, {"2026002", {"0", "4", "7"}}, {"2026003", {"9", "0", "0"}}});
}

void TestDataWindow::cleanup()
{
    if (m_window && m_window->isAdding())
        QTest::mouseClick(control<QPushButton>(m_window.get(), "btnedit"), Qt::LeftButton);
    m_window.reset();
    m_folder.reset();
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
}

DataControls TestDataWindow::open()
{
    m_window = std::make_unique<Tfrmdata>(*m_session);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("window not exposed");
    return DataControls(*m_window);
}

void TestDataWindow::choose(const QString& lottery)
{
    auto* lstcaipiao = control<QListWidget>(m_window.get(), "lstcaipiao");
    const auto items = lstcaipiao->findItems(lottery, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    const QRect at = lstcaipiao->visualItemRect(items.first());
    QTest::mouseClick(lstcaipiao->viewport(), Qt::LeftButton, {}, at.center());
    QCOMPARE(m_window->rowSet()->lotteryName(), lottery);
}

// Types a row's values into the grid's current row, cell by cell, as a user does: an editor
// opens on the cell, the text goes in, Enter commits it.
void TestDataWindow::typeRow(const QStringList& values)
{
    QTableView* grid = control<QTableView>(m_window.get(), "grdcaipiao");
    const int row = m_window->rowSet()->current();
    for (int c = 0; c < values.size(); ++c) {
        const QModelIndex cell = grid->model()->index(row, c);
        grid->setFocus();
        grid->setCurrentIndex(cell);
        grid->edit(cell);
        QLineEdit* editor = nullptr;
        for (QLineEdit* e : grid->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible())
                editor = e;
        QVERIFY2(editor, "no editor opened");
        editor->selectAll();
        QTest::keyClicks(editor, values[c]);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();  // the delegate commits on the next turn of the loop
    }
}

void TestDataWindow::listsTheLotteryTables()
{
    {
        DrawDatabase db(m_folder->path());
        db.exec("create table \"备忘\" (x)");
        db.exec("create table \"自选彩票号码表\" (\"记录期号\" text, \"1\" integer)");
    }
    const DataControls w = open();
    QStringList names = listed(w);
    QCOMPARE(names.size(), 6);
    names.sort();
    QStringList expected{"中国福彩3D", "中国体彩排列3", "重庆时时彩", "上海时时彩", "江西时时彩", "自选"};
    expected.sort();
    QCOMPARE(names, expected);
}

void TestDataWindow::startsBrowsing()
{
    const DataControls w = open();
    QCOMPARE(w.window.windowTitle(), QStringLiteral("彩票数据"));
    QVERIFY(!w.btnedit->isEnabled());
    QVERIFY(!w.btnadd->isEnabled());
    QVERIFY(!w.dbv_caipiao->isEnabled());
    QVERIFY(w.btnsave->isEnabled() && w.btnext->isEnabled());

    choose("中国福彩3D");
    QCOMPARE(w.grdcaipiao->model()->rowCount(), 3);
    QCOMPARE(w.grdcaipiao->currentIndex().row(), 2);
    QVERIFY(w.btnedit->isEnabled());
    QVERIFY(!(w.grdcaipiao->model()->flags(w.grdcaipiao->model()->index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(w.grdcaipiao->columnWidth(0) >= 70);
}

void TestDataWindow::addsTwoRowsWithPlus()
{
    const DataControls w = open();
    choose("中国福彩3D");
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    QCOMPARE(w.btnedit->text(), QStringLiteral("完成添加"));
    QVERIFY(w.btnadd->isEnabled() && w.dbv_caipiao->isEnabled() && !w.btnext->isEnabled());

    QTest::mouseClick(w.btnadd, Qt::LeftButton);
    QCOMPARE(w.window.rowSet()->current(), 3);
    typeRow({"2026004", "5", "5", "6"});
    // The second "+" stores the first new row before it appends another.
    QTest::mouseClick(w.btnadd, Qt::LeftButton);
    QCOMPARE(storedRows(m_folder->path(), "中国福彩3D").size(), 4);
    QCOMPARE(w.window.rowSet()->current(), 4);
    typeRow({"2026005", "0", "1", "2"});
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    QCOMPARE(w.btnedit->text(), QStringLiteral("开始添加"));
    QVERIFY(w.btnext->isEnabled() && !w.btnadd->isEnabled());
    QCOMPARE(storedRows(m_folder->path(), "中国福彩3D").mid(3), (QStringList{"2026004 5 5 6", "2026005 0 1 2"}));
}

void TestDataWindow::refusedRowKeepsAddingMode_data()
{
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<QString>("reason");
    QTest::newRow("duplicate period") << QStringList{"2026002", "1", "1", "1"} << "第2026002期已存在";
    QTest::newRow("short period") << QStringList{"202604", "1", "1", "1"} << "记录期号须为7位数字（“202604”）";
    QTest::newRow("digit out of range") << QStringList{"2026004", "1", "12", "1"} << "第2位须为0到9的数字";
    QTest::newRow("empty digit") << QStringList{"2026004", "1", "1"} << "第3位须为0到9的数字";
}

void TestDataWindow::refusedRowKeepsAddingMode()
{
    QFETCH(QStringList, row);
    QFETCH(QString, reason);
    const DataControls w = open();
    choose("中国福彩3D");
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    QTest::mouseClick(w.btnadd, Qt::LeftButton);
    typeRow(row);

    for (QPushButton* post : {w.btnadd, w.btnedit}) {
        QTest::mouseClick(post, Qt::LeftButton);
        const QStringList messages = m_dialogs.takeMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(reason), qPrintable(messages[0]));
        QVERIFY(w.window.isAdding());
        QCOMPARE(w.grdcaipiao->model()->rowCount(), 4);
        QCOMPARE(w.window.rowSet()->state(), DrawRowSet::State::Insert);
        QCOMPARE(w.grdcaipiao->model()->index(3, 0).data().toString(), row[0]);
    }
    QCOMPARE(storedRows(m_folder->path(), "中国福彩3D").size(), 3);

    // Corrected, the same row goes in.
    typeRow({"2026004", "1", "2", "3"});
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    QVERIFY(!w.window.isAdding());
    QCOMPARE(storedRows(m_folder->path(), "中国福彩3D").last(), QStringLiteral("2026004 1 2 3"));
}

void TestDataWindow::closeRefusedWhileAdding()
{
    const DataControls w = open();
    choose("中国福彩3D");
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    QVERIFY(!w.window.close());
    QTest::keyClick(&w.window, Qt::Key_Escape);
    QCOMPARE(m_dialogs.takeMessages(),
             (QStringList{"请单击《完成添加》按钮保存添加", "请单击《完成添加》按钮保存添加"}));
    QCOMPARE(m_dialogs.lastMessageKind(), dialogs::MessageKind::Warning);
    QVERIFY(w.window.isVisible());

    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    QTest::mouseClick(w.btnext, Qt::LeftButton);
    QVERIFY(!w.window.isVisible());
}

// Keys go wherever the keyboard focus is, as they would for a user at the keyboard.
static void typeAtFocus(const QString& keys)
{
    for (QChar key : keys) {
        QWidget* focused = QApplication::focusWidget();
        QVERIFY(focused);
        if (key == QLatin1Char('\t'))
            QTest::keyClick(focused, Qt::Key_Tab);
        else
            QTest::keyClicks(focused, QString(key));
        QCoreApplication::processEvents();
    }
}

void TestDataWindow::keyboardGoesToTheNewRow()
{
    const DataControls w = open();
    choose("中国福彩3D");
    // 开始添加 and "+" each leave the keyboard on the first cell of a new row at the end.
    w.btnedit->setFocus();
    QTest::keyClick(w.btnedit, Qt::Key_Space);
    QCOMPARE(w.grdcaipiao->model()->rowCount(), 4);
    QVERIFY(w.grdcaipiao->hasFocus());
    QCOMPARE(w.grdcaipiao->currentIndex(), w.grdcaipiao->model()->index(3, 0));
    typeAtFocus("2026004\t5\t5\t6\t");
    QTest::mouseClick(w.btnadd, Qt::LeftButton);
    QVERIFY(w.grdcaipiao->hasFocus());
    QCOMPARE(w.grdcaipiao->currentIndex(), w.grdcaipiao->model()->index(4, 0));
    typeAtFocus("2026005\t0\t1\t2\t");
    // A Tab past the last cell does not wrap round to the oldest draw: keys typed then stay
    // in the new row.
    QCOMPARE(w.grdcaipiao->currentIndex(), w.grdcaipiao->model()->index(4, 3));
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
    QCOMPARE(storedRows(m_folder->path(), "中国福彩3D").mid(2),
             (QStringList{"2026003 9 0 0", "2026004 5 5 6", "2026005 0 1 2"}));
}

void TestDataWindow::untouchedNewRowIsDropped_data()
{
    QTest::addColumn<QStringList>("typed");  // rows typed in before the last, untouched new row
    QTest::addColumn<bool>("otherLottery");  // the last row left by choosing another lottery
    QTest::newRow("开始添加 then 完成添加") << QStringList() << false;
    QTest::newRow("a typed row, then an empty one") << QStringList{"2026004 1 2 3"} << false;
    QTest::newRow("another lottery chosen") << QStringList() << true;
}

void TestDataWindow::untouchedNewRowIsDropped()
{
    QFETCH(QStringList, typed);
    QFETCH(bool, otherLottery);
    const DataControls w = open();
    choose("中国福彩3D");
    const QStringList before = storedRows(m_folder->path(), "中国福彩3D");
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    for (const QString& row : typed) {
        typeRow(row.split(' '));
        QTest::mouseClick(w.btnadd, Qt::LeftButton);
    }
    QCOMPARE(w.window.rowSet()->state(), DrawRowSet::State::Insert);
    if (otherLottery) {
        choose("上海时时彩");
        choose("中国福彩3D");
    }
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
    QVERIFY(!w.window.isAdding());
    QCOMPARE(w.grdcaipiao->model()->rowCount(), before.size() + typed.size());
    QCOMPARE(storedRows(m_folder->path(), "中国福彩3D"), before + typed);
    // Nothing holds the window open any more.
    QTest::mouseClick(w.btnext, Qt::LeftButton);
    QVERIFY(!w.window.isVisible());
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
}

void TestDataWindow::allColumnsShowAtFirstSize_data()
{
    QTest::addColumn<QString>("lottery");
    QTest::newRow("five digits") << "重庆时时彩";
    QTest::newRow("five digits, 江西") << "江西时时彩";
    QTest::newRow("three digits") << "上海时时彩";
}

void TestDataWindow::allColumnsShowAtFirstSize()
{
    QFETCH(QString, lottery);
    // Enough draws for a vertical scroll bar.
    fixtures::storeDraws(m_folder->path(), lottery, fixtures::syntheticDraws(lottery, 40));
    const DataControls w = open();
    QCOMPARE(w.Label1->pos(), QPoint(16, 8));
    QCOMPARE(w.Label2->pos(), QPoint(184, 8));
    choose(lottery);
    QCoreApplication::processEvents();
    QTableView* grid = w.grdcaipiao;
    const int columns = grid->model()->columnCount();
    QVERIFY(columns >= 4);
    const int right = grid->columnViewportPosition(columns - 1) + grid->columnWidth(columns - 1);
    QVERIFY2(right <= grid->viewport()->width(),
             qPrintable(QStringLiteral("%1 > %2").arg(right).arg(grid->viewport()->width())));
    QVERIFY(!grid->horizontalScrollBar()->isVisible());
    // The whole period id fits its column, and a digit its own.
    const QString period = grid->model()->index(39, 0).data().toString();
    QVERIFY(grid->columnWidth(0) >= grid->fontMetrics().horizontalAdvance(period));
    for (int c = 1; c < columns; ++c)
        QVERIFY(grid->columnWidth(c) >= grid->fontMetrics().horizontalAdvance(QLatin1Char('0')));
}

void TestDataWindow::otherLotteryDropsTheUnpostedRow()
{
    const DataControls w = open();
    choose("中国福彩3D");
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    QTest::mouseClick(w.btnadd, Qt::LeftButton);
    typeRow({"2026004", "1", "2", "3"});
    choose("上海时时彩");
    QVERIFY(w.window.isAdding());
    QCOMPARE(w.grdcaipiao->model()->rowCount(), 0);
    QCOMPARE(storedRows(m_folder->path(), "中国福彩3D").size(), 3);

    // Adding mode stays on for the table now shown.
    QTest::mouseClick(w.btnadd, Qt::LeftButton);
    typeRow({"2026120901", "7", "8", "9"});
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    QCOMPARE(storedRows(m_folder->path(), "上海时时彩"), QStringList{"2026120901 7 8 9"});
}

void TestDataWindow::correctsAndDeletes()
{
    const DataControls w = open();
    choose("中国福彩3D");
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    // Correct the middle draw, move away (which stores it), then delete the first.
    auto nav = [&](const char* name) { QTest::mouseClick(control<QToolButton>(w.dbv_caipiao, name), Qt::LeftButton); };
    // Adding begins on a new row after the newest; leaving it untouched drops it.
    QCOMPARE(w.window.rowSet()->current(), 3);
    nav("nbPrior");
    QCOMPARE(w.window.rowSet()->current(), 2);
    QCOMPARE(w.grdcaipiao->model()->rowCount(), 3);
    nav("nbPrior");
    QCOMPARE(w.window.rowSet()->current(), 1);
    typeRow({"2026002", "0", "4", "8"});
    nav("nbFirst");
    QCOMPARE(w.window.rowSet()->current(), 0);
    nav("nbDelete");
    // Moving over a row without typing stores nothing and drops nothing.
    nav("nbLast");
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    QCOMPARE(storedRows(m_folder->path(), "中国福彩3D"), (QStringList{"2026002 0 4 8", "2026003 9 0 0"}));
}

void TestDataWindow::typingCorrectingAndDeletingKeepTheRecords_data()
{
    // Moves to the row (0 the oldest, 3 the new row adding begins on), types it, then posts it
    // by moving to the last row and pressing 完成添加; an empty row is deleted instead.
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("periods");
    QTest::addColumn<QStringList>("sources");
    const QString unknown = kUnknownSource;
    const QString typed = kTypedSource;
    QTest::newRow("a new draw typed") << 3 << QStringList{"2026004", "5", "5", "6"}
                                      << QStringList{"2026001", "2026002", "2026003", "2026004"}
                                      << QStringList{unknown, unknown, unknown, typed};
    QTest::newRow("digits corrected") << 1 << QStringList{"2026002", "0", "4", "8"}
                                      << QStringList{"2026001", "2026002", "2026003"}
                                      << QStringList{unknown, typed, unknown};
    QTest::newRow("period corrected") << 2 << QStringList{"2026005", "9", "0", "0"}
                                      << QStringList{"2026001", "2026002", "2026005"}
                                      << QStringList{unknown, unknown, typed};
    QTest::newRow("deleted") << 0 << QStringList{} << QStringList{"2026002", "2026003"}
                             << QStringList{unknown, unknown};
}

void TestDataWindow::typingCorrectingAndDeletingKeepTheRecords()
{
    QFETCH(int, row);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, periods);
    QFETCH(QStringList, sources);
    const DataControls w = open();
    choose("中国福彩3D");
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    auto nav = [&](const char* name) { QTest::mouseClick(control<QToolButton>(w.dbv_caipiao, name), Qt::LeftButton); };
    while (w.window.rowSet()->current() > row)
        nav("nbPrior");
    if (typed.isEmpty()) {
        nav("nbDelete");
    } else {
        typeRow(typed);
        if (row < 3)
            nav("nbLast");
    }
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    QMap<QString, QString> expected;
    for (int i = 0; i < periods.size(); ++i)
        expected.insert(periods[i], sources[i]);
    // One record per stored draw, none left of a period the table no longer holds.
    QCOMPARE(sourcesByPeriod(m_folder->path(), "中国福彩3D"), expected);
}

void TestDataWindow::showsWhereTheCurrentDrawCameFrom_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("a file the program may write") << false;
    // Read-only, everything is read and nothing is written, nor needs to be.
    QTest::newRow("a read-only file") << true;
}

void TestDataWindow::showsWhereTheCurrentDrawCameFrom()
{
    QFETCH(bool, readOnly);
    {
        // 2026001 as a second source lists it otherwise, 2026002 downloaded and confirmed,
        // 2026003 from before sources were kept.
        DrawDatabase db(m_folder->path());
        const DrawDatabase::SourceScope named(db, "中国福利彩票");
        db.recordSources("中国福彩3D", {"2026002"});
        db.exec(
            "update \"开奖来源\" set \"核对来源\" = '中彩网', \"核对时间\" = '2026-12-09 21:40:00' "
            "where \"记录期号\" = '2026002'");
        db.markDisagreeing("中国福彩3D", "2026001", "中彩网", "124");
    }
    draw_database_testing::openReadOnly(readOnly);
    const auto writable = qScopeGuard([] { draw_database_testing::openReadOnly(false); });
    const DataControls w = open();
    auto* lblorigin = control<QLabel>(&w.window, "lblorigin");
    QCOMPARE(lblorigin->text(), QString());
    choose("中国福彩3D");
    QCOMPARE(lblorigin->text(), QStringLiteral("来源：未知；未核对"));
    QTest::mouseClick(w.grdcaipiao->viewport(), Qt::LeftButton, {},
                      w.grdcaipiao->visualRect(w.grdcaipiao->model()->index(1, 1)).center());
    QCOMPARE(lblorigin->text(), QStringLiteral("来源：中国福利彩票；已由中彩网核对"));
    const QString detail = lblorigin->toolTip();
    QVERIFY2(detail.startsWith(QStringLiteral("第2026002期来源：中国福利彩票，")) &&
                 detail.endsWith(QStringLiteral("存入；已由中彩网于2026-12-09 21:40:00核对")),
             qPrintable(detail));
    QCOMPARE(lblorigin->accessibleDescription(), detail);
    QTest::mouseClick(w.grdcaipiao->viewport(), Qt::LeftButton, {},
                      w.grdcaipiao->visualRect(w.grdcaipiao->model()->index(0, 1)).center());
    QCOMPARE(lblorigin->text(), QStringLiteral("来源：未知；与中彩网不符（中彩网为124）"));
    QCOMPARE(lblorigin->palette().color(QPalette::WindowText), warningTextColour(w.window.palette()));
    fixtures::keepShot(&w.window, readOnly ? "data-origin-read-only" : "data-origin");
    if (readOnly)
        return;
    // A row being typed is no stored draw yet: it says what it will be recorded as.
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    typeRow({"2026004", "5", "5", "6"});
    QCOMPARE(lblorigin->text(), QStringLiteral("存入后来源记为手工录入"));
    QTest::mouseClick(w.btnedit, Qt::LeftButton);
    QCOMPARE(lblorigin->text(), QStringLiteral("来源：手工录入；未核对"));
    QVERIFY(lblorigin->palette().color(QPalette::WindowText) != warningTextColour(w.window.palette()));
}

void TestDataWindow::exportWritesTheDraws_data()
{
    QTest::addColumn<bool>("withSources");
    QTest::addColumn<QString>("lines");
    QTest::newRow("as other tools read it") << false << "2026001 123\r\n2026002 047\r\n2026003 900\r\n";
    QTest::newRow("导出附来源") << true << "2026001 123 未知\r\n2026002 047 导入：旧.txt\r\n2026003 900 未知\r\n";
}

void TestDataWindow::exportWritesTheDraws()
{
    QFETCH(bool, withSources);
    QFETCH(QString, lines);
    {
        DrawDatabase db(m_folder->path());
        const DrawDatabase::SourceScope named(db, importSourceName("/tmp/旧.txt"));
        db.recordSources("中国福彩3D", {"2026002"});
        db.exec("delete from \"开奖来源\" where \"记录期号\" = '2026003'");
    }
    const DataControls w = open();
    auto* chkexportsource = control<QCheckBox>(&w.window, "chkexportsource");
    QVERIFY(!chkexportsource->isChecked());
    if (withSources)
        QTest::mouseClick(chkexportsource, Qt::LeftButton);
    choose("中国福彩3D");
    QTemporaryDir dir;
    m_dialogs.setNextSaveFileName(dir.filePath("3d"));
    QTest::mouseClick(w.btnsave, Qt::LeftButton);
    QCOMPARE(m_dialogs.takeMessages(), QStringList{"成功保存！"});
    QCOMPARE(m_dialogs.lastSaveDirectory(), m_folder->path() + "附属/中国福彩3D历史号码.txt");
    QCOMPARE(readFileText(dir.filePath("3d.txt")), lines);
    QCOMPARE(w.grdcaipiao->currentIndex().row(), 2);
}

void TestDataWindow::exportOfAnEmptyTable()
{
    const DataControls w = open();
    choose("江西时时彩");
    QTemporaryDir dir;
    m_dialogs.setNextSaveFileName(dir.filePath("jx.txt"));
    QTest::mouseClick(w.btnsave, Qt::LeftButton);
    QCOMPARE(m_dialogs.takeMessages(), QStringList{"成功保存！"});
    QCOMPARE(readFileText(dir.filePath("jx.txt")), QString());
}

void TestDataWindow::exportWithoutAChoice()
{
    const DataControls w = open();
    const int dialogs = m_dialogs.saveDialogCount();
    QTest::mouseClick(w.btnsave, Qt::LeftButton);
    QCOMPARE(m_dialogs.takeMessages(), QStringList{"请选择要导出的彩票！"});
    QCOMPARE(m_dialogs.saveDialogCount(), dialogs);
}

void TestDataWindow::plusLiesOverInsertAfterResize()
{
    const DataControls w = open();
    for (const QSize size : {QSize(543, 438), QSize(800, 600), QSize(600, 450)}) {
        w.window.resize(size);
        QCoreApplication::processEvents();
        auto* insert = control<QToolButton>(w.dbv_caipiao, "nbInsert");
        const QRect over(w.dbv_caipiao->mapTo(&w.window, insert->pos()), insert->size());
        QVERIFY2(w.btnadd->geometry().intersected(over).width() >= over.width() - 1,
                 qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
        QCOMPARE(w.btnadd->y(), over.y());
    }
}

void TestDataWindow::mainWindowReloadsAfterward()
{
    // 添加开奖 on the main window: a week of 中国福彩3D typed in, then the window closed.
    Tfrmmain main(m_folder->path());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto* comcaipiao = control<QComboBox>(&main, "comcaipiao");
    comcaipiao->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(comcaipiao, Qt::Key_Down);
    QCOMPARE(main.session().drawHistory().size(), 3);

    bool sawWindow = false;
    QTimer::singleShot(0, this, [&] {
        auto* data = qobject_cast<Tfrmdata*>(QApplication::activeModalWidget());
        if (!data)
            return;
        sawWindow = true;
        m_window.reset(data);  // typeRow and choose work on it; released before the dialog returns
        choose("中国福彩3D");
        const DataControls c(*data);
        QTest::mouseClick(c.btnedit, Qt::LeftButton);
        for (int day = 4; day <= 10; ++day) {
            QTest::mouseClick(c.btnadd, Qt::LeftButton);
            typeRow({QStringLiteral("20260%1").arg(day, 2, 10, QLatin1Char('0')), "1", "2", QString::number(day % 10)});
        }
        QTest::mouseClick(c.btnedit, Qt::LeftButton);
        QTest::mouseClick(c.btnext, Qt::LeftButton);
        // A window that refuses to close fails the checks below instead of waiting for ever.
        if (data->isVisible())
            data->done(QDialog::Rejected);
        (void)m_window.release();
    });
    QTest::mouseClick(control<QPushButton>(&main, "btnedit"), Qt::LeftButton);
    QVERIFY(sawWindow);
    QCOMPARE(main.session().drawHistory().size(), 10);
    QCOMPARE(control<QComboBox>(&main, "comcurqi")->currentText(), QStringLiteral("2026011"));
}

QTEST_MAIN(TestDataWindow)
#include "test_u_data.moc"
