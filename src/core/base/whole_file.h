#pragma once

#include <QByteArray>
#include <QString>

// What stands in the way of making `folder` (and the folders above it that are missing) and
// writing in it, named as it is: a file where a folder should be, or the nearest folder that
// exists and is read-only; when HOME is not set, that too. Empty when nothing in the file system
// explains it.
QString folderObstacle(const QString& folder);
// The same for writing the file `fileName`: the file is read-only or a folder, or its folder is
// in the way.
QString fileObstacle(const QString& fileName);

// Replaces the file with `bytes` all at once: the old file stays as it was until the new one is
// complete, so a failed save never leaves half a file behind. A failure raises UserError:
// `failure` ("无法保存文件" unless the caller names what it saves), the file and the reason
// (fileObstacle where it explains it).
void writeWholeFile(const QString& fileName, const QByteArray& bytes,
                    const QString& failure = QStringLiteral("无法保存文件"));
