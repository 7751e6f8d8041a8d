#pragma once

#include "core/store/draw_import.h"
#include "gui/session.h"
#include "gui/u_about.h"
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
#include <chrono>
#include <functional>
#include <memory>

namespace fixtures {

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
    makers["gaps"] = [](Session&) {
        return std::make_unique<Tfrmgaps>(QStringLiteral("缺期"), QStringLiteral("重庆时时彩缺少2期："),
                                          QStringList{QStringLiteral("20261209010"), QStringLiteral("20261209011")});
    };
    return makers;
}

}  // namespace fixtures
