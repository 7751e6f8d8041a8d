#pragma once

#include "core/plan/hit_replay.h"
#include "gui/u_main.h"
#include "support/find_control.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

namespace fixtures {

// The main window over the program folder `folder`, shown as the program shows it.
inline std::unique_ptr<Tfrmmain> openMainWindow(const QString& folder)
{
    auto window = std::make_unique<Tfrmmain>(folder);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("window not exposed");
    return window;
}

// 统计 pressed after typing `planPeriods` into 计划期数.
inline void pressStatistics(QWidget& window, const QString& planPeriods)
{
    control<QLineEdit>(&window, "edtjihuaqishu")->setText(planPeriods);
    QTest::mouseClick(control<QPushButton>(&window, "btntongji"), Qt::LeftButton);
}

// The hits the window's figures should stand on: its loaded history replayed under the current mode.
inline HitTable replayed(Tfrmmain& w)
{
    return replayHits(w.session().drawHistory(), w.session().planSelection().digitOffset);
}

}  // namespace fixtures
