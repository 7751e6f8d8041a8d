#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file with `bytes` all at once: the old file stays as it was until the new one is
// complete, so a failed save never leaves half a file behind. A failure raises UserError:
// `failure` ("无法保存文件" unless the caller names what it saves), the file and the reason.
void writeWholeFile(const QString& fileName, const QByteArray& bytes,
                    const QString& failure = QStringLiteral("无法保存文件"));
