#include "core/base/whole_file.h"

#include "core/base/user_error.h"

#include <QSaveFile>

void writeWholeFile(const QString& fileName, const QByteArray& bytes, const QString& failure)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw UserError(QStringLiteral("%1 %2：%3").arg(failure, fileName, file.errorString()));
}
