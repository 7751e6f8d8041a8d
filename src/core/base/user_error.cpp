#include "core/base/user_error.h"

#include <new>

UserError::UserError(const QString& message) : std::runtime_error(message.toStdString()) {}

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
