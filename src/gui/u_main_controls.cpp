// The main window's controls: where each stands and how it looks, made once before FormCreate
// fills them. What they do is in u_main.cpp.
#include "gui/u_main.h"

#include "core/acquire/auto_update.h"
#include "gui/accessible_names.h"
#include "gui/draw_grid_models.h"
#include "gui/overview_tab.h"
#include "gui/plan_charts.h"
#include "gui/readable_colours.h"
#include "gui/widget_placement.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <limits>

void Tfrmmain::createControls()
{
    setObjectName(QStringLiteral("frmmain"));
    setWindowTitle(QStringLiteral("Quorlin"));
    setFixedSize(scaled(651, 579));
    // Made in the order they are stacked and reached: what stands over what depends on it.
    createTabs();
    createGrids();
    createSummary();
    createBetList();
    createCommandButtons();
    createSelectionRow();
    createAutoUpdateRow();
    nameControls();
    giveShortcuts();
    setTabOrders();
}

void Tfrmmain::createTabs()
{
    page = place<QTabWidget>(this, "page", 16, 15, 385, 506);
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    page->addTab(TabSheet1, QStringLiteral("计划统计"));
    page->addTab(TabSheet2, QStringLiteral("中奖统计"));
    m_charts = new PlanCharts;
    m_charts->setObjectName(QStringLiteral("TabSheet3"));
    page->addTab(m_charts, QStringLiteral("图表"));
    m_overview = new OverviewTab(m_session.dataDir());
    m_overview->setObjectName(QStringLiteral("TabSheet4"));
    page->addTab(m_overview, QStringLiteral("总览"));
    page->setCurrentIndex(0);
}

void Tfrmmain::createGrids()
{
    // A new player's first look: no draw is stored yet for this lottery, and an empty grid would
    // not say why. It stands in the plan grid's place; the other tabs, 总览 among them, stay.
    lbltishi = placeLabel(TabSheet1, "lbltishi",
                          QStringLiteral("还没有开奖数据：可用“下载开奖”从网上下载，或在“添加开奖”中导入开奖文件；"
                                         "网址在“数据源”中设置"),
                          14, 12, 352, 449);
    lbltishi->setFrameShape(QFrame::StyledPanel);
    lbltishi->setAlignment(Qt::AlignCenter);
    lbltishi->setWordWrap(true);
    lbltishi->setMargin(20);
    QFont hint = lbltishi->font();
    hint.setPixelSize(scaled(16));
    lbltishi->setFont(hint);
    lbltishi->hide();

    grdtongji1 = place<QTableView>(TabSheet1, "grdtongji1", 14, 12, 352, 449);
    m_planModel = newPlanTableModel(this);
    setUpStatisticsGrid(grdtongji1, m_planModel);
    grdtongji1->setColumnWidth(0, scaled(150));
    grdtongji1->setColumnWidth(1, scaled(60));
    grdtongji1->setColumnWidth(2, scaled(50));

    grdtongji2 = place<QTableView>(TabSheet2, "grdtongji2", 14, 12, 352, 449);
    m_hitModel = newHitTableModel(this);
    setUpStatisticsGrid(grdtongji2, m_hitModel);
    for (int c = 0; c < 3; ++c)
        grdtongji2->setColumnWidth(c, (grdtongji2->width() - scaled(60)) / 3);

    pb = place<QProgressBar>(this, "pb", 16, 525, 385, 16);
    pb->setRange(0, 100);
    pb->hide();
}

void Tfrmmain::createSummary()
{
    mem = place<QPlainTextEdit>(this, "mem", 432, 40, 185, 105);
    mem->setReadOnly(true);

    optmode = place<QGroupBox>(this, "optmode", 432, 152, 185, 49);
    optFront2 = place<QRadioButton>(optmode, "optFront2", 12, 14, 80, 24);
    optFront2->setText(QStringLiteral("前二"));
    optBack2 = place<QRadioButton>(optmode, "optBack2", 100, 14, 80, 24);
    optBack2->setText(QStringLiteral("后二"));
    m_modeButtons = new QButtonGroup(this);
    m_modeButtons->addButton(optFront2, 0);
    m_modeButtons->addButton(optBack2, 1);
}

void Tfrmmain::createBetList()
{
    Label3 = placeLabel(this, "Label3", QStringLiteral("注意：期期换号！"), 456, 216, 145, 25);
    QFont warning = Label3->font();
    warning.setPixelSize(scaled(13));
    Label3->setFont(warning);
    setTextColour(Label3, warningTextColour(palette()));

    Label2 = placeLabel(this, "Label2", QStringLiteral("目前投注期："), 432, 251, 81, 13);
    comcurqi = place<QComboBox>(this, "comcurqi", 520, 247, 97, 21);
    comcurqi->setEditable(true);
    comcurqi->setInsertPolicy(QComboBox::NoInsert);
    comcurqi->setModel(new PeriodListModel(comcurqi));
    lblkaijiang = placeLabel(this, "lblkaijiang", QStringLiteral("目前开奖："), 512, 274, 97, 13);
    Label10 = placeLabel(this, "Label10", QStringLiteral("计划期数："), 432, 299, 73, 13);
    edtjihuaqishu = place<QLineEdit>(this, "edtjihuaqishu", 520, 296, 97, 21);
    edtjihuaqishu->setText(QStringLiteral("5"));
    lbljushu = placeLabel(this, "lbljushu", QStringLiteral("投注号码：64注"), 432, 332, 129, 13);

    memcode = place<QPlainTextEdit>(this, "memcode", 432, 352, 185, 97);
    memcode->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memcode->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The list holds no tabs: Tab moves on, as everywhere else in the window.
    memcode->setTabChangesFocus(true);
}

void Tfrmmain::createCommandButtons()
{
    btntongji = placeButton(this, "btntongji", QStringLiteral("统计"), 440, 464, 73, 25);
    btnfilt = placeButton(this, "btnfilt", QStringLiteral("过滤"), 544, 464, 73, 25);
    btnfilt->setDefault(true);
    btnsave = placeButton(this, "btnsave", QStringLiteral("保存号码"), 440, 496, 73, 25);
    btncopy = placeButton(this, "btncopy", QStringLiteral("复制"), 544, 496, 73, 25);

    edtcopy = place<QLineEdit>(this, "edtcopy", 480, 90, 89, 21);
    edtcopy->setMaxLength(std::numeric_limits<int>::max());
    edtcopy->hide();
}

void Tfrmmain::createSelectionRow()
{
    Label1 = placeLabel(this, "Label1", QStringLiteral("选择彩票："), 16, 550, 65, 13);
    comcaipiao = place<QComboBox>(this, "comcaipiao", 80, 546, 97, 21);
    comcaipiao->setEditable(true);
    comcaipiao->setInsertPolicy(QComboBox::NoInsert);
    btndown3 = placeButton(this, "btndown3", QStringLiteral("实时开奖"), 184, 544, 60, 25);
    btndown2 = placeButton(this, "btndown2", QStringLiteral("下载开奖"), 248, 544, 60, 25);
    btnedit = placeButton(this, "btnedit", QStringLiteral("添加开奖"), 312, 544, 60, 25);
    btnabout = placeButton(this, "btnabout", QStringLiteral("关于"), 387, 544, 37, 25);
    btnsource = placeButton(this, "btnsource", QStringLiteral("数据源"), 440, 544, 73, 25);
    btnclose = placeButton(this, "btnclose", QStringLiteral("关闭"), 544, 544, 73, 25);
}

void Tfrmmain::createAutoUpdateRow()
{
    // 自动更新 in the free space above the summary; its status line under the tabs, where nothing
    // shows while no automatic update has run.
    chkauto = place<QCheckBox>(this, "chkauto", 432, 2, 76, 18);
    chkauto->setText(QStringLiteral("自动更新"));
    spnauto = place<QSpinBox>(this, "spnauto", 510, 1, 70, 20);
    spnauto->setRange(kMinAutoMinutes, kMaxAutoMinutes);
    spnauto->setSuffix(QStringLiteral(" 分钟"));
    spnauto->setToolTip(QStringLiteral("自动更新的间隔（分钟）"));
    // In the interval's place while a daily lottery is shown: when its draw is looked for.
    lblkaijiangshijian = placeLabel(this, "lblkaijiangshijian", QString(), 510, 1, 107, 20);
    // A screen reader reads its text ("开奖 21:15") as its name and its tooltip as its description:
    // an accessible name would stand in place of the time.
    lblkaijiangshijian->hide();
    chkcopy = place<QCheckBox>(this, "chkcopy", 432, 20, 150, 18);
    chkcopy->setText(QStringLiteral("自动复制"));
    chkcopy->setToolTip(QStringLiteral("自动更新后把新的投注号码复制到剪贴板"));
    lblauto = placeLabel(this, "lblauto", QString(), 16, 524, 385, 17);
}

void Tfrmmain::nameControls()
{
    nameControl(page, QStringLiteral("统计页"));
    nameControl(grdtongji1, QStringLiteral("计划统计表"), QStringLiteral("每个追号计划的投注期号、追号期数和是否成功"));
    nameControl(grdtongji2, QStringLiteral("中奖统计表"), QStringLiteral("每期的记录期号、开奖号码和是否中奖"));
    nameControl(pb, QStringLiteral("统计进度"));
    nameControl(mem, QStringLiteral("计划统计摘要"), QStringLiteral("成功次数、失败次数、成功率和与随机的比较"));
    nameControl(optmode, QStringLiteral("投注位置"));
    labelBox(Label2, comcurqi, QStringLiteral("已开奖的期号和下一期"));
    labelBox(Label10, edtjihuaqishu, QStringLiteral("追号计划的期数，按回车重新统计"));
    nameControl(memcode, QStringLiteral("投注号码"),
                QStringLiteral("下一期要投注的号码，按 %1 复制全部")
                    .arg(QKeySequence(QKeySequence::Copy).toString(QKeySequence::NativeText)));
    nameControl(edtcopy, QStringLiteral("复制的投注号码"));
    labelBox(Label1, comcaipiao, QStringLiteral("要统计和投注的彩票，输入名称后按回车"));
    nameControl(spnauto, QStringLiteral("自动更新间隔"), spnauto->toolTip());
    nameControl(chkcopy, chkcopy->text(), chkcopy->toolTip());
}

void Tfrmmain::giveShortcuts()
{
    giveShortcut(btntongji, Qt::Key_F5, QStringLiteral("按计划期数重新统计"));
    giveShortcut(btnfilt, Qt::Key_F6, QStringLiteral("列出下一期的投注号码并复制，也可按回车"));
    giveShortcut(btnsave, QKeySequence::Save, QStringLiteral("把投注号码保存为文本文件"));
    giveShortcut(btncopy, Qt::CTRL | Qt::SHIFT | Qt::Key_C,
                 QStringLiteral("把投注号码复制到剪贴板；在投注号码框中也可按 %1")
                     .arg(QKeySequence(QKeySequence::Copy).toString(QKeySequence::NativeText)));
    giveShortcut(btndown3, Qt::CTRL | Qt::Key_R, QStringLiteral("读取所选时时彩的最新开奖"));
    giveShortcut(btndown2, Qt::CTRL | Qt::Key_D, QStringLiteral("从网上下载开奖历史"));
    giveShortcut(btnedit, Qt::CTRL | Qt::Key_N, QStringLiteral("浏览、添加、导入和导出开奖"));
    giveShortcut(btnabout, QKeySequence::HelpContents, QStringLiteral("关于本程序"));
    giveShortcut(btnsource, Qt::CTRL | Qt::Key_U, QStringLiteral("设置开奖数据的网站"));
}

void Tfrmmain::setTabOrders()
{
    // Tab follows the screen: the tabs and their grid on the left, then the right column from the
    // top down, then the row along the bottom from left to right, and round again. The window
    // opens on the lottery box (FormCreate), where a player starts.
    QList<QWidget*> chain{page->tabBar(), grdtongji1, grdtongji2};
    chain << m_charts->tabChain() << m_overview->tabChain();
    chain << QList<QWidget*>{chkauto,       spnauto,  chkcopy,   mem,      optFront2, optBack2, comcurqi,
                             edtjihuaqishu, memcode,  btntongji, btnfilt,  btnsave,   btncopy,  comcaipiao,
                             btndown3,      btndown2, btnedit,   btnabout, btnsource, btnclose};
    setTabChain(chain);
}
