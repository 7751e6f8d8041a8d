#include "gui/u_import.h"

#include "core/store/draw_import.h"
#include "gui/accessible_names.h"
#include "gui/widget_placement.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

Tfrmimport::Tfrmimport(const ImportPlan& plan, const QString& lottery, const QString& fileName, QWidget* parent)
    : QDialog(parent), m_hasNew(!plan.fresh.empty()), m_hasConflicts(!plan.conflicts.empty())
{
    setObjectName(QStringLiteral("frmimport"));
    setWindowTitle(QStringLiteral("导入开奖"));
    setModal(true);
    setFixedSize(scaled(560, 420));

    lblfile = placeLabel(this, "lblfile",
                         QStringLiteral("导入到：%1\n文件：%2").arg(lottery, QDir::toNativeSeparators(fileName)), 16,
                         10, 528, 40);
    lblfile->setWordWrap(true);
    memsummary = place<QPlainTextEdit>(this, "memsummary", 16, 56, 528, 290);
    memsummary->setReadOnly(true);
    memsummary->setLineWrapMode(QPlainTextEdit::NoWrap);
    memsummary->setPlainText(importSummary(plan).join(u'\n'));
    nameControl(memsummary, QStringLiteral("导入摘要"), QStringLiteral("文件中可导入、相同、不同和无法读取的开奖"));

    chkoverwrite = place<QCheckBox>(this, "chkoverwrite", 16, 356, 300, 22);
    chkoverwrite->setText(QStringLiteral("覆盖不同的开奖"));
    chkoverwrite->setEnabled(m_hasConflicts);

    btnok = placeButton(this, "btnok", QStringLiteral("导入"), 378, 382, 75, 25);
    btncancel = placeButton(this, "btncancel", QStringLiteral("取消"), 469, 382, 75, 25);
    btncancel->setDefault(true);
    btnok->setAutoDefault(false);

    connect(chkoverwrite, &QCheckBox::toggled, this, &Tfrmimport::updateButtons);
    connect(btnok, &QPushButton::clicked, this, &QDialog::accept);
    connect(btncancel, &QPushButton::clicked, this, &QDialog::reject);
    updateButtons();
}

bool Tfrmimport::overwriteConflicts() const
{
    return chkoverwrite->isChecked();
}

void Tfrmimport::updateButtons()
{
    btnok->setEnabled(m_hasNew || (m_hasConflicts && chkoverwrite->isChecked()));
}
