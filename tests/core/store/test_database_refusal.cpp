#include "core/store/database_refusal.h"

#include <QTest>

// Why the database refused a write, in the user's words.
class TestDatabaseRefusal : public QObject {
    Q_OBJECT

private slots:
    void refusalsInTheUsersWords_data();
    void refusalsInTheUsersWords();
};

void TestDatabaseRefusal::refusalsInTheUsersWords_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("periodId");
    QTest::addColumn<QString>("shown");
    QTest::newRow("rule of a table made elsewhere") << "CHECK constraint failed: x > 0"
                                                    << "2026001"
                                                    << "第2026001期：数据不符合表的规则（x > 0）";
    QTest::newRow("empty column") << "NOT NULL constraint failed: 中国福彩3D彩票号码表.2"
                                  << "2026001"
                                  << "第2026001期：“2”列不能为空";
    QTest::newRow("another program writing") << "database is locked"
                                             << ""
                                             << "数据库正被另一个程序使用，请稍后再试";
    QTest::newRow("read-only file") << "attempt to write a readonly database"
                                    << ""
                                    << "数据库文件是只读的，无法写入";
    QTest::newRow("no plain words: the engine's own") << "disk I/O error"
                                                      << ""
                                                      << "disk I/O error";
}

void TestDatabaseRefusal::refusalsInTheUsersWords()
{
    QFETCH(QString, engine);
    QFETCH(QString, periodId);
    QFETCH(QString, shown);
    QCOMPARE(refusalText(engine, QStringLiteral("中国福彩3D"), periodId), shown);
}

QTEST_GUILESS_MAIN(TestDatabaseRefusal)
#include "test_database_refusal.moc"
