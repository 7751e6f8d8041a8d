#pragma once

#include <QString>

// Where the program's files lie; the one place that names them.
//
// The program folder (the executable's own) holds what comes with the program: the side texts
// of the splash and about box (附属/) and the splash picture (图片/). The data folder holds what
// the program writes: the draw database, 数据源.ini, 设置.ini and the scratch page 号码.txt. Where
// the program folder is writable (a build, a self-contained `cmake --install --prefix` copy) or
// already holds the draw database (a copy kept read-only, or on read-only media, which is then
// shown read-only), it is the data folder too, as it always was; where it is neither, and always
// for an installed package (for root too, whose data would otherwise be every user's), the data
// folder is the user's own, ~/.local/share/Quorlin. Nothing is carried from one to the other.
//
// Every folder here ends with "/".
namespace program_paths {

// The folder as every path here is joined to it: ending with "/".
QString asFolder(const QString& path);

// The data folder for a program folder: userDataDir() for a packaged installation (the program
// folder holds packageMarkerFile()); otherwise the program folder itself when it holds the draw
// database or is writable, and userDataDir() when it does neither.
QString dataDirFor(const QString& programDir);

// The file the Debian package puts in its program folder, saying that the folder is the
// system's and never the data folder.
QString packageMarkerFile(const QString& programDir);  // 系统安装.txt

// The user's data folder (Qt's application data location for "Quorlin").
QString userDataDir();

// In the data folder.
QString databaseDir(const QString& dataDir);       // 数据库/
QString databaseFile(const QString& dataDir);      // 数据库/彩票数据.mdb
QString sourcesFile(const QString& dataDir);       // 数据源.ini
QString addedSourcesFile(const QString& dataDir);  // 开奖来源.json: source descriptions of the user's own
QString settingsFile(const QString& dataDir);      // 设置.ini
QString scratchPageFile(const QString& dataDir);   // 号码.txt

// In the program folder.
QString sideTextDir(const QString& programDir);        // 附属/
QString splashTextFile(const QString& programDir);     // 附属/flash.txt
QString aboutTextFile(const QString& programDir);      // 附属/about.txt
QString pictureDir(const QString& programDir);         // 图片/
QString splashPictureFile(const QString& programDir);  // 图片/flash.jpg

// Where an export of draws is offered to go: among the side texts (附属/) where the program
// folder is writable, as it always was, and the user's home folder where it is not.
QString exportDir(const QString& programDir);

}  // namespace program_paths
