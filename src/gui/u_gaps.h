#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// A list to read through, with a heading: the missing periods of a lottery (缺期) and what a
// fill found (补齐). The lists can run long, hence a window of its own rather than a message box.
class Tfrmgaps : public QDialog {
    Q_OBJECT

public:
    Tfrmgaps(const QString& title, const QString& heading, const QStringList& lines, QWidget* parent = nullptr);

private:
    QLabel* lbltitle;
    QPlainTextEdit* memgaps;
    QPushButton* btnclose;
};
