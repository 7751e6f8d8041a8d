#pragma once

#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "core/store/draw_import.h"
#include "gui/session.h"
#include "gui/u_about.h"
#include "gui/u_check.h"
#include "gui/u_data.h"
#include "gui/u_download2.h"
#include "gui/u_download3.h"
#include "gui/u_flash.h"
#include "gui/u_gaps.h"
#include "gui/u_import.h"
#include "gui/u_main.h"
#include "gui/u_sources.h"

#include <QListWidget>
#include <QMap>
#include <QSqlQuery>
#include <QSqlRecord>
#include <chrono>
#include <functional>
#include <memory>

namespace fixtures {

// What a second source might list of the lottery's stored draws: all of them, but for one it
// lists with another first digit and one it leaves out.
inline CheckReading readingBeside(DrawDatabase& db, const QString& lottery)
{
    CheckReading reading;
    reading.otherSource = QStringLiteral("第二来源");
    QSqlQuery query = db.selectDraws(lottery);
    while (query.next()) {
        ImportedDraw draw{query.value(0).toString(), {}, 0, {}};
        for (int k = 1; k < query.record().count(); ++k)
            draw.digits += query.value(k).toString();
        reading.theirs.push_back(std::move(draw));
    }
    if (reading.theirs.size() < 10)
        return reading;
    reading.from = reading.coveredFrom = reading.theirs.front().periodId;
    reading.to = reading.coveredTo = reading.theirs.back().periodId;
    QString& changed = reading.theirs[3].digits;
    changed[0] = QChar(u'0' + (changed[0].digitValue() + 1) % 10);
    reading.theirs.erase(reading.theirs.begin() + 6);
    return reading;
}

using WindowMaker = std::function<std::unique_ptr<QWidget>(Session&)>;

// Every window of the program by a short name, made as its opener makes it over the session's
// folder; the data window with 重庆时时彩 chosen, where the folder has it.
inline QMap<QString, WindowMaker> everyWindow()
{
    QMap<QString, WindowMaker> makers;
    makers["main"] = [](Session& s) { return std::make_unique<Tfrmmain>(s); };
    makers["data"] = [](Session& s) {
        auto window = std::make_unique<Tfrmdata>(s);
        auto* list = window->findChild<QListWidget*>(QStringLiteral("lstcaipiao"));
        list->setCurrentItem(list->findItems(QStringLiteral("重庆时时彩"), Qt::MatchExactly).value(0));
        return window;
    };
    makers["download2"] = [](Session& s) { return std::make_unique<Tfrmdownload2>(s); };
    makers["download3"] = [](Session& s) {
        // Its update waits for the window to be shown a while, which these tests never do.
        s.setLiveStartDelay(std::chrono::hours(1));
        return std::make_unique<Tfrmdownload3>(s);
    };
    makers["sources"] = [](Session& s) {
        return std::make_unique<Tfrmsources>(s.dataDir(), s.fetchSettings(), s.today());
    };
    makers["about"] = [](Session& s) { return std::make_unique<Tfrmabout>(nullptr, s.programDir()); };
    makers["splash"] = [](Session& s) { return std::make_unique<Tfrmflash>(s.programDir()); };
    makers["import"] = [](Session&) {
        ImportPlan plan;
        plan.fresh.push_back({QStringLiteral("20261209001"), QStringLiteral("12345"), 1, {}});
        plan.conflicts.push_back({QStringLiteral("20261208001"), QStringLiteral("12345"), QStringLiteral("54321"), 2});
        return std::make_unique<Tfrmimport>(plan, QStringLiteral("重庆时时彩"), QStringLiteral("/tmp/开奖.txt"));
    };
    makers["check"] = [](Session& s) {
        const QString lottery = QStringLiteral("重庆时时彩");
        auto db = std::make_shared<DrawDatabase>(s.dataDir());
        auto window = std::make_unique<Tfrmcheck>(*db, *findLottery(lottery), readingBeside(*db, lottery), false);
        // The connection the list reads through lives as long as the window: with the window go
        // its connections, and with this one the last hold on it.
        QObject::connect(window.get(), &QObject::destroyed, [db] {});
        return window;
    };
    makers["gaps"] = [](Session&) {
        return std::make_unique<Tfrmgaps>(QStringLiteral("缺期"), QStringLiteral("重庆时时彩缺少2期："),
                                          QStringList{QStringLiteral("20261209010"), QStringLiteral("20261209011")});
    };
    return makers;
}

}  // namespace fixtures
