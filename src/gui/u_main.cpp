#include "gui/u_main.h"

#include "core/acquire/auto_update.h"
#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "core/base/whole_file.h"
#include "core/plan/bet_output.h"
#include "core/plan/bet_rule.h"
#include "core/store/draw_database.h"
#include "core/store/history_loader.h"
#include "gui/auto_updater.h"
#include "gui/busy_cursor.h"
#include "gui/dialogs.h"
#include "gui/draw_grid_models.h"
#include "gui/messages.h"
#include "gui/overview_tab.h"
#include "gui/plan_charts.h"
#include "gui/run_command.h"
#include "gui/shell_folder.h"
#include "gui/u_about.h"
#include "gui/u_data.h"
#include "gui/u_download2.h"
#include "gui/u_download3.h"
#include "gui/u_sources.h"
#include "gui/widget_placement.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <utility>

namespace {

// The lines as the box shows them, wrapped at its width. The space at a wrap point is not shown,
// nor any at a line's end, so each line ends with its last visible character.
QStringList displayedLines(const QPlainTextEdit* edit)
{
    QStringList lines;
    const QTextDocument* document = edit->document();
    if (document->isEmpty())
        return lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        // The final line break of a text opens no line of its own.
        if (!block.next().isValid() && block.text().isEmpty())
            break;
        document->documentLayout()->blockBoundingRect(block);  // lays out a block not yet shown
        const QTextLayout* layout = block.layout();
        if (!layout || layout->lineCount() == 0) {
            lines << block.text();
            continue;
        }
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            QString text = block.text().mid(line.textStart(), line.textLength());
            while (!text.isEmpty() && text.back().isSpace())
                text.chop(1);
            lines << text;
        }
    }
    return lines;
}

}  // namespace

template <class Body>
void Tfrmmain::command(Body&& body)
{
    runCommand(this, std::forward<Body>(body));
}

template <class Window>
void Tfrmmain::openDrawWindow()
{
    command([&] {
        {
            const QScopedValueRollback open(m_drawWindowOpen, true);
            Window window(m_session, this);
            window.exec();
        }
        reloadSequence();
    });
}

Tfrmmain::Tfrmmain(const QString& programDir, QWidget* parent) : Tfrmmain(Session(programDir), parent) {}

Tfrmmain::Tfrmmain(Session session, QWidget* parent) : QWidget(parent), m_session(std::move(session))
{
    createControls();
    qApp->installEventFilter(this);
    FormCreate();
}

Tfrmmain::~Tfrmmain()
{
    m_auto->stop();
    qApp->removeEventFilter(this);
    // Hiding a window takes the focus from the lottery box, which reports its editing finished:
    // that must not reach a window already being torn down.
    comcaipiao->lineEdit()->disconnect(this);
}

void Tfrmmain::FormCreate()
{
    const QStringList lotteries = mainListOrder();
    comcaipiao->addItems(lotteries);
    comcaipiao->setCurrentIndex(0);
    fitLotteryBoxFont();
    m_session.planSelection().lotteryName = lotteries.constFirst();
    enableLiveUpdate(lotteries.constFirst());
    // The mode is 后二 from the start, so the buttons say so even when the first load fails.
    m_session.planSelection().mode = PlanMode::Back2;
    optBack2->setChecked(true);

    // Picking an item changes the lottery at once; typed text when the typing is done (Enter or
    // leaving the box), not at every keystroke with a failed load each time.
    connect(comcaipiao, &QComboBox::activated, this, &Tfrmmain::comcaipiaoChange);
    connect(comcaipiao->lineEdit(), &QLineEdit::editingFinished, this, &Tfrmmain::comcaipiaoChange);
    connect(m_modeButtons, &QButtonGroup::idClicked, this, &Tfrmmain::optmodeClick);
    connect(btntongji, &QPushButton::clicked, this, &Tfrmmain::btntongjiClick);
    connect(btnfilt, &QPushButton::clicked, this, &Tfrmmain::btnfiltClick);
    connect(btnsave, &QPushButton::clicked, this, &Tfrmmain::btnsaveClick);
    connect(btncopy, &QPushButton::clicked, this, &Tfrmmain::btncopyClick);
    connect(btndown3, &QPushButton::clicked, this, &Tfrmmain::btndown3Click);
    connect(btndown2, &QPushButton::clicked, this, &Tfrmmain::btndown2Click);
    connect(btnedit, &QPushButton::clicked, this, &Tfrmmain::btneditClick);
    connect(btnabout, &QPushButton::clicked, this, &Tfrmmain::btnaboutClick);
    connect(btnsource, &QPushButton::clicked, this, &Tfrmmain::btnsourceClick);
    connect(btnclose, &QPushButton::clicked, this, &Tfrmmain::btncloseClick);
    // The window opens on the lottery box, where a player starts.
    comcaipiao->setFocus();

    AutoUpdater::Hooks hooks;
    hooks.busy = [this] { return m_drawWindowOpen; };
    hooks.shownLottery = [this] { return m_session.planSelection().lotteryName; };
    hooks.hasDraws = [this](const QString& lottery) {
        // Asked from the schedule's timer, where no error may go: a database that cannot be read
        // leaves the lottery to the one shown, whose run says why.
        try {
            DrawDatabase db(m_session.dataDir());
            return db.drawCount(lottery) > 0;
        } catch (...) {
            return false;
        }
    };
    hooks.drawsStored = [this](const QString& lottery, const QString& newestPeriodId, const QString& newestDigits) {
        return showAutoUpdate(lottery, newestPeriodId, newestDigits);
    };
    hooks.status = [this](const QString& line) { showAutoStatus(line); };
    hooks.runEnded = [this] { enableLiveUpdate(m_session.planSelection().lotteryName); };
    m_auto = new AutoUpdater(this, m_session, {btndown3, btndown2, btnedit}, std::move(hooks));
    command([&] {
        QString unread;
        m_autoSettings = readAutoUpdateSettings(m_session.dataDir(), &unread);
        chkauto->setChecked(m_autoSettings.enabled);
        spnauto->setValue(m_autoSettings.minutes);
        chkcopy->setChecked(m_autoSettings.copy);
        enableLiveUpdate(m_session.planSelection().lotteryName);
        if (!unread.isEmpty())
            showAutoStatus(unread);
    });
    // Connected after the settings are read: showing them is no change to write back.
    connect(chkauto, &QCheckBox::clicked, this, &Tfrmmain::chkautoClick);
    connect(spnauto, &QSpinBox::valueChanged, this, &Tfrmmain::spnautoChange);
    connect(chkcopy, &QCheckBox::clicked, this, &Tfrmmain::chkcopyClick);

    command([&] {
        DrawDatabase::create(m_session.dataDir());
        reloadSequence();
    });
    // A program started with 自动更新 ticked resumes it.
    syncAutoUpdate();
}

const HitTable& Tfrmmain::hitTable() const
{
    return m_hitModel->table();
}

const PlanTable& Tfrmmain::planTable() const
{
    return m_planModel->table();
}

void Tfrmmain::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    // The Enter that confirmed a lottery name which failed to load is spent: 过滤 would run for
    // the previous lottery, not for the one the user typed.
    QWidget* focused = focusWidget();
    if (std::exchange(m_lotteryChangeFailed, false) && (focused == comcaipiao || comcaipiao->isAncestorOf(focused)))
        return;
    // Enter in 计划期数 applies the count typed; on a button it presses that button, and 过滤
    // otherwise.
    if (focused == edtjihuaqishu)
        btntongji->click();
    else if (auto* button = qobject_cast<QPushButton*>(focused))
        button->click();
    else
        btnfilt->click();
}

void Tfrmmain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    centreOnFirstShow(this, m_centred);
}

bool Tfrmmain::eventFilter(QObject* watched, QEvent* event)
{
    // Ctrl+C in the bet list copies the whole list as 复制 does, unless part of it is selected.
    if (watched == memcode && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy) && !memcode->textCursor().hasSelection()) {
        btncopyClick();
        return true;
    }
    // A click anywhere in the window means the Enter of a failed lottery change is long past.
    if (event->type() == QEvent::MouseButtonPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this)
            m_lotteryChangeFailed = false;
    }
    return QWidget::eventFilter(watched, event);
}

void Tfrmmain::comcaipiaoChange()
{
    // A window being closed does not start a reload for what was left typed in the box.
    if (!isVisible())
        return;
    command([&] {
        const QString name = comcaipiao->currentText();
        PlanSelection& selection = m_session.planSelection();
        if (name == selection.lotteryName)
            return;
        // Every lottery's schedule goes on: the one shown is only the one shown.
        m_lotteryChangeFailed = false;
        const QString shown = selection.lotteryName;
        selection.lotteryName = name;
        enableLiveUpdate(name);
        QString notice;
        {
            BusyCursor busy;
            try {
                notice = loadSelectedHistory();
            } catch (...) {
                // Nothing of the new lottery was loaded: the figures on screen are still those of
                // the previous one, and the box and the selection go back to it.
                selection.lotteryName = shown;
                enableLiveUpdate(shown);
                showLotteryInBox(shown);
                // Only an Enter confirms while the box keeps the focus; a name confirmed by leaving
                // the box leaves no Enter to spend.
                QWidget* focused = QApplication::focusWidget();
                m_lotteryChangeFailed = focused == comcaipiao || comcaipiao->isAncestorOf(focused);
                throw;
            }
            showLoadedHistory();
        }
        tellOnce(notice);
    });
}

void Tfrmmain::showLotteryInBox(const QString& lotteryName)
{
    const int index = comcaipiao->findText(lotteryName);
    if (index >= 0)
        comcaipiao->setCurrentIndex(index);
    comcaipiao->setEditText(lotteryName);
    comcaipiao->lineEdit()->setCursorPosition(0);
}

void Tfrmmain::fitLotteryBoxFont()
{
    // The box keeps its place and width; the longest name ("中国体彩排列3") must still show
    // whole, so the type is made smaller until every listed name fits the text area.
    QLineEdit* edit = comcaipiao->lineEdit();
    QStyleOptionComboBox option;
    option.initFrom(comcaipiao);
    option.editable = true;
    option.rect = QRect(0, 0, comcaipiao->width(), comcaipiao->height());
    const QRect field =
        comcaipiao->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, comcaipiao);
    // A line edit keeps a couple of pixels on each side of its text, and one for the cursor.
    const int room = field.width() - 5;
    QFont font = comcaipiao->font();
    int widest = 0;
    for (int pixels = font.pixelSize() > 0 ? font.pixelSize() : 12; pixels >= 8; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        widest = 0;
        for (int i = 0; i < comcaipiao->count(); ++i)
            widest = std::max(widest, metrics.horizontalAdvance(comcaipiao->itemText(i)));
        if (widest <= room)
            break;
    }
    edit->setFont(font);
    edit->setCursorPosition(0);
}

void Tfrmmain::optmodeClick()
{
    command([&] {
        PlanSelection& selection = m_session.planSelection();
        selection.mode = m_modeButtons->checkedId() == 0 ? PlanMode::Front2 : PlanMode::Back2;
        selection.digitOffset = digitOffsetFor(selection.mode, selection.digitCount);
        BusyCursor busy;
        RefreshHitStatistics();
        RefreshPlanStatistics();
    });
}

void Tfrmmain::btntongjiClick()
{
    command([&] {
        BusyCursor busy;
        RefreshHitStatistics();
        RefreshPlanStatistics();
    });
}

void Tfrmmain::btnfiltClick()
{
    command([&] {
        makeBetList();
        btncopyClick();
    });
}

void Tfrmmain::makeBetList()
{
    const DrawHistory& history = m_session.drawHistory();
    const BetSet set = ComputeBetSet(history, history.size(), m_session.planSelection().digitOffset);
    memcode->setPlainText(formatBetList(set));
}

void Tfrmmain::btncopyClick()
{
    command([&] {
        // The copy goes through the hidden one-line box, as it always has: whatever the list box
        // holds, edited or not, is what reaches the clipboard.
        edtcopy->setText(memcode->toPlainText());
        edtcopy->selectAll();
        edtcopy->copy();
    });
}

void Tfrmmain::btnsaveClick()
{
    command([&] {
        const QString fileName =
            dialogs::getSaveFileName(this, QStringLiteral("保存号码"), ShellFolderPath(QStringLiteral("Desktop")),
                                     QStringLiteral("文本文件(*.txt)"), QStringLiteral("txt"));
        if (fileName.isEmpty())
            return;
        writeWholeFile(fileName, betListFileBytes(displayedLines(memcode)));
        dialogs::showMessage(this, messages::kSaved);
    });
}

void Tfrmmain::btndown3Click()
{
    openDrawWindow<Tfrmdownload3>();
}

void Tfrmmain::btndown2Click()
{
    openDrawWindow<Tfrmdownload2>();
}

void Tfrmmain::btneditClick()
{
    openDrawWindow<Tfrmdata>();
}

void Tfrmmain::btnaboutClick()
{
    command([&] {
        if (!m_about)
            m_about = new Tfrmabout(this, m_session.programDir());
        m_about->exec();
    });
}

void Tfrmmain::btnsourceClick()
{
    command([&] { Tfrmsources(m_session.dataDir(), m_session.fetchSettings(), m_session.today(), this).exec(); });
}

void Tfrmmain::btncloseClick()
{
    command([&] { close(); });
}

void Tfrmmain::reloadSequence()
{
    QString notice;
    {
        BusyCursor busy;
        notice = loadSelectedHistory();
        showLoadedHistory();
    }
    // Start-up and the draw windows' return: every lottery's draws may be new.
    m_overview->drawsChanged();
    tellOnce(notice);
}

QString Tfrmmain::loadSelectedHistory()
{
    PlanSelection& selection = m_session.planSelection();
    QString notice;
    DrawHistory history = LoadHistory(m_session.dataDir(), selection.lotteryName, &notice);
    selection.digitCount = history.digitCount();
    m_session.setDrawHistory(std::move(history));
    return notice;
}

void Tfrmmain::tellOnce(const QString& notice)
{
    if (notice.isEmpty() || m_toldNotices.contains(notice))
        return;
    m_toldNotices.insert(notice);
    dialogs::showMessage(this, notice);
}

void Tfrmmain::showLoadedHistory(PlanMode mode)
{
    const bool noDraws = m_session.drawHistory().empty();
    grdtongji1->setVisible(!noDraws);
    lbltishi->setVisible(noDraws);
    fillPeriodBox();
    resetMode(mode);
    RefreshHitStatistics();
    RefreshPlanStatistics();
}

void Tfrmmain::fillPeriodBox()
{
    const DrawHistory& history = m_session.drawHistory();
    std::vector<qint64> periods;
    periods.reserve(std::size_t(history.size()) + 1);
    for (int r = 0; r < history.size(); ++r)
        periods.push_back(history.periodId(r));
    // The coming period is a plain increment of the newest id; an empty history has none.
    if (!history.empty())
        periods.push_back(qint64(history.periodId(history.size() - 1)) + 1);
    const int count = int(periods.size());
    static_cast<PeriodListModel*>(comcurqi->model())->setPeriods(std::move(periods));
    comcurqi->setCurrentIndex(count - 1);
}

void Tfrmmain::resetMode(PlanMode mode)
{
    PlanSelection& selection = m_session.planSelection();
    selection.mode = mode;
    selection.digitOffset = digitOffsetFor(mode, selection.digitCount);
    (mode == PlanMode::Front2 ? optFront2 : optBack2)->setChecked(true);
}

void Tfrmmain::RefreshHitStatistics()
{
    // 10000 draws replay in a few milliseconds: the window does not need to breathe meanwhile,
    // and no command can start inside it.
    m_report = replayReport(m_session.drawHistory(), m_session.planSelection().digitOffset);
    m_hitModel->setTable(m_report.hits);
    grdtongji2->scrollToBottom();
}

void Tfrmmain::RefreshPlanStatistics()
{
    // 计划期数 is read afresh each time; a text that is no whole number leaves the plans, the
    // summary and the charts as they were.
    PlanSelection& selection = m_session.planSelection();
    selection.planPeriods = planPeriodCountFromText(edtjihuaqishu->text());
    judgePlans(m_report, m_session.drawHistory(), selection.planPeriods);
    m_planModel->setTable(m_report.plans);
    // Period ids only grow, so the open plan's span is the widest text of the column.
    fitColumnTo(grdtongji1, 0, 150, planTable().empty() ? QString() : spanText(planTable().back()));
    mem->setPlainText(m_report.summary.join(QLatin1Char('\n')));
    m_charts->setReport(m_report);
    m_overview->setPlanPeriods(selection.planPeriods);
    grdtongji1->scrollToBottom();
}

void Tfrmmain::closeEvent(QCloseEvent* event)
{
    // Closing ends the schedule at once; a run going is cancelled.
    m_auto->stop();
    QWidget::closeEvent(event);
}

void Tfrmmain::enableLiveUpdate(const QString& lotteryName)
{
    const bool live = isLiveUpdateLottery(lotteryName);
    // While an automatic run goes, the runner holds 实时开奖 disabled and gives it back after.
    btndown3->setEnabled(live && !(m_auto && m_auto->isRunning()));
    const QTime drawTime = m_autoSettings.drawTime(lotteryName);
    spnauto->setVisible(!drawTime.isValid());
    lblkaijiangshijian->setVisible(drawTime.isValid());
    if (drawTime.isValid()) {
        const QString time = drawTime.toString(QStringLiteral("HH:mm"));
        lblkaijiangshijian->setText(QStringLiteral("开奖 %1").arg(time));
        lblkaijiangshijian->setToolTip(
            QStringLiteral("北京时间每晚%1开奖，自动更新在开奖后下载；开奖时间可在设置.ini中修改").arg(time));
    }
}

void Tfrmmain::syncAutoUpdate()
{
    if (!chkauto->isChecked())
        m_auto->stop();
    else if (!m_auto->isScheduled())
        m_auto->start(m_autoSettings);
}

void Tfrmmain::showAutoStatus(const QString& line)
{
    // One line under the tabs: a long reason gives way in the middle, so that the time and when
    // the next try comes stay in view; the whole line is the tooltip.
    const QString oneLine = QString(line).replace(QLatin1Char('\n'), QLatin1Char(' '));
    lblauto->setText(lblauto->fontMetrics().elidedText(oneLine, Qt::ElideMiddle, lblauto->width()));
    lblauto->setToolTip(oneLine);
}

void Tfrmmain::saveAutoSettings()
{
    m_autoSettings.enabled = chkauto->isChecked();
    m_autoSettings.minutes = spnauto->value();
    m_autoSettings.copy = chkcopy->isChecked();
    try {
        writeAutoUpdateSettings(m_session.dataDir(), m_autoSettings);
        m_settingsFailureTold = false;
    } catch (const UserError& e) {
        // The controls work on for this run; the reason is told once, until a save goes through.
        if (std::exchange(m_settingsFailureTold, true))
            return;
        throw UserError(e.message() + QStringLiteral("。自动更新照常进行，但这些设置下次启动时不会保留。"));
    }
}

void Tfrmmain::chkautoClick()
{
    command([&] {
        syncAutoUpdate();
        if (!chkauto->isChecked()) {
            lblauto->clear();
            lblauto->setToolTip(QString());
        }
        saveAutoSettings();
    });
}

void Tfrmmain::spnautoChange()
{
    command([&] {
        m_auto->setMinutes(spnauto->value());
        saveAutoSettings();
    });
}

void Tfrmmain::chkcopyClick()
{
    command([&] { saveAutoSettings(); });
}

QString Tfrmmain::showAutoUpdate(const QString& lottery, const QString& newestPeriodId, const QString& newestDigits)
{
    m_overview->drawsChanged();
    const PlanSelection& selection = m_session.planSelection();
    if (lottery != selection.lotteryName) {
        // Another lottery than the one shown: no bet list was made for it to judge.
        const QString news = newestDrawText(newestPeriodId, newestDigits, QString(), false, false);
        notify(drawStoredNotificationText(lottery, news));
        return news;
    }
    const PlanMode mode = selection.mode;
    // A reload's notice would be a box: the automatic update shows none, and 实时开奖 will.
    loadSelectedHistory();
    // The mode being played stays: the new bet list is for the positions the player bets on.
    showLoadedHistory(mode);
    makeBetList();
    if (chkcopy->isChecked())
        btncopyClick();
    if (hitTable().empty())
        return QString();
    const HitRow& newest = hitTable().back();
    const QString news = newestDrawText(newestPeriodId, digitsText(newest), planModeName(mode),
                                        int(hitTable().size()) > kUntestedDraws, newest.hit);
    notify(autoNotificationText(lottery, news));
    return news;
}

void Tfrmmain::notify(const QString& text)
{
    // Without a system tray the status line says it alone.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(this);
        QIcon icon = QApplication::windowIcon();
        m_tray->setIcon(icon.isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon) : icon);
        m_tray->setToolTip(QStringLiteral("Quorlin 自动更新"));
        connect(m_tray, &QSystemTrayIcon::activated, this, [this] {
            showNormal();
            raise();
            activateWindow();
        });
    }
    m_tray->show();
    m_tray->showMessage(QStringLiteral("Quorlin 自动更新"), text, QSystemTrayIcon::Information, 10000);
}
