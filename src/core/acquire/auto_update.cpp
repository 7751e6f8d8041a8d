#include "core/acquire/auto_update.h"

#include "core/base/lottery_table.h"
#include "core/base/program_paths.h"
#include "core/base/user_error.h"
#include "core/base/whole_file.h"

#include <QSettings>
#include <algorithm>

namespace {

const QString kGroup = QStringLiteral("auto");
const QString kTimeFormat = QStringLiteral("HH:mm");

QString drawTimeKey(const LotteryInfo& lottery)
{
    return lottery.settingsKey + QStringLiteral("_draw_time");
}

QString timePrefix(const QTime& at, const QString& lottery)
{
    return at.toString(kTimeFormat) + QLatin1Char(' ') + lottery + QLatin1Char(' ');
}

// QVariant::toBool takes any text but "false", "0" and "" for true: "maybe" would switch the
// automatic update on.
bool readSwitch(const QSettings& file, const QString& key, QStringList& unread)
{
    const QVariant value = file.value(key);
    if (!value.isValid())
        return false;
    const QString text = value.toString().trimmed().toLower();
    if (text == QStringLiteral("true") || text == QStringLiteral("1"))
        return true;
    if (text != QStringLiteral("false") && text != QStringLiteral("0"))
        unread << QStringLiteral("%1=%2（应为 true 或 false，按 false 处理）").arg(key, value.toString());
    return false;
}

}  // namespace

std::map<QString, QTime> AutoUpdateSettings::builtInDrawTimes()
{
    std::map<QString, QTime> times;
    for (const LotteryInfo& lottery : LotteryCatalogue())
        if (lottery.drawTime.isValid())
            times[lottery.name] = lottery.drawTime;
    return times;
}

QTime AutoUpdateSettings::drawTime(const QString& lottery) const
{
    const auto it = drawTimes.find(lottery);
    return it == drawTimes.end() ? QTime() : it->second;
}

AutoUpdateSettings readAutoUpdateSettings(const QString& dataDir, QString* unread)
{
    AutoUpdateSettings settings;
    const QString path = program_paths::settingsFile(dataDir);
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(kGroup);
    QStringList notRead;
    settings.enabled = readSwitch(file, QStringLiteral("enabled"), notRead);
    const QVariant minutesValue = file.value(QStringLiteral("minutes"));
    bool isNumber = false;
    const int minutes = minutesValue.toInt(&isNumber);
    if (isNumber)
        settings.minutes = std::clamp(minutes, kMinAutoMinutes, kMaxAutoMinutes);
    else if (minutesValue.isValid())
        notRead << QStringLiteral("minutes=%1（应为1到60的分钟数，按%2分钟处理）")
                       .arg(minutesValue.toString())
                       .arg(settings.minutes);
    settings.copy = readSwitch(file, QStringLiteral("copy"), notRead);
    // A time that does not read as HH:mm keeps the built-in one.
    for (auto& [name, time] : settings.drawTimes) {
        const QTime set =
            QTime::fromString(file.value(drawTimeKey(*findLottery(name))).toString().trimmed(), kTimeFormat);
        if (set.isValid())
            time = set;
    }
    if (unread)
        *unread =
            notRead.isEmpty()
                ? QString()
                : QStringLiteral("设置文件 %1 的 [auto] 中无法识别：%2").arg(path, notRead.join(QStringLiteral("，")));
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
    for (const auto& [name, time] : settings.drawTimes)
        file.setValue(drawTimeKey(*findLottery(name)), time.toString(kTimeFormat));
    file.endGroup();
    file.sync();
    if (file.status() != QSettings::NoError) {
        const QString obstacle = fileObstacle(path);
        throw UserError(QStringLiteral("无法保存设置文件 %1：%2")
                            .arg(path, obstacle.isEmpty() ? QStringLiteral("无法写入") : obstacle));
    }
}

int nextRunMinutes(int minutes, int failures)
{
    int wait = minutes;
    for (int i = 0; i < failures && wait < kMaxBackOffMinutes; ++i)
        wait = std::min(wait * 2, kMaxBackOffMinutes);
    return std::max(wait, minutes);
}

QString autoStatusLine(const QTime& at, const QString& lottery, int stored, const QString& news,
                       const QString& nothingNew, const UpdateConfirmation& confirmation)
{
    if (stored == 0)
        return timePrefix(at, lottery) + nothingNew;
    QString line = timePrefix(at, lottery) + QStringLiteral("新增%1期").arg(stored);
    if (confirmation.allAgreed)
        line += QStringLiteral("（已核对）");
    if (!news.isEmpty())
        line += QStringLiteral("，") + news;
    for (const QString& note : confirmation.notes)
        line += u'；' + note;
    return line;
}

QString autoFailureLine(const QTime& at, const QString& lottery, const QString& reason, int retryMinutes)
{
    return timePrefix(at, lottery) + QStringLiteral("失败：%1；%2分钟后重试").arg(reason).arg(retryMinutes);
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

QString drawStoredNotificationText(const QString& lottery, const QString& newestDraw)
{
    return lottery + QLatin1Char(' ') + newestDraw + QStringLiteral(" — 开奖号码已存入");
}
