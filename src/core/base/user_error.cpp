#include "core/base/user_error.h"

UserError::UserError(const QString& message) : std::runtime_error(message.toStdString()) {}

QString UserError::message() const
{
    return QString::fromUtf8(what());
}
