#include "core/base/cancelled.h"

#include <QByteArray>

const char* Cancelled::what() const noexcept
{
    static const QByteArray text = kCancelledText.toUtf8();
    return text.constData();
}
