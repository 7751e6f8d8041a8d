#include "core/plan/bet_output.h"
#include "core/plan/bet_rule.h"
#include "core/plan/plan_table.h"
#include "core/store/draw_database.h"
#include "gui/dialogs.h"
#include "gui/shell_folder.h"
#include "gui/u_main.h"
#include "support/draw_fixtures.h"
#include "support/file_fixtures.h"
#include "support/find_control.h"
#include "support/main_window.h"
#include "support/window_input.h"

#include <QAbstractItemModel>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <memory>

using fixtures::control;
using fixtures::pressStatistics;
using fixtures::ProgramFolder;
using fixtures::readFileText;
using fixtures::replayed;
using fixtures::typeText;

namespace {

int rows(QTableView* grid)
{
    return grid->model()->rowCount();
}

QString cell(QTableView* grid, int row, int column)
{
    return grid->model()->index(row, column).data().toString();
}

// The window's controls, by the names players and the layout know them by.
struct MainControls : fixtures::WindowControls<Tfrmmain> {
    using WindowControls::WindowControls;

    FIXTURE_CONTROL(QTabWidget, page);
    FIXTURE_CONTROL(QWidget, TabSheet1);
    FIXTURE_CONTROL(QWidget, TabSheet2);
    FIXTURE_CONTROL(QTableView, grdtongji1);
    FIXTURE_CONTROL(QTableView, grdtongji2);
    FIXTURE_CONTROL(QProgressBar, pb);
    FIXTURE_CONTROL(QPlainTextEdit, mem);
    FIXTURE_CONTROL(QGroupBox, optmode);
    FIXTURE_CONTROL(QRadioButton, optFront2);
    FIXTURE_CONTROL(QRadioButton, optBack2);
    FIXTURE_CONTROL(QLabel, Label3);
    FIXTURE_CONTROL(QLabel, Label2);
    FIXTURE_CONTROL(QComboBox, comcurqi);
    FIXTURE_CONTROL(QLabel, lblkaijiang);
    FIXTURE_CONTROL(QLabel, Label10);
    FIXTURE_CONTROL(QLineEdit, edtjihuaqishu);
    FIXTURE_CONTROL(QLabel, lbljushu);
    FIXTURE_CONTROL(QPlainTextEdit, memcode);
    FIXTURE_CONTROL(QPushButton, btntongji);
    FIXTURE_CONTROL(QPushButton, btnfilt);
    FIXTURE_CONTROL(QPushButton, btnsave);
    FIXTURE_CONTROL(QPushButton, btncopy);
    FIXTURE_CONTROL(QLineEdit, edtcopy);
    FIXTURE_CONTROL(QLabel, Label1);
    FIXTURE_CONTROL(QComboBox, comcaipiao);
    FIXTURE_CONTROL(QPushButton, btndown3);
    FIXTURE_CONTROL(QPushButton, btndown2);
    FIXTURE_CONTROL(QPushButton, btnedit);
    FIXTURE_CONTROL(QPushButton, btnabout);
    FIXTURE_CONTROL(QPushButton, btnclose);
};

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUpState();
    void lotteryChangeAndBack();
    void modeChange();
    void filterFillsListAndClipboard();
    void enterPressesFilter();
    void copyTakesTheBoxAsEdited();
    void saveWritesTheLinesShown_data();
    void saveWritesTheLinesShown();
    void saveWrapsTheListIntoWholeNumbers();
    void saveCancelledOrFailed();
    void badPlanPeriodCountKeepsThePlans();
    void emptyHistory();
    void unknownTypedName();
    void startUpFailureStillShowsTheMode();
    void everyLotteryNameShowsWhole();
    void inputIgnoredWhileBusy();
    void longHistoryOpensAtItsEnd();
    void readOnlyFileOverTheCapShowsTheNewestAndSaysWhyOnce();
    void summaryKeepsItsLinesAndAddsChance();

private:
    MainControls open();
    void pick(const QString& lotteryName);

    dialogs::testing::Recorder m_dialogs;  // the user, answering in advance; outlives the windows
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<Tfrmmain> m_window;
};

void TestMainWindow::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    fixtures::storeDraws(m_folder->path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", 150, 11));
    fixtures::storeDraws(m_folder->path(), "中国福彩3D", fixtures::syntheticDraws("中国福彩3D", 120, 12));
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    m_folder.reset();
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
}

MainControls TestMainWindow::open()
{
    m_window = fixtures::openMainWindow(m_folder->path());
    return MainControls(*m_window);
}

// Chooses a lottery as a user does who types its name into the box and presses Enter (which,
// as everywhere in the window, then presses 过滤).
void TestMainWindow::pick(const QString& lotteryName)
{
    QLineEdit* edit = control<QComboBox>(m_window.get(), "comcaipiao")->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, lotteryName);
    QTest::keyClick(edit, Qt::Key_Return);
}

void TestMainWindow::startUpState()
{
    const MainControls w = open();
    QCOMPARE(w.window.windowTitle(), QStringLiteral("Quorlin"));
    QStringList lotteries;
    for (int i = 0; i < w.comcaipiao->count(); ++i)
        lotteries << w.comcaipiao->itemText(i);
    QCOMPARE(lotteries, (QStringList{"重庆时时彩", "江西时时彩", "上海时时彩", "中国福彩3D", "中国体彩排列3"}));
    QCOMPARE(w.comcaipiao->currentText(), QStringLiteral("重庆时时彩"));
    QVERIFY(w.btndown3->isEnabled());
    QVERIFY(w.optBack2->isChecked());
    QCOMPARE(w.window.session().planSelection().digitOffset, 3);
    QVERIFY(!w.window.session().historyCaughtUp());
    QCOMPARE(w.page->currentWidget(), w.TabSheet1);

    const DrawHistory& history = w.window.session().drawHistory();
    QCOMPARE(history.size(), 150);
    QCOMPARE(w.comcurqi->count(), 151);
    QCOMPARE(w.comcurqi->currentIndex(), 150);
    QCOMPARE(w.comcurqi->currentText(), QString::number(history.periodId(149) + 1));
    QCOMPARE(w.comcurqi->itemText(0), QString::number(history.periodId(0)));

    QCOMPARE(rows(w.grdtongji2), 150);
    QCOMPARE(w.grdtongji2->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("是否中奖"));
    QCOMPARE(cell(w.grdtongji2, 0, 2), QStringLiteral("●"));
    QCOMPARE(rows(w.grdtongji1), int(w.window.planTable().size()));
    QVERIFY(rows(w.grdtongji1) > 100);
    // The three summary lines, then the seven beside chance and the four tests.
    QCOMPARE(w.mem->toPlainText().split('\n').size(), 14);
    QVERIFY(w.mem->toPlainText().startsWith("中："));
    QVERIFY(w.memcode->toPlainText().isEmpty());
    QVERIFY(!w.pb->isVisible());
    QVERIFY(!w.edtcopy->isVisible());
    QCOMPARE(w.edtjihuaqishu->text(), QStringLiteral("5"));
    QVERIFY(QFile::exists(m_folder->databasePath()));
}

void TestMainWindow::lotteryChangeAndBack()
{
    const MainControls w = open();
    QTest::mouseClick(w.btnfilt, Qt::LeftButton);
    const QString chongqingList = w.memcode->toPlainText();
    w.optFront2->click();
    QCOMPARE(w.window.session().planSelection().digitOffset, 0);

    // Down three times from 重庆时时彩 walks through 江西 and 上海 (both empty) to 中国福彩3D.
    w.comcaipiao->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(w.comcaipiao, Qt::Key_Down);
    QCOMPARE(w.comcaipiao->currentText(), QStringLiteral("中国福彩3D"));
    QCOMPARE(w.window.session().planSelection().lotteryName, QStringLiteral("中国福彩3D"));
    QCOMPARE(w.window.session().drawHistory().size(), 120);
    QCOMPARE(w.window.session().planSelection().digitCount, 3);
    QCOMPARE(w.window.session().planSelection().digitOffset, 1);
    QVERIFY(w.optBack2->isChecked());
    QVERIFY(!w.btndown3->isEnabled());
    QCOMPARE(w.comcurqi->count(), 121);
    QCOMPARE(rows(w.grdtongji2), 120);
    QCOMPARE(cell(w.grdtongji2, 0, 1).size(), 3);
    // The list is not recomputed by a reload.
    QCOMPARE(w.memcode->toPlainText(), chongqingList);

    // Enter confirms the typed name and then presses 过滤, which an empty history cannot serve.
    pick("上海时时彩");
    QVERIFY(w.btndown3->isEnabled());
    QCOMPARE(w.window.session().planSelection().digitOffset, 1);
    QCOMPARE(w.window.session().drawHistory().size(), 0);
    QCOMPARE(m_dialogs.takeMessages().size(), 1);

    pick("重庆时时彩");
    QCOMPARE(w.memcode->toPlainText(), chongqingList);
    QCOMPARE(w.window.session().drawHistory().size(), 150);
    QCOMPARE(w.window.session().planSelection().digitOffset, 3);
    QVERIFY(w.btndown3->isEnabled());
    QCOMPARE(rows(w.grdtongji2), 150);
}

void TestMainWindow::modeChange()
{
    const MainControls w = open();
    const DrawHistory& history = w.window.session().drawHistory();
    const QString periods = w.comcurqi->currentText();

    QTest::mouseClick(w.optFront2, Qt::LeftButton, {}, QPoint(8, w.optFront2->height() / 2));
    QCOMPARE(w.window.session().planSelection().mode, PlanMode::Front2);
    QCOMPARE(w.window.session().planSelection().digitOffset, 0);
    const HitTable front = w.window.hitTable();
    for (int r = 0; r < history.size(); ++r)
        QCOMPARE(front[std::size_t(r)].hit, replayHits(history, 0)[std::size_t(r)].hit);

    QTest::mouseClick(w.optBack2, Qt::LeftButton, {}, QPoint(8, w.optBack2->height() / 2));
    QCOMPARE(w.window.session().planSelection().digitOffset, 3);
    const HitTable back = w.window.hitTable();
    bool differs = false;
    for (int r = 0; r < history.size(); ++r) {
        if (r < 100)
            QVERIFY(back[std::size_t(r)].hit);
        differs = differs || back[std::size_t(r)].hit != front[std::size_t(r)].hit;
    }
    QVERIFY(differs);
    // A mode change does not reload: the period box keeps its selection.
    QCOMPARE(w.comcurqi->currentText(), periods);
}

void TestMainWindow::filterFillsListAndClipboard()
{
    const MainControls w = open();
    QApplication::clipboard()->clear();
    QTest::mouseClick(w.btnfilt, Qt::LeftButton);
    const DrawHistory& history = w.window.session().drawHistory();
    const QString expected = formatBetList(ComputeBetSet(history, history.size(), 3));
    QCOMPARE(w.memcode->toPlainText(), expected);
    QCOMPARE(QApplication::clipboard()->text(), expected);
}

void TestMainWindow::enterPressesFilter()
{
    // Away from a button and from 计划期数 (where Enter applies the count).
    const MainControls w = open();
    w.optBack2->setFocus();
    QTest::keyClick(w.optBack2, Qt::Key_Return);
    QCOMPARE(w.memcode->toPlainText().size(), 192);
}

void TestMainWindow::copyTakesTheBoxAsEdited()
{
    const MainControls w = open();
    w.memcode->setPlainText("01 02\n03 中");
    QTest::mouseClick(w.btncopy, Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("01 02\n03 中"));
}

void TestMainWindow::saveWritesTheLinesShown_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("saved");
    QTest::newRow("empty box") << ""
                               << "";
    QTest::newRow("one short line") << "01 02 03 "
                                    << "01 02 03 \r\n";
    QTest::newRow("lines typed by the user") << "01 02\n\n中 "
                                             << "01 02 \r\n \r\n中 \r\n";
    QTest::newRow("final line break") << "55\n"
                                      << "55 \r\n";
}

void TestMainWindow::saveWritesTheLinesShown()
{
    QFETCH(QString, text);
    QFETCH(QString, saved);
    const MainControls w = open();
    w.memcode->setPlainText(text);
    QTemporaryDir dir;
    QFile::remove(dir.filePath("list.txt"));
    m_dialogs.setNextSaveFileName(dir.filePath("list"));
    QTest::mouseClick(w.btnsave, Qt::LeftButton);
    QCOMPARE(readFileText(dir.filePath("list.txt")), saved);
    QCOMPARE(m_dialogs.takeMessages(), QStringList{"成功保存！"});
    QCOMPARE(m_dialogs.lastSaveFilter(), QStringLiteral("文本文件(*.txt)"));
    QCOMPARE(m_dialogs.lastSaveDirectory(), ShellFolderPath("Desktop"));
}

void TestMainWindow::saveWrapsTheListIntoWholeNumbers()
{
    const MainControls w = open();
    QTest::mouseClick(w.btnfilt, Qt::LeftButton);
    QTemporaryDir dir;
    const QString fileName = dir.filePath("号码.txt");
    QFile old(fileName);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(1000, 'x'));
    old.close();

    m_dialogs.setNextSaveFileName(fileName);
    QTest::mouseClick(w.btnsave, Qt::LeftButton);
    QCOMPARE(m_dialogs.takeMessages(), QStringList{"成功保存！"});
    const QString saved = readFileText(fileName);
    QVERIFY(saved.endsWith(" \r\n"));
    const QStringList lines = saved.chopped(2).split("\r\n");
    QVERIFY2(lines.size() > 1, "the box is too narrow for the whole list on one line");
    for (const QString& line : lines)
        QVERIFY2(QRegularExpression("^(\\d\\d )+$").match(line).hasMatch(), qPrintable(line));
    QCOMPARE(lines.join(QString()).simplified(), w.memcode->toPlainText().simplified());
}

void TestMainWindow::saveCancelledOrFailed()
{
    const MainControls w = open();
    QTest::mouseClick(w.btnfilt, Qt::LeftButton);

    m_dialogs.setNextSaveFileName(QString());
    QTest::mouseClick(w.btnsave, Qt::LeftButton);
    QCOMPARE(m_dialogs.takeMessages(), QStringList());

    QTemporaryDir dir;
    m_dialogs.setNextSaveFileName(dir.filePath("no/such/folder/list.txt"));
    QTest::mouseClick(w.btnsave, Qt::LeftButton);
    const QStringList messages = m_dialogs.takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith("无法保存文件"), qPrintable(messages[0]));
}

void TestMainWindow::badPlanPeriodCountKeepsThePlans()
{
    const MainControls w = open();
    const int planRows = rows(w.grdtongji1);
    const QString lastPlan = cell(w.grdtongji1, planRows - 1, 0);
    const QString summary = w.mem->toPlainText();

    // Changing the count alone changes nothing on screen.
    w.edtjihuaqishu->setFocus();
    w.edtjihuaqishu->selectAll();
    typeText(w.edtjihuaqishu, "五期");
    QCOMPARE(w.mem->toPlainText(), summary);

    QTest::mouseClick(w.btntongji, Qt::LeftButton);
    const QStringList messages = m_dialogs.takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains("“五期”"), qPrintable(messages[0]));
    QCOMPARE(rows(w.grdtongji1), planRows);
    QCOMPARE(cell(w.grdtongji1, planRows - 1, 0), lastPlan);
    QCOMPARE(w.mem->toPlainText(), summary);

    w.edtjihuaqishu->setText("1");
    QTest::mouseClick(w.btntongji, Qt::LeftButton);
    QVERIFY(w.mem->toPlainText() != summary);
}

void TestMainWindow::emptyHistory()
{
    // A first start: the first lottery has no draw yet, another one has.
    m_folder = std::make_unique<ProgramFolder>();
    fixtures::storeDraws(m_folder->path(), "中国福彩3D", fixtures::syntheticDraws("中国福彩3D", 120, 12));
    const MainControls w = open();
    auto* hint = control<QLabel>(m_window.get(), "lbltishi");
    QCOMPARE(rows(w.grdtongji1), 0);
    QCOMPARE(rows(w.grdtongji2), 0);
    QCOMPARE(w.comcurqi->count(), 0);
    // Where draws come from, in place of the empty plan grid and rates of 0.0%; the tabs stay,
    // so that 总览 still shows the lotteries that have draws.
    QVERIFY(hint->isVisible());
    QVERIFY(!w.grdtongji1->isVisible());
    QVERIFY(w.page->isVisible() && w.page->isTabEnabled(3));
    QCOMPARE(hint->text(), QStringLiteral("还没有开奖数据：可用“下载开奖”从网上下载，或在“添加开奖”中导入开奖文件；"
                                          "网址在“数据源”中设置"));
    QCOMPARE(w.mem->toPlainText(), QString());

    QTest::mouseClick(w.btnfilt, Qt::LeftButton);
    const QStringList messages = m_dialogs.takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains("两期"), qPrintable(messages[0]));
    QVERIFY(w.memcode->toPlainText().isEmpty());

    // A lottery with draws shows its statistics, and the hint comes back with one without.
    pick("中国福彩3D");
    QVERIFY(!hint->isVisible());
    QVERIFY(w.grdtongji1->isVisible());
    QCOMPARE(rows(w.grdtongji2), 120);
    QVERIFY(w.mem->toPlainText().startsWith("中："));
    pick("江西时时彩");
    QVERIFY(hint->isVisible());
    QVERIFY(!w.grdtongji1->isVisible());
    QCOMPARE(w.mem->toPlainText(), QString());
    // Enter in the lottery box pressed 过滤 each time: the list, then the refusal for no draws.
    QCOMPARE(m_dialogs.takeMessages().size(), 1);
}

void TestMainWindow::unknownTypedName()
{
    const MainControls w = open();
    const int planRows = rows(w.grdtongji1);
    const QString next = w.comcurqi->currentText();
    pick("北京\"; drop table x; --");
    QCOMPARE(m_dialogs.takeMessages(), QStringList{"没有名为“北京\"; drop table x; --”的彩票"});
    QCOMPARE(rows(w.grdtongji1), planRows);
    QCOMPARE(w.comcurqi->currentText(), next);
    QCOMPARE(w.window.session().drawHistory().size(), 150);
    // The box, the selection and 实时开奖 are back at the lottery whose figures are shown, and
    // the Enter that confirmed the bad name has not run 过滤 for it.
    QCOMPARE(w.comcaipiao->currentText(), QStringLiteral("重庆时时彩"));
    QCOMPARE(w.window.session().planSelection().lotteryName, QStringLiteral("重庆时时彩"));
    QVERIFY(w.btndown3->isEnabled());
    QVERIFY(w.memcode->toPlainText().isEmpty());

    // The next Enter is an ordinary one again: 过滤 for the lottery on screen.
    QTest::keyClick(w.comcaipiao->lineEdit(), Qt::Key_Return);
    QCOMPARE(w.memcode->toPlainText().size(), 192);
    QCOMPARE(m_dialogs.takeMessages(), QStringList());

    // Typed over a lottery with figures of its own, the box goes back to that one.
    pick("中国福彩3D");
    QCOMPARE(w.window.session().drawHistory().size(), 120);
    m_dialogs.takeMessages();
    pick("福彩");
    QCOMPARE(m_dialogs.takeMessages(), QStringList{"没有名为“福彩”的彩票"});
    QCOMPARE(w.comcaipiao->currentText(), QStringLiteral("中国福彩3D"));
    QCOMPARE(w.window.session().drawHistory().size(), 120);
    QCOMPARE(w.window.session().planSelection().digitCount, 3);
    QVERIFY(!w.btndown3->isEnabled());

    // A bad name confirmed by leaving the box spends no Enter pressed in the box later.
    QLineEdit* edit = w.comcaipiao->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, QStringLiteral("福彩"));
    w.edtjihuaqishu->setFocus();
    QCOMPARE(m_dialogs.takeMessages(), QStringList{"没有名为“福彩”的彩票"});
    w.memcode->clear();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(w.memcode->toPlainText().size(), 192);
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
}

void TestMainWindow::startUpFailureStillShowsTheMode()
{
    // A table made by hand, holding a digit the rule cannot take.
    fixtures::handMadeTable(m_folder->path(), "重庆时时彩彩票号码表", "\"记录期号\" text, " + fixtures::digitColumns(5),
                            {"'20261209001', 1, 2, 3, 4, 12"});
    const MainControls w = open();
    const QStringList messages = m_dialogs.takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains("“12”"), qPrintable(messages[0]));
    QVERIFY(w.optBack2->isChecked());
    QVERIFY(!w.optFront2->isChecked());
    QCOMPARE(w.window.session().planSelection().mode, PlanMode::Back2);
}

void TestMainWindow::everyLotteryNameShowsWhole()
{
    const MainControls w = open();
    QCOMPARE(w.comcaipiao->geometry(), QRect(80, 546, 97, 21));
    QLineEdit* edit = w.comcaipiao->lineEdit();
    for (int i = 0; i < w.comcaipiao->count(); ++i) {
        const QString name = w.comcaipiao->itemText(i);
        w.comcaipiao->setCurrentIndex(i);
        QCoreApplication::processEvents();
        // The text area holds the whole name: no character is scrolled out on either side.
        const int textWidth = edit->fontMetrics().horizontalAdvance(name);
        const QMargins margins = edit->textMargins();
        const int room = edit->contentsRect().width() - margins.left() - margins.right() - 4;
        QVERIFY2(textWidth <= room, qPrintable(QStringLiteral("%1: %2 > %3").arg(name).arg(textWidth).arg(room)));
        // Nor is the start scrolled away to show the end: the cursor at the end stands at the
        // text's full width from where the cursor at the start stands.
        edit->home(false);
        const int start = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
        edit->end(false);
        const int end = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
        QCOMPARE(end - start, textWidth);
        QVERIFY2(start >= edit->contentsRect().left(), qPrintable(QStringLiteral("%1: %2").arg(name).arg(start)));
    }
    // Still a readable size.
    QVERIFY(edit->fontInfo().pixelSize() >= 9);
}

void TestMainWindow::inputIgnoredWhileBusy()
{
    const MainControls w = open();
    // Clicks that arrive while the replay lets events through must neither start another
    // command nor change a control behind the running one's back.
    auto postClick = [&](QWidget* target) {
        const QPointF at(8, target->height() / 2.0);
        const QPointF global = target->mapToGlobal(at);
        QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                            Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                            Qt::NoButton, Qt::NoModifier));
    };
    postClick(w.btnfilt);
    postClick(w.optFront2);
    QTest::mouseClick(w.btntongji, Qt::LeftButton);
    QVERIFY(w.memcode->toPlainText().isEmpty());
    QVERIFY(w.optBack2->isChecked());
    QCOMPARE(w.window.session().planSelection().digitOffset, 3);

    // The same clicks when idle do their work.
    postClick(w.btnfilt);
    postClick(w.optFront2);
    QCoreApplication::processEvents();
    QCOMPARE(w.memcode->toPlainText().size(), 192);
    QVERIFY(w.optFront2->isChecked());
    QCOMPARE(w.window.session().planSelection().digitOffset, 0);
}

void TestMainWindow::longHistoryOpensAtItsEnd()
{
    fixtures::storeDraws(m_folder->path(), "江西时时彩", fixtures::syntheticDraws("江西时时彩", 10000, 13));
    const MainControls w = open();
    w.comcaipiao->setFocus();
    QTest::keyClick(w.comcaipiao, Qt::Key_Down);
    QCOMPARE(rows(w.grdtongji2), 10000);

    for (int tab : {0, 1}) {
        w.page->setCurrentIndex(tab);
        QTableView* grid = tab == 0 ? w.grdtongji1 : w.grdtongji2;
        QTRY_VERIFY(grid->isVisible());
        QScrollBar* bar = grid->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(grid->rowAt(grid->viewport()->height() - 1), rows(grid) - 1);
    }
}

void TestMainWindow::readOnlyFileOverTheCapShowsTheNewestAndSaysWhyOnce()
{
    fixtures::storeDraws(m_folder->path(), "江西时时彩", fixtures::syntheticDraws("江西时时彩", 10003, 13));
    {
        // A header asking for a newer writer than SQLite makes the file read-only, even for root.
        QFile file(m_folder->databasePath());
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(18) && file.write("\x03", 1) == 1);
    }
    open();
    auto* lottery = fixtures::control<QComboBox>(m_window.get(), "comcaipiao");
    auto choose = [&](const QString& name) {
        lottery->setCurrentText(name);
        emit lottery->activated(lottery->currentIndex());
    };
    choose("江西时时彩");
    QCOMPARE(rows(fixtures::control<QTableView>(m_window.get(), "grdtongji2")), 10000);
    const QStringList told = m_dialogs.takeMessages();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains("江西时时彩彩票号码表存有10003期") && told[0].contains("最新的10000期"),
             qPrintable(told[0]));

    // Once is enough: coming back to the lottery shows its history without the same words again.
    choose("重庆时时彩");
    choose("江西时时彩");
    QCOMPARE(rows(fixtures::control<QTableView>(m_window.get(), "grdtongji2")), 10000);
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
}

void TestMainWindow::summaryKeepsItsLinesAndAddsChance()
{
    // The widest figures come with a full history: 9900 tested draws.
    m_folder = std::make_unique<ProgramFolder>();
    fixtures::storeDraws(m_folder->path(), "重庆时时彩", fixtures::syntheticDraws("重庆时时彩", 10000, 23));
    Tfrmmain& w = open().window;
    auto* mem = control<QPlainTextEdit>(&w, "mem");
    const HitTable hits = replayed(w);
    const QStringList lines = mem->toPlainText().split(u'\n');
    QCOMPARE(lines.mid(0, 3), summaryLines(summarizePlans(hits, 5)));
    QCOMPARE(lines.size(), 14);
    // 6329 hits in 9900 tested draws; 6299 of 6329 plans within 5 periods; plan lengths 4048,
    // 1436, 547, 199, 69, 15, 12, 3. The figures: scipy.stats.binomtest(6329, 9900, 0.64) (its
    // pvalue and proportion_ci(method='wilson')), binomtest(6299, 6329, 1 - 0.36**5).pvalue,
    // scipy.stats.chisquare over lengths 1 … 6 and 7 or longer (SciPy 1.10.1).
    QCOMPARE(lines.mid(10), (QStringList{"95%区间：63.0%–64.9%", "检验：p=0.883（与随机无显著差异）",
                                         "计划检验：p=0.195", "长度检验：p=0.470"}));
    QCOMPARE(lines[3], QStringLiteral("随机基准：99.4%"));
    QVERIFY2(lines[4].startsWith(QStringLiteral("单期命中：")) && lines[4].endsWith(QStringLiteral("/9900期")),
             qPrintable(lines[4]));
    QVERIFY2(lines[5].endsWith(QStringLiteral("（随机64.0%）")), qPrintable(lines[5]));
    QVERIFY(!mem->toPlainText().contains(QStringLiteral("nan"), Qt::CaseInsensitive));

    // No line wraps but the verdict, too long for the box's width, which takes two; the box
    // scrolls to show them all.
    for (QTextBlock block = mem->document()->begin(); block.isValid(); block = block.next()) {
        mem->document()->documentLayout()->blockBoundingRect(block);
        const int wrapped = block.text().startsWith(QStringLiteral("检验：")) ? 2 : 1;
        QVERIFY2(block.layout()->lineCount() <= wrapped, qPrintable(block.text()));
    }
    QVERIFY(mem->verticalScrollBar()->maximum() > 0);

    // The baseline follows 计划期数 at the next 统计.
    pressStatistics(w, "3");
    QCOMPARE(mem->toPlainText().split(u'\n').at(3), QStringLiteral("随机基准：95.3%"));
    pressStatistics(w, "0");
    QCOMPARE(mem->toPlainText().split(u'\n').at(3), QStringLiteral("随机基准：0.0%"));
}

QTEST_MAIN(TestMainWindow)
#include "test_u_main.moc"
