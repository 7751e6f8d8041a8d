#pragma once

#include "core/acquire/source_settings.h"

#include <QDate>
#include <QDialog>
#include <array>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class WorkRunner;

// 数据源: the hosts of the four outside sites and, beside them, each lottery's own draw address
// (开奖数据网址), kept in 数据源.ini in the data folder. 测试 fetches one known page of each
// site from the hosts as typed and reads each address given, and stores nothing; 确定 checks
// every host and address and writes the file, or names the bad entry and writes nothing. The
// fields show what the file holds; a bad value stays in its field, marked below it.
// While 测试 waits, Esc and the close box stop it.
class Tfrmsources : public QDialog {
    Q_OBJECT

public:
    // `today` is the session's day: 测试 asks the draw-list site for its page and reads the
    // addresses as a download on it would.
    Tfrmsources(const QString& dataDir, const FetchSettings& limits, const QDate& today, QWidget* parent = nullptr);

private:
    void createControls();
    void FormCreate();
    void btntestClick();
    void btnokClick();
    SiteHosts typedHosts() const;
    DrawUrls typedUrls() const;
    void showChecks(const std::vector<SiteCheck>& sites, const std::vector<DrawUrlCheck>& urls);

    QString m_dataDir;
    FetchSettings m_limits;  // what 测试 keeps to, as a download does
    QDate m_today;
    std::array<QLabel*, 4> m_titles{};
    std::array<QLineEdit*, 4> m_edits{};  // edttrend, edtchart, edtdrawlist, edtfeed
    std::array<QLabel*, 4> m_results{};   // lbltrendtest, …: what 测试 found
    // In the lottery table's order: lblurl_fc3d, edturl_fc3d, lblurl_fc3dtest, … for pl3, cqssc,
    // shssc, jxssc.
    std::vector<QLabel*> m_urlTitles;
    std::vector<QLineEdit*> m_urlEdits;
    std::vector<QLabel*> m_urlResults;
    QLabel* lblhint = nullptr;
    QLabel* lblurlhint = nullptr;
    QPushButton* btntest = nullptr;
    QPushButton* btnok = nullptr;
    QPushButton* btncancel = nullptr;
    WorkRunner* m_runner = nullptr;  // 测试: Esc and the close box stop it
};
