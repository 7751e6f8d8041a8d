#pragma once

#include "core/cipher/des.h"
#include "support/file_fixtures.h"

#include <QByteArray>
#include <QString>

namespace fixtures {

// One line of a side file as the installation ships it: the GBK text, enciphered, in hex.
inline QByteArray sideTextLine(const QString& text)
{
    return DesEncipherHex(gbk(text), kSideTextKey);
}

}  // namespace fixtures
