#include "core/store/database_refusal.h"

#include "core/base/lottery_table.h"

#include <QRegularExpression>
#include <QSqlError>

namespace {

bool isAscii(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() > 0x7f)
            return false;
    }
    return true;
}

// "表.列" as the engine names a column; the column alone is what a user knows.
QString columnOf(const QString& qualified)
{
    const qsizetype dot = qualified.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? qualified : qualified.mid(dot + 1);
}

QString lotteryOfTable(const QString& table)
{
    return table.endsWith(kLotteryTableSuffix) && table.size() > kLotteryTableSuffix.size()
               ? table.chopped(kLotteryTableSuffix.size())
               : QString();
}

QString periodPrefix(const QString& periodId)
{
    return periodId.isEmpty() ? QString() : QStringLiteral("第%1期：").arg(periodId);
}

}  // namespace

QString refusalText(const QSqlError& error, const QString& lotteryName, const QString& periodId)
{
    const QString engine = error.databaseText().trimmed();
    return refusalText(engine.isEmpty() ? error.text().trimmed() : engine, lotteryName, periodId);
}

QString refusalText(const QString& engineText, const QString& lotteryName, const QString& periodId)
{
    const QString text = engineText.trimmed();
    static const QRegularExpression noTable(QStringLiteral("^no such table: (?:main\\.)?(.+)$"));
    static const QRegularExpression unique(QStringLiteral("^UNIQUE constraint failed: (.+)$"));
    static const QRegularExpression check(QStringLiteral("^CHECK constraint failed: (.+)$"));
    static const QRegularExpression notNull(QStringLiteral("^NOT NULL constraint failed: (.+)$"));
    static const QRegularExpression valueCount(
        QStringLiteral("^table \\S+ has (\\d+) columns but (\\d+) values were supplied$"));
    static const QRegularExpression noColumn(
        QStringLiteral("^(?:table \\S+ has )?no (?:such )?column:? (?:named )?(.+)$"));

    if (const auto m = noTable.match(text); m.hasMatch()) {
        const QString table = m.captured(1);
        const QString lottery = lotteryOfTable(table);
        if (!lottery.isEmpty())
            return QStringLiteral("没有名为“%1”的彩票").arg(lottery);
        return lotteryName.isEmpty() ? QStringLiteral("数据库中没有名为“%1”的表").arg(table)
                                     : QStringLiteral("没有名为“%1”的彩票").arg(lotteryName);
    }
    if (const auto m = unique.match(text); m.hasMatch()) {
        if (!periodId.isEmpty())
            return QStringLiteral("第%1期已存在").arg(periodId);
        return QStringLiteral("“%1”列已有相同的值").arg(columnOf(m.captured(1)));
    }
    if (const auto m = check.match(text); m.hasMatch()) {
        // Our own tables name each rule in Chinese ("记录期号须为11位数字"); a rule of a table made
        // elsewhere may only have an expression for a name.
        const QString rule = m.captured(1);
        if (rule.startsWith(QStringLiteral("记录期号")) && !periodId.isEmpty())
            return QStringLiteral("%1（“%2”）").arg(rule, periodId);
        if (!isAscii(rule))
            return periodPrefix(periodId) + rule;
        return periodPrefix(periodId) + QStringLiteral("数据不符合表的规则（%1）").arg(rule);
    }
    if (const auto m = notNull.match(text); m.hasMatch())
        return periodPrefix(periodId) + QStringLiteral("“%1”列不能为空").arg(columnOf(m.captured(1)));
    if (const auto m = valueCount.match(text); m.hasMatch())
        return periodPrefix(periodId) +
               QStringLiteral("号码个数与表不符（表有%1列，给出%2个值）").arg(m.captured(1), m.captured(2));
    if (const auto m = noColumn.match(text); m.hasMatch())
        return QStringLiteral("表中没有“%1”列").arg(m.captured(1));
    if (text.startsWith(QLatin1String("database is locked")) ||
        text.startsWith(QLatin1String("database table is locked")))
        return QStringLiteral("数据库正被另一个程序使用，请稍后再试");
    if (text.startsWith(QLatin1String("attempt to write a readonly database")))
        return QStringLiteral("数据库文件是只读的，无法写入");
    if (text.startsWith(QLatin1String("database or disk is full")))
        return QStringLiteral("磁盘已满，数据库无法写入");
    return text;
}
