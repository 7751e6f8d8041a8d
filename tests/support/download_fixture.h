#pragma once

#include "core/acquire/page_fetch.h"
#include "core/acquire/source_hosts.h"
#include "gui/dialogs.h"
#include "support/draw_fixtures.h"
#include "support/local_http_server.h"

#include <QDate>
#include <QString>
#include <chrono>
#include <initializer_list>
#include <memory>

class Session;
class Tfrmmain;

namespace fixtures {

// The day the download tests run on: the newest synthetic draws are of this day.
inline const QDate kDownloadToday(2026, 12, 9);

// What the tests of both download windows stand on: a scratch program folder that is the
// program directory, and a server on 127.0.0.1 standing in for the outside sites.
class DownloadFixture {
public:
    // Once per test program: fetches give up after `totalTimeout`. Message boxes are recorded
    // instead of shown for as long as the fixture lives.
    void setUpProgram(std::chrono::milliseconds totalTimeout);

    // Per test: a fresh folder and a session on it (the history not caught up, "today"
    // kDownloadToday), the server as the host of every site in `sites`, and no message left over.
    void setUp(std::initializer_list<PageSite> sites);
    void tearDown();

    // The session the windows of a test share; a main window takes a copy of it.
    Session& session() const { return *m_session; }

    const ProgramFolder& folder() const { return *m_folder; }
    LocalHttpServer& server() const { return *m_server; }
    dialogs::testing::Recorder& dialogs() { return m_dialogs; }

private:
    dialogs::testing::Recorder m_dialogs;
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<Session> m_session;
    FetchSettings m_limits;  // given to every session the fixture makes
    std::unique_ptr<LocalHttpServer> m_server;
};

// Presses 下载开奖 on the main window and, inside the modal download window, types `choice` and
// presses 开始下载. Returns whether the download window was seen.
bool downloadFromMainWindow(Tfrmmain& main, const QString& choice);

}  // namespace fixtures
