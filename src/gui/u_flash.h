#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QTimer;

// The splash: a borderless picture with the product title and a few lines from the
// installation's side file, shown modally until its timer has ticked five times.
class Tfrmflash : public QDialog {
    Q_OBJECT

public:
    // Fills itself from "附属/flash.txt" and "图片/flash.jpg" under `programDir` (which ends with
    // "/"); a failure is reported and the splash still opens.
    explicit Tfrmflash(const QString& programDir = executableDir(), QWidget* parent = nullptr);

    static QString executableDir();

    // Ticks of the splash timer so far.
    int tickCount() const { return m_ticks; }

private:
    QLabel* Image1;
    QLabel* Label1;
    QLabel* lblchuping;
    QLabel* lblshiyong;
    QLabel* lblweb;
    QLabel* lblqq;
    QLabel* lblmail;
    QLabel* lblphone;
    QTimer* Timer1;

    void createControls();
    void FormCreate(const QString& programDir);
    void Timer1Timer();

    int m_ticks = 0;
};
