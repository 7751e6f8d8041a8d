#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

class QAbstractButton;
class QLabel;
class QWidget;

// What a screen reader says of a control: its Chinese name and, where the name alone leaves the
// player guessing, a description.
void nameControl(QWidget* control, const QString& name, const QString& description = {});

// A label that names a box becomes its buddy, and the box takes the label's words, without the
// closing colon, as its name (an editable combo box's text box too). Box and label must be
// made before.
void labelBox(QLabel* label, QWidget* box, const QString& description = {});

// A main action's key: the button answers to `keys` anywhere in its window, and its tooltip says
// what it does and which key does it ("重新统计（F5）").
void giveShortcut(QAbstractButton* button, const QKeySequence& keys, const QString& what);

// Tab walks `chain` in its order, round from the last to the first. Controls that take no focus
// are left out of it; Tab passes over those disabled or hidden at the time.
void setTabChain(const QList<QWidget*>& chain);

// The text a tooltip shows for `what` done by `keys`.
QString shortcutTip(const QString& what, const QKeySequence& keys);
