#include "core/base/program_paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace program_paths {

QString asFolder(const QString& path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QString dataDirFor(const QString& programDir)
{
    const QString folder = asFolder(programDir);
    if (QFileInfo::exists(packageMarkerFile(folder)))
        return userDataDir();
    // A database the player has stays in view, read-only or not. Writable as the user running
    // the program sees it: a folder of root's is not, even though it can be read.
    if (QFileInfo::exists(databaseFile(folder)) || QFileInfo(folder).isWritable())
        return folder;
    return userDataDir();
}

QString packageMarkerFile(const QString& programDir)
{
    return programDir + QStringLiteral("系统安装.txt");
}

QString userDataDir()
{
    // Qt's AppDataLocation for an application called "Quorlin" without an organisation, spelled
    // out so that it does not hang on when the application takes its name.
    return asFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) + QStringLiteral("Quorlin/");
}

QString databaseDir(const QString& dataDir)
{
    return dataDir + QStringLiteral("数据库/");
}

QString databaseFile(const QString& dataDir)
{
    return databaseDir(dataDir) + QStringLiteral("彩票数据.mdb");
}

QString sourcesFile(const QString& dataDir)
{
    return dataDir + QStringLiteral("数据源.ini");
}

QString addedSourcesFile(const QString& dataDir)
{
    return dataDir + QStringLiteral("开奖来源.json");
}

QString settingsFile(const QString& dataDir)
{
    return dataDir + QStringLiteral("设置.ini");
}

QString scratchPageFile(const QString& dataDir)
{
    return dataDir + QStringLiteral("号码.txt");
}

QString sideTextDir(const QString& programDir)
{
    return programDir + QStringLiteral("附属/");
}

QString splashTextFile(const QString& programDir)
{
    return sideTextDir(programDir) + QStringLiteral("flash.txt");
}

QString aboutTextFile(const QString& programDir)
{
    return sideTextDir(programDir) + QStringLiteral("about.txt");
}

QString pictureDir(const QString& programDir)
{
    return programDir + QStringLiteral("图片/");
}

QString splashPictureFile(const QString& programDir)
{
    return pictureDir(programDir) + QStringLiteral("flash.jpg");
}

QString exportDir(const QString& programDir)
{
    const QString folder = asFolder(programDir);
    const bool writable = dataDirFor(folder) == folder && QFileInfo(folder).isWritable();
    return writable ? sideTextDir(folder) : asFolder(QDir::homePath());
}

}  // namespace program_paths
