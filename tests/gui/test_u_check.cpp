#include "core/acquire/source_settings.h"
#include "core/acquire/sources/source_description.h"
#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "core/store/draw_origins.h"
#include "core/store/draw_row_set.h"
#include "gui/dialogs.h"
#include "gui/session.h"
#include "gui/u_check.h"
#include "gui/u_data.h"
#include "support/download_fixture.h"
#include "support/draw_fixtures.h"
#include "support/find_control.h"
#include "support/modal_answer.h"
#include "support/source_fixtures.h"
#include "support/window_input.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <functional>
#include <memory>

using namespace fixtures;

namespace {

const QString k3D = QStringLiteral("中国福彩3D");
const QString kOperator = QStringLiteral("中国福利彩票");

// Stores draws as a download from `source` would: each recorded as coming from it.
void storeFrom(const QString& programDir, const QString& lottery, const std::vector<StoredDraw>& draws,
               const QString& source)
{
    DrawDatabase db(programDir);
    const DrawDatabase::SourceScope named(db, source);
    DrawDatabase::Transaction transaction(db);
    for (const StoredDraw& draw : draws)
        db.appendDraw(lottery, draw.periodId, draw.digits);
    transaction.commit();
}

// 中彩网 asked for the periods from `from` to `to`, answering as it does: those of `history`
// (oldest first) in the range, newest first, page by page.
void serveZhcwRange(LocalHttpServer& lists, const std::vector<StoredDraw>& history, const QString& from,
                    const QString& to)
{
    const SourceDescription* zhcw = findSource(builtinSources(), QStringLiteral("zhcw"));
    std::vector<StoredDraw> newestFirst;
    for (auto draw = history.rbegin(); draw != history.rend(); ++draw) {
        if (draw->periodId >= from && draw->periodId <= to)
            newestFirst.push_back(*draw);
    }
    const int pages = std::max<int>(1, (int(newestFirst.size()) + zhcw->pageSize - 1) / zhcw->pageSize);
    for (int page = 1; page <= pages; ++page)
        lists.serve(sourcePath(zhcw->id, k3D, page, from, to), zhcwPage(newestFirst, page, zhcw->pageSize));
}

// Each row of the list as "期号|情况|本地号码|本地来源|对方号码|ticked".
QStringList rowsOf(Tfrmcheck* list)
{
    const QAbstractItemModel* model = control<QTableView>(list, "grdcheck")->model();
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 1; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        rows << cells.join(u'|');
    }
    return rows;
}

// The digits as one text ("123") of a stored period, empty when it is not stored.
QString storedDigitsOf(const QString& programDir, const QString& periodId)
{
    for (const StoredDraw& draw : storedDraws(programDir, k3D)) {
        if (draw.periodId == periodId)
            return draw.digits.join(QString());
    }
    return {};
}

}  // namespace

class TestCheckWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listsWhatDiffers_data();
    void listsWhatDiffers();
    void takesTheOtherDigitsWhenAsked_data();
    void takesTheOtherDigitsWhenAsked();
    void changedMeanwhileTakesNone();
    void fillsTheTickedMissingPeriods();
    void readOnlyFileListsAndMarksNothing();
    void withoutAConfirmingSourceNothingIsRead();
    void failedReadingMarksNothing();
    void pressedAgainItStops();

private:
    // 数据源.ini names `confirm` (a source id) as 福彩3D's 核对来源, or none when empty.
    void setConfirmingSource(const QString& confirm);
    // Opens the data window, chooses 福彩3D, presses 核对 and hands the list window to `look`
    // while it is open; false when no list came.
    bool check(const std::function<void(Tfrmcheck*)>& look);

    dialogs::testing::Recorder m_dialogs;  // the user, answering in advance; outlives the windows
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<OperatorSites> m_sites;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<Tfrmdata> m_window;
    FetchSettings m_limits;
    // The history both sources know, oldest first; the stored one and the other source's are each
    // one period short of it and differ in one more.
    std::vector<StoredDraw> m_history;
    QString m_changed;  // stored with a digit the other source gives otherwise
    QString m_missing;  // listed by the other source, not stored
    QString m_extra;    // stored, not listed by the other source
};

void TestCheckWindow::initTestCase()
{
    m_limits.connectTimeout = std::chrono::milliseconds(3000);
    m_limits.totalTimeout = std::chrono::milliseconds(5000);
}

void TestCheckWindow::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_sites = std::make_unique<OperatorSites>();
    m_session = std::make_unique<Session>(testSession(m_folder->path(), m_sites->fetchSettings(m_limits)));
    m_history = syntheticDraws(k3D, 30, 3);
    m_changed = m_history[10].periodId;
    m_missing = m_history[20].periodId;
    m_extra = m_history[15].periodId;
    std::vector<StoredDraw> stored;
    std::vector<StoredDraw> theirs;
    for (const StoredDraw& draw : m_history) {
        if (draw.periodId != m_missing)
            stored.push_back(draw);
        if (draw.periodId != m_extra)
            theirs.push_back(draw);
    }
    stored[10].digits[1] = QString::number((stored[10].digits[1].toInt() + 1) % 10);
    storeFrom(m_folder->path(), k3D, stored, kOperator);
    // The list and the whole-history file alike, the file up to the newest draw; the list is
    // asked for the stored range.
    m_sites->serveHistory(k3D, theirs, 0);
    serveZhcwRange(m_sites->lists(), theirs, m_history.front().periodId, m_history.back().periodId);
}

void TestCheckWindow::cleanup()
{
    m_window.reset();
    m_session.reset();
    m_sites.reset();
    m_folder.reset();
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
}

void TestCheckWindow::setConfirmingSource(const QString& confirm)
{
    SourceChoices confirmations;
    if (!confirm.isEmpty())
        confirmations.insert(k3D, confirm);
    writeSourceSettings(m_folder->path(), defaultSiteHosts(), {}, {}, confirmations);
}

bool TestCheckWindow::check(const std::function<void(Tfrmcheck*)>& look)
{
    m_window = std::make_unique<Tfrmdata>(*m_session);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("window not exposed");
    auto* list = control<QListWidget>(m_window.get(), "lstcaipiao");
    list->setCurrentItem(list->findItems(k3D, Qt::MatchExactly).value(0));
    bool seen = false;
    answerModal<Tfrmcheck>(seen, [look](Tfrmcheck* window) {
        look(window);
        QTest::mouseClick(control<QPushButton>(window, "btnclose"), Qt::LeftButton);
    });
    QTest::mouseClick(control<QPushButton>(m_window.get(), "btncheck"), Qt::LeftButton);
    // The list opens, and is answered, as the reading ends.
    return waitForRunEnd() && seen;
}

void TestCheckWindow::listsWhatDiffers_data()
{
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("older");  // draws stored before the oldest the other source lists
    QTest::newRow("list over TLS") << "zhcw"
                                   << "中彩网" << 0;
    QTest::newRow("whole-history file over plain HTTP, older draws stored") << "17500"
                                                                            << "17500全部历史" << 5;
}

void TestCheckWindow::listsWhatDiffers()
{
    QFETCH(QString, confirm);
    QFETCH(QString, name);
    QFETCH(int, older);
    const std::vector<StoredDraw> before = syntheticDraws(k3D, int(m_history.size()) + older, 7);
    storeFrom(m_folder->path(), k3D, std::vector<StoredDraw>(before.begin(), before.begin() + older), kOperator);
    setConfirmingSource(confirm);
    QString title;
    QStringList rows;
    QString summary;
    QVERIFY(check([&](Tfrmcheck* list) {
        title = list->windowTitle();
        rows = rowsOf(list);
        summary = control<QLabel>(list, "lblsummary")->text();
        keepShot(list, QStringLiteral("29-hedui"));
    }));
    QCOMPARE(title, QStringLiteral("核对：中国福彩3D 与 ") + name);
    const QString ours = m_history[10].digits.join(QString());
    QString stored = ours;
    stored[1] = QChar(u'0' + (stored[1].digitValue() + 1) % 10);
    QCOMPARE(rows, (QStringList{
                       m_changed + "|号码不同|" + stored + "|中国福利彩票|" + ours,
                       m_missing + "|本地缺少|||" + m_history[20].digits.join(QString()),
                       m_extra + "|对方未列|" + m_history[15].digits.join(QString()) + "|中国福利彩票|",
                   }));
    // The older draws are no extra periods: the other source says nothing of them.
    const QString from = older ? before.front().periodId : m_history.front().periodId;
    QString notCompared;
    if (older)
        notCompared =
            QStringLiteral("，第%1期以前的%2期%3未列出，未核对").arg(m_history.front().periodId).arg(older).arg(name);
    QCOMPARE(summary, QStringLiteral("第%1期至第%2期：27期一致，1期不同，1期本地缺少，1期对方未列%3。")
                          .arg(from, m_history.back().periodId, notCompared));
    // The agreeing draws are marked confirmed, the differing one disagreeing; the data window's
    // line says so of the draw in view.
    DrawDatabase db(m_folder->path());
    const ConfirmationTally tally = confirmationTally(db, k3D);
    QCOMPARE(tally.confirmed, 27);
    QCOMPARE(tally.disagreeing, 1);
    QVERIFY2(control<QLabel>(m_window.get(), "lblorigin")->toolTip().contains(QStringLiteral("已由%1").arg(name)),
             qPrintable(control<QLabel>(m_window.get(), "lblorigin")->toolTip()));
}

void TestCheckWindow::takesTheOtherDigitsWhenAsked_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("是") << true;
    QTest::newRow("否") << false;
}

void TestCheckWindow::takesTheOtherDigitsWhenAsked()
{
    QFETCH(bool, yes);
    setConfirmingSource("zhcw");
    const QString before = storedDigitsOf(m_folder->path(), m_changed);
    const QString theirs = m_history[10].digits.join(QString());
    QStringList after;
    QVERIFY(check([&](Tfrmcheck* list) {
        // Space on the row ticks it, whichever cell has the keyboard.
        auto* grid = control<QTableView>(list, "grdcheck");
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 1));
        QTest::keyClick(grid, Qt::Key_Space);
        m_dialogs.setNextAnswer(yes);
        QTest::mouseClick(control<QPushButton>(list, "btntake"), Qt::LeftButton);
        after = rowsOf(list);
    }));
    const QStringList messages = m_dialogs.takeMessages();
    QCOMPARE(messages.size(), yes ? 2 : 1);
    QVERIFY2(messages[0].contains(QStringLiteral("第%1期：中国福利彩票 %2，中彩网 %3").arg(m_changed, before, theirs)),
             qPrintable(messages[0]));
    DrawDatabase db(m_folder->path());
    const DrawDatabase::DrawOrigin origin = db.drawOrigin(k3D, m_changed);
    if (yes) {
        QCOMPARE(messages[1], QStringLiteral("已采用中彩网的号码：1期"));
        QCOMPARE(storedDigitsOf(m_folder->path(), m_changed), theirs);
        // Recorded as corrected, both sources named; the list and the grid show it at once.
        QVERIFY2(origin.source.contains(QStringLiteral("中彩网")) && origin.source.contains(kOperator),
                 qPrintable(origin.source));
        QCOMPARE(after.size(), 2);
        QVERIFY(!after.join(u'\n').contains(m_changed));
        const DrawRowSet* grid = m_window->rowSet();
        QCOMPARE(grid->index(10, 0).data().toString(), m_changed);
        QCOMPARE(grid->index(10, 2).data().toString(), m_history[10].digits[1]);
    } else {
        QCOMPARE(storedDigitsOf(m_folder->path(), m_changed), before);
        QCOMPARE(origin.source, kOperator);
        QCOMPARE(after.size(), 3);
    }
}

void TestCheckWindow::changedMeanwhileTakesNone()
{
    // Two differing periods ticked, one of them deleted by another program while the list is open:
    // the take is refused as a whole, and the other keeps its digits.
    setConfirmingSource("zhcw");
    const QString second = m_history[5].periodId;
    {
        DrawDatabase db(m_folder->path());
        QSqlQuery query(db.connection());
        query.prepare(QStringLiteral("update \"%1\" set \"1\" = ? where \"记录期号\" = ?").arg(lotteryTableName(k3D)));
        query.addBindValue((m_history[5].digits[0].toInt() + 1) % 10);
        query.addBindValue(second);
        QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    }
    const QString kept = storedDigitsOf(m_folder->path(), second);
    QStringList messages;
    QVERIFY(check([&](Tfrmcheck* list) {
        QTest::mouseClick(control<QPushButton>(list, "btnall"), Qt::LeftButton);
        DrawDatabase other(m_folder->path());
        QSqlQuery query(other.connection());
        query.prepare(QStringLiteral("delete from \"%1\" where \"记录期号\" = ?").arg(lotteryTableName(k3D)));
        query.addBindValue(m_changed);
        QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        m_dialogs.setNextAnswer(true);
        QTest::mouseClick(control<QPushButton>(list, "btntake"), Qt::LeftButton);
        messages = m_dialogs.takeMessages();
    }));
    QCOMPARE(messages.size(), 2);
    QVERIFY2(messages[0].contains(QStringLiteral("2期")), qPrintable(messages[0]));
    QCOMPARE(m_dialogs.lastMessageKind(), dialogs::MessageKind::Error);
    QCOMPARE(storedDigitsOf(m_folder->path(), second), kept);
}

void TestCheckWindow::fillsTheTickedMissingPeriods()
{
    setConfirmingSource("zhcw");
    const QString before = storedDigitsOf(m_folder->path(), m_changed);
    QStringList after;
    QVERIFY(check([&](Tfrmcheck* list) {
        // Every row ticked: 补入缺期 stores the missing one and leaves the differing one.
        QTest::mouseClick(control<QPushButton>(list, "btnall"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(list, "btnfillmissing"), Qt::LeftButton);
        after = rowsOf(list);
    }));
    QCOMPARE(m_dialogs.takeMessages(), QStringList{QStringLiteral("已按中彩网补入1期")});
    QCOMPARE(storedDigitsOf(m_folder->path(), m_missing), m_history[20].digits.join(QString()));
    QCOMPARE(storedDigitsOf(m_folder->path(), m_changed), before);
    DrawDatabase db(m_folder->path());
    QCOMPARE(db.drawOrigin(k3D, m_missing).source, QStringLiteral("中彩网"));
    QCOMPARE(after.size(), 2);
    QVERIFY(!after.join(u'\n').contains(m_missing));
    QCOMPARE(m_window->rowSet()->rowCount(), 30);
}

void TestCheckWindow::readOnlyFileListsAndMarksNothing()
{
    setConfirmingSource("zhcw");
    draw_database_testing::openReadOnly(true);
    const auto writable = qScopeGuard([] { draw_database_testing::openReadOnly(false); });
    int rows = 0;
    bool take = true;
    bool fill = true;
    bool reasonShown = false;
    QVERIFY(check([&](Tfrmcheck* list) {
        rows = rowsOf(list).size();
        take = control<QPushButton>(list, "btntake")->isEnabled();
        fill = control<QPushButton>(list, "btnfillmissing")->isEnabled();
        reasonShown = control<QLabel>(list, "lblreadonly")->isVisible();
    }));
    QCOMPARE(rows, 3);
    QVERIFY(!take && !fill && reasonShown);
    draw_database_testing::openReadOnly(false);
    DrawDatabase db(m_folder->path());
    const ConfirmationTally tally = confirmationTally(db, k3D);
    QCOMPARE(tally.confirmed + tally.disagreeing, 0);
}

void TestCheckWindow::withoutAConfirmingSourceNothingIsRead()
{
    setConfirmingSource({});
    QVERIFY(!check([](Tfrmcheck*) {}));
    QCOMPARE(m_dialogs.takeMessages(),
             QStringList{"中国福彩3D没有设定核对来源。请先在“数据源”中为它选择核对来源，再核对。"});
    QCOMPARE(m_sites->requestCount(), 0);
}

void TestCheckWindow::failedReadingMarksNothing()
{
    setConfirmingSource("17500");
    m_sites->files().failWithStatus(sourcePath(QStringLiteral("17500"), k3D, 1), 500);
    QVERIFY(!check([](Tfrmcheck*) {}));
    const QStringList messages = m_dialogs.takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QStringLiteral("17500全部历史")), qPrintable(messages[0]));
    QCOMPARE(m_dialogs.lastMessageKind(), dialogs::MessageKind::Error);
    DrawDatabase db(m_folder->path());
    QCOMPARE(confirmationTally(db, k3D).confirmed, 0);
    QCOMPARE(control<QPushButton>(m_window.get(), "btncheck")->text(), QStringLiteral("核对"));
}

void TestCheckWindow::pressedAgainItStops()
{
    // A source that takes the request and never answers: only the cancel ends the wait in time.
    FetchSettings patient = m_limits;
    patient.totalTimeout = std::chrono::milliseconds(20000);
    m_session->setFetchSettings(m_sites->fetchSettings(patient));
    setConfirmingSource("17500");
    const QString file = sourcePath(QStringLiteral("17500"), k3D, 1);
    m_sites->files().stall(file);
    QString during;
    whenTrue([&] { return m_sites->files().requests().contains(file); },
             [&] {
                 auto* button = control<QPushButton>(m_window.get(), "btncheck");
                 during = button->text() + u'|' + QString::number(button->isEnabled());
                 QTest::mouseClick(button, Qt::LeftButton);
             });
    QElapsedTimer waited;
    waited.start();
    QVERIFY(!check([](Tfrmcheck*) {}));
    QVERIFY2(waited.elapsed() < 10000, qPrintable(QString::number(waited.elapsed())));
    QCOMPARE(during, QStringLiteral("取消|1"));
    QCOMPARE(control<QPushButton>(m_window.get(), "btncheck")->text(), QStringLiteral("核对"));
    DrawDatabase db(m_folder->path());
    QCOMPARE(confirmationTally(db, k3D).confirmed, 0);
}

QTEST_MAIN(TestCheckWindow)
#include "test_u_check.moc"
