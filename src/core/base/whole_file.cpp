#include "core/base/whole_file.h"

#include "core/base/user_error.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

}  // namespace

QString folderObstacle(const QString& folder)
{
    // Without HOME every user's folder is looked for under "/", which is no one's to write.
    const QString noHome = qEnvironmentVariableIsEmpty("HOME")
                               ? QStringLiteral("（环境变量HOME没有设置，找不到用户的主目录）")
                               : QString();
    QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QFileInfo existing(path);
    while (!existing.exists() && !existing.isRoot()) {
        path = existing.absolutePath();
        existing = QFileInfo(path);
    }
    if (!existing.exists())
        return {};
    if (!existing.isDir())
        return QStringLiteral("“%1”是一个文件，不是文件夹").arg(shown(path)) + noHome;
    if (!existing.isWritable() || !existing.isExecutable())
        return QStringLiteral("文件夹“%1”是只读的").arg(shown(path)) + noHome;
    return {};
}

QString fileObstacle(const QString& fileName)
{
    const QFileInfo file(fileName);
    if (file.isDir())
        return QStringLiteral("“%1”是一个文件夹，不是文件").arg(shown(fileName));
    if (file.exists() && !file.isWritable())
        return QStringLiteral("文件是只读的");
    return folderObstacle(file.absolutePath());
}

void writeWholeFile(const QString& fileName, const QByteArray& bytes, const QString& failure)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        const QString obstacle = fileObstacle(fileName);
        throw UserError(
            QStringLiteral("%1 %2：%3").arg(failure, fileName, obstacle.isEmpty() ? file.errorString() : obstacle));
    }
}
