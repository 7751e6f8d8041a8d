#pragma once

#include "core/acquire/auto_update.h"
#include "core/plan/plan_report.h"
#include "gui/session.h"

#include <QSet>
#include <QWidget>

template <class Row>
class RowTableModel;
using HitTableModel = RowTableModel<HitRow>;
using PlanTableModel = RowTableModel<PlanRow>;
class AutoUpdater;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableView;

// The main window: picks the lottery and the played positions, shows the statistics of the
// rule over the stored history and gives the bet list for the next period.
class Tfrmmain : public QWidget {
    Q_OBJECT

public:
    // Runs the start-up sequence with `programDir` as the program directory (the executable's
    // own in the program; a scratch folder in tests).
    explicit Tfrmmain(const QString& programDir, QWidget* parent = nullptr);
    // The same with a session made beforehand, for tests that fix "today" or the timing in it.
    explicit Tfrmmain(Session session, QWidget* parent = nullptr);
    ~Tfrmmain() override;

    // The state of this run, which the main window hands to its windows.
    Session& session() { return m_session; }

    const HitTable& hitTable() const;
    const PlanTable& planTable() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QTabWidget* page;
    QLabel* lbltishi;  // in place of the tabs while the lottery has no draw: where draws come from
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QTableView* grdtongji1;
    QTableView* grdtongji2;
    QProgressBar* pb;
    QPlainTextEdit* mem;
    QGroupBox* optmode;
    QRadioButton* optFront2;
    QRadioButton* optBack2;
    QLabel* Label3;
    QLabel* Label2;
    QComboBox* comcurqi;
    QLabel* lblkaijiang;
    QLabel* Label10;
    QLineEdit* edtjihuaqishu;
    QLabel* lbljushu;
    QPlainTextEdit* memcode;
    QPushButton* btntongji;
    QPushButton* btnfilt;
    QPushButton* btnsave;
    QPushButton* btncopy;
    QLineEdit* edtcopy;
    QLabel* Label1;
    QComboBox* comcaipiao;
    QPushButton* btndown3;
    QPushButton* btndown2;
    QPushButton* btnedit;
    QPushButton* btnabout;
    QPushButton* btnsource;  // 数据源: the hosts of the outside sites
    QPushButton* btnclose;
    QCheckBox* chkauto;          // 自动更新: the live update on an interval, for a 时时彩 lottery
    QSpinBox* spnauto;           // its interval in minutes, for a 时时彩 lottery
    QLabel* lblkaijiangshijian;  // a daily lottery's draw time, in the interval's place
    QCheckBox* chkcopy;          // 自动复制: an automatic update's bet list goes to the clipboard too
    QLabel* lblauto;             // the last automatic update's time and outcome

    void createControls();
    // createControls by group, in the order the controls are made.
    void createTabs();
    void createGrids();
    void createSummary();
    void createBetList();
    void createCommandButtons();
    void createSelectionRow();
    void createAutoUpdateRow();
    // Names for screen readers, labels as buddies, the main actions' keys.
    void nameControls();
    void giveShortcuts();
    void setTabOrders();
    void FormCreate();

    void comcaipiaoChange();
    void optmodeClick();
    void btntongjiClick();
    void btnfiltClick();
    void btnsaveClick();
    void btncopyClick();
    void btndown3Click();
    void btndown2Click();
    void btneditClick();
    void btnaboutClick();
    void btnsourceClick();
    void btncloseClick();
    void chkautoClick();
    void spnautoChange();
    void chkcopyClick();

    void reloadSequence();
    // Loads the selected lottery's history into the session and its digit count into the
    // selection; on failure both keep what they held. Returns the load's notice.
    QString loadSelectedHistory();
    // After a reload the mode is 后二, unless an automatic update keeps the one being played.
    void showLoadedHistory(PlanMode mode = PlanMode::Back2);
    // A load's notice, shown the first time it comes up in a run.
    void tellOnce(const QString& notice);
    void showLotteryInBox(const QString& lotteryName);
    void fitLotteryBoxFont();
    void fillPeriodBox();
    void resetMode(PlanMode mode);
    // The bet list for the next period into memcode, without copying it.
    void makeBetList();
    // 实时开奖 is there for the live-update lotteries only; the automatic update shows the
    // interval of a 时时彩 lottery, the draw time of a daily one.
    void enableLiveUpdate(const QString& lotteryName);
    // Starts the automatic update of every lottery when it is ticked; stops it otherwise.
    void syncAutoUpdate();
    void saveAutoSettings();
    void showAutoStatus(const QString& line);
    // An automatic update stored new draws of `lottery`: the 总览 tab is refreshed, and the lottery
    // shown as after 实时开奖, with the bet list made anew. Returns what the newest draw was.
    QString showAutoUpdate(const QString& lottery, const QString& newestPeriodId, const QString& newestDigits);
    void notify(const QString& text);
    void RefreshHitStatistics();
    void RefreshPlanStatistics();

    // Runs a handler body behind the error boundary. No command can start inside another: the
    // statistics run without turning the event loop, and the draw windows are modal.
    template <class Body>
    void command(Body&& body);

    // A draw window (a QDialog taking the session and its parent) is made afresh for every opening and shown
    // modally; whatever was done in it reaches this window through the database, so the
    // reload runs whenever it closes.
    template <class Window>
    void openDrawWindow();

    Session m_session;
    // What the rule did under the selection; the grids, the summary and the charts show it.
    PlanReport m_report;
    HitTableModel* m_hitModel;
    PlanTableModel* m_planModel;
    // The 图表 tab.
    class PlanCharts* m_charts;
    // The 总览 tab: every lottery from its stored draws, read afresh when shown.
    class OverviewTab* m_overview;
    QButtonGroup* m_modeButtons;
    // A lottery change that failed on Enter in the lottery box: that Enter runs no 过滤.
    bool m_lotteryChangeFailed = false;
    bool m_centred = false;
    // Why a load left more draws than the cap, told once a run rather than at every reload.
    QSet<QString> m_toldNotices;
    // Made on the first 关于 and shown again on every later one, so its side file is read once.
    class Tfrmabout* m_about = nullptr;
    AutoUpdater* m_auto = nullptr;
    // What 设置.ini said of the automatic update, with the controls' changes: its draw times are
    // kept as read.
    AutoUpdateSettings m_autoSettings;
    // A draw window (实时开奖, 下载开奖, 添加开奖) is open: the automatic update skips its tick.
    bool m_drawWindowOpen = false;
    // A settings file that cannot be written is said once, not at every change of the controls.
    bool m_settingsFailureTold = false;
    class QSystemTrayIcon* m_tray = nullptr;
};
