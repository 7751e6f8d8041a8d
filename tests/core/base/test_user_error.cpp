#include "core/base/user_error.h"

#include <QTest>
#include <new>

class TestUserError : public QObject {
    Q_OBJECT

private slots:
    void userMessageOfAnError();
};

void TestUserError::userMessageOfAnError()
{
    // A reader that runs out of memory tells it in the result line, not as "std::bad_alloc".
    QCOMPARE(userMessageOf(std::bad_alloc()), QStringLiteral("内存不足，操作未能完成。"));
    QCOMPARE(userMessageOf(UserError(QStringLiteral("页面过大"))), QStringLiteral("页面过大"));
    QCOMPARE(userMessageOf(DatabaseError(QStringLiteral("磁盘已满"))), QStringLiteral("磁盘已满"));
}

QTEST_GUILESS_MAIN(TestUserError)
#include "test_user_error.moc"
