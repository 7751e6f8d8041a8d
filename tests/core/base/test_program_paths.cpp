#include "core/base/program_paths.h"

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
};

void TestProgramPaths::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestProgramPaths::dataFolder_data()
{
    QTest::addColumn<bool>("writable");
    QTest::newRow("a writable program folder keeps the data") << true;
    QTest::newRow("a read-only one leaves it to the user's folder") << false;
}

void TestProgramPaths::dataFolder()
{
    QFETCH(bool, writable);
    if (!writable && geteuid() == 0)
        QSKIP("root writes into any folder; the package test runs the program as another user");
    QTemporaryDir dir;
    const QString programDir = dir.path() + QLatin1Char('/');
    if (!writable)
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    const QString dataDir = program_paths::dataDirFor(programDir);
    const QString exportDir = program_paths::exportDir(programDir);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Quorlin/";
    QCOMPARE(program_paths::userDataDir(), userDir);
    QCOMPARE(dataDir, writable ? programDir : userDir);
    QCOMPARE(program_paths::databaseFile(dataDir), dataDir + "数据库/彩票数据.mdb");
    QCOMPARE(program_paths::sourcesFile(dataDir), dataDir + "数据源.ini");
    QCOMPARE(exportDir, writable ? programDir + "附属/" : QDir::homePath() + "/");
}

QTEST_GUILESS_MAIN(TestProgramPaths)
#include "test_program_paths.moc"
