#include "gui/u_sources.h"

#include "core/base/lottery_table.h"
#include "core/base/user_error.h"
#include "gui/accessible_names.h"
#include "gui/dialogs.h"
#include "gui/readable_colours.h"
#include "gui/run_command.h"
#include "gui/widget_placement.h"
#include "gui/work_runner.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <exception>

namespace {

constexpr int kRowHeight = 50;
constexpr int kTop = 40;
// The draw addresses stand in a column of their own right of the hosts.
constexpr int kUrlLeft = 530;
constexpr int kUrlRowHeight = 46;
// The sources chosen stand right of the addresses.
constexpr int kSourceLeft = 906;
constexpr int kSourceWidth = 190;
// The 核对来源 stand right of the sources.
constexpr int kConfirmLeft = kSourceLeft + kSourceWidth + 10;
constexpr int kConfirmWidth = 190;
// The 核对来源 box's entry for none.
const QString kNoConfirmation = QStringLiteral("（不核对）");

// One line in the label's width, ending in "…" where it is longer; the whole text, reasons and
// all, is the tooltip. Never a password, whatever the file or the site gave.
void showResult(QLabel* label, const QString& result, bool good)
{
    const QString text = withoutCredentials(result);
    const QString oneLine = QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    label->setText(label->fontMetrics().elidedText(oneLine, Qt::ElideRight, label->width()));
    label->setToolTip(text);
    setTextColour(label, good ? goodTextColour(label->palette()) : warningTextColour(label->palette()));
}

// Shows the source `id` chosen in `box`. A source of the user's own that could not be read stays
// chosen: 确定 keeps it.
void choose(QComboBox* box, const QString& id)
{
    if (box->findData(id) < 0)
        box->addItem(QStringLiteral("%1（未能读取）").arg(id), id);
    box->setCurrentIndex(box->findData(id));
}

}  // namespace

Tfrmsources::Tfrmsources(const QString& dataDir, const FetchSettings& limits, const QDate& today, QWidget* parent)
    : QDialog(parent), m_dataDir(dataDir), m_limits(limits), m_today(today)
{
    createControls();
    runCommand(this, [&] { FormCreate(); });
}

void Tfrmsources::createControls()
{
    setObjectName(QStringLiteral("frmsources"));
    setWindowTitle(QStringLiteral("数据源"));
    setModal(true);
    setFixedSize(scaled(kConfirmLeft + kConfirmWidth + 16, kTop + 4 * kRowHeight + 50));

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
        // An internationalised name is shown as the punycode the sites are asked with.
        QLineEdit* edit = m_edits[i];
        connect(edit, &QLineEdit::editingFinished, this, [edit] {
            const QString shown = normalisedHost(edit->text());
            if (shown != edit->text())
                edit->setText(shown);
        });
        labelBox(m_titles[i], edit, QStringLiteral("主机名或“主机名:端口”"));
        m_results[i] =
            placeLabel(this, QByteArray("lbl" + key + "test").constData(), QString(), 150, top + 26, 354, 20);
    }
    lblurlhint = placeLabel(this, "lblurlhint", QStringLiteral("开奖数据网址（可不填；填写后代替右边的来源）："),
                            kUrlLeft, 12, kSourceLeft - kUrlLeft - 10, 20);
    lblurlhint->setToolTip(
        QStringLiteral("完整的 http:// 或 https:// 网址，内容为开奖文件（与导入相同）或JSON开奖列表"));
    int row = 0;
    for (const LotteryInfo& lottery : LotteryCatalogue()) {
        const int top = kTop + row++ * kUrlRowHeight;
        const QByteArray key = "url_" + lottery.settingsKey.toLatin1();
        m_urlTitles.push_back(placeLabel(this, QByteArray("lbl" + key).constData(), lottery.name + QStringLiteral("："),
                                         kUrlLeft, top + 3, 106, 20));
        m_urlEdits.push_back(place<QLineEdit>(this, QByteArray("edt" + key).constData(), kUrlLeft + 110, top, 250, 24));
        m_urlEdits.back()->setPlaceholderText(QStringLiteral("https://…（可不填）"));
        nameControl(m_urlEdits.back(), lottery.name + QStringLiteral("开奖数据网址"), lblurlhint->toolTip());
        m_urlTitles.back()->setBuddy(m_urlEdits.back());
        m_urlResults.push_back(placeLabel(this, QByteArray("lbl" + key + "test").constData(), QString(), kUrlLeft + 110,
                                          top + 25, kSourceLeft + kSourceWidth - kUrlLeft - 110, 18));
        // A box's name comes from its label: "来源：" on screen, the lottery's source to a screen reader.
        QLabel* sourceTitle = placeLabel(this, QByteArray("lblsource_" + lottery.settingsKey.toLatin1()).constData(),
                                         QStringLiteral("来源："), kSourceLeft, top + 3, 44, 20);
        m_sourceBoxes.push_back(place<QComboBox>(this,
                                                 QByteArray("comsource_" + lottery.settingsKey.toLatin1()).constData(),
                                                 kSourceLeft + 44, top, kSourceWidth - 44, 24));
        sourceTitle->setAccessibleName(lottery.name + QStringLiteral("开奖来源"));
        sourceTitle->setBuddy(m_sourceBoxes.back());
        nameControl(m_sourceBoxes.back(), sourceTitle->accessibleName(),
                    QStringLiteral("未填开奖数据网址时读取的来源：开奖方的列表、其他来源或网站页面"));
        QLabel* confirmTitle = placeLabel(this, QByteArray("lblconfirm_" + lottery.settingsKey.toLatin1()).constData(),
                                          QStringLiteral("核对："), kConfirmLeft, top + 3, 44, 20);
        m_confirmBoxes.push_back(
            place<QComboBox>(this, QByteArray("comconfirm_" + lottery.settingsKey.toLatin1()).constData(),
                             kConfirmLeft + 44, top, kConfirmWidth - 44, 24));
        confirmTitle->setAccessibleName(lottery.name + QStringLiteral("核对来源"));
        confirmTitle->setBuddy(m_confirmBoxes.back());
        nameControl(m_confirmBoxes.back(), confirmTitle->accessibleName(),
                    QStringLiteral("数据窗口的“核对”与每次更新后读取的第二个来源，用来比对已存的开奖"));
    }
    lblsourcehint = placeLabel(this, "lblsourcehint", QStringLiteral("开奖来源（未填网址时）："), kSourceLeft, 12,
                               kSourceWidth, 20);
    lblconfirmhint = placeLabel(this, "lblconfirmhint", QStringLiteral("核对来源（比对开奖）："), kConfirmLeft, 12,
                                kConfirmWidth, 20);
    const int buttons = kTop + 4 * kRowHeight + 12;
    btntest = placeButton(this, "btntest", QStringLiteral("测试"), 16, buttons, 75, 25);
    btnok = placeButton(this, "btnok", QStringLiteral("确定"), 338, buttons, 75, 25);
    btncancel = placeButton(this, "btncancel", QStringLiteral("取消"), 429, buttons, 75, 25);
    btnok->setDefault(true);
    btntest->setAutoDefault(false);
    btncancel->setAutoDefault(false);

    m_runner = new WorkRunner(this);
    connect(btntest, &QPushButton::clicked, this, &Tfrmsources::btntestClick);
    connect(btnok, &QPushButton::clicked, this, &Tfrmsources::btnokClick);
    connect(btncancel, &QPushButton::clicked, this, &QDialog::reject);
}

void Tfrmsources::FormCreate()
{
    // What the file holds, a bad value too, marked beside its field: 确定 then writes only what
    // the window shows. A file that cannot be read at all leaves the fields empty, so that none of
    // its hosts is replaced by a value the user has not seen.
    const SourceSettingsFile file = readSourceSettingsFile(m_dataDir);
    // Every lottery offers the sources that serve it and its site pages; a broken 开奖来源.json
    // leaves the built-in ones, and says why once every field shows what the file holds, so that
    // 确定 never writes a field the user has not seen.
    std::exception_ptr brokenSources;
    try {
        m_descriptions = sourceDescriptions(m_dataDir);
    } catch (const UserError&) {
        m_descriptions = builtinSources();
        brokenSources = std::current_exception();
    }
    fillSourceBoxes(file);
    fillConfirmBoxes(file);
    for (PageSite site : kPageSites) {
        const std::size_t i = std::size_t(site);
        m_edits[i]->setText(file.hosts[i].isEmpty() ? defaultSiteHost(site) : file.hosts[i]);
        if (const auto& problem = file.hostProblems[i])
            showResult(m_results[i], QStringLiteral("文件中的值无效：%1").arg(*problem), false);
    }
    for (std::size_t i = 0; i < m_urlEdits.size(); ++i) {
        const QString lottery = LotteryCatalogue()[i].name;
        m_urlEdits[i]->setText(file.urls.value(lottery));
        if (file.urlProblems.contains(lottery))
            showResult(m_urlResults[i], QStringLiteral("文件中的网址无效：%1").arg(file.urlProblems.value(lottery)),
                       false);
    }
    if (brokenSources)
        std::rethrow_exception(brokenSources);
}

void Tfrmsources::fillSourceBoxes(const SourceSettingsFile& file)
{
    for (std::size_t i = 0; i < m_sourceBoxes.size(); ++i) {
        const QString lottery = LotteryCatalogue()[i].name;
        QComboBox* box = m_sourceBoxes[i];
        box->clear();
        for (const SourceDescription& source : m_descriptions) {
            if (source.serving(lottery))
                box->addItem(source.name, source.id);
        }
        box->addItem(QStringLiteral("网站页面"), kSitePagesChoice);
        const SourceDescription* operatorList = defaultSource(m_descriptions, lottery);
        choose(box, file.choices.value(lottery, operatorList ? operatorList->id : kSitePagesChoice));
    }
}

void Tfrmsources::fillConfirmBoxes(const SourceSettingsFile& file)
{
    for (std::size_t i = 0; i < m_confirmBoxes.size(); ++i) {
        const QString lottery = LotteryCatalogue()[i].name;
        QComboBox* box = m_confirmBoxes[i];
        box->clear();
        box->addItem(kNoConfirmation, QString());
        for (const SourceDescription& source : m_descriptions) {
            if (source.serving(lottery))
                box->addItem(source.name, source.id);
        }
        choose(box, file.confirmations.value(lottery));
        // A lottery no described source serves has nothing to check against.
        box->setEnabled(box->count() > 1);
    }
}

SourceChoices Tfrmsources::chosenConfirmations() const
{
    SourceChoices confirmations;
    for (std::size_t i = 0; i < m_confirmBoxes.size(); ++i) {
        const QString id = m_confirmBoxes[i]->currentData().toString();
        if (!id.isEmpty())
            confirmations.insert(LotteryCatalogue()[i].name, id);
    }
    return confirmations;
}

SourceChoices Tfrmsources::chosenSources() const
{
    SourceChoices choices;
    for (std::size_t i = 0; i < m_sourceBoxes.size(); ++i)
        choices.insert(LotteryCatalogue()[i].name, m_sourceBoxes[i]->currentData().toString());
    return choices;
}

SiteHosts Tfrmsources::typedHosts() const
{
    SiteHosts hosts;
    for (PageSite site : kPageSites)
        hosts[std::size_t(site)] = normalisedHost(m_edits[std::size_t(site)]->text());
    return hosts;
}

DrawUrls Tfrmsources::typedUrls() const
{
    DrawUrls urls;
    for (std::size_t i = 0; i < m_urlEdits.size(); ++i) {
        const QString url = m_urlEdits[i]->text().trimmed();
        if (!url.isEmpty())
            urls.insert(LotteryCatalogue()[i].name, url);
    }
    return urls;
}

void Tfrmsources::btntestClick()
{
    runCommand(this, [&] {
        for (QLabel* result : m_results) {
            result->setPalette(QPalette());
            result->setText(QStringLiteral("正在连接。。。"));
        }
        for (std::size_t i = 0; i < m_urlResults.size(); ++i) {
            m_urlResults[i]->setPalette(QPalette());
            m_urlResults[i]->setToolTip({});
            const bool reads = !m_urlEdits[i]->text().trimmed().isEmpty() ||
                               m_sourceBoxes[i]->currentData().toString() != kSitePagesChoice;
            m_urlResults[i]->setText(reads ? QStringLiteral("正在读取。。。") : QString());
        }
        // No second command meanwhile; Esc and the close box stop the test instead of closing.
        QList<QWidget*> waiting{btntest, btnok, btncancel};
        for (QLineEdit* edit : m_edits)
            waiting << edit;
        for (QLineEdit* edit : m_urlEdits)
            waiting << edit;
        for (QComboBox* box : m_sourceBoxes)
            waiting << box;
        for (QComboBox* box : m_confirmBoxes)
            waiting << box;
        WorkRunner* runner = m_runner;
        const SiteHosts hosts = typedHosts();
        const DrawUrls urls = typedUrls();
        Sources sources;
        sources.drawUrls = urls;
        sources.choices = chosenSources();
        sources.descriptions = m_descriptions;
        const FetchSettings limits = m_limits;
        const QDate today = m_today;
        using Checks = std::pair<std::vector<SiteCheck>, std::vector<DrawUrlCheck>>;
        m_runner->start<Checks>(
            [runner, hosts, urls, sources, limits, today] {
                std::vector<SiteCheck> sites = checkSites(hosts, today, limits, runner->cancelFlag());
                std::vector<DrawUrlCheck> reads = checkDrawUrls(urls, today, limits, runner->cancelFlag());
                const std::vector<DrawUrlCheck> described =
                    checkDescribedSources(sources, today, limits, runner->cancelFlag());
                reads.insert(reads.end(), described.begin(), described.end());
                return Checks(std::move(sites), std::move(reads));
            },
            [this](Checks& checks) { showChecks(checks.first, checks.second); }, waiting,
            [this] {
                // A test that was stopped leaves no "正在…" behind.
                for (QLabel* result : m_results) {
                    if (result->text() == QStringLiteral("正在连接。。。"))
                        result->clear();
                }
                for (QLabel* result : m_urlResults) {
                    if (result->text() == QStringLiteral("正在读取。。。"))
                        result->clear();
                }
            });
    });
}

void Tfrmsources::showChecks(const std::vector<SiteCheck>& sites, const std::vector<DrawUrlCheck>& urls)
{
    for (const SiteCheck& check : sites)
        showResult(m_results[std::size_t(check.site)], check.text, check.reachable);
    for (const DrawUrlCheck& check : urls) {
        for (std::size_t i = 0; i < m_urlResults.size(); ++i) {
            if (LotteryCatalogue()[i].name == check.lottery)
                showResult(m_urlResults[i], check.text, check.readable);
        }
    }
}

void Tfrmsources::btnokClick()
{
    runCommand(this, [&] {
        const SiteHosts hosts = typedHosts();
        // What is written is what the fields show.
        for (PageSite site : kPageSites)
            m_edits[std::size_t(site)]->setText(hosts[std::size_t(site)]);
        writeSourceSettings(m_dataDir, hosts, typedUrls(), chosenSources(), chosenConfirmations());
        accept();
    });
}
