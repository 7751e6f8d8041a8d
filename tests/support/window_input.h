#pragma once

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

namespace fixtures {

// Chinese is typed through an input method, which commits whole strings.
inline void typeText(QWidget* widget, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
}

// Replaces what the box's line shows with `text`, typed.
inline void typeChoice(QComboBox* box, const QString& text)
{
    box->lineEdit()->clear();
    typeText(box->lineEdit(), text);
}

// Waits, turning the event loop, until the long work a window started has ended: the runner
// holds the busy cursor for exactly that long. False when it has not ended within `ms`.
inline bool waitForRunEnd(int ms = 30000)
{
    return QTest::qWaitFor([] { return !QApplication::overrideCursor(); }, ms);
}

// Every text a label was painted with, each change once: what the user saw, not merely what was
// set between two paints.
class PaintedTexts : public QObject {
public:
    enum class Blank { Recorded, Skipped };

    explicit PaintedTexts(QLabel* label, Blank blank = Blank::Recorded) : m_label(label), m_blank(blank)
    {
        label->installEventFilter(this);
    }

    QStringList texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint &&
            !(m_blank == Blank::Skipped && m_label->text().isEmpty()) &&
            (texts.isEmpty() || texts.back() != m_label->text()))
            texts << m_label->text();
        return false;
    }

private:
    QLabel* m_label;
    Blank m_blank;
};

}  // namespace fixtures
