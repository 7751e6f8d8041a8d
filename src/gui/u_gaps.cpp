#include "gui/u_gaps.h"

#include "gui/accessible_names.h"
#include "gui/widget_placement.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

Tfrmgaps::Tfrmgaps(const QString& title, const QString& heading, const QStringList& lines, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmgaps"));
    setWindowTitle(title);
    setModal(true);
    setFixedSize(scaled(480, 360));
    lbltitle = placeLabel(this, "lbltitle", heading, 16, 10, 448, 20);
    memgaps = place<QPlainTextEdit>(this, "memgaps", 16, 34, 448, 280);
    memgaps->setReadOnly(true);
    memgaps->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memgaps->setPlainText(lines.join(u'\n'));
    labelBox(lbltitle, memgaps);
    btnclose = placeButton(this, "btnclose", QStringLiteral("关闭"), 389, 324, 75, 25);
    btnclose->setDefault(true);
    connect(btnclose, &QPushButton::clicked, this, &QDialog::accept);
}
