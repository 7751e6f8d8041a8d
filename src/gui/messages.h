#pragma once

#include <QString>

// Texts more than one window shows, written once.
namespace messages {

// After a file the user asked for has been written.
inline const QString kSaved = QStringLiteral("成功保存！");

}  // namespace messages
