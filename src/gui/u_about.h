#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;

// The about box: the product title beside the installation's own lines from "附属/about.txt".
// The main window makes it once and shows the same box on every 关于.
class Tfrmabout : public QDialog {
    Q_OBJECT

public:
    // Fills itself from the side file under `programDir` (which ends with "/"); a failure is
    // reported and the box keeps its fallback texts from that line on.
    Tfrmabout(QWidget* parent, const QString& programDir);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QFrame* Shape1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* lblauthor;
    QLabel* lblbanquan;
    QLabel* lblweb;
    QLabel* lblqq;
    QLabel* lblphone2;
    QLabel* lblphone1;
    QLabel* lblmail;
    QLabel* Image1;
    QPushButton* btnclose;

    void createControls();
    void FormCreate(const QString& programDir);
    void btncloseClick();
};
