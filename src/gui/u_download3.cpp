#include "gui/u_download3.h"

#include "core/acquire/feed_reader.h"
#include "core/acquire/gap_fill.h"
#include "core/acquire/history_readers.h"
#include "core/acquire/page_fetch.h"
#include "core/acquire/source_settings.h"
#include "core/acquire/url_source.h"
#include "core/base/u_public.h"
#include "core/store/draw_database.h"
#include "gui/dialogs.h"
#include "gui/download_banner.h"
#include "gui/run_command.h"
#include "gui/widget_placement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QTimer>

namespace {

std::chrono::milliseconds g_startDelay{1000};

// "更新完成！" closes every update; below it, what the update stored or why it failed, so that
// a failure never reads as a success.
QString summaryOf(const LotteryUpdate& update, bool catchUp)
{
    QStringList lines{QStringLiteral("更新完成！"), QString()};
    lines << outcomeLine(update);
    if (!update.succeeded() && catchUp)
        lines << QStringLiteral("下次实时开奖将再次读取近%1天的开奖。").arg(kDrawListDays);
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

namespace u_download3 {
std::chrono::milliseconds startDelay()
{
    return g_startDelay;
}
namespace testing {
void setStartDelay(std::chrono::milliseconds delay)
{
    g_startDelay = delay;
}
}  // namespace testing
}  // namespace u_download3

Tfrmdownload3::Tfrmdownload3(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    createControls();
    runCommand(this, [&] { FormCreate(); });
}

void Tfrmdownload3::createControls()
{
    setUpDownloadBanner(this, "frmdownload3");

    lbltitle = placeLabel(this, "lbltitle", QString(), 0, 0, 0, 0);
    lbltitle->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(u_download3::startDelay());
    connect(Timer1, &QTimer::timeout, this, &Tfrmdownload3::Timer1Timer);
}

void Tfrmdownload3::FormCreate()
{
    lbltitle->setText(progressText(u_public::planSelection().lotteryName));
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
    runCommand(this, [&] {
        const QString lottery = u_public::planSelection().lotteryName;
        showTitle();
        const bool catchUp = !u_public::historyCaughtUp();
        bool ownSource = false;
        LotteryUpdate update;
        {
            BusyCursor busy;
            // Neither the settings file nor the database is part of the reader's guard: when one
            // fails, the error is reported as it stands and nothing is fetched.
            applySourceSettings(u_public::dataDir());
            DrawDatabase db(u_public::dataDir());
            lbltitle->setText(progressText(lottery));
            lbltitle->repaint();
            // A lottery with a draw address of its own reads it instead of the day pages and the feed.
            ownSource = !drawUrl(lottery).isEmpty();
            update = ownSource ? runLotteryReader(db, u_public::dataDir(), lottery, {[this] { giveTurn(); }, {}, {}})
                     : catchUp ? UpdateFromDayPages(db, lottery)
                               : UpdateFromFeed(db, lottery);
        }
        dialogs::showMessage(this, summaryOf(update, catchUp && !ownSource));
    });
    // Also after an error that stopped the update: a banner without controls must not stay.
    m_finished = true;
    accept();
}

// Centred once, for the text the window was made with, and shown before the blocking work.
void Tfrmdownload3::showTitle()
{
    lbltitle->move((width() - lbltitle->width()) / 2, (height() - lbltitle->height()) / 2);
    lbltitle->show();
    lbltitle->repaint();
}

LotteryUpdate Tfrmdownload3::UpdateFromDayPages(DrawDatabase& db, const QString& lottery)
{
    const QString dataDir = u_public::dataDir();
    QFile::remove(scratchPageFile(dataDir));
    LotteryUpdate update = DrawListScan(db, dataDir, lottery, {[this] { giveTurn(); }, {}, {}});
    // Only a catch-up that went through has caught the history up; after a failure the next
    // live update tries the day pages again.
    if (update.succeeded())
        u_public::setHistoryCaughtUp(true);
    return update;
}

LotteryUpdate Tfrmdownload3::UpdateFromFeed(DrawDatabase& db, const QString& lottery)
{
    // Taken once, before the feed is loaded: a table that cannot be read stops the update with
    // the database's own message.
    const QString newest = db.newestPeriodId(lottery);
    LotteryUpdate update = readLotteryFeed(db, lottery, newest, [this] { giveTurn(); });
    // The feed lists the latest draws only: periods it jumps over come from their day pages.
    fillFeedJump(db, u_public::dataDir(), newest, update, {[this] { giveTurn(); }, {}, {}});
    return update;
}

void Tfrmdownload3::giveTurn()
{
    QCoreApplication::processEvents();
}
