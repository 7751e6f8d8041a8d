#include "core/cipher/des.h"
#include "support/file_fixtures.h"

#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <stdexcept>

namespace {

QByteArray hex(const char* digits)
{
    return QByteArray::fromHex(digits);
}

using fixtures::errorOf;
using fixtures::gbk;

}  // namespace

class TestDes : public QObject {
    Q_OBJECT

private slots:
    void knownAnswers_data();
    void knownAnswers();
    void parityBitsIgnored();
    void textFraming_data();
    void textFraming();
    void hexReading_data();
    void hexReading();
    void errors_data();
    void errors();
    void keyFraming_data();
    void keyFraming();
    void roundTripKeepsInnerNuls();
    void sideFileLines_data();
    void sideFileLines();
    void overlongSideFileLine_data();
    void overlongSideFileLine();
    void missingSideFile();
    void sideTextTool();
};

// Single blocks from the published DES validation tables (NBS SP 500-20) and FIPS 81.
void TestDes::knownAnswers_data()
{
    QTest::addColumn<quint64>("key");
    QTest::addColumn<quint64>("plain");
    QTest::addColumn<quint64>("cipher");
    QTest::newRow("variable plaintext, bit 1")
        << 0x0101010101010101ULL << 0x8000000000000000ULL << 0x95F8A5E5DD31D900ULL;
    QTest::newRow("variable plaintext, bit 2")
        << 0x0101010101010101ULL << 0x4000000000000000ULL << 0xDD7F121CA5015619ULL;
    QTest::newRow("variable plaintext, bit 4")
        << 0x0101010101010101ULL << 0x1000000000000000ULL << 0x4BD388FF6CD81D4FULL;
    QTest::newRow("variable key, bit 1") << 0x8001010101010101ULL << 0ULL << 0x95A8D72813DAA94DULL;
    QTest::newRow("variable key, bit 2") << 0x4001010101010101ULL << 0ULL << 0x0EEC1487DD8C26D5ULL;
    QTest::newRow("permutation") << 0x10316E028C8F3B4AULL << 0ULL << 0x82DCBAFBDEAB6602ULL;
    QTest::newRow("substitution 1") << 0x7CA110454A1A6E57ULL << 0x01A1D6D039776742ULL << 0x690F5B0D9A26939BULL;
    QTest::newRow("substitution 2") << 0x0131D9619DC1376EULL << 0x5CD54CA83DEF57DAULL << 0x7A389D10354BD271ULL;
    QTest::newRow("substitution 3") << 0x07A1133E4A0B2686ULL << 0x0248D43806F67172ULL << 0x868EBB51CAB4599AULL;
    QTest::newRow("to zero") << 0x0E329232EA6D0D73ULL << 0x8787878787878787ULL << 0ULL;
    QTest::newRow("FIPS 81 \"Now is t\"") << 0x0123456789ABCDEFULL << 0x4E6F772069732074ULL << 0x3FA40E8A984D4815ULL;
    QTest::newRow("textbook") << 0x133457799BBCDFF1ULL << 0x0123456789ABCDEFULL << 0x85E813540F0AB405ULL;
}

void TestDes::knownAnswers()
{
    QFETCH(quint64, key);
    QFETCH(quint64, plain);
    QFETCH(quint64, cipher);
    QCOMPARE(desEncipherBlock(plain, key), cipher);
    QCOMPARE(desDecipherBlock(cipher, key), plain);
}

void TestDes::parityBitsIgnored()
{
    // The low bit of every key byte is a parity bit that the key schedule drops.
    QCOMPARE(desEncipherBlock(0x0123456789ABCDEFULL, 0x133457799BBCDFF1ULL ^ 0x0101010101010101ULL),
             0x85E813540F0AB405ULL);
}

void TestDes::textFraming_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("expectedHex");
    QTest::newRow("empty") << QByteArray() << kSideTextKey << QByteArray();
    // Three blocks from FIPS 81, with no padding.
    QTest::newRow("three whole blocks") << QByteArray("Now is the time for all ") << hex("0123456789ABCDEF")
                                        << QByteArray("3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53");
    // "测试" in GBK under "47" padded with six NULs, as an independent DES implementation gives it.
    QTest::newRow("GBK text, padded") << gbk(QStringLiteral("测试")) << kSideTextKey << QByteArray("6C767F8FABF6760C");
    QTest::newRow("9 bytes take two blocks")
        << QByteArray("Now is th") << hex("0123456789ABCDEF")
        << (QByteArray("3FA40E8A984D4815") + DesEncipherHex(QByteArray("h"), hex("0123456789ABCDEF")));
}

void TestDes::textFraming()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, expectedHex);
    const QByteArray hexText = DesEncipherHex(text, key);
    QCOMPARE(hexText, expectedHex);
    QCOMPARE(hexText.size(), (text.size() + 7) / 8 * 16);
    QCOMPARE(DesEncipherText(text, key), QByteArray::fromHex(expectedHex));
    QCOMPARE(DesDecipherHex(hexText, key), text);
    QCOMPARE(DesDecipherText(QByteArray::fromHex(expectedHex), key), text);
}

void TestDes::hexReading_data()
{
    const QByteArray two = DesEncipherHex("Quorlin!", kSideTextKey) + DesEncipherHex("2.0", kSideTextKey);
    QTest::addColumn<QByteArray>("hexText");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("upper case") << two << QByteArray("Quorlin!2.0");
    QTest::newRow("lower case") << two.toLower() << QByteArray("Quorlin!2.0");
    QTest::newRow("odd last character ignored, even a non-digit") << two + "Z" << QByteArray("Quorlin!2.0");
    QTest::newRow("partial final block lost") << two.left(30) << QByteArray("Quorlin!");
    QTest::newRow("only a partial block") << two.left(14) << QByteArray();
}

void TestDes::hexReading()
{
    QFETCH(QByteArray, hexText);
    QFETCH(QByteArray, text);
    QCOMPARE(DesDecipherHex(hexText, kSideTextKey), text);
}

void TestDes::errors_data()
{
    const QByteArray good = DesEncipherHex("Quorlin", kSideTextKey);
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("encipher");
    QTest::addColumn<QString>("message");
    const QString notHex = QStringLiteral("Error: not a Hex String");
    QTest::newRow("letter past F") << QByteArray(good).replace(3, 1, "G") << false << notHex;
    QTest::newRow("space between pairs") << good.left(8) + " " + good.mid(8) + "0" << false << notHex;
    // The check covers every pair, also those of a partial block that is dropped afterwards.
    QTest::newRow("bad pair in the dropped part") << good + "0x" << false << notHex;
    QTest::newRow("line break left in") << good + "\r\n" << false << notHex;
    QTest::newRow("text ending with NUL")
        << QByteArray("abc\0", 4) << true << QStringLiteral("Error: the last char is NULL char.");
    QTest::newRow("a lone NUL") << QByteArray(1, '\0') << true << QStringLiteral("Error: the last char is NULL char.");
}

void TestDes::errors()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, encipher);
    QFETCH(QString, message);
    if (encipher) {
        QCOMPARE(errorOf([&] { DesEncipherHex(input, kSideTextKey); }), message);
        QCOMPARE(errorOf([&] { DesEncipherText(input, kSideTextKey); }), message);
    } else {
        QCOMPARE(errorOf([&] { DesDecipherHex(input, kSideTextKey); }), message);
    }
}

void TestDes::keyFraming_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("sameAs");
    QTest::newRow("short key padded with NUL") << QByteArray("47") << QByteArray("47\0\0\0\0\0\0", 8);
    QTest::newRow("long key cut to 8") << QByteArray("Quorlin-2.0") << QByteArray("Quorlin-");
    QTest::newRow("empty key is eight NULs") << QByteArray() << QByteArray(8, '\0');
    QTest::newRow("GBK key bytes") << gbk(QStringLiteral("时时彩3D排列三")) << gbk(QStringLiteral("时时彩3D"));
}

void TestDes::keyFraming()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, sameAs);
    const QByteArray text = gbk(QStringLiteral("出品：Quorlin 项目组"));
    QCOMPARE(DesEncipherHex(text, key), DesEncipherHex(text, sameAs));
    QCOMPARE(DesDecipherHex(DesEncipherHex(text, sameAs), key), text);
    QVERIFY(DesEncipherHex(text, key) != DesEncipherHex(text, "48"));
}

void TestDes::roundTripKeepsInnerNuls()
{
    // Only NULs at the end are taken for padding; those inside a text come back.
    const QByteArray text("a\0b\0\0\0\0\0\0c", 10);
    QCOMPARE(DesDecipherText(DesEncipherText(text, kSideTextKey), kSideTextKey), text);
}

void TestDes::sideFileLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::newRow("LF") << QByteArray("A1\nB2\nC3\n") << QList<QByteArray>{"A1", "B2", "C3"};
    QTest::newRow("CR LF, no final break") << QByteArray("A1\r\nB2\r\nC3") << QList<QByteArray>{"A1", "B2", "C3"};
    QTest::newRow("CR alone") << QByteArray("A1\rB2\rC3\r") << QList<QByteArray>{"A1", "B2", "C3"};
    QTest::newRow("empty line kept in place") << QByteArray("A1\n\nC3\n") << QList<QByteArray>{"A1", "", "C3"};
    QTest::newRow("short file padded with empty lines") << QByteArray("A1\n") << QList<QByteArray>{"A1", "", ""};
    QTest::newRow("empty file") << QByteArray() << QList<QByteArray>{"", "", ""};
    QTest::newRow("lines past the count not read")
        << QByteArray("A1\nB2\nC3\nD4\n") << QList<QByteArray>{"A1", "B2", "C3"};
    QTest::newRow("a line of 4096 bytes is read") << QByteArray("A1\n" + QByteArray(4096, 'B') + "\r\nC3")
                                                  << QList<QByteArray>{"A1", QByteArray(4096, 'B'), "C3"};
    QTest::newRow("a huge line past the count is not read")
        << QByteArray("A1\nB2\nC3\n" + QByteArray(10 << 20, 'D')) << QList<QByteArray>{"A1", "B2", "C3"};
}

void TestDes::overlongSideFileLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("line");
    QTest::newRow("4097 bytes in line 2") << QByteArray("A1\n" + QByteArray(4097, 'B') + "\n") << 2;
    QTest::newRow("10 MB without a break in line 3") << QByteArray("A1\r\nB2\r\n" + QByteArray(10 << 20, 'C')) << 3;
}

void TestDes::overlongSideFileLine()
{
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("flash.txt"));
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    const QString message = errorOf([&] { readSideFileLines(fileName, 3); });
    QVERIFY2(message.contains(fileName) && message.contains(QStringLiteral("第%1行过长").arg(line)),
             qPrintable(message));
}

void TestDes::sideFileLines()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<QByteArray>, lines);
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("side.txt"));
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QCOMPARE(readSideFileLines(fileName, 3), lines);
}

void TestDes::missingSideFile()
{
    QTemporaryDir dir;
    const QString message = errorOf([&] { readSideFileLines(dir.filePath(QStringLiteral("附属/about.txt")), 7); });
    QVERIFY2(message.startsWith(QStringLiteral("无法打开文件 ")) && message.contains(QStringLiteral("附属/about.txt")),
             qPrintable(message));
}

void TestDes::sideTextTool()
{
    QProcess tool;
    tool.start(QStringLiteral(QUORLIN_SIDE_TEXT_TOOL), QStringList());
    tool.write("测试\n\nQuorlin\r\n");
    tool.closeWriteChannel();
    QVERIFY(tool.waitForFinished());
    QCOMPARE(tool.exitCode(), 0);
    const QByteArray enciphered = tool.readAllStandardOutput();
    QCOMPARE(enciphered, "6C767F8FABF6760C\n\n" + DesEncipherHex("Quorlin", kSideTextKey) + "\n");

    tool.start(QStringLiteral(QUORLIN_SIDE_TEXT_TOOL), {QStringLiteral("--decipher")});
    tool.write(enciphered);
    tool.closeWriteChannel();
    QVERIFY(tool.waitForFinished());
    QCOMPARE(tool.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()), QStringLiteral("测试\n\nQuorlin\n"));

    // A character GBK has no code for cannot be written into a side file.
    tool.start(QStringLiteral(QUORLIN_SIDE_TEXT_TOOL), QStringList());
    tool.write("\xF0\x9F\x98\x80\n");
    tool.closeWriteChannel();
    QVERIFY(tool.waitForFinished());
    QCOMPARE(tool.exitCode(), 1);
}

QTEST_GUILESS_MAIN(TestDes)
#include "test_des.moc"
