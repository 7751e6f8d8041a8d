#pragma once

#include "core/acquire/source_settings.h"

#include <QDate>
#include <QDialog>
#include <array>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class WorkRunner;

// 数据源: the hosts of the four outside sites and, beside them, each lottery's own draw address
// (开奖数据网址), the source it reads without one (开奖来源: the described sources that serve it,
// or its site pages) and the second source its draws are checked against (核对来源), kept in
// 数据源.ini in the data folder. 测试 fetches one known page of each site from the hosts as typed, reads each address
// given and the first page of each chosen source, naming the source, the draws it holds and its newest period, and
// stores nothing; 确定 checks every host and address and writes the file, or names the bad entry and writes nothing.
// The fields show what the file holds; a bad value stays in its field, marked below it. While 测试 waits, Esc and the
// close box stop it.
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
    SourceChoices chosenSources() const;
    SourceChoices chosenConfirmations() const;
    void fillSourceBoxes(const SourceSettingsFile& file);
    void fillConfirmBoxes(const SourceSettingsFile& file);
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
    // Beside them, the source each lottery reads when it has no address: comsource_fc3d, …
    std::vector<QComboBox*> m_sourceBoxes;
    // Right of those, the source that confirms each lottery's draws: comconfirm_fc3d, …
    std::vector<QComboBox*> m_confirmBoxes;
    SourceDescriptions m_descriptions;  // built in, and those of 开奖来源.json
    QLabel* lblsourcehint = nullptr;
    QLabel* lblconfirmhint = nullptr;
    QLabel* lblhint = nullptr;
    QLabel* lblurlhint = nullptr;
    QPushButton* btntest = nullptr;
    QPushButton* btnok = nullptr;
    QPushButton* btncancel = nullptr;
    WorkRunner* m_runner = nullptr;  // 测试: Esc and the close box stop it
};
