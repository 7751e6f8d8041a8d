#include "gui/accessible_names.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

void nameControl(QWidget* control, const QString& name, const QString& description)
{
    control->setAccessibleName(name);
    if (!description.isEmpty())
        control->setAccessibleDescription(description);
}

void labelBox(QLabel* label, QWidget* box, const QString& description)
{
    label->setBuddy(box);
    QString name = label->text().trimmed();
    while (name.endsWith(u'：') || name.endsWith(u':'))
        name.chop(1);
    nameControl(box, name, description);
    // An editable combo box shows its text in a box of its own, which a screen reader reaches too.
    if (auto* combo = qobject_cast<QComboBox*>(box); combo && combo->lineEdit())
        nameControl(combo->lineEdit(), name, description);
}

QString shortcutTip(const QString& what, const QKeySequence& keys)
{
    return QStringLiteral("%1（%2）").arg(what, keys.toString(QKeySequence::NativeText));
}

void giveShortcut(QAbstractButton* button, const QKeySequence& keys, const QString& what)
{
    button->setShortcut(keys);
    button->setToolTip(shortcutTip(what, keys));
}

void setTabChain(const QList<QWidget*>& chain)
{
    QWidget* previous = nullptr;
    for (QWidget* widget : chain) {
        if (widget->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}
