#include "core/base/whole_file.h"

#include "core/base/user_error.h"

#include <QSaveFile>

void writeWholeFile(const QString& fileName, const QByteArray& bytes)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw UserError(QStringLiteral("无法保存文件 %1：%2").arg(fileName, file.errorString()));
}
