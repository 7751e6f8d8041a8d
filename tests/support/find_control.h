#pragma once

#include <QObject>
#include <QString>
#include <QTest>
#include <stdexcept>

namespace fixtures {

// A window's control by its objectName, the name players and the layout know it by. A missing
// or mistyped name fails the test with the name, never a null dereference.
template <class Control>
Control* control(const QObject* window, const char* name)
{
    Control* found = window->findChild<Control*>(QString::fromLatin1(name));
    if (!found) {
        const QByteArray message = QByteArray("no control named \"") + name + "\" of the expected type in " +
                                   window->metaObject()->className();
        QTest::qFail(message.constData(), __FILE__, __LINE__);
        throw std::logic_error(message.toStdString());
    }
    return found;
}

// What a test's set of a window's controls builds on: every member declared with
// FIXTURE_CONTROL(kind, name) is the window's control of that name and kind, found when the set is
// made, so that a control that lost its name or changed its kind fails every test that opens the
// window.
template <class Window>
struct WindowControls {
    explicit WindowControls(Window& w) : window(w) {}
    Window& window;
};

}  // namespace fixtures

#define FIXTURE_CONTROL(Kind, name) Kind* name = ::fixtures::control<Kind>(&this->window, #name)
