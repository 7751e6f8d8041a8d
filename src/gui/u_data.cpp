#include "gui/u_data.h"

#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "core/store/draw_origins.h"
#include "core/store/draw_row_set.h"
#include "gui/accessible_names.h"
#include "gui/db_navigator.h"
#include "gui/dialogs.h"
#include "gui/draw_grid_models.h"
#include "gui/readable_colours.h"
#include "gui/run_command.h"
#include "gui/session.h"
#include "gui/widget_placement.h"
#include "gui/work_runner.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QToolButton>

namespace {

// The size the window opens at; when it is resized, controls keep their distance to the edges
// they follow.
constexpr int kOpeningWidth = 646;
constexpr int kOpeningHeight = 438;

const QString kStartAdding = QStringLiteral("开始添加");
const QString kFinishAdding = QStringLiteral("完成添加");

// Tab past the last digit of the newest row stays there rather than wrapping round to the
// oldest draw with an editor open on its period, where the next keys typed would overwrite it.
class DrawGrid : public QTableView {
public:
    using QTableView::QTableView;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        const QModelIndex current = currentIndex();
        const int lastRow = model() ? model()->rowCount() - 1 : -1;
        const int lastColumn = model() ? model()->columnCount() - 1 : -1;
        if (current.isValid() && ((action == MoveNext && current.row() == lastRow && current.column() == lastColumn) ||
                                  (action == MovePrevious && current.row() == 0 && current.column() == 0)))
            return current;
        return QTableView::moveCursor(action, modifiers);
    }
};

}  // namespace

void Tfrmdata::rowSetCommand(const std::function<void()>& body)
{
    m_syncing = true;
    runCommand(this, body);
    m_syncing = false;
    syncGrid();
}

Tfrmdata::Tfrmdata(Session& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_rowSet(new DrawRowSet(this))
{
    createControls();
    FormCreate();
}

Tfrmdata::~Tfrmdata()
{
    m_rowSet->close();
}

void Tfrmdata::createControls()
{
    setObjectName(QStringLiteral("frmdata"));
    setWindowTitle(QStringLiteral("彩票数据"));
    setModal(true);
    resize(scaled(kOpeningWidth, kOpeningHeight));
    createBrowsingControls();
    createCommandButtons();
    nameControls();
    m_runner = new WorkRunner(this);
    connectControls();
}

void Tfrmdata::nameControls()
{
    labelBox(Label1, lstcaipiao, QStringLiteral("数据库中的彩票"));
    labelBox(Label2, grdcaipiao, QStringLiteral("所选彩票的开奖，按期号排列"));
    nameControl(dbv_caipiao, QStringLiteral("记录导航"));
    nameControl(btnadd, btnadd->toolTip());
    // The "+" covers the navigator's insert and does its work: Tab reaches the "+" in its place.
    dbv_caipiao->button(DbNavigator::Insert)->setFocusPolicy(Qt::NoFocus);
    // Tab follows the screen: the list, the grid, the navigator, then the two rows of buttons.
    QList<QWidget*> chain{lstcaipiao, grdcaipiao};
    for (int b = 0; b < DbNavigator::kButtons; ++b)
        chain << (b == DbNavigator::Insert ? static_cast<QWidget*>(btnadd)
                                           : dbv_caipiao->button(DbNavigator::Button(b)));
    chain << QList<QWidget*>{btncheck, btnimport, btngaps, btnfill, btnsave, btnedit, btnext, chkexportsource};
    setTabChain(chain);
    nameControl(chkexportsource, chkexportsource->text(), QStringLiteral("导出的每行末尾加上该期开奖的来源"));
    nameControl(lblorigin, QStringLiteral("当前开奖的来源"));
    nameControl(btncheck, btncheck->text(), btncheck->toolTip());
}

// The list of lotteries, the grid of the chosen one's draws and the navigator over it. Only the
// two labels stand where they are made; resizeEvent places the rest, at the opening size and as
// the window grows.
void Tfrmdata::createBrowsingControls()
{
    Label1 = placeLabel(this, "Label1", QStringLiteral("选择彩票："), 16, 8, 0, 0);
    Label1->adjustSize();
    Label2 = placeLabel(this, "Label2", QStringLiteral("彩票数据："), 184, 8, 0, 0);
    Label2->adjustSize();

    lstcaipiao = named<QListWidget>(this, "lstcaipiao");

    grdcaipiao = named<DrawGrid>(this, "grdcaipiao");
    grdcaipiao->setModel(m_rowSet);
    grdcaipiao->setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab moves from cell to cell only while draws are typed in; browsing, it moves on to the
    // next control, so that the keyboard is never held in the grid.
    grdcaipiao->setTabKeyNavigation(false);
    grdcaipiao->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    grdcaipiao->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdcaipiao->verticalHeader()->setDefaultSectionSize(scaled(20));
    grdcaipiao->verticalHeader()->hide();

    dbv_caipiao = named<DbNavigator>(this, "dbv_caipiao");
    dbv_caipiao->setEnabled(false);
    btnadd = namedButton(this, "btnadd", QStringLiteral("+"));
    btnadd->setToolTip(QStringLiteral("添加记录"));
    QFont large = btnadd->font();
    large.setPixelSize(scaled(18));
    large.setBold(true);
    btnadd->setFont(large);
    btnadd->setEnabled(false);
}

void Tfrmdata::createCommandButtons()
{
    // Made row by row as they stand, so that a screen reader lists them in that order.
    btncheck = namedButton(this, "btncheck", QStringLiteral("核对"));
    giveShortcut(btncheck, QKeySequence(Qt::CTRL | Qt::Key_K),
                 QStringLiteral("与数据源中设定的核对来源比对所选彩票的开奖"));
    btnimport = namedButton(this, "btnimport", QStringLiteral("导入"));
    btngaps = namedButton(this, "btngaps", QStringLiteral("缺期"));
    btnfill = namedButton(this, "btnfill", QStringLiteral("补齐"));
    btnfill->setToolTip(QStringLiteral("从开奖页面补齐时时彩的缺期"));
    btnsave = namedButton(this, "btnsave", QStringLiteral("导出"));
    btnedit = namedButton(this, "btnedit", kStartAdding);
    btnedit->setEnabled(false);
    btnext = namedButton(this, "btnext", QStringLiteral("关闭"));
    // Enter belongs to the grid's editor here, never to a button.
    for (QPushButton* b : {btnadd, btnsave, btnedit, btnext, btncheck, btnimport, btngaps, btnfill})
        b->setAutoDefault(false);
    // Under the buttons: 导出's option, off so that files read by other tools stay as they were,
    // and the current draw's source.
    chkexportsource = named<QCheckBox>(this, "chkexportsource");
    chkexportsource->setText(QStringLiteral("导出附来源"));
    lblorigin = named<QLabel>(this, "lblorigin");
    lblorigin->setTextFormat(Qt::PlainText);
}

void Tfrmdata::connectControls()
{
    // A choice is a selection: the list also gets a current item merely by taking the focus.
    connect(lstcaipiao, &QListWidget::itemSelectionChanged, this, &Tfrmdata::lstcaipiaoClick);
    connect(btnedit, &QPushButton::clicked, this, &Tfrmdata::btneditClick);
    connect(btnadd, &QPushButton::clicked, this, &Tfrmdata::btnaddClick);
    connect(btnsave, &QPushButton::clicked, this, &Tfrmdata::btnsaveClick);
    connect(btnext, &QPushButton::clicked, this, &Tfrmdata::btnextClick);
    connect(btnimport, &QPushButton::clicked, this, &Tfrmdata::btnimportClick);
    connect(btngaps, &QPushButton::clicked, this, &Tfrmdata::btngapsClick);
    connect(btnfill, &QPushButton::clicked, this, &Tfrmdata::btnfillClick);
    connect(btncheck, &QPushButton::clicked, this, &Tfrmdata::btncheckClick);
    connect(dbv_caipiao, &DbNavigator::clicked, this, [this](DbNavigator::Button b) { navigatorClick(b); });
    connect(grdcaipiao->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { gridRowChanged(current.row()); });
    connect(m_rowSet, &DrawRowSet::stateChanged, this, &Tfrmdata::syncGrid);
    connect(m_rowSet, &DrawRowSet::currentRowChanged, this, &Tfrmdata::syncGrid);
}

void Tfrmdata::FormCreate()
{
    lstcaipiao->clear();
    runCommand(this, [&] {
        m_db = std::make_unique<DrawDatabase>(m_session.dataDir());
        for (const QString& table : m_db->tableNames()) {
            if (table.endsWith(kLotteryTableSuffix) && table.size() > kLotteryTableSuffix.size())
                lstcaipiao->addItem(table.chopped(kLotteryTableSuffix.size()));
        }
    });
}

void Tfrmdata::lstcaipiaoClick()
{
    const QList<QListWidgetItem*> chosen = lstcaipiao->selectedItems();
    if (chosen.isEmpty() || !m_db)
        return;
    QListWidgetItem* item = chosen.first();
    rowSetCommand([&] {
        m_rowSet->open(*m_db, item->text(), [session = &m_session] { return session->today(); });
        m_rowSet->setEditable(isAdding());
        sizeColumns();
        btnedit->setEnabled(true);
        const LotteryInfo* info = findLottery(item->text());
        btnfill->setEnabled(info && info->historySource == HistorySource::DrawList);
    });
}

void Tfrmdata::btneditClick()
{
    rowSetCommand([&] {
        if (!isAdding()) {
            // Adding starts on a new row at the end: typing goes there, never over the newest
            // stored draw.
            m_rowSet->append();
            setAdding(true);
        } else {
            m_rowSet->finishPending();
            setAdding(false);
        }
    });
    if (isAdding())
        focusNewRow();
}

void Tfrmdata::setAdding(bool adding)
{
    m_adding = adding;
    m_rowSet->setEditable(adding);
    grdcaipiao->setTabKeyNavigation(adding);
    btnext->setEnabled(!adding);
    dbv_caipiao->setEnabled(adding);
    btnadd->setEnabled(adding);
    btnedit->setText(adding ? kFinishAdding : kStartAdding);
}

void Tfrmdata::btnaddClick()
{
    rowSetCommand([&] { m_rowSet->append(); });
    focusNewRow();
}

void Tfrmdata::focusNewRow()
{
    // The keyboard goes to the first cell of the row being added, so that the period can be
    // typed at once.
    grdcaipiao->setFocus();
    if (m_rowSet->state() != DrawRowSet::State::Insert)
        return;
    const QModelIndex first = m_rowSet->index(m_rowSet->current(), 0);
    m_syncing = true;
    grdcaipiao->setCurrentIndex(first);
    grdcaipiao->scrollTo(first);
    m_syncing = false;
}

void Tfrmdata::navigatorClick(int button)
{
    rowSetCommand([&] {
        const int last = m_rowSet->rowCount() - 1;
        switch (DbNavigator::Button(button)) {
            case DbNavigator::First:
                m_rowSet->moveTo(0);
                break;
            case DbNavigator::Prior:
                m_rowSet->moveTo(m_rowSet->current() - 1);
                break;
            case DbNavigator::Next:
                m_rowSet->moveTo(m_rowSet->current() + 1);
                break;
            case DbNavigator::Last:
                m_rowSet->moveTo(last);
                break;
            case DbNavigator::Insert:
                m_rowSet->insert();
                break;
            case DbNavigator::Delete:
                m_rowSet->deleteCurrent();
                break;
            case DbNavigator::Edit:
                m_rowSet->edit();
                break;
            case DbNavigator::Post:
                m_rowSet->post();
                break;
            case DbNavigator::Cancel:
                m_rowSet->cancel();
                break;
            case DbNavigator::Refresh:
                m_rowSet->refresh();
                break;
        }
    });
}

void Tfrmdata::gridRowChanged(int row)
{
    if (m_syncing || row < 0 || row == m_rowSet->current())
        return;
    rowSetCommand([&] { m_rowSet->moveTo(row); });
}

void Tfrmdata::syncGrid()
{
    if (m_syncing)
        return;
    m_syncing = true;
    const int row = m_rowSet->current();
    const int column = std::max(grdcaipiao->currentIndex().column(), 0);
    if (row >= 0 && grdcaipiao->currentIndex().row() != row) {
        grdcaipiao->setCurrentIndex(m_rowSet->index(row, column));
        grdcaipiao->scrollTo(m_rowSet->index(row, column));
    }
    dbv_caipiao->updateButtons(row, m_rowSet->rowCount(), m_rowSet->isPending());
    m_syncing = false;
    showOrigin();
}

void Tfrmdata::showOrigin()
{
    QString detail;
    bool disagreeing = false;
    m_originLine.clear();
    const int row = m_rowSet->current();
    if (m_db && m_rowSet->isOpen() && row >= 0 && row < m_rowSet->rowCount()) {
        if (m_rowSet->isPending()) {
            m_originLine = QStringLiteral("存入后来源记为") + kTypedSource;
            detail = m_originLine;
        } else {
            const QString period = m_rowSet->index(row, 0).data().toString();
            const DrawDatabase::DrawOrigin origin = m_db->drawOrigin(m_rowSet->lotteryName(), period);
            m_originLine = originLine(origin);
            detail = originDetail(period, origin);
            disagreeing = origin.disagreeing();
        }
    }
    // A second source that lists the draw otherwise is a warning: red, as the window's warnings are.
    lblorigin->setPalette(palette());
    if (disagreeing)
        setTextColour(lblorigin, warningTextColour(palette()));
    lblorigin->setToolTip(detail);
    lblorigin->setAccessibleDescription(detail);
    fitOriginLine();
}

void Tfrmdata::fitOriginLine()
{
    lblorigin->setText(lblorigin->fontMetrics().elidedText(m_originLine, Qt::ElideRight, lblorigin->width()));
}

void Tfrmdata::sizeColumns()
{
    // Every column an equal share of the grid in characters of "0", so that the digit columns
    // line up; the period column then at its usual 70 pixels, or wider where this font needs it.
    const int zero = std::max(1, grdcaipiao->fontMetrics().horizontalAdvance(QLatin1Char('0')));
    const int columns = m_rowSet->columnCount();
    if (columns == 0)
        return;
    const int characters = ((grdcaipiao->viewport()->width() - 40) / zero) / columns;
    for (int c = 0; c < columns; ++c)
        grdcaipiao->setColumnWidth(c, std::max(characters, 1) * zero + 6);
    const int rows = m_rowSet->rowCount();
    const QString widest = rows > 0 ? m_rowSet->index(rows - 1, 0).data().toString() : QString();
    fitColumnTo(grdcaipiao, 0, 70, widest);
    if (columns < 2)
        return;
    // A wider period column must not push the last digits out of sight: the digit columns
    // share what is left of the grid, with room kept for the vertical scroll bar that a longer
    // table brings.
    const int room = grdcaipiao->width() - 2 * grdcaipiao->frameWidth() -
                     grdcaipiao->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grdcaipiao) -
                     grdcaipiao->columnWidth(0);
    const int share = room / (columns - 1);
    for (int c = 1; c < columns; ++c)
        grdcaipiao->setColumnWidth(c, std::max(zero + 6, std::min(grdcaipiao->columnWidth(c), share)));
}

void Tfrmdata::btnextClick()
{
    close();
}

void Tfrmdata::reject()
{
    // Escape closes the window like its close box, under the same rule (during 补齐 the runner
    // takes it as a cancel).
    close();
}

void Tfrmdata::closeEvent(QCloseEvent* event)
{
    if (isAdding()) {
        dialogs::showWarning(this, QStringLiteral("请单击《完成添加》按钮保存添加"));
        event->ignore();
        return;
    }
    m_rowSet->close();
    event->accept();
    QDialog::reject();
}

void Tfrmdata::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // Places at the opening size (in the usual type's pixels, grown with larger type); the window's
    // growth beyond it goes to the list, the grid and the navigator, the buttons keep their
    // distance to the right and bottom edges.
    const int dw = width() - scaled(kOpeningWidth);
    const int dh = height() - scaled(kOpeningHeight);
    const auto onRightAndBottom = [dw, dh](int left, int top, int width, int height) {
        return scaled(QRect(left, top, width, height)).translated(dw, dh);
    };
    lstcaipiao->setGeometry(scaled(16), scaled(24), scaled(153), std::max(scaled(40), scaled(403) + dh));
    grdcaipiao->setGeometry(scaled(184), scaled(24), std::max(scaled(60), scaled(453) + dw),
                            std::max(scaled(40), scaled(275) + dh));
    dbv_caipiao->setGeometry(scaled(184), scaled(306) + dh, std::max(scaled(100), scaled(433) + dw), scaled(25));
    btnsave->setGeometry(onRightAndBottom(325, 376, 75, 25));
    btnedit->setGeometry(onRightAndBottom(428, 376, 75, 25));
    btnext->setGeometry(onRightAndBottom(531, 376, 75, 25));
    // The free band between the navigator and the buttons: 导入 above 导出, then 缺期 and 补齐.
    btnimport->setGeometry(onRightAndBottom(325, 341, 75, 25));
    btngaps->setGeometry(onRightAndBottom(428, 341, 75, 25));
    btnfill->setGeometry(onRightAndBottom(531, 341, 75, 25));
    // 核对 before them, in the room the window grew by for it.
    btncheck->setGeometry(onRightAndBottom(222, 341, 75, 25));
    // The band under the buttons: 导出's option under the grid's left edge, the source beside it
    // to the grid's right edge.
    chkexportsource->setGeometry(scaled(QRect(184, 408, 100, 22)).translated(0, dh));
    lblorigin->setGeometry(scaled(290), scaled(408) + dh, std::max(scaled(60), scaled(347) + dw), scaled(22));
    fitOriginLine();

    // The "+" lies over the navigator's fifth button, its insert, so that a new row goes to
    // the end rather than before the current one.
    const QRect nav = dbv_caipiao->geometry();
    btnadd->setGeometry(nav.x() + nav.width() * 4 / 10, nav.y(), nav.width() / 10, nav.height());
    btnadd->raise();
}

void Tfrmdata::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnFirstShow(this, m_centred);
}
