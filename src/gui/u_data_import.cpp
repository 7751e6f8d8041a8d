// The data window's 导出 and 导入 of draw files, its 缺期 and 补齐, and 核对: each asks what it needs,
// leaves the reading, planning, comparing, writing and filling to the core and shows the outcome.
#include "gui/u_data.h"

#include "core/acquire/gap_fill.h"
#include "core/acquire/sources/source_reader.h"
#include "core/base/cancelled.h"
#include "core/base/lottery_table.h"
#include "core/base/program_paths.h"
#include "core/base/user_error.h"
#include "core/base/whole_file.h"
#include "core/store/draw_comparison.h"
#include "core/store/draw_database.h"
#include "core/store/draw_import.h"
#include "core/store/draw_row_set.h"
#include "core/store/missing_periods.h"
#include "core/store/period_gaps.h"
#include "gui/dialogs.h"
#include "gui/messages.h"
#include "gui/run_command.h"
#include "gui/run_sources.h"
#include "gui/session.h"
#include "gui/u_check.h"
#include "gui/u_gaps.h"
#include "gui/u_import.h"
#include "gui/work_runner.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <optional>

template <class Result>
void Tfrmdata::runBehindCancel(QPushButton* button, std::function<Result()> work, std::function<void(Result&)> done)
{
    // No second command meanwhile: every control but the button, which turns into 取消, waits.
    const QString caption = button->text();
    const QList<QWidget*> waiting = controlsBut(button);
    button->setText(QStringLiteral("取消"));
    m_runner->start<Result>(std::move(work), std::move(done), waiting, [button, caption] {
        button->setText(caption);
        button->setEnabled(true);
    });
}

void Tfrmdata::btnsaveClick()
{
    rowSetCommand([&] { ExportHistory(); });
}

void Tfrmdata::ExportHistory()
{
    chosenLotteryFor(QStringLiteral("导出"));
    const QString folder = program_paths::exportDir(m_session.programDir());
    QDir().mkpath(folder);
    const QString fileName = dialogs::getSaveFileName(this, QStringLiteral("导出"),
                                                      folder + m_rowSet->lotteryName() + QStringLiteral("历史号码.txt"),
                                                      QStringLiteral("文本文件(*.txt)"), QStringLiteral("txt"));
    if (fileName.isEmpty())
        return;
    writeWholeFile(fileName, m_rowSet->exportFileBytes(chkexportsource->isChecked()));
    dialogs::showMessage(this, messages::kSaved);
}

QString Tfrmdata::chosenLotteryFor(const QString& action) const
{
    const QList<QListWidgetItem*> chosen = lstcaipiao->selectedItems();
    if (chosen.isEmpty() || !m_rowSet->isOpen() || m_rowSet->lotteryName() != chosen.first()->text())
        throw UserError(QStringLiteral("请选择要%1的彩票！").arg(action));
    return m_rowSet->lotteryName();
}

namespace {

const LotteryInfo& knownLottery(const QString& lottery)
{
    const LotteryInfo* info = findLottery(lottery);
    if (!info)
        throw UserError(QStringLiteral("“%1”不是本程序认识的彩票，不知其期号与号码的格式。").arg(lottery));
    return *info;
}

}  // namespace

QList<QWidget*> Tfrmdata::controlsBut(QWidget* kept) const
{
    QList<QWidget*> controls;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != kept)
            controls << child;
    }
    return controls;
}

bool Tfrmdata::cancelRunningWork()
{
    if (!m_runner->isRunning())
        return false;
    m_runner->cancel();
    return true;
}

void Tfrmdata::btnimportClick()
{
    // While a file is read the button reads "取消" and asks it to stop.
    if (!cancelRunningWork())
        rowSetCommand([&] { importHistory(); });
}

void Tfrmdata::importHistory()
{
    const QString lottery = chosenLotteryFor(QStringLiteral("导入"));
    const LotteryInfo& info = knownLottery(lottery);
    // A row typed but not yet stored goes in first, as before an export; the file is then
    // compared with what is really stored.
    m_rowSet->leavePendingRow();
    // Draw files come from wherever the user keeps them: the home folder, then the folder the
    // last import of the session took its file from.
    const QString folder = m_session.importFolder().isEmpty() ? QDir::homePath() : m_session.importFolder();
    const QString fileName = dialogs::getOpenFileName(this, QStringLiteral("导入"), folder,
                                                      QStringLiteral("文本文件(*.txt *.csv);;所有文件(*)"));
    if (fileName.isEmpty())
        return;
    m_session.setImportFolder(QFileInfo(fileName).absolutePath());
    // The file is read on the runner's thread: a large one keeps the window painted, shows how
    // far it has come once it takes over a second, and stops on 取消, Esc or the close box. The
    // comparison with the table and the writing stay here, on the window's connection.
    const auto showPercent = percentOnButton(btnimport);
    const auto cancelled = m_runner->cancelFlag();
    const LotteryInfo* target = &info;
    const QDate today = m_session.today();
    runBehindCancel<std::optional<ParsedDrawFile>>(
        btnimport,
        [showPercent, cancelled, fileName, target, today] {
            return readDrawFileCancellable(fileName, *target, today, showPercent, cancelled);
        },
        [this, target, fileName](std::optional<ParsedDrawFile>& parsed) {
            // Cancelled: nothing was read into the table, and nothing needs saying.
            if (parsed)
                confirmImport(*target, fileName, std::move(*parsed));
        });
}

std::function<void(int)> Tfrmdata::percentOnButton(QPushButton* button) const
{
    WorkRunner* runner = m_runner;
    const QPointer<QPushButton> shown = button;
    return [runner, shown](int percent) {
        runner->post([shown, percent] {
            if (shown)
                shown->setText(QStringLiteral("取消 %1%").arg(percent));
        });
    };
}

void Tfrmdata::confirmImport(const LotteryInfo& info, const QString& fileName, ParsedDrawFile parsed)
{
    const ImportPlan plan = planImport(*m_db, info, std::move(parsed));
    Tfrmimport summary(plan, info.name, fileName, this);
    if (summary.exec() != QDialog::Accepted)
        return;
    const DrawDatabase::SourceScope imported(*m_db, importSourceName(fileName));
    const ImportResult result = writeImport(*m_db, info, plan, summary.overwriteConflicts());
    m_rowSet->refresh();
    m_rowSet->moveTo(m_rowSet->rowCount() - 1);
    dialogs::showMessage(this, importResultText(result));
}

void Tfrmdata::btngapsClick()
{
    rowSetCommand([&] {
        const QString lottery = chosenLotteryFor(QStringLiteral("查看缺期"));
        const LotteryInfo& info = knownLottery(lottery);
        const QStringList report = gapReport(storedGaps(*m_db, info), info);
        Tfrmgaps(QStringLiteral("缺期"), QStringLiteral("%1的缺期：").arg(lottery), report, this).exec();
    });
}

void Tfrmdata::btnfillClick()
{
    // While a fill runs the button reads "取消" and asks it to stop.
    if (!cancelRunningWork())
        rowSetCommand([&] { fillChosenGaps(); });
}

void Tfrmdata::fillChosenGaps()
{
    const QString lottery = chosenLotteryFor(QStringLiteral("补齐"));
    const LotteryInfo& info = knownLottery(lottery);
    if (info.historySource != HistorySource::DrawList) {
        dialogs::showError(this, QStringLiteral("只有时时彩可以从开奖页面补齐缺期。"));
        return;
    }
    m_rowSet->leavePendingRow();
    if (storedGaps(*m_db, info).empty()) {
        dialogs::showMessage(this, QStringLiteral("%1没有缺期").arg(lottery));
        return;
    }
    const QString dataDir = m_session.dataDir();
    // The hosts as the settings file names them now, as for a download.
    ReaderHooks hooks = runReaderHooks(m_session);
    hooks.cancelled = m_runner->cancelFlag();
    runBehindCancel<GapFill>(
        btnfill,
        // The fill writes through a connection of its own thread; the window's stays with the grid.
        [hooks, dataDir, lottery] { return fillGapsInDataFolder(dataDir, lottery, hooks); },
        [this, lottery](GapFill& fill) {
            m_rowSet->refresh();
            Tfrmgaps(QStringLiteral("补齐"), QStringLiteral("%1补齐的结果：").arg(lottery), gapFillReport(fill), this)
                .exec();
        });
}

void Tfrmdata::btncheckClick()
{
    // While the other source is read the button reads "取消" and asks it to stop.
    if (!cancelRunningWork())
        rowSetCommand([&] { checkChosenLottery(); });
}

void Tfrmdata::checkChosenLottery()
{
    const QString lottery = chosenLotteryFor(QStringLiteral("核对"));
    const LotteryInfo& info = knownLottery(lottery);
    m_rowSet->leavePendingRow();
    // The sources as the settings file names them now, as for a download.
    ReaderHooks hooks = runReaderHooks(m_session);
    const SourceDescription* other = hooks.sources.confirmingSource(lottery);
    if (!other) {
        dialogs::showMessage(
            this, QStringLiteral("%1没有设定核对来源。请先在“数据源”中为它选择核对来源，再核对。").arg(lottery));
        return;
    }
    const int rows = m_rowSet->rowCount();
    if (rows == 0) {
        dialogs::showMessage(this, QStringLiteral("%1还没有开奖，无从核对。").arg(lottery));
        return;
    }
    // The whole stored range, oldest to newest: the row set holds it in period order.
    const QString from = m_rowSet->index(0, 0).data().toString();
    const QString to = m_rowSet->index(rows - 1, 0).data().toString();
    hooks.cancelled = m_runner->cancelFlag();
    const SourceDescription source = *other;
    const LotteryInfo* target = &info;
    runBehindCancel<std::optional<SourceReading>>(
        btncheck,
        [source, target, from, to, hooks]() -> std::optional<SourceReading> {
            try {
                return readSourceOver(source, *target, from, to, hooks);
            } catch (const Cancelled&) {
                return std::nullopt;
            }
        },
        [this, target, from, to, name = source.name](std::optional<SourceReading>& reading) {
            // Cancelled: nothing was compared or marked, and nothing needs saying.
            if (reading)
                showCheck(*target, CheckReading{name, from, to, reading->covered.from, reading->covered.to,
                                                std::move(reading->document.draws)});
        });
}

void Tfrmdata::showCheck(const LotteryInfo& info, CheckReading reading)
{
    const bool readOnly = m_db->readOnly();
    Tfrmcheck list(*m_db, info, std::move(reading), readOnly, this);
    // The list shows even when the marks cannot be written (another program holds the file).
    if (!readOnly)
        runCommand(this, [&] { markCompared(*m_db, info.name, list.comparison()); });
    showOrigin();
    connect(&list, &Tfrmcheck::drawsChanged, this, [this] { m_rowSet->refresh(); });
    list.exec();
}
