#include "gui/u_sources.h"

#include "gui/dialogs.h"
#include "gui/download_banner.h"
#include "gui/run_command.h"
#include "gui/widget_placement.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>

namespace {

constexpr int kRowHeight = 50;
constexpr int kTop = 40;

}  // namespace

Tfrmsources::Tfrmsources(const QString& programDir, QWidget* parent) : QDialog(parent), m_programDir(programDir)
{
    createControls();
    runCommand(this, [&] { FormCreate(); });
}

void Tfrmsources::createControls()
{
    setObjectName(QStringLiteral("frmsources"));
    setWindowTitle(QStringLiteral("数据源"));
    setModal(true);
    setFixedSize(520, kTop + 4 * kRowHeight + 50);

    lblhint = placeLabel(this, "lblhint",
                         QStringLiteral("每个网站只写主机名或“主机名:端口”，例如 draws.example.com 或 127.0.0.1:8080"),
                         16, 12, 488, 20);
    for (PageSite site : kPageSites) {
        const std::size_t i = std::size_t(site);
        const int top = kTop + int(i) * kRowHeight;
        const QByteArray key = siteKey(site).toLatin1();
        m_titles[i] = placeLabel(this, QByteArray("lbl" + key).constData(), siteTitle(site) + QStringLiteral("："), 16,
                                 top + 3, 130, 20);
        m_edits[i] = place<QLineEdit>(this, QByteArray("edt" + key).constData(), 150, top, 354, 24);
        m_edits[i]->setPlaceholderText(defaultSiteHost(site));
        m_results[i] =
            placeLabel(this, QByteArray("lbl" + key + "test").constData(), QString(), 150, top + 26, 354, 20);
    }
    const int buttons = kTop + 4 * kRowHeight + 12;
    btntest = placeButton(this, "btntest", QStringLiteral("测试"), 16, buttons, 75, 25);
    btnok = placeButton(this, "btnok", QStringLiteral("确定"), 338, buttons, 75, 25);
    btncancel = placeButton(this, "btncancel", QStringLiteral("取消"), 429, buttons, 75, 25);
    btnok->setDefault(true);
    btntest->setAutoDefault(false);
    btncancel->setAutoDefault(false);

    connect(btntest, &QPushButton::clicked, this, &Tfrmsources::btntestClick);
    connect(btnok, &QPushButton::clicked, this, &Tfrmsources::btnokClick);
    connect(btncancel, &QPushButton::clicked, this, &QDialog::reject);
}

void Tfrmsources::FormCreate()
{
    for (PageSite site : kPageSites)
        m_edits[std::size_t(site)]->setText(defaultSiteHost(site));
    const SiteHosts hosts = readSourceSettings(m_programDir);
    for (PageSite site : kPageSites)
        m_edits[std::size_t(site)]->setText(hosts[std::size_t(site)]);
}

SiteHosts Tfrmsources::typedHosts() const
{
    SiteHosts hosts;
    for (PageSite site : kPageSites)
        hosts[std::size_t(site)] = m_edits[std::size_t(site)]->text().trimmed();
    return hosts;
}

void Tfrmsources::btntestClick()
{
    runCommand(this, [&] {
        for (QLabel* result : m_results) {
            result->setStyleSheet({});
            result->setText(QStringLiteral("正在连接。。。"));
        }
        // The window stays painted while the pages come, and takes no second command meanwhile,
        // nor a close: the results are written into it when the pages are in.
        setEnabled(false);
        const std::vector<SiteCheck> checks = [&] {
            BusyCursor busy;
            const QScopedValueRollback testing(m_testing, true);
            return checkSites(typedHosts(), [] { QCoreApplication::processEvents(); });
        }();
        setEnabled(true);
        for (const SiteCheck& check : checks) {
            QLabel* result = m_results[std::size_t(check.site)];
            result->setText(check.text);
            result->setToolTip(check.text);
            result->setStyleSheet(check.reachable ? QStringLiteral("color: #007000")
                                                  : QStringLiteral("color: #c00000"));
        }
    });
    setEnabled(true);
}

void Tfrmsources::reject()
{
    if (!m_testing)
        QDialog::reject();
}

void Tfrmsources::closeEvent(QCloseEvent* event)
{
    if (m_testing)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void Tfrmsources::btnokClick()
{
    runCommand(this, [&] {
        writeSourceSettings(m_programDir, typedHosts());
        accept();
    });
}
