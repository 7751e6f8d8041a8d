#include "gui/u_check.h"

#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "core/store/draw_origins.h"
#include "gui/accessible_names.h"
#include "gui/dialogs.h"
#include "gui/run_command.h"
#include "gui/widget_placement.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>
#include <tuple>

namespace {

enum class CheckKind { Differing, Missing, Extra };

struct CheckRow {
    CheckKind kind;
    QString periodId;
    QString ours;  // empty where the table lacks the period
    QString ourSource;
    QString theirs;  // empty where the other source does not list it
    bool ticked = false;
};

QString kindText(CheckKind kind)
{
    switch (kind) {
        case CheckKind::Differing:
            return QStringLiteral("号码不同");
        case CheckKind::Missing:
            return QStringLiteral("本地缺少");
        case CheckKind::Extra:
            return QStringLiteral("对方未列");
    }
    return {};
}

enum Column { TickColumn, PeriodColumn, KindColumn, OursColumn, SourceColumn, TheirsColumn, kColumns };

}  // namespace

// The rows of the list; only differing and missing rows can be ticked, since
// nothing is done to an extra one. Texts are made for the rows in view: there may be thousands.
class CheckRowsModel : public QAbstractTableModel {
public:
    CheckRowsModel(QString otherSource, QObject* parent) : QAbstractTableModel(parent), m_other(std::move(otherSource))
    {
    }

    void setRows(std::vector<CheckRow> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }

    const std::vector<CheckRow>& rows() const { return m_rows; }

    static bool tickable(const CheckRow& row) { return row.kind != CheckKind::Extra; }

    void setTicked(int row, bool ticked)
    {
        CheckRow& r = m_rows[std::size_t(row)];
        if (!tickable(r) || r.ticked == ticked)
            return;
        r.ticked = ticked;
        emit dataChanged(index(row, TickColumn), index(row, TickColumn), {Qt::CheckStateRole});
    }

    void setAllTicked(bool ticked)
    {
        for (int row = 0; row < rowCount(); ++row)
            setTicked(row, ticked);
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kColumns; }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags flags = QAbstractTableModel::flags(index);
        if (index.column() == TickColumn && tickable(m_rows[std::size_t(index.row())]))
            flags |= Qt::ItemIsUserCheckable;
        return flags;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const CheckRow& row = m_rows[std::size_t(index.row())];
        if (index.column() == TickColumn) {
            if (role == Qt::CheckStateRole && tickable(row))
                return row.ticked ? Qt::Checked : Qt::Unchecked;
            if (role == Qt::AccessibleTextRole)
                return !tickable(row) ? QString() : row.ticked ? QStringLiteral("已选") : QStringLiteral("未选");
            return {};
        }
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
            return {};
        switch (index.column()) {
            case PeriodColumn:
                return row.periodId;
            case KindColumn:
                return kindText(row.kind);
            case OursColumn:
                return row.ours;
            case SourceColumn:
                return row.ourSource;
            case TheirsColumn:
                return row.theirs;
            default:
                return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (!index.isValid() || index.column() != TickColumn || role != Qt::CheckStateRole)
            return false;
        setTicked(index.row(), value.toInt() == Qt::Checked);
        return true;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
            case TickColumn:
                return QStringLiteral("选");
            case PeriodColumn:
                return QStringLiteral("期号");
            case KindColumn:
                return QStringLiteral("情况");
            case OursColumn:
                return QStringLiteral("本地号码");
            case SourceColumn:
                return QStringLiteral("本地来源");
            case TheirsColumn:
                return m_other + QStringLiteral("号码");
            default:
                return {};
        }
    }

private:
    QString m_other;
    std::vector<CheckRow> m_rows;
};

namespace {

// Those of `listed` whose rows of `kind` are ticked, in the comparison's order.
template <class Item>
std::vector<Item> tickedOf(const CheckRowsModel& rows, CheckKind kind, const std::vector<Item>& listed)
{
    QSet<QString> ticked;
    for (const CheckRow& row : rows.rows()) {
        if (row.ticked && row.kind == kind)
            ticked.insert(row.periodId);
    }
    std::vector<Item> chosen;
    std::copy_if(listed.begin(), listed.end(), std::back_inserter(chosen),
                 [&ticked](const Item& item) { return ticked.contains(item.periodId); });
    return chosen;
}

// Space ticks or unticks the chosen rows whichever cell of them has the keyboard, as a click on
// their box does.
class CheckGrid : public QTableView {
public:
    using QTableView::QTableView;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        auto* rows = static_cast<CheckRowsModel*>(model());
        if (event->key() != Qt::Key_Space || !rows || !currentIndex().isValid()) {
            QTableView::keyPressEvent(event);
            return;
        }
        QList<int> chosen;
        for (const QModelIndex& index : selectionModel()->selectedRows())
            chosen << index.row();
        if (chosen.isEmpty())
            chosen << currentIndex().row();
        // One press sets them all alike: ticked unless the current one already is.
        const bool tick = !rows->rows()[std::size_t(currentIndex().row())].ticked;
        for (int row : chosen)
            rows->setTicked(row, tick);
        event->accept();
    }
};

}  // namespace

Tfrmcheck::Tfrmcheck(DrawDatabase& db, const LotteryInfo& lottery, CheckReading reading, bool readOnly, QWidget* parent)
    : QDialog(parent), m_db(db), m_lottery(lottery), m_reading(std::move(reading)), m_readOnly(readOnly)
{
    createControls();
    runCommand(this, [&] { compare(); });
}

Tfrmcheck::~Tfrmcheck() = default;

void Tfrmcheck::createControls()
{
    setObjectName(QStringLiteral("frmcheck"));
    setWindowTitle(QStringLiteral("核对：%1 与 %2").arg(m_lottery.name, m_reading.otherSource));
    setModal(true);
    resize(scaled(720, 480));
    setMinimumSize(scaled(560, 320));

    lblsummary = named<QLabel>(this, "lblsummary");
    lblsummary->setTextFormat(Qt::PlainText);
    lblsummary->setWordWrap(true);
    lblsummary->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    m_rows = new CheckRowsModel(m_reading.otherSource, this);
    grdcheck = named<CheckGrid>(this, "grdcheck");
    grdcheck->setModel(m_rows);
    grdcheck->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdcheck->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdcheck->setTabKeyNavigation(false);
    grdcheck->verticalHeader()->hide();
    grdcheck->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdcheck->verticalHeader()->setDefaultSectionSize(grdcheck->fontMetrics().height() + scaled(8));
    grdcheck->horizontalHeader()->setStretchLastSection(true);
    // Each column as wide as its heading or its widest usual text, whichever is wider; measured
    // rather than fitted to the rows, which may be thousands.
    const QFontMetrics metrics = grdcheck->fontMetrics();
    const QString samples[kColumns] = {
        QStringLiteral("选"),    QStringLiteral("20261209120"),          QStringLiteral("号码不同"),
        QStringLiteral("88888"), QStringLiteral("中国福利彩票（更正）"), QString()};
    for (int c = 0; c < kColumns - 1; ++c) {
        const int heading =
            metrics.horizontalAdvance(m_rows->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
        grdcheck->setColumnWidth(c,
                                 std::max(heading, metrics.horizontalAdvance(samples[c])) + scaled(c == 0 ? 24 : 16));
    }

    lblreadonly = named<QLabel>(this, "lblreadonly");
    lblreadonly->setTextFormat(Qt::PlainText);
    lblreadonly->setWordWrap(true);
    lblreadonly->setText(QStringLiteral("数据库文件只读：只列出核对的结果，不作标记，也不能采用对方号码或补入缺期。"));
    lblreadonly->setVisible(m_readOnly);

    btnall = namedButton(this, "btnall", QStringLiteral("全选"));
    btnnone = namedButton(this, "btnnone", QStringLiteral("全不选"));
    btntake = namedButton(this, "btntake", QStringLiteral("采用对方号码"));
    btnfillmissing = namedButton(this, "btnfillmissing", QStringLiteral("补入缺期"));
    btnclose = namedButton(this, "btnclose", QStringLiteral("关闭"));
    for (QPushButton* b : {btnall, btnnone, btntake, btnfillmissing})
        b->setAutoDefault(false);
    btnclose->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnall);
    buttons->addWidget(btnnone);
    buttons->addStretch();
    buttons->addWidget(btntake);
    buttons->addWidget(btnfillmissing);
    buttons->addWidget(btnclose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblsummary);
    layout->addWidget(grdcheck, 1);
    layout->addWidget(lblreadonly);
    layout->addLayout(buttons);

    nameControl(lblsummary, QStringLiteral("核对摘要"));
    nameControl(grdcheck, QStringLiteral("核对结果"),
                QStringLiteral("号码不同、本地缺少和对方未列的各期；空格键勾选或取消勾选所选的行"));
    nameControl(lblreadonly, QStringLiteral("不能更改的原因"));
    nameControl(btnall, QStringLiteral("全选"), QStringLiteral("勾选所有号码不同和本地缺少的期"));
    nameControl(btnnone, QStringLiteral("全不选"));
    nameControl(btntake, QStringLiteral("采用对方号码"),
                QStringLiteral("所勾选的号码不同的期改用%1的号码，记为更正").arg(m_reading.otherSource));
    nameControl(btnfillmissing, QStringLiteral("补入缺期"),
                QStringLiteral("所勾选的本地缺少的期按%1的号码存入").arg(m_reading.otherSource));
    nameControl(btnclose, QStringLiteral("关闭"));
    setTabChain({grdcheck, btnall, btnnone, btntake, btnfillmissing, btnclose});

    connect(btnall, &QPushButton::clicked, this, [this] { setAllTicks(true); });
    connect(btnnone, &QPushButton::clicked, this, [this] { setAllTicks(false); });
    connect(btntake, &QPushButton::clicked, this, &Tfrmcheck::btntakeClick);
    connect(btnfillmissing, &QPushButton::clicked, this, &Tfrmcheck::btnfillmissingClick);
    connect(btnclose, &QPushButton::clicked, this, &QDialog::accept);
}

void Tfrmcheck::compare()
{
    // Outside the periods the other source reached, nothing of ours is "not listed" by it.
    m_comparison = m_reading.coveredFrom.isEmpty()
                       ? DrawComparison{}
                       : compareDraws(m_db, m_lottery.name, m_reading.coveredFrom, m_reading.coveredTo,
                                      m_reading.theirs, m_reading.otherSource);
    m_comparison.otherSource = m_reading.otherSource;

    // Ticks the user set stay on the rows that are still listed.
    QSet<QString> ticked;
    for (const CheckRow& row : m_rows->rows()) {
        if (row.ticked)
            ticked.insert(row.periodId);
    }
    const QHash<QString, QString> sources = recordedSources(m_db, m_lottery.name);
    const auto sourceOf = [&sources](const QString& period) { return sources.value(period, kUnknownSource); };
    std::vector<CheckRow> rows;
    for (const DrawDisagreement& d : m_comparison.differing)
        rows.push_back({CheckKind::Differing, d.periodId, d.ours, d.ourSource, d.theirs, ticked.contains(d.periodId)});
    for (const ImportedDraw& draw : m_comparison.missing)
        rows.push_back({CheckKind::Missing, draw.periodId, {}, {}, draw.digits, ticked.contains(draw.periodId)});
    for (const QString& period : m_comparison.extra)
        rows.push_back({CheckKind::Extra, period, m_comparison.extraDigits.value(period), sourceOf(period), {}, false});
    // What can be acted on first: the differing, then the missing, then the rest, each by period.
    std::sort(rows.begin(), rows.end(), [](const CheckRow& a, const CheckRow& b) {
        return std::tie(a.kind, a.periodId) < std::tie(b.kind, b.periodId);
    });
    m_rows->setRows(std::move(rows));

    const QString readOnlyReason = m_readOnly ? lblreadonly->text() : QString();
    btntake->setEnabled(!m_readOnly && !m_comparison.differing.empty());
    btnfillmissing->setEnabled(!m_readOnly && !m_comparison.missing.empty());
    btntake->setToolTip(readOnlyReason);
    btnfillmissing->setToolTip(readOnlyReason);
    showSummary();
}

void Tfrmcheck::showSummary()
{
    const DrawComparison& c = m_comparison;
    const QString other = m_reading.otherSource;
    QStringList parts;
    if (m_reading.coveredFrom.isEmpty()) {
        parts
            << QStringLiteral("%1在第%2期至第%3期之间没有列出开奖，未能核对").arg(other, m_reading.from, m_reading.to);
    } else {
        parts << QStringLiteral("%1期一致").arg(c.agreeing.size()) << QStringLiteral("%1期不同").arg(c.differing.size())
              << QStringLiteral("%1期本地缺少").arg(c.missing.size())
              << QStringLiteral("%1期对方未列").arg(c.extra.size());
    }
    // What was not compared: stored outside what the other source listed, or taken from it.
    int before = 0;
    int after = 0;
    const QString& coveredFrom = m_reading.coveredFrom;
    const QString& coveredTo = m_reading.coveredTo;
    if (!coveredFrom.isEmpty()) {
        for (const QString& period : m_db.storedPeriodIds(m_lottery.name)) {
            before += period >= m_reading.from && period < coveredFrom;
            after += period > coveredTo && period <= m_reading.to;
        }
    }
    if (before > 0)
        parts << QStringLiteral("第%1期以前的%2期%3未列出，未核对").arg(coveredFrom).arg(before).arg(other);
    if (after > 0)
        parts << QStringLiteral("第%1期以后的%2期%3尚未列出，未核对").arg(coveredTo).arg(after).arg(other);
    if (!c.sameSource.isEmpty())
        parts << QStringLiteral("%1期本来取自%2，不核对").arg(c.sameSource.size()).arg(other);
    lblsummary->setText(QStringLiteral("第%1期至第%2期：").arg(m_reading.from, m_reading.to) +
                        parts.join(QStringLiteral("，")) + QStringLiteral("。"));
}

void Tfrmcheck::setAllTicks(bool ticked)
{
    m_rows->setAllTicked(ticked);
}

void Tfrmcheck::btntakeClick()
{
    runCommand(this, [&] {
        const std::vector<DrawDisagreement> chosen = tickedOf(*m_rows, CheckKind::Differing, m_comparison.differing);
        const QString other = m_reading.otherSource;
        if (chosen.empty()) {
            dialogs::showMessage(this, QStringLiteral("请先勾选要采用%1号码的期（号码不同的行）。").arg(other));
            return;
        }
        QStringList named;
        for (std::size_t i = 0; i < chosen.size() && i < 3; ++i)
            named << disagreementText(chosen[i], other);
        if (chosen.size() > 3)
            named << QStringLiteral("另有%1期").arg(chosen.size() - 3);
        const QString question = QStringLiteral("用%1的号码替换所勾选的%2期本地号码？\n\n%3\n\n每期记为由%1更正。")
                                     .arg(other)
                                     .arg(chosen.size())
                                     .arg(named.join(u'\n'));
        if (!dialogs::ask(this, question))
            return;
        // Refused in part, nothing is changed, and the list stands as it is.
        takeOtherDigits(m_db, m_lottery, chosen, other);
        compare();
        emit drawsChanged();
        dialogs::showMessage(this, QStringLiteral("已采用%1的号码：%2期").arg(other).arg(chosen.size()));
    });
}

void Tfrmcheck::btnfillmissingClick()
{
    runCommand(this, [&] {
        const std::vector<ImportedDraw> chosen = tickedOf(*m_rows, CheckKind::Missing, m_comparison.missing);
        const QString other = m_reading.otherSource;
        if (chosen.empty()) {
            dialogs::showMessage(this, QStringLiteral("请先勾选要补入的期（本地缺少的行）。"));
            return;
        }
        const int stored = fillFromOther(m_db, m_lottery, chosen, other);
        compare();
        emit drawsChanged();
        dialogs::showMessage(this, QStringLiteral("已按%1补入%2期").arg(other).arg(stored));
    });
}
