#include "core/acquire/auto_update.h"

#include "core/base/program_paths.h"
#include "core/base/user_error.h"

#include <QSettings>
#include <algorithm>

namespace {

const QString kGroup = QStringLiteral("auto");

}  // namespace

AutoUpdateSettings readAutoUpdateSettings(const QString& dataDir)
{
    AutoUpdateSettings settings;
    QSettings file(program_paths::settingsFile(dataDir), QSettings::IniFormat);
    file.beginGroup(kGroup);
    settings.enabled = file.value(QStringLiteral("enabled"), settings.enabled).toBool();
    bool isNumber = false;
    const int minutes = file.value(QStringLiteral("minutes"), settings.minutes).toInt(&isNumber);
    if (isNumber)
        settings.minutes = std::clamp(minutes, kMinAutoMinutes, kMaxAutoMinutes);
    settings.copy = file.value(QStringLiteral("copy"), settings.copy).toBool();
    return settings;
}

void writeAutoUpdateSettings(const QString& dataDir, const AutoUpdateSettings& settings)
{
    const QString path = program_paths::settingsFile(dataDir);
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(kGroup);
    file.setValue(QStringLiteral("enabled"), settings.enabled);
    file.setValue(QStringLiteral("minutes"), settings.minutes);
    file.setValue(QStringLiteral("copy"), settings.copy);
    file.endGroup();
    file.sync();
    if (file.status() != QSettings::NoError)
        throw UserError(QStringLiteral("无法保存设置文件 %1").arg(path));
}

int nextRunMinutes(int minutes, int failures)
{
    int wait = minutes;
    for (int i = 0; i < failures && wait < kMaxBackOffMinutes; ++i)
        wait = std::min(wait * 2, kMaxBackOffMinutes);
    return std::max(wait, minutes);
}

QString autoStatusLine(const QTime& at, int stored, const QString& news)
{
    const QString time = at.toString(QStringLiteral("HH:mm"));
    if (stored == 0)
        return time + QStringLiteral(" 已是最新");
    QString line = time + QStringLiteral(" 新增%1期").arg(stored);
    if (!news.isEmpty())
        line += QStringLiteral("，") + news;
    return line;
}

QString autoFailureLine(const QTime& at, const QString& reason, int retryMinutes)
{
    return at.toString(QStringLiteral("HH:mm")) +
           QStringLiteral(" 失败：%1；%2分钟后重试").arg(reason).arg(retryMinutes);
}

QString newestDrawText(const QString& periodId, const QString& digits, const QString& modeName, bool judged, bool hit)
{
    QStringList spaced;
    for (const QChar digit : digits)
        spaced << QString(digit);
    QString text = QStringLiteral("第%1期 %2").arg(periodId, spaced.join(QLatin1Char(' ')));
    if (judged)
        text += QStringLiteral("：") + modeName + (hit ? QStringLiteral("中") : QStringLiteral("未中"));
    return text;
}

QString autoNotificationText(const QString& lottery, const QString& newestDraw)
{
    return lottery + QLatin1Char(' ') + newestDraw + QStringLiteral(" — 下期投注号码已更新");
}
