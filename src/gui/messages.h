#pragma once

#include <QString>

// Texts more than one window shows, written once.
namespace messages {

// After a file the user asked for has been written.
inline const QString kSaved = QStringLiteral("成功保存！");

// A data-window command asked with no lottery chosen; `action` is what it would have done
// ("导出", "导入", "查看缺期", "补齐").
inline QString chooseLotteryFirst(const QString& action)
{
    return QStringLiteral("请选择要%1的彩票！").arg(action);
}

}  // namespace messages
