#include "core/base/user_error.h"
#include "core/cipher/des.h"
#include "gui/dialogs.h"
#include "gui/jpeg_picture.h"
#include "gui/u_about.h"
#include "gui/u_flash.h"
#include "support/file_fixtures.h"
#include "support/find_control.h"
#include "support/recorded_messages.h"
#include "support/side_text_fixtures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <optional>

using fixtures::control;
using fixtures::errorOf;
using fixtures::writeFile;

namespace {

QByteArray line(const QString& text)
{
    return fixtures::sideTextLine(text);
}

QByteArray jpegBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 100);
    return bytes;
}

// Red on the left half, blue on the right.
QImage redBlue()
{
    QImage image(16, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    return image;
}

// The same picture in CMYK, as a prepress program writes it (Adobe marker, inverted values).
const QByteArray kCmykRedBlue = QByteArray::fromHex(
    "ffd8ffee000e41646f626500640000000002ffdb004300020101010101020101010202020202040302020202050404030406"
    "0506060605060606070908060709070606080b08090a0a0a0a0a06080b0c0b0a0c090a0a0affdb0043010202020202020503"
    "03050a0706070a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a"
    "0a0a0a0a0a0affc00014080008001004011100021101031101041100ffc40016000101010000000000000000000000000008"
    "0009ffc40014100100000000000000000000000000000000ffc4001501010100000000000000000000000000000a08ffc400"
    "14110100000000000000000000000000000000ffda000e040100021103110400003f00662ac1ff006fe1782a64a89fffd9");

bool near(QRgb actual, QRgb expected)
{
    return qAbs(qRed(actual) - qRed(expected)) <= 24 && qAbs(qGreen(actual) - qGreen(expected)) <= 24 &&
           qAbs(qBlue(actual) - qBlue(expected)) <= 24;
}

QStringList labelTexts(const Tfrmflash& splash)
{
    QStringList texts;
    for (const char* name : {"lblchuping", "lblweb", "lblqq", "lblmail", "lblphone"})
        texts << control<QLabel>(&splash, name)->text();
    return texts;
}

QPixmap pictureOf(const Tfrmflash& splash)
{
    return control<QLabel>(&splash, "Image1")->pixmap();
}

const QStringList kFallbackTexts = {QStringLiteral("出品："), QStringLiteral("网址："), QStringLiteral("QQ："),
                                    QStringLiteral("邮箱："), QStringLiteral("电话：")};

}  // namespace

class TestSplash : public QObject {
    Q_OBJECT

private slots:
    void init();
    void filling_data();
    void filling();
    void closesOnTheFifthTick();
    void shippedInstallationData();
    void jpegPictures_data();
    void jpegPictures();
    void brokenJpeg_data();
    void brokenJpeg();
    void oversizedJpegRefusedBeforeDecoding_data();
    void oversizedJpegRefusedBeforeDecoding();

private:
    dialogs::testing::Recorder m_dialogs;  // the user, answering in advance
};

void TestSplash::init()
{
    // Each case checks the boxes it alone showed.
    m_dialogs.takeMessages();
}

void TestSplash::filling_data()
{
    QByteArray good;
    for (const char* text : {"出品：Quorlin 项目组", "第二行", "网址：无", "QQ：无", "邮箱：无", "电话：无"})
        good += line(QString::fromUtf8(text)) + "\n";
    const QStringList goodTexts = {QStringLiteral("出品：Quorlin 项目组"), QStringLiteral("网址：无"),
                                   QStringLiteral("QQ：无"), QStringLiteral("邮箱：无"), QStringLiteral("电话：无")};
    const QString notHex = QStringLiteral("Error: not a Hex String");

    QTest::addColumn<std::optional<QByteArray>>("sideFile");
    QTest::addColumn<bool>("picture");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("message");  // the start of the one report expected, or empty
    QTest::addColumn<bool>("onTop");

    QTest::newRow("complete") << std::optional(good) << true << goodTexts << QString() << true;
    QTest::newRow("lower-case hex, CR LF")
        << std::optional(good.toLower().replace("\n", "\r\n")) << true << goodTexts << QString() << true;
    QByteArray line2NotHex = good;
    line2NotHex.replace(line(QStringLiteral("第二行")), "适用：whatever, never deciphered");
    QTest::newRow("line 2 not even hex") << std::optional(line2NotHex) << true << goodTexts << QString() << true;
    QByteArray line4Bad = good;
    line4Bad.replace(line(QStringLiteral("QQ：无")), "QQ:12345");
    QTest::newRow("bad line 4 stops the filling")
        << std::optional(line4Bad) << true
        << QStringList{goodTexts[0], goodTexts[1], kFallbackTexts[2], kFallbackTexts[3], kFallbackTexts[4]} << notHex
        << false;
    QTest::newRow("short file leaves empty labels")
        << std::optional(line(QStringLiteral("出品：Quorlin 项目组")) + "\n\n" + line(QStringLiteral("网址：无")))
        << true << QStringList{goodTexts[0], goodTexts[1], QString(), QString(), QString()} << QString() << true;
    QTest::newRow("empty side file") << std::optional(QByteArray()) << true
                                     << QStringList{QString(), QString(), QString(), QString(), QString()} << QString()
                                     << true;
    QTest::newRow("side file missing") << std::optional<QByteArray>() << true << kFallbackTexts
                                       << QStringLiteral("无法打开文件 ") << false;
    QTest::newRow("picture missing") << std::optional(good) << false << goodTexts << QStringLiteral("无法打开文件 ")
                                     << false;
}

void TestSplash::filling()
{
    QFETCH(std::optional<QByteArray>, sideFile);
    QFETCH(bool, picture);
    QFETCH(QStringList, texts);
    QFETCH(QString, message);
    QFETCH(bool, onTop);

    QTemporaryDir dir;
    const QString programDir = dir.path() + QLatin1Char('/');
    if (sideFile)
        writeFile(programDir + QStringLiteral("附属/flash.txt"), *sideFile);
    if (picture) {
        QImage image(551, 337, QImage::Format_RGB32);
        image.fill(qRgb(10, 20, 50));
        writeFile(programDir + QStringLiteral("图片/flash.jpg"), jpegBytes(image));
    }

    Tfrmflash splash(programDir);
    QCOMPARE(labelTexts(splash), texts);
    QCOMPARE(control<QLabel>(&splash, "lblshiyong")->text(), QStringLiteral("适用：时时彩3D排列三"));
    fixtures::checkOneReport(m_dialogs, message);
    if (QTest::currentTestFailed())
        return;
    // The picture and the topmost placement come after the texts: a failure skips them.
    QCOMPARE(!pictureOf(splash).isNull(), onTop);
    QCOMPARE(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
    QCOMPARE(splash.isVisible(), onTop);
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(splash.size(), QSize(551, 337));
}

void TestSplash::closesOnTheFifthTick()
{
    QTemporaryDir dir;
    Tfrmflash splash(dir.path() + QLatin1Char('/'));
    m_dialogs.takeMessages();
    auto* timer = control<QTimer>(&splash, "Timer1");
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    // The same timer, only faster: five ticks in a fraction of a second.
    timer->setInterval(20);
    int ticks = 0;
    connect(timer, &QTimer::timeout, this, [&] { ++ticks; });
    QCOMPARE(splash.exec(), int(QDialog::Accepted));
    QCOMPARE(ticks, 5);
    QCOMPARE(splash.tickCount(), 5);
    QVERIFY(!splash.isVisible());
    // Closed, it counts no more.
    QVERIFY(!timer->isActive());
}

void TestSplash::shippedInstallationData()
{
    const QString programDir = QStringLiteral(QUORLIN_DATA_DIR);
    Tfrmflash splash(programDir);
    Tfrmabout about(nullptr, programDir);
    QCOMPARE(m_dialogs.takeMessages(), QStringList());
    QCOMPARE(pictureOf(splash).size(), QSize(551, 337));
    QStringList texts = labelTexts(splash);
    for (const char* name : {"lblauthor", "lblbanquan", "lblweb", "lblqq", "lblphone1", "lblphone2", "lblmail"})
        texts << control<QLabel>(&about, name)->text();
    for (const QString& text : texts) {
        QVERIFY2(!text.isEmpty() && !text.contains(QChar::ReplacementCharacter), qPrintable(text));
        QVERIFY2(!kFallbackTexts.contains(text), qPrintable(text));
    }
}

void TestSplash::jpegPictures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QRgb>("left");
    QTest::addColumn<QRgb>("right");
    // Colour and grey pictures as Qt's own JPEG plug-in writes them.
    QTest::newRow("colour") << jpegBytes(redBlue()) << qRgb(255, 0, 0) << qRgb(0, 0, 255);
    const QImage grey = redBlue().convertToFormat(QImage::Format_Grayscale8);
    QTest::newRow("grey") << jpegBytes(grey) << grey.pixel(2, 4) << grey.pixel(13, 4);
    QTest::newRow("CMYK, Adobe") << kCmykRedBlue << qRgb(255, 0, 0) << qRgb(0, 0, 255);
}

void TestSplash::jpegPictures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QRgb, left);
    QFETCH(QRgb, right);
    const QImage image = decodeJpeg(bytes);
    QCOMPARE(image.size(), QSize(16, 8));
    QVERIFY2(near(image.pixel(2, 4), left), qPrintable(QString::number(image.pixel(2, 4), 16)));
    QVERIFY2(near(image.pixel(13, 4), right), qPrintable(QString::number(image.pixel(13, 4), 16)));
}

void TestSplash::brokenJpeg_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not a JPEG") << QByteArray("\x89PNG\r\n\x1a\n0000000000000000");
    QTest::newRow("cut inside the header") << kCmykRedBlue.left(100);
}

void TestSplash::brokenJpeg()
{
    QFETCH(QByteArray, bytes);
    const QString error = errorOf([&] { decodeJpeg(bytes); });
    QVERIFY2(error.startsWith(QStringLiteral("图片无法解码：")), qPrintable(error));
}

void TestSplash::oversizedJpegRefusedBeforeDecoding_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("8000 × 8000") << 8000 << 8000;
    QTest::newRow("one pixel too wide") << 4097 << 8;
    QTest::newRow("one pixel too high") << 16 << 4097;
}

void TestSplash::oversizedJpegRefusedBeforeDecoding()
{
    QFETCH(int, width);
    QFETCH(int, height);
    // A small picture whose header claims another size: only the header is ever looked at.
    QByteArray bytes = jpegBytes(redBlue());
    const qsizetype frame = bytes.indexOf("\xff\xc0");
    QVERIFY(frame > 0);
    bytes[frame + 5] = char(height >> 8);
    bytes[frame + 6] = char(height & 0xff);
    bytes[frame + 7] = char(width >> 8);
    bytes[frame + 8] = char(width & 0xff);
    try {
        decodeJpeg(bytes);
        QFAIL("an oversized picture was decoded");
    } catch (const UserError& e) {
        QCOMPARE(e.message(),
                 QStringLiteral("图片太大：%1 × %2 像素，最大只能是 4096 × 4096 像素").arg(width).arg(height));
    }
}

QTEST_MAIN(TestSplash)
#include "test_u_flash.moc"
