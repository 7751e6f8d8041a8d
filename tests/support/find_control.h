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

}  // namespace fixtures
