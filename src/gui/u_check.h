#pragma once

#include "core/store/draw_comparison.h"
#include "core/store/draw_file_parser.h"

#include <QDialog>
#include <QString>
#include <vector>

class CheckRowsModel;
class DrawDatabase;
struct LotteryInfo;
class QLabel;
class QPushButton;
class QTableView;

// What 核对 read from the lottery's 核对来源 over the stored range, for the list to compare with
// the table, again after each change it makes.
struct CheckReading {
    QString otherSource;               // the other source's name
    QString from;                      // the stored range asked for
    QString to;                        //
    QString coveredFrom;               // the oldest and newest periods the other source listed of
    QString coveredTo;                 // the range; both empty when none
    std::vector<ImportedDraw> theirs;  // what it listed over the range
};

// The list of 核对: the periods whose digits differ from the other source's, those it lists and
// the table lacks, and those the table holds inside its range and it does not list, each with
// both sides' digits and the stored draw's source. Nothing changes by looking: 采用对方号码 takes
// the other source's digits for the ticked differing periods (asked once, in one transaction,
// each recorded as corrected), 补入缺期 stores the ticked missing ones. On a read-only file both
// stay disabled with the reason shown.
class Tfrmcheck : public QDialog {
    Q_OBJECT

public:
    Tfrmcheck(DrawDatabase& db, const LotteryInfo& lottery, CheckReading reading, bool readOnly,
              QWidget* parent = nullptr);
    ~Tfrmcheck() override;

    const DrawComparison& comparison() const { return m_comparison; }

signals:
    // Stored draws were changed or added: whatever shows them reads them again.
    void drawsChanged();

private:
    void createControls();
    void compare();
    void showSummary();
    void setAllTicks(bool ticked);
    void btntakeClick();
    void btnfillmissingClick();

    DrawDatabase& m_db;
    const LotteryInfo& m_lottery;
    CheckReading m_reading;
    bool m_readOnly;
    DrawComparison m_comparison;
    CheckRowsModel* m_rows;
    QLabel* lblsummary;
    QTableView* grdcheck;
    QLabel* lblreadonly;
    QPushButton* btnall;
    QPushButton* btnnone;
    QPushButton* btntake;
    QPushButton* btnfillmissing;
    QPushButton* btnclose;
};
