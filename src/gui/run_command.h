#pragma once

#include "gui/dialogs.h"

#include <QString>
#include <exception>
#include <new>

class QWidget;

// The one boundary of a user command: whatever it raises is shown with its own message and the
// program goes on. Exceptions must not reach Qt's event loop.
template <class Body>
void runCommand(QWidget* parent, Body&& body)
{
    try {
        body();
    } catch (const std::bad_alloc&) {
        // The library's own words ("std::bad_alloc") mean nothing to the user.
        dialogs::showError(parent, QStringLiteral("内存不足，操作未能完成。"));
    } catch (const std::exception& e) {
        dialogs::showError(parent, QString::fromUtf8(e.what()));
    } catch (...) {
        dialogs::showError(parent, QStringLiteral("发生未知错误。"));
    }
}
