#pragma once

#include <QDialog>
#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class Session;
class WorkRunner;
struct LotteryUpdate;

// The history download window: brings one lottery, or all five, up to date from the outside
// pages and tells at the end what each lottery got.
class Tfrmdownload2 : public QDialog {
    Q_OBJECT

public:
    // A download that brought every lottery it was asked for up to date marks the session's
    // history caught up.
    explicit Tfrmdownload2(Session& session, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* lbltishi;
    QComboBox* comdown;
    QPushButton* btndown;
    QPushButton* btnclose;
    QLabel* lbltitle;
    QProgressBar* pbjindu;   // the pages read so far, under the progress text
    QPushButton* btncancel;  // "取消", shown only while a run goes on

    void createControls();
    void FormCreate();
    void btndownClick();
    void btncloseClick();
    void showRunning(bool running);
    void finishRun(const std::vector<LotteryUpdate>& updates, const QString& choice);

    Session& m_session;
    WorkRunner* m_runner;  // the download: its 取消, Esc and close box
    bool m_centred = false;
};
