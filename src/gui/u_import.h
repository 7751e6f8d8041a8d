#pragma once

#include <QDialog>

struct ImportPlan;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// What an import of a draw file would do, for the user to confirm: the new draws, those already
// stored alike, those stored with other digits (kept unless 覆盖不同的开奖 is ticked) and the lines
// that are no draw. Nothing is written here; 导入 accepts, 取消 rejects.
class Tfrmimport : public QDialog {
    Q_OBJECT

public:
    Tfrmimport(const ImportPlan& plan, const QString& lottery, const QString& fileName, QWidget* parent = nullptr);

    bool overwriteConflicts() const;

private:
    void updateButtons();

    bool m_hasNew;
    bool m_hasConflicts;
    QLabel* lblfile;
    QPlainTextEdit* memsummary;
    QCheckBox* chkoverwrite;
    QPushButton* btnok;
    QPushButton* btncancel;
};
