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

// A session on `programDir` as the window tests run one: "today" is kToday, and its downloads
// keep to `limits`.
Session testSession(const QString& programDir, const FetchSettings& limits = {});

// What the tests of the download windows and the automatic update stand on: a scratch program
// folder with a session on it, and a server on 127.0.0.1 standing in for the outside sites.
// Message boxes are recorded instead of shown for as long as the fixture lives.
class DownloadFixture {
public:
    // Fetches give up after `totalTimeout`.
    explicit DownloadFixture(std::chrono::milliseconds totalTimeout);

    // Per test: a fresh folder and a session on it (the history not caught up, "today"
    // kToday), the server as the host of every site in `sites`, and no message left over.
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
