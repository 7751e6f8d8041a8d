#include "gui/u_download3.h"

#include "core/acquire/live_update.h"
#include "core/acquire/site_paths.h"
#include "core/store/draw_database.h"
#include "gui/dialogs.h"
#include "gui/download_banner.h"
#include "gui/run_command.h"
#include "gui/run_sources.h"
#include "gui/session.h"
#include "gui/widget_placement.h"
#include "gui/work_runner.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimer>

namespace {

// "更新完成！" closes every update ("更新已取消！" one the user stopped, as 下载开奖 says
// "下载已取消！"); below it, what the update stored or why it failed, so that a failure never
// reads as a success.
QString summaryOf(const LotteryUpdate& update, bool catchUp)
{
    QStringList lines{update.outcome.cancelled() ? QStringLiteral("更新已取消！") : QStringLiteral("更新完成！"),
                      QString()};
    lines << outcomeLine(update);
    if (!update.outcome.succeeded() && catchUp)
        lines << QStringLiteral("下次实时开奖将再次读取近%1天的开奖。").arg(kDrawListDays);
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

Tfrmdownload3::Tfrmdownload3(Session& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_session(session)
{
    createControls();
    runCommand(this, [&] { FormCreate(); });
}

void Tfrmdownload3::createControls()
{
    setUpDownloadBanner(this, "frmdownload3");

    lbltitle = placeLabel(this, "lbltitle", QString(), 0, 0, 0, 0);
    lbltitle->hide();

    m_runner = new WorkRunner(this);

    Timer1 = named<QTimer>(this, "Timer1");
    Timer1->setSingleShot(true);
    Timer1->setInterval(m_session.liveStartDelay());
    connect(Timer1, &QTimer::timeout, this, &Tfrmdownload3::Timer1Timer);
}

void Tfrmdownload3::FormCreate()
{
    lbltitle->setText(progressText(m_session.planSelection().lotteryName));
    lbltitle->adjustSize();
    Timer1->start();
}

void Tfrmdownload3::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnFirstShow(this, m_centred);
}

void Tfrmdownload3::reject()
{
    if (m_finished)
        QDialog::reject();
}

void Tfrmdownload3::closeEvent(QCloseEvent* event)
{
    if (m_finished)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void Tfrmdownload3::Timer1Timer()
{
    Timer1->stop();
    bool started = false;
    runCommand(this, [&] {
        const QString lottery = m_session.planSelection().lotteryName;
        const QString dataDir = m_session.dataDir();
        showTitle();
        // The settings file is not part of the reader's guard: when it fails, the error is
        // reported as it stands and nothing is fetched.
        const ReaderHooks sourced = runReaderHooks(m_session);
        const bool catchUp = liveUpdateCatchesUp(m_session.historyCaughtUp(), lottery, sourced.sources);
        lbltitle->setText(progressText(lottery));
        WorkRunner* runner = m_runner;
        started = m_runner->start<LotteryUpdate>(
            [runner, dataDir, lottery, catchUp, sourced] {
                DrawDatabase db(dataDir);
                ReaderHooks hooks = sourced;
                hooks.cancelled = runner->cancelFlag();
                return runLiveUpdate(db, dataDir, lottery, catchUp, hooks);
            },
            [this, catchUp](LotteryUpdate& update) {
                if (caughtUpBy(catchUp, update))
                    m_session.setHistoryCaughtUp(true);
                dialogs::showMessage(this, summaryOf(update, catchUp));
            },
            {}, [this] { finish(); });
    });
    // Also after an error that stopped the update before it ran: a banner without controls must
    // not stay.
    if (!started)
        finish();
}

void Tfrmdownload3::finish()
{
    m_finished = true;
    accept();
}

// Centred once, for the text the window was made with.
void Tfrmdownload3::showTitle()
{
    lbltitle->move((width() - lbltitle->width()) / 2, (height() - lbltitle->height()) / 2);
    lbltitle->show();
}
