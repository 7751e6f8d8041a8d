#include "gui/u_download2.h"

#include "core/acquire/history_download.h"
#include "core/acquire/history_readers.h"
#include "core/base/lottery_table.h"
#include "gui/accessible_names.h"
#include "gui/dialogs.h"
#include "gui/download_banner.h"
#include "gui/run_command.h"
#include "gui/run_sources.h"
#include "gui/session.h"
#include "gui/widget_placement.h"
#include "gui/work_runner.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

namespace {

const QString kAllLotteries = QStringLiteral("所有彩票");

// "下载完成！" closes every run; below it, what each lottery got, so that a failure never reads
// as a success.
QString summaryOf(const std::vector<LotteryUpdate>& updates, const QString& choice)
{
    const bool cancelled =
        std::any_of(updates.begin(), updates.end(), [](const LotteryUpdate& u) { return u.outcome.cancelled(); });
    QStringList lines{cancelled ? QStringLiteral("下载已取消！") : QStringLiteral("下载完成！"), QString()};
    if (updates.empty())
        lines << QStringLiteral("没有名为“%1”的彩票，未下载任何开奖。").arg(choice);
    for (const LotteryUpdate& update : updates)
        lines << outcomeLine(update);
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

Tfrmdownload2::Tfrmdownload2(Session& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_session(session)
{
    createControls();
    runCommand(this, [&] { FormCreate(); });
}

void Tfrmdownload2::createControls()
{
    setUpDownloadBanner(this, "frmdownload2");

    lbltishi = place<QLabel>(this, "lbltishi", 16, 29, 65, 13);
    lbltishi->setText(QStringLiteral("选择彩票："));
    lbltishi->adjustSize();

    comdown = place<QComboBox>(this, "comdown", 80, 25, 113, 21);
    comdown->setEditable(true);
    comdown->setInsertPolicy(QComboBox::NoInsert);

    btndown = place<QPushButton>(this, "btndown", 200, 23, 65, 25);
    btndown->setText(QStringLiteral("开始下载"));
    btndown->setDefault(true);
    btnclose = place<QPushButton>(this, "btnclose", 272, 23, 65, 25);
    btnclose->setText(QStringLiteral("退出"));

    lbltitle = place<QLabel>(this, "lbltitle", 107, 28, 230, 16);
    lbltitle->hide();
    // In the place of the choice, which a run hides. Esc cancels as well; the button takes no
    // focus, so that a stray Enter does not.
    btncancel = place<QPushButton>(this, "btncancel", 16, 23, 65, 25);
    btncancel->setText(QStringLiteral("取消"));
    btncancel->setAutoDefault(false);
    btncancel->setFocusPolicy(Qt::NoFocus);
    pbjindu = place<QProgressBar>(this, "pbjindu", 107, 50, 200, 5);
    pbjindu->setTextVisible(false);
    pbjindu->hide();

    labelBox(lbltishi, comdown, QStringLiteral("要下载的彩票，或所有彩票；按回车开始下载"));
    nameControl(pbjindu, QStringLiteral("下载进度"));

    m_runner = new WorkRunner(this);
    m_runner->setCancelButton(btncancel);
    connect(m_runner, &WorkRunner::cancelling, this, [this] { lbltitle->setText(QStringLiteral("正在取消。。。")); });

    connect(btndown, &QPushButton::clicked, this, &Tfrmdownload2::btndownClick);
    connect(btnclose, &QPushButton::clicked, this, &Tfrmdownload2::btncloseClick);
    // Enter in the choice box starts the run at once: its inline completion would otherwise
    // spend the first Enter on the selected text.
    comdown->installEventFilter(this);
    comdown->lineEdit()->installEventFilter(this);
    comdown->setFocus();
}

void Tfrmdownload2::FormCreate()
{
    comdown->addItem(kAllLotteries);
    comdown->addItems(lotteryNames());
    comdown->setCurrentIndex(0);
}

void Tfrmdownload2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnFirstShow(this, m_centred);
}

bool Tfrmdownload2::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == comdown || watched == comdown->lineEdit()) && event->type() == QEvent::KeyPress &&
        !m_runner->isRunning()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btndown->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Tfrmdownload2::btncloseClick()
{
    runCommand(this, [&] { reject(); });
}

// The choice gives way to the progress while a run goes on; a run that ends in an error leaves
// the window open, and it must offer the choice again, not a 取消 with nothing to cancel.
void Tfrmdownload2::showRunning(bool running)
{
    for (QWidget* choice : {static_cast<QWidget*>(lbltishi), static_cast<QWidget*>(comdown),
                            static_cast<QWidget*>(btndown), static_cast<QWidget*>(btnclose)})
        choice->setVisible(!running);
    pbjindu->setVisible(running);
    lbltitle->setVisible(running);
}

void Tfrmdownload2::btndownClick()
{
    runCommand(this, [&] {
        if (m_runner->isRunning())
            return;
        const QString choice = comdown->currentText();
        const QString dataDir = m_session.dataDir();
        // The hosts as 数据源.ini names them now: a change applies without restarting. A bad
        // file stops the run before it starts.
        const ReaderHooks sourced = runReaderHooks(m_session);
        QStringList chosen;
        int pages = 0;
        for (const QString& lottery : downloadRunOrder()) {
            if (choice == kAllLotteries || choice == lottery) {
                chosen << lottery;
                pages += pagesPerRun(lottery, sourced.sources);
            }
        }
        pbjindu->setRange(0, std::max(pages, 1));
        pbjindu->setValue(0);
        lbltitle->setText(chosen.isEmpty() ? QString() : progressText(chosen.constFirst()));
        showRunning(true);

        WorkRunner* runner = m_runner;
        QProgressBar* bar = pbjindu;
        QLabel* title = lbltitle;
        auto work = [runner, bar, title, dataDir, chosen, sourced] {
            ReaderHooks hooks = sourced;
            hooks.cancelled = runner->cancelFlag();
            hooks.pageRead = [runner, bar] { runner->post([bar] { bar->setValue(bar->value() + 1); }); };
            DownloadProgress progress;
            progress.lotteryStarted = [runner, title](const QString& lottery) {
                runner->post([runner, title, lottery] {
                    if (!runner->cancelRequested())
                        title->setText(progressText(lottery));
                });
            };
            progress.lotteryEnded = [runner, bar](int pagesDone) {
                runner->post([bar, pagesDone] { bar->setValue(pagesDone); });
            };
            return downloadHistories(dataDir, chosen, hooks, progress);
        };
        m_runner->start<std::vector<LotteryUpdate>>(
            work, [this, choice](std::vector<LotteryUpdate>& updates) { finishRun(updates, choice); }, {},
            [this] { showRunning(false); });
    });
}

void Tfrmdownload2::finishRun(const std::vector<LotteryUpdate>& updates, const QString& choice)
{
    accept();
    // A failed or empty run has not caught the history up: the live update must still do its own
    // catch-up then.
    const bool allSucceeded =
        std::all_of(updates.begin(), updates.end(), [](const LotteryUpdate& u) { return u.outcome.succeeded(); });
    if (!updates.empty() && allSucceeded)
        m_session.setHistoryCaughtUp(true);
    dialogs::showMessage(parentWidget(), summaryOf(updates, choice));
}
