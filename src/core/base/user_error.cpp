#include "core/base/user_error.h"

#include <QRegularExpression>
#include <new>

QString withoutCredentials(const QString& text)
{
    if (!text.contains(u'@'))
        return text;
    // A user name, a colon and a password before an "@", neither holding a blank, slash, quote or
    // another "@": the password goes.
    static const QRegularExpression password(QStringLiteral(R"(([^\s/@:"'“”‘’]*):[^\s/@"'“”‘’]*@)"));
    QString masked = text;
    masked.replace(password, QStringLiteral("\\1:***@"));
    return masked;
}

UserError::UserError(const QString& message) : std::runtime_error(withoutCredentials(message).toStdString()) {}

QString UserError::message() const
{
    return QString::fromUtf8(what());
}

QString userMessageOf(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return QStringLiteral("内存不足，操作未能完成。");
    return QString::fromUtf8(error.what());
}

QString cannotOpenFileText(const QString& fileName, const QString& reason)
{
    return QStringLiteral("无法打开文件 %1：%2").arg(fileName, reason);
}

QString cannotReadFileText(const QString& fileName, const QString& reason)
{
    return QStringLiteral("无法读取文件 %1：%2").arg(fileName, reason);
}
