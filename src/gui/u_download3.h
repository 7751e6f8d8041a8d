#pragma once

#include <QDialog>

class QLabel;
class QTimer;
class DrawDatabase;
struct LotteryUpdate;

// The live update window: a green banner that brings the current 时时彩 lottery up to date
// without asking anything. Until the history has been caught up in this run it reads the draw
// lists of the last 50 days; from then on the lottery's short XML feed. It closes by itself,
// after telling what the update stored or why it failed.
class Tfrmdownload3 : public QDialog {
    Q_OBJECT

public:
    explicit Tfrmdownload3(QWidget* parent = nullptr);

    QLabel* lbltitle;
    QTimer* Timer1;  // one-shot: the update starts 1000 ms after the window is made

public slots:
    // The banner has no way out: it closes itself when the update is over.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void FormCreate();
    void Timer1Timer();

    LotteryUpdate UpdateFromDayPages(DrawDatabase& db, const QString& lottery);
    LotteryUpdate UpdateFromFeed(DrawDatabase& db, const QString& lottery);
    void showTitle();
    void giveTurn();

    bool m_finished = false;
    bool m_centred = false;
};
