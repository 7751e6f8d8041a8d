#include "core/acquire/page_fetch.h"
#include "core/acquire/source_settings.h"
#include "core/base/today_clock.h"
#include "core/base/user_error.h"
#include "support/file_fixtures.h"
#include "support/local_http_server.h"
#include "support/page_fixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using fixtures::errorOf;
using fixtures::writeFile;

namespace {

SiteHosts builtHosts()
{
    SiteHosts hosts;
    for (PageSite site : kPageSites)
        hosts[std::size_t(site)] = defaultSiteHost(site);
    return hosts;
}

}  // namespace

class TestSourceSettings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void hostChecks_data();
    void hostChecks();
    void readsWhatWasWritten();
    void absentFileOrKeysFallBack();
    void badValueInTheFileIsNamed();
    void badHostWritesNothing();
    void unwritableFolderIsNamed();
    void appliesTheHostsToTheReaders();
    void checksOneKnownPageOfEachSite();

private:
    QString dir() const { return m_dir->path() + u'/'; }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSourceSettings::initTestCase()
{
    fetchSettings().connectTimeout = std::chrono::milliseconds(1000);
    fetchSettings().totalTimeout = std::chrono::milliseconds(1000);
    today_clock::setToday(QDate(2026, 12, 9));
}

void TestSourceSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestSourceSettings::hostChecks_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("problem");
    QTest::newRow("name") << "draws.example.com"
                          << "";
    QTest::newRow("address and port") << "127.0.0.1:8080"
                                      << "";
    QTest::newRow("lowest and highest port") << "h:1"
                                             << "";
    QTest::newRow("highest port") << "h:65535"
                                  << "";
    QTest::newRow("IPv6 with port") << "[::1]:80"
                                    << "";
    QTest::newRow("Chinese name") << "彩票.中国"
                                  << "";
    QTest::newRow("empty") << ""
                           << "不能为空";
    QTest::newRow("scheme") << "http://draws.example.com"
                            << "只写主机名，不写“http://”之类的协议";
    QTest::newRow("path") << "draws.example.com/list"
                          << "只写主机名，不写路径（“/”及其后的部分）";
    QTest::newRow("blank inside") << "draws example.com"
                                  << "不能含空格";
    QTest::newRow("port zero") << "h:0"
                               << "端口须为1到65535之间的数字";
    QTest::newRow("port too large") << "h:65536"
                                    << "端口须为1到65535之间的数字";
    QTest::newRow("port not a number") << "h:web"
                                       << "端口须为1到65535之间的数字";
    QTest::newRow("colon without port") << "h:"
                                        << "端口须为1到65535之间的数字";
    QTest::newRow("user part") << "me@h"
                               << "不能含“@”";
    QTest::newRow("odd character") << "h*st"
                                   << "主机名含有不允许的字符“*”";
    QTest::newRow("leading dot") << ".example.com"
                                 << "主机名“.example.com”不是有效的名字";
}

void TestSourceSettings::hostChecks()
{
    QFETCH(QString, host);
    QFETCH(QString, problem);
    QCOMPARE(hostProblem(host), problem);
}

void TestSourceSettings::readsWhatWasWritten()
{
    const SiteHosts hosts{"trend.test", "chart.test:81", "127.0.0.1:8080", "[::1]:9000"};
    writeSourceSettings(dir(), hosts);
    QCOMPARE(readSourceSettings(dir()), hosts);
    // Written again at once, with the same size: read anew, not from a cache.
    const SiteHosts changed{"trend.tesu", "chart.tesu:81", "127.0.0.1:8081", "[::1]:9001"};
    writeSourceSettings(dir(), changed);
    QCOMPARE(readSourceSettings(dir()), changed);
    QFile file(sourceSettingsPath(dir()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[hosts]\ntrend=trend.tesu\nchart=chart.tesu:81\ndrawlist=127.0.0.1:8081\n"
                                        "feed=[::1]:9001\n"));
}

void TestSourceSettings::absentFileOrKeysFallBack()
{
    QCOMPARE(readSourceSettings(dir()), builtHosts());
    writeFile(sourceSettingsPath(dir()),
              "; set by hand\n[other]\nfeed=elsewhere\n[hosts]\r\nfeed = \"feed.test:8000\"\r\n"
              "chart=\r\n");
    SiteHosts expected = builtHosts();
    expected[std::size_t(PageSite::Feed)] = "feed.test:8000";
    QCOMPARE(readSourceSettings(dir()), expected);
}

void TestSourceSettings::badValueInTheFileIsNamed()
{
    writeFile(sourceSettingsPath(dir()), "[hosts]\ndrawlist=http://draws.test/\n");
    const QString message = errorOf([&] { readSourceSettings(dir()); });
    QVERIFY2(message.contains(sourceSettingsPath(dir())) && message.contains("drawlist") &&
                 message.contains("http://draws.test/") && message.contains("协议"),
             qPrintable(message));
}

void TestSourceSettings::badHostWritesNothing()
{
    writeSourceSettings(dir(), builtHosts());
    const SiteHosts bad{"trend.test", "chart.test", "draws.test:70000", "feed.test"};
    const QString message = errorOf([&] { writeSourceSettings(dir(), bad); });
    QCOMPARE(message, QStringLiteral("时时彩开奖列表页面的主机“draws.test:70000”无效：端口须为1到65535之间的数字。"));
    QCOMPARE(readSourceSettings(dir()), builtHosts());
}

void TestSourceSettings::unwritableFolderIsNamed()
{
    const QString missing = dir() + QStringLiteral("没有的文件夹/");
    const QString message = errorOf([&] { writeSourceSettings(missing, builtHosts()); });
    QVERIFY2(message.startsWith(QStringLiteral("无法保存数据源设置 ") + sourceSettingsPath(missing)),
             qPrintable(message));
}

void TestSourceSettings::appliesTheHostsToTheReaders()
{
    writeFile(sourceSettingsPath(dir()), "[hosts]\ntrend=127.0.0.1:5\n");
    setSiteHost(PageSite::Chart, "left.over.test");
    applySourceSettings(dir());
    QCOMPARE(siteHost(PageSite::Trend), QStringLiteral("127.0.0.1:5"));
    QCOMPARE(siteHost(PageSite::Chart), defaultSiteHost(PageSite::Chart));
    QCOMPARE(pageUrl(PageSite::Trend, "/x"), QStringLiteral("http://127.0.0.1:5/x"));
}

void TestSourceSettings::checksOneKnownPageOfEachSite()
{
    fixtures::LocalHttpServer server;
    server.serve("/trend/analyse3d.do?operator=codeTrend", "page");
    server.failWithStatus("/Pls/ZongheZs-200.html", 404);
    server.serve("/static/ssc/newlyopenlist.xml", "<xml/>");
    const QString host = server.hostAndPort();
    const std::vector<SiteCheck> checks = checkSites({host, host, "bad host", host});
    QStringList results;
    for (const SiteCheck& check : checks)
        results << siteKey(check.site) + u' ' + (check.reachable ? "+" : "-") + u' ' + check.text;
    QCOMPARE(results, (QStringList{"trend + 可以连接", "chart - 服务器答复 HTTP 404", "drawlist - 主机无效：不能含空格",
                                   "feed + 可以连接"}));
    QCOMPARE(server.requests(), (QStringList{"/trend/analyse3d.do?operator=codeTrend", "/Pls/ZongheZs-200.html",
                                             "/static/ssc/newlyopenlist.xml"}));
    // Nothing of the check is kept: no settings file, no scratch page.
    QVERIFY(!QFile::exists(sourceSettingsPath(dir())));
}

QTEST_GUILESS_MAIN(TestSourceSettings)
#include "test_source_settings.moc"
