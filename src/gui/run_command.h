#pragma once

#include "core/base/cancelled.h"
#include "core/base/user_error.h"
#include "gui/dialogs.h"

#include <QString>
#include <exception>

class QWidget;

// What the user is told of an error: its own message, or plain words for what carries none.
inline QString commandErrorText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Cancelled&) {
        return kCancelledText;
    } catch (const std::exception& e) {
        return userMessageOf(e);
    } catch (...) {
        return QStringLiteral("发生未知错误。");
    }
}

// The one boundary of a user command: whatever it raises is shown with its own message and the
// program goes on. Exceptions must not reach Qt's event loop.
template <class Body>
void runCommand(QWidget* parent, Body&& body)
{
    try {
        body();
    } catch (...) {
        dialogs::showError(parent, commandErrorText(std::current_exception()));
    }
}
