#include "core/cipher/des.h"
#include "gui/dialogs.h"
#include "gui/u_about.h"
#include "gui/u_main.h"
#include "support/draw_fixtures.h"
#include "support/file_fixtures.h"
#include "support/find_control.h"
#include "support/recorded_messages.h"
#include "support/side_text_fixtures.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <optional>

using fixtures::control;
using fixtures::sideTextLine;

namespace {

void writeAboutFile(const QString& programDir, const QByteArray& bytes)
{
    fixtures::writeFile(programDir + QStringLiteral("附属/about.txt"), bytes);
}

// In file order: author, rights holder, web, messaging, telephone, mobile, mail.
QStringList labelTexts(const Tfrmabout& box)
{
    QStringList texts;
    for (const char* name : {"lblauthor", "lblbanquan", "lblweb", "lblqq", "lblphone1", "lblphone2", "lblmail"})
        texts << control<QLabel>(&box, name)->text();
    return texts;
}

const QStringList kFallbackTexts = {QStringLiteral("作者："), QStringLiteral("版权："), QStringLiteral("网址："),
                                    QStringLiteral("QQ："),   QStringLiteral("电话："), QStringLiteral("手机："),
                                    QStringLiteral("邮箱：")};

const QStringList kTexts = {QStringLiteral("出品：Quorlin"), QStringLiteral("版权：Quorlin 项目组"),
                            QStringLiteral("网址：无"),      QStringLiteral("QQ：无"),
                            QStringLiteral("电话：无"),      QStringLiteral("手机：无"),
                            QStringLiteral("邮箱：无")};

QByteArray fileOf(const QStringList& texts)
{
    QByteArray bytes;
    for (const QString& text : texts)
        bytes += sideTextLine(text) + "\r\n";
    return bytes;
}

// Runs `box` modally and closes it with its own button once it is on screen; returns whether it
// was shown.
bool showAndClose(QDialog* box)
{
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        shown = modal == box && box->isVisible();
        if (modal)
            control<QPushButton>(modal, "btnclose")->click();
    });
    box->exec();
    return shown;
}

}  // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void init();
    void filling_data();
    void filling();
    void fixedLook();
    void mainWindowMakesItOnceAndReusesIt();

private:
    dialogs::testing::Recorder m_dialogs;  // the user, answering in advance
};

void TestAbout::init()
{
    // Each case checks the boxes it alone showed.
    m_dialogs.takeMessages();
}

void TestAbout::filling_data()
{
    QTest::addColumn<std::optional<QByteArray>>("file");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("message");  // the start of the one report expected, or empty

    QTest::newRow("complete") << std::optional(fileOf(kTexts)) << kTexts << QString();
    QTest::newRow("lines past the seventh not read")
        << std::optional(fileOf(kTexts) + "not hex at all\r\n") << kTexts << QString();
    QByteArray badThird = fileOf(kTexts);
    badThird.replace(sideTextLine(kTexts[2]), "http://");
    QTest::newRow("bad line 3 stops the filling") << std::optional(badThird) << kTexts.mid(0, 2) + kFallbackTexts.mid(2)
                                                  << QStringLiteral("Error: not a Hex String");
    QTest::newRow("short file leaves empty labels")
        << std::optional(fileOf(kTexts.mid(0, 3))) << kTexts.mid(0, 3) + QStringList(4, QString()) << QString();
    QTest::newRow("missing file keeps the fallback texts")
        << std::optional<QByteArray>() << kFallbackTexts << QStringLiteral("无法打开文件 ");
}

void TestAbout::filling()
{
    QFETCH(std::optional<QByteArray>, file);
    QFETCH(QStringList, texts);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString programDir = dir.path() + QLatin1Char('/');
    if (file)
        writeAboutFile(programDir, *file);

    Tfrmabout box(nullptr, programDir);
    QCOMPARE(labelTexts(box), texts);
    fixtures::checkOneReport(m_dialogs, message);
    if (QTest::currentTestFailed())
        return;
    // Whatever the side file did, the box opens.
    QVERIFY(showAndClose(&box));
    QVERIFY(!box.isVisible());
}

void TestAbout::fixedLook()
{
    QTemporaryDir dir;
    Tfrmabout box(nullptr, dir.path() + QLatin1Char('/'));
    QCOMPARE(box.windowTitle(), QStringLiteral("关于本程序"));
    QCOMPARE(box.size(), QSize(405, 207));
    QVERIFY(box.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!box.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!box.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(control<QPushButton>(&box, "btnclose")->isDefault());
    QCOMPARE(control<QLabel>(&box, "Label1")->text(), QStringLiteral("Quorlin"));
    QCOMPARE(control<QLabel>(&box, "Label2")->text(), QStringLiteral("2.0版"));
    QVERIFY(control<QFrame>(&box, "Shape1")->isVisibleTo(&box));
    // The picture is built into the program and needs no file of the installation.
    QVERIFY(!control<QLabel>(&box, "Image1")->pixmap().isNull());
}

void TestAbout::mainWindowMakesItOnceAndReusesIt()
{
    fixtures::ProgramFolder folder;
    writeAboutFile(folder.path(), fileOf(kTexts));
    Tfrmmain window(folder.path());
    m_dialogs.takeMessages();
    QVERIFY(window.findChildren<Tfrmabout*>().isEmpty());

    auto pressAbout = [&]() -> Tfrmabout* {
        Tfrmabout* seen = nullptr;
        QTimer::singleShot(0, [&] {
            seen = qobject_cast<Tfrmabout*>(QApplication::activeModalWidget());
            if (seen)
                control<QPushButton>(seen, "btnclose")->click();
        });
        control<QPushButton>(&window, "btnabout")->click();
        return seen;
    };

    Tfrmabout* first = pressAbout();
    QVERIFY(first);
    QCOMPARE(labelTexts(*first), kTexts);

    // The side file is read once per run: a changed file shows nothing new.
    writeAboutFile(folder.path(), "changed");
    Tfrmabout* second = pressAbout();
    QCOMPARE(second, first);
    QCOMPARE(labelTexts(*second), kTexts);
    QCOMPARE(window.findChildren<Tfrmabout*>().size(), 1);
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
}

QTEST_MAIN(TestAbout)
#include "test_u_about.moc"
