#include "core/acquire/auto_update.h"

#include "core/base/user_error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kChongqing = QStringLiteral("重庆时时彩");

}  // namespace

class TestAutoUpdate : public QObject {
    Q_OBJECT

private slots:
    void settingsAreReadInRange_data();
    void settingsAreReadInRange();
    void unwritableSettingsNameTheCause();
    void waitDoublesAfterFailures_data();
    void waitDoublesAfterFailures();
    void notificationSaysTheDrawAndTheVerdict_data();
    void notificationSaysTheDrawAndTheVerdict();
};

void TestAutoUpdate::settingsAreReadInRange_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<bool>("copy");
    // The daily lotteries' draw times, Beijing time.
    QTest::addColumn<QString>("fc3dDraw");
    QTest::addColumn<QString>("pl3Draw");
    QTest::addColumn<QString>("unread");  // what is said of a value that could not be read
    QTest::newRow("no file: off, 5 minutes, the operators' draw times")
        << QByteArray() << false << 5 << false << "21:15"
        << "21:25" << QString();
    QTest::newRow("as written") << QByteArray(
                                       "[auto]\nenabled=true\nminutes=12\ncopy=true\nfc3d_draw_time=20:30\n"
                                       "pl3_draw_time= 20:45\n")
                                << true << 12 << true << "20:30"
                                << "20:45" << QString();
    QTest::newRow("1 and 0") << QByteArray("[auto]\nenabled=1\ncopy=0\n") << true << 5 << false << "21:15"
                             << "21:25" << QString();
    QTest::newRow("too short") << QByteArray("[auto]\nenabled=true\nminutes=0\n") << true << 1 << false << "21:15"
                               << "21:25" << QString();
    QTest::newRow("too long") << QByteArray("[auto]\nminutes=600\n") << false << 60 << false << "21:15"
                              << "21:25" << QString();
    QTest::newRow("not a number, not a time")
        << QByteArray("[auto]\nminutes=soon\nfc3d_draw_time=evening\npl3_draw_time=25:00\n") << false << 5 << false
        << "21:15"
        << "21:25"
        << "minutes=soon（应为1到60的分钟数，按5分钟处理）";
    // Anything but true, false, 1 and 0 is off, and said.
    QTest::newRow("enabled=maybe") << QByteArray("[auto]\nenabled=maybe\ncopy=yes\n") << false << 5 << false << "21:15"
                                   << "21:25"
                                   << "无法识别：enabled=maybe（应为 true 或 false，按 false 处理），copy=yes";
}

void TestAutoUpdate::settingsAreReadInRange()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, enabled);
    QFETCH(int, minutes);
    QFETCH(bool, copy);
    QFETCH(QString, fc3dDraw);
    QFETCH(QString, pl3Draw);
    QFETCH(QString, unread);
    const QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    if (!file.isEmpty()) {
        QFile out(folder + QStringLiteral("设置.ini"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
    }
    QString said;
    const AutoUpdateSettings settings = readAutoUpdateSettings(folder, &said);
    if (unread.isEmpty())
        QCOMPARE(said, QString());
    else
        QVERIFY2(said.contains(unread) && said.contains(QStringLiteral("设置.ini")), qPrintable(said));
    QCOMPARE(settings.enabled, enabled);
    QCOMPARE(settings.minutes, minutes);
    QCOMPARE(settings.copy, copy);
    QCOMPARE(settings.drawTime(QStringLiteral("中国福彩3D")).toString(QStringLiteral("HH:mm")), fc3dDraw);
    QCOMPARE(settings.drawTime(QStringLiteral("中国体彩排列3")).toString(QStringLiteral("HH:mm")), pl3Draw);
    // A lottery drawn all day has no draw time.
    QVERIFY(!settings.drawTime(kChongqing).isValid());
    // Written back, the file reads the same.
    writeAutoUpdateSettings(folder, settings);
    const AutoUpdateSettings again = readAutoUpdateSettings(folder);
    QCOMPARE(again.drawTimes, settings.drawTimes);
    QCOMPARE(again.minutes, settings.minutes);
}

void TestAutoUpdate::unwritableSettingsNameTheCause()
{
    // A folder where the file should be stops root as well as anyone.
    const QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    QVERIFY(QDir().mkdir(folder + QStringLiteral("设置.ini")));
    try {
        writeAutoUpdateSettings(folder, {true, 5, false});
        QFAIL("the settings should not have been saved");
    } catch (const UserError& e) {
        QVERIFY2(
            e.message().contains(QStringLiteral("无法保存设置文件")) && e.message().contains("是一个文件夹，不是文件"),
            qPrintable(e.message()));
    }
}

void TestAutoUpdate::waitDoublesAfterFailures_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("failures");
    QTest::addColumn<int>("wait");
    QTest::newRow("no failure") << 5 << 0 << 5;
    QTest::newRow("one") << 5 << 1 << 10;
    QTest::newRow("two") << 5 << 2 << 20;
    QTest::newRow("three: at most 30") << 5 << 3 << 30;
    QTest::newRow("many") << 5 << 40 << 30;
    QTest::newRow("one minute") << 1 << 4 << 16;
    QTest::newRow("an interval beyond 30 stays") << 45 << 2 << 45;
}

void TestAutoUpdate::waitDoublesAfterFailures()
{
    QFETCH(int, minutes);
    QFETCH(int, failures);
    QFETCH(int, wait);
    QCOMPARE(nextRunMinutes(minutes, failures), wait);
}

void TestAutoUpdate::notificationSaysTheDrawAndTheVerdict_data()
{
    QTest::addColumn<bool>("judged");
    QTest::addColumn<bool>("hit");
    QTest::addColumn<QString>("text");
    QTest::newRow("hit") << true << true << "重庆时时彩 第20261210045期 1 2 3 4 5：后二中 — 下期投注号码已更新";
    QTest::newRow("missed") << true << false << "重庆时时彩 第20261210045期 1 2 3 4 5：后二未中 — 下期投注号码已更新";
    QTest::newRow("among the first draws, not judged")
        << false << true << "重庆时时彩 第20261210045期 1 2 3 4 5 — 下期投注号码已更新";
}

void TestAutoUpdate::notificationSaysTheDrawAndTheVerdict()
{
    QFETCH(bool, judged);
    QFETCH(bool, hit);
    QFETCH(QString, text);
    QCOMPARE(autoNotificationText(kChongqing, newestDrawText("20261210045", "12345", "后二", judged, hit)), text);
}

QTEST_GUILESS_MAIN(TestAutoUpdate)
#include "test_auto_update.moc"
