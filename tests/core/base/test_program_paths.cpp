#include "core/base/program_paths.h"
#include "core/base/whole_file.h"

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestProgramPaths : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void dataFolder_data();
    void dataFolder();
    void whatStandsInTheWay_data();
    void whatStandsInTheWay();
};

void TestProgramPaths::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestProgramPaths::dataFolder_data()
{
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("holdsDatabase");
    QTest::addColumn<bool>("packaged");
    QTest::addColumn<bool>("dataInProgramFolder");
    QTest::newRow("a writable program folder keeps the data") << true << false << false << true;
    QTest::newRow("a read-only one leaves it to the user's folder") << false << false << false << false;
    // A copy kept read-only, or on read-only media: its draws stay in view, read-only.
    QTest::newRow("a read-only one holding the database keeps it") << false << true << false << true;
    // The system's folder, whoever runs it: root's data would otherwise be every user's.
    QTest::newRow("a packaged one never, writable or not") << true << false << true << false;
    QTest::newRow("a packaged one never, even with a database") << false << true << true << false;
}

void TestProgramPaths::dataFolder()
{
    QFETCH(bool, writable);
    QFETCH(bool, holdsDatabase);
    QFETCH(bool, packaged);
    QFETCH(bool, dataInProgramFolder);
    if (!writable && !holdsDatabase && !packaged && geteuid() == 0)
        QSKIP("root writes into any folder; the package test runs the program as another user");
    QTemporaryDir dir;
    const QString programDir = dir.path() + QLatin1Char('/');
    if (holdsDatabase) {
        QVERIFY(QDir().mkdir(programDir + "数据库"));
        QFile database(program_paths::databaseFile(programDir));
        QVERIFY(database.open(QIODevice::WriteOnly));
    }
    if (packaged) {
        QFile marker(program_paths::packageMarkerFile(programDir));
        QVERIFY(marker.open(QIODevice::WriteOnly));
    }
    if (!writable)
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    const QString dataDir = program_paths::dataDirFor(programDir);
    const QString exportDir = program_paths::exportDir(programDir);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Quorlin/";
    QCOMPARE(program_paths::userDataDir(), userDir);
    QCOMPARE(dataDir, dataInProgramFolder ? programDir : userDir);
    QCOMPARE(program_paths::databaseFile(dataDir), dataDir + "数据库/彩票数据.mdb");
    QCOMPARE(program_paths::sourcesFile(dataDir), dataDir + "数据源.ini");
    // An export goes where it can be written.
    const bool exportsBeside = dataInProgramFolder && (writable || geteuid() == 0);
    QCOMPARE(exportDir, exportsBeside ? programDir + "附属/" : QDir::homePath() + "/");
}

void TestProgramPaths::whatStandsInTheWay_data()
{
    QTest::addColumn<QString>("blocker");  // what is put in the way, under a scratch folder
    QTest::addColumn<QString>("folder");   // the folder to be made there
    QTest::addColumn<QString>("named");    // what the reason must name, the scratch folder as "<dir>"
    QTest::addColumn<bool>("stopsRoot");
    QTest::newRow("a file where the data folder should be") << "file Quorlin"
                                                            << "Quorlin/数据库"
                                                            << "“<dir>/Quorlin”是一个文件，不是文件夹" << true;
    QTest::newRow("a file higher up") << "file share"
                                      << "share/Quorlin/数据库"
                                      << "“<dir>/share”是一个文件，不是文件夹" << true;
    // The nearest folder that exists, not one of those still to be made.
    QTest::newRow("a read-only home") << "read-only"
                                      << ".local/share/Quorlin/数据库"
                                      << "文件夹“<dir>”是只读的" << false;
    QTest::newRow("HOME not set") << "no HOME"
                                  << "Quorlin/数据库"
                                  << "环境变量HOME没有设置" << false;
}

void TestProgramPaths::whatStandsInTheWay()
{
    QFETCH(QString, blocker);
    QFETCH(QString, folder);
    QFETCH(QString, named);
    QFETCH(bool, stopsRoot);
    if (!stopsRoot && geteuid() == 0)
        QSKIP("root writes into any folder");
    QTemporaryDir dir;
    if (blocker.startsWith("file ")) {
        QFile file(dir.path() + '/' + blocker.mid(5));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QByteArray home = qgetenv("HOME");
    if (blocker == "no HOME")
        qunsetenv("HOME");
    if (blocker == "read-only" || blocker == "no HOME")
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    const QString reason = folderObstacle(dir.path() + '/' + folder);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", home);
    QVERIFY2(reason.contains(QString(named).replace("<dir>", dir.path())), qPrintable(reason));
}

QTEST_GUILESS_MAIN(TestProgramPaths)
#include "test_program_paths.moc"
