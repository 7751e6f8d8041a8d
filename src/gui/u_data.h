#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class DbNavigator;
class QCheckBox;
class DrawDatabase;
class DrawRowSet;
class WorkRunner;
struct CheckReading;
struct LotteryInfo;
struct ParsedDrawFile;
class QLabel;
class QListWidget;
class QPushButton;
class QTableView;
class Session;

// The data window: browse the draws of any lottery table, type in and correct draws, export
// a lottery's draws to a text file and import them from one, see the missing periods and fill
// those of a 时时彩 lottery from its day pages, and check the stored draws against a second source.
class Tfrmdata : public QDialog {
    Q_OBJECT

public:
    // The session gives the folders and remembers the folder of the last import.
    explicit Tfrmdata(Session& session, QWidget* parent = nullptr);
    ~Tfrmdata() override;

    DrawRowSet* rowSet() const { return m_rowSet; }
    // Between 开始添加 and 完成添加: rows can be typed in, and the window does not close.
    bool isAdding() const { return m_adding; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* Label1;
    QLabel* Label2;
    QListWidget* lstcaipiao;
    QTableView* grdcaipiao;
    DbNavigator* dbv_caipiao;
    QPushButton* btnadd;
    QPushButton* btnsave;
    QPushButton* btnedit;
    QPushButton* btnext;
    QPushButton* btnimport;      // 导入: draws from a text file
    QPushButton* btngaps;        // 缺期: the missing periods of the chosen lottery
    QPushButton* btnfill;        // 补齐: a 时时彩 lottery's missing periods from its day pages
    QPushButton* btncheck;       // 核对: the stored draws beside what the lottery's 核对来源 lists
    QCheckBox* chkexportsource;  // 导出 adds each draw's source as a last column
    QLabel* lblorigin;           // where the current draw came from, and whether a second source agrees

    // Browsing and adding (u_data.cpp).
    void createControls();
    void createBrowsingControls();
    void createCommandButtons();
    // Names for screen readers, the labels as buddies, and Tab in the order of the screen.
    void nameControls();
    void connectControls();
    void FormCreate();
    void lstcaipiaoClick();
    void btneditClick();
    void btnaddClick();
    void focusNewRow();
    void btnextClick();
    void navigatorClick(int button);
    void gridRowChanged(int row);
    void syncGrid();
    // The current draw's source and confirmation, from 开奖来源, under the grid.
    void showOrigin();
    // The line as wide as the label allows, the rest left to its tooltip.
    void fitOriginLine();
    void setAdding(bool adding);
    void sizeColumns();
    // Runs a row-set operation behind the error boundary, keeping the grid's current row in
    // step with the row set's instead of letting the grid's own moves feed back into it.
    void rowSetCommand(const std::function<void()>& body);

    // 导出, 导入, 缺期, 补齐 and 核对 (u_data_import.cpp).
    void btnsaveClick();
    void ExportHistory();
    void btnimportClick();
    void importHistory();
    // The summary of a file read, then, when confirmed, the writing.
    void confirmImport(const LotteryInfo& info, const QString& fileName, ParsedDrawFile parsed);
    // The list of what 核对 found, after the agreeing draws are marked (unless the file is read-only).
    void showCheck(const LotteryInfo& info, CheckReading reading);
    void btngapsClick();
    void btnfillClick();
    void fillChosenGaps();
    void btncheckClick();
    void checkChosenLottery();
    // The lottery chosen in the list and shown in the grid; with none, a UserError asking for
    // one to `action` (导出, 导入, 查看缺期, 补齐), which the command shows.
    QString chosenLotteryFor(const QString& action) const;
    // Runs long work on the runner with `button` as its 取消 (pressed again, it cancels), and
    // every other control waiting.
    template <class Result>
    void runBehindCancel(QPushButton* button, std::function<Result()> work, std::function<void(Result&)> done);
    // Asks the long work running, if any, to stop; false when none runs.
    bool cancelRunningWork();
    // Every control of the window but `kept`: what waits while long work runs.
    QList<QWidget*> controlsBut(QWidget* kept) const;
    // Shows a long read's percent on its 取消 button ("取消 N%"); called on the runner's thread.
    std::function<void(int)> percentOnButton(QPushButton* button) const;

    std::unique_ptr<DrawDatabase> m_db;
    Session& m_session;
    DrawRowSet* m_rowSet;
    bool m_adding = false;
    bool m_syncing = false;
    bool m_centred = false;
    QString m_originLine;  // lblorigin's whole text
    WorkRunner* m_runner;  // 导入, 补齐 and 核对: their cancel, Esc and close box
};
