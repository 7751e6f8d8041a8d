#include "gui/db_navigator.h"

#include "gui/widget_placement.h"

#include <QToolButton>

DbNavigator::DbNavigator(QWidget* parent) : QWidget(parent)
{
    struct Face {
        const char* name;
        QString glyph;
        QString hint;
    };
    const Face faces[kButtons] = {
        {"nbFirst", QStringLiteral("|◀"), QStringLiteral("首条记录")},
        {"nbPrior", QStringLiteral("◀"), QStringLiteral("前面一条")},
        {"nbNext", QStringLiteral("▶"), QStringLiteral("下面一条")},
        {"nbLast", QStringLiteral("▶|"), QStringLiteral("最末记录")},
        {"nbInsert", QStringLiteral("＋"), QStringLiteral("添加记录")},
        {"nbDelete", QStringLiteral("－"), QStringLiteral("删除记录")},
        {"nbEdit", QStringLiteral("▲"), QStringLiteral("修改记录")},
        {"nbPost", QStringLiteral("✓"), QStringLiteral("保存修改")},
        {"nbCancel", QStringLiteral("✕"), QStringLiteral("取消修改")},
        {"nbRefresh", QStringLiteral("↻"), QStringLiteral("刷新记录")},
    };
    for (int i = 0; i < kButtons; ++i) {
        auto* b = named<QToolButton>(this, faces[i].name);
        b->setText(faces[i].glyph);
        b->setToolTip(faces[i].hint);
        // The glyph is not a name a screen reader can say.
        b->setAccessibleName(faces[i].hint);
        b->setAutoRaise(false);
        connect(b, &QToolButton::clicked, this, [this, i] { emit clicked(Button(i)); });
        m_buttons[std::size_t(i)] = b;
    }
}

void DbNavigator::updateButtons(int current, int rowCount, bool pending)
{
    const bool notFirst = current > 0;
    const bool notLast = current >= 0 && current < rowCount - 1;
    m_buttons[First]->setEnabled(notFirst);
    m_buttons[Prior]->setEnabled(notFirst);
    m_buttons[Next]->setEnabled(notLast);
    m_buttons[Last]->setEnabled(notLast);
    m_buttons[Insert]->setEnabled(true);
    m_buttons[Delete]->setEnabled(rowCount > 0);
    m_buttons[Edit]->setEnabled(!pending && rowCount > 0);
    m_buttons[Post]->setEnabled(pending);
    m_buttons[Cancel]->setEnabled(pending);
    m_buttons[Refresh]->setEnabled(!pending);
}

void DbNavigator::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Ten equal buttons edge to edge, the way the "+" laid over the fifth expects them.
    for (int i = 0; i < kButtons; ++i) {
        const int left = width() * i / kButtons;
        const int right = width() * (i + 1) / kButtons;
        m_buttons[std::size_t(i)]->setGeometry(left, 0, right - left, height());
    }
}
