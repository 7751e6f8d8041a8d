#pragma once

#include <QDialog>

class QLabel;
class QTimer;
class Session;
class WorkRunner;

// The live update window: a green banner that brings the current 时时彩 lottery up to date
// without asking anything. Until the history has been caught up in this run it reads the draw
// lists of the last 50 days; from then on the lottery's short XML feed. It closes by itself,
// after telling what the update stored or why it failed.
class Tfrmdownload3 : public QDialog {
    Q_OBJECT

public:
    // The lottery is the session's selected one; the session keeps whether it caught up.
    explicit Tfrmdownload3(Session& session, QWidget* parent = nullptr);

public slots:
    // The banner has no way out before the update has started: it closes itself when the update
    // is over. Esc and the close box cancel a running update.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* lbltitle;
    // One-shot: the update starts the session's liveStartDelay() after the window is made.
    QTimer* Timer1;

    void createControls();
    void FormCreate();
    void Timer1Timer();

    void showTitle();
    void finish();

    Session& m_session;
    WorkRunner* m_runner;

    bool m_finished = false;
    bool m_centred = false;
};
