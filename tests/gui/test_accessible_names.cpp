#include "gui/dialogs.h"
#include "gui/session.h"
#include "support/draw_fixtures.h"
#include "support/every_window.h"
#include "support/find_control.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <memory>

using fixtures::control;

namespace {

// The control a widget belongs to: itself when named, else its nearest named ancestor (the
// tab widget for its tab bar, the combo box for its line edit).
QString controlName(QWidget* widget)
{
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            return w->objectName();
    }
    return {};
}

// What a screen reader announces a control as. A combo box gives its value as its name on Linux;
// it is named by the label that names it, through the label relation.
QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    if (!face)
        return {};
    if (!qobject_cast<QComboBox*>(widget))
        return face->text(QAccessible::Name);
    for (const auto& [label, relation] : face->relations(QAccessible::Label)) {
        QString name = label->text(QAccessible::Name);
        if (name.endsWith(u'：'))
            name.chop(1);
        return name;
    }
    return {};
}

bool takesInputOrShowsResult(QWidget* w)
{
    return qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
           qobject_cast<QAbstractScrollArea*>(w) || qobject_cast<QProgressBar*>(w) || qobject_cast<QGroupBox*>(w) ||
           qobject_cast<QTabWidget*>(w);
}

bool hasWords(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

}  // namespace

class TestAccessibleNames : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyControlIsNamed_data();
    void everyControlIsNamed();
    void labelsAreBuddiesOfTheirBoxes_data();
    void labelsAreBuddiesOfTheirBoxes();
    void gridsExposeTheirHeaders_data();
    void gridsExposeTheirHeaders();
    void tabFollowsTheScreen_data();
    void tabFollowsTheScreen();
    void escapeClosesADialogThatRunsNothing_data();
    void escapeClosesADialogThatRunsNothing();
    void mainActionsHaveKeysShownInTheirTips_data();
    void mainActionsHaveKeysShownInTheirTips();
    void keysRunTheMainActions();
    void enterInPlanPeriodsAppliesIt();
    void copyKeyInTheBetListCopiesTheList();

private:
    std::unique_ptr<QWidget> open(const QString& window, bool show = true);

    std::unique_ptr<dialogs::testing::Recorder> m_dialogs;
    std::unique_ptr<fixtures::ProgramFolder> m_folder;
    std::unique_ptr<Session> m_session;
};

void TestAccessibleNames::init()
{
    m_dialogs = std::make_unique<dialogs::testing::Recorder>();
    m_folder = std::make_unique<fixtures::ProgramFolder>();
    fixtures::storeDraws(m_folder->path(), QStringLiteral("重庆时时彩"),
                         fixtures::syntheticDraws(QStringLiteral("重庆时时彩"), 300));
    m_session = std::make_unique<Session>(m_folder->path());
    m_session->setToday(fixtures::kToday);
}

void TestAccessibleNames::cleanup()
{
    m_session.reset();
    m_folder.reset();
    m_dialogs.reset();
}

std::unique_ptr<QWidget> TestAccessibleNames::open(const QString& window, bool show)
{
    std::unique_ptr<QWidget> w = fixtures::everyWindow().value(window)(*m_session);
    if (show) {
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qWarning("window not exposed");
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("window not active");
    }
    return w;
}

void TestAccessibleNames::everyControlIsNamed_data()
{
    QTest::addColumn<QString>("window");
    for (const QString& window : fixtures::everyWindow().keys())
        QTest::newRow(qPrintable(window)) << window;
}

void TestAccessibleNames::everyControlIsNamed()
{
    QFETCH(QString, window);
    const std::unique_ptr<QWidget> w = open(window, false);
    // Every control made by the program, shown or waiting to be: a box, list, grid, chart, text
    // or progress bar says what it holds, a button what it does in words (not a glyph).
    QStringList unnamed;
    for (QWidget* child : w->findChildren<QWidget*>()) {
        if (controlName(child) != child->objectName())
            continue;
        const QString name = accessibleName(child);
        if (qobject_cast<QAbstractButton*>(child) ? !hasWords(name) : takesInputOrShowsResult(child) && name.isEmpty())
            unnamed << child->objectName() + QStringLiteral(" (") + child->metaObject()->className() + ')';
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
}

void TestAccessibleNames::labelsAreBuddiesOfTheirBoxes_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("name");
    QTest::newRow("lottery") << "main"
                             << "Label1"
                             << "comcaipiao"
                             << "选择彩票";
    QTest::newRow("period") << "main"
                            << "Label2"
                            << "comcurqi"
                            << "目前投注期";
    QTest::newRow("plan periods") << "main"
                                  << "Label10"
                                  << "edtjihuaqishu"
                                  << "计划期数";
    QTest::newRow("data lottery") << "data"
                                  << "Label1"
                                  << "lstcaipiao"
                                  << "选择彩票";
    QTest::newRow("data grid") << "data"
                               << "Label2"
                               << "grdcaipiao"
                               << "彩票数据";
    QTest::newRow("download lottery") << "download2"
                                      << "lbltishi"
                                      << "comdown"
                                      << "选择彩票";
    QTest::newRow("trend site") << "sources"
                                << "lbltrend"
                                << "edttrend"
                                << "福彩3D走势页面";
    QTest::newRow("feed site") << "sources"
                               << "lblfeed"
                               << "edtfeed"
                               << "时时彩最新开奖数据";
    QTest::newRow("draw address") << "sources"
                                  << "lblurl_cqssc"
                                  << "edturl_cqssc"
                                  << "重庆时时彩开奖数据网址";
    QTest::newRow("gaps") << "gaps"
                          << "lbltitle"
                          << "memgaps"
                          << "重庆时时彩缺少2期";
}

void TestAccessibleNames::labelsAreBuddiesOfTheirBoxes()
{
    QFETCH(QString, window);
    QFETCH(QString, label);
    QFETCH(QString, box);
    QFETCH(QString, name);
    const std::unique_ptr<QWidget> w = open(window, false);
    QWidget* named = control<QWidget>(w.get(), qPrintable(box));
    QCOMPARE(control<QLabel>(w.get(), qPrintable(label))->buddy(), named);
    QCOMPARE(accessibleName(named), name);
}

void TestAccessibleNames::gridsExposeTheirHeaders_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("firstHeader");
    QTest::newRow("plans") << "main"
                           << "grdtongji1"
                           << "投注期号";
    QTest::newRow("hits") << "main"
                          << "grdtongji2"
                          << "记录期号";
    QTest::newRow("overview") << "main"
                              << "grdzonglan"
                              << "彩票";
    QTest::newRow("draws") << "data"
                           << "grdcaipiao"
                           << "记录期号";
}

void TestAccessibleNames::gridsExposeTheirHeaders()
{
    QFETCH(QString, window);
    QFETCH(QString, grid);
    QFETCH(QString, firstHeader);
    const std::unique_ptr<QWidget> w = open(window, false);
    auto* view = control<QTableView>(w.get(), qPrintable(grid));
    QVERIFY(!view->horizontalHeader()->isHidden());
    QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(view)->tableInterface();
    QVERIFY(table);
    QVERIFY(table->columnCount() >= 3);
    QCOMPARE(table->columnDescription(0).remove(u'\n'), firstHeader);
    for (int c = 0; c < table->columnCount(); ++c)
        QVERIFY2(!table->columnDescription(c).isEmpty(), qPrintable(QString::number(c)));
}

void TestAccessibleNames::tabFollowsTheScreen_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QStringList>("order");
    // The main window: the tabs and their grid, the right column from the top, then the bottom
    // row; its two mode buttons are one stop, the arrows choosing between them.
    QTest::newRow("main") << "main"
                          << "comcaipiao"
                          << QStringList{"comcaipiao",    "btndown3",  "btndown2",  "btnedit",    "btnabout",
                                         "btnsource",     "btnclose",  "page",      "grdtongji1", "chkauto",
                                         "spnauto",       "chkcopy",   "mem",       "optFront2",  "comcurqi",
                                         "edtjihuaqishu", "memcode",   "btntongji", "btnfilt",    "btnsave",
                                         "btncopy",       "comcaipiao"};
    // The data window while browsing: its navigator waits for 开始添加.
    QTest::newRow("data") << "data"
                          << "lstcaipiao" << QStringList{"lstcaipiao", "grdcaipiao",      "btncheck",  "btnimport",
                                                         "btngaps",    "btnfill",         "btnsave",   "btnedit",
                                                         "btnext",     "chkexportsource", "lstcaipiao"};
    QTest::newRow("download") << "download2"
                              << "comdown" << QStringList{"comdown", "btndown", "btnclose", "comdown"};
    QTest::newRow("sources") << "sources"
                             << "edttrend"
                             << QStringList{"edttrend",      "edtchart",        "edtdrawlist",     "edtfeed",
                                            "edturl_fc3d",   "comsource_fc3d",  "comconfirm_fc3d", "edturl_pl3",
                                            "comsource_pl3", "comconfirm_pl3",  "edturl_cqssc",    "comsource_cqssc",
                                            "edturl_shssc",  "comsource_shssc", "edturl_jxssc",    "comsource_jxssc",
                                            "btntest",       "btnok",           "btncancel",       "edttrend"};
    QTest::newRow("import") << "import"
                            << "memsummary"
                            << QStringList{"memsummary", "chkoverwrite", "btnok", "btncancel", "memsummary"};
    QTest::newRow("gaps") << "gaps"
                          << "memgaps" << QStringList{"memgaps", "btnclose", "memgaps"};
    QTest::newRow("check") << "check"
                           // No period is missing here: 补入缺期 waits, and Tab passes it.
                           << "grdcheck"
                           << QStringList{"grdcheck", "btnall", "btnnone", "btntake", "btnclose", "grdcheck"};
}

void TestAccessibleNames::tabFollowsTheScreen()
{
    QFETCH(QString, window);
    QFETCH(QString, first);
    QFETCH(QStringList, order);
    const std::unique_ptr<QWidget> w = open(window);
    control<QWidget>(w.get(), qPrintable(first))->setFocus();
    QStringList reached{controlName(QApplication::focusWidget())};
    while (reached.size() < order.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << controlName(QApplication::focusWidget());
    }
    QCOMPARE(reached, order);
}

void TestAccessibleNames::escapeClosesADialogThatRunsNothing_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("focused");
    for (const char* window : {"data", "download2", "sources", "about", "import", "gaps", "check"})
        QTest::newRow(window) << window << "";
    QTest::newRow("download, in the lottery box") << "download2"
                                                  << "comdown";
    QTest::newRow("data, in its grid") << "data"
                                       << "grdcaipiao";
}

void TestAccessibleNames::escapeClosesADialogThatRunsNothing()
{
    QFETCH(QString, window);
    QFETCH(QString, focused);
    const std::unique_ptr<QWidget> w = open(window);
    QWidget* target = focused.isEmpty() ? w.get() : control<QWidget>(w.get(), qPrintable(focused));
    if (!focused.isEmpty())
        target->setFocus();
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : target, Qt::Key_Escape);
    QTRY_VERIFY(!w->isVisible());
}

void TestAccessibleNames::mainActionsHaveKeysShownInTheirTips_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("统计") << "btntongji" << QKeySequence(Qt::Key_F5);
    QTest::newRow("过滤") << "btnfilt" << QKeySequence(Qt::Key_F6);
    QTest::newRow("保存号码") << "btnsave" << QKeySequence(QKeySequence::Save);
    QTest::newRow("复制") << "btncopy" << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
    QTest::newRow("实时开奖") << "btndown3" << QKeySequence(Qt::CTRL | Qt::Key_R);
    QTest::newRow("下载开奖") << "btndown2" << QKeySequence(Qt::CTRL | Qt::Key_D);
    QTest::newRow("添加开奖") << "btnedit" << QKeySequence(Qt::CTRL | Qt::Key_N);
    QTest::newRow("数据源") << "btnsource" << QKeySequence(Qt::CTRL | Qt::Key_U);
}

void TestAccessibleNames::mainActionsHaveKeysShownInTheirTips()
{
    QFETCH(QString, button);
    QFETCH(QKeySequence, keys);
    const std::unique_ptr<QWidget> w = open("main", false);
    auto* b = control<QPushButton>(w.get(), qPrintable(button));
    QCOMPARE(b->shortcut(), keys);
    const QString tip = b->toolTip();
    QVERIFY2(tip.contains(keys.toString(QKeySequence::NativeText)), qPrintable(tip));
    // Every key is one only this button answers to in the window.
    for (QAbstractButton* other : w->findChildren<QAbstractButton*>()) {
        if (other != b)
            QVERIFY2(other->shortcut() != keys, qPrintable(other->objectName()));
    }
}

void TestAccessibleNames::keysRunTheMainActions()
{
    const std::unique_ptr<QWidget> w = open("main");
    auto* memcode = control<QPlainTextEdit>(w.get(), "memcode");
    auto* mem = control<QPlainTextEdit>(w.get(), "mem");
    auto* periods = control<QLineEdit>(w.get(), "edtjihuaqishu");
    QApplication::clipboard()->clear();

    // F6 is 过滤: the list, and the list on the clipboard.
    QTest::keyClick(w.get(), Qt::Key_F6);
    QTRY_COMPARE(memcode->toPlainText().size(), 192);
    QTRY_COMPARE(QApplication::clipboard()->text(), memcode->toPlainText());

    // F5 is 统计, with the 计划期数 as typed.
    const QString summary = mem->toPlainText();
    periods->setText(QStringLiteral("2"));
    QTest::keyClick(w.get(), Qt::Key_F5);
    QTRY_VERIFY(mem->toPlainText() != summary);

    // Ctrl+Shift+C is 复制, of the box as it stands.
    memcode->setPlainText(QStringLiteral("01 02"));
    QTest::keyClick(w.get(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(QApplication::clipboard()->text(), QStringLiteral("01 02"));
}

void TestAccessibleNames::enterInPlanPeriodsAppliesIt()
{
    const std::unique_ptr<QWidget> w = open("main");
    auto* periods = control<QLineEdit>(w.get(), "edtjihuaqishu");
    auto* mem = control<QPlainTextEdit>(w.get(), "mem");
    const QString summary = mem->toPlainText();
    periods->setFocus();
    periods->setText(QStringLiteral("2"));
    QTest::keyClick(periods, Qt::Key_Return);
    const QString applied = mem->toPlainText();
    QVERIFY(applied != summary);
    // That Enter applied the count as 统计 does; it made no bet list.
    QVERIFY(control<QPlainTextEdit>(w.get(), "memcode")->toPlainText().isEmpty());
    QTest::mouseClick(control<QPushButton>(w.get(), "btntongji"), Qt::LeftButton);
    QCOMPARE(mem->toPlainText(), applied);
    QVERIFY(m_dialogs->takeMessages().isEmpty());
}

void TestAccessibleNames::copyKeyInTheBetListCopiesTheList()
{
    const std::unique_ptr<QWidget> w = open("main");
    auto* memcode = control<QPlainTextEdit>(w.get(), "memcode");
    memcode->setPlainText(QStringLiteral("01 02\n03 04"));
    memcode->setFocus();
    QApplication::clipboard()->clear();
    QTest::keyClick(memcode, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("01 02\n03 04"));

    // A part selected is copied as selected.
    QTextCursor cursor = memcode->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    memcode->setTextCursor(cursor);
    QTest::keyClick(memcode, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("01"));
}

QTEST_MAIN(TestAccessibleNames)
#include "test_accessible_names.moc"
