#include "core/acquire/history_readers.h"
#include "core/acquire/site_paths.h"
#include "core/store/draw_database.h"
#include "core/store/draw_row_set.h"
#include "core/store/history_loader.h"
#include "gui/dialogs.h"
#include "gui/session.h"
#include "gui/u_data.h"
#include "gui/u_gaps.h"
#include "gui/u_import.h"
#include "support/download_fixture.h"
#include "support/draw_fixtures.h"
#include "support/find_control.h"
#include "support/local_http_server.h"
#include "support/modal_answer.h"
#include "support/page_fixtures.h"
#include "support/window_input.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace fixtures;

namespace {

const QString kThreeD = QStringLiteral("中国福彩3D");
const QString kChongqing = QStringLiteral("重庆时时彩");

QStringList storedRows(const QString& programDir, const QString& lottery)
{
    DrawDatabase db(programDir);
    QSqlQuery query = db.selectDraws(lottery);
    QStringList rows;
    while (query.next()) {
        QString row = query.value(0).toString() + u' ';
        for (int k = 1; k < query.record().count(); ++k)
            row += query.value(k).toString();
        rows << row;
    }
    return rows;
}

void writeFile(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString textOf(QWidget* dialog, const char* name)
{
    return control<QPlainTextEdit>(dialog, name)->toPlainText();
}

}  // namespace

class TestDataImport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void needsAChoice_data();
    void needsAChoice();
    void confirmOrCancel_data();
    void confirmOrCancel();
    void beyondTheCapIsToldBeforeAndAfter();
    void largeFileReadCanBeCancelled();
    void exportThenImportGivesTheSameFile();
    void importOpensInTheHomeThenTheLastFolder();
    void listsTheGaps_data();
    void listsTheGaps();
    void fillsFromTheDayPages();
    void fillStopsOnCancelAndKeepsTheWindow_data();
    void fillStopsOnCancelAndKeepsTheWindow();

private:
    // A session on `programDir` as every window of the test runs in: short time-outs, kToday.
    void startSession(const QString& programDir);
    Tfrmdata& open();
    void choose(const QString& lottery);
    // Answers the gaps window the next command opens: its list noted in `shown`, then closed.
    void answerGapsWindow(bool& seen, QString& shown);
    void click(const char* button) { QTest::mouseClick(control<QPushButton>(m_window.get(), button), Qt::LeftButton); }

    dialogs::testing::Recorder m_dialogs;  // the user, answering in advance; outlives the windows
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<Session> m_session;
    FetchSettings m_limits;  // given to every session the test makes
    std::unique_ptr<Tfrmdata> m_window;
};

void TestDataImport::initTestCase()
{
    m_limits.connectTimeout = std::chrono::milliseconds(1000);
    m_limits.totalTimeout = std::chrono::milliseconds(1000);
}

void TestDataImport::startSession(const QString& programDir)
{
    m_session = std::make_unique<Session>(testSession(programDir, m_limits));
}

void TestDataImport::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    startSession(m_folder->path());
    storeDraws(m_folder->path(), kThreeD,
               {{"2026001", {"1", "2", "3"}}, {"2026002", {"0", "4", "7"}}, {"2026003", {"9", "0", "0"}}});
}

void TestDataImport::cleanup()
{
    m_window.reset();
    m_folder.reset();
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
}

Tfrmdata& TestDataImport::open()
{
    m_window = std::make_unique<Tfrmdata>(*m_session);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("window not exposed");
    return *m_window;
}

void TestDataImport::choose(const QString& lottery)
{
    auto* list = control<QListWidget>(m_window.get(), "lstcaipiao");
    const auto items = list->findItems(lottery, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items.first()).center());
    QCOMPARE(m_window->rowSet()->lotteryName(), lottery);
}

void TestDataImport::answerGapsWindow(bool& seen, QString& shown)
{
    answerModal<Tfrmgaps>(seen, [&shown](Tfrmgaps* dialog) {
        shown = textOf(dialog, "memgaps");
        QTest::mouseClick(control<QPushButton>(dialog, "btnclose"), Qt::LeftButton);
    });
}

void TestDataImport::needsAChoice_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("message");
    QTest::newRow("导入") << QByteArray("btnimport") << "请选择要导入的彩票！";
    QTest::newRow("缺期") << QByteArray("btngaps") << "请选择要查看缺期的彩票！";
    QTest::newRow("补齐") << QByteArray("btnfill") << "请选择要补齐的彩票！";
    QTest::newRow("核对") << QByteArray("btncheck") << "请选择要核对的彩票！";
}

void TestDataImport::needsAChoice()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, message);
    open();
    click(button.constData());
    QCOMPARE(m_dialogs.takeMessages(), QStringList{message});
}

void TestDataImport::confirmOrCancel_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("messages");
    const QStringList before{"2026001 123", "2026002 047", "2026003 900"};
    QTest::newRow("取消 writes nothing") << false << true << before << QStringList{};
    QTest::newRow("导入 keeps the stored digits")
        << true << false << QStringList{"2026001 123", "2026002 047", "2026003 900", "2026004 555"}
        << QStringList{"成功导入1期！"};
    QTest::newRow("导入 with 覆盖不同的开奖")
        << true << true << QStringList{"2026001 123", "2026002 999", "2026003 900", "2026004 555"}
        << QStringList{"成功导入1期，覆盖1期！"};
}

void TestDataImport::confirmOrCancel()
{
    QFETCH(bool, confirm);
    QFETCH(bool, overwrite);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, messages);
    QTemporaryDir dir;
    writeFile(dir.filePath("3d.txt"), "# 福彩3D\r\n2026001 1,2,3\r\n2026002 9,9,9\r\n26004 555\r\n二〇二六年 123\r\n");
    open();
    choose(kThreeD);

    bool seen = false;
    QString summary;
    bool okEnabledBeforeTick = false;
    answerModal<Tfrmimport>(seen, [&](Tfrmimport* dialog) {
        summary = textOf(dialog, "memsummary");
        okEnabledBeforeTick = control<QPushButton>(dialog, "btnok")->isEnabled();
        keepShot(dialog, "import-summary");
        control<QCheckBox>(dialog, "chkoverwrite")->setChecked(overwrite);
        QTest::mouseClick(control<QPushButton>(dialog, confirm ? "btnok" : "btncancel"), Qt::LeftButton);
    });
    m_dialogs.setNextOpenFileName(dir.filePath("3d.txt"));
    click("btnimport");
    QVERIFY(waitForRunEnd());
    QVERIFY(seen);
    QVERIFY(okEnabledBeforeTick);
    QCOMPARE(summary.split(u'\n'), (QStringList{"新的开奖：1期", "已存且相同（跳过）：1期", "期号已存而号码不同：1期",
                                                "    第2026002期：已存 047，文件中 999（第3行）", "无法识别的行：1行",
                                                "    第5行“二〇二六年 123”：期号“二〇二六年”不是数字"}));
    QCOMPARE(m_dialogs.takeMessages(), messages);
    QCOMPARE(storedRows(m_folder->path(), kThreeD), rows);
    QCOMPARE(m_window->rowSet()->rowCount(), rows.size());
    // What the import wrote is recorded under the file's name, the draws it left alone as before.
    DrawDatabase db(m_folder->path());
    const QString imported = QStringLiteral("导入：3d.txt");
    QCOMPARE(db.drawOrigin(kThreeD, "2026004").source, confirm ? imported : kUnknownSource);
    QCOMPARE(db.drawOrigin(kThreeD, "2026002").source, confirm && overwrite ? imported : kUnknownSource);
    QCOMPARE(db.drawOrigin(kThreeD, "2026001").source, kUnknownSource);
}

void TestDataImport::beyondTheCapIsToldBeforeAndAfter()
{
    // 9995 stored and ten newer in the file: the five oldest stored go.
    const auto all = syntheticDraws(kChongqing, kRetainedDraws + 5);
    storeDraws(m_folder->path(), kChongqing, {all.begin(), all.end() - 10});
    QByteArray file;
    for (auto draw = all.end() - 10; draw != all.end(); ++draw)
        file += draw->periodId.toLatin1() + ' ' + draw->digits.join(QString()).toLatin1() + "\n";
    QTemporaryDir dir;
    writeFile(dir.filePath("cq.txt"), file);
    open();
    choose(kChongqing);
    bool seen = false;
    QString summary;
    answerModal<Tfrmimport>(seen, [&](Tfrmimport* dialog) {
        summary = textOf(dialog, "memsummary");
        keepShot(dialog, "import-beyond-the-cap");
        QTest::mouseClick(control<QPushButton>(dialog, "btnok"), Qt::LeftButton);
    });
    m_dialogs.setNextOpenFileName(dir.filePath("cq.txt"));
    click("btnimport");
    QVERIFY(waitForRunEnd());
    QVERIFY(seen);
    QCOMPARE(summary.split(u'\n').mid(5),
             (QStringList{
                 QStringLiteral("表只保留最新10000期：将保留第%1期至第%2期").arg(all[5].periodId, all.back().periodId),
                 "    新的开奖中存入10期，已存的5期将被删去"}));
    QCOMPARE(m_dialogs.takeMessages(), QStringList{"成功导入10期！\n表只保留最新10000期：已存的5期已删去。"});
    QCOMPARE(m_window->rowSet()->rowCount(), kRetainedDraws);
}

void TestDataImport::largeFileReadCanBeCancelled()
{
    // 60 MB of lines that are no draw: read on the runner's thread while 导入 reads 取消.
    QTemporaryDir dir;
    writeFile(dir.filePath("big.txt"), QByteArray("x\n").repeated(30 * 1000 * 1000));
    open();
    choose(kThreeD);
    auto* btnimport = control<QPushButton>(m_window.get(), "btnimport");
    bool pressed = false;
    bool listWaited = false;
    whenTrue([&] { return btnimport->text().startsWith(QStringLiteral("取消")); },
             [&] {
                 pressed = true;
                 listWaited = !control<QListWidget>(m_window.get(), "lstcaipiao")->isEnabled();
                 keepShot(m_window.get(), "import-reading");
                 QTest::mouseClick(btnimport, Qt::LeftButton);
             });
    // A summary would mean the read was not stopped; it is closed so that the test cannot hang,
    // and the watch ends with the test.
    auto watching = std::make_shared<bool>(true);
    auto summaryShown = std::make_shared<bool>(false);
    whenTrue([watching] { return !*watching || qobject_cast<Tfrmimport*>(QApplication::activeModalWidget()); },
             [watching, summaryShown] {
                 if (auto* summary = qobject_cast<Tfrmimport*>(QApplication::activeModalWidget());
                     summary && *watching) {
                     *summaryShown = true;
                     summary->reject();
                 }
             });
    const auto stopWatching = qScopeGuard([watching] {
        *watching = false;
        QTest::qWait(20);
    });
    m_dialogs.setNextOpenFileName(dir.filePath("big.txt"));
    click("btnimport");
    QVERIFY(waitForRunEnd());
    QVERIFY(pressed);
    QVERIFY(listWaited);
    QVERIFY(!*summaryShown);
    QCOMPARE(btnimport->text(), QStringLiteral("导入"));
    QVERIFY(btnimport->isEnabled());
    QVERIFY(control<QListWidget>(m_window.get(), "lstcaipiao")->isEnabled());
    QVERIFY(m_window->isVisible());
}

void TestDataImport::exportThenImportGivesTheSameFile()
{
    QTemporaryDir dir;
    storeDraws(m_folder->path(), kChongqing, syntheticDraws(kChongqing, 500));
    open();
    choose(kChongqing);
    m_dialogs.setNextSaveFileName(dir.filePath("first.txt"));
    click("btnsave");
    m_window.reset();

    // Into an empty table of another program folder.
    ProgramFolder other;
    startSession(other.path());
    open();
    choose(kChongqing);
    bool seen = false;
    answerModal<Tfrmimport>(seen, [](Tfrmimport* dialog) {
        QVERIFY(textOf(dialog, "memsummary").startsWith("新的开奖：500期\n"));
        QTest::mouseClick(control<QPushButton>(dialog, "btnok"), Qt::LeftButton);
    });
    m_dialogs.setNextOpenFileName(dir.filePath("first.txt"));
    click("btnimport");
    QVERIFY(waitForRunEnd());
    QVERIFY(seen);
    m_dialogs.setNextSaveFileName(dir.filePath("second.txt"));
    click("btnsave");
    QCOMPARE(m_dialogs.takeMessages(), (QStringList{"成功保存！", "成功导入500期！", "成功保存！"}));
    QCOMPARE(readFile(dir.filePath("second.txt")), readFile(dir.filePath("first.txt")));
    QCOMPARE(readFile(dir.filePath("second.txt")).count('\n'), 500);
}

void TestDataImport::importOpensInTheHomeThenTheLastFolder()
{
    // Not among the side texts of the program folder, which may not even be the user's.
    QTemporaryDir dir;
    writeFile(dir.filePath("3d.txt"), "2026004 555\r\n");
    open();
    choose(kThreeD);
    m_dialogs.setNextOpenFileName({});
    click("btnimport");
    QCOMPARE(m_dialogs.lastOpenDirectory(), QDir::homePath());

    bool seen = false;
    answerModal<Tfrmimport>(
        seen, [](Tfrmimport* dialog) { QTest::mouseClick(control<QPushButton>(dialog, "btncancel"), Qt::LeftButton); });
    m_dialogs.setNextOpenFileName(dir.filePath("3d.txt"));
    click("btnimport");
    QVERIFY(waitForRunEnd());
    QVERIFY(seen);
    // The next import, in this window or a later one, starts where that file was.
    m_window.reset();
    open();
    choose(kThreeD);
    m_dialogs.setNextOpenFileName({});
    click("btnimport");
    QCOMPARE(m_dialogs.lastOpenDirectory(), dir.path());
}

void TestDataImport::listsTheGaps_data()
{
    QTest::addColumn<QString>("lottery");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no gaps") << kThreeD << "没有缺期";
    QTest::newRow("two days with gaps") << kChongqing << "2026-12-08：第031–035期，共5期\n2026-12-09：第002期\n共缺6期";
}

void TestDataImport::listsTheGaps()
{
    QFETCH(QString, lottery);
    QFETCH(QString, expected);
    storeDraws(m_folder->path(), kChongqing,
               {{"20261208030", {"1", "1", "1", "1", "1"}},
                {"20261208036", {"1", "1", "1", "1", "1"}},
                {"20261209001", {"1", "1", "1", "1", "1"}},
                {"20261209003", {"1", "1", "1", "1", "1"}}});
    open();
    choose(lottery);
    bool seen = false;
    QString shown;
    answerModal<Tfrmgaps>(seen, [&](Tfrmgaps* dialog) {
        shown = dialog->windowTitle() + u'|' + textOf(dialog, "memgaps");
        keepShot(dialog, "gaps-" + QString(QTest::currentDataTag()).replace(u' ', u'-'));
        QTest::mouseClick(control<QPushButton>(dialog, "btnclose"), Qt::LeftButton);
    });
    click("btngaps");
    QVERIFY(seen);
    QCOMPARE(shown, QStringLiteral("缺期|") + expected);
}

void TestDataImport::fillsFromTheDayPages()
{
    LocalHttpServer server;
    pointSourcesAt(m_folder->path(), server.hostAndPort());
    const auto draws = syntheticDraws(kChongqing, 240);  // 2026-12-08 and 09
    std::vector<StoredDraw> stored;
    for (const StoredDraw& draw : draws) {
        if (draw.periodId != "20261208050" && draw.periodId != "20261209007" && draw.periodId != "20261209008")
            stored.push_back(draw);
    }
    storeDraws(m_folder->path(), kChongqing, stored);
    for (const auto& [path, page] : drawListSite(kChongqing, draws, kToday))
        server.serve(path, page);
    server.failWithStatus(drawListPath(200, QDate(2026, 12, 8)), 404);

    open();
    choose(kThreeD);
    QVERIFY(!control<QPushButton>(m_window.get(), "btnfill")->isEnabled());
    choose(kChongqing);
    QVERIFY(control<QPushButton>(m_window.get(), "btnfill")->isEnabled());
    bool seen = false;
    QString shown;
    answerGapsWindow(seen, shown);
    click("btnfill");
    QVERIFY(waitForRunEnd());
    QVERIFY(seen);
    QCOMPARE(shown.split(u'\n'),
             (QStringList{
                 "补齐完成！", "",
                 "2026-12-08：失败（2026-12-08的开奖页面无法下载（服务器答复 HTTP 404）），补齐0期，仍缺1期（第050期）",
                 "2026-12-09：补齐2期", "", "共补齐2期，仍缺1期"}));
    keepShot(m_window.get(), "data-window");
    QCOMPARE(m_window->rowSet()->rowCount(), 239);
    QCOMPARE(storedRows(m_folder->path(), kChongqing).size(), 239);
    QVERIFY(m_window->isEnabled());
}

void TestDataImport::fillStopsOnCancelAndKeepsTheWindow_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("取消 button") << "button";
    QTest::newRow("Esc") << "escape";
    QTest::newRow("close box") << "close";
}

void TestDataImport::fillStopsOnCancelAndKeepsTheWindow()
{
    QFETCH(QString, how);
    // A host that takes the request and never answers: only the cancel ends the wait in time.
    FetchSettings patient = m_limits;
    patient.totalTimeout = std::chrono::milliseconds(20000);
    m_session->setFetchSettings(patient);
    LocalHttpServer server;
    pointSourcesAt(m_folder->path(), server.hostAndPort());
    const auto draws = syntheticDraws(kChongqing, 240);  // 2026-12-08 and 09
    std::vector<StoredDraw> stored;
    for (const StoredDraw& draw : draws) {
        if (draw.periodId != "20261208050" && draw.periodId != "20261209007")
            stored.push_back(draw);
    }
    storeDraws(m_folder->path(), kChongqing, stored);
    for (const auto& [path, page] : drawListSite(kChongqing, draws, kToday))
        server.serve(path, page);
    const QString stalled = drawListPath(200, kToday);
    server.stall(stalled);

    open();
    choose(kChongqing);
    auto* btnfill = control<QPushButton>(m_window.get(), "btnfill");
    QString during;
    bool asked = false;
    bool stillShown = false;
    // The cancel comes while today's page is waited for, once the day before it has been stored.
    whenTrue(
        [&] { return server.requests().contains(stalled) && storedRows(m_folder->path(), kChongqing).size() == 239; },
        [&] {
            asked = true;
            during = btnfill->text() + u'|' + QString::number(btnfill->isEnabled()) + u'|' +
                     QString::number(control<QListWidget>(m_window.get(), "lstcaipiao")->isEnabled());
            if (how == "button")
                QTest::mouseClick(btnfill, Qt::LeftButton);
            else if (how == "escape")
                QTest::keyClick(m_window.get(), Qt::Key_Escape);
            else
                m_window->close();
            stillShown = m_window->isVisible();
        });
    bool seen = false;
    QString shown;
    answerGapsWindow(seen, shown);
    click("btnfill");
    // Well within the time-out the stalled page would otherwise hold the fill.
    QVERIFY(waitForRunEnd(10000));
    QVERIFY(asked);
    QVERIFY(stillShown);
    QCOMPARE(during, QStringLiteral("取消|1|0"));
    QVERIFY(seen);
    QCOMPARE(shown.split(u'\n'), (QStringList{"补齐已取消！", "", "2026-12-08：补齐1期",
                                              "已取消，余下的1天未补（缺1期）", "", "共补齐1期，仍缺1期"}));
    QVERIFY(m_window->isVisible());
    QCOMPARE(btnfill->text(), QStringLiteral("补齐"));
    QVERIFY(btnfill->isEnabled());
    QVERIFY(control<QListWidget>(m_window.get(), "lstcaipiao")->isEnabled());
    QCOMPARE(storedRows(m_folder->path(), kChongqing).size(), 239);
}

QTEST_MAIN(TestDataImport)
#include "test_u_data_import.moc"
