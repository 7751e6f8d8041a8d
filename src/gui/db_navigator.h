#pragma once

#include <QWidget>
#include <array>

class QToolButton;

// A record navigator of ten equal buttons: move to the first, prior, next or last row, insert,
// delete, edit, post, cancel and refresh. It only reports presses; whoever owns the rows acts.
class DbNavigator : public QWidget {
    Q_OBJECT

public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
    static constexpr int kButtons = 10;

    explicit DbNavigator(QWidget* parent = nullptr);

    QToolButton* button(Button which) const { return m_buttons[which]; }

    // Enables each button for the rows' state: moving where there is somewhere to go, post and
    // cancel only for a pending row, edit and refresh only without one.
    void updateButtons(int current, int rowCount, bool pending);

signals:
    void clicked(DbNavigator::Button which);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::array<QToolButton*, kButtons> m_buttons{};
};
