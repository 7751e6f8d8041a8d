#pragma once

#include "gui/dialogs.h"

#include <QString>
#include <exception>

class QWidget;

// The one boundary of a user command: whatever it raises is shown with its own message and the
// program goes on. Exceptions must not reach Qt's event loop.
template <class Body>
void runCommand(QWidget* parent, Body&& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        dialogs::showError(parent, QString::fromUtf8(e.what()));
    } catch (...) {
        dialogs::showError(parent, QStringLiteral("发生未知错误。"));
    }
}
