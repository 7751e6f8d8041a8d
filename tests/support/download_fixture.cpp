#include "support/download_fixture.h"

#include "core/acquire/source_settings.h"
#include "gui/dialogs.h"
#include "gui/session.h"
#include "gui/u_download2.h"
#include "gui/u_main.h"
#include "support/find_control.h"
#include "support/page_fixtures.h"
#include "support/window_input.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace fixtures {

Session testSession(const QString& programDir, const FetchSettings& limits)
{
    Session session(programDir);
    session.setFetchSettings(limits);
    session.setToday(kToday);
    return session;
}

DownloadFixture::DownloadFixture(std::chrono::milliseconds totalTimeout)
{
    m_limits.connectTimeout = std::chrono::milliseconds(1000);
    m_limits.totalTimeout = totalTimeout;
}

void DownloadFixture::setUp(std::initializer_list<PageSite> sites)
{
    m_folder = std::make_unique<ProgramFolder>();
    m_session = std::make_unique<Session>(testSession(m_folder->path(), m_limits));
    m_server = std::make_unique<LocalHttpServer>();
    // The windows take their hosts from the program folder's 数据源.ini when a run starts.
    SiteHosts hosts = defaultSiteHosts();
    for (PageSite site : sites)
        hosts[std::size_t(site)] = m_server->hostAndPort();
    writeSourceSettings(m_folder->path(), hosts, {}, sitePagesForAll());
    m_dialogs.takeMessages();
}

void DownloadFixture::tearDown()
{
    m_server.reset();
    m_session.reset();
    m_folder.reset();
}

bool downloadFromMainWindow(Tfrmmain& main, const QString& choice)
{
    // The window is modal: it is answered from inside its own event loop.
    bool pressed = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* window = qobject_cast<Tfrmdownload2*>(QApplication::activeModalWidget());
        if (!window || pressed)
            return;
        pressed = true;
        typeChoice(control<QComboBox>(window, "comdown"), choice);
        QTest::mouseClick(control<QPushButton>(window, "btndown"), Qt::LeftButton);
    });
    poll.start(10);
    QTest::mouseClick(control<QPushButton>(&main, "btndown2"), Qt::LeftButton);
    poll.stop();
    return pressed;
}

}  // namespace fixtures
