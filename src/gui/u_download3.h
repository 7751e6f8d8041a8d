#pragma once

#include <QDialog>
#include <chrono>

class QLabel;
class QTimer;
class WorkRunner;

// The live update window: a green banner that brings the current 时时彩 lottery up to date
// without asking anything. Until the history has been caught up in this run it reads the draw
// lists of the last 50 days; from then on the lottery's short XML feed. It closes by itself,
// after telling what the update stored or why it failed.
class Tfrmdownload3 : public QDialog {
    Q_OBJECT

public:
    explicit Tfrmdownload3(QWidget* parent = nullptr);

public slots:
    // The banner has no way out before the update has started: it closes itself when the update
    // is over. Esc and the close box cancel a running update.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* lbltitle;
    QTimer* Timer1;  // one-shot: the update starts u_download3::startDelay() after the window is made

    void createControls();
    void FormCreate();
    void Timer1Timer();

    void showTitle();
    void finish();

    WorkRunner* m_runner;

    bool m_finished = false;
    bool m_centred = false;
};

namespace u_download3 {
// How long the banner stands empty before the update starts: 1000 ms, long enough to be seen
// before the update keeps the window busy.
std::chrono::milliseconds startDelay();
namespace testing {
// Tests that are not about the wait itself shorten it.
void setStartDelay(std::chrono::milliseconds delay);
}  // namespace testing
}  // namespace u_download3
