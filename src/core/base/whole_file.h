#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file with `bytes` all at once: the old file stays as it was until the new one is
// complete, so a failed save never leaves half a list behind. A failure raises UserError naming
// the file and the reason.
void writeWholeFile(const QString& fileName, const QByteArray& bytes);
