#include "core/acquire/sources/json_path.h"
#include "core/acquire/sources/source_description.h"
#include "core/base/program_paths.h"
#include "core/base/user_error.h"
#include "support/draw_fixtures.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace fixtures;

namespace {

// A description that reads, for the cases to break one field of.
const QByteArray kGood =
    "{\"sources\":[{\"id\":\"mine\",\"name\":\"我的来源\",\"lotteries\":{\"fc3d\":{\"param\":\"3d\"}},"
    "\"url\":\"https://draws.test/list?name={param}&page={page}\",\"format\":\"json\",\"list\":\"data\","
    "\"period\":\"issue\",\"digits\":\"numbers\",\"pageSize\":30}]}";

QString refusalOf(const QByteArray& bytes)
{
    try {
        readSourceDescriptions(bytes, QStringLiteral("/data/开奖来源.json"));
    } catch (const UserError& e) {
        return e.message();
    }
    return {};
}

}  // namespace

class TestSourceDescription : public QObject {
    Q_OBJECT

private slots:
    void builtInSourcesServeTheirLotteries()
    {
        const SourceDescriptions& all = builtinSources();
        QCOMPARE(defaultSource(all, QStringLiteral("中国福彩3D"))->name, QStringLiteral("中国福利彩票"));
        QCOMPARE(defaultSource(all, QStringLiteral("中国体彩排列3"))->name, QStringLiteral("中国体育彩票"));
        QCOMPARE(defaultSource(all, QStringLiteral("重庆时时彩")), nullptr);
        QCOMPARE(wholeHistorySource(all, QStringLiteral("中国体彩排列3"))->id, QStringLiteral("17500"));
        QVERIFY(findSource(all, QStringLiteral("zhcw"))->serving(QStringLiteral("中国福彩3D")));
        // The requests as the operators' own pages make them.
        QCOMPARE(findSource(all, QStringLiteral("cwl"))->pageUrl(QStringLiteral("中国福彩3D"), 2),
                 QStringLiteral("https://www.cwl.gov.cn/cwl_admin/front/cwlkj/search/kjxx/findDrawNotice?name=3d"
                                "&issueCount=&issueStart=&issueEnd=&dayStart=&dayEnd=&pageNo=2&pageSize=100&week="
                                "&systemType=PC"));
        QCOMPARE(findSource(all, QStringLiteral("sporttery"))->pageUrl(QStringLiteral("中国体彩排列3"), 1),
                 QStringLiteral("https://webapi.sporttery.cn/gateway/lottery/getHistoryPageListV1.qry?gameNo=35"
                                "&provinceId=0&pageSize=100&isVerify=1&pageNo=1"));
        QCOMPARE(findSource(all, QStringLiteral("cwl"))->pageUrl(QStringLiteral("中国福彩3D"), 1, "2024001", "2024010"),
                 QStringLiteral("https://www.cwl.gov.cn/cwl_admin/front/cwlkj/search/kjxx/findDrawNotice?name=3d"
                                "&issueCount=&issueStart=2024001&issueEnd=2024010&dayStart=&dayEnd=&pageNo=1"
                                "&pageSize=100&week=&systemType=PC"));
        QCOMPARE(findSource(all, QStringLiteral("17500"))->pageUrl(QStringLiteral("中国福彩3D"), 1),
                 QStringLiteral("http://data.17500.cn/3d_asc.txt"));
    }

    void brokenDescriptionIsRefusedNamingFileSourceAndField_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no address") << QByteArray("\"url\":\"https://draws.test/list?name={param}&page={page}\",")
                                    << QByteArray() << QStringLiteral("来源“我的来源”的 url 有误：缺少此项");
        QTest::newRow("unknown lottery") << QByteArray("\"fc3d\":") << QByteArray("\"ssq\":")
                                         << QStringLiteral("lotteries.ssq 有误：没有这种彩票");
        QTest::newRow("unknown format") << QByteArray("\"format\":\"json\"") << QByteArray("\"format\":\"xml\"")
                                        << QStringLiteral("format 有误：应为 json、jsonp、lines 或 csv");
        QTest::newRow("csv with the draw's columns named twice")
            << QByteArray("\"format\":\"json\"") << QByteArray("\"format\":\"csv\",\"digitColumns\":[\"百位\"]")
            << QStringLiteral("digitColumns 有误：与 digits 只能写其中一项");
        QTest::newRow("page size beyond reason") << QByteArray("\"pageSize\":30") << QByteArray("\"pageSize\":-1")
                                                 << QStringLiteral("pageSize 有误：应为0到10000之间的整数");
        QTest::newRow("paged without a page number") << QByteArray("&page={page}") << QByteArray()
                                                     << QStringLiteral("url 有误：分页的列表须在网址中写明 {page}");
        QTest::newRow("other scheme") << QByteArray("https://draws.test") << QByteArray("ftp://draws.test")
                                      << QStringLiteral("url 有误：须为以 http:// 或 https:// 开头的完整网址");
        QTest::newRow("no period field") << QByteArray("\"period\":\"issue\",") << QByteArray()
                                         << QStringLiteral("period 有误：缺少此项");
    }

    void brokenDescriptionIsRefusedNamingFileSourceAndField()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, expected);
        QVERIFY(refusalOf(kGood).isEmpty());
        QByteArray broken = kGood;
        broken.replace(from, to);
        const QString message = refusalOf(broken);
        QVERIFY2(message.startsWith(QStringLiteral("开奖来源文件 /data/开奖来源.json 中的来源“我的来源”的 ")),
                 qPrintable(message));
        QVERIFY2(message.contains(expected), qPrintable(message));
    }

    void notJsonIsRefusedNamingTheFile()
    {
        QCOMPARE(refusalOf("{\"sources\":["),
                 QStringLiteral("开奖来源文件 /data/开奖来源.json 不是有效的JSON（第13个字节处有误）。"));
        QVERIFY(refusalOf("{\"list\":[]}").contains(QStringLiteral("中没有来源列表")));
    }

    void dataFolderFileAddsAndReplaces()
    {
        ProgramFolder folder;
        QByteArray added = kGood;
        added.replace("\"id\":\"mine\"", "\"id\":\"cwl\"");
        added.replace(
            "]}",
            ",{\"id\":\"own\",\"name\":\"自己的\",\"lotteries\":{\"pl3\":{}},\"url\":\"http://files.test/pl3.txt\","
            "\"format\":\"lines\",\"columns\":{\"period\":0,\"digits\":1},\"wholeHistory\":true}]}");
        QFile file(program_paths::addedSourcesFile(folder.path()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(added);
        file.close();
        const SourceDescriptions all = sourceDescriptions(folder.path());
        QCOMPARE(all.size(), builtinSources().size() + 1);
        QCOMPARE(findSource(all, QStringLiteral("cwl"))->name, QStringLiteral("我的来源"));
        QCOMPARE(findSource(all, QStringLiteral("own"))->columns.firstDigit, 1);
        QVERIFY(findSource(all, QStringLiteral("sporttery")));
    }

    void jsonPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nested") << "value.list.0.lotteryDrawNum"
                                << "24001";
        QTest::newRow("any case") << "VALUE.List.1.lotterydrawnum"
                                  << "24002";
        QTest::newRow("past the list") << "value.list.2.lotteryDrawNum"
                                       << "(undefined)";
        QTest::newRow("through a text") << "value.pages.x"
                                        << "(undefined)";
        QTest::newRow("number") << "value.pages"
                                << "3";
    }

    void jsonPaths()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        const QJsonValue root =
            QJsonDocument::fromJson(
                "{\"value\":{\"pages\":3,\"list\":[{\"lotteryDrawNum\":\"24001\"},{\"lotteryDrawNum\":\"24002\"}]}}")
                .object();
        const QJsonValue value = jsonAt(root, path);
        QCOMPARE(value.isUndefined() ? QStringLiteral("(undefined)") : value.toVariant().toString(), expected);
    }

    void jsonpIsUnwrapped()
    {
        QCOMPARE(withoutJsonp(" jQuery1122_163({\"a\":1});\n"), QByteArrayView("{\"a\":1}"));
        QCOMPARE(withoutJsonp("cb([1,2])"), QByteArrayView("[1,2]"));
        QCOMPARE(withoutJsonp("{\"a\":1}"), QByteArrayView("{\"a\":1}"));
        QCOMPARE(withoutJsonp("<html>(x)</html>"), QByteArrayView("<html>(x)</html>"));
    }
};

QTEST_GUILESS_MAIN(TestSourceDescription)
#include "test_source_description.moc"
